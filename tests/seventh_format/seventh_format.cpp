// A format that exists only in the registry test: its file is this one, and
// the registry line that adds it is in test_seventh_format.cpp. Line 1 holds
// the recorded name, then one line per channel: wavelength, target, panel.
#include "instruments/scan_layout.h"

namespace corvelane {

namespace {

constexpr int kChannels = 3;
constexpr auto kLines = static_cast<std::size_t>(kChannels);

void Read(ScanLines& in, LabelSource, ScanRecord& out) {
  SetLabel(out, in.Path(), 1, in.Line("name line"), LabelSeparator::Path);
  for (std::size_t c = 0; c < kLines; ++c) {
    const ThreeFields f = SplitThreeFields(in.Line("channel lines"));
    if (f.count < 3) in.FailHere(f.first, "a channel line needs three fields");
    out.target[c] = in.Number(f.second, "the target reading is not a number");
    out.panel[c] = in.Number(f.third, "the panel reading is not a number");
  }
}

void Check(ScanLines& in, LabelSource, ProblemWriter& problems) {
  in.Skip(1, "name line");
  for (std::size_t line = 1; line <= kLines; ++line)
    if (SplitThreeFields(in.Line("channel lines")).count < 3) problems.Add(kMissingData, line);
}

void ReadPreview(ScanLines& in, PreviewData& d) {
  in.Skip(1, "name line");
  for (std::size_t c = 0; c < kLines; ++c) {
    const ThreeFields f = SplitThreeFields(in.Line("channel lines"));
    d.target[c] = in.Number(f.second, "target");
    d.panel[c] = in.Number(f.third, "panel");
  }
}

std::size_t ReadWavelengths(ScanLines& in, std::span<double> table) { return FirstFieldWavelengths(in, 1, table); }

constexpr std::array<HeadRow, 1> kHeads = {{{"Wavelength", &ScanRecord::fileLabel}}};
constexpr PreviewLayout kPreview{{kChannels, 10, 100}, 1, 90, 9, "3", "100", {}, {1, 1}};
constexpr ColumnSeparator C = ColumnSeparator::Comma;

}  // namespace

extern const InstrumentVariant kSeventhFormat;
constinit const InstrumentVariant kSeventhFormat{
    .cliName = "seventh",
    .windowName = "FormSeventh",
    .caption = "Seventh",
    .startButton = {.name = "cmdSeventh", .caption = "SEVENTH", .row = 6, .tabStop = 9},
    .fileTypeItem = " .sev files  (*.sev)",
    .filePattern = "*.sev",
    .channelCount = kChannels,
    .modesOffered = {true, false, false, false},
    .separators = {C, C, C, C},
    .texts = {ModeTexts{"Save Reflectance Data", "Save Reflectance File", "Reflectance"}, kNoTexts, kNoTexts, kNoTexts},
    .headRows = kHeads,
    .beginText = "400",
    .endText = "600",
    .stepText = "100",
    .defaultWaveSource = WaveSource::FromFile,
    .hasLabelChoice = false,
    .defaultLabelSource = LabelSource::HeaderInfo,
    .hasLeafHeader = false,
    .checkCaption = "&Check File",
    .checkFailureText = "    Unknown Error!!!   ",
    .outputModeMessage = "Select Output Mode",
    .window = {.rawBoxes = false},
    .preview = &kPreview,
    .wavelengthKey = "seventh",
    .decimals = 4,
    .read = Read,
    .check = Check,
    .readPreview = ReadPreview,
    .readWavelengths = ReadWavelengths,
};

}  // namespace corvelane
