#pragma once
// The conversion run: scan files in, one result table per chosen output mode.
// The window and the command line both call ComputeConversion and then
// WriteOutputFile for each chosen mode in the fixed order, so both write the
// same bytes for the same settings.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calibration/wavelength_sources.h"
#include "convert/grid.h"
#include "headers/leaf_header.h"
#include "instruments/variant.h"

namespace corvelane {

struct RunSettings {
  const InstrumentVariant* variant = nullptr;
  std::vector<std::string> files;  // in list order, N >= 1
  GridTexts grid;                  // read even when not interpolating
  bool interpolate = true;
  std::array<bool, 4> modes{};     // indexed by OutputMode
  WaveSource waveSource = WaveSource::FromFile;
  LabelSource labelSource = LabelSource::DataFileName;
  std::string externalFilePath;    // for WaveSource::ExternalFile
  EquationTexts equation;          // for WaveSource::Equation: the first wavelength table
  // For WaveSource::Equation and formats with more than one wavelength table:
  // the equations of the tables after the first, in table order.
  std::vector<EquationTexts> moreEquations;
};

struct ConversionResult {
  const InstrumentVariant* variant = nullptr;
  std::size_t fileCount = 0;
  std::vector<double> rowWavelengths;  // column 0, unrounded
  // Column heads: per head row of the variant, the text of each file in list order.
  std::vector<std::vector<std::string>> heads;
  // Per mode, empty when not chosen; file f's column is
  // values[f * rows .. f * rows + rows), rounded to the variant's decimals.
  std::array<std::vector<double>, 4> tables;

  std::size_t Rows() const noexcept { return rowWavelengths.size(); }
  double Value(OutputMode m, std::size_t row, std::size_t file) const noexcept {
    return tables[static_cast<std::size_t>(m)][file * Rows() + row];
  }
};

// Called with (files done, files in all) as files complete, on the calling
// thread only, so a window may repaint from it.
using ProgressFn = std::function<void(int done, int total)>;

// Grid, wavelengths, every file read (in parallel; results identical to one
// thread), per-channel values, resampling and rounding. Throws RunFailure on
// the first failure in the order a one-file-at-a-time run would meet it.
// `threads` 0 uses every core.
ConversionResult ComputeConversion(const RunSettings& settings, WavelengthTables& tables,
                                   const ProgressFn& progress = {}, unsigned threads = 0);

// Writes one output file: its layout (comma or print zone, leaf header) comes
// from the variant. `leafHeader` is used only for the reflectance file of
// formats that offer it. Written under a temporary name and renamed into
// place; throws RunFailure when the file cannot be written.
void WriteOutputFile(const ConversionResult& result, OutputMode mode, const LeafHeaderTexts* leafHeader,
                     const std::string& path);

// The same bytes, into a string (tests and small tools).
std::string OutputText(const ConversionResult& result, OutputMode mode, const LeafHeaderTexts* leafHeader);

}  // namespace corvelane
