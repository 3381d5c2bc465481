#include "text/marks.h"

#include "text/numeric_text.h"

namespace corvelane {

namespace {
// A warning names this many scans, and this many ranges of each.
constexpr std::size_t kScansNamed = 5;
constexpr std::size_t kRangesNamed = 4;
}  // namespace

std::string MarkedRanges(std::span<const double> wavelengths, const std::function<bool(std::size_t)>& marked) {
  std::string text;
  std::size_t ranges = 0;
  for (std::size_t i = 0; i < wavelengths.size();) {
    if (!marked(i)) {
      ++i;
      continue;
    }
    std::size_t last = i;
    while (last + 1 < wavelengths.size() && marked(last + 1)) ++last;
    if (ranges == kRangesNamed) {
      text += ", ...";
      break;
    }
    if (ranges > 0) text += ", ";
    text += PlainNumber(wavelengths[i]);
    if (last > i) text += " to " + PlainNumber(wavelengths[last]);
    text += " nm";
    ++ranges;
    i = last + 1;
  }
  return text;
}

std::string MarkedScansWarning(std::span<const MarkedScan> scans, std::string_view singular, std::string_view plural) {
  if (scans.empty()) return {};
  std::string text = std::to_string(scans.size()) + " ";
  text += scans.size() == 1 ? singular : plural;
  text += ": ";
  for (std::size_t s = 0; s < scans.size() && s < kScansNamed; ++s) {
    if (s > 0) text += ", ";
    text += scans[s].name + " (" + scans[s].ranges + ")";
  }
  if (scans.size() > kScansNamed) text += ", and " + std::to_string(scans.size() - kScansNamed) + " more";
  return text;
}

}  // namespace corvelane
