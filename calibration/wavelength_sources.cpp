#include "calibration/wavelength_sources.h"

#include <cmath>

#include "text/failure.h"
#include "text/line_reading.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

std::vector<double>& WavelengthTables::Table(const InstrumentVariant& variant, WaveSource source, int table) {
  auto& t = tables_[{std::string(variant.wavelengthKey), source, table}];
  if (t.size() != variant.Channels()) t.assign(variant.Channels(), 0.0);
  return t;
}

namespace {
std::vector<double> Copy(const std::vector<double>& t) { return t; }

void LoadText(const std::string& path, std::string& buffer, bool& truncated) {
  ReadFileBounded(path, buffer, truncated);
}
}  // namespace

std::vector<double> WavesFromScanFile(WavelengthTables& tables, const InstrumentVariant& variant,
                                      const std::string& firstScanPath, std::size_t* channelsRead, int tableIndex) {
  if (!variant.WavesFromFileOffered())
    Fail(std::string(variant.caption) +
         " scan files hold no channel wavelengths; choose an external file or the equation");
  auto& table = tables.Table(variant, WaveSource::FromFile, tableIndex);
  std::string buffer;
  bool truncated = false;
  LoadText(firstScanPath, buffer, truncated);
  ScanLines in(buffer, truncated, firstScanPath);
  const std::size_t read = variant.readWavelengths(in, table);
  if (channelsRead) *channelsRead = read;
  return Copy(table);
}

std::vector<double> WavesFromExternalFile(WavelengthTables& tables, const InstrumentVariant& variant,
                                          const std::string& externalFilePath, int tableIndex) {
  if (externalFilePath.empty()) Fail("no external wavelength file was chosen");
  auto& table = tables.Table(variant, WaveSource::ExternalFile, tableIndex);
  std::string buffer;
  bool truncated = false;
  LoadText(externalFilePath, buffer, truncated);
  ScanLines in(buffer, truncated, externalFilePath);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::string_view t = Trim(in.Line("one wavelength per channel"));
    table[i] = in.Number(t, "the wavelength is not a number");
  }
  return Copy(table);
}

double EquationWavelength(double a, double b, double c, int channel) noexcept {
  const double ch = channel;
  const double w = c * std::pow(ch, 2.0) + (b * ch + a);
  return RoundHalfEven(w, 2);
}

bool CoefficientsAreNumbers(const EquationTexts& e) noexcept { return IsNumber(e.a) && IsNumber(e.b) && IsNumber(e.c); }

std::vector<double> WavesFromEquation(WavelengthTables& tables, const InstrumentVariant& variant,
                                      const EquationTexts& equation, int tableIndex) {
  const auto coefficient = [](const std::string& text, const char* name) {
    const auto v = ParseNumber(text);
    if (!v)
      Fail(std::string("coefficient ") + name + " of the wavelength equation is not a number: \"" + Printable(text) +
           "\"");
    return *v;
  };
  const double a = coefficient(equation.a, "A");
  const double b = coefficient(equation.b, "B");
  const double c = coefficient(equation.c, "C");
  auto& table = tables.Table(variant, WaveSource::Equation, tableIndex);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = EquationWavelength(a, b, c, equation.startChannel + static_cast<int>(i));
  return Copy(table);
}

}  // namespace corvelane
