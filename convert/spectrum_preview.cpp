#include "convert/spectrum_preview.h"

#include <algorithm>
#include <array>

#include "text/failure.h"
#include "text/text_input.h"
#include "text/line_reading.h"

namespace corvelane {

namespace {

struct Position {
  double x, y;
};

// Display constants of one window.
struct PreviewConstants {
  PreviewGeometry geometry;
  double x0, yb, xe;               // vertical axis at x0, base line at yb from x0 to xe
  std::string_view channelLabel;   // label row 3, near the right end of the base line
  std::string_view scaleLabel;     // label row 7 on picTarget and picPlate
  std::array<Position, 7> labelAt; // label rows 1 to 7
  Position reflectScaleAt;         // row 7 ("1") on picReflect
};

constexpr PreviewConstants kUniSpec{{256, 300, 75000}, 25, 65000, 290, "256", "65000",
                                    {{{15, 64500}, {100, 64500}, {270, 64500}, {13, 29500},
                                      {16, 33950}, {16, 39850}, {10, 10}}},
                                    {15, 10}};
constexpr PreviewConstants kGer1500{{512, 600, 550000}, 50, 500000, 590, "512", "500,000",
                                    {{{25, 490000}, {250, 490000}, {550, 490000}, {30, 195000},
                                      {35, 239500}, {35, 298500}, {55, 10}}},
                                    {25, 10}};
constexpr PreviewConstants kGer2600{{594, 700, 550000}, 50, 500000, 650, "594", "500,000",
                                    {{{25, 490000}, {250, 490000}, {600, 490000}, {30, 195000},
                                      {35, 239500}, {35, 298500}, {55, 10}}},
                                    {25, 10}};

// The vertical axis starts near the top edge on every graph.
constexpr double kAxisTop = 5000;

const PreviewConstants& ConstantsOf(Format format) noexcept {
  switch (format) {
    case Format::UniSpecOld:
    case Format::UniSpecNew:
    case Format::UniSpecCompact: return kUniSpec;
    case Format::Ger1500: return kGer1500;
    case Format::Ger2600: return kGer2600;
  }
  return kUniSpec;
}

std::size_t CountLines(std::string_view text) noexcept {
  LineCursor lines(text);
  std::string_view line;
  while (lines.Next(line)) {
  }
  return lines.LineNumber();
}

// Form1: the target reading is the last field of its line, the panel reading
// a whole line of the block after the two separating lines.
void ReadUniSpecOld(ScanLines& in, PreviewData& d) {
  in.Skip(10, "header lines 1 to 10");
  for (std::size_t c = 0; c < 256; ++c) {
    const std::string_view t = Trim(in.Line("DATA lines (256 channels)"));
    const std::size_t blank = t.find_last_of(" \t");
    d.target[c] = in.Number(blank == std::string_view::npos ? t : t.substr(blank + 1),
                            "the target reading (last field) is not a number");
  }
  in.Skip(2, "the two lines between the DATA and PANEL blocks");
  for (std::size_t c = 0; c < 256; ++c)
    d.panel[c] = in.Number(Trim(in.Line("PANEL lines (256 channels)")), "the panel reading is not a number");
}

// Form8: records of three free-field items (wavelength, target, panel); a
// record may run over line ends.
void ReadUniSpecNew(ScanLines& in, std::string_view text, bool truncated, PreviewData& d) {
  in.Skip(10, "header lines 1 to 10");
  FreeFieldCursor items(text, in.Cursor().Offset(), in.Cursor().LineNumber());
  const auto next = [&](std::size_t record, std::string_view& item) {
    if (items.Next(item)) return items.LineNumber();
    if (truncated) FailFile(in.Path(), "the file is larger than 16 MiB, far more than any scan file");
    const std::size_t lines = CountLines(text);
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
  for (std::size_t c = 0; c < 256; ++c) {
    next(c, wavelength);  // not used
    const std::size_t targetLine = next(c, target);
    const std::size_t panelLine = next(c, panel);
    d.target[c] = number(target, targetLine, "the target reading (second item) is not a number");
    d.panel[c] = number(panel, panelLine, "the panel reading (third item) is not a number");
  }
}

// Form7: one reflectance value per line.
void ReadUniSpecCompact(ScanLines& in, PreviewData& d) {
  in.Skip(4, "header lines 1 to 4");
  for (std::size_t c = 0; c < 256; ++c)
    d.refl[c] = in.Number(Trim(in.Line("value lines (256 channels)")), "the reflectance is not a number");
}

// A GER data line holds wavelength, target and panel separated by blanks:
// target is everything between the first and the last blank, panel what
// follows the last blank; the wavelength is not used.
void GerSplit(ScanLines& in, std::string_view line, double& target, double& panel) {
  const std::string_view t = Trim(line);
  const std::size_t first = t.find_first_of(" \t");
  const std::size_t last = t.find_last_of(" \t");
  const std::string_view middle =
      first == std::string_view::npos ? std::string_view{} : Trim(t.substr(first, last - first));
  if (middle.empty()) in.FailHere(t, "the data line has no middle field (target reading) between blanks");
  target = in.Number(middle, "the target reading (middle field) is not a number");
  panel = in.Number(t.substr(last + 1), "the panel reading (last field) is not a number");
}

void ReadGer(ScanLines& in, bool ger2600, PreviewData& d) {
  in.Skip(12, "header lines 1 to 12");
  if (!ger2600) {
    for (std::size_t c = 0; c < 512; ++c)
      GerSplit(in, in.Line("data lines (512 channels)"), d.target[c], d.panel[c]);
    return;
  }
  // GER 2600 files may hold fewer than 594 channels; the rest keep 0.
  std::string_view line;
  std::size_t c = 0;
  while (in.TryLine(line)) {
    if (c == 594) in.FailHere(line, "a GER 2600 file holds at most 594 data lines");
    GerSplit(in, line, d.target[c], d.panel[c]);
    ++c;
  }
}

DrawOp Op(DrawOp::Kind kind, PreviewArea area, double x = 0, double y = 0, std::string_view text = {}) {
  return DrawOp{kind, area, x, y, std::string(text), kind == DrawOp::Point};
}

void AppendArea(const PreviewConstants& k, PreviewArea area, const std::vector<double>& values,
                std::vector<DrawOp>& ops) {
  const bool reflect = area == PreviewArea::Reflect;
  ops.push_back(Op(DrawOp::Move, area, k.x0, kAxisTop));
  ops.push_back(Op(DrawOp::LineTo, area, k.x0, k.yb));
  ops.push_back(Op(DrawOp::LineTo, area, k.xe, k.yb));
  const std::array<std::string_view, 7> texts =
      reflect ? std::array<std::string_view, 7>{"0", "Wave Bands", k.channelLabel, "R", "e", "f", "1"}
              : std::array<std::string_view, 7>{"0", "Wave Bands", k.channelLabel, "R", "a", "d", k.scaleLabel};
  for (std::size_t row = 0; row < texts.size(); ++row) {
    const Position at = reflect && row == 6 ? k.reflectScaleAt : k.labelAt[row];
    ops.push_back(Op(DrawOp::Text, area, at.x, at.y, texts[row]));
  }
  // Channel i lands at x0 + 1 + i; nothing is clipped or scaled.
  double x = k.x0;
  for (const double v : values) {
    x += 1;
    ops.push_back(Op(DrawOp::Point, area, x, reflect ? k.yb - v * k.yb : k.yb - v));
  }
}

}  // namespace

PreviewGeometry PreviewGeometryOf(Format format) noexcept { return ConstantsOf(format).geometry; }

std::optional<std::string> ReadPreview(Format format, std::string_view text, bool truncated,
                                       const std::string& path, PreviewData& out) {
  const auto n = static_cast<std::size_t>(ConstantsOf(format).geometry.channels);
  out.target.assign(n, 0.0);
  out.panel.assign(n, 0.0);
  out.refl.assign(n, 0.0);
  try {
    ScanLines in(text, truncated, path);
    switch (format) {
      case Format::UniSpecOld: ReadUniSpecOld(in, out); break;
      case Format::UniSpecNew: ReadUniSpecNew(in, text, truncated, out); break;
      case Format::UniSpecCompact: ReadUniSpecCompact(in, out); return std::nullopt;
      case Format::Ger1500: ReadGer(in, false, out); break;
      case Format::Ger2600: ReadGer(in, true, out); break;
    }
  } catch (const RunFailure& failure) {
    return std::string(failure.what());
  }
  for (std::size_t i = 0; i < n; ++i) out.refl[i] = out.panel[i] == 0 ? 999.0 : out.target[i] / out.panel[i];
  return std::nullopt;
}

void AppendPreviewDrawing(Format format, const PreviewData& data, std::vector<DrawOp>& ops) {
  const PreviewConstants& k = ConstantsOf(format);
  if (format != Format::UniSpecCompact) {  // compact files hold no target or panel readings
    AppendArea(k, PreviewArea::Target, data.target, ops);
    AppendArea(k, PreviewArea::Panel, data.panel, ops);
  }
  AppendArea(k, PreviewArea::Reflect, data.refl, ops);
}

PreviewResult DrawPreview(Format format, const std::string& path, bool showGraph, std::vector<DrawOp>& ops) {
  ops.clear();
  for (const PreviewArea area : {PreviewArea::Target, PreviewArea::Panel, PreviewArea::Reflect})
    ops.push_back(Op(DrawOp::Clear, area));
  PreviewResult result;
  if (!showGraph) return result;
  std::string buffer;
  bool truncated = false;
  if (auto error = ReadFileBounded(path, buffer, truncated)) {
    result.problem = path + ": " + *error;
    return result;
  }
  PreviewData data;
  if (auto problem = ReadPreview(format, buffer, truncated, path, data)) {
    result.problem = std::move(*problem);
    return result;
  }
  AppendPreviewDrawing(format, data, ops);
  result.drawn = true;
  if (format != Format::UniSpecCompact &&
      std::all_of(data.panel.begin(), data.panel.end(), [](double v) { return v == 0; }))
    result.notice = "Every panel reading of " + path +
                    " is 0, so its reflectance (999 everywhere) lies off the reflectance graph.";
  result.showNoDataBoxes = format == Format::UniSpecCompact;
  return result;
}

}  // namespace corvelane
