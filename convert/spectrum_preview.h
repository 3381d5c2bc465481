#pragma once
// The spectrum preview of every instrument window: a click on a listed scan
// file plots its raw target values, raw panel values and reflectance against
// channel number in the three graph areas picTarget, picPlate and picReflect.
// The preview reads with its format's own preview reading and uses no
// wavelengths. Drawing is recorded as operations, so the whole preview runs
// without a window; the window replays the operations.
#include <string>
#include <string_view>
#include <vector>

#include "instruments/variant.h"

namespace corvelane {

enum class PreviewArea { Target, Panel, Reflect };  // picTarget, picPlate, picReflect

// One drawing operation in the user coordinate system of its area: x runs
// from 0 at the left edge to W at the right edge, y from 0 at the top edge to
// H at the bottom edge (see PreviewGeometry).
//   Clear:  erase the area to its background; the current point becomes (0, 0).
//   Move:   the current point becomes (x, y).
//   LineTo: a line from the current point to (x, y), which becomes current.
//   Text:   `text` with its top-left corner at (x, y), in the window-text colour.
//   Point:  one pixel at (x, y), which becomes current.
// Lines are black, points blue (`blue` is true only for points).
struct DrawOp {
  enum Kind { Clear, Move, LineTo, Text, Point } kind;
  PreviewArea area;
  double x = 0, y = 0;
  std::string text;
  bool blue = false;
  bool operator==(const DrawOp&) const = default;
};

inline PreviewGeometry PreviewGeometryOf(const InstrumentVariant& variant) noexcept {
  return variant.preview->geometry;
}

// Reads scan text already in memory with the preview reading of `variant` and
// computes the reflectance (999 where the panel is 0). `truncated` tells that
// the text was cut at the read limit. Throws RunFailure naming `path`, the
// line and why the file cannot be displayed.
void ReadPreview(const InstrumentVariant& variant, std::string_view text, bool truncated, const std::string& path,
                 PreviewData& out);

// Appends the axes, labels and points of the graph areas drawn for `variant`:
// picTarget, picPlate and picReflect, or for reduced files only picReflect.
void AppendPreviewDrawing(const InstrumentVariant& variant, const PreviewData& data, std::vector<DrawOp>& ops);

struct PreviewResult {
  bool drawn = false;
  std::string problem;           // why nothing was drawn; empty when drawn or not asked for
  bool showNoDataBoxes = false;  // reduced files: Text2 and Text3 ("No Data") visible
  // Drawn, but the reflectance graph shows nothing because every panel
  // reading is 0 (reflectance 999 lies far above the area): one sentence
  // saying so; empty otherwise.
  std::string notice;
};

// One click on a listed file. `ops` is replaced by the operations of the
// click: the three areas are always cleared; with `showGraph` the file at
// `path` is read and drawn. A file that cannot be displayed leaves the areas
// cleared and is described in `problem`.
PreviewResult DrawPreview(const InstrumentVariant& variant, const std::string& path, bool showGraph,
                          std::vector<DrawOp>& ops);

}  // namespace corvelane
