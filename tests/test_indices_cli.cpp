// `corvelane indices` end to end: outputs, exit codes and messages, on
// reflectance files the conversion wrote; with --catalogue, the long index
// file beside the files of the index run, which stay as they were; and
// `corvelane bands` on the same files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "indices/index_catalogue.h"
#include "indices/index_run.h"
#include "indices/index_values.h"
#include "indices/reflectance_reader.h"
#include "indices/satellite_bands.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/text_input.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

// Runs the program in `folder` (where --preset finds INDEX).
ProgramOutcome Indices(const fs::path& folder, const Args& args) { return RunCommand("indices", folder, args); }

class IndicesCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto scans = synth::WriteScans(folder.File("scans"), Format::UniSpecOld, 3, "leaf");
    ASSERT_EQ(RunCorvelane(Then({"convert", "unispec-old", "--reflectance", reflectance}, scans)).exit, 0);
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
  const ProgramOutcome o = Indices(folder.Path(), args);
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
    const ProgramOutcome o = Indices(folder.Path(), args);
    EXPECT_TRUE(Exited(o, 2, {message})) << message;
    EXPECT_FALSE(Written("i.txt") || Written("d.txt")) << message;
  }
  // Without INDEX, a preset is a usage error that says none was found.
  fs::remove(folder.File("INDEX"));
  const ProgramOutcome o =
      Indices(folder.Path(), {"--preset", "NDVI", "--index-file", folder.File("i.txt"), reflectance});
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
    const ProgramOutcome o = Indices(folder.Path(), all);
    EXPECT_TRUE(Exited(o, 1, {message, all.back()})) << message;
    EXPECT_EQ(ReadAll(folder.File("i.txt")), "an earlier index file") << message;
    EXPECT_FALSE(Written("d.txt")) << message;
  }
}

// ---- --catalogue: the long index file

TEST_F(IndicesCli, CatalogueAllEntriesGiveOneRowPerScanAndIndexAndLeaveTheOtherFilesAsTheyWere) {
  const Args indexRun = {"--index",           "NDVI,800,670,nd,1", "--index-file", folder.File("i.txt"),
                         "--derivative-file", folder.File("d.txt")};
  Args alone = indexRun;
  alone.push_back(reflectance);
  ASSERT_EQ(Indices(folder.Path(), alone).exit, 0);
  const std::string indexFile = ReadAll(folder.File("i.txt")), derivativeFile = ReadAll(folder.File("d.txt"));

  Args both = indexRun;
  for (const char* a : {"--catalogue", "all", "--long-indices"}) both.push_back(a);
  both.push_back(folder.File("long.csv"));
  both.push_back(reflectance);
  const ProgramOutcome o = Indices(folder.Path(), both);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(folder.File("i.txt")), indexFile);
  EXPECT_EQ(ReadAll(folder.File("d.txt")), derivativeFile);

  const ReflectanceTable table = ReadReflectanceFile(reflectance);
  const auto entries = LoadCatalogue("");
  // The bytes of the long file as the program writes it from those values.
  EXPECT_EQ(ReadAll(folder.File("long.csv")),
            LongIndexText(table, reflectance, entries, ComputeCatalogue(table, entries)));
  EXPECT_EQ(SplitCrLf(ReadAll(folder.File("long.csv"))).size(), 1 + 3 * entries.size());
  // Only the entries asked for, in the order asked.
  ASSERT_EQ(
      Indices(folder.Path(), {"--catalogue", "WBI, PRI", "--long-indices", folder.File("two.csv"), reflectance}).exit,
      0);
  const auto two = SplitCrLf(ReadAll(folder.File("two.csv")));
  ASSERT_EQ(two.size(), 7u);
  EXPECT_EQ(Fields(two[1])[4], "WBI");
  EXPECT_EQ(Fields(two[2])[4], "PRI");
}

// A damaged catalogue or selection in itself: IndexCatalogue.
TEST_F(IndicesCli, CatalogueUsageErrorsExitTwoAndWriteNothing) {
  const std::string before = ReadAll(reflectance);
  const std::string bad =
      folder.Write("bad.csv", "name,expression,bands,citation,notes\nODD,(A-B)/(A+C),A=500;B=600,,\n");
  const std::string out = folder.File("long.csv");
  const std::string dotted = (folder.Path() / "." / "refl.txt").string();
  for (const auto& [args, message] : std::vector<std::pair<Args, std::string>>{
           {{"--catalogue", "all", "--long-indices", dotted, reflectance}, "would replace REFLECTANCE " + reflectance},
           {{"--catalogue", "all", "--long-indices", bad, "--catalogue-file", bad, reflectance},
            "would replace --catalogue-file"},
           {{"--catalogue", "all", "--long-indices", out, "--derivative-file", out, reflectance},
            "and --derivative-file " + out + " are the same file"},
           {{"--catalogue", "all", reflectance}, "written only to --long-indices PATH"},
           {{"--long-indices", out, reflectance}, "--long-indices needs --catalogue"},
           {{"--catalogue-file", bad, "--derivative-file", folder.File("d.txt"), reflectance},
            "--catalogue-file needs --catalogue"},
           {{"--catalogue", "ODD", "--catalogue-file", bad, "--long-indices", out, reflectance},
            "catalogue entry \"ODD\": the expression names \"C\""},
           {{"--catalogue", "all", "--catalogue-file", folder.File("none.csv"), "--long-indices", out, reflectance},
            "cannot read the catalogue file"},
           {{"--catalogue", "all", "--catalogue-file", folder.Path().string(), "--long-indices", out, reflectance},
            "not a regular file"}}) {
    const ProgramOutcome o = Indices(folder.Path(), args);
    EXPECT_TRUE(Exited(o, 2, {message})) << message;
    EXPECT_FALSE(Written("long.csv") || Written("d.txt")) << message;
    EXPECT_EQ(ReadAll(reflectance), before) << message;
  }
}

TEST_F(IndicesCli, CatalogueABandTheTableCannotGiveFailsBeforeAnyFileIsWritten) {
  const std::string far = folder.Write("far.csv", "name,expression,bands,citation,notes\nSWIR,A,A=1500-1600,,\n");
  const ProgramOutcome o = Indices(
      folder.Path(), {"--index", "NDVI,800,670,nd,1", "--index-file", folder.File("i.txt"), "--catalogue", "NDVI,SWIR",
                      "--catalogue-file", far, "--long-indices", folder.File("long.csv"), reflectance});
  EXPECT_EQ(o.exit, 1);
  EXPECT_TRUE(Has(o.err, "catalogue entry \"SWIR\", band A=1500-1600") &&
              Has(o.err, "the table runs from 310 to 1130 nm"))
      << o.err;
  EXPECT_FALSE(Written("i.txt") || Written("long.csv"));
}

// ---- `corvelane bands`: the long band file, the coverage warning, user
// sensor files, usage errors that write nothing, and --list.

ProgramOutcome Bands(const fs::path& folder, const Args& args) { return RunCommand("bands", folder, args); }

class BandsCli : public IndicesCli {
 protected:
  std::string out = folder.File("bands.csv");
};

TEST_F(BandsCli, AllSensorsGiveOneRowPerScanAndBandAndOneWarning) {
  const std::string own = folder.Write("tri-sensor.csv", "wavelength_nm,T\n500,0\n510,1\n520,0\n");
  const ProgramOutcome o =
      Bands(folder.Path(), {"--sensor", "all", "--sensor-file", own, "--long-bands", out, reflectance});
  ASSERT_EQ(o.exit, 0) << o.err;
  // One warning naming the bands beyond 310-1130 nm with their coverage.
  EXPECT_TRUE(Has(o.err, "warning: bands not computed") && Has(o.err, "sentinel-2a-msi B11 (0.00)") &&
              Has(o.err, "modis-aqua B5 (") && !Has(o.err, "sentinel-3a-olci"))
      << o.err;
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;

  const ReflectanceTable t = ReadReflectanceFile(reflectance);
  std::vector<const SensorResponse*> sensors;
  for (const std::string& n : ShippedSensorNames()) sensors.push_back(&ShippedSensor(n));
  const SensorResponse tri = ReadSensorFile(own);
  sensors.push_back(&tri);
  const BandResults r = ComputeBands(t, sensors);
  ASSERT_EQ(r.bands.size(), 114u);  // 113 shipped bands and T
  // The bytes of the band file as the program writes it from those values.
  EXPECT_EQ(ReadAll(out), LongBandText(t, reflectance, r));
  const auto rows = SplitCrLf(ReadAll(out));
  ASSERT_EQ(rows.size(), 1 + 3 * r.bands.size());
  EXPECT_EQ(Fields(rows.back())[4], "tri-sensor");
  EXPECT_EQ(Fields(rows.back())[6], "510");
}

TEST_F(BandsCli, MinCoverageLetsAPartlyCoveredBandThrough) {
  // MODIS band 5's response lies 0.93 inside 350-2500 nm, nothing of it inside 310-1130 nm.
  const std::string wide = folder.Write("wide.csv", "wavelength_nm,W\n1000,1\n1200,1\n");  // 0.65 inside
  ASSERT_EQ(
      Bands(folder.Path(), {"--sensor-file", wide, "--min-coverage", "0.6", "--long-bands", out, reflectance}).exit, 0);
  const auto rows = SplitCrLf(ReadAll(out));
  EXPECT_NEAR(ParseNumber(Fields(rows[1])[7]).value_or(NAN), 0.65, 1e-12);
  EXPECT_NE(Fields(rows[1])[8], "");
  const ProgramOutcome o = Bands(folder.Path(), {"--sensor-file", wide, "--long-bands", out, reflectance});
  EXPECT_TRUE(Has(o.err, "wide W (0.65)")) << o.err;
  EXPECT_EQ(Fields(SplitCrLf(ReadAll(out))[1])[8], "");
}

// A damaged sensor file in itself: ResponseTables.DamagedTablesAreRefusedNamingTheLine.
TEST_F(BandsCli, UsageErrorsExitTwoAndWriteNothing) {
  const std::string before = ReadAll(reflectance);
  const std::string down = folder.Write("down.csv", "wavelength_nm,A\n500,1\n501,1\n499,1\n");
  const std::string dotted = (folder.Path() / "." / "refl.txt").string();
  for (const auto& [args, message] : std::vector<std::pair<Args, std::string>>{
           {{"--sensor", "all", "--long-bands", dotted, reflectance}, "would replace REFLECTANCE " + reflectance},
           {{"--sensor-file", down, "--long-bands", down, reflectance}, "would replace --sensor-file"},
           {{"--sensor", "landsat-8-oli,spot-5", "--long-bands", out, reflectance},
            "\"spot-5\" is not a shipped sensor"},
           {{"--sensor", "all", reflectance}, "only to --long-bands PATH"},
           {{"--long-bands", out, reflectance}, "choose the sensors"},
           {{"--sensor", "all", "--min-coverage", "1.5", "--long-bands", out, reflectance}, "from 0 to 1"},
           {{"--sensor", "modis-aqua,modis-aqua", "--long-bands", out, reflectance}, "asked for twice"},
           {{"--sensor-file", down, "--long-bands", out, reflectance}, "down.csv, line 4"},
           {{"--sensor-file", folder.File("none.csv"), "--long-bands", out, reflectance}, "not a regular file"}}) {
    const ProgramOutcome o = Bands(folder.Path(), args);
    EXPECT_TRUE(Exited(o, 2, {message})) << message;
    EXPECT_FALSE(fs::exists(out)) << message;
    EXPECT_EQ(ReadAll(reflectance), before) << message;
  }
}

TEST(BandsList, EverySensorWithItsBandsAndCentres) {
  const Outcome listed = RunProgram({"bands", "--list"});
  ASSERT_EQ(listed.exit, 0);
  const std::string& text = listed.out;
  for (const std::string& name : ShippedSensorNames())
    EXPECT_TRUE(Has(text, name + ": B1 ") || Has(text, name + ": Oa01 ")) << name;
  EXPECT_TRUE(Has(text, "sentinel-2a-msi: B1 442.70, B2 492.72, B3 559.85, B4 664.62,")) << text;
  EXPECT_TRUE(Has(text, "sentinel-3a-olci: Oa01 400.30,")) << text;
}

}  // namespace
}  // namespace corvelane
