#pragma once
// Conversion runs as the tests set them up: one format, its scans, a grid and
// the modes asked for, labels from the file names; and runs of the built
// program's commands.
#include <gtest/gtest.h>

#include <filesystem>
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

// Runs `corvelane COMMAND ARGS...` in `folder`.
inline ProgramOutcome RunCommand(const std::string& command, const std::filesystem::path& folder,
                                 const std::vector<std::string>& args) {
  std::vector<std::string> all{command};
  all.insert(all.end(), args.begin(), args.end());
  return RunCorvelane(all, folder);
}

// Writes three UniSpec old-format scans labelled "leaf" under `folder`/scans
// and converts them with the program into the reflectance file `reflectance`.
inline void ConvertLeafScans(const TempFolder& folder, const std::string& reflectance) {
  const std::vector<std::string> scans = synth::WriteScans(folder.File("scans"), Format::UniSpecOld, 3, "leaf");
  std::vector<std::string> convert = {"convert", "unispec-old", "--reflectance", reflectance};
  convert.insert(convert.end(), scans.begin(), scans.end());
  ASSERT_EQ(RunCorvelane(convert).exit, 0);
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The line of `text` that starts where `start` first stands; empty when it stands nowhere.
inline std::string LineFrom(const std::string& text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

}  // namespace corvelane::testing
