// UniSpec-Compact (.spt): 4 header lines, then 256 lines of one value each,
// already the reflectance; the files hold no wavelengths, date or time.
#include "instruments/scan_layout.h"

namespace corvelane {

namespace {

constexpr int kChannels = 256;
constexpr auto kLines = static_cast<std::size_t>(kChannels);

void Read(ScanLines& in, LabelSource labelSource, ScanRecord& out) {
  const std::string_view line1 = in.Line("header line 1");
  if (labelSource == LabelSource::HeaderInfo)
    SetLabel(out, in.Path(), 1, line1, LabelSeparator::Path);
  else
    SetLabel(out, in.Path(), 0, in.Path(), LabelSeparator::Path);
  in.Skip(3, "header lines 2 to 4");
  for (double& value : out.target)
    value = in.Number(Trim(in.Line("value lines (256 channels)")), "the value is not a number");
}

// No date test: the files hold none.
void Check(ScanLines& in, LabelSource labelSource, ProblemWriter& problems) {
  UniSpecLabelTest(in, problems, labelSource);
  in.Skip(3, "header lines 2 to 4");
  FreeFieldCursor items = in.Items();
  for (std::size_t record = 1; record <= kLines; ++record) {
    std::string_view item;
    RecordItems(items, in.Path(), &item, 1);
    const auto v = ParseNumber(item);
    if (!v)
      problems.Add(kDataNonNumber, record);
    else if (*v < 0)
      problems.Add(kDataNegative, record);
  }
}

void ReadPreview(ScanLines& in, PreviewData& d) {
  in.Skip(4, "header lines 1 to 4");
  for (double& value : d.refl)
    value = in.Number(Trim(in.Line("value lines (256 channels)")), "the reflectance is not a number");
}

constexpr ColumnSeparator Z = ColumnSeparator::PrintZone;

}  // namespace

extern const InstrumentVariant kUniSpecCompactFormat;
constinit const InstrumentVariant kUniSpecCompactFormat{
    .cliName = "unispec-compact",
    .windowName = "Form7",
    .caption = "Unispec-Compact",
    .startButton = {.name = "cmdUnispecC", .caption = "UNISPEC-COMP", .row = 3, .tabStop = 4},
    .fileTypeItem = " .spt files  (*.spt)",
    .filePattern = "*.spt",
    .channelCount = kChannels,
    .readsPanel = false,
    .modesOffered = {true, false, false, false},
    .separators = {Z, Z, Z, Z},
    .texts = {kUniSpecReflectanceTexts, kNoTexts, kNoTexts, kNoTexts},
    .headRows = kLabelDateTimeHeads,
    .beginText = "400",
    .endText = "1000",
    .stepText = "1",
    .defaultWaveSource = WaveSource::ExternalFile,
    .hasLabelChoice = true,
    .defaultLabelSource = LabelSource::HeaderInfo,
    .hasLeafHeader = false,
    .checkCaption = "&Check File",
    .checkFailureText = "Unknown File Error",
    .outputModeMessage = "Check 'Reflectance' Output Mode",
    .window = {.absorbOnShow = OnShow::Disable, .rawOnShow = OnShow::Disable},
    .preview = &kUniSpecPreview,
    .wavelengthKey = "unispec",
    .read = Read,
    .check = Check,
    .readPreview = ReadPreview,
    .readWavelengths = nullptr,
};

}  // namespace corvelane
