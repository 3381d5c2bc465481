#include "reference/dc_indices.h"

#include "text/numeric_text.h"

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

}  // namespace corvelane
