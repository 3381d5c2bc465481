// The spectrum preview: what a click on a listed scan file draws in the three
// graph areas, per window, and what a file that cannot be shown leaves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/spectrum_preview.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;

// A folder of its own per test, removed when the test ends.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("corvelane_preview_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    const fs::path p = path_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

using Texts = std::vector<std::string>;

Texts Fill(std::size_t n, const std::string& value) { return Texts(n, value); }

std::string Header(int lines, const std::string& eol) {
  std::string s;
  for (int k = 1; k <= lines; ++k) s += "header line " + std::to_string(k) + eol;
  return s;
}

std::string Wavelength(std::size_t i) { return std::to_string(300 + i) + ".5"; }

// 10 header lines, target lines "wavelength target", two lines, panel lines.
std::string UniSpecOldText(const Texts& target, const Texts& panel, const std::string& eol = "\r\n") {
  std::string s = Header(10, eol);
  for (std::size_t i = 0; i < target.size(); ++i) s += "  " + Wavelength(i) + "   " + target[i] + eol;
  s += "Panel" + eol + eol;
  for (const auto& p : panel) s += "  " + p + eol;
  return s;
}

// 10 header lines, then records "wavelength, target, panel".
std::string UniSpecNewText(const Texts& target, const Texts& panel, const std::string& eol = "\r\n") {
  std::string s = Header(10, eol);
  for (std::size_t i = 0; i < target.size(); ++i) s += Wavelength(i) + ", " + target[i] + ", " + panel[i] + eol;
  return s;
}

// 4 header lines, then one reflectance per line.
std::string CompactText(const Texts& refl, const std::string& eol = "\r\n") {
  std::string s = Header(4, eol);
  for (const auto& r : refl) s += " " + r + eol;
  return s;
}

// 12 header lines, then "wavelength   target   panel" lines.
std::string GerText(const Texts& target, const Texts& panel, const std::string& eol = "\r\n") {
  std::string s = Header(12, eol);
  for (std::size_t i = 0; i < target.size(); ++i) s += Wavelength(i) + "    " + target[i] + "    " + panel[i] + eol;
  return s;
}

std::vector<DrawOp> OpsOf(const std::vector<DrawOp>& ops, PreviewArea area, DrawOp::Kind kind) {
  std::vector<DrawOp> out;
  for (const auto& op : ops)
    if (op.area == area && op.kind == kind) out.push_back(op);
  return out;
}

std::vector<DrawOp> OnlyClears() {
  return {{DrawOp::Clear, PreviewArea::Target, 0, 0, "", false},
          {DrawOp::Clear, PreviewArea::Panel, 0, 0, "", false},
          {DrawOp::Clear, PreviewArea::Reflect, 0, 0, "", false}};
}

DrawOp Move(PreviewArea a, double x, double y) { return {DrawOp::Move, a, x, y, "", false}; }
DrawOp Line(PreviewArea a, double x, double y) { return {DrawOp::LineTo, a, x, y, "", false}; }
DrawOp Text(PreviewArea a, double x, double y, const std::string& t) { return {DrawOp::Text, a, x, y, t, false}; }

// The axis and label operations that open the drawing of `area`.
std::vector<DrawOp> Frame(const std::vector<DrawOp>& ops, PreviewArea area) {
  std::vector<DrawOp> out;
  for (const auto& op : ops)
    if (op.area == area && op.kind != DrawOp::Clear && op.kind != DrawOp::Point) out.push_back(op);
  return out;
}

void ExpectPoint(const DrawOp& op, double x, double y) {
  EXPECT_EQ(op.kind, DrawOp::Point);
  EXPECT_TRUE(op.blue);
  EXPECT_DOUBLE_EQ(op.x, x);
  EXPECT_DOUBLE_EQ(op.y, y);
}

const Format kAllFormats[] = {Format::UniSpecOld, Format::UniSpecNew, Format::UniSpecCompact, Format::Ger1500,
                              Format::Ger2600};

TEST(SpectrumPreview, GeometryPerWindow) {
  const auto uni = PreviewGeometryOf(Format::UniSpecOld);
  EXPECT_EQ(uni.channels, 256);
  EXPECT_EQ(uni.width, 300);
  EXPECT_EQ(uni.height, 75000);
  for (Format f : {Format::UniSpecNew, Format::UniSpecCompact}) {
    EXPECT_EQ(PreviewGeometryOf(f).channels, 256);
    EXPECT_EQ(PreviewGeometryOf(f).width, 300);
    EXPECT_EQ(PreviewGeometryOf(f).height, 75000);
  }
  const auto g1500 = PreviewGeometryOf(Format::Ger1500);
  EXPECT_EQ(g1500.channels, 512);
  EXPECT_EQ(g1500.width, 600);
  EXPECT_EQ(g1500.height, 550000);
  const auto g2600 = PreviewGeometryOf(Format::Ger2600);
  EXPECT_EQ(g2600.channels, 594);
  EXPECT_EQ(g2600.width, 700);
  EXPECT_EQ(g2600.height, 550000);
}

TEST(SpectrumPreview, ShowGraphOffOnlyClearsTheThreeAreas) {
  TempFolder folder;
  const std::string good = folder.Write("good.spt", CompactText(Fill(256, "0.5")));
  for (Format f : kAllFormats) {
    for (const std::string& path : {good, folder.Path("missing.spt")}) {
      std::vector<DrawOp> ops = {Move(PreviewArea::Target, 1, 1)};  // left from an earlier click
      const PreviewResult r = DrawPreview(f, path, false, ops);
      EXPECT_EQ(ops, OnlyClears());
      EXPECT_FALSE(r.drawn);
      EXPECT_TRUE(r.problem.empty()) << r.problem;
      EXPECT_FALSE(r.showNoDataBoxes);  // the compact window hides its "No Data" boxes
    }
  }
}

TEST(SpectrumPreview, UniSpecAxesLabelsAndOrder) {
  TempFolder folder;
  const std::string path = folder.Write("a.spt", UniSpecOldText(Fill(256, "1000"), Fill(256, "2000")));
  std::vector<DrawOp> ops;
  const PreviewResult r = DrawPreview(Format::UniSpecOld, path, true, ops);
  ASSERT_TRUE(r.drawn) << r.problem;
  EXPECT_FALSE(r.showNoDataBoxes);
  // Three clears, then per area 3 axis ops, 7 labels and 256 points, area by area.
  ASSERT_EQ(ops.size(), 3u + 3u * 266u);
  EXPECT_EQ(std::vector<DrawOp>(ops.begin(), ops.begin() + 3), OnlyClears());
  for (std::size_t i = 3; i < ops.size(); ++i) {
    const PreviewArea expected = i < 269 ? PreviewArea::Target : i < 535 ? PreviewArea::Panel : PreviewArea::Reflect;
    ASSERT_EQ(ops[i].area, expected) << "op " << i;
  }
  for (PreviewArea a : {PreviewArea::Target, PreviewArea::Panel}) {
    const std::vector<DrawOp> frame = {
        Move(a, 25, 5000),        Line(a, 25, 65000),         Line(a, 290, 65000),      Text(a, 15, 64500, "0"),
        Text(a, 100, 64500, "Wave Bands"), Text(a, 270, 64500, "256"), Text(a, 13, 29500, "R"),
        Text(a, 16, 33950, "a"), Text(a, 16, 39850, "d"),     Text(a, 10, 10, "65000")};
    EXPECT_EQ(Frame(ops, a), frame);
  }
  const PreviewArea R = PreviewArea::Reflect;
  const std::vector<DrawOp> reflectFrame = {
      Move(R, 25, 5000),       Line(R, 25, 65000),  Line(R, 290, 65000),         Text(R, 15, 64500, "0"),
      Text(R, 100, 64500, "Wave Bands"), Text(R, 270, 64500, "256"), Text(R, 13, 29500, "R"),
      Text(R, 16, 33950, "e"), Text(R, 16, 39850, "f"), Text(R, 15, 10, "1")};
  EXPECT_EQ(Frame(ops, R), reflectFrame);
}

TEST(SpectrumPreview, UniSpecOldPoints) {
  TempFolder folder;
  Texts target = Fill(256, "1000"), panel = Fill(256, "2000");
  target[0] = "30000", panel[0] = "60000";  // reflectance 0.5
  target[3] = "-100";                       // below the base line
  target[4] = "70000";                      // above the top edge, not clipped
  panel[7] = "0";                           // reflectance 999
  target[255] = "100", panel[255] = "400";  // reflectance 0.25
  std::string text = UniSpecOldText(target, panel);
  // A target line without a wavelength is the reading itself; tabs separate too.
  text.replace(text.find("  301.5   1000"), 14, "  4000");
  text.replace(text.find("  302.5   1000"), 14, "302.5\t\t7000");
  const std::string path = folder.Write("old.spt", text);
  std::vector<DrawOp> ops;
  ASSERT_TRUE(DrawPreview(Format::UniSpecOld, path, true, ops).drawn);

  const auto t = OpsOf(ops, PreviewArea::Target, DrawOp::Point);
  const auto p = OpsOf(ops, PreviewArea::Panel, DrawOp::Point);
  const auto f = OpsOf(ops, PreviewArea::Reflect, DrawOp::Point);
  ASSERT_EQ(t.size(), 256u);
  ASSERT_EQ(p.size(), 256u);
  ASSERT_EQ(f.size(), 256u);
  ExpectPoint(t[0], 26, 35000);
  ExpectPoint(p[0], 26, 5000);
  ExpectPoint(f[0], 26, 32500);
  ExpectPoint(t[1], 27, 61000);
  ExpectPoint(t[2], 28, 58000);
  ExpectPoint(t[3], 29, 65100);
  ExpectPoint(t[4], 30, -5000);
  ExpectPoint(p[7], 33, 65000);
  ExpectPoint(f[7], 33, -64870000);  // 65000 - 999 * 65000
  ExpectPoint(t[255], 281, 64900);
  ExpectPoint(p[255], 281, 64600);
  ExpectPoint(f[255], 281, 48750);
  for (std::size_t i = 0; i < 256; ++i) EXPECT_DOUBLE_EQ(f[i].x, 26.0 + static_cast<double>(i));
}

TEST(SpectrumPreview, UniSpecNewReadsFreeFieldRecords) {
  TempFolder folder;
  Texts target = Fill(256, "1000"), panel = Fill(256, "4000");
  target[0] = "30000", panel[0] = "60000";
  panel[9] = "0";
  target[255] = "100", panel[255] = "400";
  std::string text = UniSpecNewText(target, panel, "\n");
  // Items are separated by blanks or commas, and a record may run over a line end.
  text.replace(text.find("301.5, 1000, 4000"), 17, "301.5  2000\n 8000");
  text.replace(text.find("302.5, 1000, 4000"), 17, "302.5,3000,\t6000");
  const std::string path = folder.Write("new.spu", text);
  std::vector<DrawOp> ops;
  const PreviewResult r = DrawPreview(Format::UniSpecNew, path, true, ops);
  ASSERT_TRUE(r.drawn) << r.problem;
  EXPECT_FALSE(r.showNoDataBoxes);

  const auto t = OpsOf(ops, PreviewArea::Target, DrawOp::Point);
  const auto p = OpsOf(ops, PreviewArea::Panel, DrawOp::Point);
  const auto f = OpsOf(ops, PreviewArea::Reflect, DrawOp::Point);
  ASSERT_EQ(f.size(), 256u);
  ExpectPoint(t[0], 26, 35000);
  ExpectPoint(p[0], 26, 5000);
  ExpectPoint(f[0], 26, 32500);
  ExpectPoint(t[1], 27, 63000);
  ExpectPoint(p[1], 27, 57000);
  ExpectPoint(f[1], 27, 48750);
  ExpectPoint(t[2], 28, 62000);
  ExpectPoint(p[2], 28, 59000);
  ExpectPoint(t[3], 29, 64000);  // channels after the split record keep their place
  ExpectPoint(f[9], 35, -64870000);
  ExpectPoint(t[255], 281, 64900);
  ExpectPoint(f[255], 281, 48750);
}

TEST(SpectrumPreview, CompactDrawsOnlyReflectance) {
  TempFolder folder;
  Texts refl = Fill(256, "0.75");
  refl[0] = "0.5";
  refl[1] = "999";
  refl[2] = "-0.5";
  refl[255] = "0.25";
  const std::string path = folder.Write("comp.spt", CompactText(refl, "\r"));
  std::vector<DrawOp> ops;
  const PreviewResult r = DrawPreview(Format::UniSpecCompact, path, true, ops);
  ASSERT_TRUE(r.drawn) << r.problem;
  EXPECT_TRUE(r.showNoDataBoxes);
  ASSERT_EQ(ops.size(), 3u + 266u);
  EXPECT_EQ(std::vector<DrawOp>(ops.begin(), ops.begin() + 3), OnlyClears());
  for (std::size_t i = 3; i < ops.size(); ++i) ASSERT_EQ(ops[i].area, PreviewArea::Reflect) << "op " << i;

  const PreviewArea R = PreviewArea::Reflect;
  const std::vector<DrawOp> frame = {
      Move(R, 25, 5000),       Line(R, 25, 65000),  Line(R, 290, 65000),         Text(R, 15, 64500, "0"),
      Text(R, 100, 64500, "Wave Bands"), Text(R, 270, 64500, "256"), Text(R, 13, 29500, "R"),
      Text(R, 16, 33950, "e"), Text(R, 16, 39850, "f"), Text(R, 15, 10, "1")};
  EXPECT_EQ(Frame(ops, R), frame);
  const auto f = OpsOf(ops, R, DrawOp::Point);
  ASSERT_EQ(f.size(), 256u);
  ExpectPoint(f[0], 26, 32500);
  ExpectPoint(f[1], 27, -64870000);
  ExpectPoint(f[2], 28, 97500);
  ExpectPoint(f[3], 29, 16250);
  ExpectPoint(f[255], 281, 48750);
}

TEST(SpectrumPreview, Ger1500SplitsMiddleAndLastField) {
  TempFolder folder;
  Texts target = Fill(512, "1000"), panel = Fill(512, "2000");
  target[0] = "250000", panel[0] = "500000";  // reflectance 0.5
  panel[5] = "0";
  target[511] = "1234", panel[511] = "5678";
  std::string text = GerText(target, panel, "\r");
  // Runs of blanks and tabs between the fields, blanks around the line.
  text.replace(text.find("301.5    1000    2000"), 21, "  301.5 \t 40000\t\t 80000  ");
  const std::string path = folder.Write("ger1500.txt", text);
  std::vector<DrawOp> ops;
  const PreviewResult r = DrawPreview(Format::Ger1500, path, true, ops);
  ASSERT_TRUE(r.drawn) << r.problem;
  EXPECT_FALSE(r.showNoDataBoxes);
  ASSERT_EQ(ops.size(), 3u + 3u * 522u);

  for (PreviewArea a : {PreviewArea::Target, PreviewArea::Panel}) {
    const std::vector<DrawOp> frame = {
        Move(a, 50, 5000),         Line(a, 50, 500000),        Line(a, 590, 500000),
        Text(a, 25, 490000, "0"),  Text(a, 250, 490000, "Wave Bands"), Text(a, 550, 490000, "512"),
        Text(a, 30, 195000, "R"),  Text(a, 35, 239500, "a"),   Text(a, 35, 298500, "d"),
        Text(a, 55, 10, "500,000")};
    EXPECT_EQ(Frame(ops, a), frame);
  }
  const PreviewArea R = PreviewArea::Reflect;
  const std::vector<DrawOp> reflectFrame = {
      Move(R, 50, 5000),        Line(R, 50, 500000),        Line(R, 590, 500000),
      Text(R, 25, 490000, "0"), Text(R, 250, 490000, "Wave Bands"), Text(R, 550, 490000, "512"),
      Text(R, 30, 195000, "R"), Text(R, 35, 239500, "e"),   Text(R, 35, 298500, "f"),
      Text(R, 25, 10, "1")};
  EXPECT_EQ(Frame(ops, R), reflectFrame);

  const auto t = OpsOf(ops, PreviewArea::Target, DrawOp::Point);
  const auto p = OpsOf(ops, PreviewArea::Panel, DrawOp::Point);
  const auto f = OpsOf(ops, R, DrawOp::Point);
  ASSERT_EQ(t.size(), 512u);
  ASSERT_EQ(f.size(), 512u);
  ExpectPoint(t[0], 51, 250000);
  ExpectPoint(p[0], 51, 0);
  ExpectPoint(f[0], 51, 250000);
  ExpectPoint(t[1], 52, 460000);
  ExpectPoint(p[1], 52, 420000);
  ExpectPoint(f[1], 52, 250000);
  ExpectPoint(f[5], 56, -499000000);  // 500000 - 999 * 500000
  ExpectPoint(t[511], 562, 498766);
  ExpectPoint(p[511], 562, 494322);
}

TEST(SpectrumPreview, Ger2600FullAndShortFiles) {
  TempFolder folder;
  {
    Texts target = Fill(594, "1000"), panel = Fill(594, "2000");
    target[593] = "1234", panel[593] = "5678";
    const std::string path = folder.Write("full.txt", GerText(target, panel));
    std::vector<DrawOp> ops;
    const PreviewResult r = DrawPreview(Format::Ger2600, path, true, ops);
    ASSERT_TRUE(r.drawn) << r.problem;
    ASSERT_EQ(ops.size(), 3u + 3u * 604u);
    const PreviewArea a = PreviewArea::Panel;
    const std::vector<DrawOp> frame = {
        Move(a, 50, 5000),        Line(a, 50, 500000),        Line(a, 650, 500000),
        Text(a, 25, 490000, "0"), Text(a, 250, 490000, "Wave Bands"), Text(a, 600, 490000, "594"),
        Text(a, 30, 195000, "R"), Text(a, 35, 239500, "a"),   Text(a, 35, 298500, "d"),
        Text(a, 55, 10, "500,000")};
    EXPECT_EQ(Frame(ops, a), frame);
    const auto t = OpsOf(ops, PreviewArea::Target, DrawOp::Point);
    const auto f = OpsOf(ops, PreviewArea::Reflect, DrawOp::Point);
    ASSERT_EQ(t.size(), 594u);
    ExpectPoint(t[0], 51, 499000);
    ExpectPoint(f[0], 51, 250000);
    ExpectPoint(t[593], 644, 498766);
    ExpectPoint(OpsOf(ops, a, DrawOp::Point)[593], 644, 494322);
  }
  {
    // Three data lines: channels 3 to 593 have no reading.
    const std::string path = folder.Write("short.txt", GerText({"1000", "2000", "3000"}, {"4000", "4000", "0"}, "\n"));
    std::vector<DrawOp> ops;
    const PreviewResult r = DrawPreview(Format::Ger2600, path, true, ops);
    ASSERT_TRUE(r.drawn) << r.problem;
    const auto t = OpsOf(ops, PreviewArea::Target, DrawOp::Point);
    const auto p = OpsOf(ops, PreviewArea::Panel, DrawOp::Point);
    const auto f = OpsOf(ops, PreviewArea::Reflect, DrawOp::Point);
    ASSERT_EQ(t.size(), 594u);
    ASSERT_EQ(p.size(), 594u);
    ASSERT_EQ(f.size(), 594u);
    ExpectPoint(t[1], 52, 498000);
    ExpectPoint(f[1], 52, 250000);
    ExpectPoint(f[2], 53, -499000000);
    for (std::size_t i = 3; i < 594; ++i) {
      const double x = 51.0 + static_cast<double>(i);
      ExpectPoint(t[i], x, 500000);
      ExpectPoint(p[i], x, 500000);
      ExpectPoint(f[i], x, -499000000);
    }
  }
}

struct Undisplayable {
  const char* name;
  Format format;
  std::string text;
  const char* line;  // the line the problem names, "" when none
};

TEST(SpectrumPreview, UndisplayableFilesLeaveTheAreasCleared) {
  TempFolder folder;
  const Texts t256 = Fill(256, "1000"), p256 = Fill(256, "2000");
  auto with = [](std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::string old = UniSpecOldText(t256, p256);
  const std::string nu = UniSpecNewText(t256, p256);
  const std::string ger = GerText(Fill(512, "1000"), Fill(512, "2000"));
  const std::vector<Undisplayable> cases = {
      {"old_short", Format::UniSpecOld, old.substr(0, old.find("  400.5")), "line 111"},  // 100 DATA lines
      {"old_target_text", Format::UniSpecOld, with(old, "304.5   1000", "304.5   abc"), "line 15"},
      {"old_panel_text", Format::UniSpecOld, with(old, "Panel\r\n\r\n  2000", "Panel\r\n\r\n  2000x"), "line 269"},
      {"old_no_panel", Format::UniSpecOld, UniSpecOldText(t256, Fill(255, "2000")), "line 524"},
      {"new_panel_text", Format::UniSpecNew, with(nu, "302.5, 1000, 2000", "302.5, 1000, x"), "line 13"},
      {"new_empty_item", Format::UniSpecNew, with(nu, "303.5, 1000, 2000", "303.5,, 2000"), "line 14"},
      {"new_short", Format::UniSpecNew, UniSpecNewText(Fill(255, "1"), Fill(255, "2")), "line 266"},
      {"compact_comma", Format::UniSpecCompact, with(CompactText(Fill(256, "0.5")), " 0.5\r\n", " 0,5\r\n"), "line 5"},
      {"compact_short", Format::UniSpecCompact, CompactText(Fill(10, "0.5")), "line 15"},
      {"ger_two_fields", Format::Ger1500, with(ger, "300.5    1000    2000", "300.5    1000"), "line 13"},
      {"ger_one_field", Format::Ger1500, with(ger, "301.5    1000    2000", "301.5"), "line 14"},
      {"ger_empty_line", Format::Ger2600, with(GerText(Fill(5, "1"), Fill(5, "2")), "302.5    1    2", ""), "line 15"},
      {"ger_middle_text", Format::Ger1500, with(ger, "302.5    1000    2000", "302.5    1x00    2000"), "line 15"},
      {"ger_last_text", Format::Ger1500, with(ger, "302.5    1000    2000", "302.5    1000    -"), "line 15"},
      {"ger1500_short", Format::Ger1500, GerText(Fill(511, "1000"), Fill(511, "2000")), "line 524"},
      {"ger2600_595", Format::Ger2600, GerText(Fill(595, "1000"), Fill(595, "2000")), "line 607"},
      {"ger_header_only", Format::Ger1500, Header(8, "\r\n"), "line 9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.Write(std::string(c.name) + ".dat", c.text);
    std::vector<DrawOp> ops;
    const PreviewResult r = DrawPreview(c.format, path, true, ops);
    EXPECT_EQ(ops, OnlyClears());
    EXPECT_FALSE(r.drawn);
    EXPECT_FALSE(r.showNoDataBoxes);
    EXPECT_NE(r.problem.find(path), std::string::npos) << r.problem;
    EXPECT_NE(r.problem.find(c.line), std::string::npos) << r.problem;
  }
  for (Format f : kAllFormats) {
    SCOPED_TRACE(static_cast<int>(f));
    std::vector<DrawOp> ops;
    const std::string missing = folder.Path("no such file.spt");
    PreviewResult r = DrawPreview(f, missing, true, ops);
    EXPECT_EQ(ops, OnlyClears());
    EXPECT_FALSE(r.drawn);
    EXPECT_NE(r.problem.find(missing), std::string::npos) << r.problem;
  }
}

TEST(SpectrumPreview, ExactlyTheDataLinesTheWindowNeeds) {
  TempFolder folder;
  // GER 2600 takes 594 lines; GER 1500 reads 512 and ignores what follows;
  // a GER 2600 file with no data line draws every channel on the base line.
  std::vector<DrawOp> ops;
  const std::string full = folder.Write("594.txt", GerText(Fill(594, "1"), Fill(594, "2")));
  EXPECT_TRUE(DrawPreview(Format::Ger2600, full, true, ops).drawn);
  const std::string extra = folder.Write("513.txt", GerText(Fill(512, "1"), Fill(512, "2")) + "trailing text\r\n");
  EXPECT_TRUE(DrawPreview(Format::Ger1500, extra, true, ops).drawn);
  const std::string empty = folder.Write("none.txt", Header(12, "\r\n"));
  const PreviewResult r = DrawPreview(Format::Ger2600, empty, true, ops);
  ASSERT_TRUE(r.drawn) << r.problem;
  const auto t = OpsOf(ops, PreviewArea::Target, DrawOp::Point);
  ASSERT_EQ(t.size(), 594u);
  ExpectPoint(t[0], 51, 500000);
  ExpectPoint(t[593], 644, 500000);
}

}  // namespace
}  // namespace corvelane
