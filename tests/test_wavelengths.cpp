// Channel wavelengths from the first scan file, an external list and the
// calibration equation, and the tables they leave for later runs.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "calibration/wavelength_sources.h"
#include "convert/failure.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using testing::TempFolder;

std::string Num(int v) { return std::to_string(v); }
// Shortest text of v with a decimal point, whatever the locale.
std::string Dec(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// A UniSpec scan (old or new layout: only lines 11 to 266 matter here) whose
// channel c lies at 300.5 + 3c nm.
std::string UniSpecText(const std::string& firstDataLine = "") {
  std::string s;
  for (int k = 1; k <= 10; ++k) s += "header " + Num(k) + "\r\n";
  for (int c = 0; c < 256; ++c)
    s += (c == 0 && !firstDataLine.empty() ? firstDataLine : Num(300 + 3 * c) + ".5 \t" + Num(1000 + c) + " \t9") + "\r\n";
  for (int c = 0; c < 258; ++c) s += "7\r\n";  // separator and PANEL block of the old layout
  return s;
}

std::string ExternalText(int lines, double first = 400) {
  std::string s;
  for (int i = 0; i < lines; ++i) s += "  " + Dec(first + i) + " \r\n";
  return s;
}

TEST(WavesFromScanFile, UniSpecFirstFieldOfLinesElevenOn) {
  TempFolder folder;
  WavelengthTables tables;
  for (const Format f : {Format::UniSpecOld, Format::UniSpecNew}) {
    const auto w = WavesFromScanFile(tables, VariantOf(f), folder.Write("a.spt", UniSpecText()));
    ASSERT_EQ(w.size(), 256u);
    EXPECT_EQ(w[0], 300.5);
    EXPECT_EQ(w[255], 1065.5);
  }
  // Leading blanks are removed before the first blank is sought.
  const auto w = WavesFromScanFile(tables, VariantOf(Format::UniSpecOld),
                                   folder.Write("b.spt", UniSpecText("  400.12 1000 17")));
  EXPECT_EQ(w[0], 400.12);
  EXPECT_EQ(w[1], 303.5);
}

TEST(WavesFromScanFile, UniSpecFailures) {
  TempFolder folder;
  WavelengthTables tables;
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  for (const char* bad : {"400.12", "  400.12  ", "abc 1000", "   ", "400,12 1000"}) {
    const std::string path = folder.Write("bad.spt", UniSpecText(bad));
    try {
      WavesFromScanFile(tables, v, path);
      ADD_FAILURE() << '"' << bad << '"';
    } catch (const RunFailure& f) {
      EXPECT_NE(std::string(f.what()).find(path + ", line 11"), std::string::npos) << f.what();
    }
  }
  const std::string text = UniSpecText();
  EXPECT_THROW(WavesFromScanFile(tables, v, folder.Write("short.spt", text.substr(0, text.find("\r\n300"  ) + 200))),
               RunFailure);
  EXPECT_THROW(WavesFromScanFile(tables, v, folder.File("missing.spt")), RunFailure);
  // The compact format holds no wavelengths.
  EXPECT_THROW(WavesFromScanFile(tables, VariantOf(Format::UniSpecCompact), folder.Write("c.spt", text)),
               RunFailure);
}

std::string GerHeader() {
  std::string s;
  for (int k = 1; k <= 12; ++k) s += "GER header " + Num(k) + "\r\n";
  return s;
}

TEST(WavesFromScanFile, Ger1500SkipsTwelveLines) {
  TempFolder folder;
  WavelengthTables tables;
  std::string s = GerHeader();
  for (int c = 0; c < 512; ++c) s += "  " + Num(300 + c) + ".75  10  20\r\n";
  const auto w = WavesFromScanFile(tables, VariantOf(Format::Ger1500), folder.Write("g.gr1", s));
  ASSERT_EQ(w.size(), 512u);
  EXPECT_EQ(w[0], 300.75);
  EXPECT_EQ(w[511], 811.75);
}

// GER 2600 records of three free-field items, in assorted spellings.
std::string Ger2600Text(int records, double first) {
  std::string s = GerHeader();
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
  w = WavesFromScanFile(fresh, v, folder.Write("short2.gr2", Ger2600Text(590, 350)));
  EXPECT_EQ(w[593], 0);

  EXPECT_THROW(WavesFromScanFile(tables, v, folder.Write("long.gr2", Ger2600Text(595, 350))), RunFailure);
  EXPECT_THROW(WavesFromScanFile(tables, v, folder.Write("cut.gr2", Ger2600Text(5, 350) + "356 10\r\n")),
               RunFailure);
  EXPECT_THROW(WavesFromScanFile(tables, v, folder.Write("nan.gr2", Ger2600Text(5, 350) + "356 x 20\r\n")),
               RunFailure);
}

TEST(WavesFromExternalFile, OneWavelengthPerLineFirstChannelFirst) {
  TempFolder folder;
  WavelengthTables tables;
  // 300 lines for a 256-channel family: only the first 256 are read.
  auto w = WavesFromExternalFile(tables, VariantOf(Format::UniSpecCompact), folder.Write("w300.txt", ExternalText(300)));
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
}

TEST(WavesFromExternalFile, Failures) {
  TempFolder folder;
  WavelengthTables tables;
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  EXPECT_THROW(WavesFromExternalFile(tables, v, folder.Write("w255.txt", ExternalText(255))), RunFailure);
  EXPECT_THROW(WavesFromExternalFile(tables, VariantOf(Format::Ger1500), folder.Write("w300.txt", ExternalText(300))),
               RunFailure);
  EXPECT_THROW(WavesFromExternalFile(tables, v, ""), RunFailure);
  EXPECT_THROW(WavesFromExternalFile(tables, v, folder.File("missing.txt")), RunFailure);
  std::string withBad = ExternalText(256);
  withBad.replace(withBad.find("410"), 3, "4x0");  // line 11
  try {
    WavesFromExternalFile(tables, v, folder.Write("bad.txt", withBad));
    ADD_FAILURE();
  } catch (const RunFailure& f) {
    EXPECT_NE(std::string(f.what()).find("bad.txt, line 11"), std::string::npos) << f.what();
  }
  std::string withEmpty = ExternalText(256);
  withEmpty.insert(0, "\r\n");
  EXPECT_THROW(WavesFromExternalFile(tables, v, folder.Write("empty-line.txt", withEmpty)), RunFailure);
}

TEST(WavesFromEquation, RoundsToTwoDecimalsFromTheStartChannel) {
  WavelengthTables tables;
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  auto w = WavesFromEquation(tables, v, {"300", "3.3", "0", 0});
  ASSERT_EQ(w.size(), 256u);
  EXPECT_EQ(w[0], 300.00);
  EXPECT_EQ(w[255], 1141.50);
  w = WavesFromEquation(tables, v, {"300", "3.3", "0", 1});
  EXPECT_EQ(w[0], 303.30);
  EXPECT_EQ(w[255], 1144.80);

  // The dual-channel instrument's channel 1 calibration, channels from 1.
  w = WavesFromEquation(tables, v, {"301.1004976", "3.326823976", "-0.0002851923768", 1});
  EXPECT_EQ(w[0], 304.43);
  EXPECT_EQ(w[255], 1134.08);
  EXPECT_EQ(EquationWavelength(301.1004976, 3.326823976, -0.0002851923768, 1), 304.43);

  // A tie at the second decimal goes to the even neighbour.
  w = WavesFromEquation(tables, v, {"400.125", "0", "0", 0});
  EXPECT_EQ(w[0], 400.12);
  EXPECT_EQ(EquationWavelength(400.375, 0, 0, 7), 400.38);

  w = WavesFromEquation(tables, VariantOf(Format::Ger2600), {"350", "1", "0.5", 0});
  ASSERT_EQ(w.size(), 594u);
  EXPECT_EQ(w[2], 354);  // 350 + 2 + 0.5 * 4
  EXPECT_EQ(w[593], 350 + 593 + 0.5 * 593 * 593);
}

TEST(WavesFromEquation, CoefficientsMustBeNumbers) {
  WavelengthTables tables;
  const InstrumentVariant& v = VariantOf(Format::UniSpecNew);
  const EquationTexts bad[] = {{"", "", "", 1}, {"300", "abc", "0", 1}, {"300", "3.3", "1,5", 0},
                               {"300", "3.3", "", 0}, {"inf", "3.3", "0", 0}};
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
  EXPECT_EQ(tables.Table(Format::UniSpecOld, WaveSource::Equation)[10], 310);
  EXPECT_EQ(tables.Table(Format::UniSpecOld, WaveSource::ExternalFile)[10], 510);
  // The three single-channel UniSpec formats share one table per source.
  EXPECT_EQ(tables.Table(Format::UniSpecCompact, WaveSource::ExternalFile)[10], 510);
  EXPECT_EQ(tables.Table(Format::UniSpecNew, WaveSource::Equation)[10], 310);
  // GER tables are their own, 0 until filled.
  EXPECT_EQ(tables.Table(Format::Ger1500, WaveSource::Equation).size(), 512u);
  EXPECT_EQ(tables.Table(Format::Ger1500, WaveSource::Equation)[10], 0);
  // A read that fails part way is followed by a good one: the good one gives
  // the whole list again.
  EXPECT_THROW(WavesFromExternalFile(tables, VariantOf(Format::UniSpecOld), folder.Write("s.txt", ExternalText(100, 900))),
               RunFailure);
  const auto again = WavesFromExternalFile(tables, VariantOf(Format::UniSpecOld), folder.File("w.txt"));
  EXPECT_EQ(again[200], 700);
}

}  // namespace
}  // namespace corvelane
