#include "headers/label_value_file.h"

#include <cctype>

#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {

namespace {
std::string Folded(std::string_view s) {
  std::string_view t = Trim(s);
  if (!t.empty() && t.back() == ':') t = Trim(t.substr(0, t.size() - 1));
  std::string r(t);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}
}  // namespace

std::vector<std::string> ParseLabelValueText(std::string_view text, std::span<const std::string_view> captions,
                                             const std::string& file) {
  std::vector<std::string> values(captions.size());
  std::vector<std::string> keys;
  keys.reserve(captions.size());
  for (std::string_view c : captions) keys.push_back(Folded(c));
  LineCursor lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == '#') continue;
    const std::string where = "line " + std::to_string(lines.LineNumber()) + ": ";
    const auto colon = t.find(':');
    if (colon == std::string_view::npos)
      FailFile(file, where + "expected \"Label: value\": \"" + Printable(t) + "\"", FailureKind::Usage);
    const std::string key = Folded(t.substr(0, colon));
    std::size_t i = 0;
    while (i < keys.size() && keys[i] != key) ++i;
    if (i == keys.size())
      FailFile(file, where + "unknown label \"" + Printable(Trim(t.substr(0, colon))) + "\"", FailureKind::Usage);
    values[i] = std::string(Trim(t.substr(colon + 1)));
  }
  return values;
}

std::vector<std::string> ReadLabelValueFile(const std::string& path, std::span<const std::string_view> captions) {
  std::string text;
  bool truncated = false;
  try {
    ReadFileBounded(path, text, truncated);
  } catch (const RunFailure& f) {
    throw f.As(FailureKind::Usage);
  }
  if (truncated) FailFile(path, "the file is larger than 16 MiB, far more than any header", FailureKind::Usage);
  return ParseLabelValueText(text, captions, path);
}

}  // namespace corvelane
