#include "reference/dc_indices.h"

#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

std::vector<std::vector<double>> DcIndexValues(std::span<const IndexDefinition> indices,
                                               std::span<const std::vector<double>> corrected, double begin,
                                               double step, const std::string& file) {
  std::vector<std::vector<double>> values(corrected.size(), std::vector<double>(indices.size()));
  for (std::size_t m = 0; m < indices.size(); ++m) {
    IndexDefinition index = indices[m];
    index.source = IndexSource::Reflectance;
    for (std::size_t k = 0; k < corrected.size(); ++k)
      values[k][m] = RoundHalfEven(SpectrumIndex(index, corrected[k], begin, step, file), 5);
  }
  return values;
}

IndexDefinition ParseIndexOption(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(Trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  IndexDefinition index;
  if (parts.size() != 4 || parts[0].empty() || !IsNumber(parts[1]) || !IsNumber(parts[2])) return index;
  std::string formula(parts[3]);
  for (char& c : formula)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (formula == "nd" || formula == "1")
    index.formula = IndexFormula::NormalisedDifference;
  else if (formula == "ratio" || formula == "2")
    index.formula = IndexFormula::SimpleRatio;
  else
    return index;
  index.name = parts[0];
  index.a = parts[1];
  index.b = parts[2];
  return index;
}

}  // namespace corvelane
