#pragma once
// Spectral indices of two wavelengths A and B: a normalised difference
// (A-B)/(A+B) or a simple ratio A/B, of the reflectance or of its first
// derivative. One routine serves the index run over reflectance files and the
// index step of the dual-channel run, so both find rows and mark impossible
// values the same way.
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "text/marks.h"

namespace corvelane {

enum class IndexFormula { NormalisedDifference = 1, SimpleRatio = 2 };
enum class IndexSource { Reflectance = 1, Derivative = 2 };

// One row of the index list. A and B stay the texts the user typed: the index
// file repeats them as they are, and they become numbers only when used.
struct IndexDefinition {
  std::string name;
  std::string a;
  std::string b;
  IndexFormula formula = IndexFormula::NormalisedDifference;
  IndexSource source = IndexSource::Reflectance;
};

// The value written where an index cannot be formed (a zero denominator), the
// same mark a zero panel reading gives in the conversion.
inline constexpr double kNoIndexValue = kMark;

// A value as it is written: one that is not finite (an overflow, Inf or NaN)
// is the mark kNoIndexValue, never "Inf" or "NaN" text.
inline double WrittenValue(double v) noexcept { return std::isfinite(v) ? v : kNoIndexValue; }

// The formula applied to the values at A and B; kNoIndexValue when the
// denominator is zero, the value is not finite or either value is the mark.
double FormulaValue(IndexFormula formula, double atA, double atB) noexcept;

// Where a wavelength lies on a grid: (wavelength - first) / step, the
// wavelength taken in single precision, rounded to the nearest whole number
// with halves to even. Counting in grid steps keeps 2-nm and 0.5-nm tables
// right; on a 1-nm grid it is the distance in nanometres.
double GridPosition(float wavelength, double first, double step) noexcept;

// The rows an index reads, checked against the table: for a reflectance
// index the data rows of A and B; for a derivative index the derivative rows
// one after them (row + 1), which must lie within the rows - 1 differences.
struct IndexRows {
  std::size_t a = 0;
  std::size_t b = 0;
};

// Finds the rows of `index` on the grid (first, step) of a table with `rows`
// data rows. Throws RunFailure naming `file`, the index and the wavelength
// when A or B is not a number or falls outside the table.
IndexRows ResolveIndexRows(const IndexDefinition& index, double first, double step, std::size_t rows,
                           const std::string& file);

// Checks that the data rows an index reads stand at the wavelengths asked
// for, within half a step: a table with a missing or an extra row would
// otherwise give the value of another wavelength. `wavelengths` are the
// table's, one per data row. Throws RunFailure naming `file`, the index and
// the wavelength.
void RequireRowsAtWavelengths(const IndexDefinition& index, const IndexRows& rows, std::span<const double> wavelengths,
                              double step, const std::string& file);

// The first derivative of a spectrum between data rows r and r + 1; the
// mark when either row holds it.
inline double Derivative(const double* values, std::size_t r, double step) noexcept {
  return MarkedDifference(values[r], values[r + 1], step);
}

// One index of one spectrum: `values[i]` is the value at grid point
// first + i * step. The call for a single column of a grid, as the
// dual-channel run needs it.
double SpectrumIndex(const IndexDefinition& index, std::span<const double> values, double first, double step,
                     const std::string& file);

// The fields of the command line's --index option: NAME,A,B,FORMULA, and for
// the index run a fifth, SOURCE.
enum class IndexOptionFields { WithoutSource, WithSource };

// An index as the command line gives it. Blanks around a field do not count;
// A and B must be numbers; FORMULA is "nd" or "1" (normalised difference) or
// "ratio" or "2" (simple ratio), SOURCE "reflectance" or "1" or "derivative"
// or "2", in any letter case. Without SOURCE the index is taken from the
// reflectance. Throws RunFailure of kind Usage quoting the text and saying
// which shape it lacks.
IndexDefinition ParseIndexOption(std::string_view text, IndexOptionFields fields);

// The words the index file uses for a formula and a source.
const char* FormulaWords(IndexFormula formula) noexcept;
const char* SourceWords(IndexSource source) noexcept;

}  // namespace corvelane
