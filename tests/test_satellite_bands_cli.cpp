// `corvelane bands`: the long band file end to end on a reflectance file the
// conversion wrote, the coverage warning, user sensor files, usage errors
// that write nothing, and --list.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "indices/reflectance_reader.h"
#include "indices/satellite_bands.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

ProgramOutcome Bands(const fs::path& folder, const Args& args) { return RunCommand("bands", folder, args); }

class BandsCli : public ::testing::Test {
 protected:
  void SetUp() override { ConvertLeafScans(folder, reflectance); }
  TempFolder folder;
  std::string reflectance = folder.File("refl.txt");
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
  const auto rows = SplitCrLf(ReadAll(out));
  ASSERT_EQ(rows.size(), 1 + 3 * r.bands.size());
  for (std::size_t k = 0; k < 3; ++k)
    for (std::size_t b = 0; b < r.bands.size(); ++b) {
      const auto f = Fields(rows[1 + k * r.bands.size() + b]);
      ASSERT_EQ(f.size(), 9u);
      EXPECT_EQ(f[0], reflectance);
      EXPECT_EQ(f[1], t.names[k]);
      EXPECT_EQ(f[4], r.bands[b].sensor->name);
      EXPECT_EQ(f[5], r.bands[b].band->name);
      const double v = r.Value(k, b);
      if (std::isnan(v)) {
        EXPECT_EQ(f[8], "") << rows[1 + k * r.bands.size() + b];
      } else {
        EXPECT_NEAR(ParseNumber(f[8]).value_or(NAN), v, 1e-12);
      }
    }
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

TEST_F(BandsCli, UsageErrorsExitTwoAndWriteNothing) {
  const std::string before = ReadAll(reflectance);
  const std::string noColumn = folder.Write("nocol.csv", "nm,A\n500,1\n");
  const std::string text = folder.Write("text.csv", "wavelength_nm,A\n500,1\n501,one\n");
  const std::string down = folder.Write("down.csv", "wavelength_nm,A\n500,1\n501,1\n499,1\n");
  const std::string dotted = (folder.Path() / "." / "refl.txt").string();
  for (const auto& [args, message] : std::vector<std::pair<Args, std::string>>{
           {{"--sensor", "all", "--long-bands", reflectance, reflectance}, "would replace REFLECTANCE " + reflectance},
           {{"--sensor", "all", "--long-bands", dotted, reflectance}, "would replace REFLECTANCE " + reflectance},
           {{"--sensor-file", down, "--long-bands", down, reflectance}, "would replace --sensor-file"},
           {{"--sensor", "landsat-8-oli,spot-5", "--long-bands", out, reflectance},
            "\"spot-5\" is not a shipped sensor"},
           {{"--sensor", "all", reflectance}, "only to --long-bands PATH"},
           {{"--long-bands", out, reflectance}, "choose the sensors"},
           {{"--sensor", "all", "--min-coverage", "1.5", "--long-bands", out, reflectance}, "from 0 to 1"},
           {{"--sensor", "modis-aqua,modis-aqua", "--long-bands", out, reflectance}, "asked for twice"},
           {{"--sensor-file", noColumn, "--long-bands", out, reflectance}, "nocol.csv, line 1"},
           {{"--sensor-file", text, "--long-bands", out, reflectance}, "text.csv, line 3"},
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
