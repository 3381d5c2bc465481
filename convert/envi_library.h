#pragma once
// The ENVI spectral library of one quantity of a run: a file of float32
// values, little-endian, one spectrum per line and one sample per wavelength
// of the run, and the text header beside it that names the wavelengths and
// the spectra. Other spectral tools read the pair without reshaping.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_run.h"

namespace corvelane {

// The quantity a library holds: one of the four tables, or the reflectance
// corrected by the reference scans.
enum class EnviQuantity { Reflectance, Absorbance, Target, Panel, Corrected };

// "reflectance", "absorbance", "target", "panel", "corrected".
std::string_view EnviQuantityName(EnviQuantity q) noexcept;
// The quantity of that name; none for any other text.
std::optional<EnviQuantity> EnviQuantityNamed(std::string_view name) noexcept;
// The table a quantity is taken from; none for the corrected reflectance.
std::optional<OutputMode> EnviTable(EnviQuantity q) noexcept;

// The header of the library at `path`: the file name's extension (".sli")
// replaced by ".hdr", or ".hdr" appended when the name has no extension.
std::string EnviHeaderPath(const std::string& path);

// Throws a usage RunFailure when `path` cannot hold a library: standard
// output (two files cannot go there) or a name whose header would be the
// library itself (a name ending in ".hdr").
void CheckEnviPath(const std::string& path);

// One name per spectrum, all different: the label where no other spectrum
// has it; where labels repeat, the label, "_" and the scan's date; where
// that still repeats, "_" and the count of that name in list order after it
// (1, 2, ...; a count is skipped when the result names another spectrum).
// A comma or brace (which would end a name in the header) and a CR or LF are
// each written as "_". `dates` holds one date per label, or is empty.
std::vector<std::string> EnviSpectraNames(std::span<const std::string> labels, std::span<const std::string> dates);

// What a library holds besides the values.
struct EnviSpectraInfo {
  EnviQuantity quantity = EnviQuantity::Reflectance;
  std::vector<std::string> labels;  // one per spectrum, in list order
  std::vector<std::string> dates;   // one per spectrum, or empty
  // Decimals the wavelengths are written with (those the grid's begin and
  // step need); none writes each as the run has it, with up to 15 significant digits.
  std::optional<int> wavelengthDecimals;
};

// The labels (the label head row; the scan's file name where the format has
// none), the dates (ConversionResult::facts where the run kept them, else
// the date head row) and the wavelengths' decimals (those
// of the grid of an interpolating run) of a library of `quantity` from this run.
EnviSpectraInfo EnviSpectraInfoOf(const ConversionResult& result, const RunSettings& settings, EnviQuantity quantity);

// The decimals a grid's begin and step texts are written with ("536.9" and
// "0.1": 1); none when either is not plain decimal text.
std::optional<int> GridDecimals(const GridTexts& grid);

// Writes the library of `info.quantity` at `path` and its header beside it
// (EnviHeaderPath), each under a temporary name renamed into place when
// complete; the library first. Values are those of the table (rounded as it
// rounds), or of `corrected` (one column per scan) for the corrected
// reflectance; the mark 999 is written as NaN except in the raw target and
// panel, whose 999 is a reading. Throws RunFailure when a file cannot be
// written, a usage RunFailure for a path CheckEnviPath refuses and, before
// writing either file, for one that would replace a scan of the run.
void WriteEnviLibrary(const ConversionResult& result, const EnviSpectraInfo& info,
                      std::span<const std::vector<double>> corrected, const std::string& path);

}  // namespace corvelane
