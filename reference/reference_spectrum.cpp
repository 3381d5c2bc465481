#include "reference/reference_spectrum.h"

#include <cmath>

#include "text/failure.h"
#include "text/line_reading.h"
#include "text/marks.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

// The wavelength of a `.ref` data line, or nothing for a header line.
std::optional<double> DataLineWavelength(std::string_view line) noexcept {
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  return ParseNumber(line.substr(0, comma));
}

std::string AtWavelength(double wavelength) { return "at the grid wavelength " + PlainNumber(wavelength) + " nm"; }

}  // namespace

std::vector<double> MeanReferenceSpectrum(std::span<const std::vector<double>> scanRatios) {
  if (scanRatios.empty()) Fail("no reference scans are chosen, so there is no reference spectrum to correct by");
  std::vector<double> mean(scanRatios.front().size(), 0.0);
  std::vector<bool> marked(mean.size(), false);
  for (const auto& ratios : scanRatios)
    for (std::size_t i = 0; i < mean.size(); ++i) {
      const double ratio = RoundHalfEven(ratios[i], 5);
      if (IsMark(ratio)) marked[i] = true;
      mean[i] += ratio;
    }
  for (std::size_t i = 0; i < mean.size(); ++i)
    mean[i] = marked[i] ? kMark : mean[i] / static_cast<double>(scanRatios.size());
  return mean;
}

std::vector<std::vector<double>> CorrectReflectance(std::span<const std::vector<double>> reflectance,
                                                    std::span<const double> reference, std::span<const double> grid,
                                                    const std::string& referenceSource) {
  for (std::size_t i = 0; i < reference.size(); ++i)
    if (reference[i] == 0.0)
      FailFile(referenceSource,
               "the reference value is 0 " + AtWavelength(grid[i]) + ", so the reflectance cannot be corrected there");
  std::vector<std::vector<double>> corrected(reflectance.size());
  for (std::size_t k = 0; k < reflectance.size(); ++k) {
    corrected[k].resize(reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i) {
      const double value = reflectance[k][i];
      corrected[k][i] = IsMark(value) || IsMark(reference[i]) ? kMark : value / reference[i];
    }
  }
  return corrected;
}

void RoundColumns(std::vector<std::vector<double>>& columns, int decimals) {
  for (auto& column : columns)
    for (double& v : column) v = RoundHalfEven(v, decimals);
}

std::string ReadRefFileText(const std::string& path) {
  std::string text;
  bool truncated = false;
  ReadFileBounded(path, text, truncated);
  if (truncated) FailFile(path, "the file is larger than 16 MiB, far more than any reference file");
  return text;
}

RefFileSummary SummariseRefFile(std::string_view text, const std::string& path, std::size_t gridCount) {
  // Slots 0..N for the wavelengths of the data lines; unfilled slots read 0.
  std::vector<double> slots(gridCount + 1, 0.0);
  RefFileSummary s;
  LineCursor lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    const auto wavelength = DataLineWavelength(line);
    if (!wavelength) {
      ++s.headerLines;
      continue;
    }
    if (s.dataLines == slots.size())
      FailAtText(path, lines.LineNumber(), line,
                 "the file holds more data lines than the " + std::to_string(gridCount) +
                     " grid points of the run; it must hold exactly one line per grid point");
    slots[s.dataLines++] = *wavelength;
    s.lastDataLine = lines.LineNumber();
  }
  s.lastLineUnused = s.dataLines == gridCount + 1;
  s.first = slots[0];
  s.last = gridCount > 0 ? slots[gridCount - 1] : slots[0];
  const double step = slots[1] - slots[0];
  s.step = step;
  if (step == 0.0 || !std::isfinite(step))
    FailFile(path, s.dataLines == 0 ? std::string("the file holds no data lines (wavelength, comma, value)")
                                    : "the first two data lines do not give a wavelength step");
  const double count = RoundHalfEven((s.last - s.first) / step + 1.0, 0);
  if (!std::isfinite(count) || std::fabs(count) > 1e9)
    FailFile(path, "the data lines do not give a usable number of values");
  s.count = static_cast<long>(count);
  return s;
}

std::vector<double> ReadRefValues(std::string_view text, const std::string& path, const RefFileSummary& summary,
                                  std::span<const double> grid) {
  std::vector<double> values(grid.size(), 0.0);
  if (summary.count > static_cast<long>(grid.size()))
    FailFile(path, "its data lines run from " + PlainNumber(summary.first) + " to " + PlainNumber(summary.last) + ", " +
                       std::to_string(summary.count) + " values, more than the " + std::to_string(grid.size()) +
                       " grid points of the run");
  ScanLines in(text, false, path);
  for (long i = 0; i < summary.count; ++i) {
    std::string_view line = in.Line("the reference values");
    // A header line may stand anywhere, even after the data ("mean,0.95"):
    // it takes no grid point.
    while (!DataLineWavelength(line)) line = in.Line("the reference values");
    const std::size_t comma = line.find(',');
    const std::string_view valueText = comma == std::string_view::npos ? line : line.substr(comma + 1);
    const auto value = ParseNumber(valueText);
    if (!value)
      in.FailHere(
          valueText,
          ("the reference value " + AtWavelength(grid[static_cast<std::size_t>(i)]) + " is not a number").c_str());
    values[static_cast<std::size_t>(i)] = *value;
  }
  return values;
}

}  // namespace corvelane
