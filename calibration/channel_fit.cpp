#include "calibration/channel_fit.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "instruments/scan_readers.h"
#include "instruments/variant.h"
#include "text/failure.h"
#include "text/numeric_text.h"

namespace corvelane {

std::vector<double> DcWavelengthColumn(const std::string& path) {
  const InstrumentVariant* dc = VariantByCliName("unispec-dc");
  if (!dc) Fail("UniSpec-DC scans are not known to this program");
  ScanRecord record;
  record.ownWaves.resize(dc->Channels());
  std::string text;
  try {
    ReadScanFile(*dc, path, LabelSource::DataFileName, record, text);
  } catch (const RunFailure& e) {
    FailAt(path, e.Place().line, "not a UniSpec-DC scan: " + e.Why());
  }
  // Single-channel instruments write the same layout; their header says so.
  if (std::string_view(text).substr(0, 1024).find("Single Channel") != std::string_view::npos)
    FailAt(path, 2, "not a UniSpec-DC scan: its header names a single-channel instrument");
  for (std::size_t c = 0; c < record.ownWaves.size(); ++c)
    if (!std::isfinite(record.ownWaves[c]))
      FailAt(path, 0,
             "not a UniSpec-DC scan: the wavelength of channel line " + std::to_string(c + 1) + " is not a number");
  return record.ownWaves;
}

ChannelFit FitChannelEquation(std::span<const std::vector<double>> columns, int startChannel) {
  // Centred and scaled channel numbers keep the normal equations well
  // conditioned; the coefficients are taken back to the channel number after.
  const std::size_t n = columns.empty() ? 0 : columns.front().size();
  const long double mid = startChannel + (static_cast<long double>(n) - 1) / 2;
  const long double scale = n > 1 ? (static_cast<long double>(n) - 1) / 2 : 1;
  std::array<long double, 5> s{};  // sums of t^0 .. t^4
  std::array<long double, 3> b{};  // sums of y * t^0 .. t^2
  for (const auto& column : columns)
    for (std::size_t i = 0; i < column.size(); ++i) {
      const long double t = (startChannel + static_cast<long double>(i) - mid) / scale;
      long double p = 1;
      for (int k = 0; k < 5; ++k, p *= t) {
        s[static_cast<std::size_t>(k)] += p;
        if (k < 3) b[static_cast<std::size_t>(k)] += column[i] * p;
      }
    }
  // Solve [[s0 s1 s2][s1 s2 s3][s2 s3 s4]] q = b by Cramer's rule.
  const auto det3 = [](long double a, long double b1, long double c, long double d, long double e, long double f,
                       long double g, long double h,
                       long double i) { return a * (e * i - f * h) - b1 * (d * i - f * g) + c * (d * h - e * g); };
  const long double d = det3(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
  if (d == 0) Fail("the wavelength fit needs at least three channels");
  const long double q0 = det3(b[0], s[1], s[2], b[1], s[2], s[3], b[2], s[3], s[4]) / d;
  const long double q1 = det3(s[0], b[0], s[2], s[1], b[1], s[3], s[2], b[2], s[4]) / d;
  const long double q2 = det3(s[0], s[1], b[0], s[1], s[2], b[1], s[2], s[3], b[2]) / d;
  // y = q0 + q1 (x - m)/k + q2 (x - m)^2 / k^2
  const long double c = q2 / (scale * scale);
  const long double bb = q1 / scale - 2 * c * mid;
  const long double a = q0 - q1 * mid / scale + c * mid * mid;
  ChannelFit fit;
  fit.coefficients = {static_cast<double>(a), static_cast<double>(bb), static_cast<double>(c)};
  for (const auto& column : columns)
    for (std::size_t i = 0; i < column.size(); ++i) {
      const long double x = startChannel + static_cast<long double>(i);
      const double r = static_cast<double>(std::fabs(a + bb * x + c * x * x - column[i]));
      fit.largestResidual = std::max(fit.largestResidual, r);
    }
  return fit;
}

ChannelFit FitFromScans(std::span<const std::string> scans, int startChannel) {
  if (scans.empty()) Fail("no scans to fit the wavelengths of");
  std::vector<std::vector<double>> columns;
  for (const std::string& scan : scans) {
    columns.push_back(DcWavelengthColumn(scan));
    const std::vector<double>& first = columns.front();
    const std::vector<double>& own = columns.back();
    for (std::size_t c = 0; c < own.size(); ++c)
      // The files round to 0.1 nm: a difference of one rounding step is no
      // difference, however the subtraction rounds.
      if (std::fabs(own[c] - first[c]) > kFitColumnTolerance + 1e-9)
        FailAt(scan, 0,
               "its wavelength column differs from that of " + scans.front() + " at channel line " +
                   std::to_string(c + 1) + " (" + std::to_string(own[c]) + " against " + std::to_string(first[c]) +
                   " nm): scans of one instrument and calibration only");
  }
  const ChannelFit fit = FitChannelEquation(columns, startChannel);
  if (fit.largestResidual > kFitResidualLimit) {
    // Name the scan where the largest residual lies.
    std::size_t worst = 0;
    double largest = -1;
    const auto& [a, b, c] = fit.coefficients;
    for (std::size_t f = 0; f < columns.size(); ++f)
      for (std::size_t i = 0; i < columns[f].size(); ++i) {
        const double x = startChannel + static_cast<double>(i);
        const double r = std::fabs(a + b * x + c * x * x - columns[f][i]);
        if (r > largest) largest = r, worst = f;
      }
    FailAt(scans[worst], 0,
           "its wavelengths lie up to " + FixedText(fit.largestResidual, 3) +
               " nm from the fitted quadratic (at most " +
               "0.2 nm is taken): its wavelength column is not a calibration equation");
  }
  return fit;
}

std::array<std::string, 6> FitCoefficientTexts(const ChannelFit& fit) {
  // Nanometre-scale A and B to 1e-9, C to 1e-15: far below the files'
  // 0.1-nm rounding, never in exponent form, "." whatever the locale.
  static constexpr std::array<int, 3> decimals = {9, 9, 15};
  std::array<std::string, 6> texts;
  for (std::size_t i = 0; i < 3; ++i) {
    std::string t = FixedText(fit.coefficients[i], decimals[i]);
    if (t.find_first_not_of("-0.") == std::string::npos) t = t.substr(t[0] == '-' ? 1 : 0);  // no "-0.000"
    texts[i] = texts[i + 3] = t;
  }
  return texts;
}

std::string FixedText(double value, int decimals) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  return std::string(text, end);
}

}  // namespace corvelane
