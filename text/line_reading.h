#pragma once
// Line-by-line reading of a file laid out by position, with failures that say
// which file and line is wrong and why. The cursor views `text`, which must
// outlive it; the path is copied.
#include <string>
#include <string_view>
#include <utility>

#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {

class ScanLines {
 public:
  ScanLines(std::string_view text, bool truncated, std::string path)
      : text_(text), cursor_(text), truncated_(truncated), path_(std::move(path)) {}

  const std::string& Path() const noexcept { return path_; }
  std::size_t LineNumber() const noexcept { return cursor_.LineNumber(); }
  LineCursor& Cursor() noexcept { return cursor_; }
  // The whole text, for readers that switch to free-field items.
  std::string_view Text() const noexcept { return text_; }
  bool Truncated() const noexcept { return truncated_; }
  // Free-field items from where the line cursor stands.
  FreeFieldCursor Items() const noexcept { return FreeFieldCursor(text_, cursor_.Offset(), cursor_.LineNumber()); }

  // The next line; fails when the file ends first. `what` names the part of
  // the layout being read, for the message.
  std::string_view Line(const char* what) {
    std::string_view line;
    if (!cursor_.Next(line)) EndedEarly(what);
    return line;
  }
  bool TryLine(std::string_view& line) {
    if (cursor_.Next(line)) return true;
    if (truncated_) EndedEarly("the rest of the file");
    return false;
  }
  void Skip(int count, const char* what) {
    for (int i = 0; i < count; ++i) Line(what);
  }
  double Number(std::string_view text, const char* why) {
    const auto v = ParseNumber(text);
    if (!v) FailHere(text, why);
    return *v;
  }
  [[noreturn]] void FailHere(std::string_view text, const char* why) {
    FailAtText(path_, cursor_.LineNumber(), text, why);
  }
  [[noreturn]] void EndedEarly(const char* what) {
    if (truncated_)
      FailAt(path_, cursor_.LineNumber() + 1, "the file is larger than 16 MiB, far more than any scan file");
    FailAt(
        path_, cursor_.LineNumber() + 1,
        std::string("the file ends after ") + std::to_string(cursor_.LineNumber()) + " lines, while reading " + what);
  }

 private:
  std::string_view text_;
  LineCursor cursor_;
  bool truncated_;
  std::string path_;
};

}  // namespace corvelane
