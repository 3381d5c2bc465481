// libFuzzer target: any bytes as a `.ref` file through both passes of its
// reader, the correction of a small reflectance table and the index step.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reference/dc_indices.h"
#include "reference/reference_files.h"
#include "reference/reference_spectrum.h"
#include "text/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvelane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const std::vector<double> grid = [] {
    std::vector<double> g;
    for (int w = 400; w <= 420; ++w) g.push_back(w);
    return g;
  }();
  static const std::vector<std::vector<double>> reflectance = {std::vector<double>(grid.size(), 0.5),
                                                               std::vector<double>(grid.size(), 1e308)};
  try {
    const RefFileSummary summary = SummariseRefFile(text, "x.ref", grid.size());
    const std::vector<double> reference = ReadRefValues(text, "x.ref", summary, grid);
    if (reference.size() != grid.size()) __builtin_trap();
    std::vector<std::vector<double>> corrected = CorrectReflectance(reflectance, reference, grid, "x.ref");
    const std::vector<IndexDefinition> indices = {
        {"ND", "410", "405", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
        {"SR", "401", "419", IndexFormula::SimpleRatio, IndexSource::Reflectance}};
    const auto values = DcIndexValues(indices, corrected, 400, 1, "x.ref");
    RoundColumns(corrected, 5);
    const std::vector<std::string> times = {"t1", "t2"}, names = {"a", "b"}, indexNames = {"ND", "SR"};
    const std::string out =
        DcIndexFileText(times, names, indexNames, values) + CorrectedFileText("a,", "\r\n", grid, corrected);
    for (const char* word : {"nan", "NaN", "inf", "Inf"})
      if (out.find(word) != std::string::npos) __builtin_trap();
  } catch (const RunFailure&) {
  }
  return 0;
}
