#include "instruments/variant.h"

#include <vector>

namespace corvelane {

// Each defined in the format's own file.
extern const InstrumentVariant kUniSpecOldFormat, kUniSpecNewFormat, kUniSpecCompactFormat, kGer1500Format,
    kGer2600Format, kUniSpecDcFormat;

namespace {

// The registry: one line per format, in the order of the command line's
// format list (the start-up window orders its buttons by their own rows).
std::vector<InstrumentVariant>& Registry() {
  static std::vector<InstrumentVariant> all = {
      kUniSpecOldFormat, kUniSpecNewFormat, kUniSpecCompactFormat, kGer1500Format, kGer2600Format, kUniSpecDcFormat,
  };
  return all;
}

}  // namespace

FormatRegistration::FormatRegistration(const InstrumentVariant& format) { Registry().push_back(format); }

const InstrumentVariant* VariantByCliName(std::string_view cliName) noexcept {
  for (const auto& v : Registry())
    if (v.cliName == cliName) return &v;
  return nullptr;
}

std::span<const InstrumentVariant> AllVariants() noexcept { return Registry(); }

std::string_view ModeCliName(OutputMode m) noexcept {
  switch (m) {
    case OutputMode::Reflectance: return "reflectance";
    case OutputMode::Absorbance: return "absorbance";
    case OutputMode::RawTarget: return "target";
    case OutputMode::RawReference: return "reference";
  }
  return "";
}

}  // namespace corvelane
