#pragma once
// The calibration of a UniSpec-DC instrument from its own scans: each channel
// line of a scan begins with the wavelength the instrument gives that
// channel, and a quadratic in the channel number, fitted to those
// wavelengths, is the instrument's equation.
#include <array>
#include <span>
#include <string>
#include <vector>

namespace corvelane {

// Scans whose wavelength columns differ by more than this (nm) are not of one
// instrument and calibration; a fit whose residual exceeds kFitResidualLimit
// is not a quadratic.
inline constexpr double kFitColumnTolerance = 0.1;
inline constexpr double kFitResidualLimit = 0.2;

struct ChannelFit {
  std::array<double, 3> coefficients{};  // A, B, C of A + B*ch + C*ch^2
  double largestResidual = 0;            // nm, over every channel line of every scan
};

// The wavelength column of a UniSpec-DC scan, one entry per channel line.
// Throws RunFailure naming the file when it is not a UniSpec-DC scan (the
// reader refuses it, a wavelength is not a number, or its header says it
// comes from a single-channel instrument).
std::vector<double> DcWavelengthColumn(const std::string& path);

// Least squares over every column, channels numbered from `startChannel`
// (0 or 1). The columns must have one length.
ChannelFit FitChannelEquation(std::span<const std::vector<double>> columns, int startChannel);

// The fit of the scans' wavelength columns. Throws RunFailure naming the file
// when a scan is not a UniSpec-DC scan, when its column differs from the first
// scan's by more than kFitColumnTolerance, or when the largest residual
// exceeds kFitResidualLimit (naming the scan where it lies); also when no
// scan is given.
ChannelFit FitFromScans(std::span<const std::string> scans, int startChannel);

// The six coefficient texts A1, B1, C1, A2, B2, C2 of a fit: the same
// equation for both channels (the files give one wavelength per line).
std::array<std::string, 6> FitCoefficientTexts(const ChannelFit& fit);

// `value` with `decimals` decimals, "." whatever the locale.
std::string FixedText(double value, int decimals);

}  // namespace corvelane
