#pragma once
// The two channel calibrations of the UniSpec-DC: channel 1 (the panel
// reading) and channel 2 (the target reading), each A + B*ch + C*ch^2.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// The six coefficient texts A1, B1, C1, A2, B2, C2 as the calibration window
// holds them, and the channel number of the first channel (0 or 1).
struct DcEquationTexts {
  std::array<std::string, 6> coefficients;
  int startChannel = 1;
};

// The window's start texts (instrument "DC 1").
inline constexpr std::array<std::string_view, 6> kDcStartCoefficients = {
    "301.1004976", "3.326823976", "-0.0002851923768", "301.2242815", "3.332275231", "-0.0003061076534"};
DcEquationTexts DcStartTexts();

// Names of the six coefficients, for messages ("A1", ..., "C2").
inline constexpr std::array<std::string_view, 6> kDcCoefficientNames = {"A1", "B1", "C1", "A2", "B2", "C2"};

inline constexpr int kDcChannelCount = 256;

struct DcWavelengthTables {
  std::vector<double> channel1;  // places the panel readings
  std::vector<double> channel2;  // places the target readings
};

// Both tables, 256 entries each, entry i the equation at ch = startChannel + i
// rounded to 2 decimals (halves to even). Throws RunFailure naming the first
// coefficient that is not a number.
DcWavelengthTables WavesFromEquationDC(const DcEquationTexts& texts);

// Whether all six texts are numbers (the OK test of the calibration window).
bool DcCoefficientsAreNumbers(const DcEquationTexts& texts) noexcept;

}  // namespace corvelane
