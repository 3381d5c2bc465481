// RunJob, the one order of a conversion: what the sink is asked and told, in
// which order, where a run stops, and what is written by then.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_job.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "tools/dc_scan_synth.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempFolder;

const char* Name(JobOutput o) {
  static const char* const kNames[] = {"reflectance", "absorbance", "target", "panel", "corrected"};
  return kNames[static_cast<int>(o)];
}

// Records every call as a line; gives each output a path in `folder`, except
// `refuse`, for which it gives none.
class RecordingSink final : public OutputSink {
 public:
  RecordingSink(const TempFolder& folder, std::optional<JobOutput> refuse = std::nullopt)
      : folder_(folder), refuse_(refuse) {}
  void Computed(const ConversionResult&, std::span<const std::string> warnings) override {
    calls.push_back("computed " + std::to_string(warnings.size()));
    if (failOnComputed) Fail("refused by the front end", FailureKind::Usage);
  }
  std::optional<std::string> PathFor(JobOutput output) override {
    calls.push_back(std::string("path ") + Name(output));
    if (output == refuse_) return std::nullopt;
    return folder_.File(Name(output));
  }
  void Written(JobOutput output, const std::string& path) override {
    calls.push_back(std::string("written ") + Name(output));
    EXPECT_FALSE(ReadAll(path).empty()) << "told only once the file is complete";
  }
  void RefFileDeclined() override { calls.push_back("declined"); }

  std::vector<std::string> calls;
  bool failOnComputed = false;

 private:
  const TempFolder& folder_;
  std::optional<JobOutput> refuse_;
};

// Asks nothing, declines the range when told to.
class FixedAsker final : public RefFileAsker {
 public:
  explicit FixedAsker(std::string refFile = {}, bool rangeRight = true)
      : refFile_(std::move(refFile)), rangeRight_(rangeRight) {}
  std::string RefFilePath() override { return refFile_; }
  bool RangeIsRight(const std::string&, const RefFileSummary&) override { return rangeRight_; }
  std::vector<IndexDefinition> Indices() override { return {}; }
  std::string IndexFilePath() override { return {}; }

 private:
  std::string refFile_;
  bool rangeRight_;
};

ConversionJob OldFormatJob(const TempFolder& temp) {
  ConversionJob job;
  RunSettings& s = job.settings;
  s.variant = VariantByCliName("unispec-old");
  s.files = synth::WriteScans(temp.File("scans"), synth::Format::UniSpecOld, 2, "J");
  s.grid = {"400", "410", "1"};
  s.modes = {true, true, true, true};
  return job;
}

TEST(RunJobTest, TellsTheSinkOnceComputedThenAsksAndWritesEachTableInOrder) {
  const TempFolder temp;
  RecordingSink sink(temp);
  FixedAsker asker;
  const JobOutcome outcome = RunJob(OldFormatJob(temp), sink, asker);
  EXPECT_FALSE(outcome.stoppedAt);
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"computed 0", "path reflectance", "written reflectance",
                                                  "path absorbance", "written absorbance", "path target",
                                                  "written target", "path panel", "written panel"}));
}

TEST(RunJobTest, AnOutputWithoutAPathEndsTheRunThereKeepingWhatWasWritten) {
  const TempFolder temp;
  RecordingSink sink(temp, JobOutput::Absorbance);
  FixedAsker asker;
  const JobOutcome outcome = RunJob(OldFormatJob(temp), sink, asker);
  ASSERT_TRUE(outcome.stoppedAt);
  EXPECT_EQ(*outcome.stoppedAt, JobOutput::Absorbance);
  EXPECT_EQ(sink.calls,
            (std::vector<std::string>{"computed 0", "path reflectance", "written reflectance", "path absorbance"}));
  EXPECT_TRUE(fs::exists(temp.File("reflectance")));
  for (const char* later : {"absorbance", "target", "panel"}) EXPECT_FALSE(fs::exists(temp.File(later))) << later;
}

TEST(RunJobTest, AFailureFromTheSinkBeforeWritingLeavesNothingWritten) {
  const TempFolder temp;
  RecordingSink sink(temp);
  sink.failOnComputed = true;
  FixedAsker asker;
  EXPECT_THROW(RunJob(OldFormatJob(temp), sink, asker), RunFailure);
  EXPECT_EQ(sink.calls, std::vector<std::string>{"computed 0"});
  EXPECT_FALSE(fs::exists(temp.File("reflectance")));
}

TEST(RunJobTest, ACancelledRunTellsTheSinkNothingAndWritesNothing) {
  const TempFolder temp;
  ConversionJob job = OldFormatJob(temp);
  job.settings.files = synth::WriteScans(temp.File("many"), Format::UniSpecOld, 20, "C");
  job.threads = 1;  // progress after each block of scans, in order
  RecordingSink sink(temp);
  FixedAsker asker;
  std::vector<std::size_t> progress;
  EXPECT_THROW(RunJob(job, sink, asker,
                      [&progress](std::size_t done, std::size_t) {
                        progress.push_back(done);
                        return false;
                      }),
               RunCancelled);
  EXPECT_EQ(progress, std::vector<std::size_t>{8}) << "asked once, after the first block";
  EXPECT_TRUE(sink.calls.empty());
  EXPECT_FALSE(fs::exists(temp.File("reflectance")));
}

// The reference steps of a UniSpec-DC run: the corrected file comes last,
// after the tables; a declined `.ref` range writes neither it nor the index file.
TEST(RunJobTest, ReferenceStepsFollowTheTablesAndADeclinedRangeEndsTheRun) {
  const TempFolder temp;
  ConversionJob job;
  RunSettings& s = job.settings;
  s.variant = VariantByCliName("unispec-dc");
  s.files = synth::WriteDcScans(temp.File("dc"), 2, "D");
  s.grid = {"500", "510", "1"};
  s.modes[Index(OutputMode::Reflectance)] = true;
  UseChannelEquations(s, DcStartTexts());
  job.correctByScans = true;
  job.referenceScans = {s.files[0]};
  job.plottedNames = "D00001.spu,";
  {
    RecordingSink sink(temp);
    FixedAsker asker;
    RunJob(job, sink, asker);
    // One warning: the scans' own wavelength column is not DC 1's equations.
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance",
                                                    "path corrected", "written corrected"}));
    EXPECT_EQ(ReadAll(temp.File("corrected")).rfind("D00001.spu,\r\n", 0), 0u) << "the plotted names come first";
  }
  fs::remove(temp.File("corrected"));
  std::string ref = "wavelength,value\r\n";
  for (int w = 500; w <= 510; ++w) ref += std::to_string(w) + ",0.5\r\n";
  job.applyRefFile = true;
  RecordingSink sink(temp);
  FixedAsker declines(temp.Write("panel.ref", ref), false);
  RunJob(job, sink, declines);
  EXPECT_EQ(sink.calls,
            (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance", "declined"}));
  EXPECT_FALSE(fs::exists(temp.File("corrected")));
}

}  // namespace
}  // namespace corvelane
