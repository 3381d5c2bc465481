#pragma once
// The reference spectrum that corrects a UniSpec-DC reflectance: either the
// mean of reference scans taken over the white panel, or a stored `.ref`
// file. Both give one value per grid point; the corrected reflectance is the
// reflectance divided by it.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// Mean of the reference scans: each scan's target/panel ratio on the grid is
// rounded to 5 decimals (as the reflectance file holds it), then averaged
// over the scans. `scanRatios` holds one column per scan, grid order, all
// the same length. Where any scan's ratio is the mark 999 the mean is the
// mark. Throws RunFailure when there are no scans.
std::vector<double> MeanReferenceSpectrum(std::span<const std::vector<double>> scanRatios);

// corrected[k][i] = reflectance[k][i] / reference[i] for every file column k;
// the mark 999 where either is the mark. A reference value of 0 fails the run
// naming `referenceSource` and the grid wavelength, since the correction
// cannot be formed there. Not rounded.
std::vector<std::vector<double>> CorrectReflectance(std::span<const std::vector<double>> reflectance,
                                                    std::span<const double> reference, std::span<const double> grid,
                                                    const std::string& referenceSource);

// Every value rounded to `decimals`, ties to even.
void RoundColumns(std::vector<std::vector<double>>& columns, int decimals);

// What the first look at a `.ref` file finds. A data line is a number, a
// comma and a value; every other line is a header line. Data lines are
// matched to grid points by position only: data line i is grid point i.
struct RefFileSummary {
  std::size_t headerLines = 0;
  std::size_t dataLines = 0;
  double first = 0;  // wavelength of data line 0
  double last = 0;   // wavelength of data line N-1 (0 when the file has fewer)
  long count = 0;    // (last - first) / step + 1: how many values the file offers
  // One data line more than the grid has points: its last line is not used.
  bool lastLineUnused = false;
  std::size_t lastDataLine = 0;  // physical line of the last data line (1-based)
  double step = 0;               // wavelength of data line 1 minus that of data line 0
  // Empty, or why the file's wavelengths do not stand at the grid's: the
  // values are applied by position, so they would land at other wavelengths.
  std::string misalignment;
};

// First pass over `text` (the whole file) for a grid of `gridCount` points.
// Throws RunFailure when the file holds more data lines than the grid has
// points plus one, or too few data lines to tell its step.
RefFileSummary SummariseRefFile(std::string_view text, const std::string& path, std::size_t gridCount);

// Second pass: reads the first `count` data lines, value i from the text
// after the first comma of data line i; header lines are skipped wherever
// they stand. Grid points the file does not reach stay 0 (which
// the correction then refuses). Throws RunFailure when `count` exceeds the
// grid or a value is not a number, naming the line and its grid wavelength.
std::vector<double> ReadRefValues(std::string_view text, const std::string& path, const RefFileSummary& summary,
                                  std::span<const double> grid);

// Both passes over the file at `path`; throws RunFailure when it cannot be read.
std::string ReadRefFileText(const std::string& path);

}  // namespace corvelane
