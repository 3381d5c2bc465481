#include "instruments/unispec_dc.h"

#include <array>
#include <limits>
#include <optional>

#include "instruments/scan_layout.h"
#include "text/failure.h"
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

// The wavelength a channel line gives itself: its first field; NaN when that
// is not a number.
double LineWavelength(std::string_view line) {
  const std::string_view t = Trim(line);
  std::size_t end = 0;
  while (end < t.size() && !IsBlank(t[end])) ++end;
  return ParseNumber(t.substr(0, end)).value_or(std::numeric_limits<double>::quiet_NaN());
}

}  // namespace

std::string DcIntegrationMs(std::span<const std::string_view> headerLines) {
  for (std::string_view line : headerLines) {
    std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '"') t.remove_prefix(1);
    if (!t.starts_with("Integration")) continue;
    const std::size_t colon = t.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view rest = Trim(t.substr(colon + 1));
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != '"') ++end;
    if (IsNumber(rest.substr(0, end))) return std::string(rest.substr(0, end));
  }
  return {};
}

DcDarkState DcDarkStateOf(std::span<const std::string_view> headerLines) {
  DcDarkState state;
  for (std::string_view line : headerLines) {
    if (auto comment = HeaderValue(line, "Comment"); comment && *comment == "DARKscan") state.darkScan = true;
    if (auto dark = HeaderValue(line, "Dark"); dark && !dark->empty()) state.corrected = true;
  }
  return state;
}

DcDateTime DcDateAndTime(std::string_view line3) {
  const std::string_view t = Trim(line3);
  DcDateTime dt;
  if (t.size() < 14) return dt;
  std::string_view rest = t.substr(13);
  std::size_t blank = 0;
  while (blank < rest.size() && !IsBlank(rest[blank])) ++blank;
  std::string_view date = rest.substr(0, blank);
  std::string_view time = blank < rest.size() ? Trim(rest.substr(blank)) : std::string_view{};
  if (!time.empty() && time.back() == '"')
    time = Trim(time.substr(0, time.size() - 1));
  else if (time.empty() && !date.empty() && date.back() == '"')
    date.remove_suffix(1);
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

namespace {

void Read(ScanLines& in, LabelSource labelSource, ScanRecord& out) {
  std::array<std::string_view, kDcHeaderLines> header{};
  header[0] = in.Line("header line 1");
  header[1] = in.Line("header line 2 (temperature)");
  header[2] = in.Line("header line 3 (date and time)");
  for (std::size_t i = 3; i < header.size(); ++i) header[i] = in.Line("header lines 4 to 10");
  if (labelSource == LabelSource::HeaderInfo)
    SetLabel(out, in.Path(), 1, header[0], LabelSeparator::Path);
  else
    SetLabel(out, in.Path(), 0, in.Path(), LabelSeparator::Path);
  DcDateTime dt = DcDateAndTime(header[2]);
  out.date = std::move(dt.date);
  out.time = std::move(dt.time);
  out.temperature = DcTemperature(header);
  const DcDarkState dark = DcDarkStateOf(header);
  out.darkScan = dark.darkScan;
  out.darkCorrected = dark.corrected;
  out.integrationMs = DcIntegrationMs(header);
  const bool ownWaves = !out.ownWaves.empty();

  for (std::size_t c = 0; c < out.target.size(); ++c) {
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
    if (ownWaves) out.ownWaves[c] = LineWavelength(line);
  }
  // Whatever the firmware writes there (the header's A1 to A4, or other
  // small values), the last eight channels are never readings.
  out.spectralChannels = kDcLastSpectralChannel + 1;
}

// The preview skips the ten header lines and reads 256 lines of three
// numbers; no wavelength calibration is applied.
void ReadPreview(ScanLines& in, PreviewData& d) {
  in.Skip(kDcHeaderLines, "header lines 1 to 10");
  for (std::size_t c = 0; c < d.target.size(); ++c) {
    const std::string_view line = in.Line("the 256 channel lines");
    const ThreeFields f = SplitThreeFields(line);
    if (f.count < 3) in.FailHere(Trim(line), "the channel line needs three numbers (wavelength, target, panel)");
    d.target[c] = in.Number(f.second, "the target reading (second number) is not a number");
    d.panel[c] = in.Number(f.third, "the panel reading (third number) is not a number");
  }
}

constexpr std::array<HeadRow, 4> kDcHeads = {{
    {"Wavelength", &ScanRecord::fileLabel},
    {"  (nm)", &ScanRecord::date},
    {"  time  ", &ScanRecord::time},
    {"temp C", &ScanRecord::temperature},
}};

constexpr ColumnSeparator C = ColumnSeparator::Comma;

}  // namespace

extern const InstrumentVariant kUniSpecDcFormat;
constinit const InstrumentVariant kUniSpecDcFormat{
    .cliName = "unispec-dc",
    .windowName = "Form9",
    .caption = "Uni-DC 1 or 2 v. 2.4.0",
    .startButton = {.name = "cmdUniDC", .caption = "UNI-DC ", .row = 1, .tabStop = 6},
    .fileTypeItem = " .spu files  (*.spu)",
    .filePattern = "*.spu",
    .channelCount = kDcChannels,
    .modesOffered = {true, true, true, true},
    .separators = {C, C, C, C},
    // The reflectance file has no title line: an empty line, then the heads.
    .texts = {ModeTexts{"   Save Reflectance File   ", "Save Reflectance File", ""},
              ModeTexts{"   Save Absorbance File   ", "Save Absorbance File", "Absorbance"},
              ModeTexts{"   Save Target File   ", "Save Target File", "Target"},
              ModeTexts{"   Save Reference File   ", "Save Reference File", "Reference"}},
    .headRows = kDcHeads,
    .beginText = "310",
    .endText = "1130",
    .stepText = "1",
    .defaultWaveSource = WaveSource::Equation,
    .hasLabelChoice = true,
    .defaultLabelSource = LabelSource::DataFileName,
    .hasLeafHeader = false,
    .checkCaption = "&Check File",
    .checkFailureText = "Unknown File Error",
    .outputModeMessage = "Select Output Mode",
    .window = {.absorbOnShow = OnShow::Keep,
               .gridOnShow = OnShow::Enable,
               .addFilesButton = true,
               .transectHeaderBox = true,
               .referenceControls = true,
               .channelEquations = true,
               .fileNameCaption = "Filename From:   "},
    .preview = &kUniSpecPreview,
    .wavelengthKey = "unispec-dc",
    .wavelengthTables = 2,  // 0: channel 1 (panel), 1: channel 2 (target)
    .targetTable = 1,
    .panelTable = 0,
    .decimals = 5,
    .statusChannelsFrom = kDcLastSpectralChannel + 1,
    .saturationCount = kUniSpecCeiling,
    .checksCalibration = true,
    .read = Read,
    .check = CheckUniSpecNewLines,  // the New-Format window's check
    .readPreview = ReadPreview,
    .readWavelengths = nullptr,
};

}  // namespace corvelane
