#pragma once
// Numbers and columns as they appear in every output text file.
#include <string>
#include <string_view>

namespace corvelane {

// Rounds x to `decimals` places; a tie goes to the even neighbour.
double RoundHalfEven(double x, int decimals) noexcept;

// Appends the numeric text form: a blank for a value >= 0 or "-", the value
// with at most 15 significant digits (no decimal point for whole values, a
// zero before the point below 1, exponent only outside 1e-7..1e15), then one
// blank. Locale-independent.
inline constexpr std::size_t kMaxNumberText = 40;  // room for the longest numeric text form and more
void AppendNumber(std::string& out, double value);
std::string NumberText(double value);
// The same bytes at `out`, which must have room for kMaxNumberText bytes;
// returns the end.
char* WriteNumber(char* out, double value) noexcept;
// The same text made by std::to_chars alone, without the short paths: the
// yardstick the short paths are tested against.
void AppendNumberByCharconv(std::string& out, double value);

// Writes the numeric text form of RoundHalfEven(value, 6) at `out` and
// returns the end: the same bytes as AppendNumber(RoundHalfEven(value, 6)),
// digits made straight from the rounded integer. `out` must have room for
// kMaxNumberText bytes.
char* WriteRoundedSix(char* out, double value) noexcept;
// `separator`, then WriteRoundedSix's bytes, for each of the `count` values;
// `out` must have room for count * (kMaxNumberText + 1) bytes.
char* WriteRoundedSixList(char* out, const double* values, std::size_t count, char separator) noexcept;
// The same number without the sign blank and the trailing blank, for messages.
std::string PlainNumber(double value);

// Fills `out` with blanks up to the start of the next 14-character print
// zone; `lineStart` is the offset in `out` where the current line began.
// An item that ends exactly at a zone start is followed by a whole zone, so
// two columns never touch.
void AppendPrintZoneFill(std::string& out, std::size_t lineStart);

inline constexpr std::string_view kLineEnd = "\r\n";

}  // namespace corvelane
