// Reference correction of UniSpec-DC reflectance: the mean of reference
// scans, `.ref` files, the corrected values and the two files written, and
// the Calculate Reference graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "indices/index_values.h"
#include "reference/reference_files.h"
#include "reference/reference_plot.h"
#include "reference/reference_spectrum.h"
#include "tests/dc_scan_text.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"

namespace corvelane {
namespace {

using namespace testing;
using Column = std::vector<double>;

std::vector<double> Grid(double begin, double step, std::size_t n) {
  std::vector<double> g;
  double w = begin;
  for (std::size_t i = 0; i < n; ++i, w += step) g.push_back(w);
  return g;
}

TEST(MeanReferenceSpectrum, AveragesTheRatiosRoundedToFiveDecimals) {
  const std::vector<Column> scans = {{0.5, 0.123456, 2.0}, {0.7, 0.1, 999.0}};
  const Column mean = MeanReferenceSpectrum(scans);
  ASSERT_EQ(mean.size(), 3u);
  EXPECT_DOUBLE_EQ(mean[0], 0.6);
  EXPECT_DOUBLE_EQ(mean[1], (0.12346 + 0.1) / 2);  // 0.123456 counts as 0.12346
  EXPECT_EQ(mean[2], 999);                         // a scan marked there marks the mean, never 500.5
  EXPECT_NE(FailureOf([] { MeanReferenceSpectrum(std::vector<Column>{}); }), "");
}

TEST(CorrectReflectance, DividesEachFileByTheReferenceAndRefusesAZeroReference) {
  const Column grid = {310, 311};
  const std::vector<Column> reflectance = {{0.3, 0.9}, {0.6, 0.45}};
  auto corrected = CorrectReflectance(reflectance, Column{0.6, 0.9}, grid, "mean of reference scans");
  RoundColumns(corrected, 6);
  EXPECT_EQ(corrected, (std::vector<Column>{{0.5, 1.0}, {1.0, 0.5}}));
  // Marks: ReferenceMarks checks them through the whole run.
  const std::string why = FailureOf([&] {
    CorrectReflectance(reflectance, Column{0.6, 0.0}, grid, "/data/panel.ref");
  });
  EXPECT_NE(why.find("/data/panel.ref"), std::string::npos) << why;
  EXPECT_NE(why.find("311 nm"), std::string::npos) << why;
}

std::string RefText(const std::vector<std::string>& header, double first, double step, int lines,
                    double valueBase = 0.9) {
  std::vector<std::string> all = header;
  for (int i = 0; i < lines; ++i)
    all.push_back(PlainNumber(first + step * i) + "," + PlainNumber(RoundHalfEven(valueBase + i * 1e-4, 5)));
  return CrLf(all);
}

TEST(RefFile, HeaderLinesAnywhereAndOneDataLinePerGridPoint) {
  const Column grid = Grid(310, 1, 821);
  const std::string text = RefText({"reference panel 12", "wavelength,value"}, 310, 1, 821);
  const RefFileSummary s = SummariseRefFile(text, "p.ref", grid.size());
  EXPECT_EQ(s.headerLines, 2u);
  EXPECT_EQ(s.dataLines, 821u);
  EXPECT_EQ(s.first, 310);
  EXPECT_EQ(s.last, 1130);
  EXPECT_EQ(s.count, 821);
  const Column values = ReadRefValues(text, "p.ref", s, grid);
  ASSERT_EQ(values.size(), 821u);
  for (std::size_t i : {0u, 1u, 400u, 820u}) EXPECT_DOUBLE_EQ(values[i], RoundHalfEven(0.9 + i * 1e-4, 5)) << i;
  // A header line between data lines takes no grid point.
  const std::string mixed = CrLf({"310,0.5", "note", "311,0.6", "312,0.7"});
  const RefFileSummary m = SummariseRefFile(mixed, "mixed.ref", 3);
  EXPECT_EQ(m.headerLines, 1u);
  EXPECT_EQ(m.count, 3);
  EXPECT_EQ(ReadRefValues(mixed, "mixed.ref", m, Grid(310, 1, 3)), (Column{0.5, 0.6, 0.7}));
}

// A zero reference stops the correction (see ReferenceStep's "too few values").
TEST(RefFile, TwoNanometreStepAgainstAOneNanometreGridLeavesEveryValueZero) {
  const Column grid = Grid(310, 1, 821);
  const std::string text = RefText({"panel"}, 310, 2, 410);
  const RefFileSummary s = SummariseRefFile(text, "coarse.ref", grid.size());
  EXPECT_EQ(s.last, 0);  // slot 820 stays empty
  EXPECT_LT(s.count, 0);
  EXPECT_EQ(ReadRefValues(text, "coarse.ref", s, grid), Column(821, 0.0));
}

TEST(RefFile, FailuresNameTheFileAndWhatIsWrong) {
  struct Case {
    const char* scenario;
    std::string text;
    std::size_t gridPoints;
    const char* expected;  // part of the failure detail
  };
  const Case cases[] = {
      {"more data lines than grid points plus one", RefText({}, 310, 1, 7), 5, "line 7"},
      {"data lines giving a count larger than the grid", CrLf({"310,1", "311,1", "320,1"}), 3, "11 values"},
      {"a value that is not a number", CrLf({"h", "310,1", "311,abc", "312,1"}), 3, "311 nm"},
      {"no data lines at all", CrLf({"only", "header"}), 3, "no data lines"},
      {"equal first wavelengths", CrLf({"310,1", "310,1", "311,1"}), 3, "wavelength step"},
  };
  for (const Case& c : cases) {
    const std::string why = FailureOf([&] {
      const Column grid = Grid(310, 1, c.gridPoints);
      const RefFileSummary s = SummariseRefFile(c.text, "bad.ref", c.gridPoints);
      ReadRefValues(c.text, "bad.ref", s, grid);
    });
    EXPECT_NE(why.find("bad.ref"), std::string::npos) << c.scenario << ": " << why;
    EXPECT_NE(why.find(c.expected), std::string::npos) << c.scenario << ": " << why;
  }
}

TEST(ReferenceFiles, WritesAtomicallyAndRefusesAnEmptyPath) {
  TempFolder folder;
  const std::string path = folder.Write("out.csv", "old content that is longer");
  WriteReferenceOutput(path, "new\r\n");
  EXPECT_EQ(ReadAll(path), "new\r\n");
  EXPECT_NE(FailureOf([] { WriteReferenceOutput("", "x"); }), "");
  EXPECT_NE(FailureOf([&] { WriteReferenceOutput(folder.File("missing/out.csv"), "x"); }), "");
}

TEST(PlottedNames, FifteenNamesAtMostTheLastPlottedFirst) {
  std::vector<std::string> paths;
  for (int i = 1; i <= 16; ++i) paths.push_back((i % 2 ? "C:\\ref\\" : "/home/u/ref/") + std::to_string(i) + ".spu");
  std::string expected;
  for (int i = 15; i >= 1; --i) expected += std::to_string(i) + ".spu,";
  EXPECT_EQ(PlottedNamesText(paths), expected);
  EXPECT_EQ(PlottedNamesText(std::vector<std::string>{"plain.spu"}), "plain.spu,");
  EXPECT_EQ(PlottedNamesText({}), "");
}

TEST(ParseIndexOption, FourFieldsForTheConversionFiveForTheIndexRun) {
  struct Case {
    const char* text;
    IndexOptionFields fields;
    const char* name;  // empty: refused
    IndexFormula formula;
    IndexSource source;
  };
  constexpr auto Four = IndexOptionFields::WithoutSource, Five = IndexOptionFields::WithSource;
  constexpr auto Nd = IndexFormula::NormalisedDifference, Sr = IndexFormula::SimpleRatio;
  constexpr auto Refl = IndexSource::Reflectance, Deriv = IndexSource::Derivative;
  const Case cases[] = {{"NDVI,800,670,nd", Four, "NDVI", Nd, Refl},
                        {"WBI, 900 ,970,Ratio", Four, "WBI", Sr, Refl},
                        {"X,1,2,2", Four, "X", Sr, Refl},
                        {"X,1,2,3", Four, "", Nd, Refl},
                        {"X,1,abc,nd", Four, "", Nd, Refl},
                        {",1,2,nd", Four, "", Nd, Refl},
                        {"X,1,2,nd,1", Four, "", Nd, Refl},
                        {"dPRI,531,570,1,derivative", Five, "dPRI", Nd, Deriv},
                        {"sr, 800,670 ,RATIO,2", Five, "sr", Sr, Deriv},
                        {"X,1,2,nd,3", Five, "", Nd, Refl},
                        {"X,1,2,nd", Five, "", Nd, Refl}};
  for (const Case& c : cases) {
    if (*c.name == 0) {
      try {
        ParseIndexOption(c.text, c.fields);
        ADD_FAILURE() << c.text << " was accepted";
      } catch (const RunFailure& f) {
        EXPECT_EQ(f.Kind(), FailureKind::Usage) << c.text;
        EXPECT_NE(f.Why().find(std::string("not \"") + c.text + "\""), std::string::npos) << f.Why();
      }
      continue;
    }
    const IndexDefinition d = ParseIndexOption(c.text, c.fields);
    EXPECT_EQ(d.name, c.name) << c.text;
    EXPECT_EQ(d.formula, c.formula) << c.text;
    EXPECT_EQ(d.source, c.source) << c.text;
  }
  const IndexDefinition wbi = ParseIndexOption("WBI, 900 ,970,ratio", IndexOptionFields::WithoutSource);
  EXPECT_EQ(wbi.a + "|" + wbi.b, "900|970");
}

// --- the Calculate Reference graph ---

// A DC scan of one target and one panel reading on every channel.
std::string DcScan(double target, double panel, const std::string& panelText = {}) {
  return CrLf(DcLines(
      {Rising(300.9, 3.3), Always(PlainNumber(target)), Always(panelText.empty() ? PlainNumber(panel) : panelText)}));
}

TEST(ZoomRange, DragSelectsTheRangeBetweenItsEnds) {
  struct Case {
    double down, up, low, high;
  };
  const Case cases[] = {{1, 2, 2.8, 3.8}, {2, 1, 2.8, 3.8}, {-0.2, 5, -0.2, 5}, {0, 4.8, 0, 4.8}};
  for (const Case& c : cases) {
    const VerticalRange r = ZoomRange({}, c.down, c.up);
    EXPECT_NEAR(r.low, c.low, 1e-12) << c.down << " to " << c.up;
    EXPECT_NEAR(r.high, c.high, 1e-12) << c.down << " to " << c.up;
  }
  // The low bound moves up by 0.0001, so the graph still has a height.
  const VerticalRange flat = ZoomRange({}, 1.5, 1.5);
  EXPECT_NEAR(std::fabs(flat.high - flat.low), 0.0001, 1e-12);
  EXPECT_NEAR(flat.high, 3.3, 1e-12);
  EXPECT_NEAR(flat.low, 3.3001, 1e-12);
}

std::size_t CurveCount(const ReferencePlot& plot) {
  // Every curve has exactly one segment ending at channel 1.
  return static_cast<std::size_t>(std::count_if(
      plot.graph.begin(), plot.graph.end(), [](const PlotOp& op) { return op.kind == PlotOp::LineTo && op.x == 36; }));
}

TEST(ReferencePlot, SixteenScansGiveSixteenCurvesAndFifteenLegendEntries) {
  TempFolder folder;
  std::vector<std::string> paths;
  for (int i = 0; i < 16; ++i) paths.push_back(folder.Write("r" + std::to_string(i) + ".spu", DcScan(100 + i, 200)));
  const ReferencePlot plot = PlotReferenceScans(paths, {});
  EXPECT_EQ(CurveCount(plot), 16u);
  EXPECT_EQ(plot.plotted.size(), 16u);
  ASSERT_EQ(plot.legendNames.size(), 15u);
  EXPECT_EQ(plot.legendNames[0], "r0.spu");
  EXPECT_EQ(plot.legendNames[14], "r14.spu");
  for (const auto& sample : plot.legendSamples) {
    ASSERT_EQ(sample.size(), 27u);  // clear and 26 points from 200 to 700
    EXPECT_EQ(sample[1].x, 200);
    EXPECT_EQ(sample.back().x, 700);
    EXPECT_EQ(sample.back().y, 127);
  }
  EXPECT_EQ(plot.legendSamples[5].back().colour, 5);
  // The sixteenth curve (n = 15) has colour 15.
  const auto last = std::find_if(plot.graph.rbegin(), plot.graph.rend(),
                                 [](const PlotOp& op) { return op.kind == PlotOp::LineTo && op.x == 36; });
  EXPECT_EQ(last->colour, 15);
  EXPECT_EQ(PaletteColour(4), (Rgb{128, 0, 0}));
  EXPECT_EQ(PaletteColour(15), (Rgb{255, 255, 255}));
}

TEST(ReferencePlot, CurveValuesAxesAndLabels) {
  TempFolder folder;
  // Panel 0, a negative panel and a non-number all count as 1.
  const std::vector<std::string> paths = {folder.Write("a.spu", DcScan(2, 4)), folder.Write("b.spu", DcScan(3, 0)),
                                          folder.Write("c.spu", DcScan(1.5, -2)),
                                          folder.Write("d.spu", DcScan(1.25, 0, "x"))};
  const VerticalRange range{-0.2, 5};
  const ReferencePlot plot = PlotReferenceScans(paths, range);
  EXPECT_EQ(plot.top, -0.2);
  EXPECT_DOUBLE_EQ(plot.height, 5.2);
  // Curve n starts at channel 0 with value second / third, drawn at low + high - value.
  std::vector<double> curveStarts;
  for (std::size_t i = 0; i + 1 < plot.graph.size(); ++i)
    if (plot.graph[i].kind == PlotOp::Move && plot.graph[i + 1].kind == PlotOp::LineTo && plot.graph[i + 1].x == 36)
      curveStarts.push_back(plot.graph[i].y);
  ASSERT_EQ(curveStarts.size(), 4u);
  EXPECT_DOUBLE_EQ(curveStarts[0], 4.8 - 0.5);
  EXPECT_DOUBLE_EQ(curveStarts[1], 4.8 - 3);
  EXPECT_DOUBLE_EQ(curveStarts[2], 4.8 - 1.5);
  EXPECT_DOUBLE_EQ(curveStarts[3], 4.8 - 1.25);
  // The axes come before the first curve; channel labels from scan 0's first field.
  EXPECT_EQ(plot.graph[0].kind, PlotOp::Clear);
  EXPECT_EQ(plot.graph[1].kind, PlotOp::Move);
  std::vector<std::string> labels;
  for (const PlotOp& op : plot.graph)
    if (op.kind == PlotOp::Text) labels.push_back(op.text);
  for (const char* expected : {"301", "466", "631", "796", "961", "1126", "0", "1", "4"})
    EXPECT_NE(std::find(labels.begin(), labels.end(), expected), labels.end()) << expected;
  EXPECT_EQ(plot.plottedNames, "d.spu,c.spu,b.spu,a.spu,");
}

TEST(ReferencePlot, FilesThatCannotBeDrawnAreSkippedAndNamed) {
  TempFolder folder;
  std::string shortScan = DcScan(1, 2);
  shortScan.resize(shortScan.size() / 2);
  std::string badTarget = DcScan(1, 2);
  badTarget.replace(badTarget.find("\t1 \t"), 4, "\tx \t");
  const std::vector<std::string> paths = {folder.Write("short.spu", shortScan), folder.Write("good.spu", DcScan(1, 2)),
                                          folder.Write("bad.spu", badTarget), folder.File("missing.spu")};
  const ReferencePlot plot = PlotReferenceScans(paths, {});
  EXPECT_EQ(CurveCount(plot), 1u);
  EXPECT_EQ(plot.legendNames, std::vector<std::string>{"good.spu"});
  EXPECT_EQ(plot.plottedNames, "good.spu,");
  ASSERT_EQ(plot.skipped.size(), 3u);
  EXPECT_EQ(plot.skipped[0].path, paths[0]);
  EXPECT_NE(plot.skipped[1].why.find("line 11"), std::string::npos) << plot.skipped[1].why;
  EXPECT_EQ(plot.skipped[2].path, paths[3]);
  // The one drawn file takes colour 0 and the axes.
  EXPECT_EQ(plot.legendSamples[0].back().colour, 0);
  EXPECT_TRUE(plot.legendSamples[1].empty());
}

TEST(ReferencePlot, RealDcScansAreDrawnAndAPcScriptFileIsSkipped) {
  std::vector<std::string> paths = RealUniSpecDcFiles();
  const std::string pcScript = RealDataFolder() + "/unispec-dc/pc-script-variant/Uni_2015-07-25__02_00_10_000.spu";
  if (paths.size() < 7 || !std::filesystem::exists(pcScript))
    GTEST_SKIP() << "the real UniSpec-DC scans are not in " << RealDataFolder();
  paths.insert(paths.begin() + 1, pcScript);
  const ReferencePlot plot = PlotReferenceScans(paths, {});
  EXPECT_EQ(CurveCount(plot), paths.size() - 1);
  ASSERT_EQ(plot.skipped.size(), 1u);
  EXPECT_EQ(plot.skipped[0].path, pcScript);
  EXPECT_NE(plot.skipped[0].why.find("line 11"), std::string::npos) << plot.skipped[0].why;
  EXPECT_EQ(plot.legendNames.front(), "DHT_00000.spu");
  // Channel labels: the instrument's own wavelengths of the first scan drawn.
  std::vector<std::string> labels;
  for (const PlotOp& op : plot.graph)
    if (op.kind == PlotOp::Text && op.x > 20) labels.push_back(op.text);
  ASSERT_EQ(labels.size(), 6u);
  EXPECT_EQ(labels.front(), "301");
}

TEST(ReferencePlot, ZoomedRangeScalesTheGraphAndItsTicks) {
  TempFolder folder;
  const std::vector<std::string> paths = {folder.Write("a.spu", DcScan(1, 1))};
  const ReferencePlot plot = PlotReferenceScans(paths, ZoomRange({}, 1, 2));
  EXPECT_DOUBLE_EQ(plot.top, 2.8);
  EXPECT_DOUBLE_EQ(plot.height, 1.0);
  std::vector<std::string> labels;
  for (const PlotOp& op : plot.graph)
    if (op.kind == PlotOp::Text && op.x == 2) labels.push_back(op.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"3", "3.2", "3.4", "3.6", "3.8"}));
  // Nothing selected: the axes alone.
  const ReferencePlot empty = PlotReferenceScans({}, {});
  EXPECT_EQ(CurveCount(empty), 0u);
  EXPECT_TRUE(empty.legendNames.empty());
  EXPECT_EQ(empty.plottedNames, "");
}

}  // namespace
}  // namespace corvelane
