#pragma once
// The reference part of a UniSpec-DC run, shared by the window and the
// command line: the corrected reflectance from reference scans or from a
// `.ref` file, the index file and the corrected reflectance file. The
// questions the run asks on the way (which `.ref` file, whether its range is
// right, which indices, where to save) go through a RefFileAsker, so the
// window asks the user and the command line answers from its options.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "indices/index_values.h"
#include "reference/reference_spectrum.h"

namespace corvelane {

// What the run has computed when the reference step starts.
struct DcReferenceInputs {
  std::vector<double> grid;                 // N grid wavelengths
  std::vector<std::vector<double>> ratios;  // per data file, target/panel on the grid, not rounded
  std::vector<std::string> fileNames;       // per data file (row 0 of the title block)
  std::vector<std::string> times;           // per data file (row 2 of the title block)
  std::string titleBlock;                   // the five title lines, CR LF included
  double begin = 0;                         // the begin wavelength as typed
  double step = 1;                          // the grid step
};

// The reflectance as its file holds it: every ratio rounded to 5 decimals.
// The corrections start from these values whether or not the reflectance
// file is written.
std::vector<std::vector<double>> ReflectanceColumns(std::span<const std::vector<double>> ratios);

// The reflectance corrected by the mean of the reference scans, rounded to
// 6 decimals. Throws RunFailure where the reference is 0.
std::vector<std::vector<double>> ScanCorrected(const DcReferenceInputs& run, std::span<const double> spectrum);

class RefFileAsker {
 public:
  virtual ~RefFileAsker() = default;
  // The `.ref` file to apply.
  virtual std::string RefFilePath() = 0;
  // Whether the first and last wavelengths the file gives are right; false
  // leaves the file unapplied.
  virtual bool RangeIsRight(const std::string& path, const RefFileSummary& summary) = 0;
  // The indices to compute; may throw RunFailure.
  virtual std::vector<IndexDefinition> Indices() = 0;
  // Where to write the index file (empty when none was chosen).
  virtual std::string IndexFilePath() = 0;
};

// Empty, or why a `.ref` file whose wavelengths are those of `summary` does
// not fit the grid that begins at `begin` with `step`: its first wavelength
// more than half a step from the begin, or its spacing not the step (within 1 %).
std::string RefAlignmentProblem(const std::string& path, const RefFileSummary& summary, double begin, double step);

// "Are these values right? " with the first and last wavelengths, two blanks
// apart; then, two line breaks on, the summary's misalignment if any.
std::string RangeQuestion(const RefFileSummary& summary);
// "FILE: first F, last L", what the command line prints instead of asking.
std::string RangeLine(const std::string& path, const RefFileSummary& summary);

// Applies a `.ref` file: reads it, asks whether its range is right, corrects
// the reflectance by it, asks for the indices, computes them and writes the
// index file. Returns the `.ref` correction rounded to 5 decimals, or none
// (nothing written) when the range is declined. Throws RunFailure on the
// first failure.
std::optional<std::vector<std::vector<double>>> ApplyRefFile(const DcReferenceInputs& run, RefFileAsker& asker);

// The corrected reflectance file at `path`: the plotted names text, the
// title block, then the grid with the corrected values.
void WriteCorrectedFile(const DcReferenceInputs& run, const std::string& plottedNames,
                        std::span<const std::vector<double>> corrected, const std::string& path);

}  // namespace corvelane
