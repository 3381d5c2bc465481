// GER 2600: 12 header lines, then up to 594 data lines of wavelength, target
// and panel separated by blanks. GER 2600 files may hold fewer than 594
// channels; each file starts from zeroed readings, so a short file never
// carries over an earlier file's values.
#include "instruments/scan_layout.h"

namespace corvelane {

namespace {

constexpr int kChannels = 594;

void Read(ScanLines& in, LabelSource, ScanRecord& out) {
  ReadGerHeader(in, out, {14, 25});
  ReadGerData(in, out.target, out.panel, kToEndOfFile);
}

void Check(ScanLines& in, LabelSource, ProblemWriter& problems) {
  CheckGer(in, problems, kGer2600Record, kToEndOfFile, kChannels);
}

void ReadPreview(ScanLines& in, PreviewData& d) { PreviewGer(in, d, kToEndOfFile); }

// The wavelengths are the first items of records of three free-field items,
// up to the end of the file.
std::size_t ReadWavelengths(ScanLines& in, std::span<double> table) {
  in.Skip(12, "the header lines");
  FreeFieldCursor items = in.Items();
  std::size_t index = 0;
  std::string_view item;
  while (!items.OnlyBlanksLeft()) {
    double record[3];
    for (double& value : record) {
      if (!items.Next(item)) FailAt(in.Path(), items.CurrentLine() + 1, "the file ends inside a data record");
      const auto v = ParseNumber(item);
      if (!v) FailAtText(in.Path(), items.LineNumber(), item, "a data record holds a non-number");
      value = *v;
    }
    if (index == table.size())
      FailAt(in.Path(), items.LineNumber(), "more than " + std::to_string(table.size()) + " data records");
    table[index++] = record[0];
  }
  return index;
}

constexpr PreviewLayout kPreview{
    {kChannels, 700, 550000},
    50,
    500000,
    650,
    "594",
    "500,000",
    {{{25, 490000}, {250, 490000}, {600, 490000}, {30, 195000}, {35, 239500}, {35, 298500}, {55, 10}}},
    {25, 10}};

constexpr ColumnSeparator Z = ColumnSeparator::PrintZone;

}  // namespace

extern const InstrumentVariant kGer2600Format;
constinit const InstrumentVariant kGer2600Format{
    .cliName = "ger2600",
    .windowName = "Form6",
    .caption = "GER2600",
    .startButton = {.name = "cmdGER2600", .caption = "GER2600", .row = 5, .tabStop = 2},
    .fileTypeItem = " All Files  (*.*)",
    .filePattern = "*.*",
    .channelCount = kChannels,
    .modesOffered = {true, true, false, false},
    .separators = {Z, Z, Z, Z},
    .texts = {ModeTexts{"   Save Reflectance Data   ", "Save Reflectance File", "Reflectance"},
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
    .checkFailureText = "No error file name selected",
    .outputModeMessage = "Select Output Mode",
    .window = {.rawBoxes = false, .mixedBox = true, .rawOnShow = OnShow::Keep},
    .preview = &kPreview,
    .wavelengthKey = "ger2600",
    .saturationCount = kGerCeiling,
    .read = Read,
    .check = Check,
    .readPreview = ReadPreview,
    .readWavelengths = ReadWavelengths,
};

}  // namespace corvelane
