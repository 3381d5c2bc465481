// The wavelength grid and the linear resampling of channel values onto it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/failure.h"
#include "convert/grid.h"

namespace corvelane {
namespace {

TEST(Grid, CountRoundsToTheNearestWholeNumberHalvesToEven) {
  struct Case {
    GridTexts texts;
    int count;
  };
  const Case cases[] = {
      {{"310", "1130", "1"}, 821},
      {{"400", "1000", "1"}, 601},
      {{"400", "410", "4"}, 4},   // 3.5 -> 4
      {{"400", "402", "4"}, 2},   // 1.5 -> 2
      {{"400", "406", "4"}, 2},   // 2.5 -> 2
      {{"400", "400", "1"}, 1},
      {{"10", "9", "1"}, 0},
      {{"410", "400", "-5"}, 3},
      {{" 310 ", "1130.0", "2.5"}, 329},
      {{"0", "32766", "1"}, 32767},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GridCount(c.texts), c.count) << c.texts.begin << ".." << c.texts.end << " by " << c.texts.step;
}

TEST(Grid, PointsByRepeatedAddition) {
  const std::vector<double> a = GridPoints({"310", "1130", "1"});
  ASSERT_EQ(a.size(), 821u);
  EXPECT_EQ(a.front(), 310);
  EXPECT_EQ(a[1], 311);
  EXPECT_EQ(a.back(), 1130);

  // The last point lies above the end value.
  EXPECT_EQ(GridPoints({"400", "410", "4"}), (std::vector<double>{400, 404, 408, 412}));
  EXPECT_EQ(GridPoints({"410", "400", "-5"}), (std::vector<double>{410, 405, 400}));

  // 0.1 added ten times is not 1.0, while 10 * 0.1 is: the grid must be the sum.
  const std::vector<double> tenths = GridPoints({"0", "1", "0.1"});
  ASSERT_EQ(tenths.size(), 11u);
  double sum = 0;
  for (int j = 0; j < 10; ++j) sum += 0.1;
  EXPECT_EQ(tenths[10], sum);
  EXPECT_NE(tenths[10], 10 * 0.1);
  EXPECT_TRUE(GridPoints({"10", "9", "1"}).empty());
}

TEST(Grid, BadTextsFail) {
  const GridTexts cases[] = {
      {"310", "1130", "0"},     {"310", "1130", "-0"},  {"abc", "1130", "1"}, {"310", "", "1"},
      {"310", "1130", "x1"},    {"310", "1130,5", "1"}, {"0", "32767", "1"},  {"0", "1000000", "0.001"},
      {"10", "0", "1"},         {"1e308", "-1e308", "1e-308"},
  };
  for (const GridTexts& g : cases) {
    EXPECT_THROW(GridCount(g), RunFailure) << g.begin << ".." << g.end << " by " << g.step;
    EXPECT_THROW(GridPoints(g), RunFailure);
  }
}

std::vector<double> Resample(const std::vector<double>& grid, const std::vector<double>& w,
                             const std::vector<double>& v) {
  const ResamplePlan plan(grid, w, "test table");
  EXPECT_EQ(plan.Size(), grid.size());
  std::vector<double> out(grid.size(), -1);
  plan.Apply(v.data(), out.data());
  return out;
}

const std::vector<double> kW = {400, 410, 420, 430};
const std::vector<double> kV = {1, 2, 4, 8};

TEST(Resample, ExactHitsMidpointsAndTheFormula) {
  // Exact hits take the channel value, end points included.
  EXPECT_EQ(Resample({400, 410, 420, 430}, kW, kV), (std::vector<double>{1, 2, 4, 8}));
  // Halfway between two channels: their mean.
  EXPECT_EQ(Resample({405, 415, 425}, kW, kV), (std::vector<double>{1.5, 3, 6}));
  // 401: v1 - (410 - 401) * (v1 - v0) / (410 - 400) = 2 - 9 * 1 / 10 = 1.1
  // 412.5: 4 - 7.5 * 2 / 10 = 2.5;  429: 8 - 1 * 4 / 10 = 7.6
  const std::vector<double> r = Resample({401, 412.5, 429}, kW, kV);
  EXPECT_DOUBLE_EQ(r[0], 1.1);
  EXPECT_DOUBLE_EQ(r[1], 2.5);
  EXPECT_DOUBLE_EQ(r[2], 7.6);
  // Falling values and the 999 marker are interpolated like any other value.
  const std::vector<double> f = Resample({405}, {400, 410}, {999, 1});
  EXPECT_DOUBLE_EQ(f[0], 500);
}

TEST(Resample, OnePlanServesEverySpectrum) {
  const ResamplePlan plan({400, 405, 430}, kW, "test table");
  const std::vector<double> a = {0, 10, 20, 30}, b = {-1, -3, 0, 5};
  double out[3];
  plan.Apply(a.data(), out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 5);
  EXPECT_EQ(out[2], 30);
  plan.Apply(b.data(), out);
  EXPECT_EQ(out[0], -1);
  EXPECT_EQ(out[1], -2);
  EXPECT_EQ(out[2], 5);
}

TEST(Resample, PointOutsideTheChannelsFailsNamingThePoint) {
  struct Case {
    std::vector<double> grid;
    const char* named;
  };
  const Case cases[] = {
      {{399.5, 400, 405}, "399.5"},
      {{400, 430, 430.25}, "430.25"},
      {{1130}, "1130"},
  };
  for (const Case& c : cases) {
    try {
      ResamplePlan plan(c.grid, kW, "test table");
      ADD_FAILURE() << "no failure for " << c.named;
    } catch (const RunFailure& f) {
      EXPECT_NE(std::string(f.what()).find(c.named), std::string::npos) << f.what();
    }
  }
  EXPECT_THROW(ResamplePlan({400}, {}, "empty table"), RunFailure);
}

TEST(Resample, TablesThatDoNotRise) {
  const std::vector<double> falling = {430, 420, 410, 400};
  EXPECT_THROW(ResamplePlan({415}, falling, "falling"), RunFailure);
  // An exact hit needs no rising interval.
  EXPECT_EQ(Resample({420}, falling, kV), (std::vector<double>{2}));
  const std::vector<double> flat = {400, 400, 400, 400};
  EXPECT_EQ(Resample({400}, flat, kV), (std::vector<double>{1}));
  EXPECT_THROW(ResamplePlan({401}, flat, "flat"), RunFailure);
  // Unset entries (0) after the data: points inside the rising part still work,
  // the search from channel 0 takes the first interval that holds the point.
  const std::vector<double> shortTable = {400, 410, 420, 0, 0};
  EXPECT_EQ(Resample({415}, shortTable, {1, 2, 4, 0, 0}), (std::vector<double>{3}));
  EXPECT_THROW(ResamplePlan({425}, shortTable, "short"), RunFailure);
  const std::vector<double> dip = {400, 410, 405, 420};
  EXPECT_EQ(Resample({407}, dip, {0, 10, 100, 1000}), (std::vector<double>{7}));
}

}  // namespace
}  // namespace corvelane
