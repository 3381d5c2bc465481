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
using namespace testing;
using Args = std::vector<std::string>;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Outcome { int exit = -1; std::string out, err; };

Outcome Cli(const Args& args) {
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

// {command, format, scans..., options...}
Args Line(const std::string& command, const std::string& format, const Args& scans, const Args& options) {
  Args a = {command, format};
  a.insert(a.end(), scans.begin(), scans.end());
  a.insert(a.end(), options.begin(), options.end());
  return a;
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
  Args old = synth::WriteScans(data.Path().string(), Format::UniSpecOld, 3, "leaf");
};

TEST(Cli, ConvertWritesTheChosenOutputs) {
  Scans s;
  const Outcome o = Cli(Line("convert", "unispec-old", s.old,
                             {"--reflectance", s.out.File("r.txt"), "--absorbance", s.out.File("a.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(Names(s.out.Path()), (Args{"a.txt", "r.txt"}));
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("a.txt")))[0], "Absorbance");
  // The same bytes as a run inside the program with the default settings
  // (grid 310 to 1130 by 1, labels from the paths).
  RunSettings settings;
  settings.variant = &VariantOf(Format::UniSpecOld);
  settings.files = s.old;
  settings.grid = {"310", "1130", "1"};
  settings.modes[Index(OutputMode::Reflectance)] = true;
  WavelengthTables tables;
  EXPECT_EQ(ReadAll(s.out.File("r.txt")), OutputText(ComputeConversion(settings, tables), OutputMode::Reflectance, nullptr));
}

TEST(Cli, CompactTakesWavelengthsFromOutside) {
  TempFolder data;
  const auto scans = synth::WriteScans(data.Path().string(), Format::UniSpecCompact, 2, "c");
  const std::string waves = data.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecCompact, 256));
  const Outcome o =
      Cli(Line("convert", "unispec-compact", scans, {"--waves", "external=" + waves, "--reflectance", data.File("r.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto lines = SplitCrLf(ReadAll(data.File("r.txt")));
  EXPECT_EQ(lines.size(), 6u + 601u);  // default grid 400 to 1000 by 1
  EXPECT_EQ(lines[3], "   (nm)" + std::string(21, ' '));  // no dates in compact files: two empty zones
}

TEST(Cli, RunFailuresExitWithOneAndLeaveNoPartialOutput) {
  Scans s;
  const std::string text = ReadAll(s.old[1]);
  const std::string damaged = s.data.Write("damaged.spt", text.substr(0, text.size() - 3000));
  Outcome o = Cli(Line("convert", "unispec-old", {s.old[0], damaged, s.old[2]},
                       {"--reflectance", s.data.File("r.txt"), "--absorbance", s.out.File("a.txt")}));
  EXPECT_EQ(o.exit, 1);
  EXPECT_TRUE(Has(o.err, "Problem in Data File!!!")) << o.err;
  EXPECT_TRUE(Has(o.err, damaged)) << o.err;
  EXPECT_TRUE(Names(s.out.Path()).empty());
  EXPECT_EQ(Names(s.data.Path()), (Args{"damaged.spt", "leaf00001.spt", "leaf00002.spt", "leaf00003.spt"}));

  // A second output that cannot be written keeps the first, whole.
  o = Cli(Line("convert", "unispec-old", {s.old[0], s.old[1]},
               {"--reflectance", s.out.File("r.txt"), "--absorbance", s.out.File("missing/a.txt")}));
  EXPECT_EQ(o.exit, 1);
  EXPECT_TRUE(Has(o.err, "Problem in Data File!!!")) << o.err;
  EXPECT_TRUE(Has(o.err, "missing/a.txt")) << o.err;
  EXPECT_EQ(Names(s.out.Path()), Args{"r.txt"});
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("r.txt"))).size(), 6u + 821u);
}

TEST(Cli, UsageErrorsExitWithTwoAndWriteNothing) {
  Scans s;
  const auto ger = synth::WriteScans(s.data.Path().string(), Format::Ger1500, 1, "g");
  const auto compact = synth::WriteScans(s.data.Path().string(), Format::UniSpecCompact, 1, "c");
  const std::string r = s.out.File("r.txt");
  const std::string a = s.old[0];
  const std::vector<Args> cases = {
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
      {"check", "unispec-old", a},  // no error file named
      {"convert", "unispec-compact", compact[0], "--reflectance", r},  // no wavelengths from outside
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
  Outcome o = Cli(Line("check", "unispec-old", {s.old[0], s.old[1]}, {"--errors", errors}));
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "Files Ok")) << o.out;
  EXPECT_EQ(ReadAll(errors), "");

  // A negative target reading on DATA record 5.
  auto lines = SplitCrLf(ReadAll(s.old[1]));
  const auto lastBlank = lines[14].find_last_of(' ');
  lines[14] = lines[14].substr(0, lastBlank + 1) + "-" + lines[14].substr(lastBlank + 1);
  const std::string bad = s.data.Write("bad.spt", CrLf(lines));
  const std::string badLine = bad + " : Negative value in DATA line #  5 \r\n";
  o = Cli(Line("check", "unispec-old", {s.old[0], bad}, {"--errors", errors}));
  EXPECT_EQ(o.exit, 1) << o.err;
  EXPECT_TRUE(Has(o.out, "Error messages saved in the error file")) << o.out;
  EXPECT_EQ(ReadAll(errors), badLine);

  o = Cli(Line("check", "unispec-old", {bad, s.data.File("gone.spt")}, {"--errors", errors}));
  EXPECT_EQ(o.exit, 3);
  EXPECT_TRUE(Has(o.err, "Unknown File Error")) << o.err;
  EXPECT_TRUE(Has(o.err, "gone.spt")) << o.err;
  EXPECT_EQ(ReadAll(errors), badLine);

  o = Cli(Line("check", "ger1500", {s.data.File("gone.gr1")}, {"--errors", errors}));
  EXPECT_EQ(o.exit, 3);
  EXPECT_TRUE(Has(o.err, "Unknown Error!!!")) << o.err;
}

TEST(Cli, LeafHeaderFileEndsUpInTheReflectanceFile) {
  Scans s;
  const std::string header = s.data.Write("leaf.txt",
                                          "# campaign notes\r\n"
                                          "Person responsible: Ana Souza\n"
                                          "\n"
                                          "  data type :  reflectance\n"
                                          "File name: site1.csv\r\n");
  const Outcome o = Cli(Line("convert", "unispec-old", {s.old[0], s.old[1]},
                             {"--leaf-header", header, "--reflectance", s.out.File("r.txt"), "--absorbance",
                              s.out.File("a.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto refl = SplitCrLf(ReadAll(s.out.File("r.txt")));
  ASSERT_EQ(refl.size(), 26u + 821u);
  EXPECT_EQ(refl[1], "File name:,site1.csv");
  EXPECT_EQ(refl[2], "Person responsible for data:,Ana Souza");
  EXPECT_EQ(refl[3], "Project description:,");
  EXPECT_EQ(refl[12], "Data type (ie reflect/trans/absorb):,reflectance");
  // 19 + 13 characters: blanks to column 43; the second label ends at a zone start: a whole zone.
  EXPECT_EQ(refl[22], "UniSpec file name:,leaf00001.spt" + std::string(10, ' ') + ",leaf00002.spt" +
                          std::string(14, ' ') + ",");
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("a.txt")))[0], "Absorbance");

  const std::string wrong = s.data.Write("wrong.txt", "Favourite colour: green\n");
  const Outcome bad = Cli(Line("convert", "unispec-old", {s.old[0]},
                               {"--leaf-header", wrong, "--reflectance", s.out.File("r2.txt")}));
  EXPECT_EQ(bad.exit, 2);
  EXPECT_TRUE(Has(bad.err, "Favourite colour")) << bad.err;
  EXPECT_FALSE(fs::exists(s.out.File("r2.txt")));
}

}  // namespace
}  // namespace corvelane
