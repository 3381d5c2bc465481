#pragma once
// The file check: reads every listed scan with its format's own layout and
// writes one line per damaged field into an error file.
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_run.h"
#include "instruments/scan_layout.h"
#include "instruments/variant.h"

namespace corvelane {

// Appends the problem lines of one file's text to `errors` (CR LF ended).
// `path` is the path as listed. Returns the number of problem lines. Throws
// RunFailure when the check itself fails: the file ends before its layout's
// fixed number of lines or records, or a file label's length comes out negative.
std::size_t CheckScanText(const InstrumentVariant& variant, std::string_view text, bool truncated,
                          const std::string& path, LabelSource labelSource, std::string& errors);

struct CheckOutcome {
  std::size_t problemLines = 0;
  bool Clean() const noexcept { return problemLines == 0; }
};

// Checks `files` in list order into the error file at `errorPath` (replaced).
// On a failure the problem lines found so far are kept in the error file and
// RunFailure of kind Check is thrown. When `progress` (files checked, files
// in all) returns false, RunCancelled is thrown and no error file is written.
CheckOutcome CheckFiles(const InstrumentVariant& variant, const std::vector<std::string>& files,
                        LabelSource labelSource, const std::string& errorPath, const ProgressFn& progress = {});

}  // namespace corvelane
