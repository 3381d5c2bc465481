#pragma once
// The mark 999: what a table holds wherever no value can be formed (a panel
// that read 0, a value that is not finite). A mark is never blended with
// data: a value formed from a mark (a grid point placed from it, a corrected
// value, an index, a derivative) is the mark again. The runs that meet marks
// say so in one warning naming the scans and where the marks stand.
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace corvelane {

inline constexpr double kMark = 999.0;

constexpr bool IsMark(double value) noexcept { return value == kMark; }

// The difference (next - now) / step, or the mark when either value is one.
inline double MarkedDifference(double now, double next, double step) noexcept {
  return IsMark(now) || IsMark(next) ? kMark : (next - now) / step;
}

// The wavelength ranges of the rows where `marked(i)` holds, as text:
// "631 to 669 nm, 700 nm" (at most a few ranges, then "..."). Empty when no
// row is marked. `wavelengths[i]` is the wavelength of row i.
std::string MarkedRanges(std::span<const double> wavelengths, const std::function<bool(std::size_t)>& marked);

// Where one scan holds marks: its name and MarkedRanges of it.
struct MarkedScan {
  std::string name;
  std::string ranges;
};

// One warning for every scan of a run that holds marks: the count, then
// `singular` or `plural` (the rest of the sentence, "scan has ..." or "scans
// have ..."), then the first few scans with their ranges. Empty when `scans`
// is empty.
std::string MarkedScansWarning(std::span<const MarkedScan> scans, std::string_view singular, std::string_view plural);

}  // namespace corvelane
