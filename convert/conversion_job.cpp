#include "convert/conversion_job.h"

#include <algorithm>

#include "convert/dc_reference.h"
#include "convert/quality_report.h"
#include "convert/spectra_long.h"
#include "text/atomic_file.h"
#include "text/failure.h"

namespace corvelane {

namespace {

std::vector<std::string> WarningsOf(const ConversionResult& result, const std::vector<std::string>& files) {
  std::vector<std::string> warnings = result.warnings;
  if (std::string status = StatusChannelWarning(result); !status.empty()) warnings.push_back(std::move(status));
  for (std::string& w : ScanCheckWarnings(result, files)) warnings.push_back(std::move(w));
  return warnings;
}

// The ENVI library's quantity must be one this job can form.
void CheckEnviQuantity(const ConversionJob& job) {
  const EnviQuantity q = *job.enviLibrary;
  const std::optional<OutputMode> table = EnviTable(q);
  if (table && !job.settings.variant->Offers(*table))
    Fail(std::string(job.settings.variant->cliName) + " offers no " + std::string(EnviQuantityName(q)) +
             " for the ENVI library",
         FailureKind::Usage);
  if (!table && !job.correctByScans)
    Fail("the ENVI library of the corrected reflectance needs the correction by reference scans", FailureKind::Usage);
}

// The files a run has written, and the check that no later output replaces
// one of them or a file the run read.
class RunFiles {
 public:
  RunFiles(const ConversionJob& job, const ConversionResult& result) : job_(job), result_(result) {}

  // Why `path` cannot take `output`; empty when it can.
  std::string Clash(JobOutput output, const std::string& path) const {
    if (path.empty() || IsStandardOutput(path) || path == "/dev/null") return {};
    const std::string wanted = " the " + std::string(OutputName(output)) + " file needs a name of its own";
    for (const auto& [earlier, written] : written_)
      if (NamesSameFile(path, written))
        return path + " is the " + std::string(OutputName(earlier)) + " file this run has just written;" + wanted;
    if (const auto scan = ScanReplacedBy(result_, path))
      return path + " is the scan " + job_.settings.files[*scan] + " of this run;" + wanted;
    for (const std::string& scan : job_.referenceScans)
      if (NamesSameFile(path, scan)) return path + " is the reference scan " + scan + " of this run;" + wanted;
    return {};
  }
  void Add(JobOutput output, const std::string& path) { written_.emplace_back(output, path); }

 private:
  const ConversionJob& job_;
  const ConversionResult& result_;
  std::vector<std::pair<JobOutput, std::string>> written_;
};

// The sink's path for `output`, asked again while it names a file the run must not replace.
std::optional<std::string> CheckedPath(OutputSink& sink, const RunFiles& files, JobOutput output) {
  for (;;) {
    std::optional<std::string> path = sink.PathFor(output);
    if (!path) return path;
    const std::string why = files.Clash(output, *path);
    if (why.empty()) return path;
    sink.PathRefused(output, *path, why);
  }
}

// The asker of the `.ref` step, whose index file path is checked like every output's.
class CheckedAsker final : public RefFileAsker {
 public:
  CheckedAsker(RefFileAsker& asker, OutputSink& sink, const RunFiles& files)
      : asker_(asker), sink_(sink), files_(files) {}
  std::string RefFilePath() override { return asker_.RefFilePath(); }
  bool RangeIsRight(const std::string& path, const RefFileSummary& summary) override {
    return asker_.RangeIsRight(path, summary);
  }
  std::vector<IndexDefinition> Indices() override { return asker_.Indices(); }
  std::string IndexFilePath() override {
    for (;;) {
      std::string path = asker_.IndexFilePath();
      const std::string why = files_.Clash(JobOutput::IndexFile, path);
      if (why.empty()) return chosen_ = path;
      sink_.PathRefused(JobOutput::IndexFile, path, why);
    }
  }
  const std::string& Chosen() const noexcept { return chosen_; }

 private:
  RefFileAsker& asker_;
  OutputSink& sink_;
  const RunFiles& files_;
  std::string chosen_;
};

// The quantities of the long table: the tables written, then the corrected values.
std::vector<LongQuantity> LongQuantities(const ConversionResult& result, const std::array<bool, 4>& modes,
                                         const std::vector<std::vector<double>>* corrected) {
  static constexpr std::array<const char*, 4> kNames = {"reflectance", "absorbance", "target", "panel"};
  std::vector<LongQuantity> out;
  for (OutputMode m : kAllModes)
    if (modes[Index(m)])
      out.push_back({.name = kNames[Index(m)],
                     .result = &result,
                     .mode = m,
                     .decimals = result.variant->decimals,
                     .marked = m == OutputMode::Reflectance || m == OutputMode::Absorbance});
  if (corrected) out.push_back({.name = "corrected", .columns = corrected, .decimals = 6});
  return out;
}

SpectraLong LongTableOf(const ConversionResult& result, const RunSettings& s, const std::array<bool, 4>& modes,
                        const KeyJoin* key, const std::vector<std::vector<double>>* corrected) {
  SpectraLong t;
  t.wavelengths = LongWavelengths(result.rowWavelengths, s.grid, s.interpolate);
  for (std::size_t f = 0; f < result.fileCount; ++f) {
    const ScanFacts& facts = result.facts[f];
    t.scans.push_back({s.files[f], facts.label, facts.date, facts.time, facts.temperature, facts.integrationMs});
  }
  t.quantities = LongQuantities(result, modes, corrected);
  t.key = key;
  return t;
}

}  // namespace

std::string_view OutputName(JobOutput output) noexcept {
  switch (output) {
    case JobOutput::Reflectance: return "reflectance";
    case JobOutput::Absorbance: return "absorbance";
    case JobOutput::RawTarget: return "raw target";
    case JobOutput::RawReference: return "raw panel";
    case JobOutput::IndexFile: return "index";
    case JobOutput::Corrected: return "corrected reflectance";
    case JobOutput::LongTable: return "long table";
    case JobOutput::EnviLibrary: return "ENVI library";
    case JobOutput::Report: return "quality report";
  }
  return "output";
}

void OutputSink::PathRefused(JobOutput, const std::string&, const std::string& why) { Fail(why, FailureKind::Usage); }

namespace {

// The tables the long table writes: the reflectance when no other is asked
// for (it is then computed but not written as a table of its own).
std::array<bool, 4> LongModes(const ConversionJob& job) {
  std::array<bool, 4> modes = job.settings.modes;
  if (job.longTable && std::none_of(modes.begin(), modes.end(), [](bool m) { return m; }))
    modes[Index(OutputMode::Reflectance)] = true;
  return modes;
}

// The job's settings with what its later steps need of the computation: the
// reference steps the unrounded ratios, the ENVI library the table of its
// quantity and each scan's date, the long table and the quality report each
// scan's header facts. Its `variant` is null when the job's own settings do.
RunSettings AdjustedSettings(const ConversionJob& job, const std::optional<OutputMode>& enviTable) {
  const RunSettings& asked = job.settings;
  const bool addRatios = job.KeepsRatios() && !asked.keepRatios;
  const bool addFacts = (job.enviLibrary || job.longTable || job.qualityReport) && !asked.keepFacts;
  const bool addTable = enviTable && !asked.modes[Index(*enviTable)];
  const bool addReflectance = LongModes(job) != asked.modes;
  if (!addRatios && !addFacts && !addTable && !addReflectance) return {};
  RunSettings adjusted = asked;
  adjusted.keepRatios = adjusted.keepRatios || addRatios;
  adjusted.keepFacts = adjusted.keepFacts || addFacts;
  if (addTable) adjusted.modes[Index(*enviTable)] = true;
  if (addReflectance) adjusted.modes[Index(OutputMode::Reflectance)] = true;
  return adjusted;
}

// What the run computes before it writes anything.
struct ComputedRun {
  ConversionResult result;
  std::vector<std::string> warnings;
  std::vector<double> scanReference;  // the chosen reference scans' spectrum
  std::vector<JoinScan> scans;
  std::optional<KeyJoin> join;
  std::vector<std::vector<double>> keyCorrected;
  std::optional<PlotGroups> groups;
};

// The corrections by the key's reference scans, formed before anything is
// written so that a reference of 0 fails the run first.
void CorrectByKeyReferences(const ConversionJob& job, const RunSettings& s, ComputedRun& run) {
  if (!run.join)
    Fail("correcting by the field key's reference scans needs the long table and a field key", FailureKind::Usage);
  if (job.correctByScans)
    Fail("the field key's reference scans and chosen reference scans cannot both correct one run", FailureKind::Usage);
  const ConversionResult& result = run.result;
  if (result.fileCount && result.ratios.empty())
    Fail("the field key's reference scans correct reflectance on a wavelength grid only", FailureKind::Usage);
  KeyReferences references = KeyReferenceScans(*job.key, *run.join, job.keyReferenceColumn, job.keyReferenceValue,
                                               job.keyReferenceBy, run.scans);
  run.warnings.insert(run.warnings.end(), references.warnings.begin(), references.warnings.end());
  // A saturated reference scan spoils every value it corrects: named apart
  // from the run's own saturated scans.
  if (result.checks.size() == result.fileCount) {
    ConversionResult referenceChecks;
    referenceChecks.variant = result.variant;
    referenceChecks.checks.resize(result.fileCount);
    for (std::size_t f = 0; f < result.fileCount; ++f)
      if (references.isReference[f]) referenceChecks.checks[f] = result.checks[f];
    if (std::string w = SaturatedReferenceWarning(referenceChecks, s.files); !w.empty())
      run.warnings.push_back(std::move(w));
  }
  run.keyCorrected = CorrectedByRunScans(result, references.ofScan);
}

// The reference scans are read first, each as a data scan of this run; then
// the scans, the warnings and what the field key adds.
ComputedRun Compute(const ConversionJob& job, const RunSettings& s, WavelengthTables& tables,
                    const ProgressFn& progress) {
  ComputedRun run;
  std::vector<std::string> referenceWarnings;
  std::vector<std::string> saturatedReference;  // not a mark: said with the run's warnings only
  if (job.correctByScans)
    run.scanReference =
        ReferenceSpectrumOfScans(s, job.referenceScans, tables, &referenceWarnings, &saturatedReference);
  run.result = ComputeConversion(s, tables, progress, job.threads);
  ConversionResult& result = run.result;
  run.warnings = WarningsOf(result, s.files);
  run.warnings.insert(run.warnings.end(), referenceWarnings.begin(), referenceWarnings.end());
  run.warnings.insert(run.warnings.end(), saturatedReference.begin(), saturatedReference.end());
  result.marksWarnings.insert(result.marksWarnings.end(), referenceWarnings.begin(), referenceWarnings.end());
  if (job.longTable && job.key) {
    for (std::size_t f = 0; f < result.fileCount; ++f) run.scans.push_back({s.files[f], result.facts[f].date});
    run.join = JoinKey(*job.key, KeyNames(*job.key, job.keyScans, job.keyName), run.scans);
    run.warnings.insert(run.warnings.end(), run.join->warnings.begin(), run.join->warnings.end());
  }
  if (job.KeyReference()) CorrectByKeyReferences(job, s, run);
  if (!job.averageBy.empty()) {
    if (!run.join) Fail("averaging by key columns needs a field key", FailureKind::Usage);
    run.groups = GroupScans(*job.key, *run.join, job.averageBy);
  }
  return run;
}

// Writes a computed run's outputs in order, each to the path its sink gives.
class RunWriter {
 public:
  RunWriter(const ConversionJob& job, const RunSettings& s, ComputedRun& run, OutputSink& sink)
      : job_(job),
        s_(s),
        run_(run),
        result_(run.result),  // a short name for the run's tables
        sink_(sink),
        files_(job, run.result),
        report_(job.qualityReport ? QualityReportText(run.result, s.files) : std::string()) {}

  // Each table in order; the correction by the chosen reference scans is
  // formed from the ratios as the reflectance file holds them, whether or
  // not that file is written; when it is, right after its path is known.
  std::optional<JobOutput> WriteTables() {
    const std::array<bool, 4>& written = job_.settings.modes;
    if (job_.correctByScans) reference_ = ReferenceInputsOf(result_, s_);
    if (job_.correctByScans && !written[Index(OutputMode::Reflectance)]) Correct();
    for (OutputMode m : kAllModes) {
      if (written[Index(m)] && !WriteOutput(TableOutput(m), [&](const std::string& path) {
            const bool reflectance = m == OutputMode::Reflectance;
            if (job_.correctByScans && reflectance) Correct();
            if (job_.reflectanceHeader && reflectance)
              WriteOutputFile(result_, m, *job_.reflectanceHeader, path);
            else
              WriteOutputFile(result_, m, nullptr, path);
          }))
        return TableOutput(m);
    }
    return std::nullopt;
  }

  // The `.ref` step; the tables are written, so their memory goes to the
  // correction unless the long table or the ENVI library still reads them.
  void ApplyRefStep(RefFileAsker& asker, bool tablesStillRead) {
    if (!job_.correctByScans)
      reference_ = tablesStillRead ? ReferenceInputsOf(result_, s_) : TakeReferenceInputs(result_, s_);
    CheckedAsker checked(asker, sink_, files_);
    auto applied = ApplyRefFile(reference_, checked);
    if (!applied) {
      sink_.RefFileDeclined();
      declined_ = true;
      return;
    }
    Record(JobOutput::IndexFile, checked.Chosen());
    corrected_ = std::move(*applied);
  }

  // The corrected file, the long table, the ENVI library, the quality report.
  std::optional<JobOutput> WriteLaterOutputs(const std::optional<OutputMode>& enviTable) {
    const bool correctedFile = job_.correctByScans && !declined_;
    if (correctedFile && !WriteOutput(JobOutput::Corrected, [&](const std::string& path) {
          WriteCorrectedFile(reference_, job_.plottedNames, corrected_, path);
        }))
      return JobOutput::Corrected;
    if (job_.longTable && !WriteOutput(JobOutput::LongTable, [&](const std::string& path) {
          // Corrected rows where the corrected file is written, or the key names references.
          const std::vector<std::vector<double>>* correctedRows = correctedFile         ? &corrected_
                                                                  : job_.KeyReference() ? &run_.keyCorrected
                                                                                        : nullptr;
          const KeyJoin* key = run_.join ? &*run_.join : nullptr;
          const SpectraLong table = LongTableOf(result_, s_, LongModes(job_), key, correctedRows);
          if (run_.groups)
            WritePlotMeans(table, *run_.groups, path);
          else
            WriteSpectraLong(table, path);
        }))
      return JobOutput::LongTable;
    // A declined `.ref` file leaves no corrected reflectance for the library.
    if (job_.enviLibrary && (enviTable || correctedFile) &&
        !WriteOutput(JobOutput::EnviLibrary, [&](const std::string& path) {
          WriteEnviLibrary(result_, EnviSpectraInfoOf(result_, s_, *job_.enviLibrary), corrected_, path);
        }))
      return JobOutput::EnviLibrary;
    if (job_.qualityReport && !WriteOutput(JobOutput::Report, [&](const std::string& path) {
          AtomicFileWriter file(path);
          file.Write(report_);
          file.Commit();
        }))
      return JobOutput::Report;
    return std::nullopt;
  }

 private:
  void Correct() { corrected_ = ScanCorrected(reference_, run_.scanReference); }
  void Record(JobOutput output, const std::string& path) {
    sink_.Written(output, path);
    files_.Add(output, path);
  }
  // Asks the path of `output` (refused while it names a file the run must
  // not replace), writes the file and records it; false when no path was given.
  template <typename Write>
  bool WriteOutput(JobOutput output, const Write& write) {
    const std::optional<std::string> path = CheckedPath(sink_, files_, output);
    if (!path) return false;
    write(*path);
    Record(output, *path);
    return true;
  }

  const ConversionJob& job_;
  const RunSettings& s_;
  ComputedRun& run_;
  ConversionResult& result_;
  OutputSink& sink_;
  RunFiles files_;
  const std::string report_;  // known before the outputs, written after every other one
  DcReferenceInputs reference_;
  std::vector<std::vector<double>> corrected_;
  bool declined_ = false;
};

}  // namespace

JobOutcome RunJob(const ConversionJob& job, OutputSink& sink, RefFileAsker& asker, const ProgressFn& progress) {
  const std::optional<OutputMode> enviTable = job.enviLibrary ? EnviTable(*job.enviLibrary) : std::nullopt;
  if (job.enviLibrary) CheckEnviQuantity(job);
  const RunSettings adjusted = AdjustedSettings(job, enviTable);
  const RunSettings& s = adjusted.variant ? adjusted : job.settings;
  WavelengthTables own;
  ComputedRun run = Compute(job, s, job.tables ? *job.tables : own, progress);
  sink.Computed(run.result, run.warnings);
  RunWriter writer(job, s, run, sink);
  if (const std::optional<JobOutput> stopped = writer.WriteTables()) return {stopped};
  if (job.applyRefFile) writer.ApplyRefStep(asker, job.longTable || enviTable);
  return {writer.WriteLaterOutputs(enviTable)};
}

}  // namespace corvelane
