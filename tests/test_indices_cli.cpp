// `corvelane indices` end to end: outputs, exit codes and messages, on
// reflectance files the conversion wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "indices/index_run.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

using Outcome = ProgramOutcome;

// Runs the program in `folder` (where --preset finds INDEX).
Outcome Indices(const fs::path& folder, const Args& args) { return RunCommand("indices", folder, args); }

class IndicesCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ConvertLeafScans(folder, reflectance);
    folder.Write("INDEX",
                 "Indices\r\nof this folder\r\n\r\nNDVI, 800, 670, 1\r\nPRI, 531, 570, 1\r\nWBI, 900, 970, 2\r\n");
  }
  Args Outputs() const { return {"--index-file", folder.File("i.txt"), "--derivative-file", folder.File("d.txt")}; }
  bool Written(const char* name) const { return fs::exists(folder.File(name)); }

  TempFolder folder;
  std::string reflectance = folder.File("refl.txt");
};

TEST_F(IndicesCli, WritesTheAskedFilesWithIndicesInCommandLineOrder) {
  Args args = {"--preset", " WBI ", "--index", "dPRI,531,570,nd,derivative",
               "--preset", "NDVI",  "--index", "sr,800,670,2,1"};
  const Args out = Outputs();
  args.insert(args.end(), out.begin(), out.end());
  args.push_back(reflectance);
  const Outcome o = Indices(folder.Path(), args);
  ASSERT_EQ(o.exit, 0) << o.err;

  const ReflectanceTable t = ReadReflectanceFile(reflectance);
  const std::vector<IndexDefinition> expected = {
      {"WBI", "900", "970", IndexFormula::SimpleRatio, IndexSource::Reflectance},
      {"dPRI", "531", "570", IndexFormula::NormalisedDifference, IndexSource::Derivative},
      {"NDVI", "800", "670", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
      {"sr", "800", "670", IndexFormula::SimpleRatio, IndexSource::Reflectance}};
  EXPECT_EQ(ReadAll(folder.File("i.txt")), IndexFileText(t, expected, ComputeIndices(t, expected)));
  EXPECT_EQ(ReadAll(folder.File("d.txt")), DerivativeFileText(t));

  // The derivative file alone needs no index.
  fs::remove(folder.File("d.txt"));
  ASSERT_EQ(Indices(folder.Path(), {"--derivative-file", folder.File("d.txt"), reflectance}).exit, 0);
  EXPECT_EQ(ReadAll(folder.File("d.txt")), DerivativeFileText(t));
}

TEST_F(IndicesCli, UsageErrorsExitTwoAndWriteNothing) {
  const std::string ndvi = "NDVI,800,670,nd,reflectance";
  for (const auto& [args, message] : std::vector<std::pair<Args, std::string>>{
           {{"--index-file", folder.File("i.txt"), reflectance}, "--index-file needs at least one --index or --preset"},
           {{"--index", ndvi, "--derivative-file", folder.File("d.txt"), reflectance}, "add --index-file PATH"},
           {{reflectance}, "choose at least one output"},
           {{"--index", ndvi, "--index-file", folder.File("i.txt")}, "exactly one REFLECTANCE file, not 0"},
           {{"--index", ndvi, "--index-file", folder.File("i.txt"), reflectance, reflectance}, "not 2"},
           {{"--index", "NDVI,800,670,nd", "--index-file", folder.File("i.txt"), reflectance},
            "NAME,A,B,FORMULA,SOURCE"},
           {{"--index", "NDVI,red,670,nd,1", "--index-file", folder.File("i.txt"), reflectance}, "must be numbers"},
           {{"--index", "NDVI,800,670,sum,1", "--index-file", folder.File("i.txt"), reflectance}, "FORMULA is nd"},
           {{"--index", "NDVI,800,670,1,3", "--index-file", folder.File("i.txt"), reflectance},
            "SOURCE is reflectance"},
           {{"--preset", "EVI", "--index-file", folder.File("i.txt"), reflectance}, "found: NDVI, PRI, WBI"},
           {{"--bogus", reflectance}, "--bogus"}}) {
    const Outcome o = Indices(folder.Path(), args);
    EXPECT_TRUE(Exited(o, 2, {message})) << message;
    EXPECT_FALSE(Written("i.txt") || Written("d.txt")) << message;
  }
  // Without INDEX, a preset is a usage error that says none was found.
  fs::remove(folder.File("INDEX"));
  const Outcome o = Indices(folder.Path(), {"--preset", "NDVI", "--index-file", folder.File("i.txt"), reflectance});
  EXPECT_TRUE(Exited(o, 2, {"none found"}));
}

TEST_F(IndicesCli, AFailedRunExitsOneSaysWhyAndLeavesNoFile) {
  folder.Write("i.txt", "an earlier index file");
  const std::string absorbance = folder.File("abs.txt");
  Args convert = {"convert", "unispec-old", "--absorbance", absorbance};
  for (const auto& scan : synth::WriteScans(folder.File("more"), Format::UniSpecOld, 1, "x")) convert.push_back(scan);
  ASSERT_EQ(RunCorvelane(convert).exit, 0);
  for (const auto& [args, message] : std::vector<std::tuple<Args, std::string>>{
           {{"--index", "far,1200,670,nd,1", reflectance}, "wavelength A lies outside the table"},
           {{"--preset", "NDVI", absorbance}, "no names row was found"},
           {{"--preset", "NDVI", folder.File("missing.txt")}, "cannot open the file"}}) {
    Args all = args;
    const Args out = Outputs();
    all.insert(all.end() - 1, out.begin(), out.end());
    const Outcome o = Indices(folder.Path(), all);
    EXPECT_TRUE(Exited(o, 1, {message, all.back()})) << message;
    EXPECT_EQ(ReadAll(folder.File("i.txt")), "an earlier index file") << message;
    EXPECT_FALSE(Written("d.txt")) << message;
  }
}

}  // namespace
}  // namespace corvelane
