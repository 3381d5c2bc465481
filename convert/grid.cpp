#include "convert/grid.h"

#include <cmath>

#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {
struct GridNumbers {
  double begin, end, step;
};

GridNumbers ReadGrid(const GridTexts& t) {
  const auto number = [](const std::string& text, const char* name) {
    const auto v = ParseNumber(text);
    if (!v) Fail(std::string("the grid ") + name + " is not a number: \"" + Printable(text) + "\"");
    return *v;
  };
  return {number(t.begin, "begin"), number(t.end, "end"), number(t.step, "increment")};
}
}  // namespace

int GridCount(const GridTexts& texts) {
  const GridNumbers g = ReadGrid(texts);
  if (g.step == 0) Fail("the grid increment is 0");
  const double n = std::nearbyint((g.end - g.begin) / g.step + 1.0);
  if (!(n >= 0 && n <= 32767))
    Fail("the grid from " + PlainNumber(g.begin) + " to " + PlainNumber(g.end) + " by " + PlainNumber(g.step) +
         " would have " + PlainNumber(n) + " points; it must have 0 to 32767");
  return static_cast<int>(n);
}

std::vector<double> GridPoints(const GridTexts& texts) {
  const int n = GridCount(texts);
  const GridNumbers g = ReadGrid(texts);
  std::vector<double> points(static_cast<std::size_t>(n));
  double x = g.begin;
  for (int j = 0; j < n; ++j) {
    points[static_cast<std::size_t>(j)] = x;
    x += g.step;
  }
  return points;
}

ResamplePlan::ResamplePlan(const std::vector<double>& grid, const std::vector<double>& w, const std::string& source) {
  steps_.reserve(grid.size());
  const int last = static_cast<int>(w.size()) - 1;
  for (const double g : grid) {
    bool found = false;
    for (int k = 0; k <= last; ++k) {
      const auto uk = static_cast<std::size_t>(k);
      if (g == w[uk]) {
        steps_.push_back({k, true, 0.0, 0.0});
        found = true;
        break;
      }
      if (k == last) break;
      if (w[uk] < g && g < w[uk + 1]) {
        steps_.push_back({k, false, w[uk + 1] - g, w[uk + 1] - w[uk]});
        found = true;
        break;
      }
    }
    if (!found) {
      const std::string range =
          w.empty() ? std::string("none") : PlainNumber(w.front()) + " to " + PlainNumber(w.back()) + " nm";
      Fail("grid point " + PlainNumber(g) + " nm lies outside the channel wavelengths (" + range + ", from " + source +
           "), or the wavelengths do not rise there");
    }
  }
}

void ResamplePlan::Apply(const double* v, double* out) const noexcept {
  const std::size_t n = steps_.size();
  for (std::size_t j = 0; j < n; ++j) {
    const Step& s = steps_[j];
    out[j] = s.exact ? v[s.k] : s.Between(v[s.k], v[s.k + 1]);
  }
}

}  // namespace corvelane
