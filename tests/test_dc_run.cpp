// UniSpec-DC runs end to end through the command line: the four outputs with
// and without the transect header, the channel equations from options and
// from inst.cof, the status-channel warning, and the usage errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "calibration/instrument_table.h"
#include "convert/conversion_run.h"
#include "headers/transect_header.h"
#include "tests/dc_scan_text.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Args = std::vector<std::string>;

struct Outcome {
  int exit = -1;
  std::string out, err;
};

// Runs the program in `folder` (inst.cof is looked for there).
Outcome Corvelane(const Args& args, const TempFolder& folder) {
  TempFolder logs;
  const std::string out = logs.File("out"), err = logs.File("err");
  std::vector<std::string> all = {CORVELANE_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.Path().c_str()) != 0) ::_exit(126);
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
}

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
    Args args = {"convert", "unispec-dc", "--coefficients", kSimple, "--grid", "320,330,5"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {a, b});
    return Corvelane(args, folder);
  }
};

const Lines kHeads = {"Wavelength,a.spu,b.spu", "  (nm),6/22/2018,6/22/2018", "  time  ,3:36:29 PM,3:36:29 PM",
                      "temp C,20.,20.", ",,"};

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(DcRun, FourOutputsByHand) {
  TwoScans s;
  const Outcome o =
      s.Run({"--reflectance", "r.txt", "--absorbance", "a.txt", "--target", "t.txt", "--reference", "p.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  // b's panel reads 0 at 330 nm: 325 nm, halfway to it, is marked rather
  // than 50 / 50 from a panel interpolated towards 0.
  EXPECT_NE(o.err.find("warning: 1 scan has a panel reading of 0"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find(s.b + " (325 to 330 nm)\n"), std::string::npos) << o.err;
  const auto file = [&](const char* name) { return ReadAll(s.folder.File(name)); };
  EXPECT_EQ(file("r.txt"), CrLf(Concat(Concat({""}, kHeads),
                                       {" 320 , 0.47727 , 0.5 ", " 325 , 0.47826 , 999 ", " 330 , 0.47917 , 999 "})));
  EXPECT_EQ(file("a.txt"),
            CrLf(Concat(Concat({"Absorbance", ""}, kHeads),
                        {" 320 , 0.32123 , 0.30103 ", " 325 , 0.32034 , 999 ", " 330 , 0.31951 , 999 "})));
  EXPECT_EQ(file("t.txt"),
            CrLf(Concat(Concat({"Target", ""}, kHeads), {" 320 , 105 , 50 ", " 325 , 110 , 50 ", " 330 , 115 , 50 "})));
  EXPECT_EQ(file("p.txt"), CrLf(Concat(Concat({"Reference", ""}, kHeads),
                                       {" 320 , 220 , 100 ", " 325 , 230 , 50 ", " 330 , 240 , 0 "})));
}

TEST(DcRun, TransectHeaderReplacesTheEmptyLineAndHeadsOfTheReflectanceOnly) {
  TwoScans s;
  s.folder.Write("th.txt", "# site 4\r\nfile NAME: Site 4 transect\r\nCautions: wet, windy\r\n");
  const Outcome o = s.Run({"--transect-header", "th.txt", "--reflectance", "r.txt", "--target", "t.txt"});
  ASSERT_EQ(o.exit, 0) << o.err;
  const Lines r = SplitCrLf(ReadAll(s.folder.File("r.txt")));
  ASSERT_EQ(r.size(), 39u + 3u);
  EXPECT_EQ(r[0], "Data Information:,");
  EXPECT_EQ(r[1], "File name:,Site 4 transect");
  // A comma in a value would split the row: it is written "_", with a warning.
  EXPECT_EQ(r[29], "Cautions:,wet_ windy");
  EXPECT_NE(o.err.find("\"Cautions\" holds a comma"), std::string::npos) << o.err;
  EXPECT_EQ(r[35], "Original file name:,a.spu,b.spu,");
  EXPECT_EQ(r[36], "Collection time (PST),3:36:29 PM,3:36:29 PM,");
  EXPECT_EQ(r[38], "Temp C,20.,20.,");
  EXPECT_EQ(r[39], " 320 , 0.47727 , 0.5 ");
  EXPECT_EQ(SplitCrLf(ReadAll(s.folder.File("t.txt")))[0], "Target");

  s.folder.Write("bad.txt", "FOV 20\r\n");
  const Outcome bad = s.Run({"--transect-header", "bad.txt", "--reflectance", "r2.txt"});
  EXPECT_EQ(bad.exit, 2);
  EXPECT_NE(bad.err.find("line 1"), std::string::npos) << bad.err;
  EXPECT_FALSE(fs::exists(s.folder.File("r2.txt")));
}

TEST(DcRun, RunSeamsForTheReferenceStep) {
  TwoScans s;
  RunSettings settings;
  settings.variant = &VariantOf(Format::UniSpecDc);
  settings.files = {s.a, s.b};
  settings.grid = {"320", "330", "5"};
  settings.modes[Index(OutputMode::RawTarget)] = true;  // no reflectance file: the ratios are kept anyway
  settings.waveSource = WaveSource::Equation;
  settings.equation = {"300", "10", "0", 1};
  settings.moreEquations = {{"305", "10", "0", 1}};
  settings.keepRatios = true;
  WavelengthTables tables;
  const ConversionResult r = ComputeConversion(settings, tables);
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
  EXPECT_NE(o.err.find("warning: 3 of 3 files hold instrument status values"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("above 1108.8 nm"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("end the grid at or below 1108.8 nm"), std::string::npos) << o.err;
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
  EXPECT_EQ(o.exit, 2);
  EXPECT_NE(o.err.find("\"DC 1\", \"DC 2\""), std::string::npos) << o.err;
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

  AddInstrument(s.folder.File("inst.cof"), "Words", {"a", "b", "c", "d", "e", "f"});
  o = Corvelane({"convert", "unispec-dc", "--instrument", "Words", "--reflectance", "w.txt", s.a}, s.folder);
  EXPECT_EQ(o.exit, 1);
  EXPECT_NE(o.err.find("Words"), std::string::npos) << o.err;
  EXPECT_EQ(Corvelane({"instruments", "--add", "end,1,2,3,4,5,6"}, s.folder).exit, 2);
}

TEST(DcRun, UsageErrorsAndFailures) {
  TwoScans s;
  for (const Args& args : std::vector<Args>{
           {"--waves", "file", "--reflectance", "r.txt"},
           {"--no-interpolate", "--reflectance", "r.txt"},
           {"--leaf-header", "h.txt", "--reflectance", "r.txt"},
           {"--instrument", "DC 1", "--reflectance", "r.txt"},  // besides --coefficients
           {"--transect-header", "h.txt", "--target", "t.txt"},
           {"--start-channel", "2", "--reflectance", "r.txt"},
           {},
       }) {
    const Outcome o = s.Run(args);
    EXPECT_EQ(o.exit, 2) << (args.empty() ? "" : args[0]) << ": " << o.err;
  }
  EXPECT_EQ(
      Corvelane({"convert", "unispec-dc", "--coefficients", "1,2,3,4,5", "--reflectance", "r.txt", s.a}, s.folder).exit,
      2);
  EXPECT_EQ(
      Corvelane({"convert", "unispec-new", "--coefficients", kSimple, "--reflectance", "r.txt", s.a}, s.folder).exit,
      2);
  // The default coefficients do not reach down to 300 nm.
  const Outcome low =
      Corvelane({"convert", "unispec-dc", "--grid", "300,1130,1", "--reflectance", "low.txt", s.a}, s.folder);
  EXPECT_EQ(low.exit, 1);
  EXPECT_NE(low.err.find("Problem in Data File!!!"), std::string::npos);
  EXPECT_FALSE(fs::exists(s.folder.File("low.txt")));
  // A short file fails the run: no partial output.
  const std::string shortScan = s.folder.Write("short.spu", Join(Head(DcLines(), 265)));
  const Outcome cut = s.Run({"--reflectance", "cut.txt", shortScan});
  EXPECT_EQ(cut.exit, 1);
  EXPECT_NE(cut.err.find("short.spu, line 266"), std::string::npos) << cut.err;
  EXPECT_FALSE(fs::exists(s.folder.File("cut.txt")));
}

TEST(DcRun, RealScansConvertAndCheck) {
  const auto files = RealUniSpecDcFiles();
  if (files.empty()) GTEST_SKIP() << "no real UniSpec-DC scans here";
  TempFolder folder;
  Args args = {"convert", "unispec-dc", "--grid", "450,900,1", "--reflectance", "r.txt"};
  args.insert(args.end(), files.begin(), files.end());
  const Outcome o = Corvelane(args, folder);
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
  Args check = {"check", "unispec-dc", "--errors", "e.txt"};
  check.insert(check.end(), files.begin(), files.end());
  const Outcome c = Corvelane(check, folder);
  EXPECT_TRUE(c.exit == 0 || c.exit == 1) << c.err;
  EXPECT_TRUE(fs::exists(folder.File("e.txt")));
}

}  // namespace
}  // namespace corvelane
