#include "reference/reference_files.h"

#include <algorithm>

#include "indices/index_values.h"
#include "text/atomic_file.h"
#include "text/failure.h"
#include "text/numeric_text.h"

namespace corvelane {

std::string_view PlottedName(std::string_view path) noexcept {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string PlottedNamesText(std::span<const std::string> plotOrder) {
  std::string text;
  const std::size_t named = std::min(plotOrder.size(), kLegendEntries);
  for (std::size_t n = 0; n < named; ++n) text.insert(0, std::string(PlottedName(plotOrder[n])) + ",");
  return text;
}

std::string CorrectedFileText(std::string_view plottedNames, std::string_view titleBlock, std::span<const double> grid,
                              std::span<const std::vector<double>> corrected) {
  std::string out;
  out.reserve(titleBlock.size() + grid.size() * (12 + corrected.size() * 12));
  out += plottedNames;
  out += kLineEnd;
  out += titleBlock;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    AppendNumber(out, grid[i]);
    for (const auto& column : corrected) {
      out += ',';
      AppendNumber(out, WrittenValue(column[i]));
    }
    out += kLineEnd;
  }
  return out;
}

std::string DcIndexFileText(std::span<const std::string> times, std::span<const std::string> fileNames,
                            std::span<const std::string> indexNames, std::span<const std::vector<double>> values) {
  std::string out = "Time,Filename,";
  for (const auto& name : indexNames) out += name + ",";
  out += kLineEnd;
  for (std::size_t k = 0; k < fileNames.size(); ++k) {
    out += times[k] + "," + fileNames[k] + ",";
    for (const double v : values[k]) {
      AppendNumber(out, WrittenValue(v));
      out += ',';
    }
    out += kLineEnd;
  }
  return out;
}

void WriteReferenceOutput(const std::string& path, std::string_view bytes) {
  if (path.empty()) Fail("no file name was chosen for the output");
  AtomicFileWriter file(path);
  file.Write(bytes);
  file.Commit();
}

}  // namespace corvelane
