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

JobOutcome RunJob(const ConversionJob& job, OutputSink& sink, RefFileAsker& asker, const ProgressFn& progress) {
  const std::optional<OutputMode> enviTable = job.enviLibrary ? EnviTable(*job.enviLibrary) : std::nullopt;
  if (job.enviLibrary) CheckEnviQuantity(job);
  // The reference steps need the unrounded ratios of the run, the ENVI
  // library the table of its quantity and each scan's date.
  const std::array<bool, 4>& written = job.settings.modes;
  const bool addTable = enviTable && !written[Index(*enviTable)];
  const bool addFacts = job.enviLibrary && !job.settings.keepFacts;
  RunSettings adjusted;
  if ((job.KeepsRatios() && !job.settings.keepRatios) || addTable || addFacts) {
    adjusted = job.settings;
    adjusted.keepRatios = adjusted.keepRatios || job.KeepsRatios();
    adjusted.keepFacts = adjusted.keepFacts || addFacts;
    if (addTable) adjusted.modes[Index(*enviTable)] = true;
  }
  // The long table needs each scan's header facts, and a table to write:
  // the reflectance when no other is asked for (it is then not written).
  const bool noTable = std::none_of(written.begin(), written.end(), [](bool m) { return m; });
  const bool longOnly = job.longTable && noTable;
  std::array<bool, 4> longModes = written;
  if (longOnly) longModes[Index(OutputMode::Reflectance)] = true;
  if (job.longTable) {
    if (!adjusted.variant) adjusted = job.settings;
    adjusted.keepFacts = true;
    if (longOnly) adjusted.modes[Index(OutputMode::Reflectance)] = true;
  }
  // The quality report needs each scan's header facts too.
  if (job.qualityReport && !job.settings.keepFacts) {
    if (!adjusted.variant) adjusted = job.settings;
    adjusted.keepFacts = true;
  }
  const RunSettings& s = adjusted.variant ? adjusted : job.settings;
  WavelengthTables own;
  WavelengthTables& tables = job.tables ? *job.tables : own;
  // The reference scans are read first, each as a data scan of this run.
  std::vector<double> scanReference;
  std::vector<std::string> referenceWarnings;
  std::vector<std::string> saturatedReference;  // not a mark: said with the run's warnings only
  if (job.correctByScans)
    scanReference = ReferenceSpectrumOfScans(s, job.referenceScans, tables, &referenceWarnings, &saturatedReference);
  ConversionResult result = ComputeConversion(s, tables, progress, job.threads);
  std::vector<std::string> warnings = WarningsOf(result, s.files);
  warnings.insert(warnings.end(), referenceWarnings.begin(), referenceWarnings.end());
  warnings.insert(warnings.end(), saturatedReference.begin(), saturatedReference.end());
  result.marksWarnings.insert(result.marksWarnings.end(), referenceWarnings.begin(), referenceWarnings.end());
  std::optional<KeyJoin> join;
  std::vector<JoinScan> scans;
  if (job.longTable && job.key) {
    for (std::size_t f = 0; f < result.fileCount; ++f) scans.push_back({s.files[f], result.facts[f].date});
    join = JoinKey(*job.key, KeyNames(*job.key, job.keyScans, job.keyName), scans);
    warnings.insert(warnings.end(), join->warnings.begin(), join->warnings.end());
  }
  // The corrections by the key's reference scans, formed before anything is
  // written so that a reference of 0 fails the run first.
  std::vector<std::vector<double>> keyCorrected;
  if (job.KeyReference()) {
    if (!join)
      Fail("correcting by the field key's reference scans needs the long table and a field key", FailureKind::Usage);
    if (job.correctByScans)
      Fail("the field key's reference scans and chosen reference scans cannot both correct one run",
           FailureKind::Usage);
    if (result.fileCount && result.ratios.empty())
      Fail("the field key's reference scans correct reflectance on a wavelength grid only", FailureKind::Usage);
    KeyReferences references =
        KeyReferenceScans(*job.key, *join, job.keyReferenceColumn, job.keyReferenceValue, job.keyReferenceBy, scans);
    warnings.insert(warnings.end(), references.warnings.begin(), references.warnings.end());
    // A saturated reference scan spoils every value it corrects: named apart
    // from the run's own saturated scans.
    if (result.checks.size() == result.fileCount) {
      ConversionResult referenceChecks;
      referenceChecks.variant = result.variant;
      referenceChecks.checks.resize(result.fileCount);
      for (std::size_t f = 0; f < result.fileCount; ++f)
        if (references.isReference[f]) referenceChecks.checks[f] = result.checks[f];
      if (std::string w = SaturatedReferenceWarning(referenceChecks, s.files); !w.empty())
        warnings.push_back(std::move(w));
    }
    keyCorrected = CorrectedByRunScans(result, references.ofScan);
  }
  std::optional<PlotGroups> groups;
  if (!job.averageBy.empty()) {
    if (!join) Fail("averaging by key columns needs a field key", FailureKind::Usage);
    groups = GroupScans(*job.key, *join, job.averageBy);
  }
  sink.Computed(result, warnings);
  RunFiles files(job, result);
  // Known now; written last, after every other output.
  const std::string report = job.qualityReport ? QualityReportText(result, s.files) : std::string();

  DcReferenceInputs reference;
  std::vector<std::vector<double>> corrected;
  if (job.correctByScans) reference = ReferenceInputsOf(result, s);
  // The correction is formed from the ratios as the reflectance file holds
  // them, whether or not that file is written; when it is, right after its
  // path is known.
  const bool reflectance = written[Index(OutputMode::Reflectance)];
  if (job.correctByScans && !reflectance) corrected = ScanCorrected(reference, scanReference);
  for (OutputMode m : kAllModes) {
    if (!written[Index(m)]) continue;
    const std::optional<std::string> path = CheckedPath(sink, files, TableOutput(m));
    if (!path) return {TableOutput(m)};
    if (job.correctByScans && m == OutputMode::Reflectance) corrected = ScanCorrected(reference, scanReference);
    if (job.reflectanceHeader && m == OutputMode::Reflectance)
      WriteOutputFile(result, m, *job.reflectanceHeader, *path);
    else
      WriteOutputFile(result, m, nullptr, *path);
    sink.Written(TableOutput(m), *path);
    files.Add(TableOutput(m), *path);
  }
  // The tables are written: their memory goes to the correction, unless the
  // long table or the ENVI library still reads them.
  if (job.applyRefFile && !job.correctByScans)
    reference = job.longTable || enviTable ? ReferenceInputsOf(result, s) : TakeReferenceInputs(result, s);
  bool declined = false;
  if (job.applyRefFile) {
    CheckedAsker checked(asker, sink, files);
    auto applied = ApplyRefFile(reference, checked);
    if (applied) {
      sink.Written(JobOutput::IndexFile, checked.Chosen());
      files.Add(JobOutput::IndexFile, checked.Chosen());
      corrected = std::move(*applied);
    } else {
      sink.RefFileDeclined();
    }
    declined = !applied;
  }
  const bool correctedFile = job.correctByScans && !declined;
  // Asks the path of `output` (refused while it names a file the run must
  // not replace), writes the file and records it; false when no path was given.
  const auto writeOutput = [&](JobOutput output, const auto& write) {
    const std::optional<std::string> path = CheckedPath(sink, files, output);
    if (!path) return false;
    write(*path);
    sink.Written(output, *path);
    files.Add(output, *path);
    return true;
  };
  if (correctedFile && !writeOutput(JobOutput::Corrected, [&](const std::string& path) {
        WriteCorrectedFile(reference, job.plottedNames, corrected, path);
      }))
    return {JobOutput::Corrected};
  if (job.longTable && !writeOutput(JobOutput::LongTable, [&](const std::string& path) {
        // Corrected rows where the corrected file is written, or the key names references.
        const std::vector<std::vector<double>>* correctedRows = correctedFile        ? &corrected
                                                                : job.KeyReference() ? &keyCorrected
                                                                                     : nullptr;
        const SpectraLong table = LongTableOf(result, s, longModes, join ? &*join : nullptr, correctedRows);
        if (groups)
          WritePlotMeans(table, *groups, path);
        else
          WriteSpectraLong(table, path);
      }))
    return {JobOutput::LongTable};
  // A declined `.ref` file leaves no corrected reflectance for the library.
  if (job.enviLibrary && (enviTable || correctedFile) &&
      !writeOutput(JobOutput::EnviLibrary, [&](const std::string& path) {
        WriteEnviLibrary(result, EnviSpectraInfoOf(result, s, *job.enviLibrary), corrected, path);
      }))
    return {JobOutput::EnviLibrary};
  if (job.qualityReport && !writeOutput(JobOutput::Report, [&](const std::string& path) {
        AtomicFileWriter file(path);
        file.Write(report);
        file.Commit();
      }))
    return {JobOutput::Report};
  return {};
}

}  // namespace corvelane
