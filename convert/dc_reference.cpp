#include "convert/dc_reference.h"

#include <map>

#include "text/failure.h"
#include "text/marks.h"
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
                                             WavelengthTables& tables, std::vector<std::string>* warnings,
                                             std::vector<std::string>* saturated) {
  if (scans.empty()) Fail("\"Corrected rfl\" is ticked but no reference scans are chosen (\"Select Reference files\")");
  RunSettings s = settings;
  s.files.assign(scans.begin(), scans.end());
  s.keepRatios = true;
  s.modes = {};
  s.modes[Index(OutputMode::Reflectance)] = true;
  const ConversionResult r = ComputeConversion(s, tables);
  const std::vector<std::vector<double>> ratios = RatioColumns(r);
  if (saturated)
    if (std::string warning = SaturatedReferenceWarning(r, s.files); !warning.empty())
      saturated->push_back(std::move(warning));
  if (warnings) {
    std::vector<MarkedScan> marked;
    for (std::size_t f = 0; f < ratios.size(); ++f) {
      std::string ranges = MarkedRanges(r.rowWavelengths, [&](std::size_t i) { return IsMark(ratios[f][i]); });
      if (!ranges.empty()) marked.push_back({s.files[f], std::move(ranges)});
    }
    if (std::string warning = MarkedScansWarning(
            marked,
            "reference scan has no ratio where its panel read 0, so the reference and every corrected value (and "
            "any index reading one) are 999 there",
            "reference scans have no ratio where their panel read 0, so the reference and every corrected value "
            "(and any index reading one) are 999 there");
        !warning.empty())
      warnings->push_back(std::move(warning));
  }
  return MeanReferenceSpectrum(ratios);
}

std::vector<std::vector<double>> CorrectedByRunScans(const ConversionResult& result,
                                                     std::span<const std::vector<std::size_t>> referencesOf) {
  const std::vector<std::vector<double>> ratios = RatioColumns(result);
  // The scans sharing one set of references are corrected together.
  std::map<std::vector<std::size_t>, std::vector<std::size_t>> scansOf;
  for (std::size_t f = 0; f < referencesOf.size() && f < ratios.size(); ++f)
    if (!referencesOf[f].empty()) scansOf[referencesOf[f]].push_back(f);
  std::vector<std::vector<double>> corrected(ratios.size());
  for (const auto& [references, scans] : scansOf) {
    std::vector<std::vector<double>> referenceRatios;
    for (std::size_t r : references) referenceRatios.push_back(ratios[r]);
    DcReferenceInputs run;
    run.grid = result.rowWavelengths;
    for (std::size_t f : scans) run.ratios.push_back(ratios[f]);
    std::vector<std::vector<double>> columns = ScanCorrected(run, MeanReferenceSpectrum(referenceRatios));
    for (std::size_t i = 0; i < scans.size(); ++i) corrected[scans[i]] = std::move(columns[i]);
  }
  return corrected;
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
