// A format that exists only here, described like the real ones, flows through
// the run, the check and the preview with nothing but its description. It
// has two wavelength tables (target on the second, panel on the first), a
// fourth head row (temperature) and five-decimal output, the shape a
// dual-channel instrument needs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/file_check.h"
#include "convert/spectrum_preview.h"
#include "instruments/scan_layout.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"

namespace corvelane {
namespace {

using namespace testing;

// Line 1 the recorded name, line 2 the temperature, then one line per
// channel: wavelength, target, panel.
constexpr int kFakeChannels = 3;

void FakeRead(ScanLines& in, LabelSource, ScanRecord& out) {
  SetLabel(out, in.Path(), 1, in.Line("name line"), LabelSeparator::Path);
  out.temperature = std::string(Trim(in.Line("temperature line")));
  for (std::size_t c = 0; c < out.target.size(); ++c) {
    const ThreeFields f = SplitThreeFields(in.Line("channel lines"));
    if (f.count < 3) in.FailHere(f.first, "a channel line needs three fields");
    out.target[c] = in.Number(f.second, "target");
    out.panel[c] = in.Number(f.third, "panel");
  }
}

void FakeCheck(ScanLines& in, LabelSource, ProblemWriter& problems) {
  in.Skip(2, "header");
  for (std::size_t line = 1; line <= static_cast<std::size_t>(kFakeChannels); ++line)
    if (SplitThreeFields(in.Line("channel lines")).count < 3) problems.Add(kMissingData, line);
}

void FakePreview(ScanLines& in, PreviewData& d) {
  in.Skip(2, "header");
  for (std::size_t c = 0; c < d.target.size(); ++c) {
    const ThreeFields f = SplitThreeFields(in.Line("channel lines"));
    d.target[c] = in.Number(f.second, "target");
    d.panel[c] = in.Number(f.third, "panel");
  }
}

std::size_t FakeWavelengths(ScanLines& in, std::span<double> table) { return FirstFieldWavelengths(in, 2, table); }

constexpr std::array<HeadRow, 4> kFakeHeads = {{
    {"Wavelength", &ScanRecord::fileLabel},
    {"  (nm)", &ScanRecord::date},
    {"  time  ", &ScanRecord::time},
    {"temp C", &ScanRecord::temperature},
}};
constexpr PreviewLayout kFakePreview{{kFakeChannels, 10, 100}, 1, 90, 9, "3", "100", {}, {1, 1}};
constexpr ColumnSeparator C = ColumnSeparator::Comma;

constexpr InstrumentVariant kFake{
    .cliName = "fake",
    .windowName = "FormFake",
    .caption = "Fake",
    .channelCount = kFakeChannels,
    .modesOffered = {true, true, true, true},
    .separators = {C, C, C, C},
    .texts = {ModeTexts{"", "", "Reflectance"}, ModeTexts{"", "", "Absorbance"}, ModeTexts{"", "", "Target"},
              ModeTexts{"", "", "Reference"}},
    .headRows = kFakeHeads,
    .defaultWaveSource = WaveSource::Equation,
    .hasLabelChoice = false,
    .defaultLabelSource = LabelSource::HeaderInfo,
    .hasLeafHeader = false,
    .preview = &kFakePreview,
    .wavelengthKey = "fake",
    .wavelengthTables = 2,
    .targetTable = 1,
    .panelTable = 0,
    .decimals = 5,
    .read = FakeRead,
    .check = FakeCheck,
    .readPreview = FakePreview,
    .readWavelengths = FakeWavelengths,
};

std::string FakeScan(const std::string& temperature, const std::vector<std::string>& channelLines) {
  Lines l = {"C:\\field\\site1.fak", temperature};
  l.insert(l.end(), channelLines.begin(), channelLines.end());
  return Join(l);
}

TEST(FormatDescription, AFormatKnownOnlyByItsDescriptionRunsChecksAndPreviews) {
  TempFolder folder;
  const std::string a = folder.Write("a.fak", FakeScan("23.5", {"1 10 100", "2 20 200", "3 30 400"}));

  // The run: panel on table 0 (400, 500, 600 nm), target on table 1 (410,
  // 510, 610 nm); the two meet on the grid 450, 500, 550 nm, where target is
  // 14, 19, 24 and panel 150, 200, 300.
  RunSettings s;
  s.variant = &kFake;
  s.files = {a};
  s.grid = {"450", "550", "50"};
  s.modes = {true, false, true, true};
  s.waveSource = WaveSource::Equation;
  s.equation = {"400", "100", "0", 0};
  s.moreEquations = {{"410", "100", "0", 0}};
  WavelengthTables tables;
  const ConversionResult r = ComputeConversion(s, tables);
  const auto line = [](double w, double v) { return NumberText(w) + "," + NumberText(v); };
  EXPECT_EQ(OutputText(r, OutputMode::Reflectance, nullptr),
            CrLf({"Reflectance", "", "Wavelength,site1.fak", "  (nm),", "  time  ,", "temp C,23.5", ",",
                  line(450, 0.09333), line(500, 0.095), line(550, 0.08)}));
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::RawTarget, nullptr)).back(), line(550, 24));
  EXPECT_EQ(SplitCrLf(OutputText(r, OutputMode::RawReference, nullptr)).back(), line(550, 300));
  // Each table was filled from its own equation.
  EXPECT_EQ(tables.Table(kFake, WaveSource::Equation, 0), (std::vector<double>{400, 500, 600}));
  EXPECT_EQ(tables.Table(kFake, WaveSource::Equation, 1), (std::vector<double>{410, 510, 610}));

  // Without resampling the rows are the target table's channels.
  s.interpolate = false;
  const ConversionResult raw = ComputeConversion(s, tables);
  EXPECT_EQ(raw.rowWavelengths, (std::vector<double>{410, 510, 610}));
  EXPECT_EQ(raw.Value(OutputMode::Reflectance, 2, 0), 0.075);

  // A table without its equation fails the run.
  s.moreEquations.clear();
  EXPECT_NE(FailureOf([&] { ComputeConversion(s, tables); }).find("no wavelength equation"), std::string::npos);

  // The check: its own rules, its own problem lines.
  const std::string damaged = folder.Write("b.fak", FakeScan("7", {"1 10 100", "2 20", "3 30 400"}));
  std::string errors;
  EXPECT_EQ(CheckScanText(kFake, ReadAll(damaged), false, damaged, LabelSource::HeaderInfo, errors), 1u);
  EXPECT_EQ(errors, damaged + std::string(kMissingData) + NumberText(2) + "\r\n");
  const std::string cut = folder.Write("c.fak", FakeScan("7", {"1 10 100"}));
  try {
    CheckFiles(kFake, {a, cut}, LabelSource::HeaderInfo, folder.File("errors.txt"));
    ADD_FAILURE() << "a cut file passed the check";
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.Kind(), FailureKind::Check);
    EXPECT_EQ(f.Place().file, cut);
  }

  // The preview: its geometry and its reading.
  EXPECT_EQ(PreviewGeometryOf(kFake).channels, kFakeChannels);
  std::vector<DrawOp> ops;
  const PreviewResult shown = DrawPreview(kFake, a, true, ops);
  ASSERT_TRUE(shown.drawn) << shown.problem;
  std::vector<double> reflectY;
  for (const DrawOp& op : ops)
    if (op.kind == DrawOp::Point && op.area == PreviewArea::Reflect) reflectY.push_back(op.y);
  EXPECT_EQ(reflectY, (std::vector<double>{90 - 0.1 * 90, 90 - 0.1 * 90, 90 - 0.075 * 90}));
  EXPECT_FALSE(DrawPreview(kFake, damaged, true, ops).drawn);

  // And wavelengths from the file come from its own reading.
  EXPECT_EQ(WavesFromScanFile(tables, kFake, a), (std::vector<double>{1, 2, 3}));
}

}  // namespace
}  // namespace corvelane
