// RunJob, the one order of a conversion: what the sink is asked and told, in
// which order, where a run stops, and what is written by then.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_job.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;

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
  ConversionJob job = DcReferenceJob(temp, 2);
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
  job.applyRefFile = true;
  RecordingSink sink(temp);
  FixedAsker declines(HalfRefFile(temp), false);
  RunJob(job, sink, declines);
  EXPECT_EQ(sink.calls,
            (std::vector<std::string>{"computed 1", "path reflectance", "written reflectance", "declined"}));
  EXPECT_FALSE(fs::exists(temp.File("corrected")));
}

// A front end that names one file for two outputs, or a scan for an output:
// RunJob refuses the path before writing there, names both, and asks again
// when the sink lets it.
class ScriptedPathsSink final : public OutputSink {
 public:
  explicit ScriptedPathsSink(std::vector<std::string> paths, bool askAgain = true)
      : paths_(std::move(paths)), askAgain_(askAgain) {}
  void Computed(const ConversionResult&, std::span<const std::string>) override {}
  std::optional<std::string> PathFor(JobOutput) override {
    if (paths_.empty()) return std::nullopt;
    std::string p = paths_.front();
    paths_.erase(paths_.begin());
    return p;
  }
  void Written(JobOutput output, const std::string& path) override {
    written.push_back(RecordingSink::Name(output) + " " + path);
  }
  void RefFileDeclined() override {}
  void PathRefused(JobOutput output, const std::string& path, const std::string& why) override {
    refused.push_back(RecordingSink::Name(output) + " " + path + ": " + why);
    if (!askAgain_) OutputSink::PathRefused(output, path, why);
  }
  std::vector<std::string> written, refused;

 private:
  std::vector<std::string> paths_;
  bool askAgain_;
};

TEST(RunJobTest, APathAlreadyWrittenOrAScanOfTheRunIsRefusedNamingBothAndAskedAgain) {
  const TempFolder temp;
  ConversionJob job = OldFormatJob(temp);
  job.settings.modes = {true, true, false, false};
  const std::string refl = temp.File("new-refl.csv");
  const std::string scan = job.settings.files[1];
  const std::string scanBytes = ReadAll(scan);
  // The same file under another name is the same file.
  ScriptedPathsSink sink({refl, temp.Path().string() + "/./new-refl.csv", scan, temp.File("abs.csv")});
  FixedAsker asker;
  RunJob(job, sink, asker);
  EXPECT_EQ(sink.written, (std::vector<std::string>{"reflectance " + refl, "absorbance " + temp.File("abs.csv")}));
  ASSERT_EQ(sink.refused.size(), 2u);
  EXPECT_NE(sink.refused[0].find("is the reflectance file this run has just written; the absorbance file needs"),
            std::string::npos)
      << sink.refused[0];
  EXPECT_NE(sink.refused[1].find("is the scan " + scan), std::string::npos) << sink.refused[1];
  EXPECT_EQ(ReadAll(scan), scanBytes);
  EXPECT_NE(ReadAll(refl), ReadAll(temp.File("abs.csv"))) << "the reflectance was replaced";

  // The sink's own answer by default: the run ends with a usage failure, the
  // first file kept and the second never replaced.
  const std::string reflBytes = ReadAll(refl);
  ScriptedPathsSink ending({refl, refl}, false);
  try {
    RunJob(job, ending, asker);
    ADD_FAILURE() << "the second output replaced the first";
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.Kind(), FailureKind::Usage);
  }
  EXPECT_EQ(ReadAll(refl), reflBytes);
}

}  // namespace
}  // namespace corvelane
