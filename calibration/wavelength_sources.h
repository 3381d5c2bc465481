#pragma once
// Channel wavelengths from the first scan file, an external list or the
// calibration equation A + B*ch + C*ch^2.
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "instruments/variant.h"

namespace corvelane {

// The texts of the coefficient window; read at the moment a run needs them.
struct EquationTexts {
  std::string a, b, c;
  int startChannel = 1;  // channel number given to the first channel: 0 or 1
};

// Program-wide tables per format (formats with the same wavelengthKey share
// theirs), source and wavelength table of the format, channelCount entries,
// all 0 at start. Each operation overwrites its table from index 0; entries it
// does not reach keep their earlier values (a GER 2600 file may hold fewer
// than 594 channels).
class WavelengthTables {
 public:
  std::vector<double>& Table(const InstrumentVariant& variant, WaveSource source, int table = 0);

 private:
  std::map<std::tuple<std::string, WaveSource, int>, std::vector<double>> tables_;
};

// Each fills its table and returns a copy of its `channelCount` entries for
// the run. They throw RunFailure when a file cannot be read, holds too few
// lines or a non-number, or a coefficient is not a number.
// `channelsRead`, when given, receives how many channels the file gave
// (fewer than 594 for a short GER 2600 file).
// `table` picks the format's wavelength table (0 for single-channel formats).
std::vector<double> WavesFromScanFile(WavelengthTables& tables, const InstrumentVariant& variant,
                                      const std::string& firstScanPath, std::size_t* channelsRead = nullptr,
                                      int table = 0);
std::vector<double> WavesFromExternalFile(WavelengthTables& tables, const InstrumentVariant& variant,
                                          const std::string& externalFilePath, int table = 0);
std::vector<double> WavesFromEquation(WavelengthTables& tables, const InstrumentVariant& variant,
                                      const EquationTexts& equation, int table = 0);

// One wavelength of the equation, rounded to 2 decimals (halves to even).
double EquationWavelength(double a, double b, double c, int channel) noexcept;

// Whether all three coefficient texts are numbers (the OK test of the window).
bool CoefficientsAreNumbers(const EquationTexts& equation) noexcept;

}  // namespace corvelane
