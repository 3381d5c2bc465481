#pragma once
// One conversion from the first scan read to the last file written, the same
// for the command line and the windows. A front end describes the run as a
// ConversionJob, says where each output goes (OutputSink) and answers the
// questions of the `.ref` step (RefFileAsker); RunJob does the rest, in the
// one order both share.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/envi_library.h"
#include "convert/field_key.h"
#include "headers/leaf_header.h"
#include "reference/reference_step.h"

namespace corvelane {

// The files a run may write, in the order it writes them. The `.ref` step's
// index file (asked for by the RefFileAsker) comes after the four tables,
// before the corrected file; then the long table, the ENVI library and the
// quality report.
enum class JobOutput {
  Reflectance,
  Absorbance,
  RawTarget,
  RawReference,
  IndexFile,
  Corrected,
  LongTable,
  EnviLibrary,
  Report
};

// "reflectance", "absorbance", "raw target", "raw panel", "index",
// "corrected reflectance", "long table", "ENVI library", "quality report":
// what a message calls the output's file.
std::string_view OutputName(JobOutput output) noexcept;

inline constexpr JobOutput TableOutput(OutputMode m) noexcept { return static_cast<JobOutput>(Index(m)); }

struct ConversionJob {
  // Format, scan files, wavelength source, grid, label source and the tables
  // wanted (`modes`). The reference steps keep the ratios whatever `keepRatios` says.
  RunSettings settings;
  // Written in place of the reflectance file's title and column-head lines
  // (the leaf or the transect header).
  std::optional<HeaderBlock> reflectanceHeader;
  // Correct the reflectance by the mean of these reference scans (in the
  // order they were plotted) and write the corrected file; `plottedNames` is
  // its first line.
  bool correctByScans = false;
  std::vector<std::string> referenceScans;
  std::string plottedNames;
  // Correct by a `.ref` file and write the index file (the RefFileAsker
  // names both).
  bool applyRefFile = false;
  // The long table: one row per scan, quantity and wavelength of the tables
  // the run writes (the reflectance alone when it writes none), each scan's
  // rows with the columns of its key rows; or with `averageBy`, the means of
  // the key's groups.
  bool longTable = false;
  std::optional<FieldKey> key;
  // A key naming its scans by number in these columns, made file names by
  // `keyName` ("{Site}_{n:05}.spu"); none: by its `file` column.
  std::vector<std::string> keyScans;
  std::string keyName;
  std::vector<std::string> averageBy;
  // White references named in the key: the rows whose `keyReferenceColumn`
  // is `keyReferenceValue` ("Treatment", "REF") name the reference scans;
  // every other scan of the key is corrected by the mean ratio of the
  // reference scans sharing its `keyReferenceBy` values (KeyReferenceScans)
  // and gets corrected rows in the long table. None when the column is empty.
  std::string keyReferenceColumn, keyReferenceValue;
  std::vector<std::string> keyReferenceBy;
  // Write the ENVI spectral library of this quantity, after the long table. A table is computed for it even when its
  // own file is not asked for; the corrected reflectance needs `correctByScans`.
  std::optional<EnviQuantity> enviLibrary;
  // Write the quality report: one row per scan of what its checks found.
  bool qualityReport = false;
  unsigned threads = 0;  // threads reading scans; 0 every core
  // The wavelength tables the run fills: the program's, kept from run to
  // run (a short file leaves the later entries of the last run), or the
  // run's own when null.
  WavelengthTables* tables = nullptr;

  bool KeyReference() const noexcept { return !keyReferenceColumn.empty(); }
  bool KeepsRatios() const noexcept { return correctByScans || applyRefFile || KeyReference(); }
};

// Where a job's outputs go, and what the front end is told on the way.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Every scan is read and the tables are computed; nothing is written yet.
  // `warnings` are what the user should know though the run goes on. May
  // throw RunFailure to stop the run before anything is written.
  virtual void Computed(const ConversionResult& result, std::span<const std::string> warnings) = 0;
  // The path of `output`, asked just before it is written; none ends the run
  // there (the outputs before it stay, none after it is asked for).
  virtual std::optional<std::string> PathFor(JobOutput output) = 0;
  // `output` is complete at `path`.
  virtual void Written(JobOutput output, const std::string& path) = 0;
  // The `.ref` file's range was declined: neither it nor the corrected file
  // is written.
  virtual void RefFileDeclined() = 0;
  // `path`, given for `output`, names a file this run has written already or
  // one of its scans (`why` says which): nothing was written there. A sink
  // that returns lets the run ask for the path again; this one ends the run
  // with a usage failure.
  virtual void PathRefused(JobOutput output, const std::string& path, const std::string& why);
};

struct JobOutcome {
  // The output whose path was not given, when the run ended there.
  std::optional<JobOutput> stoppedAt;
};

// Performs the job: the reference scans (read as data scans of the run), the
// scans, the warnings, each table in order, the `.ref` step, the corrected
// file, the long table, the ENVI library, the quality report. No output
// replaces a file the run has written or one of its scans or reference
// scans: such a path goes to OutputSink::PathRefused and is asked for again.
// Throws RunFailure on the first failure; files written before it stay. A
// quantity the format does not offer (or the corrected reflectance without
// `correctByScans`) for the ENVI library is a usage RunFailure before any
// scan is read.
JobOutcome RunJob(const ConversionJob& job, OutputSink& sink, RefFileAsker& asker, const ProgressFn& progress = {});

}  // namespace corvelane
