#include "convert/conversion_job.h"

#include "convert/dc_reference.h"
#include "text/failure.h"

namespace corvelane {

namespace {

std::vector<std::string> WarningsOf(const ConversionResult& result) {
  std::vector<std::string> warnings = result.warnings;
  if (std::string status = StatusChannelWarning(result); !status.empty()) warnings.push_back(std::move(status));
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

}  // namespace

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
  const RunSettings& s = adjusted.variant ? adjusted : job.settings;
  WavelengthTables own;
  WavelengthTables& tables = job.tables ? *job.tables : own;
  // The reference scans are read first, each as a data scan of this run.
  std::vector<double> scanReference;
  std::vector<std::string> referenceWarnings;
  if (job.correctByScans) scanReference = ReferenceSpectrumOfScans(s, job.referenceScans, tables, &referenceWarnings);
  ConversionResult result = ComputeConversion(s, tables, progress, job.threads);
  std::vector<std::string> warnings = WarningsOf(result);
  warnings.insert(warnings.end(), referenceWarnings.begin(), referenceWarnings.end());
  result.marksWarnings.insert(result.marksWarnings.end(), referenceWarnings.begin(), referenceWarnings.end());
  sink.Computed(result, warnings);

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
    const std::optional<std::string> path = sink.PathFor(TableOutput(m));
    if (!path) return {TableOutput(m)};
    if (job.correctByScans && m == OutputMode::Reflectance) corrected = ScanCorrected(reference, scanReference);
    if (job.reflectanceHeader && m == OutputMode::Reflectance)
      WriteOutputFile(result, m, *job.reflectanceHeader, *path);
    else
      WriteOutputFile(result, m, nullptr, *path);
    sink.Written(TableOutput(m), *path);
  }
  // The tables are written: their memory goes to the correction, unless
  // the ENVI library still needs one.
  if (job.applyRefFile && !job.correctByScans)
    reference = enviTable ? ReferenceInputsOf(result, s) : TakeReferenceInputs(result, s);
  bool declined = false;
  if (job.applyRefFile) {
    auto applied = ApplyRefFile(reference, asker);
    if (applied) {
      corrected = std::move(*applied);
    } else {
      sink.RefFileDeclined();
      declined = true;
    }
  }
  if (job.correctByScans && !declined) {
    const std::optional<std::string> path = sink.PathFor(JobOutput::Corrected);
    if (!path) return {JobOutput::Corrected};
    WriteCorrectedFile(reference, job.plottedNames, corrected, *path);
    sink.Written(JobOutput::Corrected, *path);
  }
  // A declined `.ref` file leaves no corrected reflectance for the library.
  if (job.enviLibrary && (enviTable || !declined)) {
    const std::optional<std::string> path = sink.PathFor(JobOutput::EnviLibrary);
    if (!path) return {JobOutput::EnviLibrary};
    WriteEnviLibrary(result, EnviSpectraInfoOf(result, s, *job.enviLibrary), corrected, *path);
    sink.Written(JobOutput::EnviLibrary, *path);
  }
  return {};
}

}  // namespace corvelane
