#pragma once
// Reading scan and list files: bounded whole-file reads, lines, trimming,
// locale-independent numbers and free-field items.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvelane {

// Scan files are a few kilobytes; anything past this many bytes is never read,
// so a damaged or hostile file cannot make a read take unbounded memory.
inline constexpr std::size_t kMaxReadBytes = 16u << 20;

// Reads at most kMaxReadBytes of `path` into `buffer` (reused between calls).
// Throws RunFailure naming `path` and why it could not be read. `truncated`
// is set when the file is longer than the limit.
void ReadFileBounded(const std::string& path, std::string& buffer, bool& truncated);

// A blank is a space or a tab: instrument files put both between fields.
constexpr bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }
std::string_view Trim(std::string_view s) noexcept;

// Decimal number with optional sign, point and exponent, blanks around it
// ignored; "." is the decimal separator whatever the locale. An empty text,
// "inf", "nan" or trailing garbage is not a number.
std::optional<double> ParseNumber(std::string_view text) noexcept;
inline bool IsNumber(std::string_view text) noexcept { return ParseNumber(text).has_value(); }

// 1-based character positions, as the file layouts give them: the characters
// first..last of s (fewer, or none, when s is shorter).
std::string_view Characters(std::string_view s, std::size_t first, std::size_t last) noexcept;

// Splits text into lines ending at CR LF, a lone CR or a lone LF. The last
// line needs no terminator; a file ending in a line end has no extra empty line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text, bool truncated = false) noexcept : text_(text), truncated_(truncated) {}
  // False at the end of the text.
  bool Next(std::string_view& line) noexcept;
  bool AtEnd() const noexcept { return pos_ >= text_.size(); }
  // Physical number of the line last returned (1-based).
  std::size_t LineNumber() const noexcept { return line_; }
  // True when the end was reached only because the read limit cut the file.
  bool Truncated() const noexcept { return truncated_; }
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
