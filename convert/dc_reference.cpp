#include "convert/dc_reference.h"

#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

std::vector<std::vector<double>> RatioColumns(const ConversionResult& r) {
  std::vector<std::vector<double>> columns(r.fileCount);
  for (std::size_t f = 0; f < r.fileCount; ++f)
    columns[f].assign(r.ratios.begin() + static_cast<std::ptrdiff_t>(f * r.Rows()),
                      r.ratios.begin() + static_cast<std::ptrdiff_t>((f + 1) * r.Rows()));
  return columns;
}

}  // namespace

std::vector<double> ReferenceSpectrumOfScans(const RunSettings& settings, std::span<const std::string> scans,
                                             WavelengthTables& tables) {
  if (scans.empty()) Fail("\"Corrected rfl\" is ticked but no reference scans are chosen (\"Select Reference files\")");
  RunSettings s = settings;
  s.files.assign(scans.begin(), scans.end());
  s.keepRatios = true;
  s.modes = {};
  s.modes[Index(OutputMode::Reflectance)] = true;
  const ConversionResult r = ComputeConversion(s, tables);
  return MeanReferenceSpectrum(RatioColumns(r));
}

DcReferenceInputs ReferenceInputsOf(const ConversionResult& result, const RunSettings& settings) {
  DcReferenceInputs in;
  in.grid = result.rowWavelengths;
  in.ratios = RatioColumns(result);
  if (result.heads.size() > 2) {
    in.fileNames = result.heads[0];
    in.times = result.heads[2];
  }
  in.titleBlock = ColumnHeadText(result, OutputMode::Reflectance);
  in.begin = ParseNumber(settings.grid.begin).value_or(0);
  in.step = ParseNumber(settings.grid.step).value_or(1);
  return in;
}

DcReferenceInputs TakeReferenceInputs(ConversionResult& result, const RunSettings& settings) {
  for (ValueTable& table : result.tables) table = ValueTable();
  DcReferenceInputs in = ReferenceInputsOf(result, settings);
  result.ratios = std::vector<double>();
  return in;
}

}  // namespace corvelane
