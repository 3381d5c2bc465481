#pragma once
// Reading scan and list files: bounded whole-file reads, lines, trimming,
// locale-independent numbers and free-field items.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvelane {

// Scan files are a few kilobytes; anything past this many bytes is never read,
// so a damaged or hostile file cannot make a read take unbounded memory.
inline constexpr std::size_t kMaxReadBytes = 16u << 20;

// Which file a path names: the same for every name and link of one file.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The file `path` names, through symbolic links; none when there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path) noexcept;

// Throws RunFailure naming `path` ("cannot read the file: it is a pipe
// (FIFO), not a regular file") when it names a folder, a pipe, a device or a
// socket: opening a pipe waits for a writer and a device may never end. A
// missing file passes, for the reading to report.
void RefuseSpecialFile(const std::string& path);

// Reads at most kMaxReadBytes of `path` into `buffer` (reused between calls).
// Throws RunFailure naming `path` and why it could not be read. `truncated`
// is set when the file is longer than the limit; `identity`, when given,
// takes the file's identity.
void ReadFileBounded(const std::string& path, std::string& buffer, bool& truncated, FileIdentity* identity = nullptr);

// A blank is a space or a tab: instrument files put both between fields.
constexpr bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }
inline std::string_view Trim(std::string_view s) noexcept {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Decimal number with optional sign, point and exponent, blanks around it
// ignored; "." is the decimal separator whatever the locale. An empty text,
// "inf", "nan" or trailing garbage is not a number.
std::optional<double> ParseNumberInGeneral(std::string_view text) noexcept;

// Plain decimals ("-123.456"): digits, at most one point, no exponent, at
// most 15 digits in all. The digits as an integer and the power of ten are
// both exact doubles, so one division gives the correctly rounded value, the
// same as std::from_chars. False for anything else, which takes the general
// path. Inline: scan files are nearly all such numbers.
inline constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
// The plain decimal that starts at `p` (before `end`): its value and the end
// of it, or null when there is none. The digit count decides before the
// value is used, so a long run of digits may wrap the mantissa harmlessly.
inline const char* ScanPlainDecimal(const char* p, const char* const end, double& value) noexcept {
  const auto isDigit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t mantissa = 0;
  const char* const whole = p;
  while (p < end && isDigit(*p)) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
  std::ptrdiff_t digits = p - whole, fraction = 0;
  if (p < end && *p == '.') {
    const char* const part = ++p;
    while (p < end && isDigit(*p)) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    fraction = p - part;
    digits += fraction;
  }
  if (digits == 0 || digits > 15) return nullptr;
  value = static_cast<double>(mantissa);
  if (fraction > 0) value /= kExactPowersOfTen[fraction];
  if (negative) value = -value;
  return p;
}

inline bool ParsePlainDecimal(std::string_view t, double& value) noexcept {
  const char* const end = t.data() + t.size();
  const char* const stop = ScanPlainDecimal(t.data(), end, value);
  return stop != nullptr && stop == end;  // an empty view may have no data at all
}

inline std::optional<double> ParseNumber(std::string_view text) noexcept {
  if (double v = 0; ParsePlainDecimal(text, v)) return v;
  return ParseNumberInGeneral(text);
}
inline bool IsNumber(std::string_view text) noexcept { return ParseNumber(text).has_value(); }

// 1-based character positions, as the file layouts give them: the characters
// first..last of s (fewer, or none, when s is shorter).
std::string_view Characters(std::string_view s, std::size_t first, std::size_t last) noexcept;

// Splits text into lines ending at CR LF, a lone CR or a lone LF. The last
// line needs no terminator; a file ending in a line end has no extra empty line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text, bool truncated = false) noexcept : text_(text), truncated_(truncated) {}
  // False at the end of the text. One pass over the line: it stops at the
  // first CR or LF, which keeps the split linear whatever the line-end style.
  bool Next(std::string_view& line) noexcept {
    if (pos_ >= text_.size()) return false;
    const char* data = text_.data();
    const std::size_t size = text_.size();
    std::size_t end = pos_;
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    std::size_t skip = 0;
    if (end < size) skip = (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ? 2 : 1;
    line = std::string_view(data + pos_, end - pos_);
    pos_ = end + skip;
    ++line_;
    return true;
  }
  bool AtEnd() const noexcept { return pos_ >= text_.size(); }
  // Physical number of the line last returned (1-based).
  std::size_t LineNumber() const noexcept { return line_; }
  // True when the end was reached only because the read limit cut the file.
  bool Truncated() const noexcept { return truncated_; }
  // Takes the next line when it is exactly `count` plain decimals (as
  // ParsePlainDecimal reads them) separated by blanks, blanks around them
  // allowed: the values go to `values` and the line counts as read. Otherwise
  // takes no line and returns false, for the general reading of that line
  // (`values` may then hold numbers from its start). `count` is 1 to 3.
  // The common scan line in one pass.
  bool TakePlainNumbers(double* values, std::size_t count) noexcept;
  std::size_t Offset() const noexcept { return pos_; }
  void SkipTo(std::size_t offset, std::size_t lineNumber) noexcept {
    pos_ = offset;
    line_ = lineNumber;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 0;
  bool truncated_ = false;
};

// Free-field items: leading blanks and line ends are skipped; an item ends at
// a comma, a blank or a line end; one comma after an item is taken with it, as
// is the line end that closes an item. A quoted item runs to its closing quote.
class FreeFieldCursor {
 public:
  FreeFieldCursor(std::string_view text, std::size_t offset, std::size_t lineNumber) noexcept
      : text_(text), pos_(offset), line_(lineNumber) {}
  // False when the text ends before another item.
  bool Next(std::string_view& item) noexcept;
  // True when only blanks and line ends remain.
  bool OnlyBlanksLeft() const noexcept;
  std::size_t Offset() const noexcept { return pos_; }
  // Line (1-based) on which the last item stood.
  std::size_t LineNumber() const noexcept { return itemLine_; }
  // Line number of the line the cursor now stands in.
  std::size_t CurrentLine() const noexcept { return line_; }

 private:
  void SkipLineEnd() noexcept;
  std::string_view text_;
  std::size_t pos_;
  std::size_t line_;  // lines completed before pos_
  std::size_t itemLine_ = 0;
};

// Offending text made fit for a message: control and non-ASCII bytes escaped,
// long texts cut.
std::string Printable(std::string_view text, std::size_t maxLength = 80);

}  // namespace corvelane
