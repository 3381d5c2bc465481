#include "convert/scan_facts.h"

#include <charconv>
#include <cstdio>

#include "text/text_input.h"

namespace corvelane {

namespace {

// Header lines come before the channel lines; no format has more than this.
constexpr std::size_t kHeaderLinesLooked = 16;

bool Digits(std::string_view s) noexcept {
  if (s.empty()) return false;
  for (const char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int Number(std::string_view s) noexcept {
  int v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

std::string TwoDigits(int v) {
  char out[8];
  std::snprintf(out, sizeof out, "%02d", v);
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) noexcept { return s.substr(0, prefix.size()) == prefix; }

bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// A header line without its quotes and surrounding blanks.
std::string_view Unquoted(std::string_view line) {
  line = Trim(line);
  if (!line.empty() && line.front() == '"') line.remove_prefix(1);
  if (!line.empty() && line.back() == '"') line.remove_suffix(1);
  return Trim(line);
}

// The text after `label` up to the next blank ("DegreesC=21.472 BattV=..." gives "21.472").
std::string_view ValueAfter(std::string_view line, std::string_view label) {
  const std::size_t at = line.find(label);
  if (at == std::string_view::npos) return {};
  std::string_view v = line.substr(at + label.size());
  std::size_t end = 0;
  while (end < v.size() && !IsBlank(v[end])) ++end;
  return v.substr(0, end);
}

}  // namespace

std::string IsoDate(std::string_view text) {
  const std::string_view d = Trim(text);
  if (d.size() == 10 && d[4] == '-' && d[7] == '-' && Digits(d.substr(0, 4)) && Digits(d.substr(5, 2)) &&
      Digits(d.substr(8, 2)))
    return std::string(d);
  const std::size_t s1 = d.find('/');
  const std::size_t s2 = s1 == std::string_view::npos ? s1 : d.find('/', s1 + 1);
  if (s2 == std::string_view::npos) return std::string(text);
  const std::string_view m = d.substr(0, s1), day = d.substr(s1 + 1, s2 - s1 - 1), y = d.substr(s2 + 1);
  if (!Digits(m) || !Digits(day) || !Digits(y) || m.size() > 2 || day.size() > 2 || y.size() != 4)
    return std::string(text);
  const int month = Number(m), dayOfMonth = Number(day);
  if (month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31) return std::string(text);
  return std::string(y) + "-" + TwoDigits(month) + "-" + TwoDigits(dayOfMonth);
}

std::string Time24(std::string_view text) {
  std::string_view t = Trim(text);
  // AM / PM, with or without a blank before it.
  int half = 0;  // 0 none, 1 AM, 2 PM
  if (t.size() >= 2) {
    const std::string_view suffix = t.substr(t.size() - 2);
    if (EqualNoCase(suffix, "AM") || EqualNoCase(suffix, "PM")) {
      half = EqualNoCase(suffix, "AM") ? 1 : 2;
      t = Trim(t.substr(0, t.size() - 2));
    }
  }
  const std::size_t c1 = t.find(':');
  if (c1 == std::string_view::npos) return std::string(text);
  const std::size_t c2 = t.find(':', c1 + 1);
  const std::string_view h = t.substr(0, c1);
  const std::string_view m = t.substr(c1 + 1, c2 == std::string_view::npos ? std::string_view::npos : c2 - c1 - 1);
  std::string_view sec = c2 == std::string_view::npos ? std::string_view("00") : t.substr(c2 + 1);
  std::string_view fraction;
  if (const std::size_t dot = sec.find('.'); dot != std::string_view::npos) {
    fraction = sec.substr(dot);
    sec = sec.substr(0, dot);
    if (!Digits(fraction.substr(1))) return std::string(text);
  }
  if (!Digits(h) || h.size() > 2 || !Digits(m) || m.size() != 2 || !Digits(sec) || sec.size() != 2)
    return std::string(text);
  int hour = Number(h);
  const int minute = Number(m), second = Number(sec);
  if (minute > 59 || second > 60) return std::string(text);
  if (half != 0) {
    if (hour < 1 || hour > 12) return std::string(text);
    hour = hour % 12 + (half == 2 ? 12 : 0);
  } else if (hour > 23) {
    return std::string(text);
  }
  return TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second) + std::string(fraction);
}

ScanFacts ReadScanFacts(std::string_view fileText, const ScanRecord& record) {
  ScanFacts facts;
  facts.label = record.fileLabel;
  std::string_view stamp;
  bool stampFound = false;
  std::size_t pos = 0;
  for (std::size_t n = 0; n < kHeaderLinesLooked && pos < fileText.size(); ++n) {
    std::size_t end = fileText.find('\n', pos);
    if (end == std::string_view::npos) end = fileText.size();
    std::string_view line = fileText.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Unquoted(line);
    if (!stampFound && (StartsWith(line, "Time:") || StartsWith(line, "Date:"))) {
      stamp = Trim(line.substr(5));
      stampFound = true;
    } else if (facts.integrationMs.empty() && StartsWith(line, "Integration")) {
      const std::size_t colon = line.find(':');
      if (colon != std::string_view::npos) {
        const std::string_view v = Trim(line.substr(colon + 1));
        std::size_t numberEnd = 0;
        while (numberEnd < v.size() && !IsBlank(v[numberEnd])) ++numberEnd;
        if (IsNumber(v.substr(0, numberEnd))) facts.integrationMs.assign(v.substr(0, numberEnd));
      }
    } else if (facts.temperature.empty()) {
      const std::string_view t = ValueAfter(line, "DegreesC=");
      if (IsNumber(t)) facts.temperature.assign(t);
    }
  }
  if (stampFound) {
    std::size_t blank = 0;
    while (blank < stamp.size() && !IsBlank(stamp[blank])) ++blank;
    facts.date = IsoDate(stamp.substr(0, blank));
    facts.time = Time24(Trim(stamp.substr(blank)));
  } else {
    facts.date = IsoDate(record.date);
    facts.time = Time24(record.time);
  }
  if (facts.temperature.empty()) facts.temperature = record.temperature;
  return facts;
}

}  // namespace corvelane
