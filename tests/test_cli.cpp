// The command-line program end to end: exit codes, messages, and which files
// are (and are not) left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::SplitCrLf;
using testing::TempFolder;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Outcome {
  int exit = -1;
  std::string out, err;
};

Outcome Cli(const std::vector<std::string>& args) {
  TempFolder logs;
  std::string command = Quote(CORVELANE_EXE);
  for (const auto& a : args) command += " " + Quote(a);
  command += " >" + Quote(logs.File("stdout")) + " 2>" + Quote(logs.File("stderr")) + " </dev/null";
  const int status = std::system(command.c_str());
  Outcome o;
  o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.out = ReadAll(logs.File("stdout"));
  o.err = ReadAll(logs.File("stderr"));
  return o;
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Scans {
  TempFolder data, out;
  std::vector<std::string> old = synth::WriteScans(data.Path().string(), Format::UniSpecOld, 3, "leaf");
};

TEST(Cli, ConvertWritesTheChosenOutputs) {
  Scans s;
  std::vector<std::string> args = {"convert", "unispec-old"};
  args.insert(args.end(), s.old.begin(), s.old.end());
  for (const char* a : {"--reflectance", "r.txt", "--absorbance", "a.txt"}) args.push_back(a);
  args[args.size() - 3] = s.out.File("r.txt");
  args[args.size() - 1] = s.out.File("a.txt");
  const Outcome o = Cli(args);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(Names(s.out.Path()), (std::vector<std::string>{"a.txt", "r.txt"}));
  const auto refl = SplitCrLf(ReadAll(s.out.File("r.txt")));
  ASSERT_EQ(refl.size(), 6u + 821u);  // default grid 310 to 1130 by 1
  EXPECT_EQ(refl[0], "Reflectance");
  EXPECT_EQ(refl[2], "Wavelength,leaf00001.spt,leaf00002.spt,leaf00003.spt");
  EXPECT_EQ(refl[6].substr(0, 6), " 310 ,");
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("a.txt")))[0], "Absorbance");

  // The same bytes as a run inside the program with the same settings.
  RunSettings settings;
  settings.variant = &VariantOf(Format::UniSpecOld);
  settings.files = s.old;
  settings.grid = {"310", "1130", "1"};
  settings.modes[Index(OutputMode::Reflectance)] = true;
  WavelengthTables tables;
  EXPECT_EQ(ReadAll(s.out.File("r.txt")), OutputText(ComputeConversion(settings, tables), OutputMode::Reflectance, nullptr));
}

TEST(Cli, CompactNeedsWavelengthsFromOutside) {
  TempFolder data;
  const auto scans = synth::WriteScans(data.Path().string(), Format::UniSpecCompact, 2, "c");
  const std::string waves = data.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecCompact, 256));
  Outcome o = Cli({"convert", "unispec-compact", scans[0], scans[1], "--reflectance", data.File("r.txt")});
  EXPECT_EQ(o.exit, 2);
  EXPECT_FALSE(fs::exists(data.File("r.txt")));
  o = Cli({"convert", "unispec-compact", scans[0], scans[1], "--waves", "external=" + waves, "--reflectance",
           data.File("r.txt")});
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto lines = SplitCrLf(ReadAll(data.File("r.txt")));
  EXPECT_EQ(lines.size(), 6u + 601u);  // default grid 400 to 1000 by 1
  EXPECT_EQ(lines[3], "   (nm)" + std::string(21, ' '));  // no dates in compact files: two empty zones
}

TEST(Cli, DamagedScanFailsAndLeavesNoOutput) {
  Scans s;
  const std::string text = ReadAll(s.old[1]);
  const std::string damaged = s.data.Write("damaged.spt", text.substr(0, text.size() - 3000));
  const Outcome o = Cli({"convert", "unispec-old", s.old[0], damaged, s.old[2], "--reflectance", s.data.File("r.txt"),
                         "--absorbance", s.out.File("a.txt")});
  EXPECT_EQ(o.exit, 1);
  EXPECT_TRUE(Has(o.err, "Problem in Data File!!!")) << o.err;
  EXPECT_TRUE(Has(o.err, damaged)) << o.err;
  EXPECT_TRUE(Names(s.out.Path()).empty());
  EXPECT_EQ(Names(s.data.Path()),
            (std::vector<std::string>{"damaged.spt", "leaf00001.spt", "leaf00002.spt", "leaf00003.spt"}));
}

TEST(Cli, FailingSecondOutputKeepsTheFirst) {
  Scans s;
  const Outcome o = Cli({"convert", "unispec-old", s.old[0], s.old[1], "--reflectance", s.out.File("r.txt"),
                         "--absorbance", s.out.File("missing/a.txt")});
  EXPECT_EQ(o.exit, 1);
  EXPECT_TRUE(Has(o.err, "Problem in Data File!!!")) << o.err;
  EXPECT_TRUE(Has(o.err, "missing/a.txt")) << o.err;
  EXPECT_EQ(Names(s.out.Path()), std::vector<std::string>{"r.txt"});
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("r.txt"))).size(), 6u + 821u);
}

TEST(Cli, UsageErrorsExitWithTwoAndWriteNothing) {
  Scans s;
  const auto ger = synth::WriteScans(s.data.Path().string(), Format::Ger1500, 1, "g");
  const std::string r = s.out.File("r.txt");
  const std::string a = s.old[0];
  const std::vector<std::vector<std::string>> cases = {
      {"convert", "unispec-ancient", a, "--reflectance", r},
      {"convert", "unispec-old", a, "--bogus", "--reflectance", r},
      {"convert", "ger1500", ger[0], "--target", r},
      {"convert", "ger1500", ger[0], "--reflectance", r, "--leaf-header", a},
      {"convert", "unispec-old", a, "--grid", "400,abc,1", "--reflectance", r},
      {"convert", "unispec-old", a, "--grid", "400,1000", "--reflectance", r},
      {"convert", "unispec-old", a, "--waves", "equation=300,x,0", "--reflectance", r},
      {"convert", "unispec-old", a, "--label", "sideways", "--reflectance", r},
      {"convert", "unispec-old", a},
      {"convert"},
      {"frobnicate"},
  };
  for (const auto& args : cases) {
    const Outcome o = Cli(args);
    std::string joined;
    for (const auto& x : args) joined += x + " ";
    EXPECT_EQ(o.exit, 2) << joined << "\n" << o.err;
    EXPECT_FALSE(o.err.empty()) << joined;
  }
  EXPECT_TRUE(Names(s.out.Path()).empty());
}

TEST(Cli, CheckExitCodesAndClosingText) {
  Scans s;
  const std::string errors = s.out.File("errors.txt");
  Outcome o = Cli({"check", "unispec-old", s.old[0], s.old[1], "--errors", errors});
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "Files Ok")) << o.out;
  EXPECT_EQ(ReadAll(errors), "");

  // A negative target reading on DATA record 5.
  auto lines = SplitCrLf(ReadAll(s.old[1]));
  const auto lastBlank = lines[14].find_last_of(' ');
  lines[14] = lines[14].substr(0, lastBlank + 1) + "-" + lines[14].substr(lastBlank + 1);
  const std::string bad = s.data.Write("bad.spt", testing::CrLf(lines));
  o = Cli({"check", "unispec-old", s.old[0], bad, "--errors", errors});
  EXPECT_EQ(o.exit, 1) << o.err;
  EXPECT_TRUE(Has(o.out, "Error messages saved in the error file")) << o.out;
  EXPECT_EQ(ReadAll(errors), bad + " : Negative value in DATA line #  5 \r\n");

  o = Cli({"check", "unispec-old", bad, s.data.File("gone.spt"), "--errors", errors});
  EXPECT_EQ(o.exit, 3);
  EXPECT_TRUE(Has(o.err, "Unknown File Error")) << o.err;
  EXPECT_TRUE(Has(o.err, "gone.spt")) << o.err;
  EXPECT_EQ(ReadAll(errors), bad + " : Negative value in DATA line #  5 \r\n");

  o = Cli({"check", "ger1500", s.data.File("gone.gr1"), "--errors", errors});
  EXPECT_EQ(o.exit, 3);
  EXPECT_TRUE(Has(o.err, "Unknown Error!!!")) << o.err;
  EXPECT_EQ(Cli({"check", "unispec-old", s.old[0]}).exit, 2);  // no error file named
}

TEST(Cli, LeafHeaderFileEndsUpInTheReflectanceFile) {
  Scans s;
  const std::string header = s.data.Write("leaf.txt",
                                          "# campaign notes\r\n"
                                          "Person responsible: Ana Souza\n"
                                          "\n"
                                          "  data type :  reflectance\n"
                                          "File name: site1.csv\r\n");
  const Outcome o = Cli({"convert", "unispec-old", s.old[0], s.old[1], "--leaf-header", header, "--reflectance",
                         s.out.File("r.txt"), "--absorbance", s.out.File("a.txt")});
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto refl = SplitCrLf(ReadAll(s.out.File("r.txt")));
  ASSERT_EQ(refl.size(), 26u + 821u);
  EXPECT_EQ(refl[0], "Information that applies to the whole file:,");
  EXPECT_EQ(refl[1], "File name:,site1.csv");
  EXPECT_EQ(refl[2], "Person responsible for data:,Ana Souza");
  EXPECT_EQ(refl[3], "Project description:,");
  EXPECT_EQ(refl[12], "Data type (ie reflect/trans/absorb):,reflectance");
  // 19 + 13 characters: blanks to column 43; the second label ends at a zone start: a whole zone.
  EXPECT_EQ(refl[22], "UniSpec file name:,leaf00001.spt" + std::string(10, ' ') + ",leaf00002.spt" +
                          std::string(14, ' ') + ",");
  EXPECT_EQ(refl[25], "Sample #:,");
  EXPECT_EQ(refl[26].substr(0, 6), " 310 ,");
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("a.txt")))[0], "Absorbance");

  const std::string wrong = s.data.Write("wrong.txt", "Favourite colour: green\n");
  const Outcome bad = Cli({"convert", "unispec-old", s.old[0], "--leaf-header", wrong, "--reflectance",
                           s.out.File("r2.txt")});
  EXPECT_EQ(bad.exit, 2);
  EXPECT_TRUE(Has(bad.err, "Favourite colour")) << bad.err;
  EXPECT_FALSE(fs::exists(s.out.File("r2.txt")));
}

}  // namespace
}  // namespace corvelane
