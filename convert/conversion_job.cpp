#include "convert/conversion_job.h"

#include "convert/dc_reference.h"
#include "convert/quality_report.h"
#include "text/atomic_file.h"

namespace corvelane {

namespace {

std::vector<std::string> WarningsOf(const ConversionResult& result, const std::vector<std::string>& files) {
  std::vector<std::string> warnings = result.warnings;
  if (std::string status = StatusChannelWarning(result); !status.empty()) warnings.push_back(std::move(status));
  for (std::string& w : ScanCheckWarnings(result, files)) warnings.push_back(std::move(w));
  return warnings;
}

}  // namespace

JobOutcome RunJob(const ConversionJob& job, OutputSink& sink, RefFileAsker& asker, const ProgressFn& progress) {
  // The reference steps need the unrounded ratios of the run, the quality
  // report what each scan's header says.
  RunSettings adjusted;
  const bool needRatios = job.KeepsRatios() && !job.settings.keepRatios;
  const bool needFacts = job.qualityReport && !job.settings.keepFacts;
  if (needRatios || needFacts) {
    adjusted = job.settings;
    adjusted.keepRatios = adjusted.keepRatios || needRatios;
    adjusted.keepFacts = adjusted.keepFacts || needFacts;
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
  sink.Computed(result, warnings);
  // Known now; written last, after every other output.
  const std::string report = job.qualityReport ? QualityReportText(result, s.files) : std::string();
  const auto writeReport = [&]() -> JobOutcome {
    if (!job.qualityReport) return {};
    const std::optional<std::string> path = sink.PathFor(JobOutput::Report);
    if (!path) return {JobOutput::Report};
    AtomicFileWriter file(*path);
    file.Write(report);
    file.Commit();
    sink.Written(JobOutput::Report, *path);
    return {};
  };

  DcReferenceInputs reference;
  std::vector<std::vector<double>> corrected;
  if (job.correctByScans) reference = ReferenceInputsOf(result, s);
  // The correction is formed from the ratios as the reflectance file holds
  // them, whether or not that file is written; when it is, right after its
  // path is known.
  const bool reflectance = s.modes[Index(OutputMode::Reflectance)];
  if (job.correctByScans && !reflectance) corrected = ScanCorrected(reference, scanReference);
  for (OutputMode m : kAllModes) {
    if (!s.modes[Index(m)]) continue;
    const std::optional<std::string> path = sink.PathFor(TableOutput(m));
    if (!path) return {TableOutput(m)};
    if (job.correctByScans && m == OutputMode::Reflectance) corrected = ScanCorrected(reference, scanReference);
    if (job.reflectanceHeader && m == OutputMode::Reflectance)
      WriteOutputFile(result, m, *job.reflectanceHeader, *path);
    else
      WriteOutputFile(result, m, nullptr, *path);
    sink.Written(TableOutput(m), *path);
  }
  // The tables are written: their memory goes to the correction.
  if (job.applyRefFile && !job.correctByScans) reference = TakeReferenceInputs(result, s);
  if (job.applyRefFile) {
    auto applied = ApplyRefFile(reference, asker);
    if (!applied) {
      sink.RefFileDeclined();
      return writeReport();
    }
    corrected = std::move(*applied);
  }
  if (job.correctByScans) {
    const std::optional<std::string> path = sink.PathFor(JobOutput::Corrected);
    if (!path) return {JobOutput::Corrected};
    WriteCorrectedFile(reference, job.plottedNames, corrected, *path);
    sink.Written(JobOutput::Corrected, *path);
  }
  return writeReport();
}

}  // namespace corvelane
