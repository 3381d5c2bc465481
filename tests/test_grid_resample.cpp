// The wavelength grid and the linear resampling of channel values onto it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/grid.h"
#include "tests/scan_text.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using testing::FailureOf;
using Values = std::vector<double>;

TEST(Grid, CountRoundsToTheNearestWholeNumberHalvesToEven) {
  struct Case {
    GridTexts texts;
    int count;
  };
  const Case cases[] = {
      {{"310", "1130", "1"}, 821},       {{"400", "1000", "1"}, 601},  {{"400", "410", "4"}, 4},  // 3.5 -> 4
      {{"400", "402", "4"}, 2},                                                                   // 1.5 -> 2
      {{"400", "406", "4"}, 2},                                                                   // 2.5 -> 2
      {{"400", "400", "1"}, 1},          {{"10", "9", "1"}, 0},        {{"410", "400", "-5"}, 3},
      {{" 310 ", "1130.0", "2.5"}, 329}, {{"0", "32766", "1"}, 32767},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GridCount(c.texts), c.count) << c.texts.begin << ".." << c.texts.end << " by " << c.texts.step;
  const GridTexts bad[] = {
      {"310", "1130", "0"},  {"310", "1130", "-0"},         {"abc", "1130", "1"}, {"310", "", "1"},
      {"310", "1130", "x1"}, {"310", "1130,5", "1"},        {"0", "32767", "1"},  {"0", "1000000", "0.001"},
      {"10", "0", "1"},      {"1e308", "-1e308", "1e-308"},
  };
  for (const GridTexts& g : bad) {
    EXPECT_THROW(GridCount(g), RunFailure) << g.begin << ".." << g.end << " by " << g.step;
    EXPECT_THROW(GridPoints(g), RunFailure);
  }
}

TEST(Grid, PointsByRepeatedAddition) {
  const Values a = GridPoints({"310", "1130", "1"});
  ASSERT_EQ(a.size(), 821u);
  EXPECT_EQ(a.front(), 310);
  EXPECT_EQ(a.back(), 1130);
  // The last point lies above the end value.
  EXPECT_EQ(GridPoints({"400", "410", "4"}), (Values{400, 404, 408, 412}));
  EXPECT_EQ(GridPoints({"410", "400", "-5"}), (Values{410, 405, 400}));
  EXPECT_TRUE(GridPoints({"10", "9", "1"}).empty());
  // 0.1 added ten times is not 1.0, while 10 * 0.1 is: the grid must be the sum.
  const Values tenths = GridPoints({"0", "1", "0.1"});
  ASSERT_EQ(tenths.size(), 11u);
  double sum = 0;
  for (int j = 0; j < 10; ++j) sum += 0.1;
  EXPECT_EQ(tenths[10], sum);
  EXPECT_NE(tenths[10], 10 * 0.1);
}

const Values kW = {400, 410, 420, 430};
const Values kV = {1, 2, 4, 8};

TEST(Resample, ExactHitsAndTheLinearFormula) {
  struct Case {
    Values grid, w, v, expected;
  };
  const Case cases[] = {
      {{400, 410, 420, 430}, kW, kV, {1, 2, 4, 8}},  // exact hits, end points included
      {{405, 415, 425}, kW, kV, {1.5, 3, 6}},        // halfway: the mean
      // 401: v1 - (410 - 401) * (v1 - v0) / (410 - 400) = 2 - 9 * 1 / 10 = 1.1
      // 412.5: 4 - 7.5 * 2 / 10 = 2.5;  429: 8 - 1 * 4 / 10 = 7.6
      {{401, 412.5, 429}, kW, kV, {1.1, 2.5, 7.6}},
      {{400, 405, 430}, kW, {-1, -3, 0, 5}, {-1, -2, 5}},
      {{405}, {400, 410}, {999, 1}, {500}},  // falling values and the 999 marker like any other
      // Tables that do not rise: an exact hit needs no rising interval.
      {{420}, {430, 420, 410, 400}, kV, {2}},
      {{400}, {400, 400, 400, 400}, kV, {1}},
      // Unset entries (0) after the data: points inside the rising part still work,
      // the search from channel 0 takes the first interval that holds the point.
      {{415}, {400, 410, 420, 0, 0}, {1, 2, 4, 0, 0}, {3}},
      {{407}, {400, 410, 405, 420}, {0, 10, 100, 1000}, {7}},
  };
  for (const Case& c : cases) {
    const ResamplePlan plan(c.grid, c.w, "test table");
    ASSERT_EQ(plan.Size(), c.grid.size());
    Values out(c.grid.size(), -1);
    plan.Apply(c.v.data(), out.data());
    for (std::size_t j = 0; j < out.size(); ++j) EXPECT_DOUBLE_EQ(out[j], c.expected[j]) << "at " << c.grid[j];
  }
}

TEST(Resample, PointOutsideTheRisingChannelsFailsNamingThePoint) {
  struct Case {
    Values grid, w;
    const char* named;
  };
  const Case cases[] = {
      {{399.5, 400, 405}, kW, "399.5"},
      {{400, 430, 430.25}, kW, "430.25"},
      {{1130}, kW, "1130"},
      {{400}, {}, "400"},
      {{415}, {430, 420, 410, 400}, "415"},
      {{401}, {400, 400, 400, 400}, "401"},
      {{425}, {400, 410, 420, 0, 0}, "425"},
  };
  for (const Case& c : cases) {
    const std::string failure = FailureOf([&] { ResamplePlan(c.grid, c.w, "test table"); });
    EXPECT_NE(failure.find(std::string("grid point ") + c.named + " nm"), std::string::npos) << failure;
  }
}

}  // namespace
}  // namespace corvelane
