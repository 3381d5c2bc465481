#include "cli/reference_options.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/format_texts.h"
#include "indices/index_values.h"
#include "text/failure.h"

namespace corvelane::cli {

namespace {

[[noreturn]] void UsageError(std::string why) { Fail(std::move(why), FailureKind::Usage); }

}  // namespace

void AddReferenceOptions(CLI::App& convert, ReferenceOptions& o) {
  const std::string dc = CliNamesCommas(TakesReference);
  convert.add_option("--reference-scan", o.referenceScans,
                     dc + ": a scan taken over the white reference panel (repeat for several, in plot order); "
                          "their mean ratio corrects the reflectance written by --corrected");
  convert.add_option("--corrected", o.corrected,
                     dc + ": write the reflectance corrected by the mean of the --reference-scan scans to PATH "
                          "(the last output; its first line names the reference scans, at most 15, the last first)");
  convert.add_option("--ref-file", o.refFile,
                     dc + ": correct the reflectance by the .ref file FILE (one 'wavelength,value' line per grid "
                          "point, in grid order) and write the indices of --index to --indices; prints "
                          "'FILE: first F, last L' on stderr");
  convert.add_option("--index", o.indexTexts,
                     dc + " with --ref-file: an index NAME,A,B,FORMULA of the corrected reflectance, FORMULA nd "
                          "((A-B)/(A+B), or 1) or ratio (A/B, or 2); repeat for several");
  convert.add_option("--indices", o.indices,
                     dc + " with --ref-file: write the index file (time, file name and each index per scan) to PATH");
}

void CheckReferenceOptions(ReferenceOptions& o, bool formatTakesReference) {
  if (!o.Any()) return;
  if (!formatTakesReference)
    UsageError("--reference-scan, --corrected, --ref-file, --index and --indices are for " +
               CliNamesAnd(TakesReference) + " only");
  if (o.Correct() && o.referenceScans.empty())
    UsageError("--corrected needs at least one --reference-scan SCAN to correct by");
  if (!o.referenceScans.empty() && !o.Correct())
    UsageError("--reference-scan needs --corrected PATH, the file the corrected reflectance goes to");
  const bool ref = !o.refFile.empty(), index = !o.indexTexts.empty(), indices = !o.indices.empty();
  if ((ref || index || indices) && !(ref && index && indices))
    UsageError("--ref-file, --index and --indices go together: the .ref file, at least one index and the index file");
  o.parsedIndices.clear();
  for (const std::string& text : o.indexTexts) {
    o.parsedIndices.push_back(ParseIndexOption(text, IndexOptionFields::WithoutSource));
  }
}

bool OptionsRefFileAsker::RangeIsRight(const std::string& path, const RefFileSummary& summary) {
  err_ << RangeLine(path, summary) << "\n";
  // What the window asks the user about fails the command line.
  if (!summary.misalignment.empty()) Fail(summary.misalignment);
  if (summary.lastLineUnused)
    err_ << "corvelane: warning: " << path << ": it holds one data line more than the grid has points; its last "
         << "data line (line " << summary.lastDataLine << ") is not used\n";
  return true;
}

}  // namespace corvelane::cli
