#include "instruments/variant.h"

namespace corvelane {

namespace {

constexpr ModeTexts kUniSpecReflectance{"   Save Reflectance File   ", "Save Reflectance File", "Reflectance"};
constexpr ModeTexts kUniSpecAbsorbance{"    Save Absorbance File    ", "Save Absorbance File", "Absorbance"};
constexpr ModeTexts kRawTarget{"    Save Raw Target Data File    ", "Save Raw Target Data File", "Target"};
constexpr ModeTexts kRawReference{"    Save Raw Reference File    ", "Save Raw Referance File", "Reference"};
constexpr ModeTexts kNone{"", "", ""};

constexpr ColumnSeparator C = ColumnSeparator::Comma;
constexpr ColumnSeparator Z = ColumnSeparator::PrintZone;

constexpr std::array<InstrumentVariant, 5> kVariants = {{
    {Format::UniSpecOld, "unispec-old", "Form1", "Unispec", "UNISPEC-OLD", " .spt files  (*.spt)", "*.spt", 256,
     {true, true, true, true}, {C, Z, Z, Z},
     {kUniSpecReflectance, kUniSpecAbsorbance, kRawTarget, kRawReference},
     "310", "1130", "1", WaveSource::FromFile, true, true, LabelSource::DataFileName, true,
     "&Check File", "Unknown File Error", "Select Output Mode"},
    {Format::UniSpecNew, "unispec-new", "Form8", "Unispec New-Format", "UNISPEC-NEW", " .spu files  (*.spu)",
     "*.spu", 256, {true, true, true, true}, {C, C, C, C},
     {kUniSpecReflectance, kUniSpecAbsorbance, kRawTarget, kRawReference},
     "310", "1130", "1", WaveSource::FromFile, true, true, LabelSource::DataFileName, true,
     "&Check File", "Unknown File Error", "Select Output Mode"},
    {Format::UniSpecCompact, "unispec-compact", "Form7", "Unispec-Compact", "UNISPEC-COMP",
     " .spt files  (*.spt)", "*.spt", 256, {true, false, false, false}, {Z, Z, Z, Z},
     {kUniSpecReflectance, kNone, kNone, kNone},
     "400", "1000", "1", WaveSource::ExternalFile, false, true, LabelSource::HeaderInfo, false,
     "&Check File", "Unknown File Error", "Check 'Reflectance' Output Mode"},
    {Format::Ger1500, "ger1500", "Form5", "GER1500", "GER1500", " All Files  (*.*)", "*.*", 512,
     {true, true, false, false}, {Z, Z, Z, Z},
     {ModeTexts{"    Save Reflectance Data   ", "Save Reflectance File", "Reflectance"},
      ModeTexts{"   Save Absorbance Data   ", "Save Absorbance File", "Absorbance"}, kNone, kNone},
     "400", "1000", "1", WaveSource::FromFile, true, false, LabelSource::HeaderInfo, false,
     "&Check Files", "    Unknown Error!!!   ", "Select Output Mode"},
    {Format::Ger2600, "ger2600", "Form6", "GER2600", "GER2600", " All Files  (*.*)", "*.*", 594,
     {true, true, false, false}, {Z, Z, Z, Z},
     {ModeTexts{"   Save Reflectance Data   ", "Save Reflectance File", "Reflectance"},
      ModeTexts{"   Save Absorbance Data   ", "Save Absorbance File", "Absorbance"}, kNone, kNone},
     "400", "1000", "1", WaveSource::FromFile, true, false, LabelSource::HeaderInfo, false,
     "&Check Files", "No error file name selected", "Select Output Mode"},
}};

}  // namespace

const InstrumentVariant& VariantOf(Format format) noexcept {
  for (const auto& v : kVariants)
    if (v.format == format) return v;
  return kVariants[0];
}

const InstrumentVariant* VariantByCliName(std::string_view cliName) noexcept {
  for (const auto& v : kVariants)
    if (v.cliName == cliName) return &v;
  return nullptr;
}

std::span<const InstrumentVariant> AllVariants() noexcept { return kVariants; }

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
