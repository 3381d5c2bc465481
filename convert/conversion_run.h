#pragma once
// The conversion run: scan files in, one result table per chosen output mode.
// The window and the command line both call ComputeConversion and then
// WriteOutputFile for each chosen mode in the fixed order, so both write the
// same bytes for the same settings.
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "calibration/dc_equation.h"
#include "calibration/wavelength_sources.h"
#include "convert/grid.h"
#include "convert/scan_facts.h"
#include "headers/leaf_header.h"
#include "instruments/variant.h"
#include "text/large_buffer.h"
#include "text/marks.h"
#include "text/parallel_ordered.h"
#include "text/text_input.h"

namespace corvelane {

struct RunSettings {
  const InstrumentVariant* variant = nullptr;
  std::vector<std::string> files;  // in list order, N >= 1
  GridTexts grid;                  // read even when not interpolating
  bool interpolate = true;
  std::array<bool, 4> modes{};  // indexed by OutputMode
  WaveSource waveSource = WaveSource::FromFile;
  LabelSource labelSource = LabelSource::DataFileName;
  std::string externalFilePath;  // for WaveSource::ExternalFile
  EquationTexts equation;        // for WaveSource::Equation: the first wavelength table
  // For WaveSource::Equation and formats with more than one wavelength table:
  // the equations of the tables after the first, in table order.
  std::vector<EquationTexts> moreEquations;
  // Keep target / panel on the grid before rounding in ConversionResult::ratios
  // (formats whose target and panel meet only on the grid), for the reference
  // correction that follows the run.
  bool keepRatios = false;
  // A dark scan whose target and panel readings are subtracted, channel by
  // channel, from every scan before it is placed on the grid (formats whose
  // variant checksCalibration); empty for none.
  std::string darkScan;
  // Keep what each scan's header says (ConversionResult::facts), for the
  // outputs that carry it; runs that write only the wide tables skip it.
  bool keepFacts = false;
};

// What the checks of a scan found (the quality report, the run's warnings).
struct ScanCheck {
  // Channels the grid uses whose reading is at the detector's ceiling, and
  // the wavelengths of the first and last of them.
  std::uint32_t saturatedTarget = 0, saturatedPanel = 0;
  double saturatedFrom = 0, saturatedTo = 0;
  bool darkScan = false;        // the header says it is a dark scan
  bool darkCorrected = false;   // the instrument corrected it already
  bool darkSubtracted = false;  // the run's dark scan was subtracted
  bool zeroPanel = false;       // every panel reading is 0
  bool statusOnGrid = false;    // grid points above its last reading
  // The largest difference in nm between the wavelengths the run placed its
  // readings with and those the scan gives itself, over the channels the grid
  // uses; NaN when not compared. The channel (from 1), the scan's own
  // wavelength there and the table (from 0) it was found in.
  double waveMismatch = std::numeric_limits<double>::quiet_NaN();
  std::size_t mismatchChannel = 0;
  double mismatchOwn = 0, mismatchPlaced = 0;
  int mismatchTable = 0;

  bool Saturated() const noexcept { return saturatedTarget + saturatedPanel > 0; }
};

// The most scan files one run takes.
inline constexpr std::size_t kMaxRunFiles = 32767;

// Result tables are written in full before they are read: no zero-filling
// of tens of megabytes first. Aligned so a thread filling eight files of a
// row owns the cache line; large tables come in huge pages.
template <class T>
struct UninitializedAllocator {
  using value_type = T;
  UninitializedAllocator() = default;
  template <class U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
  bool operator==(const UninitializedAllocator&) const noexcept = default;
};
using ValueTable = std::vector<double, UninitializedAllocator<double>>;

// A value as the tables hold it: rounded to `decimals`; a value that is not
// finite (no value can be formed there) is the mark 999.
inline constexpr double kNoValue = kMark;
double TableValue(double x, int decimals) noexcept;

struct ConversionResult {
  const InstrumentVariant* variant = nullptr;
  std::size_t fileCount = 0;
  std::vector<double> rowWavelengths;  // column 0, unrounded
  // Column heads: per head row of the variant, the text of each file in list order.
  std::vector<std::vector<std::string>> heads;
  // Per mode, empty when not chosen. Row by row: the value of file f in row r
  // is tables[m][r * fileCount + f], rounded to the variant's decimals. When
  // `channelPlan` is set (the grid has more points than the files have
  // channels), the tables hold one row per channel instead, unrounded, NaN
  // where a channel holds no value, and the plan resamples them as they are read.
  std::array<ValueTable, 4> tables;
  std::shared_ptr<const ResamplePlan> channelPlan;
  // What the user should know though the run succeeded, in file order:
  // scans whose wavelengths differ from the first scan's, panels all 0,
  // labels changed for the tables or shared by several scans; then one
  // warning naming the scans whose grid points next to a reading of 0 are
  // marked instead of interpolated (formats whose target and panel meet only
  // on the grid).
  std::vector<std::string> warnings;
  // Warnings of values marked 999 where plain arithmetic would have formed a
  // number: that last warning again, and after the run, those of the
  // reference scans; the windows also show them in a message.
  std::vector<std::string> marksWarnings;
  // With RunSettings::keepRatios: target / panel on the grid before rounding,
  // file f's column at ratios[f * rows ..]; otherwise empty.
  std::vector<double> ratios;
  // Files whose last channels hold status values the grid reached into, and
  // the target-table wavelength of the last channel with a reading.
  std::size_t statusChannelFiles = 0;
  double lastReadingWavelength = 0;
  // Per scan file in list order: which file was read (any of its names).
  std::vector<FileIdentity> scanIdentities;
  // Per scan file in list order: what its checks found.
  std::vector<ScanCheck> checks;
  bool darkScanGiven = false;  // a dark scan was subtracted
  // With RunSettings::keepFacts: per scan file in list order, what its header
  // says; otherwise empty.
  std::vector<ScanFacts> facts;

  std::size_t Rows() const noexcept { return rowWavelengths.size(); }
  bool Computed(OutputMode m) const noexcept {
    const std::size_t stored = channelPlan ? variant->Channels() : Rows();
    return tables[static_cast<std::size_t>(m)].size() == stored * fileCount;
  }
  double Value(OutputMode m, std::size_t row, std::size_t file) const noexcept {
    const ValueTable& t = tables[static_cast<std::size_t>(m)];
    if (!channelPlan) return t[row * fileCount + file];
    const ResamplePlan::Step& s = (*channelPlan)[row];
    const auto k = static_cast<std::size_t>(s.k);
    const double lo = t[k * fileCount + file];
    return TableValue(s.exact ? lo : s.Between(lo, t[(k + 1) * fileCount + file]), variant->decimals);
  }
};

// Grid, wavelengths, every file read (in parallel; results identical to one
// thread), per-channel values, resampling and rounding. Throws RunFailure on
// the first failure in the order a one-file-at-a-time run would meet it, and
// before reading anything when the result tables would not fit in the memory
// available; RunCancelled when `progress` (files done, files in all) returns
// false. `threads` 0 uses every core.
ConversionResult ComputeConversion(const RunSettings& settings, WavelengthTables& tables,
                                   const ProgressFn& progress = {}, unsigned threads = 0);

// The scan (its index in the run's list) that writing `path` would replace,
// by whatever name or link `path` reaches it; none when it names no scan.
std::optional<std::size_t> ScanReplacedBy(const ConversionResult& result, const std::string& path);

// The two channel equations of a dual-channel format: channel 1 (A1, B1, C1)
// for table 0, channel 2 (A2, B2, C2) for table 1; always resampled.
void UseChannelEquations(RunSettings& s, const DcEquationTexts& equations);

// Empty, or the warning about status values a run met (StatusChannelFiles > 0).
std::string StatusChannelWarning(const ConversionResult& result);

// The warnings of the checks of real field scans, in this order: saturated
// scans, dark scans converted as spectra, scans already dark-corrected (when
// a dark scan was subtracted), the wavelengths placed differing from the
// first scan's own by more than 1 nm. `files` names the scans.
std::vector<std::string> ScanCheckWarnings(const ConversionResult& result, const std::vector<std::string>& files);

// The same for reference scans: one warning naming the saturated ones.
std::string SaturatedReferenceWarning(const ConversionResult& result, const std::vector<std::string>& files);

// The largest wavelength difference a run tolerates before it warns, in nm.
inline constexpr double kCalibrationTolerance = 1.0;

// Writes one output file: its layout (comma or print zone, leaf header) comes
// from the variant. `leafHeader` is used only for the reflectance file of
// formats that offer it. Written under a temporary name and renamed into
// place; throws RunFailure when the file cannot be written.
void WriteOutputFile(const ConversionResult& result, OutputMode mode, const LeafHeaderTexts* leafHeader,
                     const std::string& path);

// The same bytes, into a string (tests and small tools).
std::string OutputText(const ConversionResult& result, OutputMode mode, const LeafHeaderTexts* leafHeader);

// The same with `header` in place of the reflectance file's title and
// column-head lines (the other modes are written without it).
void WriteOutputFile(const ConversionResult& result, OutputMode mode, const HeaderBlock& header,
                     const std::string& path);

// The column-head lines of the format (the title block), CR LF included.
std::string ColumnHeadText(const ConversionResult& result, OutputMode mode);

}  // namespace corvelane
