#pragma once
// The two files of the reference step of a UniSpec-DC run: the corrected
// reflectance file and the index file. Both end their lines with CR LF and
// write numbers in the numeric text form, with "," between items.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// The name a reference scan goes by in the legend and the plotted names
// text: everything after the last "\" or "/" of its path.
std::string_view PlottedName(std::string_view path) noexcept;

// Only the first scans plotted get a legend entry and a place in the
// plotted names text.
inline constexpr std::size_t kLegendEntries = 15;

// The plotted names text of scans plotted in `plotOrder`: the names of the
// first 15, the last of them first, each followed by ",".
std::string PlottedNamesText(std::span<const std::string> plotOrder);

// The corrected reflectance file: the plotted names text, the five-line
// column title block of the run (`titleBlock`, CR LF line ends included),
// then per grid point its wavelength and, per file, "," and the corrected
// value. `corrected` holds one column per file.
std::string CorrectedFileText(std::string_view plottedNames, std::string_view titleBlock, std::span<const double> grid,
                              std::span<const std::vector<double>> corrected);

// The index file: "Time,Filename," and each index name with a ","; then per
// file its time, ",", its name, "," and each index value followed by ",".
// `values[k][m]` is index m of file k.
std::string DcIndexFileText(std::span<const std::string> times, std::span<const std::string> fileNames,
                            std::span<const std::string> indexNames, std::span<const std::vector<double>> values);

// Writes `bytes` to `path` under a temporary name and renames it into
// place; throws RunFailure for an empty or unwritable path.
void WriteReferenceOutput(const std::string& path, std::string_view bytes);

}  // namespace corvelane
