// UniSpec-DC scans: header rules (old and real layouts), the 0/1 rule of the
// channel lines, file labels, the channel equations, and the real files.
#include <gtest/gtest.h>

#include <filesystem>

#include "calibration/dc_equation.h"
#include "instruments/scan_readers.h"
#include "instruments/unispec_dc.h"
#include "tests/dc_scan_text.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using namespace testing;

TEST(DcDateAndTime, RealAndOlderLayouts) {
  struct Case {
    std::string line, date, time;
  };
  for (const Case& c : std::vector<Case>{
           {"\"Time:       6/22/2018 3:36:29 PM\"", "6/22/2018", "3:36:29 PM"},
           {"  \"Time:       8/11/2018 12:02:23 PM\"  ", "8/11/2018", "12:02:23 PM"},
           {"Date & time: 06/22/2018  15:36:29", "06/22/2018", "15:36:29"},
           {"Date & time: 06/22/2018", "06/22/2018", ""},
           {"\"Time:       6/22/2018\"", "6/22/2018", ""},
           {"short line", "", ""},
       }) {
    const DcDateTime dt = DcDateAndTime(c.line);
    EXPECT_EQ(dt.date, c.date) << c.line;
    EXPECT_EQ(dt.time, c.time) << c.line;
  }
}

TEST(DcTemperature, LineTwoFirstThenDegreesC) {
  struct Case {
    std::string line2, line5, expected;
  };
  const std::string env = "\"Environment:   DegreesC=20.984 BattV=7.098 A1=1\"";
  for (const Case& c : std::vector<Case>{
           {"Temp:    23.5 C", "", "23."},
           {"Temp:    7 C", "", "7 "},   // "7 C" is not a number: two characters, a blank kept
           {"Temp:    7 C", env, "7 "},  // "7 " is a number: it stands
           {"Temp:    23.5 C", env, "23."},
           {"\"Remarks:    SW=UnispecDCcf\"", env, "20."},
           {"\"Remarks:    SW=UnispecDCcf\"", "\"Environment:   DegreesC=-5 A1=2\"", "-5"},
           {"\"Remarks:    SW=UnispecDCcf\"", "\"Environment:   DegreesC=-12.5,x\"", "-12"},
           {"\"Remarks:    SW=UnispecDCcf\"", "\"Environment:   DegreesC=warm\"", "SW"},
           {"\"Remarks:    SW=UnispecDCcf\"", "\"Environment:   MaxDegreesC=20\"", "SW"},
           {"\"Remarks:    SW=UnispecDCcf\"", "", "SW"},
           {"", env, "20."},
       }) {
    const std::array<std::string_view, 10> header = {"line 1", c.line2, "line 3", "line 4", c.line5};
    EXPECT_EQ(DcTemperature(header), c.expected) << c.line2 << " | " << c.line5;
  }
}

TEST(DcChannelLine, ZeroAndOneStandInForMissingOrDamagedReadings) {
  struct Case {
    std::string line;
    DcLineProblem problem;
    double target, panel;
  };
  for (const Case& c : std::vector<Case>{
           {"300.9 \t115 \t59 ", DcLineProblem::None, 115, 59},
           {"  12   345   0  ", DcLineProblem::None, 345, 0},
           {"12 345", DcLineProblem::None, 0, 1},
           {"12 abc 7", DcLineProblem::None, 0, 7},
           {"12 5 x", DcLineProblem::None, 5, 1},
           {"1134.4 \t0. \t304", DcLineProblem::None, 0, 304},
           {"12", DcLineProblem::NoBlank, 0, 1},
           {"   ", DcLineProblem::NoBlank, 0, 1},
           {"302.0\t359\t292.6\t383", DcLineProblem::TooManyFields, 0, 1},
       }) {
    DcReadings r;
    EXPECT_EQ(SplitDcLine(c.line, r), c.problem) << c.line;
    if (c.problem != DcLineProblem::None) continue;
    EXPECT_EQ(r.target, c.target) << c.line;
    EXPECT_EQ(r.panel, c.panel) << c.line;
  }
}

const InstrumentVariant& Dc() { return VariantOf(Format::UniSpecDc); }

ScanRecord Parse(const std::string& text, const std::string& path, LabelSource label = LabelSource::DataFileName) {
  ScanRecord scan;
  ParseScan(Dc(), text, false, path, label, scan);
  return scan;
}
ScanRecord Parse(const Lines& lines, const std::string& path = "C:\\data\\may\\site1.spu",
                 LabelSource label = LabelSource::DataFileName) {
  return Parse(Join(lines), path, label);
}

TEST(DcScanFile, HeaderAndReadings) {
  const ScanRecord s = Parse(DcLines());
  EXPECT_EQ(s.fileLabel, "site1.spu");
  EXPECT_EQ(s.date, "6/22/2018");
  EXPECT_EQ(s.time, "3:36:29 PM");
  EXPECT_EQ(s.temperature, "20.");
  ASSERT_EQ(s.target.size(), 256u);
  EXPECT_EQ(s.target[255], 1255);
  EXPECT_EQ(s.panel[1], 2002);
  // The last eight channels are status values whatever they hold.
  EXPECT_EQ(s.spectralChannels, 248u);
  EXPECT_EQ(Parse(DcLines({Rising(300.9, 3.3), Rising(1000, 1), Rising(2000, 2)}, true)).spectralChannels, 248u);
  // The dark-scan remarks: QualityReport reads them back per scan.
  EXPECT_EQ(s.integrationMs, "50");
  EXPECT_EQ(Parse(With(DcLines(), {{7, "\"Integration:  65 ms\""}})).integrationMs, "65");
  EXPECT_EQ(Parse(DcLines(), "/x/y", LabelSource::HeaderInfo).fileLabel, "DHT_00001.spu");
  EXPECT_EQ(Parse(DcLines(), "/home/ana/2018/site2.spu").fileLabel, "site2.spu");
}

TEST(DcScanFile, FailuresNameTheFileLineAndText) {
  struct Case {
    Lines lines;
    std::string path;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{
           {Head(DcLines(), 265), "s.spu", "s.spu, line 266: the file ends after 265 lines"},
           {With(DcLines(), {{40, " 400.1 "}}), "s.spu", "s.spu, line 41: the channel line has no blank"},
           {With(DcLines(), {{10, "1 2 3 4"}}), "s.spu", "s.spu, line 11: the channel line holds more than three"},
           {DcLines(), "C:\\data\\scan", "cannot cut a file label"},
           {DcLines(), "C:\\x.y\\data\\scan", "cannot cut a file label"},
       }) {
    const std::string failure = FailureOf([&] { Parse(c.lines, c.path); });
    EXPECT_NE(failure.find(c.expected), std::string::npos) << failure;
  }
}

TEST(DcEquation, ChannelTablesFromTheStartTexts) {
  DcEquationTexts texts = DcStartTexts();
  DcWavelengthTables t = WavesFromEquationDC(texts);
  // Channel 1's table from channel 1 is WavesFromEquation's dual-channel case.
  ASSERT_EQ(t.channel2.size(), 256u);
  EXPECT_EQ(t.channel2[0], 304.56);
  EXPECT_EQ(t.channel2[255], 1134.23);
  texts.startChannel = 0;
  t = WavesFromEquationDC(texts);
  EXPECT_EQ(t.channel1[0], 301.1);
  EXPECT_EQ(t.channel1[255], 1130.9);
  texts.coefficients[4] = "3,33";
  EXPECT_FALSE(DcCoefficientsAreNumbers(texts));
  EXPECT_NE(FailureOf([&] { WavesFromEquationDC(texts); }).find("coefficient B2"), std::string::npos);
}

TEST(DcRealFiles, EveryInstrumentFileReadsWithStatusChannelsAndThePcScriptsFail) {
  const auto files = RealUniSpecDcFiles();
  if (files.empty()) GTEST_SKIP() << "no real UniSpec-DC scans here";
  for (const std::string& f : files) {
    const ScanRecord s = Parse(ReadAll(f), f, LabelSource::HeaderInfo);
    EXPECT_EQ(s.fileLabel, std::filesystem::path(f).filename().string());
    EXPECT_EQ(s.spectralChannels, 248u) << f;
    EXPECT_EQ(s.temperature.size(), 3u) << f;
    EXPECT_NE(s.time.find('M'), std::string::npos) << f;  // AM or PM kept
  }
  const auto folder = std::filesystem::path(files[0]).parent_path();
  const std::string dht = (folder / "DHT_00001.spu").string();
  const ScanRecord s = Parse(ReadAll(dht), dht);
  EXPECT_EQ(s.temperature, "20.");
  EXPECT_EQ(s.date, "6/22/2018");
  EXPECT_EQ(s.time, "3:36:29 PM");
  EXPECT_EQ(s.target[1], 124.8);
  EXPECT_EQ(s.panel[1], 63);
  // The PC script's variant fails clearly.
  int seen = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder / "pc-script-variant", ec)) {
    const std::string path = e.path().string();
    const std::string failure = FailureOf([&] { Parse(ReadAll(path), path); });
    EXPECT_NE(failure.find("line 11: the channel line holds more than three fields"), std::string::npos) << failure;
    ++seen;
  }
  EXPECT_EQ(seen, 2);
}

}  // namespace
}  // namespace corvelane
