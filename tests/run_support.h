#pragma once
// Conversion runs as the tests set them up: one format, its scans, a grid and
// the modes asked for, labels from the file names.
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/test_support.h"

namespace corvelane::testing {

inline RunSettings Settings(Format format, std::vector<std::string> files, GridTexts grid,
                            std::vector<OutputMode> modes = {OutputMode::Reflectance}) {
  RunSettings s;
  s.variant = &VariantOf(format);
  s.files = std::move(files);
  s.grid = std::move(grid);
  for (OutputMode m : modes) s.modes[Index(m)] = true;
  s.labelSource = LabelSource::DataFileName;
  return s;
}

// A run with fresh wavelength tables, as one command-line run makes it.
inline ConversionResult Convert(const RunSettings& s, unsigned threads = 0) {
  WavelengthTables tables;
  return ComputeConversion(s, tables, {}, threads);
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace corvelane::testing
