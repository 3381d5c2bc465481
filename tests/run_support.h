#pragma once
// Conversion runs as the tests set them up: one format, its scans, a grid and
// the modes asked for, labels from the file names; runs of the built
// program's commands and checks of how they ended; a sink and asker that
// record what RunJob does; and the real season's key and scans.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/conversion_run.h"
#include "tests/dc_scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "tools/dc_scan_synth.h"

namespace corvelane::testing {

inline RunSettings Settings(Format format, std::vector<std::string> files, GridTexts grid,
                            std::vector<OutputMode> modes = {OutputMode::Reflectance}) {
  RunSettings s;
  s.variant = &VariantOf(format);
  s.files = std::move(files);
  s.grid = std::move(grid);
  for (OutputMode m : modes) s.modes[Index(m)] = true;
  s.labelSource = LabelSource::DataFileName;
  return s;
}

// A run with fresh wavelength tables, as one command-line run makes it.
inline ConversionResult Convert(const RunSettings& s, unsigned threads = 0) {
  WavelengthTables tables;
  return ComputeConversion(s, tables, {}, threads);
}

// `first`, then `more`.
inline std::vector<std::string> Then(std::vector<std::string> first, const std::vector<std::string>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

// Runs `corvelane COMMAND ARGS...` in `folder`.
inline ProgramOutcome RunCommand(const std::string& command, const std::filesystem::path& folder,
                                 const std::vector<std::string>& args) {
  return RunCorvelane(Then({command}, args), folder);
}

// What the program wrote and how it ended.
struct Outcome {
  int exit = -1;  // -1 when it did not exit normally, 124 when stopped after 60 s
  std::string out, err;
};

struct RunIn {
  std::filesystem::path folder;  // the working folder; the test's own when empty
  std::string input;             // standard input
  std::string limits;            // shell commands run first, such as "ulimit -f 4 &&"
  std::string output;            // where standard output goes; captured when empty
};

// Runs the built program with `args` through the shell.
inline Outcome RunProgram(const std::vector<std::string>& args, const RunIn& in = {}) {
  const TempFolder logs;
  const std::string input = logs.Write("in", in.input), out = logs.File("out"), err = logs.File("err");
  std::string command = in.folder.empty() ? std::string() : "cd " + ShellQuote(in.folder.string()) + " && ";
  command += in.limits + " timeout 60 " + ShellQuote(CORVELANE_EXE);
  for (const auto& a : args) command += " " + ShellQuote(a);
  command +=
      " 2>" + ShellQuote(err) + " <" + ShellQuote(input) + " >" + (in.output.empty() ? ShellQuote(out) : in.output);
  const int status = std::system(("sh -c " + ShellQuote(command)).c_str());
  Outcome o;
  o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.err = ReadAll(err);
  if (std::filesystem::exists(out)) o.out = ReadAll(out);
  return o;
}

// The fields of a comma-separated row, split at every comma.
inline std::vector<std::string> Fields(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
    fields.push_back(row.substr(start, comma - start));
  fields.push_back(row.substr(start));
  return fields;
}

// The 2018 season's own key (one row per plot visit, scan numbers in P1-P5)
// and its scans, those of the 2018-06-22 folder included.
struct RealSeason {
  std::string key = (std::filesystem::path(RealDataFolder()) / "unispec-dc" / "2018_unispec_key.csv").string();
  std::vector<std::string> scans = RealUniSpecDcFiles();
  RealSeason() {
    std::error_code ec;
    const auto day = std::filesystem::path(RealDataFolder()) / "unispec-dc" / "2018-06-22-not-dark-subtracted";
    for (const auto& e : std::filesystem::directory_iterator(day, ec))
      if (e.path().extension() == ".spu") scans.push_back(e.path().string());
  }
  bool Missing() const { return !std::filesystem::exists(key) || scans.size() < 4; }
  // A conversion of the scans from 500 to 502 nm joined to the key by scan number, with `options`.
  std::vector<std::string> Convert(const std::vector<std::string>& options) const {
    return Then(Then({"convert", "unispec-dc", "--grid", "500,502,1", "--key", key, "--key-scans", "P1,P2,P3,P4,P5",
                      "--key-name", "{Site}_{n:05}.spu"},
                     options),
                scans);
  }
};

// Records every call of RunJob as a line; gives each output a file in
// `folder` named as below, except `refuse`, for which it gives none.
class RecordingSink final : public OutputSink {
 public:
  explicit RecordingSink(const TempFolder& folder, std::optional<JobOutput> refuse = std::nullopt)
      : folder_(folder), refuse_(refuse) {}
  static std::string Name(JobOutput o) {
    static const char* const kNames[] = {"reflectance", "absorbance", "target",  "panel", "index",
                                         "corrected",   "long.csv",   "lib.sli", "report"};
    return kNames[static_cast<int>(o)];
  }
  void Computed(const ConversionResult&, std::span<const std::string> warnings) override {
    calls.push_back("computed " + std::to_string(warnings.size()));
    if (failOnComputed) Fail("refused by the front end", FailureKind::Usage);
  }
  std::optional<std::string> PathFor(JobOutput output) override {
    calls.push_back("path " + Name(output));
    if (output == refuse_) return std::nullopt;
    return folder_.File(Name(output));
  }
  void Written(JobOutput output, const std::string& path) override {
    calls.push_back("written " + Name(output));
    EXPECT_FALSE(ReadAll(path).empty()) << "told only once the file is complete";
  }
  void RefFileDeclined() override { calls.push_back("declined"); }

  std::vector<std::string> calls;
  bool failOnComputed = false;

 private:
  const TempFolder& folder_;
  std::optional<JobOutput> refuse_;
};

// Answers the `.ref` step with a fixed file, range answer and index file.
class FixedAsker final : public RefFileAsker {
 public:
  explicit FixedAsker(std::string refFile = {}, bool rangeRight = true, std::string indexFile = {})
      : refFile_(std::move(refFile)), rangeRight_(rangeRight), indexFile_(std::move(indexFile)) {}
  std::string RefFilePath() override { return refFile_; }
  bool RangeIsRight(const std::string&, const RefFileSummary&) override { return rangeRight_; }
  std::vector<IndexDefinition> Indices() override { return {}; }
  std::string IndexFilePath() override { return indexFile_; }

 private:
  std::string refFile_;
  bool rangeRight_;
  std::string indexFile_;
};

// A UniSpec-DC job of `scans` scans on 500 to 520 nm writing the reflectance,
// corrected by the first scan; and a `.ref` file of 0.5 over that grid.
inline ConversionJob DcReferenceJob(const TempFolder& temp, int scans) {
  ConversionJob job;
  RunSettings& s = job.settings;
  s.variant = VariantByCliName("unispec-dc");
  s.files = synth::WriteDcScans(temp.File("dc"), scans, "D");
  s.grid = {"500", "520", "1"};
  s.modes[Index(OutputMode::Reflectance)] = true;
  UseChannelEquations(s, DcStartTexts());
  job.correctByScans = true;
  job.referenceScans = {s.files[0]};
  job.plottedNames = "D00001.spu,";
  return job;
}
inline std::string HalfRefFile(const TempFolder& temp) {
  std::string ref = "wavelength,value\r\n";
  for (int w = 500; w <= 520; ++w) ref += std::to_string(w) + ",0.5\r\n";
  return temp.Write("panel.ref", ref);
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// `o` (an Outcome or ProgramOutcome) ended with `exit` and its stderr holds each of `says`.
template <typename R>
::testing::AssertionResult Exited(const R& o, int exit, std::initializer_list<std::string> says = {}) {
  if (o.exit != exit)
    return ::testing::AssertionFailure() << "exit " << o.exit << " instead of " << exit << "\n" << o.err;
  for (const std::string& part : says)
    if (!Has(o.err, part)) return ::testing::AssertionFailure() << "stderr lacks \"" << part << "\":\n" << o.err;
  return ::testing::AssertionSuccess();
}

// The line of `text` that starts where `start` first stands; empty when it stands nowhere.
inline std::string LineFrom(const std::string& text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

}  // namespace corvelane::testing
