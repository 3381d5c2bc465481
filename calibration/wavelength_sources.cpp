#include "calibration/wavelength_sources.h"

#include <cmath>

#include "text/failure.h"
#include "text/text_input.h"
#include "text/numeric_text.h"
#include "text/line_reading.h"

namespace corvelane {

std::vector<double>& WavelengthTables::Table(Format format, WaveSource source) {
  // The three single-channel UniSpec formats share their tables.
  const Format key = VariantOf(format).isUniSpec() ? Format::UniSpecOld : format;
  auto& t = tables_[static_cast<std::size_t>(key)][static_cast<std::size_t>(source)];
  const auto n = static_cast<std::size_t>(VariantOf(format).channelCount);
  if (t.size() != n) t.assign(n, 0.0);
  return t;
}

namespace {
std::vector<double> Copy(const std::vector<double>& t) { return t; }

void LoadText(const std::string& path, std::string& buffer, bool& truncated) {
  if (auto error = ReadFileBounded(path, buffer, truncated)) FailFile(path, *error);
}
}  // namespace

std::vector<double> WavesFromScanFile(WavelengthTables& tables, const InstrumentVariant& variant,
                                      const std::string& firstScanPath, std::size_t* channelsRead) {
  if (!variant.fromFileOffered)
    Fail(std::string(variant.caption) + " scan files hold no channel wavelengths; choose an external file or the equation");
  auto& table = tables.Table(variant.format, WaveSource::FromFile);
  std::string buffer;
  bool truncated = false;
  LoadText(firstScanPath, buffer, truncated);
  ScanLines in(buffer, truncated, firstScanPath);
  const int header = variant.isGer() ? 12 : 10;
  in.Skip(header, "the header lines");
  if (variant.format == Format::Ger2600) {
    FreeFieldCursor items(buffer, in.Cursor().Offset(), in.Cursor().LineNumber());
    std::size_t index = 0;
    std::string_view item;
    while (!items.OnlyBlanksLeft()) {
      double record[3];
      for (double& value : record) {
        if (!items.Next(item)) FailAt(firstScanPath, items.CurrentLine() + 1, "the file ends inside a data record");
        const auto v = ParseNumber(item);
        if (!v) FailAtText(firstScanPath, items.LineNumber(), item, "a data record holds a non-number");
        value = *v;
      }
      if (index == 594) FailAt(firstScanPath, items.LineNumber(), "more than 594 data records");
      table[index++] = record[0];
    }
    if (channelsRead) *channelsRead = index;
    return Copy(table);
  }
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::string_view t = Trim(in.Line("the channel lines"));
    std::size_t blank = 0;
    while (blank < t.size() && !IsBlank(t[blank])) ++blank;
    if (blank == t.size()) in.FailHere(t, "no blank follows the wavelength");
    table[i] = in.Number(t.substr(0, blank), "the wavelength (first field) is not a number");
  }
  if (channelsRead) *channelsRead = table.size();
  return Copy(table);
}

std::vector<double> WavesFromExternalFile(WavelengthTables& tables, const InstrumentVariant& variant,
                                          const std::string& externalFilePath) {
  if (externalFilePath.empty()) Fail("no external wavelength file was chosen");
  auto& table = tables.Table(variant.format, WaveSource::ExternalFile);
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

bool CoefficientsAreNumbers(const EquationTexts& e) noexcept {
  return IsNumber(e.a) && IsNumber(e.b) && IsNumber(e.c);
}

std::vector<double> WavesFromEquation(WavelengthTables& tables, const InstrumentVariant& variant,
                                      const EquationTexts& equation) {
  const auto coefficient = [](const std::string& text, const char* name) {
    const auto v = ParseNumber(text);
    if (!v) Fail(std::string("coefficient ") + name + " of the wavelength equation is not a number: \"" +
                 Printable(text) + "\"");
    return *v;
  };
  const double a = coefficient(equation.a, "A");
  const double b = coefficient(equation.b, "B");
  const double c = coefficient(equation.c, "C");
  auto& table = tables.Table(variant.format, WaveSource::Equation);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = EquationWavelength(a, b, c, equation.startChannel + static_cast<int>(i));
  return Copy(table);
}

}  // namespace corvelane
