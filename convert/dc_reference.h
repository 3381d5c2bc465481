#pragma once
// Where a UniSpec-DC conversion meets its reference correction: reference
// scans read and placed on the grid exactly as the run's data files, and
// what the reference step needs of a finished run.
#include <span>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "reference/reference_step.h"

namespace corvelane {

// The mean reference spectrum of `scans`: each read with the run's reader,
// grid and channel tables, its ratio rounded to 5 decimals, averaged; the
// mark 999 wherever a scan's ratio is marked. `warnings`, when given,
// receives one warning naming the scans with marked ratios and where;
// `saturated`, when given, one naming the saturated scans.
// Throws RunFailure when no scan is given or one cannot be read.
std::vector<double> ReferenceSpectrumOfScans(const RunSettings& settings, std::span<const std::string> scans,
                                             WavelengthTables& tables, std::vector<std::string>* warnings = nullptr,
                                             std::vector<std::string>* saturated = nullptr);

// Per scan of a finished run that kept its ratios, the reflectance corrected
// by the mean of the run's scans `referencesOf[f]` names, as ScanCorrected
// forms it (means and marks as MeanReferenceSpectrum, rounded to 6
// decimals); an empty column where `referencesOf[f]` is empty. Throws
// RunFailure where a mean reference is 0.
std::vector<std::vector<double>> CorrectedByRunScans(const ConversionResult& result,
                                                     std::span<const std::vector<std::size_t>> referencesOf);

// The grid, the unrounded ratios (the run must keep them), the file names
// and times and the title block of a finished run.
DcReferenceInputs ReferenceInputsOf(const ConversionResult& result, const RunSettings& settings);
// The same, taking the ratios out of `result` (its `ratios` are left empty)
// and giving back the memory of its tables, which must be written already:
// the correction of a large run then needs no more than two tables at once.
DcReferenceInputs TakeReferenceInputs(ConversionResult& result, const RunSettings& settings);

}  // namespace corvelane
