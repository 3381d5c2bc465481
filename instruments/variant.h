#pragma once
// The description of each single-channel instrument format: what its window,
// its run, its check and the command line share. One entry per format; the
// window, the run and the command line read their differences from here.
#include <array>
#include <span>
#include <string_view>

namespace corvelane {

enum class Format { UniSpecOld, UniSpecNew, UniSpecCompact, Ger1500, Ger2600 };

// In the fixed order in which a run writes them.
enum class OutputMode { Reflectance = 0, Absorbance = 1, RawTarget = 2, RawReference = 3 };
inline constexpr std::array<OutputMode, 4> kAllModes = {OutputMode::Reflectance, OutputMode::Absorbance,
                                                        OutputMode::RawTarget, OutputMode::RawReference};
constexpr int Index(OutputMode m) noexcept { return static_cast<int>(m); }

enum class WaveSource { FromFile, ExternalFile, Equation };
enum class LabelSource { HeaderInfo, DataFileName };
enum class ColumnSeparator { Comma, PrintZone };

struct ModeTexts {
  std::string_view announcement;  // shown in a "Message" box before the save dialog
  std::string_view dialogTitle;   // title of the save dialog
  std::string_view titleLine;     // first line of the file
};

struct InstrumentVariant {
  Format format;
  std::string_view cliName;       // "unispec-old"
  std::string_view windowName;    // "Form1"
  std::string_view caption;       // "Unispec"
  std::string_view startButton;   // "UNISPEC-OLD"
  std::string_view fileTypeItem;  // " .spt files  (*.spt)"
  std::string_view filePattern;   // "*.spt"
  int channelCount;               // 256, 512 or 594
  std::array<bool, 4> modesOffered;
  std::array<ColumnSeparator, 4> separators;
  std::array<ModeTexts, 4> texts;
  std::string_view beginText, endText, stepText;  // grid defaults
  WaveSource defaultWaveSource;
  bool fromFileOffered;
  bool hasLabelChoice;          // Option6 / Option7 exist
  LabelSource defaultLabelSource;
  bool hasLeafHeader;           // Check1 exists
  std::string_view checkCaption;      // "&Check File" / "&Check Files"
  std::string_view checkFailureText;  // the check's failure message
  std::string_view outputModeMessage; // message when cmdFileListOk finds no mode
  bool isGer() const noexcept { return format == Format::Ger1500 || format == Format::Ger2600; }
  bool isUniSpec() const noexcept { return !isGer(); }
  bool offers(OutputMode m) const noexcept { return modesOffered[Index(m)]; }
};

const InstrumentVariant& VariantOf(Format format) noexcept;
// Nullptr when `cliName` names no format.
const InstrumentVariant* VariantByCliName(std::string_view cliName) noexcept;
std::span<const InstrumentVariant> AllVariants() noexcept;
std::string_view ModeCliName(OutputMode m) noexcept;  // "reflectance", "absorbance", "target", "reference"

// Texts shared by every window and run.
inline constexpr std::string_view kProblemInDataFile = " Problem in Data File!!!";
inline constexpr std::string_view kNoFilenameSelected = " No filename selected!";
inline constexpr std::string_view kSaveErrorFileTitle = "Save Error File";
inline constexpr std::string_view kFilesOk = "    Files Ok    ";
inline constexpr std::string_view kErrorsSaved = "Error messages saved in the error file";
inline constexpr std::string_view kErrorsInFilesTitle = "Errors in Files";

}  // namespace corvelane
