#include "calibration/dc_equation.h"

#include "calibration/wavelength_sources.h"
#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane {

DcEquationTexts DcStartTexts() {
  DcEquationTexts t;
  for (std::size_t i = 0; i < 6; ++i) t.coefficients[i].assign(kDcStartCoefficients[i]);
  return t;
}

DcWavelengthTables WavesFromEquationDC(const DcEquationTexts& texts) {
  std::array<double, 6> c{};
  for (std::size_t i = 0; i < 6; ++i) {
    const auto v = ParseNumber(texts.coefficients[i]);
    if (!v)
      Fail("coefficient " + std::string(kDcCoefficientNames[i]) + " of the channel equations is not a number: \"" +
           Printable(texts.coefficients[i]) + "\"");
    c[i] = *v;
  }
  DcWavelengthTables t;
  t.channel1.resize(kDcChannelCount);
  t.channel2.resize(kDcChannelCount);
  for (int i = 0; i < kDcChannelCount; ++i) {
    const int ch = texts.startChannel + i;
    t.channel1[static_cast<std::size_t>(i)] = EquationWavelength(c[0], c[1], c[2], ch);
    t.channel2[static_cast<std::size_t>(i)] = EquationWavelength(c[3], c[4], c[5], ch);
  }
  return t;
}

bool DcCoefficientsAreNumbers(const DcEquationTexts& texts) noexcept {
  for (const std::string& c : texts.coefficients)
    if (!IsNumber(c)) return false;
  return true;
}

}  // namespace corvelane
