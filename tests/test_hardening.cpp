// Values that used to come out silently wrong: an index read from the wrong
// row of a table with a gap, `.ref` values shifted by a trailing text line,
// Inf and NaN written as text.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "indices/index_run.h"
#include "reference/dc_indices.h"
#include "reference/reference_files.h"
#include "reference/reference_spectrum.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using namespace testing;
using Column = std::vector<double>;

bool HoldsNonFinite(const std::string& text) {
  for (const char* word : {"nan", "NaN", "inf", "Inf"})
    if (text.find(word) != std::string::npos) return true;
  return false;
}

// A DC-style reflectance table of two columns with one row per wavelength
// of `waves`; the value of a row is wavelength / 1000 (column 1) and its
// square (column 2).
std::string Fixed(double v) {
  char buffer[64];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6).ptr);
}

std::string Table(const std::vector<double>& waves) {
  std::string t = "\r\nWavelength,a,b,\r\nDate,d1,d2,\r\nTime,t1,t2,\r\nTemp,1,2,\r\n";
  for (double w : waves) t += Fixed(w) + "," + Fixed(w / 1000) + "," + Fixed(w * w / 1e6) + "\r\n";
  return t;
}

std::vector<double> Waves(double first, double last, double step) {
  std::vector<double> w;
  for (double x = first; x <= last + step / 2; x += step) w.push_back(x);
  return w;
}

// ---- Rows found by grid steps must stand at the wavelength asked for.

TEST(IndexRows, ATableWithAMissingRowFailsNamingTheWavelength) {
  const TempFolder folder;
  std::vector<double> gap = Waves(600, 900, 1);
  gap.erase(gap.begin() + 100);  // 700 nm
  const ReflectanceTable t = ReadReflectanceFile(folder.Write("gap.csv", Table(gap)));
  for (const IndexDefinition& d : std::vector<IndexDefinition>{
           {"NDVI", "800", "670", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
           {"R", "701", "700", IndexFormula::SimpleRatio, IndexSource::Reflectance},
           {"dR", "698", "650", IndexFormula::SimpleRatio, IndexSource::Derivative},
       }) {
    const std::string why = FailureOf([&] { ComputeIndices(t, {d}); });
    EXPECT_NE(why.find("gap.csv"), std::string::npos) << d.name << ": " << why;
    EXPECT_NE(why.find("index \"" + d.name + "\""), std::string::npos) << why;
    EXPECT_NE(why.find("not evenly spaced"), std::string::npos) << why;
  }
  // Rows before the gap are still found.
  const std::vector<IndexDefinition> before = {
      {"low", "650", "600", IndexFormula::SimpleRatio, IndexSource::Reflectance}};
  EXPECT_DOUBLE_EQ(ComputeIndices(t, before).Value(0, 0), 0.65 / 0.6);

  // A 0.5-nm table without a gap, its wavelengths written rounded, passes.
  const ReflectanceTable half = ReadReflectanceFile(folder.Write("half.csv", Table(Waves(600, 700, 0.5))));
  const std::vector<IndexDefinition> d = {
      {"h", "650.5", "600", IndexFormula::SimpleRatio, IndexSource::Reflectance},
      {"dh", "650", "620", IndexFormula::NormalisedDifference, IndexSource::Derivative}};
  EXPECT_DOUBLE_EQ(ComputeIndices(half, d).Value(0, 0), 0.6505 / 0.6);
}

// ---- `.ref` lines: a header line anywhere takes no grid point.

TEST(RefFileLines, ATrailingTextLineShiftsNoValue) {
  const Column grid = {400, 401, 402};
  const std::string clean = "400,0.5\r\n401,0.6\r\n402,0.7\r\n";
  for (const std::string& text :
       std::vector<std::string>{"wavelength,value\r\n" + clean + "mean,0.95\r\n", clean + "mean,0.95\r\n",
                                "400,0.5\r\nnote\r\n401,0.6\r\n402,0.7\r\n"}) {
    const RefFileSummary s = SummariseRefFile(text, "p.ref", grid.size());
    EXPECT_EQ(ReadRefValues(text, "p.ref", s, grid), (Column{0.5, 0.6, 0.7})) << text;
    EXPECT_FALSE(s.lastLineUnused);
  }
  // One data line more than the grid is tolerated, and the summary tells that its last line is not used.
  const std::string extra = "h\r\n" + clean + "403,0.8\r\n";
  const RefFileSummary s = SummariseRefFile(extra, "p.ref", grid.size());
  EXPECT_TRUE(s.lastLineUnused);
  EXPECT_EQ(s.lastDataLine, 5u);
  EXPECT_EQ(ReadRefValues(extra, "p.ref", s, grid), (Column{0.5, 0.6, 0.7}));
  // A data line whose value is not a number still fails, naming its wavelength.
  const std::string bad = "400,0.5\r\n401,abc\r\n402,0.7\r\n";
  const std::string why =
      FailureOf([&] { ReadRefValues(bad, "bad.ref", SummariseRefFile(bad, "bad.ref", grid.size()), grid); });
  EXPECT_NE(why.find("401 nm is not a number"), std::string::npos) << why;
}

// ---- Every value written that is not finite is the mark 999.

TEST(NonFiniteValues, AreWrittenAs999InEveryFile) {
  // Indices of huge and tiny values.
  EXPECT_EQ(FormulaValue(IndexFormula::SimpleRatio, 1e308, 1e-308), kNoIndexValue);
  EXPECT_EQ(FormulaValue(IndexFormula::NormalisedDifference, 1.5e308, -1e308), kNoIndexValue);

  // A table whose first two rows share a wavelength: the derivative divides by 0.
  const TempFolder folder;
  std::vector<double> waves = Waves(400, 420, 1);
  waves[1] = 400;
  const ReflectanceTable t = ReadReflectanceFile(folder.Write("same.csv", Table(waves)));
  const std::string derivative = DerivativeFileText(t);
  EXPECT_FALSE(HoldsNonFinite(derivative)) << derivative.substr(0, 300);
  EXPECT_NE(derivative.find("\r\n 400 , 999 , 999 ,\r\n"), std::string::npos) << derivative.substr(0, 300);

  // A .ref value of 1e-320 makes the correction overflow.
  const Column grid = {400, 401, 402};
  const std::string ref = "400,1e-320\r\n401,0.5\r\n402,0.5\r\n";
  const Column reference = ReadRefValues(ref, "tiny.ref", SummariseRefFile(ref, "tiny.ref", 3), grid);
  const std::vector<Column> corrected = CorrectReflectance(std::vector<Column>{{0.5, 0.5, 0.5}}, reference, grid, "r");
  const std::string file = CorrectedFileText("a,", "title\r\n", grid, corrected);
  EXPECT_FALSE(HoldsNonFinite(file)) << file;
  EXPECT_NE(file.find("\r\n 400 , 999 \r\n"), std::string::npos) << file;
  const std::vector<IndexDefinition> nd = {
      {"N", "400", "401", IndexFormula::NormalisedDifference, IndexSource::Reflectance}};
  const auto values = DcIndexValues(nd, corrected, 400, 1, "tiny.ref");
  const std::string index = DcIndexFileText(std::vector<std::string>{"t"}, std::vector<std::string>{"f"},
                                            std::vector<std::string>{"N"}, values);
  EXPECT_FALSE(HoldsNonFinite(index)) << index;
}

}  // namespace
}  // namespace corvelane
