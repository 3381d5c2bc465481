#pragma once
// The description of each instrument format: what its window, its run, its
// check, its preview and the command line share, and the format's own
// routines (reader, check rules, preview reading, wavelengths in the file).
// Each format's file (instruments/<format>.cpp) defines its description with
// designated initializers; the registry (variant.cpp) lists them, one line per
// format. Nothing outside those files branches on the format.
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

class ScanLines;
class ProblemWriter;

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

// What reading one scan file yields. `target` and `panel` hold one reading
// per detector channel (the format's channelCount); each is placed on the
// grid with the wavelength table its format names (targetTable, panelTable),
// so a dual-channel instrument whose target and panel come from two
// spectrometers gives each its own table. Reduced files (UniSpec-Compact)
// hold their one value per channel in `target` and leave `panel` empty.
struct ScanRecord {
  std::string fileLabel;
  std::string date;
  std::string time;
  std::string temperature;  // only formats that record one
  // 0, or the number of channels that hold readings when the instrument wrote
  // status values into the channels after them (UniSpec-DC).
  std::size_t spectralChannels = 0;
  std::vector<double> target;
  std::vector<double> panel;
  // Asked for by giving it channelCount entries before the read: the
  // wavelength each channel line gives itself (its first field), NaN where
  // that is not a number. Filled by formats with ownWavesWhileReading.
  std::vector<double> ownWaves;
  // What the header says of the dark signal (UniSpec-DC): a dark scan
  // ("Comment=DARKscan"), or a scan the instrument corrected already (it
  // names its "Dark=" file); and the integration time in ms as written
  // ("50"), empty when the header gives none.
  bool darkScan = false;
  bool darkCorrected = false;
  std::string integrationMs;
};

// One row of the column heads above the data lines: its title in column 0
// and, per file, the record text it shows (none: the row stays empty).
struct HeadRow {
  std::string_view title;
  std::string ScanRecord::*field = nullptr;
};

// Channel values of one previewed file, `channels` entries each. Channels the
// file does not reach hold 0 (and reflectance 999). A reduced file gives only
// `refl`; its target and panel stay 0.
struct PreviewData {
  std::vector<double> target, panel, refl;
};

// Channels plotted and the coordinate range W x H of every graph area.
struct PreviewGeometry {
  int channels;
  double width, height;
};

// Where the preview draws: axes and label positions of the three graph areas.
struct PreviewLayout {
  struct Position {
    double x, y;
  };
  PreviewGeometry geometry;
  double x0, yb, xe;                // vertical axis at x0, base line at yb from x0 to xe
  std::string_view channelLabel;    // label row 3, near the right end of the base line
  std::string_view scaleLabel;      // label row 7 on picTarget and picPlate
  std::array<Position, 7> labelAt;  // label rows 1 to 7
  Position reflectScaleAt;          // row 7 ("1") on picReflect
};

// How a window sets a box when the start-up button shows it.
enum class OnShow { Enable, Disable, Keep };

// Window differences that are only a matter of controls.
struct WindowTraits {
  bool rawBoxes = true;        // chkTarget and chkRefer exist
  bool indicesButton = false;  // ComIndices
  bool mixedBox = false;       // Check3 "Mixed"
  OnShow absorbOnShow = OnShow::Enable;
  OnShow rawOnShow = OnShow::Enable;
  bool listOkKeepsAbsorbAndCheck = false;  // cmdFileListOk leaves chkAbsorb and cmdChkFile as they were
  OnShow gridOnShow = OnShow::Disable;     // the grid boxes when the start-up button shows the window
  bool addFilesButton = false;             // AddFile "Add Files"
  bool transectHeaderBox = false;          // chkaircraft "Input Transect Header?"
  bool referenceControls = false;          // ComRef, Frame1, ChkCorrect, ChkNDVI (not available yet)
  // The run always takes the two channel equations of the Wavelength
  // Calibrations window and always resamples: cmdFileListOk offers only
  // "Use Equation", whose "-->" opens that window.
  bool channelEquations = false;
  std::string_view fileNameCaption = "Filename From:  ";  // frmFileName
};

// The format's button in the start-up window.
struct StartButton {
  std::string_view name;     // objectName, "cmdUnispecN"
  std::string_view caption;  // "UNISPEC-OLD"
  int row;                   // top to bottom among the format buttons
  // Place in the window's tab order; the other buttons take 3 (Quit), 7
  // (About - Help) and 8 (Process Indices), formats after them 9 and on.
  int tabStop;
};

struct InstrumentVariant {
  std::string_view cliName;     // "unispec-old"
  std::string_view windowName;  // "Form1"
  std::string_view caption;     // "Unispec"
  StartButton startButton;
  std::string_view fileTypeItem;  // " .spt files  (*.spt)"
  std::string_view filePattern;   // "*.spt"
  int channelCount;               // detector channels per reading
  bool readsPanel = true;         // false: the file holds the reflectance itself
  std::array<bool, 4> modesOffered;
  std::array<ColumnSeparator, 4> separators;
  std::array<ModeTexts, 4> texts;
  std::span<const HeadRow> headRows;              // column heads; an empty row follows them
  std::string_view beginText, endText, stepText;  // grid defaults
  WaveSource defaultWaveSource;
  bool hasLabelChoice;  // Option6 / Option7 exist
  LabelSource defaultLabelSource;
  bool hasLeafHeader;                  // Check1 exists
  std::string_view checkCaption;       // "&Check File" / "&Check Files"
  std::string_view checkFailureText;   // the check's failure message
  std::string_view outputModeMessage;  // message when cmdFileListOk finds no mode
  WindowTraits window;
  const PreviewLayout* preview;

  // Wavelength tables: formats with the same key share their tables between
  // windows; `wavelengthTables` tables of channelCount entries each, which
  // targetTable and panelTable index.
  std::string_view wavelengthKey;
  int wavelengthTables = 1;
  int targetTable = 0;
  int panelTable = 0;
  int decimals = 6;  // output values are rounded to this many decimals
  // 0, or the first channel into which the instrument may write status
  // values instead of readings (a reader marks such files in
  // ScanRecord::spectralChannels); the run warns when the grid reaches there.
  int statusChannelsFrom = 0;
  // Readings at or above this count are at the detector's ceiling (the run
  // warns); 0 when the files hold no raw counts.
  double saturationCount = 0;
  // The run places the readings with equations but the files give each
  // channel's own wavelength in its line (read into ScanRecord::ownWaves when
  // asked): the run compares the two. Such formats also take a dark scan.
  bool checksCalibration = false;

  // The format's routines. Each throws RunFailure naming the file, the line,
  // the offending text and why.
  // Reads one scan into `out`, whose target (and panel) already hold
  // channelCount zeros and whose texts are empty.
  void (*read)(ScanLines& in, LabelSource labelSource, ScanRecord& out);
  // Adds the problem lines of one scan; throws only when the check itself
  // cannot go on (the file ends before the layout's fixed lines or records).
  void (*check)(ScanLines& in, LabelSource labelSource, ProblemWriter& problems);
  // The preview's own reading: fills target and panel (or refl for reduced files).
  void (*readPreview)(ScanLines& in, PreviewData& out);
  // The channel wavelengths the file records, into `table`; returns how many
  // it gave. Nullptr when the files hold none.
  std::size_t (*readWavelengths)(ScanLines& in, std::span<double> table);
  // `read` fills ScanRecord::ownWaves when asked: the wavelengths it meets on
  // its way, so a run that compares every scan's wavelengths with the first
  // scan's needs no second pass over the file.
  bool ownWavesWhileReading = false;

  bool Offers(OutputMode m) const noexcept { return modesOffered[Index(m)]; }
  bool WavesFromFileOffered() const noexcept { return readWavelengths != nullptr; }
  std::size_t Channels() const noexcept { return static_cast<std::size_t>(channelCount); }
};

// The registry: the formats in the order of the command line's format list.
// Nullptr when `cliName` names no format.
const InstrumentVariant* VariantByCliName(std::string_view cliName) noexcept;
std::span<const InstrumentVariant> AllVariants() noexcept;

// Adds a format after the built-in ones, for a format compiled into one
// program only (the tests' own format). Must run before anything reads the
// registry: from the constructor of a static object, as
//   const FormatRegistration kRegistered(kMyFormat);
struct FormatRegistration {
  explicit FormatRegistration(const InstrumentVariant& format);
};
std::string_view ModeCliName(OutputMode m) noexcept;  // "reflectance", "absorbance", "target", "reference"

// Texts shared by every window and run.
inline constexpr std::string_view kProblemInDataFile = " Problem in Data File!!!";
inline constexpr std::string_view kNoFilenameSelected = " No filename selected!";
inline constexpr std::string_view kSaveErrorFileTitle = "Save Error File";
inline constexpr std::string_view kFilesOk = "    Files Ok    ";
inline constexpr std::string_view kErrorsSaved = "Error messages saved in the error file";
inline constexpr std::string_view kErrorsInFilesTitle = "Errors in Files";

}  // namespace corvelane
