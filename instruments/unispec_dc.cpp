#include "instruments/unispec_dc.h"

#include "instruments/file_label.h"
#include "text/failure.h"
#include "text/line_reading.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

// The first 3 characters of `text`, or the first 2 when those 3 are not a
// number. Characters are cut, never rounded.
std::string_view FirstThreeOrTwo(std::string_view text) {
  const std::string_view three = text.substr(0, 3);
  return IsNumber(three) ? three : text.substr(0, 2);
}

// The text after "<key>=" in `line` up to a blank, quote, comma or the line
// end; the key must start the line's text or follow a blank or quote.
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view key) {
  for (std::size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1)) {
    if (at > 0 && !IsBlank(line[at - 1]) && line[at - 1] != '"') continue;
    const std::size_t begin = at + key.size();
    if (begin >= line.size() || line[begin] != '=') continue;
    std::size_t end = begin + 1;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '"' && line[end] != ',') ++end;
    return line.substr(begin + 1, end - begin - 1);
  }
  return std::nullopt;
}

}  // namespace

DcDateTime DcDateAndTime(std::string_view line3) {
  const std::string_view t = Trim(line3);
  DcDateTime dt;
  if (t.size() < 14) return dt;
  std::string_view rest = t.substr(13);
  std::size_t blank = 0;
  while (blank < rest.size() && !IsBlank(rest[blank])) ++blank;
  std::string_view date = rest.substr(0, blank);
  std::string_view time = blank < rest.size() ? Trim(rest.substr(blank)) : std::string_view{};
  if (!time.empty() && time.back() == '"') time = Trim(time.substr(0, time.size() - 1));
  else if (time.empty() && !date.empty() && date.back() == '"') date.remove_suffix(1);
  dt.date.assign(date);
  dt.time.assign(time);
  return dt;
}

std::string DcTemperature(std::span<const std::string_view> headerLines) {
  const std::string_view line2 = headerLines.size() > 1 ? Trim(headerLines[1]) : std::string_view{};
  const std::string_view partText = FirstThreeOrTwo(Trim(Characters(line2, 10, 17)));
  if (IsNumber(partText)) return std::string(partText);
  // Newer instruments write "Environment:   DegreesC=20.984 ..." on line 5.
  for (std::size_t i = 0; i < headerLines.size() && i < 10; ++i) {
    const auto value = HeaderValue(headerLines[i], "DegreesC");
    if (value && IsNumber(*value)) return std::string(FirstThreeOrTwo(*value));
  }
  return std::string(partText);
}

DcLineProblem SplitDcLine(std::string_view line, DcReadings& out) noexcept {
  const std::string_view s = Trim(line);
  std::size_t p = 0;
  while (p < s.size() && !IsBlank(s[p])) ++p;
  if (p == s.size()) return DcLineProblem::NoBlank;
  const std::string_view rest = Trim(s.substr(p));
  std::size_t q = 0;
  while (q < rest.size() && !IsBlank(rest[q])) ++q;
  if (q == rest.size()) {  // fewer than three fields
    out = {0.0, 1.0};
    return DcLineProblem::None;
  }
  const std::string_view panel = Trim(rest.substr(q));
  // A fourth field is another layout (a wavelength column per channel), not a
  // damaged reading: reading it as panel 1 would give plausible wrong numbers.
  for (char c : panel)
    if (IsBlank(c)) return DcLineProblem::TooManyFields;
  out.target = ParseNumber(rest.substr(0, q)).value_or(0.0);
  out.panel = ParseNumber(panel).value_or(1.0);
  return DcLineProblem::None;
}

void ParseDcScan(std::string_view text, bool truncated, const std::string& path, LabelSource labelSource,
                 DcScan& out) {
  ScanLines in(text, truncated, path);
  std::array<std::string_view, kDcHeaderLines> header{};
  header[0] = in.Line("header line 1");
  header[1] = in.Line("header line 2 (temperature)");
  header[2] = in.Line("header line 3 (date and time)");
  for (int i = 3; i < kDcHeaderLines; ++i) header[static_cast<std::size_t>(i)] = in.Line("header lines 4 to 10");

  const std::string_view source = labelSource == LabelSource::HeaderInfo ? std::string_view(header[0]) : path;
  const auto label = CutFileLabel(source, LabelSeparator::Path);
  if (!label) {
    FailAtText(path, labelSource == LabelSource::HeaderInfo ? 1 : 0, Trim(source),
               "cannot cut a file label: no \".\" follows the last separator");
  }
  out.label.assign(*label);
  out.dateTime = DcDateAndTime(header[2]);
  out.temperature = DcTemperature(header);

  out.target.resize(kDcChannels);
  out.panel.resize(kDcChannels);
  for (std::size_t c = 0; c < kDcChannels; ++c) {
    const std::string_view line = in.Line("the 256 channel lines");
    DcReadings r;
    switch (SplitDcLine(line, r)) {
      case DcLineProblem::None: break;
      case DcLineProblem::NoBlank: in.FailHere(Trim(line), "the channel line has no blank between its fields");
      case DcLineProblem::TooManyFields:
        in.FailHere(Trim(line),
                    "the channel line holds more than three fields (wavelength, target, panel); "
                    "files with a wavelength column per channel are another layout");
    }
    out.target[c] = r.target;
    out.panel[c] = r.panel;
  }

  out.statusChannels = true;
  static constexpr std::array<std::string_view, 4> keys = {"A1", "A2", "A3", "A4"};
  for (std::size_t k = 0; k < 4 && out.statusChannels; ++k) {
    std::optional<double> value;
    for (std::string_view h : header)
      if (auto v = HeaderValue(h, keys[k])) {
        value = ParseNumber(*v);
        break;
      }
    out.statusChannels = value && out.target[249 + k] == *value;
  }
}

}  // namespace corvelane
