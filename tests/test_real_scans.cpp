// Real New-Format scans from the field: values pinned from an independent
// computation of the same files, their head rows, plausible reflectance, and
// the mark where the panel read 0.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;

std::size_t Row(const ConversionResult& r, double nm) {
  for (std::size_t row = 0; row < r.Rows(); ++row)
    if (r.rowWavelengths[row] == nm) return row;
  ADD_FAILURE() << nm << " nm is not on the grid";
  return 0;
}

TEST(RealScans, PinnedReflectanceAndTheMarkNextToAZeroPanel) {
  const std::vector<std::string> files = testing::RealUniSpecNewFiles();
  if (files.empty()) GTEST_SKIP() << "no real scans in " << testing::RealDataFolder();
  using testing::Convert, testing::Settings;
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

}  // namespace
}  // namespace corvelane
