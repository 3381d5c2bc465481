#pragma once
// The regular wavelength grid and the resampling of channel spectra onto it.
#include <string>
#include <vector>

namespace corvelane {

struct GridTexts {
  std::string begin, end, step;
};

// Grid count: (end - begin) / step + 1 rounded to the nearest whole number,
// halves to even. Throws RunFailure for a non-number, a step of 0 or a count
// outside 0..32767.
int GridCount(const GridTexts& texts);

// Points by repeated addition of the step: point j is point j-1 plus step.
std::vector<double> GridPoints(const GridTexts& texts);

// For every grid point, where it lies in the channel wavelengths. Depends only
// on the grid and the wavelength table, so a run builds it once and applies it
// to every file and mode. Results equal a search from channel 0 per point:
// an exact hit takes the channel value, a point strictly between channels k
// and k+1 is interpolated, anything else fails the run.
class ResamplePlan {
 public:
  // Throws RunFailure naming the first grid point that lies outside the
  // wavelengths (or where the table does not rise). `source` names where the
  // wavelengths came from, for the message.
  ResamplePlan(const std::vector<double>& grid, const std::vector<double>& wavelengths, const std::string& source);

  struct Step {
    int k;  // channel (exact) or lower channel of the interval
    bool exact;
    double above;  // w(k+1) - g
    double span;   // w(k+1) - w(k)
    // The value at the grid point from the values of channels k and k+1.
    // A NaN in either (a channel that holds no value) gives NaN.
    double Between(double lo, double hi) const noexcept { return exact ? lo : hi - above * (hi - lo) / span; }
  };

  std::size_t Size() const noexcept { return steps_.size(); }
  const Step& operator[](std::size_t j) const noexcept { return steps_[j]; }
  // out[j] for j < Size() from the per-channel values v.
  void Apply(const double* v, double* out) const noexcept;

 private:
  std::vector<Step> steps_;
};

}  // namespace corvelane
