// GER 1500: 12 header lines, then 512 data lines of wavelength, target and
// panel separated by blanks.
#include "instruments/scan_layout.h"

namespace corvelane {

namespace {

constexpr int kChannels = 512;
constexpr auto kLines = static_cast<std::size_t>(kChannels);

void Read(ScanLines& in, LabelSource, ScanRecord& out) {
  ReadGerHeader(in, out, {15, 26});
  ReadGerData(in, out.target, out.panel, kLines, out.ownWaves);
}

void Check(ScanLines& in, LabelSource, ProblemWriter& problems) { CheckGer(in, problems, kGer1500Record, kLines); }

void ReadPreview(ScanLines& in, PreviewData& d) { PreviewGer(in, d, kLines); }

std::size_t ReadWavelengths(ScanLines& in, std::span<double> table) { return FirstFieldWavelengths(in, 12, table); }

constexpr PreviewLayout kPreview{
    {kChannels, 600, 550000},
    50,
    500000,
    590,
    "512",
    "500,000",
    {{{25, 490000}, {250, 490000}, {550, 490000}, {30, 195000}, {35, 239500}, {35, 298500}, {55, 10}}},
    {25, 10}};

constexpr ColumnSeparator Z = ColumnSeparator::PrintZone;

}  // namespace

extern const InstrumentVariant kGer1500Format;
constinit const InstrumentVariant kGer1500Format{
    .cliName = "ger1500",
    .windowName = "Form5",
    .caption = "GER1500",
    .startButton = {.name = "cmdGER1500", .caption = "GER1500", .row = 4, .tabStop = 1},
    .fileTypeItem = " All Files  (*.*)",
    .filePattern = "*.*",
    .channelCount = kChannels,
    .modesOffered = {true, true, false, false},
    .separators = {Z, Z, Z, Z},
    .texts = {ModeTexts{"    Save Reflectance Data   ", "Save Reflectance File", "Reflectance"},
              ModeTexts{"   Save Absorbance Data   ", "Save Absorbance File", "Absorbance"}, kNoTexts, kNoTexts},
    .headRows = kLabelDateTimeHeads,
    .beginText = "400",
    .endText = "1000",
    .stepText = "1",
    .defaultWaveSource = WaveSource::FromFile,
    .hasLabelChoice = false,
    .defaultLabelSource = LabelSource::HeaderInfo,
    .hasLeafHeader = false,
    .checkCaption = "&Check Files",
    .checkFailureText = "    Unknown Error!!!   ",
    .outputModeMessage = "Select Output Mode",
    .window = {.rawBoxes = false,
               .mixedBox = true,
               .absorbOnShow = OnShow::Keep,
               .rawOnShow = OnShow::Keep,
               .listOkKeepsAbsorbAndCheck = true},
    .preview = &kPreview,
    .wavelengthKey = "ger1500",
    .saturationCount = kGerCeiling,
    .read = Read,
    .check = Check,
    .readPreview = ReadPreview,
    .readWavelengths = ReadWavelengths,
    .ownWavesWhileReading = true,
};

}  // namespace corvelane
