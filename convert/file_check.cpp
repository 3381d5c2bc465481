#include "convert/file_check.h"

#include "instruments/file_label.h"
#include "text/atomic_file.h"
#include "text/failure.h"
#include "text/line_reading.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

CheckOutcome CheckInto(const InstrumentVariant& variant, const std::vector<std::string>& files, LabelSource labelSource,
                       const std::string& errorPath, const ProgressFn& progress) {
  // The error file must not replace a scan, by whatever name or link.
  const std::optional<FileIdentity> errorFileIdentity = IdentityOf(errorPath);
  AtomicFileWriter errorFile(errorPath);
  CheckOutcome outcome;
  std::string buffer, errors;
  for (std::size_t f = 0; f < files.size(); ++f) {
    FileIdentity scan;
    bool replacesScan = false;
    try {
      bool truncated = false;
      ReadFileBounded(files[f], buffer, truncated, &scan);
      replacesScan = errorFileIdentity && scan == *errorFileIdentity;
      if (!replacesScan)
        outcome.problemLines += CheckScanText(variant, buffer, truncated, files[f], labelSource, errors);
    } catch (const RunFailure&) {
      // Problem lines found so far stay in the error file.
      errorFile.Write(errors);
      errorFile.Commit();
      throw;
    }
    // Nothing is committed then: the scan stays as it is.
    if (replacesScan) FailFile(errorPath, "the error file would replace the scan file " + files[f], FailureKind::Usage);
    errorFile.Write(errors);
    errors.clear();
    // Cancelled: the error file is not written.
    if (progress && !progress(f + 1, files.size())) throw RunCancelled();
  }
  errorFile.Commit();
  return outcome;
}

}  // namespace

std::size_t CheckScanText(const InstrumentVariant& variant, std::string_view text, bool truncated,
                          const std::string& path, LabelSource labelSource, std::string& errors) {
  ProblemWriter problems(path, errors);
  ScanLines in(text, truncated, path);
  variant.check(in, labelSource, problems);
  return problems.Count();
}

CheckOutcome CheckFiles(const InstrumentVariant& variant, const std::vector<std::string>& files,
                        LabelSource labelSource, const std::string& errorPath, const ProgressFn& progress) {
  try {
    return CheckInto(variant, files, labelSource, errorPath, progress);
  } catch (const RunFailure& f) {
    if (f.Kind() == FailureKind::Usage) throw;  // the error file named a scan
    throw f.As(FailureKind::Check);
  }
}

}  // namespace corvelane
