// Channel wavelengths from the first scan file, an external list and the
// calibration equation, and the tables they leave for later runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calibration/wavelength_sources.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using namespace testing;

std::string ExternalText(int lines, double first = 400) {
  std::string s;
  for (int i = 0; i < lines; ++i) s += "  " + Dec(first + i) + " \r\n";
  return s;
}

// GER 2600 records of three free-field items, in assorted spellings.
std::string Ger2600Text(int records, double first) {
  std::string s = Join(GerLines(0));
  for (int r = 0; r < records; ++r) {
    const std::string wl = Dec(first + r);
    switch (r % 3) {
      case 0: s += wl + "   10   20\r\n"; break;
      case 1: s += wl + ", 10, 20\r\n"; break;
      default: s += "\t" + wl + "\r\n 10 20 \r\n"; break;  // one record over two lines
    }
  }
  return s;
}

TEST(WavesFromScanFile, FirstFieldOfTheChannelLinesAfterTheHeader) {
  TempFolder folder;
  WavelengthTables tables;
  struct Case {
    Format format;
    Lines lines;
    std::size_t count;
    double first, last;
  };
  const Case cases[] = {
      {Format::UniSpecOld, OldLines({Rising(300.5, 3)}), 256, 300.5, 1065.5},
      {Format::Ger1500, GerLines(512, {Rising(300.75, 1)}), 512, 300.75, 811.75},
  };
  for (const Case& c : cases) {
    const auto w = WavesFromScanFile(tables, VariantOf(c.format), folder.Write("a.scan", Join(c.lines)));
    ASSERT_EQ(w.size(), c.count);
    EXPECT_EQ(w[0], c.first);
    EXPECT_EQ(w[c.count - 1], c.last);
  }
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  for (const char* bad : {"400.12", "  400.12  ", "abc 1000", "   ", "400,12 1000"}) {
    const std::string path = folder.Write("bad.spt", Join(With(OldLines(), {{kUniSpecData, bad}})));
    EXPECT_NE(FailureOf([&] { WavesFromScanFile(tables, v, path); }).find(path + ", line 11"), std::string::npos)
        << bad;
  }
  EXPECT_THROW(WavesFromScanFile(tables, v, folder.Write("short.spt", Join(Head(OldLines(), 100)))), RunFailure);
  EXPECT_THROW(WavesFromScanFile(tables, v, folder.File("missing.spt")), RunFailure);
  // The compact format holds no wavelengths.
  EXPECT_THROW(WavesFromScanFile(tables, VariantOf(Format::UniSpecCompact), folder.Write("c.spt", Join(OldLines()))),
               RunFailure);
}

TEST(WavesFromScanFile, Ger2600FreeFieldRecordsKeepUnreachedEntries) {
  TempFolder folder;
  WavelengthTables tables;
  const InstrumentVariant& v = VariantOf(Format::Ger2600);
  auto w = WavesFromScanFile(tables, v, folder.Write("full.gr2", Ger2600Text(594, 1000)));
  ASSERT_EQ(w.size(), 594u);
  EXPECT_EQ(w[0], 1000);
  EXPECT_EQ(w[2], 1002);
  EXPECT_EQ(w[593], 1593);
  // 590 records fill indices 0..589; 590..593 keep what the earlier file left.
  w = WavesFromScanFile(tables, v, folder.Write("short.gr2", Ger2600Text(590, 350) + "\r\n  \r\n"));
  EXPECT_EQ(w[0], 350);
  EXPECT_EQ(w[589], 939);
  EXPECT_EQ(w[590], 1590);
  EXPECT_EQ(w[593], 1593);
  // A fresh table starts from 0.
  WavelengthTables fresh;
  EXPECT_EQ(WavesFromScanFile(fresh, v, folder.Write("short2.gr2", Ger2600Text(590, 350)))[593], 0);
  for (const std::string& bad :
       {Ger2600Text(595, 350), Ger2600Text(5, 350) + "356 10\r\n", Ger2600Text(5, 350) + "356 x 20\r\n"})
    EXPECT_THROW(WavesFromScanFile(tables, v, folder.Write("bad.gr2", bad)), RunFailure);
}

TEST(WavesFromExternalFile, OneWavelengthPerLineFirstChannelFirst) {
  TempFolder folder;
  WavelengthTables tables;
  // 300 lines for a 256-channel family: only the first 256 are read.
  auto w =
      WavesFromExternalFile(tables, VariantOf(Format::UniSpecCompact), folder.Write("w300.txt", ExternalText(300)));
  ASSERT_EQ(w.size(), 256u);
  EXPECT_EQ(w[0], 400);
  EXPECT_EQ(w[255], 655);
  w = WavesFromExternalFile(tables, VariantOf(Format::Ger2600), folder.Write("w594.txt", ExternalText(594, 350.5)));
  ASSERT_EQ(w.size(), 594u);
  EXPECT_EQ(w[593], 943.5);
  // A final line without a line end still counts.
  std::string exact = ExternalText(256);
  exact.resize(exact.size() - 2);
  w = WavesFromExternalFile(tables, VariantOf(Format::UniSpecOld), folder.Write("w256.txt", exact));
  EXPECT_EQ(w[255], 655);

  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  EXPECT_THROW(WavesFromExternalFile(tables, v, folder.Write("w255.txt", ExternalText(255))), RunFailure);
  EXPECT_THROW(WavesFromExternalFile(tables, v, ""), RunFailure);
  EXPECT_THROW(WavesFromExternalFile(tables, v, folder.File("missing.txt")), RunFailure);
  EXPECT_THROW(WavesFromExternalFile(tables, v, folder.Write("empty-line.txt", "\r\n" + ExternalText(256))),
               RunFailure);
  std::string withBad = ExternalText(256);
  withBad.replace(withBad.find("410"), 3, "4x0");  // line 11
  const std::string bad = folder.Write("bad.txt", withBad);
  EXPECT_NE(FailureOf([&] { WavesFromExternalFile(tables, v, bad); }).find(bad + ", line 11"), std::string::npos);
}

TEST(WavesFromEquation, RoundsToTwoDecimalsFromTheStartChannel) {
  WavelengthTables tables;
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  struct Case {
    EquationTexts equation;
    double first, last;
  };
  const Case cases[] = {
      {{"300", "3.3", "0", 0}, 300.00, 1141.50},
      {{"300", "3.3", "0", 1}, 303.30, 1144.80},
      // The dual-channel instrument's channel 1 calibration, channels from 1.
      {{"301.1004976", "3.326823976", "-0.0002851923768", 1}, 304.43, 1134.08},
      {{"400.125", "0", "0", 0}, 400.12, 400.12},  // a tie at the second decimal goes to the even neighbour
  };
  for (const Case& c : cases) {
    const auto w = WavesFromEquation(tables, v, c.equation);
    ASSERT_EQ(w.size(), 256u);
    EXPECT_EQ(w[0], c.first) << c.equation.a;
    EXPECT_EQ(w[255], c.last) << c.equation.a;
  }
  EXPECT_EQ(EquationWavelength(400.375, 0, 0, 7), 400.38);
  const auto w = WavesFromEquation(tables, VariantOf(Format::Ger2600), {"350", "1", "0.5", 0});
  ASSERT_EQ(w.size(), 594u);
  EXPECT_EQ(w[2], 354);  // 350 + 2 + 0.5 * 4
  EXPECT_EQ(w[593], 350 + 593 + 0.5 * 593 * 593);

  const EquationTexts bad[] = {
      {"", "", "", 1}, {"300", "abc", "0", 1}, {"300", "3.3", "1,5", 0}, {"300", "3.3", "", 0}, {"inf", "3.3", "0", 0}};
  for (const EquationTexts& e : bad) {
    EXPECT_FALSE(CoefficientsAreNumbers(e)) << e.a << "|" << e.b << "|" << e.c;
    EXPECT_THROW(WavesFromEquation(tables, v, e), RunFailure);
  }
  EXPECT_TRUE(CoefficientsAreNumbers({" 300 ", "3.3", "-2e-4", 0}));
}

TEST(WavelengthTables, EachSourceKeepsItsOwnTableAndTheUniSpecFamiliesShareTheirs) {
  TempFolder folder;
  WavelengthTables tables;
  WavesFromEquation(tables, VariantOf(Format::UniSpecOld), {"300", "1", "0", 0});
  WavesFromExternalFile(tables, VariantOf(Format::UniSpecOld), folder.Write("w.txt", ExternalText(256, 500)));
  // Another source leaves the equation table alone.
  EXPECT_EQ(tables.Table(VariantOf(Format::UniSpecOld), WaveSource::Equation)[10], 310);
  EXPECT_EQ(tables.Table(VariantOf(Format::UniSpecOld), WaveSource::ExternalFile)[10], 510);
  // The three single-channel UniSpec formats share one table per source.
  EXPECT_EQ(tables.Table(VariantOf(Format::UniSpecCompact), WaveSource::ExternalFile)[10], 510);
  EXPECT_EQ(tables.Table(VariantOf(Format::UniSpecNew), WaveSource::Equation)[10], 310);
  // GER tables are their own, 0 until filled.
  EXPECT_EQ(tables.Table(VariantOf(Format::Ger1500), WaveSource::Equation).size(), 512u);
  EXPECT_EQ(tables.Table(VariantOf(Format::Ger1500), WaveSource::Equation)[10], 0);
  // A read that fails part way is followed by a good one: the good one gives
  // the whole list again.
  EXPECT_THROW(
      WavesFromExternalFile(tables, VariantOf(Format::UniSpecOld), folder.Write("s.txt", ExternalText(100, 900))),
      RunFailure);
  EXPECT_EQ(WavesFromExternalFile(tables, VariantOf(Format::UniSpecOld), folder.File("w.txt"))[200], 700);
}

}  // namespace
}  // namespace corvelane
