#pragma once
// The graph of the Calculate Reference window: the chosen reference scans
// drawn as target/panel ratio curves over channel number, one colour each,
// with a legend for the first fifteen. Drawing is recorded as operations, so
// the whole plot runs without a window; the window replays them.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// Surfaces of the plot: the graph ref_pic and the fifteen legend samples
// pic_legend(0..14).
inline constexpr int kGraphSurface = -1;

// One drawing operation, in the user coordinates of its surface (see
// ReferencePlot for the graph, kLegendWidth x kLegendHeight for a legend
// sample). Kinds as in the spectrum preview: Clear erases the surface and
// makes (0, 0) current; Move sets the current point; LineTo draws from it;
// Text puts `text` with its top-left corner at (x, y); Point sets a pixel.
// `colour` indexes the 16-colour palette (lines, points and text).
struct PlotOp {
  enum Kind { Clear, Move, LineTo, Text, Point } kind;
  int surface = kGraphSurface;
  double x = 0, y = 0;
  std::string text;
  int colour = 0;
  bool operator==(const PlotOp&) const = default;
};

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};
// Colour n of the 16-colour console palette; scans past the sixteenth
// start again at colour 0.
Rgb PaletteColour(int n) noexcept;

inline constexpr double kLegendWidth = 900;
inline constexpr double kLegendHeight = 255;
inline constexpr double kGraphWidth = 300;

// The vertical range of the graph: a value v is drawn at y = low + high - v,
// and the graph shows y from `low` (top edge) to `low + |high - low|`
// (bottom edge), so the top of the graph shows `high` and the bottom `low`.
struct VerticalRange {
  double low = -0.2;
  double high = 5;
  bool operator==(const VerticalRange&) const = default;
};

// The range selected by a drag from vertical position `downY` to `upY`
// (graph coordinates) on a graph showing `current`: each position becomes
// the value low + high - position; the smaller is the new low. A drag of no
// height gives a range 0.0001 wide.
VerticalRange ZoomRange(VerticalRange current, double downY, double upY) noexcept;

struct ReferencePlot {
  VerticalRange range;
  double top = 0, height = 0;                         // graph coordinates of the top edge, and its extent
  std::vector<PlotOp> graph;                          // ref_pic
  std::array<std::vector<PlotOp>, 15> legendSamples;  // pic_legend(n); empty for a hidden entry
  std::vector<std::string> legendNames;               // txt_legend(0..) shown, in plot order, at most 15
  std::vector<std::string> plotted;                   // paths drawn, in plot order (all of them)
  std::string plottedNames;                           // the plotted names text
  struct Skipped {
    std::string path, why;
  };
  std::vector<Skipped> skipped;  // files that could not be drawn
};

// Ratio values of one reference scan for the graph: line 11 on, 256 lines of
// three fields (separated by blanks or commas); value j = second / third,
// where a third field that is not a number, or is 0 or below, counts as 1.
// `channelWavelengths` gets the first fields (NaN where not a number).
// Throws RunFailure for a file that ends early or a second field that is not
// a number.
void ReadPlotScan(std::string_view text, const std::string& path, std::vector<double>& values,
                  std::vector<double>& channelWavelengths);

// Plots the scans at `selectedPaths`, in that order, on `range`. A file that
// cannot be read or drawn is skipped and listed; the rest are still drawn.
ReferencePlot PlotReferenceScans(std::span<const std::string> selectedPaths, VerticalRange range);

}  // namespace corvelane
