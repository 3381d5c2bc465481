#include "indices/index_presets.h"

#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

// Free-field items over the whole text.
class ItemReader {
 public:
  explicit ItemReader(std::string_view text) : text_(text) {}
  void SkipLines(int count) {
    LineCursor lines(text_);
    std::string_view line;
    for (int i = 0; i < count && lines.Next(line); ++i) {
    }
    pos_ = lines.Offset();
  }
  // False at the end of the text. A numeric item also ends at a blank.
  bool Next(std::string_view& item, bool numeric) {
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || IsLineEnd(text_[pos_]))) ++pos_;
    if (pos_ >= text_.size()) return false;
    std::size_t start = pos_;
    std::size_t end;
    if (text_[pos_] == '"') {  // a quoted text runs to its closing quote
      start = ++pos_;
      while (pos_ < text_.size() && text_[pos_] != '"' && !IsLineEnd(text_[pos_])) ++pos_;
      end = pos_;
      if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
    } else {
      while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]) && !(numeric && IsBlank(text_[pos_])))
        ++pos_;
      end = pos_;
    }
    item = Trim(text_.substr(start, end - start));
    // The separator after the item: blanks, then one comma or one line end.
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    if (pos_ < text_.size()) {
      if (text_[pos_] == ',') {
        ++pos_;
      } else if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
      } else if (text_[pos_] == '\n') {
        ++pos_;
      }
    }
    return true;
  }

 private:
  static bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool NextRecord(ItemReader& items, IndexPreset& preset) {
  std::string_view name, a, b, code;
  if (!items.Next(name, false) || !items.Next(a, true) || !items.Next(b, true) || !items.Next(code, true)) return false;
  const auto codeValue = ParseNumber(code);
  if (!IsNumber(a) || !IsNumber(b) || !codeValue) return false;
  preset = {std::string(name), std::string(a), std::string(b), *codeValue};
  return true;
}

}  // namespace

std::vector<IndexPreset> ParsePresets(std::string_view text, std::size_t limit) {
  std::vector<IndexPreset> presets;
  ItemReader items(text);
  items.SkipLines(3);
  IndexPreset preset;
  while (presets.size() < limit && NextRecord(items, preset)) presets.push_back(preset);
  return presets;
}

std::vector<IndexPreset> ReadPresetFile(const std::string& path, std::size_t limit) {
  std::string text;
  bool truncated = false;
  try {
    ReadFileBounded(path, text, truncated);
  } catch (const RunFailure&) {
    return {};  // no readable INDEX file: no presets
  }
  return ParsePresets(text, limit);
}

std::optional<IndexPreset> ReadPreset(const std::string& path, std::size_t position) {
  std::vector<IndexPreset> presets = ReadPresetFile(path, position + 1);
  if (presets.size() <= position) return std::nullopt;
  return presets[position];
}

}  // namespace corvelane
