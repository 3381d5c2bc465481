#include "reference/reference_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "reference/reference_files.h"
#include "text/failure.h"
#include "text/line_reading.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

constexpr std::array<Rgb, 16> kPalette = {{{0, 0, 0},
                                           {0, 0, 128},
                                           {0, 128, 0},
                                           {0, 128, 128},
                                           {128, 0, 0},
                                           {128, 0, 128},
                                           {128, 128, 0},
                                           {192, 192, 192},
                                           {128, 128, 128},
                                           {0, 0, 255},
                                           {0, 255, 0},
                                           {0, 255, 255},
                                           {255, 0, 0},
                                           {255, 0, 255},
                                           {255, 255, 0},
                                           {255, 255, 255}}};

constexpr int kChannels = 256;
constexpr double kCurveX0 = 35;       // channel j is drawn at x = 35 + j
constexpr double kTickStep = 50;      // channels between labelled ticks
constexpr double kBaseMargin = 0.01;  // base line just above the bottom edge, share of the height
constexpr double kTopMargin = 0.02;
constexpr double kTickLength = 0.02;    // share of the height (channel ticks)
constexpr double kValueTickLength = 4;  // graph units (value ticks)
constexpr int kMaxValueTicks = 20;

// Positions of the graph for one range.
struct Frame {
  VerticalRange range;
  double top, height, base;
  double Y(double value) const noexcept { return range.low + range.high - value; }
};

Frame FrameOf(VerticalRange range) noexcept {
  const double height = std::fabs(range.high - range.low);
  return {range, range.low, height, range.low + height - kBaseMargin * height};
}

PlotOp Op(PlotOp::Kind kind, double x, double y, int colour = 0, std::string text = {}, int surface = kGraphSurface) {
  return PlotOp{kind, surface, x, y, std::move(text), colour};
}

// A tick step of 1, 2 or 5 times a power of ten giving about five ticks.
double ValueTickStep(double height) noexcept {
  const double raw = height / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  return (norm < 1.5 ? 1 : norm < 3.5 ? 2 : norm < 7.5 ? 5 : 10) * magnitude;
}

std::vector<double> ValueTicks(const Frame& f) {
  std::vector<double> ticks;
  if (!(f.height > 0) || !std::isfinite(f.height)) return ticks;
  const double step = ValueTickStep(f.height);
  const double lowest = std::min(f.range.low, f.range.high);
  for (double k = std::ceil(lowest / step); ticks.size() < kMaxValueTicks; k += 1) {
    const double v = k * step;
    const double y = f.Y(v);
    // Ticks a rounding error outside the graph still count.
    const double slack = 1e-9 * f.height;
    if (y < f.top - slack) break;
    if (y <= f.base + slack) ticks.push_back(v);
  }
  return ticks;
}

int TickDecimals(const Frame& f) noexcept {
  if (!(f.height > 0)) return 0;
  return std::max(0, static_cast<int>(-std::floor(std::log10(ValueTickStep(f.height)))));
}

void AppendAxisLines(const Frame& f, std::vector<PlotOp>& ops) {
  ops.push_back(Op(PlotOp::Move, kCurveX0, f.top + kTopMargin * f.height));
  ops.push_back(Op(PlotOp::LineTo, kCurveX0, f.base));
  ops.push_back(Op(PlotOp::LineTo, kCurveX0 + kChannels - 1, f.base));
  for (double c = 0; c < kChannels; c += kTickStep) {
    ops.push_back(Op(PlotOp::Move, kCurveX0 + c, f.base));
    ops.push_back(Op(PlotOp::LineTo, kCurveX0 + c, f.base - kTickLength * f.height));
  }
  for (const double v : ValueTicks(f)) {
    ops.push_back(Op(PlotOp::Move, kCurveX0, f.Y(v)));
    ops.push_back(Op(PlotOp::LineTo, kCurveX0 - kValueTickLength, f.Y(v)));
  }
}

void AppendAxisLabels(const Frame& f, const std::vector<double>* channelWavelengths, std::vector<PlotOp>& ops) {
  if (channelWavelengths)
    for (double c = 0; c < kChannels; c += kTickStep) {
      const double w = (*channelWavelengths)[static_cast<std::size_t>(c)];
      if (std::isfinite(w))
        // Above the base line, as the preview labels its channels.
        ops.push_back(Op(PlotOp::Text, kCurveX0 + c - 4, f.base - 3 * kTickLength * f.height, 0,
                         PlainNumber(RoundHalfEven(w, 0))));
    }
  const int decimals = TickDecimals(f);
  for (const double v : ValueTicks(f))
    ops.push_back(Op(PlotOp::Text, 2, std::max(f.top, f.Y(v) - kTickLength * f.height), 0,
                     PlainNumber(RoundHalfEven(v, decimals))));
}

// Splits a data line at runs of blanks and commas.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (IsBlank(line[i]) || line[i] == ',')) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i]) && line[i] != ',') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

}  // namespace

Rgb PaletteColour(int n) noexcept { return kPalette[static_cast<std::size_t>(((n % 16) + 16) % 16)]; }

VerticalRange ZoomRange(VerticalRange current, double downY, double upY) noexcept {
  const double first = std::min(downY, upY);
  const double second = std::max(downY, upY);
  const double a = current.low + current.high - first;
  const double b = current.low + current.high - second;
  VerticalRange zoomed{std::min(a, b), std::max(a, b)};
  if (zoomed.low == zoomed.high) zoomed.low += 0.0001;
  return zoomed;
}

void ReadPlotScan(std::string_view text, const std::string& path, std::vector<double>& values,
                  std::vector<double>& channelWavelengths) {
  values.assign(kChannels, 0.0);
  channelWavelengths.assign(kChannels, std::numeric_limits<double>::quiet_NaN());
  ScanLines in(text, false, path);
  in.Skip(10, "header lines 1 to 10");
  for (std::size_t j = 0; j < kChannels; ++j) {
    const std::string_view line = in.Line("the 256 data lines");
    const auto fields = Fields(line);
    if (fields.size() < 2) in.FailHere(line, "the data line has no second field (target reading)");
    if (const auto w = ParseNumber(fields[0])) channelWavelengths[j] = *w;
    const double target = in.Number(fields[1], "the target reading (second field) is not a number");
    const auto panel = fields.size() > 2 ? ParseNumber(fields[2]) : std::nullopt;
    values[j] = target / (panel && *panel > 0 ? *panel : 1.0);
  }
}

ReferencePlot PlotReferenceScans(std::span<const std::string> selectedPaths, VerticalRange range) {
  ReferencePlot plot;
  plot.range = range;
  const Frame f = FrameOf(range);
  plot.top = f.top;
  plot.height = f.height;
  plot.graph.push_back(Op(PlotOp::Clear, 0, 0));
  std::vector<double> values, wavelengths, firstWavelengths;
  std::string text;
  for (const std::string& path : selectedPaths) {
    try {
      bool truncated = false;
      ReadFileBounded(path, text, truncated);
      ReadPlotScan(text, path, values, wavelengths);
    } catch (const RunFailure& failure) {
      plot.skipped.push_back({path, failure.what()});
      continue;
    }
    const int n = static_cast<int>(plot.plotted.size());
    if (n == 0) {
      AppendAxisLines(f, plot.graph);
      firstWavelengths = wavelengths;
    }
    plot.graph.push_back(Op(PlotOp::Move, kCurveX0, f.Y(values[0]), n % 16));
    for (std::size_t j = 1; j < values.size(); ++j)
      plot.graph.push_back(Op(PlotOp::LineTo, kCurveX0 + static_cast<double>(j), f.Y(values[j]), n % 16));
    plot.plotted.push_back(path);
    if (static_cast<std::size_t>(n) < kLegendEntries) {
      plot.legendNames.emplace_back(PlottedName(path));
      auto& sample = plot.legendSamples[static_cast<std::size_t>(n)];
      sample.push_back(Op(PlotOp::Clear, 0, 0, 0, {}, n));
      for (double x = 200; x <= 700; x += 20) sample.push_back(Op(PlotOp::Point, x, 127, n % 16, {}, n));
    }
  }
  if (plot.plotted.empty()) AppendAxisLines(f, plot.graph);
  AppendAxisLabels(f, plot.plotted.empty() ? nullptr : &firstWavelengths, plot.graph);
  plot.plottedNames = PlottedNamesText(plot.plotted);
  return plot;
}

}  // namespace corvelane
