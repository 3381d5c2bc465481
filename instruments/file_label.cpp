#include "instruments/file_label.h"

#include <array>
#include <charconv>

#include "text/text_input.h"

namespace corvelane {

std::optional<std::string_view> CutFileLabel(std::string_view source, LabelSeparator sep) noexcept {
  const std::string_view s = Trim(source);
  std::size_t a = 1;  // 1-based start
  for (std::size_t i = s.size(); i > 0; --i) {
    const char c = s[i - 1];
    const bool isSep = sep == LabelSeparator::Path ? (c == '\\' || c == '/') : IsBlank(c);
    if (isSep) {
      a = i + 1;
      break;
    }
  }
  const std::size_t dot = s.rfind('.');
  const long long b = dot == std::string_view::npos ? 0 : static_cast<long long>(dot) + 1;
  const long long length = b + 4 - static_cast<long long>(a);
  if (length < 0) return std::nullopt;
  if (a > s.size()) return std::string_view{};
  return s.substr(a - 1, static_cast<std::size_t>(length));
}

bool MakeLabelTableSafe(std::string& label) noexcept {
  bool replaced = false;
  for (char& c : label)
    if (c == ',' || c == '\r' || c == '\n') {
      c = '_';
      replaced = true;
    }
  return replaced;
}

DateTimeText UniSpecDateTime(std::string_view line3) noexcept {
  const std::string_view t = Trim(line3);
  if (t.size() < 14) return {};
  std::string_view rest = t.substr(13);
  // The date is the first word at or after character 14, however many
  // blanks stand before it.
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  auto word = [](std::string_view& r) {
    std::size_t e = 0;
    while (e < r.size() && !IsBlank(r[e])) ++e;
    std::string_view w = r.substr(0, e);
    r.remove_prefix(e);
    while (!r.empty() && IsBlank(r.front())) r.remove_prefix(1);
    if (!w.empty() && w.back() == '"') w.remove_suffix(1);
    return w;
  };
  DateTimeText dt;
  dt.date = word(rest);
  dt.time = word(rest);
  return dt;
}

namespace {
bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
bool ValidDay(int y, int m, int d) {
  static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  return d <= days[static_cast<std::size_t>(m - 1)] + (m == 2 && IsLeap(y) ? 1 : 0);
}
int FullYear(int y, std::size_t digits) {
  if (digits <= 2) return y < 30 ? 2000 + y : 1900 + y;
  return y;
}
}  // namespace

bool LooksLikeDate(std::string_view text) noexcept {
  const std::string_view t = Trim(text);
  std::array<int, 3> part{};
  std::array<std::size_t, 3> digits{};
  std::size_t count = 0, pos = 0;
  char sepSeen = 0;
  while (count < 3) {
    std::size_t start = pos;
    while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9') ++pos;
    const std::size_t n = pos - start;
    if (n == 0 || n > 4) return false;
    std::from_chars(t.data() + start, t.data() + pos, part[count]);
    digits[count] = n;
    ++count;
    if (count == 3) break;
    if (pos >= t.size()) return false;
    const char c = t[pos];
    if (c != '/' && c != '-' && c != '.') return false;
    if (sepSeen && c != sepSeen) return false;
    sepSeen = c;
    ++pos;
  }
  if (pos != t.size()) return false;
  if (digits[0] <= 2 && digits[1] <= 2) {
    const int y = FullYear(part[2], digits[2]);
    if (digits[2] == 3) return false;
    return ValidDay(y, part[0], part[1]) || ValidDay(y, part[1], part[0]);
  }
  if (digits[0] == 4 && digits[1] <= 2 && digits[2] <= 2) return ValidDay(part[0], part[1], part[2]);
  return false;
}

}  // namespace corvelane
