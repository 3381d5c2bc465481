// UniSpec old format (.spt): 10 header lines, 256 DATA lines whose last field
// is the target reading, two separating lines, 256 PANEL lines.
#include "instruments/scan_layout.h"

namespace corvelane {

namespace {

constexpr int kChannels = 256;
constexpr auto kLines = static_cast<std::size_t>(kChannels);

void Read(ScanLines& in, LabelSource labelSource, ScanRecord& out) {
  ReadUniSpecHeader(in, out, labelSource);
  const bool ownWaves = !out.ownWaves.empty();
  for (std::size_t c = 0; c < out.target.size(); ++c) {
    if (double v[2]; in.Cursor().TakePlainNumbers(v, 2)) {  // "wavelength target"
      out.target[c] = v[1];
      if (ownWaves) out.ownWaves[c] = v[0];
      continue;
    }
    const std::string_view t = Trim(in.Line("DATA lines (256 channels)"));
    std::size_t blank = t.size();
    while (blank > 0 && !IsBlank(t[blank - 1])) --blank;
    out.target[c] = in.Number(t.substr(blank), "the target reading is not a number");
    if (ownWaves) out.ownWaves[c] = OwnWavelength(t);
  }
  in.Skip(2, "the two lines between the DATA and PANEL blocks");
  for (double& panel : out.panel)
    if (!in.Cursor().TakePlainNumbers(&panel, 1))
      panel = in.Number(Trim(in.Line("PANEL lines (256 channels)")), "the panel reading is not a number");
}

void Check(ScanLines& in, LabelSource labelSource, ProblemWriter& problems) {
  UniSpecLabelTest(in, problems, labelSource);
  in.Line("header line 2");
  const DateTimeText dt = UniSpecDateTime(in.Line("header line 3"));
  DateTest(problems, dt.date, dt.time);
  in.Skip(7, "header lines 4 to 10");
  FreeFieldCursor items = in.Items();
  for (std::size_t record = 1; record <= kLines; ++record) {
    std::string_view item[2];
    RecordItems(items, in.Path(), item, 2);
    const auto a = ParseNumber(item[0]), b = ParseNumber(item[1]);
    if (!a || !b) problems.Add(kDataNonNumber, record);
    if ((a && *a < 0) || (b && *b < 0)) problems.Add(kDataNegative, record);
  }
  in.Cursor().SkipTo(items.Offset(), items.CurrentLine());
  in.Skip(2, "the two lines between the DATA and PANEL blocks");
  for (std::size_t line = 1; line <= kLines; ++line) {
    const auto v = ParseNumber(Trim(in.Line("PANEL lines")));
    if (!v)
      problems.Add(kPanelNonNumber, line);
    else if (*v < 0)
      problems.Add(kPanelNegative, line);
  }
}

// The preview takes the target as the last field of its line and the panel as
// a whole line of the block after the two separating lines.
void ReadPreview(ScanLines& in, PreviewData& d) {
  in.Skip(10, "header lines 1 to 10");
  for (double& target : d.target) {
    const std::string_view t = Trim(in.Line("DATA lines (256 channels)"));
    const std::size_t blank = t.find_last_of(" \t");
    target = in.Number(blank == std::string_view::npos ? t : t.substr(blank + 1),
                       "the target reading (last field) is not a number");
  }
  in.Skip(2, "the two lines between the DATA and PANEL blocks");
  for (double& panel : d.panel)
    panel = in.Number(Trim(in.Line("PANEL lines (256 channels)")), "the panel reading is not a number");
}

std::size_t ReadWavelengths(ScanLines& in, std::span<double> table) { return FirstFieldWavelengths(in, 10, table); }

constexpr ColumnSeparator C = ColumnSeparator::Comma;
constexpr ColumnSeparator Z = ColumnSeparator::PrintZone;

}  // namespace

extern const InstrumentVariant kUniSpecOldFormat;
constinit const InstrumentVariant kUniSpecOldFormat{
    .cliName = "unispec-old",
    .windowName = "Form1",
    .caption = "Unispec",
    .startButton = {.name = "cmdUnispecN", .caption = "UNISPEC-OLD", .row = 0, .tabStop = 0},
    .fileTypeItem = " .spt files  (*.spt)",
    .filePattern = "*.spt",
    .channelCount = kChannels,
    .modesOffered = {true, true, true, true},
    .separators = {C, Z, Z, Z},
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
    .check = Check,
    .readPreview = ReadPreview,
    .readWavelengths = ReadWavelengths,
    .ownWavesWhileReading = true,
};

}  // namespace corvelane
