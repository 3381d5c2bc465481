#include "indices/index_values.h"

#include <cmath>
#include <tuple>

#include "text/comma_list.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

double FormulaValue(IndexFormula formula, double atA, double atB) noexcept {
  if (IsMark(atA) || IsMark(atB)) return kNoIndexValue;
  if (formula == IndexFormula::NormalisedDifference) {
    const double sum = atB + atA;
    return sum == 0 ? kNoIndexValue : WrittenValue((atA - atB) / sum);
  }
  return atB == 0 ? kNoIndexValue : WrittenValue(atA / atB);
}

double GridPosition(float wavelength, double first, double step) noexcept {
  // The default rounding mode takes halves to the even neighbour.
  return std::nearbyint((static_cast<double>(wavelength) - first) / step);
}

namespace {

std::size_t RowOf(const IndexDefinition& index, const std::string& text, const char* which, double first, double step,
                  std::size_t offset, std::size_t limit, const std::string& file) {
  const std::string where = "index \"" + index.name + "\", wavelength " + which;
  const auto value = ParseNumber(text);
  if (!value) FailAtText(file, 0, text, where + " is not a number");
  const double position = GridPosition(static_cast<float>(*value), first, step) + static_cast<double>(offset);
  if (!(position >= 0 && position < static_cast<double>(limit))) {
    const bool derivative = index.source == IndexSource::Derivative;
    if (limit == 0) FailAtText(file, 0, text, where + ": the table has too few rows for this index");
    // The wavelengths whose rows lie within the table.
    const double lowest = first - static_cast<double>(offset) * step;
    const double highest = first + (static_cast<double>(limit) - 1 - static_cast<double>(offset)) * step;
    FailAtText(file, 0, text,
               where + " lies outside the table: " +
                   (derivative ? "a derivative index takes the difference of the two rows after its wavelength, "
                                 "so its wavelengths must lie from "
                               : "its wavelengths must lie from ") +
                   PlainNumber(lowest) + " to " + PlainNumber(highest) + " nm (rows " + PlainNumber(step) +
                   " nm apart)");
  }
  return static_cast<std::size_t>(position);
}

}  // namespace

IndexRows ResolveIndexRows(const IndexDefinition& index, double first, double step, std::size_t rows,
                           const std::string& file) {
  if (!(step != 0 && std::isfinite(step) && std::isfinite(first)))
    FailFile(file, "the wavelengths of the first two data rows do not rise, so no row can be found for an index");
  // A derivative index reads derivative row r + 1: the difference between
  // data rows r + 1 and r + 2. There are rows - 1 differences.
  const bool derivative = index.source == IndexSource::Derivative;
  const std::size_t limit = derivative ? (rows >= 1 ? rows - 1 : 0) : rows;
  const std::size_t offset = derivative ? 1 : 0;
  // The rows are checked after the offset; the message names the wavelength.
  IndexRows r;
  r.a = RowOf(index, index.a, "A", first, step, offset, limit, file);
  r.b = RowOf(index, index.b, "B", first, step, offset, limit, file);
  return r;
}

void RequireRowsAtWavelengths(const IndexDefinition& index, const IndexRows& rows, std::span<const double> wavelengths,
                              double step, const std::string& file) {
  // A derivative index found at row r reads data rows r and r + 1, one row
  // after the row of its wavelength.
  const bool derivative = index.source == IndexSource::Derivative;
  for (const auto& [row, text, which] : {std::tuple{rows.a, &index.a, "A"}, std::tuple{rows.b, &index.b, "B"}}) {
    const double asked = ParseNumber(*text).value_or(0);
    const std::size_t own = derivative ? row - 1 : row;
    for (std::size_t r = own; r <= (derivative ? row + 1 : row) && r < wavelengths.size(); ++r) {
      const double expected = asked + static_cast<double>(r - own) * step;
      if (std::fabs(wavelengths[r] - expected) <= std::fabs(step) / 2) continue;
      FailAtText(file, 0, *text,
                 "index \"" + index.name + "\", wavelength " + which + ": the row that should hold " +
                     PlainNumber(expected) + " nm holds " + PlainNumber(wavelengths[r]) +
                     " nm; the table's rows are not evenly spaced (a row is missing or added), so the index "
                     "would read another wavelength");
    }
  }
}

double SpectrumIndex(const IndexDefinition& index, std::span<const double> values, double first, double step,
                     const std::string& file) {
  const IndexRows r = ResolveIndexRows(index, first, step, values.size(), file);
  if (index.source == IndexSource::Derivative)
    return FormulaValue(index.formula, Derivative(values.data(), r.a, step), Derivative(values.data(), r.b, step));
  return FormulaValue(index.formula, values[r.a], values[r.b]);
}

const char* FormulaWords(IndexFormula formula) noexcept {
  return formula == IndexFormula::NormalisedDifference ? "Normalized formula" : "Simple Ratio formula";
}

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

IndexDefinition ParseIndexOption(std::string_view text, IndexOptionFields fields) {
  const bool withSource = fields == IndexOptionFields::WithSource;
  // The four-field form names its whole shape in one message; the five-field
  // form says in addition which field is wrong.
  const std::string shape = withSource ? "--index takes NAME,A,B,FORMULA,SOURCE, not \"" + std::string(text) + "\""
                                       : "--index takes NAME,A,B,FORMULA with numbers A and B and FORMULA nd, ratio, "
                                         "1 or 2, not \"" +
                                             std::string(text) + "\"";
  const auto fail = [&](const char* detail) { Fail(withSource ? shape + detail : shape, FailureKind::Usage); };
  std::vector<std::string> parts = SplitCommas(text);
  if (parts.size() != (withSource ? 5u : 4u) || parts[0].empty()) fail("");
  IndexDefinition d;
  d.name = std::move(parts[0]);
  d.a = std::move(parts[1]);
  d.b = std::move(parts[2]);
  if (!IsNumber(d.a) || !IsNumber(d.b)) fail(": A and B must be numbers");
  const std::string formula = Lower(parts[3]);
  if (formula == "nd" || formula == "1")
    d.formula = IndexFormula::NormalisedDifference;
  else if (formula == "ratio" || formula == "2")
    d.formula = IndexFormula::SimpleRatio;
  else
    fail(": FORMULA is nd (1) or ratio (2)");
  if (!withSource) return d;
  const std::string source = Lower(parts[4]);
  if (source == "reflectance" || source == "1")
    d.source = IndexSource::Reflectance;
  else if (source == "derivative" || source == "2")
    d.source = IndexSource::Derivative;
  else
    fail(": SOURCE is reflectance (1) or derivative (2)");
  return d;
}

const char* SourceWords(IndexSource source) noexcept {
  return source == IndexSource::Reflectance ? "Calculated from reflectance" : "Calculated from the derivative";
}

}  // namespace corvelane
