#pragma once
// Header fields shared by the readers and the file check.
#include <optional>
#include <string>
#include <string_view>

namespace corvelane {

enum class LabelSeparator {
  Path,   // last "\" or "/": UniSpec header lines and listed paths
  Blank,  // last blank: GER header line 2
};

// The part of `source` (trimmed) after its last separator up to and including
// the three characters after its last ".". Empty optional when the length
// comes out negative (no "." after the separator); an empty label is possible.
std::optional<std::string_view> CutFileLabel(std::string_view source, LabelSeparator sep) noexcept;

// A label goes into comma-separated tables: each comma, CR or LF in it
// becomes "_". Returns whether anything was replaced.
bool MakeLabelTableSafe(std::string& label) noexcept;

struct DateTimeText {
  std::string_view date;
  std::string_view time;
};

// UniSpec header line 3: the date is the first word at or after character 14
// of the trimmed line and the time is the next word. Older instruments write
// "mm/dd/yy  hh:mm:ss" there, newer ones a four-digit year inside quotes.
DateTimeText UniSpecDateTime(std::string_view line3) noexcept;

// Whether `text` reads as a calendar date (month/day/year, day/month/year or
// year/month/day with "/", "-" or "." between the parts).
bool LooksLikeDate(std::string_view text) noexcept;

}  // namespace corvelane
