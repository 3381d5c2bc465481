#pragma once
// The index step of a UniSpec-DC run that applies a `.ref` file: one value
// per scan and index from the corrected reflectance, with the same index
// routine as the index window.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "indices/index_values.h"

namespace corvelane {

// values[k][m]: index m of file k over the corrected reflectance column k,
// whose grid starts at `begin` and advances by `step`; rounded to 5
// decimals. The corrected values are taken as they are (not yet rounded).
// Every index is taken from the reflectance, whatever its source says.
// Throws RunFailure naming `file`, the index and its wavelength when A or B
// is not a number or lies outside the grid.
std::vector<std::vector<double>> DcIndexValues(std::span<const IndexDefinition> indices,
                                               std::span<const std::vector<double>> corrected, double begin,
                                               double step, const std::string& file);

}  // namespace corvelane
