#include "convert/spectrum_preview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "text/failure.h"
#include "text/line_reading.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

using Position = PreviewLayout::Position;

// The vertical axis starts near the top edge on every graph.
constexpr double kAxisTop = 5000;

DrawOp Op(DrawOp::Kind kind, PreviewArea area, double x = 0, double y = 0, std::string_view text = {}) {
  return DrawOp{kind, area, x, y, std::string(text), kind == DrawOp::Point};
}

// The top of the reflectance axis: 1 while the data fit under it, otherwise
// the largest value rounded up to a half (a panel scan's ratio lies near 1
// and above). The 999 mark and values that are not finite do not count.
double ReflectTop(const std::vector<double>& values) {
  double top = 1;
  for (const double v : values)
    if (v != 999 && std::isfinite(v)) top = std::max(top, v);
  return top > 1 ? std::ceil(top * 2) / 2 : 1.0;
}

void AppendArea(const PreviewLayout& k, PreviewArea area, const std::vector<double>& values, std::vector<DrawOp>& ops) {
  const bool reflect = area == PreviewArea::Reflect;
  const double top = reflect ? ReflectTop(values) : 1.0;
  const std::string topText = PlainNumber(top);
  ops.push_back(Op(DrawOp::Move, area, k.x0, kAxisTop));
  ops.push_back(Op(DrawOp::LineTo, area, k.x0, k.yb));
  ops.push_back(Op(DrawOp::LineTo, area, k.xe, k.yb));
  const std::array<std::string_view, 7> texts =
      reflect ? std::array<std::string_view, 7>{"0", "Wave Bands", k.channelLabel, "R", "e", "f", topText}
              : std::array<std::string_view, 7>{"0", "Wave Bands", k.channelLabel, "R", "a", "d", k.scaleLabel};
  for (std::size_t row = 0; row < texts.size(); ++row) {
    const Position at = reflect && row == 6 ? k.reflectScaleAt : k.labelAt[row];
    ops.push_back(Op(DrawOp::Text, area, at.x, at.y, texts[row]));
  }
  // Channel i lands at x0 + 1 + i; nothing is clipped or scaled.
  double x = k.x0;
  for (const double v : values) {
    x += 1;
    ops.push_back(Op(DrawOp::Point, area, x, reflect ? k.yb - v / top * k.yb : k.yb - v));
  }
}

}  // namespace

void ReadPreview(const InstrumentVariant& variant, std::string_view text, bool truncated, const std::string& path,
                 PreviewData& out) {
  const std::size_t n = static_cast<std::size_t>(variant.preview->geometry.channels);
  out.target.assign(n, 0.0);
  out.panel.assign(n, 0.0);
  out.refl.assign(n, 0.0);
  ScanLines in(text, truncated, path);
  variant.readPreview(in, out);
  if (!variant.readsPanel) return;  // the file holds the reflectance itself
  for (std::size_t i = 0; i < n; ++i) out.refl[i] = out.panel[i] == 0 ? 999.0 : out.target[i] / out.panel[i];
}

void AppendPreviewDrawing(const InstrumentVariant& variant, const PreviewData& data, std::vector<DrawOp>& ops) {
  const PreviewLayout& k = *variant.preview;
  if (variant.readsPanel) {  // reduced files hold no target or panel readings
    AppendArea(k, PreviewArea::Target, data.target, ops);
    AppendArea(k, PreviewArea::Panel, data.panel, ops);
  }
  AppendArea(k, PreviewArea::Reflect, data.refl, ops);
}

PreviewResult DrawPreview(const InstrumentVariant& variant, const std::string& path, bool showGraph,
                          std::vector<DrawOp>& ops) {
  ops.clear();
  for (const PreviewArea area : {PreviewArea::Target, PreviewArea::Panel, PreviewArea::Reflect})
    ops.push_back(Op(DrawOp::Clear, area));
  PreviewResult result;
  if (!showGraph) return result;
  PreviewData data;
  try {
    std::string buffer;
    bool truncated = false;
    ReadFileBounded(path, buffer, truncated);
    ReadPreview(variant, buffer, truncated, path, data);
  } catch (const RunFailure& failure) {
    result.problem = failure.what();
    return result;
  }
  AppendPreviewDrawing(variant, data, ops);
  result.drawn = true;
  if (variant.readsPanel && std::all_of(data.panel.begin(), data.panel.end(), [](double v) { return v == 0; }))
    result.notice =
        "Every panel reading of " + path + " is 0, so its reflectance (999 everywhere) lies off the reflectance graph.";
  result.showNoDataBoxes = !variant.readsPanel;
  return result;
}

}  // namespace corvelane
