// What scan headers say about the measurement, in the forms other tools join
// on: dates, times, temperatures and integration times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/scan_facts.h"
#include "tests/run_support.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using namespace testing;

TEST(ScanFactsText, DatesBecomeIsoOnlyWhereTheYearIsWhole) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"6/22/2018", "2018-06-22"},  {"06/13/2022", "2022-06-13"}, {"12/1/2018", "2018-12-01"},
      {"2018-06-22", "2018-06-22"},  // already ISO
      {"06/02/03", "06/02/03"},      // the century would be a guess
      {"13/01/2018", "13/01/2018"},  // no month 13: not month/day/year
      {"6/32/2018", "6/32/2018"},   {"6-22-2018", "6-22-2018"},   {"", ""},
      {"6/22/2018x", "6/22/2018x"},
  };
  for (const auto& [text, iso] : cases) EXPECT_EQ(IsoDate(text), iso) << text;
}

TEST(ScanFactsText, TimesBecomeTwentyFourHour) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"11:43:17 AM", "11:43:17"}, {"1:05:09 PM", "13:05:09"}, {"12:00:01 AM", "00:00:01"},
      {"12:30:00 PM", "12:30:00"}, {"9:01:37", "09:01:37"},    {"09:16:10.70", "09:16:10.70"},
      {"3:07pm", "15:07:00"},      {"15:40:54", "15:40:54"},   {"13:00:00 PM", "13:00:00 PM"},
      {"25:00:00", "25:00:00"},    {"noon", "noon"},           {"", ""},
  };
  for (const auto& [text, time] : cases) EXPECT_EQ(Time24(text), time) << text;
}

ScanFacts FactsOf(const std::string& text) {
  ScanRecord record;
  record.fileLabel = "label";
  return ReadScanFacts(text, record);
}

TEST(ScanFactsHeader, EachFormatsHeaderLinesAreRead) {
  // UniSpec-DC: quoted lines, AM/PM, the temperature at full precision.
  ScanFacts dc = FactsOf(Join(DcLines()));
  EXPECT_EQ(dc.date, "2018-06-22");
  EXPECT_EQ(dc.time, "15:36:29");
  EXPECT_EQ(dc.temperature, "20.984");
  EXPECT_EQ(dc.integrationMs, "50");
  EXPECT_EQ(dc.label, "label");
  // GER: "Date:" and "Integration time:", two-digit year kept, fraction kept.
  ScanFacts ger =
      FactsOf("GER1500 spectroradiometer scan\nDate: 06/11/03 09:16:10.70\nIntegration time: 20 ms\n300 1 2\n");
  EXPECT_EQ(ger.date, "06/11/03");
  EXPECT_EQ(ger.time, "09:16:10.70");
  EXPECT_EQ(ger.integrationMs, "20");
  EXPECT_EQ(ger.temperature, "");
  // A header without such lines leaves the facts to the reader's record.
  ScanRecord record;
  record.date = "6/22/2018";
  record.time = "10:00:00";
  record.temperature = "21";
  const ScanFacts bare = ReadScanFacts("0.5\n0.6\n", record);
  EXPECT_EQ(bare.date, "2018-06-22");
  EXPECT_EQ(bare.time, "10:00:00");
  EXPECT_EQ(bare.temperature, "21");
  EXPECT_EQ(bare.integrationMs, "");
}

TEST(ScanFactsRun, KeptOnlyWhenAskedWithTheTablesLabel) {
  const std::string dc = std::string(CORVELANE_SAMPLES) + "/unispec-dc/TUN_00001.spu";
  RunSettings s = Settings(Format::UniSpecDc, {dc, dc}, {"400", "410", "1"});
  UseChannelEquations(s, DcStartTexts());
  EXPECT_TRUE(Convert(s).facts.empty());
  s.keepFacts = true;
  const ConversionResult r = Convert(s);
  ASSERT_EQ(r.facts.size(), 2u);
  EXPECT_EQ(r.facts[1].label, r.heads[0][1]);
  EXPECT_EQ(r.facts[1].date, "2018-06-18");
  EXPECT_EQ(r.facts[1].time, "11:43:17");
  EXPECT_EQ(r.facts[1].temperature, "17.207");
  EXPECT_EQ(r.facts[1].integrationMs, "30");
}

}  // namespace
}  // namespace corvelane
