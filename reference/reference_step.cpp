#include "reference/reference_step.h"

#include <algorithm>
#include <cmath>

#include "reference/dc_indices.h"
#include "reference/reference_files.h"
#include "text/numeric_text.h"

namespace corvelane {

std::vector<std::vector<double>> ReflectanceColumns(std::span<const std::vector<double>> ratios) {
  std::vector<std::vector<double>> columns(ratios.begin(), ratios.end());
  RoundColumns(columns, 5);
  return columns;
}

namespace {

// The reflectance of `run` (each ratio rounded to 5 decimals, as its file
// holds it) divided by `reference`, not rounded. Taken a few hundred columns
// at a time, so the rounded reflectance never stands whole beside the
// ratios and the result: a run of tens of thousands of scans keeps two
// tables, not four.
std::vector<std::vector<double>> CorrectedReflectance(const DcReferenceInputs& run, std::span<const double> reference,
                                                      const std::string& source) {
  constexpr std::size_t kBatch = 256;
  std::vector<std::vector<double>> corrected;
  corrected.reserve(run.ratios.size());
  std::span<const std::vector<double>> ratios = run.ratios;
  do {  // once at least, so a zero reference fails even without files
    const std::size_t n = std::min(kBatch, ratios.size());
    for (auto& column : CorrectReflectance(ReflectanceColumns(ratios.first(n)), reference, run.grid, source))
      corrected.push_back(std::move(column));
    ratios = ratios.subspan(n);
  } while (!ratios.empty());
  return corrected;
}

}  // namespace

std::vector<std::vector<double>> ScanCorrected(const DcReferenceInputs& run, std::span<const double> spectrum) {
  auto corrected = CorrectedReflectance(run, spectrum, "the mean of the reference scans");
  RoundColumns(corrected, 6);
  return corrected;
}

std::string RefAlignmentProblem(const std::string& path, const RefFileSummary& summary, double begin, double step) {
  std::string problem;
  if (!(std::fabs(summary.first - begin) <= std::fabs(step) / 2))
    problem = path + ": its first wavelength " + PlainNumber(summary.first) + " nm is not the grid's begin " +
              PlainNumber(begin) + " nm (within half a grid step)";
  if (!(std::fabs(summary.step - step) <= std::fabs(step) * 0.01))
    problem += (problem.empty() ? path + ": its" : "; its") + std::string(" wavelength step ") +
               PlainNumber(summary.step) + " nm (its first two data lines) is not the grid step " + PlainNumber(step) +
               " nm (within 1 %)";
  if (!problem.empty())
    problem += "; its values are applied by position, one per grid point, so they would stand at other wavelengths";
  return problem;
}

std::string RangeQuestion(const RefFileSummary& summary) {
  std::string question = "Are these values right? " + PlainNumber(summary.first) + "  " + PlainNumber(summary.last);
  if (!summary.misalignment.empty()) question += "\n\n" + summary.misalignment;
  return question;
}

std::string RangeLine(const std::string& path, const RefFileSummary& summary) {
  return path + ": first " + PlainNumber(summary.first) + ", last " + PlainNumber(summary.last);
}

std::optional<std::vector<std::vector<double>>> ApplyRefFile(const DcReferenceInputs& run, RefFileAsker& asker) {
  const std::string path = asker.RefFilePath();
  const std::string text = ReadRefFileText(path);
  RefFileSummary summary = SummariseRefFile(text, path, run.grid.size());
  if (!run.grid.empty()) summary.misalignment = RefAlignmentProblem(path, summary, run.grid.front(), run.step);
  if (!asker.RangeIsRight(path, summary)) return std::nullopt;
  const std::vector<double> reference = ReadRefValues(text, path, summary, run.grid);
  auto byFile = CorrectedReflectance(run, reference, path);
  const std::vector<IndexDefinition> indices = asker.Indices();
  std::vector<std::string> names;
  for (const auto& index : indices) names.push_back(index.name);
  const auto values = DcIndexValues(indices, byFile, run.begin, run.step, path);
  RoundColumns(byFile, 5);
  const std::string out = DcIndexFileText(run.times, run.fileNames, names, values);
  WriteReferenceOutput(asker.IndexFilePath(), out);
  return byFile;
}

void WriteCorrectedFile(const DcReferenceInputs& run, const std::string& plottedNames,
                        std::span<const std::vector<double>> corrected, const std::string& path) {
  WriteReferenceOutput(path, CorrectedFileText(plottedNames, run.titleBlock, run.grid, corrected));
}

}  // namespace corvelane
