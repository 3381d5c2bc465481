// Real New-Format scans from the field: values pinned from an independent
// computation of the same files, and the mark where the panel read 0.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/scan_text.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;

ConversionResult ConvertReal(const std::vector<std::string>& files) {
  RunSettings s;
  s.variant = &VariantOf(Format::UniSpecNew);
  s.files = files;
  s.grid = {"310", "1130", "1"};
  s.modes[Index(OutputMode::Reflectance)] = true;
  s.modes[Index(OutputMode::Absorbance)] = true;
  WavelengthTables tables;
  return ComputeConversion(s, tables);
}

std::size_t Row(const ConversionResult& r, double nm) {
  for (std::size_t row = 0; row < r.Rows(); ++row)
    if (r.rowWavelengths[row] == nm) return row;
  ADD_FAILURE() << nm << " nm is not on the grid";
  return 0;
}

TEST(RealScans, PinnedReflectanceAndTheMarkNextToAZeroPanel) {
  const std::vector<std::string> files = testing::RealUniSpecNewFiles();
  if (files.empty()) GTEST_SKIP() << "no real scans in " << testing::RealDataFolder();
  const ConversionResult r = ConvertReal(files);
  bool sawSession13 = false;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::string name = fs::path(files[f]).filename().string();
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
    // Nothing between data and the mark: an absorbance is a small number or 999.
    for (std::size_t row = 0; row < r.Rows(); ++row) {
      const double a = r.Value(OutputMode::Absorbance, row, f);
      ASSERT_TRUE(a == 999 || std::fabs(a) < 10) << name << " at " << r.rowWavelengths[row] << ": " << a;
    }
  }
  EXPECT_TRUE(sawSession13);
}

}  // namespace
}  // namespace corvelane
