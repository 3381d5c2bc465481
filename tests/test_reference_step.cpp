// The reference step of a UniSpec-DC run as the window and the command line
// both drive it: reference scans, a `.ref` file with its question, the index
// file and the corrected reflectance file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(ReferenceStep, NoToTheRangeQuestionWritesNothing) {
  TempFolder folder;
  ScriptedAsker asker;
  asker.refPath = folder.Write("panel.ref", CrLf({"800,0.5", "801,2", "802,1"}));
  asker.indexPath = folder.File("indices.csv");
  asker.rangeRight = false;
  EXPECT_FALSE(ApplyRefFile(ThreeScans(), asker));
  EXPECT_EQ(asker.asked.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(asker.indexPath));
}

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

}  // namespace
}  // namespace corvelane
