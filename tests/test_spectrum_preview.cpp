// The spectrum preview: what a click on a listed scan file draws in the three
// graph areas, per window, and what a file that cannot be shown leaves.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "convert/spectrum_preview.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using namespace testing;
using Ops = std::vector<DrawOp>;
const PreviewArea T = PreviewArea::Target, P = PreviewArea::Panel, R = PreviewArea::Reflect;

Ops OnlyClears() {
  return {
      {DrawOp::Clear, T, 0, 0, "", false}, {DrawOp::Clear, P, 0, 0, "", false}, {DrawOp::Clear, R, 0, 0, "", false}};
}
DrawOp Move(PreviewArea a, double x, double y) { return {DrawOp::Move, a, x, y, "", false}; }
DrawOp Line(PreviewArea a, double x, double y) { return {DrawOp::LineTo, a, x, y, "", false}; }
DrawOp Text(PreviewArea a, double x, double y, const std::string& t) { return {DrawOp::Text, a, x, y, t, false}; }

// The axes and seven labels an area opens with, as each window draws them.
Ops UniSpecFrame(PreviewArea a) {
  const bool r = a == R;
  return {Move(a, 25, 5000),
          Line(a, 25, 65000),
          Line(a, 290, 65000),
          Text(a, 15, 64500, "0"),
          Text(a, 100, 64500, "Wave Bands"),
          Text(a, 270, 64500, "256"),
          Text(a, 13, 29500, "R"),
          Text(a, 16, 33950, r ? "e" : "a"),
          Text(a, 16, 39850, r ? "f" : "d"),
          r ? Text(a, 15, 10, "1") : Text(a, 10, 10, "65000")};
}
Ops GerFrame(PreviewArea a, double xe, double channelsX, const char* channels) {
  const bool r = a == R;
  return {Move(a, 50, 5000),
          Line(a, 50, 500000),
          Line(a, xe, 500000),
          Text(a, 25, 490000, "0"),
          Text(a, 250, 490000, "Wave Bands"),
          Text(a, channelsX, 490000, channels),
          Text(a, 30, 195000, "R"),
          Text(a, 35, 239500, r ? "e" : "a"),
          Text(a, 35, 298500, r ? "f" : "d"),
          r ? Text(a, 25, 10, "1") : Text(a, 55, 10, "500,000")};
}
Ops Ger1500Frame(PreviewArea a) { return GerFrame(a, 590, 550, "512"); }
Ops Ger2600Frame(PreviewArea a) { return GerFrame(a, 650, 600, "594"); }

Ops Drawn(Format format, const std::string& path) {
  Ops ops;
  const PreviewResult r = DrawPreview(VariantOf(format), path, true, ops);
  EXPECT_TRUE(r.drawn) << r.problem;
  EXPECT_EQ(r.showNoDataBoxes, format == Format::UniSpecCompact);  // the compact window hides them
  return ops;
}

struct Pt {
  std::size_t channel;
  double x, y;
};

// The area's points: `count` blue points, those listed where given.
void ExpectPoints(const Ops& ops, PreviewArea area, std::size_t count, std::initializer_list<Pt> points) {
  Ops p;
  for (const auto& op : ops)
    if (op.area == area && op.kind == DrawOp::Point) p.push_back(op);
  ASSERT_EQ(p.size(), count);
  for (const DrawOp& op : p) ASSERT_TRUE(op.blue);
  for (const Pt& pt : points) {
    EXPECT_DOUBLE_EQ(p[pt.channel].x, pt.x) << "channel " << pt.channel;
    EXPECT_DOUBLE_EQ(p[pt.channel].y, pt.y) << "channel " << pt.channel;
  }
}

TEST(SpectrumPreview, ClearsThenAxesLabelsAndPointsAreaByArea) {
  TempFolder folder;
  struct Case {
    Format format;
    Lines lines;
    std::vector<PreviewArea> areas;
    Ops (*frame)(PreviewArea);
    int channels;
  };
  const Case cases[] = {
      {Format::UniSpecOld, OldLines(), {T, P, R}, UniSpecFrame, 256},
      {Format::UniSpecNew, NewLines(), {T, P, R}, UniSpecFrame, 256},
      // No target or panel readings; reflectance under 1 keeps the axis at 1.
      {Format::UniSpecCompact, CompactLines(Always("0.5")), {R}, UniSpecFrame, 256},
      {Format::Ger1500, GerLines(512), {T, P, R}, Ger1500Frame, 512},
      {Format::Ger2600, GerLines(594), {T, P, R}, Ger2600Frame, 594},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(VariantOf(c.format).cliName);
    const Ops ops = Drawn(c.format, folder.Write("scan.txt", Join(c.lines)));
    const std::size_t perArea = 10 + static_cast<std::size_t>(c.channels);
    ASSERT_EQ(ops.size(), 3 + c.areas.size() * perArea);
    EXPECT_EQ(Ops(ops.begin(), ops.begin() + 3), OnlyClears());
    for (std::size_t k = 0; k < c.areas.size(); ++k) {
      const PreviewArea a = c.areas[k];
      const Ops frame = c.frame(a);
      EXPECT_EQ(Ops(ops.begin() + static_cast<std::ptrdiff_t>(3 + k * perArea),
                    ops.begin() + static_cast<std::ptrdiff_t>(3 + k * perArea + 10)),
                frame);
      for (std::size_t i = 3 + k * perArea; i < 3 + (k + 1) * perArea; ++i) ASSERT_EQ(ops[i].area, a) << "op " << i;
    }
  }
}

TEST(SpectrumPreview, UniSpecOldPoints) {
  TempFolder folder;
  const Lines l = OldLines({.target = Except("1000", {{0, "30000"},    // reflectance 0.5
                                                      {3, "-100"},     // below the base line
                                                      {4, "70000"},    // above the top edge, not clipped
                                                      {255, "100"}}),  // reflectance 0.25
                            .panel = Except("2000", {{0, "60000"}, {7, "0"}, {255, "400"}})});
  // A target line without a wavelength is the reading itself; tabs separate too.
  const Ops ops =
      Drawn(Format::UniSpecOld, folder.Write("old.spt", Join(With(l, {{11, "  4000"}, {12, "302.5\t\t7000"}}))));
  ExpectPoints(ops, T, 256,
               {{0, 26, 35000}, {1, 27, 61000}, {2, 28, 58000}, {3, 29, 65100}, {4, 30, -5000}, {255, 281, 64900}});
  ExpectPoints(ops, P, 256, {{0, 26, 5000}, {7, 33, 65000}, {255, 281, 64600}});
  // Channel 4's reflectance is 35: the axis reaches 35 (its label says so)
  // and every point is drawn to that scale; the mark 999 does not count.
  const auto y = [](double v) { return 65000 - v / 35 * 65000; };
  ExpectPoints(ops, R, 256, {{0, 26, y(0.5)}, {4, 30, 0}, {7, 33, y(999)}, {100, 126, y(0.5)}, {255, 281, y(0.25)}});
  EXPECT_NE(std::find_if(ops.begin(), ops.end(),
                         [](const DrawOp& op) { return op.area == R && op.kind == DrawOp::Text && op.text == "35"; }),
            ops.end());
}

TEST(SpectrumPreview, TheReflectanceAxisKeepsZeroToOneWhenTheDataFitAndGrowsByHalvesOtherwise) {
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  const auto topLabel = [&v](std::vector<double> refl) {
    PreviewData data;
    data.target.assign(256, 1);
    data.panel.assign(256, 1);
    data.refl = std::move(refl);
    Ops ops;
    AppendPreviewDrawing(v, data, ops);
    std::string label;
    for (const DrawOp& op : ops)
      if (op.area == R && op.kind == DrawOp::Text) label = op.text;  // the scale label comes last
    return label;
  };
  std::vector<double> refl(256, 0.4);
  EXPECT_EQ(topLabel(refl), "1");
  refl[10] = 999;  // a mark is not data
  EXPECT_EQ(topLabel(refl), "1");
  refl[20] = 1.27;  // a panel scan's ratio
  EXPECT_EQ(topLabel(refl), "1.5");
  refl[30] = 2.5;
  EXPECT_EQ(topLabel(refl), "2.5");
}

TEST(SpectrumPreview, UniSpecNewReadsFreeFieldRecords) {
  TempFolder folder;
  const Lines l = NewLines({.target = Except("1000", {{0, "30000"}, {255, "100"}}),
                            .panel = Except("4000", {{0, "60000"}, {9, "0"}, {255, "400"}})});
  // Items are separated by blanks or commas, and a record may run over a line end.
  const std::string text = Join(With(l, {{11, "301.5  2000\n 8000"}, {12, "302.5,3000,\t6000"}}), "\n");
  const Ops ops = Drawn(Format::UniSpecNew, folder.Write("new.spu", text));
  ExpectPoints(ops, T, 256,
               {{0, 26, 35000},
                {1, 27, 63000},
                {2, 28, 62000},
                {3, 29, 64000},  // channels after the split record keep their place
                {255, 281, 64900}});
  ExpectPoints(ops, P, 256, {{0, 26, 5000}, {1, 27, 57000}, {2, 28, 59000}});
  ExpectPoints(ops, R, 256, {{0, 26, 32500}, {1, 27, 48750}, {9, 35, -64870000}, {255, 281, 48750}});
}

TEST(SpectrumPreview, CompactDrawsOnlyReflectance) {
  TempFolder folder;
  const Lines l = CompactLines(Except("0.75", {{0, "0.5"}, {1, "999"}, {2, "-0.5"}, {255, "0.25"}}));
  const Ops ops = Drawn(Format::UniSpecCompact, folder.Write("comp.spt", Join(l, "\r")));
  ExpectPoints(ops, R, 256, {{0, 26, 32500}, {1, 27, -64870000}, {2, 28, 97500}, {3, 29, 16250}, {255, 281, 48750}});
}

// The GER line splitter is the reader's (GerReader checks blanks and tabs).
// GER 1500 reads exactly 512 data lines; GER 2600 those there are.
TEST(SpectrumPreview, GerPointsOnTheirScaleAndGer2600TakesTheDataLinesThereAre) {
  TempFolder folder;
  const Lines l = GerLines(512, {Rising(300.5, 1), Except("1000", {{0, "250000"}, {511, "1234"}}),
                                 Except("2000", {{0, "500000"}, {5, "0"}, {511, "5678"}})});
  const Ops g = Drawn(Format::Ger1500, folder.Write("g.txt", Join(l, "\r")));
  ExpectPoints(g, T, 512, {{0, 51, 250000}, {1, 52, 499000}, {511, 562, 498766}});
  ExpectPoints(g, P, 512, {{0, 51, 0}, {1, 52, 498000}, {511, 562, 494322}});
  ExpectPoints(g, R, 512, {{0, 51, 250000}, {1, 52, 250000}, {5, 56, -499000000}});  // 500000 - 999 * 500000
  Ops ops = Drawn(Format::Ger2600,
                  folder.Write("full.txt", Join(GerLines(594, {Rising(300.5, 1), Except("1000", {{593, "1234"}}),
                                                               Except("2000", {{593, "5678"}})}))));
  ExpectPoints(ops, T, 594, {{0, 51, 499000}, {593, 644, 498766}});
  ExpectPoints(ops, P, 594, {{593, 644, 494322}});
  ExpectPoints(ops, R, 594, {{0, 51, 250000}});
  // Three data lines: channels 3 to 593 have no reading and lie on the base line.
  ops =
      Drawn(Format::Ger2600,
            folder.Write("short.txt",
                         Join(GerLines(3, {Rising(300.5, 1), Rising(1000, 1000), Except("4000", {{2, "0"}})}), "\n")));
  ExpectPoints(ops, T, 594, {{1, 52, 498000}, {3, 54, 500000}, {593, 644, 500000}});
  ExpectPoints(ops, P, 594, {{3, 54, 500000}, {593, 644, 500000}});
  ExpectPoints(ops, R, 594, {{1, 52, 250000}, {2, 53, -499000000}, {3, 54, -499000000}, {593, 644, -499000000}});
  ops = Drawn(Format::Ger2600, folder.Write("none.txt", Join(GerLines(0))));
  ExpectPoints(ops, T, 594, {{0, 51, 500000}, {593, 644, 500000}});
}

TEST(SpectrumPreview, UndisplayableFilesLeaveTheAreasCleared) {
  TempFolder folder;
  struct Undisplayable {
    const char* name;
    Format format;
    Lines lines;
    const char* line;  // the line the problem names
  };
  // The GER previews read their data lines with the scan reader's own code,
  // whose damaged lines ScanReaders checks: one of them here, and the header
  // the preview skips on its own.
  const Undisplayable cases[] = {
      {"old_short", Format::UniSpecOld, Head(OldLines(), 110), "line 111"},  // 100 DATA lines
      {"old_target_text", Format::UniSpecOld, With(OldLines(), {{14, "  304.5   abc"}}), "line 15"},
      {"old_panel_text", Format::UniSpecOld, With(OldLines(), {{268, "  2000x"}}), "line 269"},
      {"old_no_panel", Format::UniSpecOld, Head(OldLines(), 523), "line 524"},
      {"new_panel_text", Format::UniSpecNew, With(NewLines(), {{12, "302.5, 1000, x"}}), "line 13"},
      {"new_empty_item", Format::UniSpecNew, With(NewLines(), {{13, "303.5,, 2000"}}), "line 14"},
      {"new_short", Format::UniSpecNew, Head(NewLines(), 265), "line 266"},
      {"compact_comma", Format::UniSpecCompact, With(CompactLines(), {{4, " 0,5"}}), "line 5"},
      {"compact_short", Format::UniSpecCompact, Head(CompactLines(), 14), "line 15"},
      {"ger_middle_text", Format::Ger1500, With(GerLines(512), {{14, "302.5    1x00    2000"}}), "line 15"},
      {"ger_header_only", Format::Ger1500, Head(GerLines(0), 8), "line 9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.Write(std::string(c.name) + ".dat", Join(c.lines));
    Ops ops;
    const PreviewResult r = DrawPreview(VariantOf(c.format), path, true, ops);
    EXPECT_EQ(ops, OnlyClears());
    EXPECT_FALSE(r.drawn);
    EXPECT_FALSE(r.showNoDataBoxes);
    EXPECT_NE(r.problem.find(path + ", " + c.line), std::string::npos) << r.problem;
  }
  // A missing file names itself; with the graph switched off nothing is read and nothing reported.
  const std::string missing = folder.File("no such file.spt"), good = folder.Write("good.spt", Join(CompactLines()));
  const std::pair<std::string, bool> clicks[] = {{missing, true}, {missing, false}, {good, false}};
  for (const auto& [path, showGraph] : clicks) {
    Ops ops = {Move(T, 1, 1)};  // left from an earlier click
    const PreviewResult r = DrawPreview(VariantOf(Format::UniSpecCompact), path, showGraph, ops);
    EXPECT_EQ(ops, OnlyClears());
    EXPECT_FALSE(r.drawn);
    EXPECT_FALSE(r.showNoDataBoxes);
    EXPECT_EQ(r.problem.find(missing) != std::string::npos, showGraph) << r.problem;
    EXPECT_EQ(r.problem.empty(), !showGraph) << r.problem;
  }
}

// A file whose panel readings are all 0 draws, and says why its
// reflectance graph stays empty; one panel reading is enough to say nothing.
TEST(SpectrumPreview, EveryPanelZeroIsNamed) {
  TempFolder folder;
  const struct {
    const char* name;
    Format format;
    Lines lines;
    bool notice;
  } cases[] = {
      {"old_zero", Format::UniSpecOld, OldLines({Rising(300, 3), Rising(1000, 1), Always("0")}), true},
      {"old_one", Format::UniSpecOld, OldLines({Rising(300, 3), Rising(1000, 1), Except("0", {{255, "7"}})}), false},
      {"ger2600_none", Format::Ger2600, GerLines(0), true},
      {"ger2600_some", Format::Ger2600, GerLines(3), false},
      {"compact", Format::UniSpecCompact, CompactLines(Always("0")), false},
  };
  for (const auto& c : cases) {
    const std::string path = folder.Write(std::string(c.name) + ".dat", Join(c.lines));
    Ops ops;
    const PreviewResult r = DrawPreview(VariantOf(c.format), path, true, ops);
    EXPECT_TRUE(r.drawn) << c.name << ": " << r.problem;
    EXPECT_EQ(!r.notice.empty(), c.notice) << c.name << ": " << r.notice;
    if (c.notice) EXPECT_NE(r.notice.find(path), std::string::npos) << r.notice;
  }
}

}  // namespace
}  // namespace corvelane
