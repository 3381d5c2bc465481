#pragma once
// Pieces of scan-file layout that several formats share: header fields, the
// splits of a data line, the problem writer of the file check, and reading
// channel wavelengths from a file's first field.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "instruments/file_label.h"
#include "instruments/variant.h"
#include "text/line_reading.h"

namespace corvelane {

// --- Shared description pieces ----------------------------------------------

inline constexpr ModeTexts kUniSpecReflectanceTexts{"   Save Reflectance File   ", "Save Reflectance File",
                                                    "Reflectance"};
inline constexpr ModeTexts kUniSpecAbsorbanceTexts{"    Save Absorbance File    ", "Save Absorbance File",
                                                   "Absorbance"};
inline constexpr ModeTexts kRawTargetTexts{"    Save Raw Target Data File    ", "Save Raw Target Data File", "Target"};
inline constexpr ModeTexts kRawReferenceTexts{"    Save Raw Reference File    ", "Save Raw Referance File",
                                              "Reference"};
inline constexpr ModeTexts kNoTexts{"", "", ""};

// Saturation: the UniSpec detectors give 16-bit counts (at most 65,535) and
// read somewhat below that ceiling as they fill, so 65,000 counts or more is
// taken as saturated. GER files give the 16-bit counts as they are: only the
// ceiling itself.
inline constexpr double kUniSpecCeiling = 65000;
inline constexpr double kGerCeiling = 65535;

// Column heads of the single-channel formats: label, date, time.
inline constexpr std::array<HeadRow, 3> kLabelDateTimeHeads = {{
    {"Wavelength", &ScanRecord::fileLabel},
    {"   (nm)", &ScanRecord::date},
    {"    --", &ScanRecord::time},
}};

inline constexpr PreviewLayout kUniSpecPreview{
    {256, 300, 75000},
    25,
    65000,
    290,
    "256",
    "65000",
    {{{15, 64500}, {100, 64500}, {270, 64500}, {13, 29500}, {16, 33950}, {16, 39850}, {10, 10}}},
    {15, 10}};

// --- Reading ---------------------------------------------------------------

// The file label cut from `source`; fails (at `line` of `in`'s file, 0 for the
// path itself) when no "." follows the last separator.
void SetLabel(ScanRecord& out, const std::string& path, std::size_t line, std::string_view source, LabelSeparator sep);

// UniSpec header lines 1 to 10: label (from line 1 or the path), date and time
// from line 3.
void ReadUniSpecHeader(ScanLines& in, ScanRecord& out, LabelSource labelSource);

// A data line of wavelength, target and panel separated by blanks: the first
// field is the text before the first blank; the rest, trimmed, splits at its
// first blank into the second and third fields (both trimmed).
struct ThreeFields {
  int count = 0;  // 1: no blank in the line; 2: no blank in the rest; 3: all found
  std::string_view first, second, third;
};
ThreeFields SplitThreeFields(std::string_view line) noexcept;

// GER data lines: target is the middle field (between the first and the last
// blank), panel the last field; the wavelength (the first field) goes to
// `wave` when it is given, NaN when it is not a number.
void SplitGerLine(ScanLines& in, std::string_view line, double& target, double& panel, double* wave = nullptr);

// The wavelength a trimmed channel line gives itself: its first field, which
// a blank must follow; NaN when there is none or it is not a number.
double OwnWavelength(std::string_view trimmedLine) noexcept;

// Characters `first` to `last` (1-based) of trimmed GER header line 4 hold
// the time: 15 to 26 in GER 1500 files, one character earlier in GER 2600 files.
struct GerTimeColumns {
  std::size_t first, last;
};

// GER header lines 1 to 12: label from line 2 (after its last blank), date
// (characters 7 to 14) and time from line 4.
void ReadGerHeader(ScanLines& in, ScanRecord& out, GerTimeColumns time);

// A line or record count meaning "up to the end of the file".
inline constexpr std::size_t kToEndOfFile = 0;

// GER data lines: `fixed` lines exactly, or (fixed == 0) every line to the end
// of the file, at most target.size().
// `waves`, when not empty, takes each line's own wavelength.
void ReadGerData(ScanLines& in, std::span<double> target, std::span<double> panel, std::size_t fixed,
                 std::span<double> waves = {});

// The wavelengths of `table.size()` channel lines after `headerLines` header
// lines: the first field of each line.
std::size_t FirstFieldWavelengths(ScanLines& in, int headerLines, std::span<double> table);

// --- The file check ----------------------------------------------------------

// Problem texts, each with the blanks it begins with.
inline constexpr std::string_view kBadFileName = "   bad 'file name'field";
inline constexpr std::string_view kBadDateTime = "   bad 'date' or 'time' fields";
inline constexpr std::string_view kGer1500Record = " : Negative values in DATA line # ";
inline constexpr std::string_view kGer2600Record = " : Negative values in DATA line #  ";
inline constexpr std::string_view kMissingData = " : *** Missing Data *** in DATA line # ";
inline constexpr std::string_view kDataNonNumber = " : Non-numbers in DATA line # ";
inline constexpr std::string_view kDataNegative = " : Negative value in DATA line # ";
inline constexpr std::string_view kPanelNonNumber = "  : Non-number in PANEL line # ";
inline constexpr std::string_view kPanelNegative = " : Negative number in PANEL line # ";

// Appends "<path><problem>[<number>]" CR LF lines to an error text it does
// not own; the path is copied.
class ProblemWriter {
 public:
  ProblemWriter(std::string path, std::string& out) : path_(std::move(path)), out_(&out) {}
  void Add(std::string_view text);
  void Add(std::string_view text, std::size_t number);
  std::size_t Count() const noexcept { return count_; }

 private:
  std::string path_;
  std::string* out_;
  std::size_t count_ = 0;
};

// The label test: fails the check when no "." follows the last separator;
// with `tested`, an empty label is a problem line.
void LabelTest(ProblemWriter& problems, const std::string& path, std::size_t line, std::string_view source,
               LabelSeparator sep, bool tested);
void DateTest(ProblemWriter& problems, std::string_view date, std::string_view time);
// UniSpec header line 1: the label test of the chosen label source.
void UniSpecLabelTest(ScanLines& in, ProblemWriter& problems, LabelSource labelSource);
// Reads `count` free-field items of one record; fails when the file ends first.
void RecordItems(FreeFieldCursor& items, const std::string& path, std::string_view* out, int count);
// The GER check: header label and date, then records of three items, each
// record with a non-number or negative item one problem line.
// `records` 0: records run to the end of the file.
void CheckGer(ScanLines& in, ProblemWriter& problems, std::string_view problem, std::size_t records,
              std::size_t maxRecords = 0);
// The check of UniSpec files of 10 header lines and 256 lines of three
// blank-separated fields (New-Format and UniSpec-DC): header label and date,
// then per line a missing field, a non-number or a negative value.
void CheckUniSpecNewLines(ScanLines& in, LabelSource labelSource, ProblemWriter& problems);

// --- The preview -------------------------------------------------------------

// The preview of GER files: 12 header lines, then `fixed` data lines (or, when
// 0, every line to the end, at most target.size()).
void PreviewGer(ScanLines& in, PreviewData& d, std::size_t fixed);

}  // namespace corvelane
