// Whole conversion runs: tiny hand-made scans whose output files are written
// out here character by character, failing runs, parallel against one
// thread, values that cannot be formed, labels that would break a table, the
// warnings a run hands back without changing its tables, real scans; and
// RunJob's order of asking, telling and writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/conversion_run.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;

std::string B(std::size_t n) { return std::string(n, ' '); }

// Channel c of every hand-made UniSpec scan here lies at 300 + 10c nm.
std::string OldScan(const std::string& dateAndTime, const Reading& target, const Reading& panel) {
  return Join(With(OldLines({Rising(300, 10), target, panel}), {{2, "Date & time: " + dateAndTime}}));
}
std::string NewScan(const std::string& time, const Reading& target, const Reading& panel) {
  return Join(With(NewLines({Rising(300, 10), target, panel}), {{2, "\"Time:       06/13/2022  " + time + "\""}}));
}
// GER 1500 channel c lies at 300 + c nm, GER 2600 channel c at 350 + c nm.
std::string GerScan(const std::string& name, int channels, const Reading& target, const Reading& panel,
                    const std::string& time = "10:22:05.50") {
  return Join(With(GerLines(channels, {Rising(channels == 512 ? 300 : 350, 1), target, panel}),
                   {{1, "GER file " + name}, {3, "Date: 06/13/22 " + time}}));
}

std::string RunFailureText(const RunSettings& s, unsigned threads = 0) {
  return FailureOf([&] { Convert(s, threads); });
}

Lines Rows(const ConversionResult& r, OutputMode m) { return SplitCrLf(OutputText(r, m, nullptr)); }
// The data lines only, after the title, the empty line and the four head lines.
Lines Data(const ConversionResult& r, OutputMode m) {
  const Lines l = Rows(r, m);
  return Lines(l.begin() + 6, l.end());
}

// A whole output file: title line, empty line, the column heads, the data lines.
std::string Expected(const std::string& title, const Lines& heads, const Lines& rows) {
  return CrLf(Then(Then({title, ""}, heads), rows));
}

// a.spt: target 10c, panel 100 (reflectance c/10, absorbance 1 - log10 c);
// b.spt: target 100, panel 400 (reflectance 0.25, absorbance log10 4).
struct TwoOldScans {
  TempFolder folder;
  std::string a = folder.Write("a.spt", OldScan("02/14/03  10:22:05", Rising(0, 10), Always("100")));
  std::string b = folder.Write("b.spt", OldScan("02/15/03  11:00:00", Always("100"), Always(" 400 ")));
};

const std::vector<OutputMode> kFourModes = {OutputMode::Reflectance, OutputMode::Absorbance, OutputMode::RawTarget,
                                            OutputMode::RawReference};

TEST(ConversionRun, UniSpecOldFourFilesByHand) {
  TwoOldScans scans;
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"}, kFourModes));
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr),
            CrLf({"Reflectance", "", "Wavelength,a.spt,b.spt", "   (nm),02/14/03,02/15/03", "    --,10:22:05,11:00:00",
                  ",,", " 310 , 0.1 , 0.25 ", " 315 , 0.15 , 0.25 ", " 320 , 0.2 , 0.25 "}));
  const Lines zonedHeads = {"Wavelength" + B(4) + "a.spt" + B(9) + "b.spt",
                            "   (nm)" + B(7) + "02/14/03" + B(6) + "02/15/03",
                            "    --" + B(8) + "10:22:05" + B(6) + "11:00:00", B(28)};
  EXPECT_EQ(OutputText(r, OutputMode::Absorbance, nullptr),
            Expected("Absorbance", zonedHeads,
                     {" 310 " + B(9) + " 1 " + B(11) + " 0.60206 ", " 315 " + B(9) + " 0.849485 " + B(4) + " 0.60206 ",
                      " 320 " + B(9) + " 0.69897 " + B(5) + " 0.60206 "}));
  EXPECT_EQ(OutputText(r, OutputMode::RawTarget, nullptr),
            Expected("Target", zonedHeads,
                     {" 310 " + B(9) + " 10 " + B(10) + " 100 ", " 315 " + B(9) + " 15 " + B(10) + " 100 ",
                      " 320 " + B(9) + " 20 " + B(10) + " 100 "}));
  EXPECT_EQ(OutputText(r, OutputMode::RawReference, nullptr),
            Expected("Reference", zonedHeads,
                     {" 310 " + B(9) + " 100 " + B(9) + " 400 ", " 315 " + B(9) + " 100 " + B(9) + " 400 ",
                      " 320 " + B(9) + " 100 " + B(9) + " 400 "}));
}

TEST(ConversionRun, WithoutInterpolationOneRowPerChannel) {
  TwoOldScans scans;
  RunSettings s = Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"},
                           {OutputMode::Reflectance, OutputMode::Absorbance});
  s.interpolate = false;
  const ConversionResult r = Convert(s);
  const Lines refl = Rows(r, OutputMode::Reflectance);
  ASSERT_EQ(refl.size(), 6u + 256u);
  EXPECT_EQ(refl[6], " 300 , 0 , 0.25 ");
  EXPECT_EQ(refl[7], " 310 , 0.1 , 0.25 ");
  EXPECT_EQ(refl[261], " 2850 , 25.5 , 0.25 ");
  EXPECT_EQ(Rows(r, OutputMode::Absorbance)[6], " 300 " + B(9) + " 999 " + B(9) + " 0.60206 ");  // target 0
  // The grid texts are still read: a bad one fails the run even without interpolation.
  s.grid.step = "0";
  EXPECT_NE(RunFailureText(s), "");
}

TEST(ConversionRun, ZeroPanelAndNegativeTargetGive999) {
  TempFolder folder;
  // Channel 1 (310 nm): panel 0; channel 2 (320 nm): target -50; channel 3
  // (330 nm): panel -200, a ratio like any other, only absorbance gives 999.
  const std::string c = folder.Write(
      "c.spt", OldScan("02/14/03  10:22:05", Except("50", {{2, "-50"}}), Except("100", {{1, "0"}, {3, "-200"}})));
  const ConversionResult r = Convert(
      Settings(Format::UniSpecOld, {c}, {"310", "330", "5"}, {OutputMode::Reflectance, OutputMode::Absorbance}));
  // The mark is never blended into its neighbour: 315 nm lies between the
  // marked channel and the next, so it is marked too.
  EXPECT_EQ(Data(r, OutputMode::Reflectance),
            (Lines{" 310 , 999 ", " 315 , 999 ", " 320 ,-0.5 ", " 325 ,-0.375 ", " 330 ,-0.25 "}));
  EXPECT_EQ(Data(r, OutputMode::Absorbance),
            (Lines{" 310 " + B(9) + " 999 ", " 315 " + B(9) + " 999 ", " 320 " + B(9) + " 999 ",
                   " 325 " + B(9) + " 999 ", " 330 " + B(9) + " 999 "}));
}

TEST(ConversionRun, UniSpecNewWritesEveryFileWithCommas) {
  TempFolder folder;
  const std::string a = folder.Write("a.spu", NewScan("15:42:15", Rising(0, 10), Always("100")));
  const std::string b = folder.Write("b.spu", NewScan("15:43:00", Always("100"), Always("400")));
  const ConversionResult r = Convert(Settings(Format::UniSpecNew, {a, b}, {"310", "320", "5"}, kFourModes));
  const Lines heads = {"Wavelength,a.spu,b.spu", "   (nm),06/13/2022,06/13/2022", "    --,15:42:15,15:43:00", ",,"};
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr),
            Expected("Reflectance", heads, {" 310 , 0.1 , 0.25 ", " 315 , 0.15 , 0.25 ", " 320 , 0.2 , 0.25 "}));
  EXPECT_EQ(OutputText(r, OutputMode::Absorbance, nullptr),
            Expected("Absorbance", heads,
                     {" 310 , 1 , 0.60206 ", " 315 , 0.849485 , 0.60206 ", " 320 , 0.69897 , 0.60206 "}));
  EXPECT_EQ(OutputText(r, OutputMode::RawTarget, nullptr),
            Expected("Target", heads, {" 310 , 10 , 100 ", " 315 , 15 , 100 ", " 320 , 20 , 100 "}));
  EXPECT_EQ(OutputText(r, OutputMode::RawReference, nullptr),
            Expected("Reference", heads, {" 310 , 100 , 400 ", " 315 , 100 , 400 ", " 320 , 100 , 400 "}));

  // Damaged readings: 310 nm holds only two fields, 320 nm a "." target.
  const std::string d = folder.Write("d.spu", Join(With(SplitCrLf(NewScan("15:42:15", Always("50"), Always("100"))),
                                                        {{11, "310 50"}, {12, "320 . 100"}})));
  const ConversionResult damaged =
      Convert(Settings(Format::UniSpecNew, {d}, {"310", "320", "10"},
                       {OutputMode::Reflectance, OutputMode::Absorbance, OutputMode::RawTarget}));
  EXPECT_EQ(Data(damaged, OutputMode::Reflectance), (Lines{" 310 , 999 ", " 320 , 0 "}));
  EXPECT_EQ(Data(damaged, OutputMode::Absorbance), (Lines{" 310 , 999 ", " 320 , 999 "}));
  EXPECT_EQ(Data(damaged, OutputMode::RawTarget), (Lines{" 310 , 999 ", " 320 , 0 "}));
}

TEST(ConversionRun, CompactReflectanceInPrintZonesWithEmptyDateAndTime) {
  TempFolder folder;
  const std::string one =
      folder.Write("one.spt", Join(CompactLines(Except("0.5", {{1, "0.1234567"}, {2, "0.3234567"}}))));
  const std::string two =
      folder.Write("two.spt", Join(With(CompactLines(Always("1.5")), {{0, "C:\\DATA\\LEAF0002.SPT"}})));
  RunSettings s = Settings(Format::UniSpecCompact, {one, two}, {"310", "320", "5"});
  s.labelSource = LabelSource::HeaderInfo;
  s.waveSource = WaveSource::Equation;
  s.equation = {"300", "10", "0", 0};
  EXPECT_EQ(OutputText(Convert(s), OutputMode::Reflectance, nullptr),
            CrLf({"Reflectance", "", "Wavelength" + B(4) + "LEAF0001.SPT" + B(2) + "LEAF0002.SPT", "   (nm)" + B(21),
                  "    --" + B(22), B(28), " 310 " + B(9) + " 0.123457 " + B(4) + " 1.5 ",
                  " 315 " + B(9) + " 0.223457 " + B(4) + " 1.5 ", " 320 " + B(9) + " 0.323457 " + B(4) + " 1.5 "}));
  // Without interpolation: 256 rows, column 0 the equation's wavelengths.
  s.interpolate = false;
  const Lines l = Rows(Convert(s), OutputMode::Reflectance);
  ASSERT_EQ(l.size(), 262u);
  EXPECT_EQ(l[6], " 300 " + B(9) + " 0.5 " + B(9) + " 1.5 ");
  EXPECT_EQ(l[261].substr(0, 6), " 2850 ");
  // The compact format offers reflectance only.
  s.modes[Index(OutputMode::Absorbance)] = true;
  EXPECT_NE(RunFailureText(s), "");
}

TEST(ConversionRun, Ger1500ZonedFilesWithBlankFourthHeadLine) {
  TempFolder folder;
  const std::string one = folder.Write("s1.gr1", GerScan("SCAN0001.DAT", 512, Always("12345"), Always("23456")));
  const std::string two = folder.Write(
      "s2.gr1", GerScan("SCAN0002.DAT", 512, Except("50", {{100, "0"}}), Except("100", {{101, "0"}}), "10:23:00.00"));
  RunSettings s =
      Settings(Format::Ger1500, {one, two}, {"400", "402", "1"}, {OutputMode::Reflectance, OutputMode::Absorbance});
  const ConversionResult r = Convert(s);
  // Characters 15 to 26 of line 4: the time with the blank before it.
  const Lines heads = {"Wavelength" + B(4) + "SCAN0001.DAT" + B(2) + "SCAN0002.DAT",
                       "   (nm)" + B(7) + "06/13/22" + B(6) + "06/13/22",
                       "    --" + B(8) + " 10:22:05.50" + B(2) + " 10:23:00.00", B(28)};
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr),
            Expected("Reflectance", heads,
                     {" 400 " + B(9) + " 0.526305 " + B(4) + " 0 ", " 401 " + B(9) + " 0.526305 " + B(4) + " 999 ",
                      " 402 " + B(9) + " 0.526305 " + B(4) + " 0.5 "}));
  EXPECT_EQ(OutputText(r, OutputMode::Absorbance, nullptr),
            Expected("Absorbance", heads,
                     {" 400 " + B(9) + " 0.278763 " + B(4) + " 999 ", " 401 " + B(9) + " 0.278763 " + B(4) + " 999 ",
                      " 402 " + B(9) + " 0.278763 " + B(4) + " 0.30103 "}));

  s.grid = {"400", "812", "1"};  // the last channel lies at 811 nm
  EXPECT_NE(RunFailureText(s).find("812"), std::string::npos);
  s.interpolate = false;  // the grid is read but not used: one line per channel
  EXPECT_EQ(Rows(Convert(s), OutputMode::Reflectance).size(), 6u + 512u);
}

TEST(ConversionRun, Ger2600ShortFileGives999AfterItsLastChannel) {
  TempFolder folder;
  const std::string one = folder.Write("s1.gr2", GerScan("SCAN0001.GR2", 590, Always("50"), Always("100")));
  RunSettings s = Settings(Format::Ger2600, {one}, {"400", "1000", "1"});
  s.interpolate = false;
  const Lines l = Rows(Convert(s), OutputMode::Reflectance);
  ASSERT_EQ(l.size(), 6u + 594u);
  EXPECT_EQ(l[6], " 350 " + B(9) + " 0.5 ");
  EXPECT_EQ(l[6 + 589], " 939 " + B(9) + " 0.5 ");
  for (int row = 590; row < 594; ++row) EXPECT_EQ(l[6 + row], " 0 " + B(11) + " 999 ") << row;
  // Interpolated: the grid may reach the file's last channel (939 nm), no further.
  s.interpolate = true;
  s.grid = {"400", "939", "1"};
  EXPECT_EQ(Rows(Convert(s), OutputMode::Reflectance).back(), " 939 " + B(9) + " 0.5 ");
  s.grid.end = "940";
  EXPECT_NE(RunFailureText(s).find("grid point 940 nm"), std::string::npos);

  // Regression: the desktop program keeps its wavelength tables between runs;
  // after a longer file this one must not resample into the longer file's
  // wavelengths past its own last channel.
  WavelengthTables tables;  // shared, as in one run of the desktop program
  RunSettings longer = s;
  longer.files = {folder.Write("l.gr2", GerScan("L.GR2", 594, Always("50"), Always("100")))};
  longer.grid.end = "942";
  EXPECT_EQ(ComputeConversion(longer, tables).Rows(), 543u);
  EXPECT_NE(FailureOf([&] { ComputeConversion(s, tables); }).find("grid point 940 nm"), std::string::npos);
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
      "Data type (ie reflect/trans/absorb):,\"reflectance, 1 nm\"",  // one quoted field
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
  const std::string bad =
      scans.folder.Write("bad.spt", Join(With(SplitCrLf(ReadAll(scans.a)), {{400, "12O4"}})));  // letter O
  const std::string failure =
      RunFailureText(Settings(Format::UniSpecOld, {scans.a, bad, scans.b}, {"310", "320", "5"}));
  EXPECT_NE(failure.find(bad + ", line 401"), std::string::npos) << failure;
  EXPECT_NE(RunFailureText(Settings(Format::UniSpecOld, {scans.a, scans.folder.File("gone.spt")}, {"310", "320", "5"}))
                .find("gone.spt"),
            std::string::npos);
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
  const char* extension[] = {"spt", "spu", "spt", "gr1", "gr2", "spu"};  // by Format
  for (const InstrumentVariant& v : AllVariants()) {
    const std::string sub = (folder.Path() / std::string(v.cliName)).string();
    const Format format = FormatOf(v);
    RunSettings s = Settings(format, synth::WriteScans(sub, format, 200, "p"),
                             {std::string(v.beginText), std::string(v.endText), std::string(v.stepText)}, {});
    for (OutputMode m : kAllModes) s.modes[Index(m)] = v.Offers(m);
    s.labelSource = v.defaultLabelSource;
    if (v.wavelengthTables == 2) {  // the two start equations of the DC channels
      s.waveSource = WaveSource::Equation;
      s.equation = {"301.1004976", "3.326823976", "-0.0002851923768", 1};
      s.moreEquations = {{"301.2242815", "3.332275231", "-0.0003061076534", 1}};
    } else if (!v.WavesFromFileOffered()) {
      s.waveSource = WaveSource::ExternalFile;
      s.externalFilePath =
          folder.Write(std::string(v.cliName) + "-waves.txt", synth::ExternalWavelengthText(format, 256));
    }
    for (const bool interpolate : {true, false}) {
      if (!interpolate && v.wavelengthTables == 2) continue;  // target and panel meet only on the grid
      s.interpolate = interpolate;
      const ConversionResult one = Convert(s, 1);
      const ConversionResult many = Convert(s, 8);
      for (OutputMode m : kAllModes) {  // bit for bit: tables holding channels mark them with NaN
        const auto& a = one.tables[Index(m)];
        const auto& b = many.tables[Index(m)];
        ASSERT_EQ(a.size(), b.size());
        if (a.size() != 0) ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(double)));
      }
      EXPECT_EQ(one.heads[0][199], std::string("p00200.") + extension[static_cast<int>(format)]);
      for (OutputMode m : kAllModes) {
        if (!v.Offers(m)) continue;
        const std::string text = OutputText(one, m, nullptr);
        ASSERT_EQ(text, OutputText(many, m, nullptr)) << v.cliName << " " << ModeCliName(m);
        // The chunked writer keeps rows in order: spot-check cells.
        const Lines lines = SplitCrLf(text);
        // Title line (when the mode has one), empty line, head rows, empty head row.
        const std::size_t preamble = (v.texts[Index(m)].titleLine.empty() ? 1 : 2) + v.headRows.size() + 1;
        ASSERT_EQ(lines.size(), preamble + one.Rows());
        for (const std::size_t row : {std::size_t{0}, one.Rows() / 2, one.Rows() - 1}) {
          const std::string& line = lines[preamble + row];
          EXPECT_EQ(line.substr(0, NumberText(one.rowWavelengths[row]).size()), NumberText(one.rowWavelengths[row]));
          if (v.separators[Index(m)] == ColumnSeparator::Comma)
            EXPECT_EQ(line.substr(line.rfind(',') + 1), NumberText(one.Value(m, row, 199)));
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

TEST(WriteOutputFile, ReplacesAndLeavesNothingBehindOnFailureOrForAModeNotComputed) {
  TwoOldScans scans;
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {scans.a, scans.b}, {"310", "320", "5"}));
  TempFolder out;
  const std::string path = out.Write("refl.txt", std::string(100000, 'x'));
  WriteOutputFile(r, OutputMode::Reflectance, nullptr, path);
  EXPECT_EQ(ReadAll(path), OutputText(r, OutputMode::Reflectance, nullptr));
  // A folder in the way of the name, a missing folder: the write fails and no temporary file stays.
  fs::create_directory(out.Path() / "taken");
  EXPECT_THROW(WriteOutputFile(r, OutputMode::Reflectance, nullptr, out.File("taken")), RunFailure);
  EXPECT_THROW(WriteOutputFile(r, OutputMode::Reflectance, nullptr, out.File("no/such/folder.txt")), RunFailure);
  // Regression: writing a mode the run did not compute read through an empty table.
  EXPECT_THROW(OutputText(r, OutputMode::Absorbance, nullptr), RunFailure);
  EXPECT_THROW(WriteOutputFile(r, OutputMode::Absorbance, nullptr, out.File("abs.txt")), RunFailure);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(out.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"refl.txt", "taken"}));

  // A name that leads to one of the run's scans (here a hard link, as a save
  // dialog may offer it) is refused, and the scan stays as it was.
  const std::string before = ReadAll(scans.b);
  const std::string link = out.File("link.txt");
  fs::create_hard_link(scans.b, link);
  try {
    WriteOutputFile(r, OutputMode::Reflectance, nullptr, link);
    ADD_FAILURE() << "a scan was replaced";
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.Kind(), FailureKind::Usage);
    EXPECT_NE(std::string(f.what()).find("scan file 2"), std::string::npos) << f.what();
  }
  EXPECT_EQ(ReadAll(scans.b), before);
}

// ---- Warnings and values that cannot be formed

// An undated UniSpec scan whose channel c lies at 300 + 10c nm (unless `first` moves it).
std::string PlainOldScan(const Reading& target, const Reading& panel, double first = 300) {
  return Join(OldLines({Rising(first, 10), target, panel}));
}

TEST(NonFiniteValues, AreWrittenAsTheMark) {
  TempFolder folder;
  // GER 1500 channel c lies at 300 + c nm. 401 nm: 1e300 / 1e-300 overflows;
  // the absorbance there, log10(1e-300 / 1e300), is log10 of 0.
  const std::string ger = folder.Write(
      "g.gr1", Join(GerLines(512, {Rising(300, 1), Except("50", {{101, "1e300"}}), Except("100", {{101, "1e-300"}})})));
  const ConversionResult g =
      Convert(Settings(Format::Ger1500, {ger}, {"400", "402", "1"}, {OutputMode::Reflectance, OutputMode::Absorbance}));
  const Lines refl = Data(g, OutputMode::Reflectance);
  ASSERT_EQ(refl.size(), 3u);
  EXPECT_TRUE(Has(refl[0], " 0.5 ")) << refl[0];
  EXPECT_TRUE(Has(refl[1], " 999 ")) << refl[1];
  const Lines abs = Data(g, OutputMode::Absorbance);
  ASSERT_EQ(abs.size(), 3u);
  EXPECT_TRUE(Has(abs[1], " 999 ")) << abs[1];
  EXPECT_FALSE(Has(abs[0], "999")) << abs[0];

  // Compact values of +-1e308 on neighbouring channels: the channels
  // themselves stay as they are; the point between them (whose difference
  // overflows) has no value.
  const std::string compact = folder.Write("c.spt", Join(CompactLines(Except("0.5", {{10, "1e308"}, {11, "-1e308"}}))));
  RunSettings s = Settings(Format::UniSpecCompact, {compact}, {"0", "0", "1"});
  s.waveSource = WaveSource::ExternalFile;
  std::string waves;
  for (int c = 0; c < 256; ++c) waves += Num(300 + 10 * c) + "\r\n";
  s.externalFilePath = folder.Write("waves.txt", waves);
  s.grid = {"390", "420", "5"};
  const ConversionResult c = Convert(s);
  const Lines cl = Data(c, OutputMode::Reflectance);
  ASSERT_EQ(cl.size(), 7u);
  for (const std::string& line : cl) EXPECT_FALSE(Has(line, "inf") || Has(line, "nan")) << line;
  EXPECT_TRUE(Has(cl[3], " 999 ")) << cl[3];  // 405 nm
  EXPECT_FALSE(Has(cl[2], "999")) << cl[2];   // 400 nm: 1e308 itself
}

TEST(Labels, CommaCrAndLfBecomeUnderscoresWithAWarning) {
  TempFolder folder;
  const std::string plain = folder.Write("plain.spt", PlainOldScan(Always("50"), Always("100")));
  const std::string odd = folder.Write("a,b\rc\nd.spt", PlainOldScan(Always("50"), Always("100")));
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {plain, odd}, {"310", "320", "10"}));
  const Lines lines = SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "Wavelength,plain.spt,a_b_c_d.spt");
  // Every line keeps one field per file and the wavelength.
  for (std::size_t i = 2; i < lines.size(); ++i)
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 2) << lines[i];
  ASSERT_EQ(r.warnings.size(), 1u) << r.warnings.front() << "\n" << r.warnings.back();
  EXPECT_TRUE(Has(r.warnings[0], odd)) << r.warnings[0];
  EXPECT_TRUE(Has(r.warnings[0], "\"_\"")) << r.warnings[0];
}

// Each case: the scans of a run and the warning expected for the second one.
TEST(RunWarnings, NameTheScanAndLeaveTheTablesAlone) {
  struct Case {
    const char* what;
    std::string second;  // text of the second scan
    std::string secondName;
    std::string expected;  // part of the one warning
  };
  const std::string normal = PlainOldScan(Always("50"), Always("100"));
  const std::vector<Case> cases = {
      // Either side of the 0.01 nm the warning allows.
      {"wavelengths 0.0101 nm off", PlainOldScan(Always("50"), Always("100"), 300.0101), "b.spt", "wavelengths differ"},
      {"wavelengths 0.0099 nm off", PlainOldScan(Always("50"), Always("100"), 300.0099), "b.spt", ""},
      {"panel all 0", PlainOldScan(Always("50"), Always("0")), "b.spt", "every panel reading is 0"},
      {"same label", normal, "sub/a.spt", "2 scans share the label \"a.spt\""},
      {"nothing to say", normal, "b.spt", ""},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() / "sub");
    const std::string a = folder.Write("a.spt", normal);
    const std::string b = folder.Write(c.secondName, c.second);
    const RunSettings s = Settings(Format::UniSpecOld, {a, b}, {"310", "330", "10"});
    const ConversionResult r = Convert(s);
    if (c.expected.empty()) {
      EXPECT_TRUE(r.warnings.empty()) << c.what << ": " << r.warnings.front();
      continue;
    }
    ASSERT_EQ(r.warnings.size(), 1u) << c.what;
    EXPECT_TRUE(Has(r.warnings[0], c.expected)) << c.what << ": " << r.warnings[0];
    EXPECT_TRUE(Has(r.warnings[0], b)) << c.what << ": " << r.warnings[0];
    // The first scan's column is what it would be alone.
    const ConversionResult alone = Convert(Settings(Format::UniSpecOld, {a}, {"310", "330", "10"}));
    for (std::size_t row = 0; row < alone.Rows(); ++row)
      EXPECT_EQ(r.Value(OutputMode::Reflectance, row, 0), alone.Value(OutputMode::Reflectance, row, 0)) << c.what;
  }
}

// Each shared label is named once, in the order of its first scan, with the
// scans that share it in list order.
TEST(RunWarnings, SharedLabelsInTheOrderOfTheirFirstScan) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "x");
  std::filesystem::create_directories(folder.Path() / "y");
  const std::string scan = PlainOldScan(Always("50"), Always("100"));
  const std::vector<std::string> files = {folder.Write("x/b.spt", scan), folder.Write("x/a.spt", scan),
                                          folder.Write("y/b.spt", scan), folder.Write("x/c.spt", scan),
                                          folder.Write("y/a.spt", scan)};
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, files, {"310", "330", "10"}));
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0], "2 scans share the label \"b.spt\": " + files[0] + ", " + files[2]);
  EXPECT_EQ(r.warnings[1], "2 scans share the label \"a.spt\": " + files[1] + ", " + files[4]);
}

// The comparison of each scan's own wavelengths with the first scan's only
// ever adds a word: a later scan whose wavelength column holds a non-number
// still converts, with the first scan's wavelengths, as it would without the
// comparison.
TEST(RunWarnings, AnUnreadableWavelengthInALaterScanIsOnlyAWarning) {
  struct Case {
    Format format;
    const char* name;
    std::function<Lines(const Channels&)> lines;
    GridTexts grid;
  };
  const Reading damaged = [](int c) { return c == 5 ? std::string("35x") : Dec(300 + 10 * c); };
  const std::vector<Case> cases = {
      {Format::UniSpecOld, "b.spt", [](const Channels& ch) { return OldLines(ch); }, {"310", "330", "10"}},
      {Format::UniSpecNew, "b.spu", [](const Channels& ch) { return NewLines(ch); }, {"310", "330", "10"}},
      {Format::Ger1500, "b.gr1", [](const Channels& ch) { return GerLines(512, ch); }, {"310", "330", "10"}},
      {Format::Ger2600, "b.gr2", [](const Channels& ch) { return GerLines(594, ch); }, {"310", "330", "10"}},
  };
  for (const Case& c : cases) {
    const char* format = VariantOf(c.format).cliName.data();
    TempFolder folder;
    const std::string a = folder.Write(std::string("a") + (c.name + 1), Join(c.lines({Rising(300, 10)})));
    const std::string b = folder.Write(c.name, Join(c.lines({damaged})));
    ConversionResult r;
    ASSERT_NO_THROW(r = Convert(Settings(c.format, {a, b}, c.grid))) << format;
    // (GER scans take their label from the file, so both also share one.)
    std::vector<std::string> aboutWaves;
    for (const std::string& w : r.warnings)
      if (Has(w, "wavelength")) aboutWaves.push_back(w);
    ASSERT_EQ(aboutWaves.size(), 1u) << format;
    EXPECT_TRUE(Has(aboutWaves[0], b + ": its own wavelengths cannot all be read")) << aboutWaves[0];
    for (std::size_t row = 0; row < r.Rows(); ++row)
      EXPECT_EQ(r.Value(OutputMode::Reflectance, row, 1), r.Value(OutputMode::Reflectance, row, 0)) << format;
  }
}

// ---- Real New-Format scans from the field: values pinned from an independent
// computation of the same files, their head rows, plausible reflectance, and
// the mark where the panel read 0.

std::size_t Row(const ConversionResult& r, double nm) {
  for (std::size_t row = 0; row < r.Rows(); ++row)
    if (r.rowWavelengths[row] == nm) return row;
  ADD_FAILURE() << nm << " nm is not on the grid";
  return 0;
}

TEST(RealScans, PinnedReflectanceAndTheMarkNextToAZeroPanel) {
  const std::vector<std::string> files = testing::RealUniSpecNewFiles();
  if (files.empty()) GTEST_SKIP() << "no real scans in " << testing::RealDataFolder();
  const ConversionResult r = Convert(
      Settings(Format::UniSpecNew, files, {"310", "1130", "1"}, {OutputMode::Reflectance, OutputMode::Absorbance}));
  ASSERT_EQ(r.Rows(), 821u);
  EXPECT_EQ(testing::SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr))[6].substr(0, 6), " 310 ,");
  bool sawSession13 = false;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string name = fs::path(files[f]).filename().string();
    EXPECT_EQ(r.heads[0][f], name);
    EXPECT_EQ(r.heads[1][f].substr(0, 4), "06/1") << name;
    EXPECT_EQ(r.heads[2][f].size(), 8u) << name;
    // 756.0 nm is a channel: 12298 / 22740 and its twin of the first session.
    if (name == "led00001.spu") EXPECT_EQ(r.Value(OutputMode::Reflectance, Row(r, 756), f), 0.540809);
    if (name == "test00002.spu") EXPECT_EQ(r.Value(OutputMode::Reflectance, Row(r, 756), f), 0.561727);
    // Every scan of 2022-06-13 has a panel reading of 0 at 312.6 nm: the grid
    // points from 310 to 315 nm lie next to it and carry the mark, not a blend.
    if (name.rfind("led", 0) == 0) {
      sawSession13 = true;
      for (double nm = 310; nm <= 315; ++nm) {
        EXPECT_EQ(r.Value(OutputMode::Reflectance, Row(r, nm), f), 999) << name << " at " << nm;
        EXPECT_EQ(r.Value(OutputMode::Absorbance, Row(r, nm), f), 999) << name << " at " << nm;
      }
      EXPECT_NE(r.Value(OutputMode::Reflectance, Row(r, 320), f), 999) << name;
    }
    // Nothing between data and the mark: an absorbance is a small number or
    // 999; a scan taken before any panel (every panel reading 0) is all marks;
    // the others reflect between 0 and 1.5 from 550 to 900 nm.
    for (std::size_t row = 0; row < r.Rows(); ++row) {
      const double a = r.Value(OutputMode::Absorbance, row, f), refl = r.Value(OutputMode::Reflectance, row, f);
      const double nm = r.rowWavelengths[row];
      ASSERT_TRUE(a == 999 || std::fabs(a) < 10) << name << " at " << nm << ": " << a;
      if (name == "test00001.spu")
        ASSERT_TRUE(refl == 999 && a == 999) << nm;
      else if (nm >= 550 && nm <= 900)
        ASSERT_TRUE(refl >= 0 && refl <= 1.5) << name << " at " << nm << ": " << refl;
    }
  }
  EXPECT_TRUE(sawSession13);
}

// ---- RunJob, the one order of a conversion: what the sink is asked and told,
// in which order, where a run stops, and what is written by then.

ConversionJob OldFormatJob(const TempFolder& temp) {
  ConversionJob job;
  RunSettings& s = job.settings;
  s.variant = VariantByCliName("unispec-old");
  s.files = synth::WriteScans(temp.File("scans"), synth::Format::UniSpecOld, 2, "J");
  s.grid = {"400", "410", "1"};
  s.modes = {true, true, true, true};
  return job;
}

TEST(RunJobTest, TellsTheSinkOnceComputedThenAsksAndWritesEachTableInOrder) {
  const TempFolder temp;
  RecordingSink sink(temp);
  FixedAsker asker;
  const JobOutcome outcome = RunJob(OldFormatJob(temp), sink, asker);
  EXPECT_FALSE(outcome.stoppedAt);
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"computed 0", "path reflectance", "written reflectance",
                                                  "path absorbance", "written absorbance", "path target",
                                                  "written target", "path panel", "written panel"}));
}

TEST(RunJobTest, AnOutputWithoutAPathEndsTheRunThereKeepingWhatWasWritten) {
  const TempFolder temp;
  RecordingSink sink(temp, JobOutput::Absorbance);
  FixedAsker asker;
  const JobOutcome outcome = RunJob(OldFormatJob(temp), sink, asker);
  ASSERT_TRUE(outcome.stoppedAt);
  EXPECT_EQ(*outcome.stoppedAt, JobOutput::Absorbance);
  EXPECT_EQ(sink.calls,
            (std::vector<std::string>{"computed 0", "path reflectance", "written reflectance", "path absorbance"}));
  EXPECT_TRUE(fs::exists(temp.File("reflectance")));
  for (const char* later : {"absorbance", "target", "panel"}) EXPECT_FALSE(fs::exists(temp.File(later))) << later;
}

TEST(RunJobTest, AFailureFromTheSinkBeforeWritingLeavesNothingWritten) {
  const TempFolder temp;
  RecordingSink sink(temp);
  sink.failOnComputed = true;
  FixedAsker asker;
  EXPECT_THROW(RunJob(OldFormatJob(temp), sink, asker), RunFailure);
  EXPECT_EQ(sink.calls, std::vector<std::string>{"computed 0"});
  EXPECT_FALSE(fs::exists(temp.File("reflectance")));
}

TEST(RunJobTest, ACancelledRunTellsTheSinkNothingAndWritesNothing) {
  const TempFolder temp;
  ConversionJob job = OldFormatJob(temp);
  job.settings.files = synth::WriteScans(temp.File("many"), Format::UniSpecOld, 20, "C");
  job.threads = 1;  // progress after each block of scans, in order
  RecordingSink sink(temp);
  FixedAsker asker;
  std::vector<std::size_t> progress;
  EXPECT_THROW(RunJob(job, sink, asker,
                      [&progress](std::size_t done, std::size_t) {
                        progress.push_back(done);
                        return false;
                      }),
               RunCancelled);
  EXPECT_EQ(progress, std::vector<std::size_t>{8}) << "asked once, after the first block";
  EXPECT_TRUE(sink.calls.empty());
  EXPECT_FALSE(fs::exists(temp.File("reflectance")));
}

// The reference steps of a UniSpec-DC run: the corrected file comes last,
// after the tables; a declined `.ref` range writes neither it nor the index file.
TEST(RunJobTest, ReferenceStepsFollowTheTablesAndADeclinedRangeEndsTheRun) {
  const TempFolder temp;
  ConversionJob job = DcReferenceJob(temp, 2);
  {
    RecordingSink sink(temp);
    FixedAsker asker;
    RunJob(job, sink, asker);
    // One warning: the scans' own wavelength column is not DC 1's equations.
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance",
                                                    "path corrected", "written corrected"}));
    EXPECT_EQ(ReadAll(temp.File("corrected")).rfind("D00001.spu,\r\n", 0), 0u) << "the plotted names come first";
  }
  fs::remove(temp.File("corrected"));
  job.applyRefFile = true;
  RecordingSink sink(temp);
  FixedAsker declines(HalfRefFile(temp), false);
  RunJob(job, sink, declines);
  EXPECT_EQ(sink.calls,
            (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance", "declined"}));
  EXPECT_FALSE(fs::exists(temp.File("corrected")));
}

// A front end that names one file for two outputs, or a scan for an output:
// RunJob refuses the path before writing there, names both, and asks again
// when the sink lets it.
class ScriptedPathsSink final : public OutputSink {
 public:
  explicit ScriptedPathsSink(std::vector<std::string> paths, bool askAgain = true)
      : paths_(std::move(paths)), askAgain_(askAgain) {}
  void Computed(const ConversionResult&, std::span<const std::string>) override {}
  std::optional<std::string> PathFor(JobOutput) override {
    if (paths_.empty()) return std::nullopt;
    std::string p = paths_.front();
    paths_.erase(paths_.begin());
    return p;
  }
  void Written(JobOutput output, const std::string& path) override {
    written.push_back(RecordingSink::Name(output) + " " + path);
  }
  void RefFileDeclined() override {}
  void PathRefused(JobOutput output, const std::string& path, const std::string& why) override {
    refused.push_back(RecordingSink::Name(output) + " " + path + ": " + why);
    if (!askAgain_) OutputSink::PathRefused(output, path, why);
  }
  std::vector<std::string> written, refused;

 private:
  std::vector<std::string> paths_;
  bool askAgain_;
};

TEST(RunJobTest, APathAlreadyWrittenOrAScanOfTheRunIsRefusedNamingBothAndAskedAgain) {
  const TempFolder temp;
  ConversionJob job = OldFormatJob(temp);
  job.settings.modes = {true, true, false, false};
  const std::string refl = temp.File("new-refl.csv");
  const std::string scan = job.settings.files[1];
  const std::string scanBytes = ReadAll(scan);
  // The same file under another name is the same file.
  ScriptedPathsSink sink({refl, temp.Path().string() + "/./new-refl.csv", scan, temp.File("abs.csv")});
  FixedAsker asker;
  RunJob(job, sink, asker);
  EXPECT_EQ(sink.written, (std::vector<std::string>{"reflectance " + refl, "absorbance " + temp.File("abs.csv")}));
  ASSERT_EQ(sink.refused.size(), 2u);
  EXPECT_NE(sink.refused[0].find("is the reflectance file this run has just written; the absorbance file needs"),
            std::string::npos)
      << sink.refused[0];
  EXPECT_NE(sink.refused[1].find("is the scan " + scan), std::string::npos) << sink.refused[1];
  EXPECT_EQ(ReadAll(scan), scanBytes);
  EXPECT_NE(ReadAll(refl), ReadAll(temp.File("abs.csv"))) << "the reflectance was replaced";

  // The sink's own answer by default: the run ends with a usage failure, the
  // first file kept and the second never replaced.
  const std::string reflBytes = ReadAll(refl);
  ScriptedPathsSink ending({refl, refl}, false);
  try {
    RunJob(job, ending, asker);
    ADD_FAILURE() << "the second output replaced the first";
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.Kind(), FailureKind::Usage);
  }
  EXPECT_EQ(ReadAll(refl), reflBytes);
}

}  // namespace
}  // namespace corvelane
