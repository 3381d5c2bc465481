#pragma once
// Satellite bands from field spectra: a reflectance spectrum weighted by a
// sensor band's published relative spectral response.
//
// A response table is CSV "wavelength_nm,<band>,...", one row per wavelength,
// wavelengths increasing; an empty cell means the source gives no value
// there, so each band is defined on its own non-empty rows only. The nine
// shipped tables (share/srf/) are built into the program.
//
// On a reflectance table of wavelengths λ_i a band's response S is
// interpolated linearly over the band's own rows, 0 outside its first and
// last given wavelength (never extrapolated), and
//   value  = Σ R(λ_i)·S(λ_i) / Σ S(λ_i)
//   centre = Σ λ_i·S(λ_i) / Σ S(λ_i)
//   coverage = ∫ S over the table's range / ∫ S over all the band's rows
// (trapezoids on the band's own rows, S interpolated at the table's ends).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "indices/reflectance_reader.h"

namespace corvelane {

inline constexpr double kDefaultMinCoverage = 0.99;

struct ResponseBand {
  std::string name;
  std::vector<double> wavelengths;  // nm, increasing: the band's own rows
  std::vector<double> response;     // as given, negative wing values kept
};

struct SensorResponse {
  std::string name;  // the table's file stem, "sentinel-2a-msi"
  std::string file;  // where it was read, for messages
  std::size_t rows = 0;
  std::vector<ResponseBand> bands;
  const ResponseBand* Band(std::string_view band) const noexcept;
};

// Reads a response table. Throws RunFailure of kind Usage naming `file` and
// the line when the first column is not "wavelength_nm", a band name is empty
// or repeated, a row has another number of fields than the header, a cell is
// not a number, the wavelengths do not increase, or a band has no value.
SensorResponse ParseSensorTable(std::string_view text, const std::string& name, const std::string& file);

// The stems of the shipped tables, in the order --list and "all" give them.
const std::vector<std::string>& ShippedSensorNames();
// A shipped sensor, read once and kept. Throws RunFailure (Usage) naming an
// unknown sensor and listing the shipped ones.
const SensorResponse& ShippedSensor(std::string_view name);
// A user's table: its file read whole, named by its stem. Throws RunFailure
// (Usage) when the file is not a regular file, cannot be read or is damaged.
SensorResponse ReadSensorFile(const std::string& path);

// `value` with `decimals` decimals and a "." whatever the locale.
std::string FixedDecimals(double value, int decimals);

// Σλ·S/ΣS over the band's own rows (the band's centre as --list gives it).
double ResponseCentre(const ResponseBand& band);

// The first and last wavelength where the band's response reaches half its
// peak, interpolated linearly between its rows.
struct WavelengthRange {
  double low = 0, high = 0;
};
WavelengthRange HalfMaximumRange(const ResponseBand& band);

// One band placed on a table's wavelengths.
struct PlacedBand {
  std::size_t firstRow = 0;     // rows [firstRow, firstRow + weights.size())
  std::vector<double> weights;  // S on those rows; 0 outside them
  double weightSum = 0;         // Σ S
  double centre = 0;            // Σ λ·S / Σ S; NaN when Σ S is 0
  double coverage = 0;          // in [0, 1] up to rounding
  bool computed = false;        // coverage reaches the bound and Σ S != 0
};
PlacedBand PlaceBand(const ResponseBand& band, const std::vector<double>& tableWavelengths,
                     double minCoverage = kDefaultMinCoverage);

// The band value of every column of `table` into `out` (one per column): NaN
// for every column when the band is not computed, and for a column holding a
// 999 mark on a row of nonzero weight.
void BandValues(const ReflectanceTable& table, const PlacedBand& placed, std::vector<double>& out);

// The bands of several sensors on one table.
struct BandResults {
  struct Band {
    const SensorResponse* sensor = nullptr;
    const ResponseBand* band = nullptr;
    PlacedBand placed;
  };
  std::vector<Band> bands;
  std::vector<double> values;  // values[column * bands.size() + b]
  double Value(std::size_t column, std::size_t b) const noexcept { return values[column * bands.size() + b]; }
};
// Every band of every sensor, in order (the sensors must outlive the result).
BandResults ComputeBands(const ReflectanceTable& table, const std::vector<const SensorResponse*>& sensors,
                         double minCoverage = kDefaultMinCoverage);

// The bands left out for coverage, "sentinel-2a-msi B10 (0.00), ...", empty
// when none.
std::string UncoveredBandsText(const BandResults& results);

// The long band file: RFC 4180, lines ending in CR LF, the header row
// "path,label,date,time,sensor,band,center_nm,coverage,value" and one row
// per column and band, columns outer; a value not formed is an empty field.
std::string LongBandText(const ReflectanceTable& table, const std::string& path, const BandResults& results);
// The same text written to `out` under a temporary name and renamed into place.
void WriteLongBandFile(const ReflectanceTable& table, const std::string& path, const BandResults& results,
                       const std::string& out);

}  // namespace corvelane
