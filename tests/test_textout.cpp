// How numbers and columns look in the output files: the numeric text form,
// rounding with ties to even, and the 14-character print zones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  struct Case {
    double x;
    int decimals;
    double expected;
  };
  // Every tie here is exact in binary, so it really is a tie.
  const Case cases[] = {
      {400.125, 2, 400.12},
      {400.375, 2, 400.38},
      {0.125, 2, 0.12},
      {1.625, 2, 1.62},
      {2.5, 0, 2},
      {3.5, 0, 4},
      {-2.5, 0, -2},
      {-0.125, 2, -0.12},
      {0.5, 0, 0},
      // Six decimals, as the result tables use them.
      {12345.0 / 23456.0, 6, 0.526305},
      {0.1234567, 6, 0.123457},
      {-0.1234564, 6, -0.123456},
      {999.0, 6, 999.0},
      {0.0000004, 6, 0.0},
      {std::log10(5.0), 6, 0.69897},
      {123456789.1234564, 6, 123456789.123456},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.x, c.decimals), c.expected) << c.x << " at " << c.decimals;
}

// The table writer's short path must write exactly what rounding and the
// general form write, over many millions of values: every magnitude a table
// cell can have, exact ties, values next to ties, whole numbers, the mark.
TEST(WriteRoundedSix, SameBytesAsRoundingThenTheGeneralForm) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::string general;
  char buffer[kMaxNumberText];
  const auto same = [&](double x) {
    general.clear();
    AppendNumberByCharconv(general, RoundHalfEven(x, 6));
    const char* end = WriteRoundedSix(buffer, x);
    return std::string_view(buffer, static_cast<std::size_t>(end - buffer)) == general;
  };
  std::size_t mismatches = 0;
  double firstMismatch = 0;
  const auto check = [&](double x) {
    if (!same(x) && mismatches++ == 0) firstMismatch = x;
  };
  for (int i = 0; i < 1000000; ++i) {                                     // seven million values
    const double magnitude = std::pow(10.0, -9.0 + 20.0 * unit(random));  // 1e-9 .. 1e11
    const double x = (random() & 1 ? -1 : 1) * magnitude * unit(random);
    check(x);
    // Ties and their neighbours: k + 1/2 millionths, exact in binary where k / 2^20 is.
    const double k = std::floor(unit(random) * 2e6);
    const double tie = (k + 0.5) / 1e6;
    check(tie);
    check(std::nextafter(tie, 0.0));
    check(std::nextafter(tie, 1e9));
    check(-tie);
    check(std::ldexp(std::floor(unit(random) * 1e9), -21));  // exact binary fractions, ties among them
    check(std::floor(unit(random) * 1e10));                  // whole numbers past the short path's range
  }
  for (const double x : {0.0, -0.0, 999.0, -999.0, 1e-7, -4e-7, 5e-7, 0.0000005, 1.5e-6, 2.5e-6, 999999999.9999994,
                         999999999.9999996, 1e9, -1e9, 1e15, 1e300, 123456.1234565, 0.1234565})
    check(x);
  EXPECT_EQ(mismatches, 0u) << "first at " << firstMismatch;
}

// Every number the program writes goes through short paths (six decimals;
// 15 digits by whole-number arithmetic); they must write exactly what the
// general conversion writes: differences of table values (the derivative
// file, with their last-digit noise), ratios, every magnitude, exact ties at
// the 15th digit and their neighbours, powers of ten and the values just
// below them.
TEST(NumberText, ShortPathsWriteWhatTheGeneralConversionWrites) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::string fast, general;
  char buffer[kMaxNumberText];
  std::size_t mismatches = 0;
  std::string first;
  const auto check = [&](double x) {
    fast.clear();
    general.clear();
    AppendNumber(fast, x);
    AppendNumberByCharconv(general, x);
    const char* end = WriteNumber(buffer, x);
    const bool same = fast == general && std::string_view(buffer, static_cast<std::size_t>(end - buffer)) == general;
    if (!same && mismatches++ == 0) first = std::to_string(x) + ": " + fast + " | " + general;
  };
  for (int i = 0; i < 1000000; ++i) {  // nine million values
    const double a = std::nearbyint(unit(random) * 1.2e6) / 1e6, b = std::nearbyint(unit(random) * 1.2e6) / 1e6;
    check(b - a);
    check((b - a) / 0.5);
    check((b - a) / 3);
    check(a / b);
    check((random() & 1 ? -1 : 1) * std::pow(10.0, -16.0 + 32.0 * unit(random)) * unit(random));
    const double power = std::pow(10.0, std::floor(-14.0 + 30.0 * unit(random)));
    check(power);
    check(std::nextafter(power, 0.0));
    // k + 1/2 and k + 1/4 with 15 digits in k: exact ties at the 15th digit.
    const double k = std::floor(1e13 + unit(random) * 8.9e14);
    check(k >= 1e14 ? k + 0.5 : k + 0.25);
    check(std::nextafter(k + 0.5, 0.0));
  }
  for (const double x : {0.0, -0.0, 1e-8, 9.99999999999999e-9, 1e15, 999999999999999.5, 999999999999999.4,
                         123456789012345.5, 123456789012344.5, 12345678901234.25, 12345678901234.75, 0.1, 0.7, 1e300,
                         5e-324, std::numeric_limits<double>::infinity(), std::nan("")})
    check(x);
  EXPECT_EQ(mismatches, 0u) << "first: " << first;
}

TEST(NumberText, SignBlankValueAndOneBlank) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {310, " 310 "},
      {0.526305, " 0.526305 "},
      {-0.5, "-0.5 "},
      {0, " 0 "},
      {-0.0, " 0 "},
      {999, " 999 "},
      {400.12, " 400.12 "},
      {0.000001, " 0.000001 "},
      {0.0000001, " 0.0000001 "},
      {1.0 / 3.0, " 0.333333333333333 "},
      {2.0 / 3.0, " 0.666666666666667 "},
      {0.1 + 0.2, " 0.3 "},
      {123456789.123456, " 123456789.123456 "},
      {1000000000.5, " 1000000000.5 "},
      {100000000000000.0, " 100000000000000 "},
      {1e9, " 1000000000 "},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberText(c.value), c.text) << c.value;
  std::string line = "x";
  AppendNumber(line, 310);
  AppendNumber(line, -2.25);
  EXPECT_EQ(line, "x 310 -2.25 ");
  EXPECT_EQ(PlainNumber(-2.25), "-2.25");
  EXPECT_EQ(PlainNumber(310), "310");
}

// value rounded to 15 significant digits, through the C++ streams in the
// classic locale (a different road from the one under test).
double FifteenDigits(double v) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.precision(14);
  out << std::scientific << v;
  std::istringstream in(out.str());
  in.imbue(std::locale::classic());
  double back = 0;
  in >> back;
  return back;
}

TEST(NumberText, RandomDoublesReadBackAsTheirFifteenDigitValueWithAnExponentOnlyWhenVeryLargeOrSmall) {
  std::mt19937_64 rng(77);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 20);
  std::bernoulli_distribution negative(0.5);
  std::vector<double> values = {1e15, 2.5e17, 1e-8, -3.25e-12, -4e20, 999999999999999.0, 1e-7};
  for (int i = 0; i < 100000; ++i)
    values.push_back((negative(rng) ? -1 : 1) * mantissa(rng) * std::pow(10.0, exponent(rng)));
  for (const double v : values) {
    const std::string text = NumberText(v);
    ASSERT_EQ(text.back(), ' ') << text;
    ASSERT_EQ(text.front(), v < 0 ? '-' : ' ') << text;
    ASSERT_EQ(text.find(','), std::string::npos) << text;
    const auto back = ParseNumber(text);
    ASSERT_TRUE(back.has_value()) << text;
    ASSERT_EQ(*back, FifteenDigits(v)) << text << " for " << v;
    const bool plain = std::fabs(v) >= 1e-7 && std::fabs(v) < 1e15;
    ASSERT_EQ(text.find_first_of("eE") == std::string::npos, plain) << text;
    const auto digitCount = std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (plain && std::fabs(v) >= 1) ASSERT_LE(digitCount, 15) << text;
  }
}

TEST(PrintZone, FillsToTheNextFourteenCharacterZoneOfTheCurrentLine) {
  struct Case {
    std::string line;
    std::size_t blanks;
  };
  const Case cases[] = {
      {"", 14},           // an empty item still takes its whole zone
      {"Wavelength", 4},  // the next item starts at column 15
      {"   (nm)", 7},
      {"1234567890123", 1},
      {"12345678901234", 14},  // ends exactly at a zone start: a whole zone
      {"123456789012345", 13},
      {std::string(27, 'x'), 1},
      {std::string(28, 'x'), 14},
  };
  for (const Case& c : cases) {
    std::string out = "Reflectance\r\n\r\n" + c.line;  // counted from the start of the line
    AppendPrintZoneFill(out, 15);
    EXPECT_EQ(out.substr(15), c.line + std::string(c.blanks, ' ')) << '"' << c.line << '"';
  }
}

}  // namespace
}  // namespace corvelane
