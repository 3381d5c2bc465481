// UniSpec New-Format (.spu): 10 header lines, then 256 channel lines of
// wavelength, target and panel separated by blanks.
#include <limits>

#include "instruments/scan_layout.h"

namespace corvelane {

namespace {

constexpr int kChannels = 256;
constexpr auto kLines = static_cast<std::size_t>(kChannels);

void Read(ScanLines& in, LabelSource labelSource, ScanRecord& out) {
  ReadUniSpecHeader(in, out, labelSource);
  const bool ownWaves = !out.ownWaves.empty();
  for (std::size_t c = 0; c < out.target.size(); ++c) {
    if (double v[3]; in.Cursor().TakePlainNumbers(v, 3)) {  // "wavelength target panel"
      out.target[c] = v[1];
      out.panel[c] = v[2];
      if (ownWaves) out.ownWaves[c] = v[0];
      continue;
    }
    const std::string_view line = in.Line("channel lines (256 channels)");
    const ThreeFields f = SplitThreeFields(line);
    if (f.count == 1) in.FailHere(Trim(line), "the channel line has no blank after its wavelength");
    if (ownWaves) out.ownWaves[c] = ParseNumber(f.first).value_or(std::numeric_limits<double>::quiet_NaN());
    if (f.count == 2) {  // a reading is missing
      out.target[c] = 999;
      out.panel[c] = 0;
      continue;
    }
    // A damaged reading becomes 0 and does not stop the run.
    out.target[c] = f.second == "." ? 0.0 : ParseNumber(f.second).value_or(0.0);
    out.panel[c] = ParseNumber(f.third).value_or(0.0);
  }
}

std::size_t CountLines(std::string_view text) noexcept {
  LineCursor lines(text);
  std::string_view line;
  while (lines.Next(line)) {
  }
  return lines.LineNumber();
}

// The preview reads records of three free-field items (wavelength, target,
// panel); a record may run over line ends.
void ReadPreview(ScanLines& in, PreviewData& d) {
  in.Skip(10, "header lines 1 to 10");
  FreeFieldCursor items = in.Items();
  const auto next = [&](std::size_t record, std::string_view& item) {
    if (items.Next(item)) return items.LineNumber();
    if (in.Truncated()) FailFile(in.Path(), "the file is larger than 16 MiB, far more than any scan file");
    const std::size_t lines = CountLines(in.Text());
    FailAt(in.Path(), lines + 1,
           "the file ends after " + std::to_string(lines) + " lines, while reading record " +
               std::to_string(record + 1) + " of 256 (wavelength, target, panel)");
  };
  const auto number = [&](std::string_view item, std::size_t line, const char* why) {
    const auto v = ParseNumber(item);
    if (!v) FailAtText(in.Path(), line, item, why);
    return *v;
  };
  std::string_view wavelength, target, panel;
  for (std::size_t c = 0; c < d.target.size(); ++c) {
    next(c, wavelength);  // not used
    const std::size_t targetLine = next(c, target);
    const std::size_t panelLine = next(c, panel);
    d.target[c] = number(target, targetLine, "the target reading (second item) is not a number");
    d.panel[c] = number(panel, panelLine, "the panel reading (third item) is not a number");
  }
}

std::size_t ReadWavelengths(ScanLines& in, std::span<double> table) { return FirstFieldWavelengths(in, 10, table); }

constexpr ColumnSeparator C = ColumnSeparator::Comma;

}  // namespace

extern const InstrumentVariant kUniSpecNewFormat;
constinit const InstrumentVariant kUniSpecNewFormat{
    .cliName = "unispec-new",
    .windowName = "Form8",
    .caption = "Unispec New-Format",
    .startButton = {.name = "cmdUnispecNew", .caption = "UNISPEC-NEW", .row = 2, .tabStop = 5},
    .fileTypeItem = " .spu files  (*.spu)",
    .filePattern = "*.spu",
    .channelCount = kChannels,
    .modesOffered = {true, true, true, true},
    .separators = {C, C, C, C},
    .texts = {kUniSpecReflectanceTexts, kUniSpecAbsorbanceTexts, kRawTargetTexts, kRawReferenceTexts},
    .headRows = kLabelDateTimeHeads,
    .beginText = "310",
    .endText = "1130",
    .stepText = "1",
    .defaultWaveSource = WaveSource::FromFile,
    .hasLabelChoice = true,
    .defaultLabelSource = LabelSource::DataFileName,
    .hasLeafHeader = true,
    .checkCaption = "&Check File",
    .checkFailureText = "Unknown File Error",
    .outputModeMessage = "Select Output Mode",
    .window = {.indicesButton = true},
    .preview = &kUniSpecPreview,
    .wavelengthKey = "unispec",
    .saturationCount = kUniSpecCeiling,
    .read = Read,
    .check = CheckUniSpecNewLines,
    .readPreview = ReadPreview,
    .readWavelengths = ReadWavelengths,
    .ownWavesWhileReading = true,
};

}  // namespace corvelane
