// UniSpec-DC runs end to end through the command line: the four outputs with
// and without the transect header, the channel equations from options and
// from inst.cof, the status-channel warning, the usage errors, and reference
// correction on the real scans.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/instrument_table.h"
#include "convert/conversion_run.h"
#include "headers/transect_header.h"
#include "tests/dc_scan_text.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Args = std::vector<std::string>;

// Runs the program in `folder` (inst.cof is looked for there).
Outcome Corvelane(const Args& args, const TempFolder& folder) { return RunProgram(args, {.folder = folder.Path()}); }

// Channel 1 at 310, 320, 330, ... nm and channel 2 at 315, 325, 335, ... nm
// (start channel 1), so on the grid 320, 325, 330 the panel takes channel 1,
// the mean of channels 1 and 2, channel 2; the target the mean of channels 0
// and 1, channel 1, the mean of channels 1 and 2.
const std::string kSimple = "300,10,0,305,10,0";

struct TwoScans {
  TempFolder folder;
  std::string a, b;
  TwoScans() {
    // a: target 100 + 10c, panel 200 + 20c. b: target 50, panel 100 on
    // channel 1 and 0 on channel 2 ("12 50 0").
    a = folder.Write("a.spu", Join(DcLines({Rising(300, 3), Rising(100, 10), Rising(200, 20)})));
    b = folder.Write("b.spu", Join(DcLines({Rising(300, 3), Always("50"), Except("100", {{2, "0"}})})));
  }
  Outcome Run(Args options) const {
    return Corvelane(
        Then(Then({"convert", "unispec-dc", "--coefficients", kSimple, "--grid", "320,330,5"}, options), {a, b}),
        folder);
  }
};

const Lines kHeads = {"Wavelength,a.spu,b.spu", "  (nm),6/22/2018,6/22/2018", "  time  ,3:36:29 PM,3:36:29 PM",
                      "temp C,20.,20.", ",,"};

// The marks and the values themselves: DcGridMarks.
TEST(DcRun, FourOutputsWithTheirTitlesAndHeads) {
  TwoScans s;
  const Outcome o =
      s.Run({"--reflectance", "r.txt", "--absorbance", "a.txt", "--target", "t.txt", "--reference", "p.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  for (const auto& [name, title, row] : std::vector<std::tuple<const char*, Lines, std::string>>{
           {"r.txt", {""}, " 320 , 0.47727 , 0.5 "},
           {"a.txt", {"Absorbance", ""}, " 320 , 0.32123 , 0.30103 "},
           {"t.txt", {"Target", ""}, " 320 , 105 , 50 "},
           {"p.txt", {"Reference", ""}, " 320 , 220 , 100 "}}) {
    const Lines l = SplitCrLf(ReadAll(s.folder.File(name)));
    ASSERT_EQ(l.size(), title.size() + kHeads.size() + 3) << name;  // three grid points
    EXPECT_EQ(Lines(l.begin(), l.end() - 2), Then(Then(title, kHeads), {row})) << name;
  }
}

// The block itself: TransectHeader. It opens the reflectance file only, and
// that file, quoted values and all, is a table `indices` reads.
TEST(DcRun, TransectHeaderOpensTheReflectanceFileWhichTheIndexRunReads) {
  TwoScans s;
  s.folder.Write("th.txt", "file NAME: Site 4 transect\r\nCautions: 5\" leaves, \"wet\"\r\n");
  Outcome o = s.Run({"--transect-header", "th.txt", "--reflectance", "r.txt", "--target", "t.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_FALSE(Has(o.err, "holds a comma")) << o.err;
  const Lines r = SplitCrLf(ReadAll(s.folder.File("r.txt")));
  ASSERT_EQ(r.size(), 39u + 3u);
  EXPECT_EQ(r[1], "File name:,Site 4 transect");
  EXPECT_EQ(r[29], "Cautions:,\"5\"\" leaves, \"\"wet\"\"\"");
  EXPECT_EQ(r[35], "Original file name:,a.spu,b.spu,");
  EXPECT_EQ(r[39], " 320 , 0.47727 , 0.5 ");
  EXPECT_EQ(SplitCrLf(ReadAll(s.folder.File("t.txt")))[0], "Target");

  o = Corvelane({"indices", "--index", "N,330,320,nd,reflectance", "--index-file", "i.txt", "r.txt"}, s.folder);
  ASSERT_EQ(o.exit, 0) << o.err;
  const Lines lines = SplitCrLf(ReadAll(s.folder.File("i.txt")));
  ASSERT_EQ(lines.size(), 5u);
  // One line per scan, named by its file name, with its time and temperature
  // (the transect block has no date row).
  EXPECT_EQ(lines[3].rfind("a.spu ", 0), 0u) << lines[3];
  EXPECT_TRUE(Has(lines[3], "3:36:29 PM")) << lines[3];
  EXPECT_TRUE(Has(lines[3], " 0.001986")) << lines[3];  // (0.47917-0.47727)/(0.47917+0.47727)
  EXPECT_EQ(lines[4].rfind("b.spu ", 0), 0u) << lines[4];

  s.folder.Write("bad.txt", "FOV 20\r\n");
  EXPECT_TRUE(Exited(s.Run({"--transect-header", "bad.txt", "--reflectance", "r2.txt"}), 2, {"line 1"}));
  EXPECT_FALSE(fs::exists(s.folder.File("r2.txt")));
}

// The reference outputs are outputs: a run may write only the index file,
// or only the corrected file.
TEST(DcRun, AReferenceOutputAloneIsEnough) {
  TwoScans s;
  std::string ref = "wavelength,value\r\n";
  for (int w = 320; w <= 330; w += 5) ref += std::to_string(w) + ",0.5\r\n";
  s.folder.Write("panel.ref", ref);
  Outcome o = s.Run({"--ref-file", "panel.ref", "--index", "N,330,320,nd", "--indices", "idx.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  const Lines idx = SplitCrLf(ReadAll(s.folder.File("idx.txt")));
  ASSERT_EQ(idx.size(), 3u);
  EXPECT_EQ(idx[0], "Time,Filename,N,");
  EXPECT_NE(idx[1].find(",a.spu,"), std::string::npos) << idx[1];

  o = s.Run({"--reference-scan", s.a, "--corrected", "c.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  const Lines c = SplitCrLf(ReadAll(s.folder.File("c.txt")));
  ASSERT_EQ(c.size(), 1u + 5u + 3u);
  EXPECT_EQ(c[0], "a.spu,");
  EXPECT_EQ(c[6].rfind(" 320 , 1 ,", 0), 0u) << c[6];  // a corrected by itself
  EXPECT_FALSE(fs::exists(s.folder.File("r.txt")));
  // Still no run without any output at all.
  EXPECT_EQ(s.Run({}).exit, 2);
}

TEST(DcRun, RunSeamsForTheReferenceStep) {
  TwoScans s;
  // No reflectance file: the ratios are kept anyway.
  RunSettings settings = Settings(Format::UniSpecDc, {s.a, s.b}, {"320", "330", "5"}, {OutputMode::RawTarget});
  settings.waveSource = WaveSource::Equation;
  settings.equation = {"300", "10", "0", 1};
  settings.moreEquations = {{"305", "10", "0", 1}};
  settings.keepRatios = true;
  const ConversionResult r = Convert(settings);
  ASSERT_EQ(r.ratios.size(), 6u);
  EXPECT_EQ(r.ratios[0], 105.0 / 220.0);  // not rounded
  EXPECT_EQ(r.ratios[4], 999);            // placed from b's panel reading of 0
  EXPECT_EQ(r.ratios[5], 999);
  EXPECT_EQ(r.rowWavelengths, (std::vector<double>{320, 325, 330}));
  ASSERT_EQ(r.heads.size(), 4u);
  EXPECT_EQ(r.heads[3], (std::vector<std::string>{"20.", "20."}));
  EXPECT_EQ(ColumnHeadText(r, OutputMode::Reflectance), CrLf(kHeads));
}

TEST(DcRun, StatusChannelsAreReportedWhereTheGridReachesThem) {
  TempFolder folder;
  const std::string status =
      folder.Write("s.spu", Join(DcLines({Rising(300, 3), Rising(100, 1), Rising(200, 1)}, true)));
  const std::string plain = folder.Write("p.spu", Join(DcLines()));
  Outcome o = Corvelane({"convert", "unispec-dc", "--reflectance", "r.txt", status, plain, status}, folder);
  ASSERT_EQ(o.exit, 0) << o.err;
  // Whatever the firmware writes into the last eight channels (the header's
  // A1 to A4 or not), they are never readings.
  EXPECT_TRUE(Has(o.err, "warning: 3 of 3 files hold instrument status values")) << o.err;
  EXPECT_TRUE(Has(o.err, "above 1108.8 nm")) << o.err;
  EXPECT_TRUE(Has(o.err, "end the grid at or below 1108.8 nm")) << o.err;
  o = Corvelane({"convert", "unispec-dc", "--grid", "310,1108,1", "--reflectance", "r.txt", status}, folder);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(o.err.find("status values"), std::string::npos) << o.err;
}

TEST(DcRun, InstrumentsFromInstCof) {
  TwoScans s;
  Outcome o = s.Run({"--reflectance", "r.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_FALSE(fs::exists(s.folder.File("inst.cof")));  // runs without --instrument never touch it

  o = Corvelane({"convert", "unispec-dc", "--instrument", "Nope", "--reflectance", "x.txt", s.a}, s.folder);
  EXPECT_TRUE(Exited(o, 2, {"\"DC 1\", \"DC 2\""}));
  EXPECT_EQ(ReadAll(s.folder.File("inst.cof")), DefaultInstrumentFileText());  // written first, as the window does

  o = Corvelane({"instruments", "--add", "Simple, 300, 10, 0, 305, 10, 0"}, s.folder);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(o.out,
            "DC 1,301.1004976,3.326823976,-0.0002851923768,301.2242815,3.332275231,-0.0003061076534\n"
            "DC 2,300.5829261,3.325460401,-0.0002928427608,301.0290324,3.333019474,-0.0003356843766\n"
            "Simple,300,10,0,305,10,0\n");
  o = Corvelane(
      {"convert", "unispec-dc", "--instrument", " Simple ", "--grid", "320,330,5", "--reflectance", "i.txt", s.a, s.b},
      s.folder);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(s.folder.File("i.txt")), ReadAll(s.folder.File("r.txt")));

  // Names that could never be used.
  std::string table = ReadAll(s.folder.File("inst.cof"));
  EXPECT_TRUE(Exited(Corvelane({"instruments", "--add", " DC 1 ,1,2,3,4,5,6"}, s.folder), 2,
                     {"already holds an instrument \"DC 1\""}));
  EXPECT_TRUE(Exited(Corvelane({"convert", "unispec-dc", "--instrument", "", "--reflectance", "e.txt", s.a}, s.folder),
                     2, {"--instrument needs the name"}));
  EXPECT_EQ(ReadAll(s.folder.File("inst.cof")), table);
  EXPECT_FALSE(fs::exists(s.folder.File("e.txt")));

  // A record written by hand: the table's writers refuse coefficients that are not numbers.
  table.insert(table.rfind("end"), "Words,a,b,c,d,e,f,\r\n");
  s.folder.Write("inst.cof", table);
  o = Corvelane({"convert", "unispec-dc", "--instrument", "Words", "--reflectance", "w.txt", s.a}, s.folder);
  EXPECT_TRUE(Exited(o, 1, {"Words"}));
  EXPECT_EQ(Corvelane({"instruments", "--add", "end,1,2,3,4,5,6"}, s.folder).exit, 2);
}

TEST(DcRun, UsageErrorsAndFailures) {
  TwoScans s;
  s.folder.Write("panel.ref", "320,0.5\r\n325,0.5\r\n330,0.5\r\n");
  const std::string nd = "NDVI,330,320,nd";
  for (const Args& args : std::vector<Args>{
           // The reference options come in their groups.
           {"--reflectance", "r.txt", "--corrected", "c.txt"},
           {"--reflectance", "r.txt", "--reference-scan", s.a},
           {"--reflectance", "r.txt", "--ref-file", "panel.ref", "--index", nd},
           {"--reflectance", "r.txt", "--ref-file", "panel.ref", "--indices", "i.txt"},
           {"--reflectance", "r.txt", "--index", nd, "--indices", "i.txt"},
           {"--reflectance", "r.txt", "--ref-file", "panel.ref", "--index", "NDVI,330,320,sum", "--indices", "i.txt"},
           {"--reflectance", "r.txt", "--ref-file", "panel.ref", "--index", "NDVI,330", "--indices", "i.txt"},
           {"--waves", "file", "--reflectance", "r.txt"},
           {"--no-interpolate", "--reflectance", "r.txt"},
           {"--leaf-header", "h.txt", "--reflectance", "r.txt"},
           {"--instrument", "DC 1", "--reflectance", "r.txt"},  // besides --coefficients
           {"--transect-header", "h.txt", "--target", "t.txt"},
           {"--start-channel", "2", "--reflectance", "r.txt"},
           {},
       }) {
    const Outcome o = s.Run(args);
    EXPECT_EQ(o.exit, 2) << (args.empty() ? "" : args[0] + " " + args[2]) << ": " << o.err;
  }
  for (const Args& args :
       std::vector<Args>{{"convert", "unispec-dc", "--coefficients", "1,2,3,4,5", "--reflectance", "r.txt", s.a},
                         {"convert", "unispec-new", "--coefficients", kSimple, "--reflectance", "r.txt", s.a},
                         // Other formats take no reference options.
                         {"convert", "unispec-new", "--reflectance", "r.txt", "--ref-file", "panel.ref", "--index", nd,
                          "--indices", "i.txt", s.a}})
    EXPECT_EQ(Corvelane(args, s.folder).exit, 2) << args[2];
  for (const char* name : {"r.txt", "t.txt", "c.txt", "i.txt"}) EXPECT_FALSE(fs::exists(s.folder.File(name))) << name;
  // The default coefficients do not reach down to 300 nm.
  const Outcome low =
      Corvelane({"convert", "unispec-dc", "--grid", "300,1130,1", "--reflectance", "low.txt", s.a}, s.folder);
  EXPECT_TRUE(Exited(low, 1, {"Problem in Data File!!!"}));
  EXPECT_FALSE(fs::exists(s.folder.File("low.txt")));
}

TEST(DcRun, RealScansConvertAndCheck) {
  const auto files = RealUniSpecDcFiles();
  if (files.empty()) GTEST_SKIP() << "no real UniSpec-DC scans here";
  TempFolder folder;
  const Outcome o =
      Corvelane(Then({"convert", "unispec-dc", "--grid", "450,900,1", "--reflectance", "r.txt"}, files), folder);
  ASSERT_EQ(o.exit, 0) << o.err;
  const Lines lines = SplitCrLf(ReadAll(folder.File("r.txt")));
  ASSERT_EQ(lines.size(), 6u + 451u);
  for (std::size_t i = 6; i < lines.size(); ++i) {
    std::size_t at = lines[i].find(',');
    while (at != std::string::npos) {
      const double v = std::stod(lines[i].substr(at + 1));
      EXPECT_TRUE(v >= 0 && v <= 1.5) << lines[i];
      at = lines[i].find(',', at + 1);
    }
  }
  const Outcome c = Corvelane(Then({"check", "unispec-dc", "--errors", "e.txt"}, files), folder);
  EXPECT_TRUE(c.exit == 0 || c.exit == 1) << c.err;
  EXPECT_TRUE(fs::exists(folder.File("e.txt")));
}

// ---- Reference correction on real DC scans and the bundled samples: the
// corrected reflectance file and the index file checked against a
// computation from the reflectance files the same program writes, the
// output order and failures.

Outcome DcConvert(const Args& args) { return RunProgram(Then({"convert", "unispec-dc"}, args)); }

// The data lines of a comma table after `skip` lines: per line the numbers.
std::vector<std::vector<double>> Numbers(const std::string& path, std::size_t skip) {
  std::vector<std::vector<double>> rows;
  const auto lines = SplitCrLf(ReadAll(path));
  for (std::size_t i = skip; i < lines.size(); ++i) {
    rows.emplace_back();
    for (const std::string& f : Fields(lines[i])) rows.back().push_back(ParseNumber(f).value_or(NAN));
  }
  return rows;
}

class ReferenceCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto real = RealUniSpecDcFiles();
    if (real.size() < 7) GTEST_SKIP() << "the real UniSpec-DC scans are not in " << RealDataFolder();
    for (const auto& f : real)
      if (fs::path(f).filename() == "DHT_09998.spu") panel = f;
    ASSERT_FALSE(panel.empty());
    for (const char* name : {"DHT_00001.spu", "LMAT_00010.spu"})
      scans.push_back((fs::path(RealDataFolder()) / "unispec-dc" / name).string());
    scans.push_back((fs::path(CORVELANE_SAMPLES) / "unispec-dc" / "TUN_00002.spu").string());
    sample = (fs::path(CORVELANE_SAMPLES) / "unispec-dc" / "TUN_00001.spu").string();
    // A panel file on the default grid: 821 values rising from 0.9.
    std::vector<std::string> ref = {"white panel 7", "nm,value"};
    for (int i = 0; i < 821; ++i) ref.push_back(std::to_string(310 + i) + "," + PlainNumber(0.9 + i * 0.0001));
    refFile = folder.Write("panel.ref", CrLf(ref));
  }
  Args With(const Args& args) const { return Then(args, scans); }
  // Reflectance columns (one per file) of `files` as the program writes them.
  std::vector<std::vector<double>> Reflectance(const std::vector<std::string>& files, const std::string& name) const {
    EXPECT_EQ(DcConvert(Then({"--reflectance", folder.File(name)}, files)).exit, 0);
    const auto rows = Numbers(folder.File(name), 6);
    std::vector<std::vector<double>> columns(files.size());
    for (const auto& row : rows)
      for (std::size_t k = 0; k < files.size(); ++k) columns[k].push_back(row[k + 1]);
    return columns;
  }

  TempFolder folder;
  std::string panel, sample, refFile;
  std::vector<std::string> scans;
};

TEST_F(ReferenceCli, ReferenceScansCorrectByTheirMeanRatio) {
  const auto reflectance = Reflectance(scans, "plain.csv");
  const auto references = Reflectance({panel, sample}, "panels.csv");
  const Outcome o = DcConvert(With({"--reflectance", folder.File("r.csv"), "--reference-scan", panel,
                                    "--reference-scan", sample, "--corrected", folder.File("c.csv")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(folder.File("r.csv")), ReadAll(folder.File("plain.csv")));
  const auto lines = SplitCrLf(ReadAll(folder.File("c.csv")));
  ASSERT_EQ(lines.size(), 6u + 821u);
  EXPECT_EQ(lines[0], "TUN_00001.spu,DHT_09998.spu,");
  // The title block is the reflectance file's.
  const auto plain = SplitCrLf(ReadAll(folder.File("plain.csv")));
  for (std::size_t i = 1; i <= 5; ++i) EXPECT_EQ(lines[i], plain[i]) << i;
  const auto rows = Numbers(folder.File("c.csv"), 6);
  std::size_t checked = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0], 310.0 + static_cast<double>(i));
    const double mean = (references[0][i] + references[1][i]) / 2;
    for (std::size_t k = 0; k < scans.size(); ++k, ++checked)
      ASSERT_NEAR(rows[i][k + 1], RoundHalfEven(reflectance[k][i] / mean, 6), 1.5e-6) << "row " << i << " file " << k;
  }
  EXPECT_EQ(checked, 821u * 3u);
}

// With both, the `.ref` file's correction is the one in the corrected file.
TEST_F(ReferenceCli, BothGiveTheRefCorrectionAndIndicesInGridStepsInAFixedOrder) {
  const auto reflectance = Reflectance(scans, "plain.csv");
  const Outcome o =
      DcConvert(With({"--target", folder.File("t.csv"), "--reflectance", folder.File("r.csv"), "--reference-scan",
                      panel, "--corrected", folder.File("c.csv"), "--ref-file", refFile, "--index", "NDVI,800,670,nd",
                      "--index", "WBI,900,970,2", "--indices", folder.File("i.csv")}));
  ASSERT_TRUE(Exited(o, 0, {refFile + ": first 310, last 1130\n"}));
  const auto ref = [](std::size_t i) { return 0.9 + static_cast<double>(i) * 0.0001; };
  const auto rows = Numbers(folder.File("c.csv"), 6);
  for (std::size_t i = 0; i < rows.size(); i += 41)
    for (std::size_t k = 0; k < scans.size(); ++k)
      EXPECT_NEAR(rows[i][k + 1], RoundHalfEven(reflectance[k][i] / ref(i), 5), 1.5e-5);
  const auto lines = SplitCrLf(ReadAll(folder.File("i.csv")));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Time,Filename,NDVI,WBI,");
  for (std::size_t k = 0; k < scans.size(); ++k) {
    const auto at = [&](std::size_t i) { return reflectance[k][i] / ref(i); };
    const double ndvi = RoundHalfEven((at(490) - at(360)) / (at(490) + at(360)), 5);
    const double wbi = RoundHalfEven(at(590) / at(660), 5);
    const std::string name = fs::path(scans[k]).filename().string();
    EXPECT_TRUE(Has(lines[k + 1], "," + name + "," + NumberText(ndvi) + "," + NumberText(wbi) + ",")) << lines[k + 1];
  }
  // Written in the order reflectance, target, index file, corrected file.
  const auto time = [&](const char* name) { return fs::last_write_time(folder.File(name)); };
  EXPECT_LE(time("r.csv"), time("t.csv"));
  EXPECT_LE(time("t.csv"), time("i.csv"));
  EXPECT_LE(time("i.csv"), time("c.csv"));
}

TEST_F(ReferenceCli, FailuresStopAtTheirStepAndKeepEarlierOutputs) {
  // 410 lines at 2 nm against the 1-nm grid: its values would stand at
  // other wavelengths, so the run stops before the index file, naming both steps.
  std::vector<std::string> coarse;
  for (int i = 0; i < 410; ++i) coarse.push_back(std::to_string(310 + 2 * i) + ",0.9");
  const std::string coarseRef = folder.Write("coarse.ref", CrLf(coarse));
  Outcome o = DcConvert(
      With({"--reflectance", folder.File("r.csv"), "--reference-scan", panel, "--corrected", folder.File("c.csv"),
            "--ref-file", coarseRef, "--index", "NDVI,800,670,nd", "--indices", folder.File("i.csv")}));
  EXPECT_TRUE(Exited(o, 1, {"Problem in Data File!!!", "coarse.ref", "step 2 nm", "grid step 1 nm"}));
  EXPECT_TRUE(fs::exists(folder.File("r.csv")));
  EXPECT_FALSE(fs::exists(folder.File("i.csv")));
  EXPECT_FALSE(fs::exists(folder.File("c.csv")));

  // An index off the grid names the index and its wavelength.
  o = DcConvert(With({"--reflectance", folder.File("r2.csv"), "--ref-file", refFile, "--index", "FAR,1200,670,nd",
                      "--indices", folder.File("i2.csv")}));
  EXPECT_TRUE(Exited(o, 1, {"FAR", "1200"}));
  EXPECT_FALSE(fs::exists(folder.File("i2.csv")));

  // A reference scan that cannot be read: nothing is written.
  o = DcConvert(With({"--reflectance", folder.File("r3.csv"), "--reference-scan", folder.File("none.spu"),
                      "--corrected", folder.File("c3.csv")}));
  EXPECT_TRUE(Exited(o, 1, {"none.spu"}));
  EXPECT_FALSE(fs::exists(folder.File("r3.csv")));
}

}  // namespace
}  // namespace corvelane
