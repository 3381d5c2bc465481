// The reference step of a UniSpec-DC run as the window and the command line
// both drive it: reference scans, a `.ref` file with its question, the index
// file and the corrected reflectance file; and values that used to come out
// silently wrong.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "indices/index_run.h"
#include "reference/dc_indices.h"
#include "reference/reference_files.h"
#include "reference/reference_spectrum.h"
#include "reference/reference_step.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using namespace testing;
using Column = std::vector<double>;

// Answers from fields and records what was asked.
class ScriptedAsker final : public RefFileAsker {
 public:
  std::string refPath, indexPath;
  bool rangeRight = true;
  std::vector<IndexDefinition> indices;
  std::vector<std::string> asked;
  std::string RefFilePath() override {
    asked.push_back("ref file");
    return refPath;
  }
  bool RangeIsRight(const std::string&, const RefFileSummary& summary) override {
    asked.push_back(RangeQuestion(summary));
    return rangeRight;
  }
  std::vector<IndexDefinition> Indices() override {
    asked.push_back("indices");
    return indices;
  }
  std::string IndexFilePath() override {
    asked.push_back("index file");
    return indexPath;
  }
};

// Three scans on a three-point grid 800, 801, 802 nm.
DcReferenceInputs ThreeScans() {
  DcReferenceInputs run;
  run.grid = {800, 801, 802};
  run.ratios = {{0.3, 0.6, 0.9}, {0.2, 0.4, 0.000004}, {0.5, 0.5, 0.5}};
  run.fileNames = {"a.spu", "b.spu", "c.spu"};
  run.times = {"10:00:01 AM", "10:00:09 AM", "10:01:00 AM"};
  run.titleBlock =
      CrLf({"Wavelength,a.spu,b.spu,c.spu", "  (nm),d,d,d", "  time  ,t,t,t", "temp C,21.,21.,22.", ",,,"});
  run.begin = 800;
  run.step = 1;
  return run;
}

TEST(ReferenceStep, ScanMeanCorrectsTheReflectanceAsItsFileHoldsIt) {
  const auto corrected = ScanCorrected(ThreeScans(), Column{0.6, 1.0, 2.0});
  EXPECT_EQ(corrected[0], (Column{0.5, 0.6, 0.45}));
  // 0.000004 is 0 in the reflectance file, so it is 0 corrected too.
  EXPECT_EQ(corrected[1][2], 0.0);
}

TEST(ReferenceStep, RefFileWritesTheIndexFileAndReplacesTheScanCorrection) {
  TempFolder folder;
  ScriptedAsker asker;
  asker.refPath = folder.Write("panel.ref", CrLf({"white panel 7", "800,0.5", "801,2", "802,1"}));
  asker.indexPath = folder.File("indices.csv");
  asker.indices = {{"ND", "800", "801", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
                   {"SR", "802", "801", IndexFormula::SimpleRatio, IndexSource::Derivative}};
  const DcReferenceInputs run = ThreeScans();
  const auto applied = ApplyRefFile(run, asker);
  ASSERT_TRUE(applied);
  const std::vector<Column>& corrected = *applied;
  EXPECT_EQ(asker.asked,
            (std::vector<std::string>{"ref file", "Are these values right? 800  802", "indices", "index file"}));
  // Corrected: a 0.6 0.3 0.9, b 0.4 0.2 0.000004 -> 0 at 5 decimals, c 1 0.25 0.5.
  EXPECT_EQ(corrected, (std::vector<Column>{{0.6, 0.3, 0.9}, {0.4, 0.2, 0}, {1, 0.25, 0.5}}));
  // ND = (A-B)/(A+B) on 800 and 801; SR = 802/801 (taken from the
  // reflectance, whatever the source says). b's 0.000004 is 0 in the
  // reflectance file, so its ratio index is 0.
  EXPECT_EQ(ReadAll(asker.indexPath),
            "Time,Filename,ND,SR,\r\n"
            "10:00:01 AM,a.spu, 0.33333 , 3 ,\r\n"
            "10:00:09 AM,b.spu, 0.33333 , 0 ,\r\n"
            "10:01:00 AM,c.spu, 0.6 , 2 ,\r\n");

  WriteCorrectedFile(run, "r2.spu,r1.spu,", corrected, folder.File("corrected.csv"));
  EXPECT_EQ(ReadAll(folder.File("corrected.csv")), "r2.spu,r1.spu,\r\n" + run.titleBlock +
                                                       " 800 , 0.6 , 0.4 , 1 \r\n"
                                                       " 801 , 0.3 , 0.2 , 0.25 \r\n"
                                                       " 802 , 0.9 , 0 , 0.5 \r\n");
}

// A "no" to the range question: RunJobTest.ReferenceStepsFollowTheTablesAndADeclinedRangeEndsTheRun.
TEST(ReferenceStep, FailuresComeWhereTheRunMeetsThem) {
  TempFolder folder;
  struct Case {
    const char* scenario;
    std::vector<std::string> refLines;
    bool indexPathGiven;
    std::size_t questionsAsked;  // before the failure
    const char* expected;
  };
  const Case cases[] = {
      // A zero in the reference (a file a value short reads as zeros) stops the run before the indices are asked.
      {"too few values", {"800,0.5", "801,1"}, true, 2, "800 nm"},
      {"a value that is not a number", {"800,0.5", "801,x", "802,1"}, true, 2, "801 nm"},
      {"more data lines than grid points plus one", {"800,1", "801,1", "802,1", "803,1", "804,1"}, true, 1, "line 5"},
      {"no index file chosen", {"800,0.5", "801,2", "802,1"}, false, 4, "no file name"},
  };
  for (const Case& c : cases) {
    ScriptedAsker asker;
    asker.refPath = folder.Write("p.ref", CrLf(c.refLines));
    asker.indexPath = c.indexPathGiven ? folder.File("i.csv") : "";
    asker.indices = {{"ND", "800", "802", IndexFormula::NormalisedDifference, IndexSource::Reflectance}};
    const std::string why = FailureOf([&] { ApplyRefFile(ThreeScans(), asker); });
    EXPECT_NE(why.find(c.expected), std::string::npos) << c.scenario << ": " << why;
    EXPECT_EQ(asker.asked.size(), c.questionsAsked) << c.scenario;
    EXPECT_FALSE(std::filesystem::exists(folder.File("i.csv"))) << c.scenario;
  }
}

// ---- Values that used to come out silently wrong: an index read from the
// wrong row of a table with a gap, `.ref` values shifted by a trailing text
// line, Inf and NaN written as text.

bool HoldsNonFinite(const std::string& text) {
  for (const char* word : {"nan", "NaN", "inf", "Inf"})
    if (text.find(word) != std::string::npos) return true;
  return false;
}

std::string Fixed(double v) {
  char buffer[64];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6).ptr);
}

// A DC-style reflectance table of two columns with one row per wavelength
// of `waves`; the value of a row is wavelength / 1000 (column 1) and its
// square (column 2).
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
  // A header line between data lines: RefFile.AHeaderLineBetweenDataLinesTakesNoGridPoint.
  for (const std::string& text :
       std::vector<std::string>{"wavelength,value\r\n" + clean + "mean,0.95\r\n", clean + "mean,0.95\r\n"}) {
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
