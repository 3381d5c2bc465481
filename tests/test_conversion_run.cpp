// Whole conversion runs: tiny hand-made scans whose output files are written
// out here character by character, failing runs, parallel against one
// thread, and the real UniSpec scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/failure.h"
#include "convert/textout/numeric_text.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using testing::CrLf;
using testing::ReadAll;
using testing::SplitCrLf;
using testing::TempFolder;
using Lines = std::vector<std::string>;
using Reading = std::function<std::string(int channel)>;

std::string B(std::size_t n) { return std::string(n, ' '); }
std::string Num(int v) { return std::to_string(v); }
Reading Always(const std::string& text) {
  return [text](int) { return text; };
}

// Channel c of every hand-made UniSpec scan lies at 300 + 10c nm.
std::string OldScan(const std::string& line3, const Reading& target, const Reading& panel,
                    const std::string& line1 = "C:\\UNISPEC\\SCAN.SPT") {
  Lines l = {line1, "UniSpec", line3};
  for (int k = 4; k <= 10; ++k) l.push_back("header");
  for (int c = 0; c < 256; ++c) l.push_back("  " + Num(300 + 10 * c) + "   " + target(c));
  l.push_back("");
  l.push_back("");
  for (int c = 0; c < 256; ++c) l.push_back(panel(c));
  return CrLf(l);
}

std::string NewScan(const std::string& time, const Reading& target, const Reading& panel) {
  Lines l = {"\"File:       \\Storage Card\\x.spu\"", "\"Remarks:\"", "\"Time:       06/13/2022  " + time + "\""};
  for (int k = 4; k <= 10; ++k) l.push_back("\"header\"");
  for (int c = 0; c < 256; ++c) l.push_back(Num(300 + 10 * c) + " \t" + target(c) + " \t" + panel(c) + " ");
  return CrLf(l);
}

std::string CompactScan(const std::string& line1, const Reading& value) {
  Lines l = {line1, "h", "h", "h"};
  for (int c = 0; c < 256; ++c) l.push_back(" " + value(c) + " ");
  return CrLf(l);
}

// GER: channel c lies at 300 + step * c nm (GER 1500) or 350 + step * c nm.
std::string GerScan(const std::string& name, const std::string& line4, int channels, const Reading& target,
                    const Reading& panel, double step = 1) {
  Lines l = {"GER", "GER file " + name, "h", line4};
  for (int k = 5; k <= 12; ++k) l.push_back("h");
  for (int c = 0; c < channels; ++c) {
    const double wl = (channels == 512 ? 300 : 350) + step * c;
    char buf[32];
    l.push_back(std::string(buf, std::to_chars(buf, buf + sizeof buf, wl).ptr) + "   " + target(c) + "   " + panel(c));
  }
  return CrLf(l);
}

std::string Extension(Format f) {
  switch (f) {
    case Format::UniSpecNew: return "spu";
    case Format::Ger1500: return "gr1";
    case Format::Ger2600: return "gr2";
    default: return "spt";
  }
}

RunSettings Settings(Format format, std::vector<std::string> files, GridTexts grid,
                     std::vector<OutputMode> modes = {OutputMode::Reflectance}) {
  RunSettings s;
  s.variant = &VariantOf(format);
  s.files = std::move(files);
  s.grid = std::move(grid);
  for (OutputMode m : modes) s.modes[Index(m)] = true;
  s.labelSource = LabelSource::DataFileName;
  return s;
}

ConversionResult Convert(const RunSettings& s, unsigned threads = 0) {
  WavelengthTables tables;
  return ComputeConversion(s, tables, {}, threads);
}

std::string RunFailureText(const RunSettings& s, unsigned threads = 0) {
  try {
    Convert(s, threads);
  } catch (const RunFailure& f) {
    return f.what();
  }
  return "";
}

// a.spt: target 10c, panel 100 (reflectance c/10, absorbance 1 - log10 c);
// b.spt: target 100, panel 400 (reflectance 0.25, absorbance log10 4).
struct TwoOldScans {
  TempFolder folder;
  std::string a = folder.Write("a.spt", OldScan("Date & time: 02/14/03  10:22:05", [](int c) { return Num(10 * c); },
                                                Always("100")));
  std::string b = folder.Write("b.spt", OldScan("Date & time: 02/15/03  11:00:00", Always("100"), Always(" 400 ")));
};

const std::vector<OutputMode> kFourModes = {OutputMode::Reflectance, OutputMode::Absorbance, OutputMode::RawTarget,
                                            OutputMode::RawReference};

TEST(ConversionRun, UniSpecOldFourFilesByHand) {
  TwoOldScans scans;
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"}, kFourModes));
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr),
            CrLf({"Reflectance", "", "Wavelength,a.spt,b.spt", "   (nm),02/14/03,02/15/03", "    --,10:22:05,11:00:00",
                  ",,", " 310 , 0.1 , 0.25 ", " 315 , 0.15 , 0.25 ", " 320 , 0.2 , 0.25 "}));
  const Lines zonedHeads = {"Wavelength" + B(4) + "a.spt" + B(9) + "b.spt", "   (nm)" + B(7) + "02/14/03" + B(6) + "02/15/03",
                            "    --" + B(8) + "10:22:05" + B(6) + "11:00:00", B(28)};
  Lines absorbance = {"Absorbance", ""};
  absorbance.insert(absorbance.end(), zonedHeads.begin(), zonedHeads.end());
  absorbance.push_back(" 310 " + B(9) + " 1 " + B(11) + " 0.60206 ");
  absorbance.push_back(" 315 " + B(9) + " 0.849485 " + B(4) + " 0.60206 ");
  absorbance.push_back(" 320 " + B(9) + " 0.69897 " + B(5) + " 0.60206 ");
  EXPECT_EQ(OutputText(r, OutputMode::Absorbance, nullptr), CrLf(absorbance));

  Lines target = {"Target", ""};
  target.insert(target.end(), zonedHeads.begin(), zonedHeads.end());
  target.push_back(" 310 " + B(9) + " 10 " + B(10) + " 100 ");
  target.push_back(" 315 " + B(9) + " 15 " + B(10) + " 100 ");
  target.push_back(" 320 " + B(9) + " 20 " + B(10) + " 100 ");
  EXPECT_EQ(OutputText(r, OutputMode::RawTarget, nullptr), CrLf(target));

  Lines reference = {"Reference", ""};
  reference.insert(reference.end(), zonedHeads.begin(), zonedHeads.end());
  for (const char* wl : {" 310 ", " 315 ", " 320 "}) reference.push_back(wl + B(9) + " 100 " + B(9) + " 400 ");
  EXPECT_EQ(OutputText(r, OutputMode::RawReference, nullptr), CrLf(reference));
}

TEST(ConversionRun, WithoutInterpolationOneRowPerChannel) {
  TwoOldScans scans;
  RunSettings s = Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"},
                           {OutputMode::Reflectance, OutputMode::Absorbance});
  s.interpolate = false;
  const ConversionResult r = Convert(s);
  const Lines refl = SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr));
  ASSERT_EQ(refl.size(), 6u + 256u);
  EXPECT_EQ(refl[6], " 300 , 0 , 0.25 ");
  EXPECT_EQ(refl[7], " 310 , 0.1 , 0.25 ");
  EXPECT_EQ(refl[261], " 2850 , 25.5 , 0.25 ");
  const Lines abs = SplitCrLf(OutputText(r, OutputMode::Absorbance, nullptr));
  ASSERT_EQ(abs.size(), 262u);
  EXPECT_EQ(abs[6], " 300 " + B(9) + " 999 " + B(9) + " 0.60206 ");  // target 0
  // The grid texts are still read: a bad one fails the run even without interpolation.
  s.grid.step = "0";
  EXPECT_NE(RunFailureText(s), "");
}

TEST(ConversionRun, ZeroPanelAndNegativeTarget) {
  TempFolder folder;
  // Channel 1 (310 nm): panel 0; channel 2 (320 nm): target -50.
  const std::string c = folder.Write("c.spt", OldScan("Date & time: 02/14/03  10:22:05",
                                                      [](int ch) { return ch == 2 ? "-50" : "50"; },
                                                      [](int ch) { return ch == 1 ? "0" : "100"; }));
  const ConversionResult r =
      Convert(Settings(Format::UniSpecOld, {c}, {"310", "320", "5"}, {OutputMode::Reflectance, OutputMode::Absorbance}));
  const Lines refl = SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr));
  ASSERT_EQ(refl.size(), 9u);
  EXPECT_EQ(refl[6], " 310 , 999 ");
  EXPECT_EQ(refl[7], " 315 , 499.25 ");  // 999 is interpolated like any value
  EXPECT_EQ(refl[8], " 320 ,-0.5 ");
  const Lines abs = SplitCrLf(OutputText(r, OutputMode::Absorbance, nullptr));
  EXPECT_EQ(abs[6], " 310 " + B(9) + " 999 ");
  EXPECT_EQ(abs[7], " 315 " + B(9) + " 999 ");
  EXPECT_EQ(abs[8], " 320 " + B(9) + " 999 ");
}

TEST(ConversionRun, UniSpecNewWritesEveryFileWithCommas) {
  TempFolder folder;
  const std::string a = folder.Write("a.spu", NewScan("15:42:15", [](int c) { return Num(10 * c); }, Always("100")));
  const std::string b = folder.Write("b.spu", NewScan("15:43:00", Always("100"), Always("400")));
  const ConversionResult r = Convert(Settings(Format::UniSpecNew, {a, b}, {"310", "320", "5"}, kFourModes));
  const Lines heads = {"", "Wavelength,a.spu,b.spu", "   (nm),06/13/2022,06/13/2022", "    --,15:42:15,15:43:00", ",,"};
  auto expected = [&](const std::string& title, const Lines& data) {
    Lines l = {title};
    l.insert(l.end(), heads.begin(), heads.end());
    l.insert(l.end(), data.begin(), data.end());
    return CrLf(l);
  };
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr),
            expected("Reflectance", {" 310 , 0.1 , 0.25 ", " 315 , 0.15 , 0.25 ", " 320 , 0.2 , 0.25 "}));
  EXPECT_EQ(OutputText(r, OutputMode::Absorbance, nullptr),
            expected("Absorbance", {" 310 , 1 , 0.60206 ", " 315 , 0.849485 , 0.60206 ", " 320 , 0.69897 , 0.60206 "}));
  EXPECT_EQ(OutputText(r, OutputMode::RawTarget, nullptr),
            expected("Target", {" 310 , 10 , 100 ", " 315 , 15 , 100 ", " 320 , 20 , 100 "}));
  EXPECT_EQ(OutputText(r, OutputMode::RawReference, nullptr),
            expected("Reference", {" 310 , 100 , 400 ", " 315 , 100 , 400 ", " 320 , 100 , 400 "}));
}

TEST(ConversionRun, UniSpecNewDamagedReadingsGive999) {
  TempFolder folder;
  // 310 nm: only two fields; 320 nm: "." target.
  Lines l = SplitCrLf(NewScan("15:42:15", Always("50"), Always("100")));
  l[11] = "310 50";
  l[12] = "320 . 100";
  const std::string a = folder.Write("a.spu", CrLf(l));
  const ConversionResult r =
      Convert(Settings(Format::UniSpecNew, {a}, {"310", "320", "10"}, {OutputMode::Reflectance, OutputMode::Absorbance,
                                                                    OutputMode::RawTarget}));
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr))[6], " 310 , 999 ");
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr))[7], " 320 , 0 ");
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::Absorbance, nullptr))[6], " 310 , 999 ");
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::Absorbance, nullptr))[7], " 320 , 999 ");
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::RawTarget, nullptr))[6], " 310 , 999 ");
}

TEST(ConversionRun, CompactReflectanceInPrintZonesWithEmptyDateAndTime) {
  TempFolder folder;
  const std::string one = folder.Write("one.spt", CompactScan("C:\\DATA\\LEAF0001.SPT", [](int c) {
    return c == 1 ? "0.1234567" : c == 2 ? "0.3234567" : "0.5";
  }));
  const std::string two = folder.Write("two.spt", CompactScan("C:\\DATA\\LEAF0002.SPT", Always("1.5")));
  RunSettings s = Settings(Format::UniSpecCompact, {one, two}, {"310", "320", "5"});
  s.labelSource = LabelSource::HeaderInfo;
  s.waveSource = WaveSource::Equation;
  s.equation = {"300", "10", "0", 0};
  EXPECT_EQ(OutputText(Convert(s), OutputMode::Reflectance, nullptr),
            CrLf({"Reflectance", "", "Wavelength" + B(4) + "LEAF0001.SPT" + B(2) + "LEAF0002.SPT", "   (nm)" + B(21), "    --" + B(22),
                  B(28), " 310 " + B(9) + " 0.123457 " + B(4) + " 1.5 ", " 315 " + B(9) + " 0.223457 " + B(4) + " 1.5 ",
                  " 320 " + B(9) + " 0.323457 " + B(4) + " 1.5 "}));
  // Without interpolation: 256 rows, column 0 the equation's wavelengths.
  s.interpolate = false;
  const Lines l = SplitCrLf(OutputText(Convert(s), OutputMode::Reflectance, nullptr));
  ASSERT_EQ(l.size(), 262u);
  EXPECT_EQ(l[6], " 300 " + B(9) + " 0.5 " + B(9) + " 1.5 ");
  EXPECT_EQ(l[261].substr(0, 6), " 2850 ");
  // The compact format offers reflectance only.
  s.modes[Index(OutputMode::Absorbance)] = true;
  EXPECT_NE(RunFailureText(s), "");
}

TEST(ConversionRun, Ger1500ZonedFilesWithBlankFourthHeadLine) {
  TempFolder folder;
  const std::string one = folder.Write("s1.gr1", GerScan("SCAN0001.DAT", "Date: 06/13/22 10:22:05.50", 512,
                                                         Always("12345"), Always("23456")));
  const std::string two = folder.Write("s2.gr1", GerScan("SCAN0002.DAT", "Date: 06/13/22 10:23:00.00", 512,
                                                         [](int c) { return c == 100 ? "0" : "50"; },
                                                         [](int c) { return c == 101 ? "0" : "100"; }));
  RunSettings s = Settings(Format::Ger1500, {one, two}, {"400", "402", "1"},
                           {OutputMode::Reflectance, OutputMode::Absorbance});
  const ConversionResult r = Convert(s);
  // Characters 15 to 26 of line 4: the time with the blank before it.
  const Lines heads = {"", "Wavelength" + B(4) + "SCAN0001.DAT" + B(2) + "SCAN0002.DAT",
                       "   (nm)" + B(7) + "06/13/22" + B(6) + "06/13/22",
                       "    --" + B(8) + " 10:22:05.50" + B(2) + " 10:23:00.00", B(28)};
  Lines refl = {"Reflectance"}, abs = {"Absorbance"};
  refl.insert(refl.end(), heads.begin(), heads.end());
  abs.insert(abs.end(), heads.begin(), heads.end());
  refl.push_back(" 400 " + B(9) + " 0.526305 " + B(4) + " 0 ");
  refl.push_back(" 401 " + B(9) + " 0.526305 " + B(4) + " 999 ");
  refl.push_back(" 402 " + B(9) + " 0.526305 " + B(4) + " 0.5 ");
  abs.push_back(" 400 " + B(9) + " 0.278763 " + B(4) + " 999 ");
  abs.push_back(" 401 " + B(9) + " 0.278763 " + B(4) + " 999 ");
  abs.push_back(" 402 " + B(9) + " 0.278763 " + B(4) + " 0.30103 ");
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr), CrLf(refl));
  EXPECT_EQ(OutputText(r, OutputMode::Absorbance, nullptr), CrLf(abs));

  s.grid = {"400", "812", "1"};  // the last channel lies at 811 nm
  EXPECT_NE(RunFailureText(s).find("812"), std::string::npos);

  // Channels from 300 to 1066.5 nm: the default grid gives 601 lines, no interpolation 512.
  const std::string wide = folder.Write("w.gr1", GerScan("W.DAT", "Date: 06/13/22 10:22:05.50", 512, Always("1"),
                                                         Always("4"), 1.5));
  s = Settings(Format::Ger1500, {wide}, {"400", "1000", "1"});
  const Lines w = SplitCrLf(OutputText(Convert(s), OutputMode::Reflectance, nullptr));
  ASSERT_EQ(w.size(), 6u + 601u);
  EXPECT_EQ(w.back(), " 1000 " + B(8) + " 0.25 ");
  s.interpolate = false;
  EXPECT_EQ(SplitCrLf(OutputText(Convert(s), OutputMode::Reflectance, nullptr)).size(), 6u + 512u);
}

TEST(ConversionRun, Ger2600ShortFileGives999AfterItsLastChannel) {
  TempFolder folder;
  const std::string one = folder.Write("s1.gr2", GerScan("SCAN0001.GR2", "Date: 06/13/22 10:22:05.50", 590,
                                                         Always("50"), Always("100")));
  RunSettings s = Settings(Format::Ger2600, {one}, {"400", "1000", "1"}, {OutputMode::Reflectance});
  s.interpolate = false;
  const Lines l = SplitCrLf(OutputText(Convert(s), OutputMode::Reflectance, nullptr));
  ASSERT_EQ(l.size(), 6u + 594u);
  EXPECT_EQ(l[6], " 350 " + B(9) + " 0.5 ");
  EXPECT_EQ(l[6 + 589], " 939 " + B(9) + " 0.5 ");
  for (int row = 590; row < 594; ++row) EXPECT_EQ(l[6 + row], " 0 " + B(11) + " 999 ") << row;

  // Data lines from 350 to 1050 nm and the grid 400 to 1000 by 1: 601 lines.
  const std::string wide = folder.Write("wide.gr2", GerScan("W.GR2", "Date: 06/13/22 10:22:05.50", 561, Always("50"),
                                                            Always("100"), 1.25));
  s = Settings(Format::Ger2600, {wide}, {"400", "1000", "1"});
  const Lines w = SplitCrLf(OutputText(Convert(s), OutputMode::Reflectance, nullptr));
  ASSERT_EQ(w.size(), 6u + 601u);
  EXPECT_EQ(w.back(), " 1000 " + B(8) + " 0.5 ");
  s.grid = {"400", "1051", "1"};
  EXPECT_NE(RunFailureText(s), "");
}

// Regression: the desktop program keeps its wavelength tables between runs;
// a short GER 2600 file after a longer one must not resample into the longer
// file's wavelengths past its own last channel.
TEST(ConversionRun, Ger2600GridStaysWithinTheFirstFilesOwnChannelsAcrossRuns) {
  TempFolder folder;
  const std::string longer = folder.Write("l.gr2", GerScan("L.GR2", "Date: 06/13/22 10:22:05.50", 594, Always("50"),
                                                             Always("100")));
  const std::string shorter = folder.Write("s.gr2", GerScan("S.GR2", "Date: 06/13/22 10:22:05.50", 590, Always("50"),
                                                              Always("100")));
  WavelengthTables tables;  // shared, as in one run of the desktop program
  RunSettings s = Settings(Format::Ger2600, {longer}, {"400", "942", "1"});
  EXPECT_EQ(ComputeConversion(s, tables).Rows(), 543u);
  s.files = {shorter};  // its channels end at 939 nm
  try {
    ComputeConversion(s, tables);
    ADD_FAILURE() << "grid point 940 nm lies beyond the file's last channel";
  } catch (const RunFailure& f) {
    EXPECT_NE(std::string(f.what()).find("grid point 940 nm"), std::string::npos) << f.what();
  }
}

// Regression: writing a mode the run did not compute read through an empty table.
TEST(WriteOutputFile, AModeTheRunDidNotComputeFailsCleanly) {
  TwoOldScans scans;
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {scans.a}, {"310", "320", "1"}));
  EXPECT_THROW(OutputText(r, OutputMode::Absorbance, nullptr), RunFailure);
  const std::string path = scans.folder.File("abs.txt");
  EXPECT_THROW(WriteOutputFile(r, OutputMode::Absorbance, nullptr, path), RunFailure);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(std::distance(fs::directory_iterator(scans.folder.Path()), fs::directory_iterator{}), 2);  // a.spt and b.spt only
}

TEST(ConversionRun, LeafHeaderBlockOpensTheReflectanceFile) {
  TwoOldScans scans;
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"},
                                          {OutputMode::Reflectance, OutputMode::Absorbance}));
  LeafHeaderTexts leaf{};
  leaf[0] = "leaves.txt";
  leaf[1] = "Ana";
  leaf[9] = "reflectance, 1 nm";  // a comma is written unchanged
  const Lines expected = {
      "Information that applies to the whole file:,",
      "File name:,leaves.txt",
      "Person responsible for data:,Ana",
      "Project description:,",
      "File names (links) to other data:,",
      " ,",
      "Leaf Based infomation:,",
      "Measurement instrument (model and serial #):,",
      "Foreoptics (model and sn#):,",
      "Wavlength calibration coefficients:,",
      "Reflectance standard:,",
      "Data Processing program and version:,",
      "Data type (ie reflect/trans/absorb):,reflectance, 1 nm",
      " ,",
      "Plant functional type:,",
      "Genus:,",
      "species:,",
      "Visual description of leaf:,",
      "Collection site:,",
      "Additional information:,",
      "Cautions:,",
      " ,",
      "UniSpec file name:,a.spt    ,b.spt        ,",
      "Collection date:,02/14/03   ,02/15/03     ,",
      "Collection time:,10:22:05   ,11:00:00     ,",
      "Sample #:,",
      " 310 , 0.1 , 0.25 ",
      " 315 , 0.15 , 0.25 ",
      " 320 , 0.2 , 0.25 ",
  };
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, &leaf), CrLf(expected));
  // Never in the other files.
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::Absorbance, &leaf))[0], "Absorbance");
}

TEST(ConversionRun, FailingFileFailsTheRunNamingIt) {
  TwoOldScans scans;
  Lines damaged = SplitCrLf(ReadAll(scans.a));
  damaged[400] = "12O4";  // letter O for a zero
  const std::string bad = scans.folder.Write("bad.spt", CrLf(damaged));
  const std::string failure = RunFailureText(Settings(Format::UniSpecOld, {scans.a, bad, scans.b}, {"310", "320", "5"}));
  EXPECT_NE(failure.find(bad + ", line 401"), std::string::npos) << failure;
  EXPECT_NE(RunFailureText(Settings(Format::UniSpecOld, {scans.a, scans.folder.File("gone.spt")}, {"310", "320", "5"}))
                .find("gone.spt"),
            std::string::npos);
  // A grid point beyond the last channel (2850 nm) fails naming the point.
  EXPECT_NE(RunFailureText(Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "2860", "10"})).find("2860"),
            std::string::npos);
  EXPECT_NE(RunFailureText(Settings(Format::UniSpecOld, {scans.a}, {"310", "abc", "1"})), "");
  // External wavelengths that are missing.
  RunSettings s = Settings(Format::UniSpecOld, {scans.a}, {"310", "320", "5"});
  s.waveSource = WaveSource::ExternalFile;
  EXPECT_NE(RunFailureText(s), "");
}

TEST(ConversionRun, ParallelRunReportsTheFirstFailingFileInListOrder) {
  TempFolder folder;
  std::vector<std::string> files = synth::WriteScans(folder.Path().string(), Format::UniSpecOld, 40, "leaf");
  // File 25 (index 24) fails at once; the files after it fail too, but only
  // after reading several megabytes, so they finish failing later.
  std::string text = ReadAll(files[24]);
  folder.Write(fs::path(files[24]).filename().string(), text.substr(0, text.size() / 2));
  for (int later = 25; later < 40; ++later) {
    text = ReadAll(files[later]);
    const std::size_t line2 = text.find("\r\n") + 2;
    folder.Write(fs::path(files[later]).filename().string(),
                 text.substr(0, line2) + std::string(later < 30 ? 6u << 20 : 10, 'x') + text.substr(line2, 4000));
  }
  for (const unsigned threads : {1u, 4u, 8u}) {
    const std::string failure = RunFailureText(Settings(Format::UniSpecOld, files, {"310", "1130", "1"}), threads);
    EXPECT_NE(failure.find(files[24] + ","), std::string::npos) << failure;
  }
}

TEST(ConversionRun, ParallelResultEqualsOneThread) {
  TempFolder folder;
  for (const InstrumentVariant& v : AllVariants()) {
    const std::string sub = (folder.Path() / std::string(v.cliName)).string();
    RunSettings s = Settings(v.format, synth::WriteScans(sub, v.format, 200, "p"),
                             {std::string(v.beginText), std::string(v.endText), std::string(v.stepText)}, {});
    for (OutputMode m : kAllModes) s.modes[Index(m)] = v.offers(m);
    s.labelSource = v.defaultLabelSource;
    if (!v.fromFileOffered) {
      s.waveSource = WaveSource::ExternalFile;
      s.externalFilePath = folder.Write(std::string(v.cliName) + "-waves.txt", synth::ExternalWavelengthText(v.format, 256));
    }
    for (const bool interpolate : {true, false}) {
      s.interpolate = interpolate;
      const ConversionResult one = Convert(s, 1);
      const ConversionResult many = Convert(s, 8);
      EXPECT_EQ(one.heads.labels, many.heads.labels);
      EXPECT_EQ(one.heads.dates, many.heads.dates);
      EXPECT_EQ(one.heads.times, many.heads.times);
      EXPECT_EQ(one.tables, many.tables);
      EXPECT_EQ(one.heads.labels[199], "p00200." + Extension(v.format));
      for (OutputMode m : kAllModes) {
        if (!v.offers(m)) continue;
        const std::string text = OutputText(one, m, nullptr);
        ASSERT_EQ(text, OutputText(many, m, nullptr)) << v.cliName << " " << ModeCliName(m);
        // The chunked writer keeps rows in order: spot-check cells.
        const Lines lines = SplitCrLf(text);
        ASSERT_EQ(lines.size(), 6 + one.Rows());
        for (const std::size_t row : {std::size_t{0}, one.Rows() / 2, one.Rows() - 1}) {
          EXPECT_EQ(lines[6 + row].substr(0, NumberText(one.rowWavelengths[row]).size()),
                    NumberText(one.rowWavelengths[row]));
          if (v.separators[Index(m)] == ColumnSeparator::Comma) {
            EXPECT_EQ(lines[6 + row].substr(lines[6 + row].rfind(',') + 1), NumberText(one.Value(m, row, 199)));
          }
        }
        if (interpolate && m == OutputMode::Reflectance) {
          const std::string path = folder.File(std::string(v.cliName) + "-out.txt");
          WriteOutputFile(one, m, nullptr, path);
          EXPECT_EQ(ReadAll(path), text);
        }
      }
    }
  }
}

TEST(WriteOutputFile, ReplacesAndLeavesNothingBehindOnFailure) {
  TwoOldScans scans;
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"}));
  TempFolder out;
  const std::string path = out.Write("refl.txt", std::string(100000, 'x'));
  WriteOutputFile(r, OutputMode::Reflectance, nullptr, path);
  EXPECT_EQ(ReadAll(path), OutputText(r, OutputMode::Reflectance, nullptr));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(out.Path())) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"refl.txt"});

  // A folder in the way of the name: the write fails and no temporary file stays.
  fs::create_directory(out.Path() / "taken");
  EXPECT_THROW(WriteOutputFile(r, OutputMode::Reflectance, nullptr, out.File("taken")), RunFailure);
  EXPECT_THROW(WriteOutputFile(r, OutputMode::Reflectance, nullptr, out.File("no/such/folder.txt")), RunFailure);
  names.clear();
  for (const auto& e : fs::directory_iterator(out.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"refl.txt", "taken"}));
}

TEST(RealScans, UniSpecNewFilesConvert) {
  const fs::path folder = fs::path(CORVELANE_REALDATA) / "unispec-spu";
  if (!fs::is_directory(folder)) GTEST_SKIP() << folder << " is absent";
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".spu") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  const ConversionResult r = Convert(Settings(Format::UniSpecNew, files, {"310", "1130", "1"},
                                          {OutputMode::Reflectance, OutputMode::Absorbance}));
  ASSERT_EQ(r.Rows(), 821u);
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string name = fs::path(files[f]).filename().string();
    EXPECT_EQ(r.heads.labels[f], name);
    EXPECT_EQ(r.heads.dates[f].substr(0, 4), "06/1") << name;
    EXPECT_EQ(r.heads.times[f].size(), 8u) << name;
    for (std::size_t row = 0; row < r.Rows(); ++row) {
      const double refl = r.Value(OutputMode::Reflectance, row, f);
      if (name == "test00001.spu") {  // taken before any panel: every panel reading is 0
        ASSERT_EQ(refl, 999) << row;
        ASSERT_EQ(r.Value(OutputMode::Absorbance, row, f), 999) << row;
      } else if (r.rowWavelengths[row] >= 550 && r.rowWavelengths[row] <= 900) {
        ASSERT_GE(refl, 0) << name << " at " << r.rowWavelengths[row];
        ASSERT_LE(refl, 1.5) << name << " at " << r.rowWavelengths[row];
      }
    }
  }
  const Lines text = SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr));
  EXPECT_EQ(text.size(), 6u + 821u);
  EXPECT_EQ(text[6].substr(0, 6), " 310 ,");
}

}  // namespace
}  // namespace corvelane
