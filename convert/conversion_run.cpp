#include "convert/conversion_run.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <thread>

#include "instruments/file_label.h"
#include "instruments/scan_readers.h"
#include "text/batch_read.h"
#include "text/failure.h"
#include "text/line_reading.h"
#include "text/marks.h"
#include "text/numeric_text.h"
#include "text/parallel_ordered.h"

namespace corvelane {

namespace {

// The wavelengths of table `t` of the format, from the chosen source.
std::vector<double> FillWavelengths(const RunSettings& s, WavelengthTables& tables, int t, std::size_t& channelsRead) {
  channelsRead = s.variant->Channels();
  switch (s.waveSource) {
    case WaveSource::FromFile: return WavesFromScanFile(tables, *s.variant, s.files.front(), &channelsRead, t);
    case WaveSource::ExternalFile: return WavesFromExternalFile(tables, *s.variant, s.externalFilePath, t);
    case WaveSource::Equation: {
      if (t == 0) return WavesFromEquation(tables, *s.variant, s.equation, t);
      const auto extra = static_cast<std::size_t>(t - 1);
      if (extra >= s.moreEquations.size())
        Fail("no wavelength equation was given for channel " + std::to_string(t + 1));
      return WavesFromEquation(tables, *s.variant, s.moreEquations[extra], t);
    }
  }
  return {};
}

std::string SourceName(const RunSettings& s) {
  switch (s.waveSource) {
    case WaveSource::FromFile: return "the first scan file " + s.files.front();
    case WaveSource::ExternalFile: return "the external file " + s.externalFilePath;
    case WaveSource::Equation: return "the wavelength equation";
  }
  return {};
}

// Files are handed out eight at a time: the eight values of one row then
// share a cache line written by one thread only, and the eight files are read
// in one batch.
constexpr std::size_t kBlock = 8;
static_assert(kBlock <= BatchReader::kMaxBatch);

// Per-thread working arrays of one block of files.
struct FileWork {
  ScanRecord record;
  BatchReader batch;
  std::array<std::string, kBlock> buffers;
  std::array<FileIdentity, kBlock> identities;
  std::array<bool, kBlock> readAhead{};
  std::array<std::vector<double>, 4> channelValues;
  std::vector<double> gridTarget, gridPanel, column, ownWaves;
  // Readings with the unusable ones as NaN, and the same on the grid.
  std::vector<double> markedTarget, markedPanel, gridMarkedTarget, gridMarkedPanel;
};

// No value can be formed: NaN, so that resampling next to such a channel
// gives no value either (never a blend of the mark with data).
constexpr double kMarked = std::numeric_limits<double>::quiet_NaN();

double Reflectance(double target, double panel) noexcept { return panel == 0 ? kMarked : target / panel; }
double Absorbance(double target, double panel) noexcept {
  return (panel <= 0 || target <= 0) ? kMarked : std::log10(panel / target);
}

// The values of each chosen mode from target and panel readings of `n` points.
void ModeValues(const std::array<bool, 4>& modes, const double* target, const double* panel, std::size_t n,
                std::array<std::vector<double>, 4>& values) {
  if (modes[0]) {
    auto& refl = values[0];
    refl.resize(n);
    for (std::size_t c = 0; c < n; ++c) refl[c] = Reflectance(target[c], panel[c]);
  }
  if (modes[1]) {
    auto& abs = values[1];
    abs.resize(n);
    for (std::size_t c = 0; c < n; ++c) abs[c] = Absorbance(target[c], panel[c]);
  }
  if (modes[2]) values[2].assign(target, target + n);
  if (modes[3]) values[3].assign(panel, panel + n);
}

// `readings` with every reading `unusable` says no value can be formed from
// as NaN, so that a grid point placed from one (an exact hit, or either end
// of its interval) holds no value either. False, leaving `out` as it was,
// when every reading is usable.
template <class Unusable>
bool MarkUnusable(const std::vector<double>& readings, Unusable unusable, std::vector<double>& out) {
  if (std::none_of(readings.begin(), readings.end(), unusable)) return false;
  out.resize(readings.size());
  for (std::size_t c = 0; c < readings.size(); ++c) out[c] = unusable(readings[c]) ? kMarked : readings[c];
  return true;
}

bool ZeroReading(double v) noexcept { return v == 0; }
bool NotPositive(double v) noexcept { return v <= 0; }

// Target and panel of one file placed on the grid through separate plans.
// Reflectance (and the ratio) is marked at every grid point placed from a
// panel reading of 0, absorbance at every one placed from a target or panel
// reading of 0 or below; the raw tables take the readings as they are.
// Returns whether a grid point is marked that plain interpolation would have
// given a number; `ratio`, when not null, receives target / panel (NaN
// where marked).
bool SplitTableValues(const std::array<bool, 4>& modes, const ResamplePlan& targetPlan, const ResamplePlan& panelPlan,
                      std::size_t rows, double* ratio, FileWork& w) {
  const ScanRecord& r = w.record;
  w.gridTarget.resize(rows);
  w.gridPanel.resize(rows);
  targetPlan.Apply(r.target.data(), w.gridTarget.data());
  panelPlan.Apply(r.panel.data(), w.gridPanel.data());
  ModeValues(modes, w.gridTarget.data(), w.gridPanel.data(), rows, w.channelValues);
  bool newlyMarked = false;
  const auto take = [&](double plain, double marked) {
    newlyMarked = newlyMarked || (std::isnan(marked) && !std::isnan(plain));
    return marked;
  };
  if ((modes[0] || ratio) && MarkUnusable(r.panel, ZeroReading, w.markedPanel)) {
    w.gridMarkedPanel.resize(rows);
    panelPlan.Apply(w.markedPanel.data(), w.gridMarkedPanel.data());
    for (std::size_t i = 0; i < rows; ++i) {
      const double plain = Reflectance(w.gridTarget[i], w.gridPanel[i]);
      const double marked = take(plain, Reflectance(w.gridTarget[i], w.gridMarkedPanel[i]));
      if (modes[0]) w.channelValues[0][i] = marked;
      if (ratio) ratio[i] = marked;
    }
  } else if (ratio) {
    for (std::size_t i = 0; i < rows; ++i) ratio[i] = Reflectance(w.gridTarget[i], w.gridPanel[i]);
  }
  if (modes[1]) {
    const bool target = MarkUnusable(r.target, NotPositive, w.markedTarget);
    const bool panel = MarkUnusable(r.panel, NotPositive, w.markedPanel);
    if (target || panel) {
      w.gridMarkedTarget.resize(rows);
      w.gridMarkedPanel.resize(rows);
      targetPlan.Apply(target ? w.markedTarget.data() : r.target.data(), w.gridMarkedTarget.data());
      panelPlan.Apply(panel ? w.markedPanel.data() : r.panel.data(), w.gridMarkedPanel.data());
      std::vector<double>& abs = w.channelValues[1];
      for (std::size_t i = 0; i < rows; ++i)
        abs[i] = take(abs[i], Absorbance(w.gridMarkedTarget[i], w.gridMarkedPanel[i]));
    }
  }
  return newlyMarked;
}

void ChannelValues(const InstrumentVariant& v, const std::array<bool, 4>& modes, FileWork& w) {
  const ScanRecord& r = w.record;
  if (!v.readsPanel) {  // already the spectrum to report
    w.channelValues[0] = r.target;
    return;
  }
  ModeValues(modes, r.target.data(), r.panel.data(), v.Channels(), w.channelValues);
}

// Whether the file's last channels hold status values the grid reaches into:
// a grid point above the last channel with a reading.
bool StatusValuesOnGrid(const ScanRecord& r, const std::vector<double>& waves, const std::vector<double>& grid) {
  if (r.spectralChannels == 0 || r.spectralChannels >= waves.size() || grid.empty()) return false;
  const double last = waves[r.spectralChannels - 1];
  for (double g : grid)
    if (g > last) return true;
  return false;
}

// The wavelength table each mode's values are placed with.
int TableOf(const InstrumentVariant& v, std::size_t mode) noexcept {
  return mode == static_cast<std::size_t>(Index(OutputMode::RawReference)) ? v.panelTable : v.targetTable;
}

// Bytes this process may still take: the memory the system has available,
// and no more than an address-space limit leaves. 0 when unknown.
std::uint64_t AvailableBytes() {
  std::uint64_t available = 0;
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kb = 0;
  std::string unit;
  while (meminfo >> key >> kb >> unit)
    if (key == "MemAvailable:") {
      available = kb * 1024;
      break;
    }
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    std::uint64_t used = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> used;
    used *= static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t left = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
    if (available == 0 || left < available) available = left;
  }
  return available;
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

constexpr std::string_view kMarkedGridPointsSingular =
    "scan has a panel reading of 0 (or, for absorbance, a target or panel reading of 0 or below) beside grid points "
    "between channels; every grid point placed from such a reading is 999, never interpolated from it";
constexpr std::string_view kMarkedGridPointsPlural =
    "scans have a panel reading of 0 (or, for absorbance, a target or panel reading of 0 or below) beside grid points "
    "between channels; every grid point placed from such a reading is 999, never interpolated from it";

// Scans whose own wavelengths differ from the first scan's are worth a word
// when the first scan's wavelengths are used for all.
constexpr double kWavelengthTolerance = 0.01;

}  // namespace

double TableValue(double x, int decimals) noexcept { return std::isfinite(x) ? RoundHalfEven(x, decimals) : kNoValue; }

namespace {

// What a run knows before the first scan is read: the grid, the wavelength
// tables and their resampling plans, and how the result is stored.
struct RunPlan {
  const RunSettings& s;
  const InstrumentVariant& variant;
  std::vector<double> grid;
  std::size_t fileCount = 0;
  std::size_t channels = 0;
  // Target and panel on different wavelength tables meet only on the grid:
  // reflectance and absorbance are then taken from the resampled readings.
  bool splitTables = false;
  // With more grid points than channels, the per-channel values are kept and
  // resampled while the tables are written: far less memory.
  bool keepChannels = false;
  std::vector<std::vector<double>> wavelengths;  // per table of the format
  std::vector<std::size_t> channelsRead;         // per table
  std::vector<std::optional<ResamplePlan>> plans;
  std::optional<RunFailure> planFailure;  // reported after the first file, where the search would meet it
  bool resample = false;
  bool compareWaves = false;  // each scan's own wavelengths against the first scan's
  bool deferred = false;      // keepChannels and resampling
  std::size_t rows = 0, storedRows = 0;
  std::size_t labelRow = 0;  // the head row of the file label; headRows.size() when none
  // Per table: the first and last channel the grid uses (those whose
  // interval holds a grid point), or every channel read when not resampling.
  std::vector<std::pair<std::size_t, std::size_t>> used;
  // Compare the tables with each scan's own wavelength column.
  bool checkCalibration = false;
  // The dark scan to subtract, read before the scans.
  std::optional<ScanRecord> dark;

  RunPlan(const RunSettings& settings) : s(settings), variant(*settings.variant) {}
  const std::vector<double>& TargetWaves() const { return wavelengths[static_cast<std::size_t>(variant.targetTable)]; }
};

void CheckRequest(const RunSettings& s) {
  const InstrumentVariant& variant = *s.variant;
  if (s.files.empty()) Fail("no scan files were listed");
  if (s.files.size() > kMaxRunFiles) Fail("a run takes at most 32767 files");
  for (int m = 0; m < 4; ++m)
    if (s.modes[static_cast<std::size_t>(m)] && !variant.modesOffered[static_cast<std::size_t>(m)])
      Fail(std::string(variant.caption) + " files offer no " + std::string(ModeCliName(static_cast<OutputMode>(m))) +
           " output");
}

// The grid and the shape of the tables; fails before anything is read when
// the result tables would not fit in the memory available.
void PlanGrid(RunPlan& p) {
  const RunSettings& s = p.s;
  p.grid = GridPoints(s.grid);
  p.fileCount = s.files.size();
  p.channels = p.variant.Channels();
  p.splitTables = p.variant.targetTable != p.variant.panelTable && p.variant.readsPanel;
  p.keepChannels = s.interpolate && !p.splitTables && p.grid.size() > p.channels;
  std::size_t modeCount = 0;
  for (bool m : s.modes) modeCount += m;
  const std::uint64_t stored = p.keepChannels ? p.channels : (s.interpolate ? p.grid.size() : p.channels);
  const std::uint64_t need = stored * p.fileCount * modeCount * sizeof(double);
  const std::uint64_t available = AvailableBytes();
  if (available != 0 && need > available)
    Fail("the result tables of " + std::to_string(p.fileCount) + " files need " + Megabytes(need) +
         " of memory, more than the " + Megabytes(available) + " available; convert fewer files at a time");
}

// One wavelength table and, when resampling, one plan per table of the format.
void PlanTables(RunPlan& p, WavelengthTables& tables) {
  const RunSettings& s = p.s;
  const auto tableCount = static_cast<std::size_t>(p.variant.wavelengthTables);
  p.wavelengths.resize(tableCount);
  p.channelsRead.resize(tableCount);
  for (std::size_t t = 0; t < tableCount; ++t)
    p.wavelengths[t] = FillWavelengths(s, tables, static_cast<int>(t), p.channelsRead[t]);
  p.plans.resize(tableCount);
  if (s.interpolate) {
    try {
      for (std::size_t t = 0; t < tableCount; ++t) {
        // A short GER 2600 file leaves the later table entries as an earlier
        // run left them; grid points must lie within the file's own channels.
        const std::vector<double> searched(p.wavelengths[t].begin(),
                                           p.wavelengths[t].begin() + static_cast<std::ptrdiff_t>(p.channelsRead[t]));
        p.plans[t].emplace(p.grid, searched, SourceName(s));
      }
    } catch (const RunFailure& f) {
      p.planFailure = f;
    }
  }
  p.resample = s.interpolate && !p.planFailure;
  p.compareWaves = s.waveSource == WaveSource::FromFile && tableCount == 1 && p.variant.WavesFromFileOffered();
  p.deferred = p.keepChannels && p.resample;
  p.rows = s.interpolate ? p.grid.size() : p.wavelengths[static_cast<std::size_t>(p.variant.targetTable)].size();
  p.storedRows = p.deferred ? p.channels : p.rows;
  p.labelRow = p.variant.headRows.size();
  for (std::size_t h = 0; h < p.variant.headRows.size(); ++h)
    if (p.variant.headRows[h].field == &ScanRecord::fileLabel) p.labelRow = h;
  p.used.resize(tableCount);
  for (std::size_t t = 0; t < tableCount; ++t) {
    const std::vector<double>& w = p.wavelengths[t];
    const std::size_t n = std::min(p.channelsRead[t], w.size());
    std::size_t lo = 0, hi = n ? n - 1 : 0;
    if (p.resample && !p.grid.empty() && n > 0) {
      const auto [gmin, gmax] = std::minmax_element(p.grid.begin(), p.grid.end());
      for (std::size_t c = 0; c < n; ++c)
        if (w[c] <= *gmin) lo = c;
      for (std::size_t c = n; c-- > 0;)
        if (w[c] >= *gmax) hi = c;
      if (hi < lo) std::swap(lo, hi);
    }
    p.used[t] = {lo, hi};
  }
  p.checkCalibration = p.variant.checksCalibration && s.waveSource == WaveSource::Equation;
}

// The dark scan, read once before the scans. The 2018 instruments label the
// dark scans they take in DC mode "Datascan,DC" too, so any scan is taken.
void PlanDark(RunPlan& p) {
  const RunSettings& s = p.s;
  if (s.darkScan.empty()) return;
  if (!p.variant.checksCalibration) Fail(std::string(p.variant.caption) + " runs take no dark scan");
  ScanRecord dark;
  std::string buffer;
  ReadScanFile(p.variant, s.darkScan, s.labelSource, dark, buffer);
  if (dark.darkCorrected)
    FailAt(s.darkScan, 0,
           "the dark scan names a dark file itself: the instrument corrected it already, so it holds no dark signal "
           "to subtract");
  p.dark = std::move(dark);
}

// The result, its tables sized (not filled) for every file.
ConversionResult PlanStorage(RunPlan& p) {
  ConversionResult result;
  result.variant = &p.variant;
  result.fileCount = p.fileCount;
  result.rowWavelengths = p.s.interpolate ? p.grid : p.wavelengths[static_cast<std::size_t>(p.variant.targetTable)];
  result.heads.assign(p.variant.headRows.size(), std::vector<std::string>(p.fileCount));
  result.scanIdentities.resize(p.fileCount);
  result.checks.resize(p.fileCount);
  if (p.s.keepFacts) result.facts.resize(p.fileCount);
  if (p.deferred) result.channelPlan = std::make_shared<const ResamplePlan>(std::move(*p.plans[0]));
  for (std::size_t m = 0; m < 4; ++m)
    if (p.s.modes[m]) result.tables[m].resize(p.storedRows * p.fileCount);
  if (p.s.keepRatios && p.resample && p.splitTables) result.ratios.resize(p.rows * p.fileCount);
  return result;
}

// Reads scans into the result, each into its own column: any thread, any
// file, in any order.
class ScanTabulator {
 public:
  ScanTabulator(const RunPlan& plan, ConversionResult& result)
      : p_(plan),
        s_(plan.s),
        v_(plan.variant),
        result_(result),
        fileWarnings_(plan.fileCount),
        markedFiles_(plan.splitTables ? plan.fileCount : 0) {}

  // Files first .. last-1 (at most kBlock), read in one batch.
  void Block(std::size_t first, std::size_t last, FileWork& w) {
    std::array<const std::string*, kBlock> paths{};
    for (std::size_t f = first; f < last; ++f) paths[f - first] = &s_.files[f];
    w.batch.Read(std::span(paths.data(), last - first), w.buffers, w.identities, w.readAhead);
    for (std::size_t f = first; f < last; ++f) {
      try {
        Tabulate(f, w, f - first);
      } catch (const std::bad_alloc&) {
        ProblemPlace place;
        place.file = s_.files[f];
        throw RunFailure(place, "out of memory while converting the file");
      }
    }
  }

  // Every file's warnings, in file order.
  std::vector<std::string> Warnings() {
    std::vector<std::string> all;
    for (auto& w : fileWarnings_) all.insert(all.end(), w.begin(), w.end());
    return all;
  }
  std::size_t StatusFiles() const { return statusFiles_.load(); }
  // The warning naming the scans whose grid points next to a reading of 0
  // are marked instead of interpolated; empty when there are none.
  std::string MarksWarning() {
    std::vector<MarkedScan> marked;
    for (MarkedScan& m : markedFiles_)
      if (!m.name.empty()) marked.push_back(std::move(m));
    return MarkedScansWarning(marked, kMarkedGridPointsSingular, kMarkedGridPointsPlural);
  }

 private:
  // File f, in slot `slot` of the thread's block.
  void Tabulate(std::size_t f, FileWork& w, std::size_t slot) {
    std::string& buffer = w.buffers[slot];
    // Formats that meet the wavelengths while reading give them on the way.
    const bool ownWavesFromRead = p_.compareWaves && f > 0 && v_.ownWavesWhileReading;
    if (ownWavesFromRead || p_.checkCalibration)
      w.record.ownWaves.resize(p_.channels);
    else
      w.record.ownWaves.clear();
    bool truncated = false;  // a file the batch read is within the limit
    if (w.readAhead[slot])
      result_.scanIdentities[f] = w.identities[slot];
    else
      ReadFileBounded(s_.files[f], buffer, truncated, &result_.scanIdentities[f]);
    ParseScan(v_, buffer, truncated, s_.files[f], s_.labelSource, w.record);
    if (s_.keepFacts) result_.facts[f] = ReadScanFacts(buffer, w.record);
    CheckReadings(f, w.record);
    if (p_.dark) SubtractDark(f, w.record);
    NoteHeads(f, w.record);
    // The label as the wide tables write it.
    if (s_.keepFacts && p_.labelRow < v_.headRows.size()) result_.facts[f].label = result_.heads[p_.labelRow][f];
    if (p_.compareWaves && f > 0) CompareOwnWaves(f, w, buffer, ownWavesFromRead);
    StoreValues(f, w);
  }

  // Saturation (of the readings as the file gives them), the header's dark
  // state and, where the run places the readings with equations, the
  // difference from the scan's own wavelengths: values already in hand.
  void CheckReadings(std::size_t f, const ScanRecord& r) {
    ScanCheck& check = result_.checks[f];
    check.darkScan = r.darkScan;
    check.darkCorrected = r.darkCorrected;
    // Status channels hold no readings: neither saturated nor calibrated.
    const std::size_t spectral =
        v_.statusChannelsFrom > 0 ? static_cast<std::size_t>(v_.statusChannelsFrom) : p_.channels;
    if (const double ceiling = v_.saturationCount; ceiling > 0) {
      const auto count = [&](const std::vector<double>& readings, int table, std::uint32_t& n) {
        const auto [lo, hi] = p_.used[static_cast<std::size_t>(table)];
        const std::size_t end = std::min({hi + 1, readings.size(), spectral});
        for (std::size_t c = lo; c < end; ++c) {
          if (readings[c] < ceiling) continue;
          const double wave = p_.wavelengths[static_cast<std::size_t>(table)][c];
          if (check.Saturated() || n > 0) {
            check.saturatedFrom = std::min(check.saturatedFrom, wave);
            check.saturatedTo = std::max(check.saturatedTo, wave);
          } else {
            check.saturatedFrom = check.saturatedTo = wave;
          }
          ++n;
        }
      };
      count(r.target, v_.targetTable, check.saturatedTarget);
      if (v_.readsPanel) count(r.panel, v_.panelTable, check.saturatedPanel);
    }
    if (p_.checkCalibration && r.ownWaves.size() == p_.channels) {
      double worst = -1;
      for (std::size_t t = 0; t < p_.wavelengths.size(); ++t) {
        const auto [lo, hi] = p_.used[t];
        const std::size_t end = std::min({hi + 1, spectral, p_.wavelengths[t].size()});
        for (std::size_t c = lo; c < end; ++c) {
          const double d = std::fabs(r.ownWaves[c] - p_.wavelengths[t][c]);
          if (std::isnan(d) || d <= worst) continue;
          worst = d;
          check.mismatchChannel = c + 1;
          check.mismatchOwn = r.ownWaves[c];
          check.mismatchPlaced = p_.wavelengths[t][c];
          check.mismatchTable = static_cast<int>(t);
        }
      }
      if (worst >= 0) check.waveMismatch = worst;
    }
  }

  // The dark scan's readings taken from the scan's, channel by channel; a
  // scan the instrument corrected already is left as it is.
  void SubtractDark(std::size_t f, ScanRecord& r) {
    if (r.darkCorrected) return;
    const ScanRecord& dark = *p_.dark;
    const auto ms = [](const std::string& text) { return ParseNumber(text); };
    const auto scanMs = ms(r.integrationMs), darkMs = ms(dark.integrationMs);
    if (!scanMs || !darkMs || *scanMs != *darkMs) {
      const auto shown = [](const std::string& text) { return text.empty() ? std::string("none") : text + " ms"; };
      ProblemPlace place;
      place.file = s_.files[f];
      throw RunFailure(place, "the scan's integration time (" + shown(r.integrationMs) +
                                  ") differs from that of the "
                                  "dark scan " +
                                  s_.darkScan + " (" + shown(dark.integrationMs) +
                                  "); a dark scan is subtracted only from scans of the same integration time");
    }
    for (std::size_t c = 0; c < r.target.size() && c < dark.target.size(); ++c) r.target[c] -= dark.target[c];
    for (std::size_t c = 0; c < r.panel.size() && c < dark.panel.size(); ++c) r.panel[c] -= dark.panel[c];
    result_.checks[f].darkSubtracted = true;
  }

  void NoteHeads(std::size_t f, ScanRecord& record) {
    std::vector<std::string>& warn = fileWarnings_[f];
    if (MakeLabelTableSafe(record.fileLabel))
      warn.push_back(s_.files[f] +
                     ": the label holds a comma, CR or LF; each was written as \"_\": " + record.fileLabel);
    for (const auto& [text, what] :
         {std::pair{&record.date, "date"}, {&record.time, "time"}, {&record.temperature, "temperature"}})
      if (MakeLabelTableSafe(*text))
        warn.push_back(s_.files[f] + ": the " + what + " holds a comma, CR or LF; each was written as \"_\": " + *text);
    for (std::size_t h = 0; h < v_.headRows.size(); ++h)
      if (const auto field = v_.headRows[h].field) result_.heads[h][f] = std::move(record.*field);
    if (StatusValuesOnGrid(record, p_.TargetWaves(), p_.grid)) {
      statusFiles_.fetch_add(1);
      result_.checks[f].statusOnGrid = true;
    }
    if (v_.readsPanel) {
      bool allZero = true;
      for (const double panel : record.panel) allZero = allZero && panel == 0;
      result_.checks[f].zeroPanel = allZero;
      if (allZero)
        warn.push_back(s_.files[f] + ": every panel reading is 0, so every reflectance and absorbance is 999");
    }
  }

  // Only a word for the user: a scan whose own wavelengths cannot be read is
  // still converted with the first scan's.
  void CompareOwnWaves(std::size_t f, FileWork& w, const std::string& buffer, bool fromRead) {
    std::size_t n = 0;
    const std::vector<double>* own = &w.record.ownWaves;
    std::string unreadable;
    if (fromRead) {
      n = std::min(p_.channels, p_.channelsRead[0]);
    } else {
      w.ownWaves.assign(p_.channels, 0.0);
      own = &w.ownWaves;
      try {
        ScanLines in(buffer, false, s_.files[f]);
        n = std::min(v_.readWavelengths(in, w.ownWaves), p_.channelsRead[0]);
      } catch (const RunFailure& e) {
        unreadable = e.what();
      }
    }
    const std::vector<double>& first = p_.wavelengths[0];
    double worst = 0;
    for (std::size_t c = 0; c < n; ++c) {
      if (std::isnan((*own)[c])) {
        if (unreadable.empty()) unreadable = "the wavelength of channel " + std::to_string(c + 1) + " is not a number";
        continue;
      }
      worst = std::max(worst, std::fabs((*own)[c] - first[c]));
    }
    std::vector<std::string>& warn = fileWarnings_[f];
    if (!unreadable.empty())
      warn.push_back(s_.files[f] + ": its own wavelengths cannot all be read (" + unreadable +
                     "); the first scan's are used");
    result_.checks[f].waveMismatch = worst;
    if (worst > kWavelengthTolerance)
      warn.push_back(s_.files[f] + ": its own wavelengths differ from the first scan's by up to " + PlainNumber(worst) +
                     " nm; the first scan's are used");
  }

  void StoreValues(std::size_t f, FileWork& w) {
    const std::array<bool, 4>& modes = s_.modes;
    if (p_.splitTables && p_.resample) {
      StoreFromGrid(f, w);
      return;
    }
    if (p_.planFailure) return;
    ChannelValues(v_, modes, w);
    for (std::size_t m = 0; m < 4; ++m) {
      if (!modes[m]) continue;
      if (p_.deferred) {
        Store(m, f, w.channelValues[m].data(), false);
      } else if (p_.resample) {
        w.column.resize(p_.rows);
        p_.plans[static_cast<std::size_t>(TableOf(v_, m))]->Apply(w.channelValues[m].data(), w.column.data());
        Store(m, f, w.column.data(), true);
      } else {
        Store(m, f, w.channelValues[m].data(), true);
      }
    }
  }

  // Target and panel on the grid first, each with its own table's plan.
  void StoreFromGrid(std::size_t f, FileWork& w) {
    const std::size_t rows = p_.rows;
    const std::array<bool, 4>& modes = s_.modes;
    double* ratios = s_.keepRatios ? result_.ratios.data() + f * rows : nullptr;
    if (SplitTableValues(modes, *p_.plans[static_cast<std::size_t>(v_.targetTable)],
                         *p_.plans[static_cast<std::size_t>(v_.panelTable)], rows, ratios, w)) {
      const auto marked = [&](std::size_t i) {
        return (modes[0] && std::isnan(w.channelValues[0][i])) || (modes[1] && std::isnan(w.channelValues[1][i])) ||
               (ratios && std::isnan(ratios[i]));
      };
      markedFiles_[f] = {s_.files[f], MarkedRanges(p_.grid, marked)};
    }
    if (ratios)
      for (std::size_t r = 0; r < rows; ++r)
        if (std::isnan(ratios[r])) ratios[r] = kNoValue;
    for (std::size_t m = 0; m < 4; ++m)
      if (modes[m]) Store(m, f, w.channelValues[m].data(), true);
  }

  // Column f of table m: storedRows values, one per row.
  void Store(std::size_t m, std::size_t f, const double* values, bool round) {
    double* table = result_.tables[m].data();
    const std::size_t fileCount = p_.fileCount;
    const int decimals = v_.decimals;
    for (std::size_t r = 0; r < p_.storedRows; ++r)
      table[r * fileCount + f] = round ? TableValue(values[r], decimals) : values[r];
  }

  const RunPlan& p_;
  const RunSettings& s_;
  const InstrumentVariant& v_;
  ConversionResult& result_;
  // One list per file: a file name may itself hold a line end.
  std::vector<std::vector<std::string>> fileWarnings_;
  // Per file: where grid points are marked that interpolation would have
  // formed from a reading of 0 (empty name: none).
  std::vector<MarkedScan> markedFiles_;
  std::atomic<std::size_t> statusFiles_{0};
};

// Scans that share a label cannot be told apart in the tables. Grouped by
// sorting the file indices by label: no allocation per label.
void AddSharedLabelWarnings(const std::vector<std::string>& labels, const std::vector<std::string>& files,
                            std::vector<std::string>& warnings) {
  const std::size_t fileCount = labels.size();
  std::vector<std::size_t> order(fileCount);
  for (std::size_t f = 0; f < fileCount; ++f) order[f] = f;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return labels[a] < labels[b]; });
  std::vector<std::pair<std::size_t, std::size_t>> groups;  // (start in order, size), files in list order
  for (std::size_t i = 0; i < fileCount;) {
    std::size_t j = i + 1;
    while (j < fileCount && labels[order[j]] == labels[order[i]]) ++j;
    if (j - i > 1) groups.emplace_back(i, j - i);
    i = j;
  }
  // In the order of each label's first scan, as the files are listed.
  std::sort(groups.begin(), groups.end(),
            [&](const auto& a, const auto& b) { return order[a.first] < order[b.first]; });
  for (const auto& [start, size] : groups) {
    std::string names;
    for (std::size_t i = 0; i < size && i < 5; ++i) names += (i ? ", " : "") + files[order[start + i]];
    if (size > 5) names += ", ...";
    warnings.push_back(std::to_string(size) + " scans share the label \"" + labels[order[start]] + "\": " + names);
  }
}

// Every scan read in parallel (results identical to one thread), blocks of
// kBlock files in list order; the first failure in list order wins.
void ReadScans(const RunPlan& p, ScanTabulator& tabulator, const ProgressFn& progress, unsigned threads) {
  const std::size_t toRead = p.planFailure ? 1 : p.fileCount;
  const unsigned workers = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::unique_ptr<FileWork>> works(workers);  // made by the thread that uses it
  const bool done = ParallelOrdered(
      {.count = toRead, .block = kBlock, .threads = workers},
      [&](std::size_t first, std::size_t last, unsigned worker) {
        if (!works[worker]) works[worker] = std::make_unique<FileWork>();
        tabulator.Block(first, last, *works[worker]);
      },
      {}, progress);
  if (!done) throw RunCancelled();
}

}  // namespace

ConversionResult ComputeConversion(const RunSettings& s, WavelengthTables& tables, const ProgressFn& progress,
                                   unsigned threads) try {
  // The order of the steps decides which failure a user sees first.
  CheckRequest(s);
  RunPlan plan(s);
  PlanGrid(plan);
  PlanTables(plan, tables);
  PlanDark(plan);
  ConversionResult result = PlanStorage(plan);
  ScanTabulator tabulator(plan, result);
  ReadScans(plan, tabulator, progress, threads);
  if (plan.planFailure) throw *plan.planFailure;

  result.warnings = tabulator.Warnings();
  if (plan.labelRow < plan.variant.headRows.size())
    AddSharedLabelWarnings(result.heads[plan.labelRow], s.files, result.warnings);
  if (std::string marks = tabulator.MarksWarning(); !marks.empty()) {
    result.warnings.push_back(marks);
    result.marksWarnings.push_back(std::move(marks));
  }
  result.statusChannelFiles = tabulator.StatusFiles();
  if (plan.variant.statusChannelsFrom > 0)
    result.lastReadingWavelength = plan.TargetWaves()[static_cast<std::size_t>(plan.variant.statusChannelsFrom - 1)];
  result.darkScanGiven = plan.dark.has_value();
  if (progress) progress(plan.fileCount, plan.fileCount);
  return result;
} catch (const std::bad_alloc&) {
  Fail("out of memory: the run needs more memory than is available; convert fewer files at a time");
}

std::optional<std::size_t> ScanReplacedBy(const ConversionResult& r, const std::string& path) {
  const std::optional<FileIdentity> output = IdentityOf(path);
  if (!output) return std::nullopt;
  for (std::size_t f = 0; f < r.scanIdentities.size(); ++f)
    if (r.scanIdentities[f] == *output) return f;
  return std::nullopt;
}

void UseChannelEquations(RunSettings& s, const DcEquationTexts& e) {
  const auto& c = e.coefficients;
  s.waveSource = WaveSource::Equation;
  s.equation = {c[0], c[1], c[2], e.startChannel};
  s.moreEquations = {EquationTexts{c[3], c[4], c[5], e.startChannel}};
  s.interpolate = true;
}

std::string StatusChannelWarning(const ConversionResult& r) {
  if (r.statusChannelFiles == 0) return {};
  const std::size_t from = static_cast<std::size_t>(r.variant->statusChannelsFrom);
  return std::to_string(r.statusChannelFiles) + " of " + std::to_string(r.fileCount) +
         " files hold instrument status values, not readings, in channels " + std::to_string(from) + " to " +
         std::to_string(r.variant->Channels() - 1) + "; grid points above " + PlainNumber(r.lastReadingWavelength) +
         " nm (channel " + std::to_string(from - 1) + ") are interpolated from them; end the grid at or below " +
         PlainNumber(r.lastReadingWavelength) + " nm to leave them out";
}

namespace {

// "a, b, c, ..." of at most five names.
std::string FirstNames(const std::vector<std::size_t>& which, const std::vector<std::string>& files) {
  std::string names;
  for (std::size_t i = 0; i < which.size() && i < 5; ++i) names += (i ? ", " : "") + files[which[i]];
  if (which.size() > 5) names += ", ...";
  return names;
}

// The scans whose check `has` holds.
template <class Has>
std::vector<std::size_t> ScansWhere(const ConversionResult& r, Has has) {
  std::vector<std::size_t> which;
  for (std::size_t f = 0; f < r.checks.size(); ++f)
    if (has(r.checks[f])) which.push_back(f);
  return which;
}

// "between 510.2 and 591.3 nm" over the saturated scans.
std::string SaturatedRange(const ConversionResult& r, const std::vector<std::size_t>& which) {
  double from = r.checks[which.front()].saturatedFrom, to = r.checks[which.front()].saturatedTo;
  for (std::size_t f : which) {
    from = std::min(from, r.checks[f].saturatedFrom);
    to = std::max(to, r.checks[f].saturatedTo);
  }
  return from == to ? "at " + PlainNumber(from) + " nm"
                    : "between " + PlainNumber(from) + " and " + PlainNumber(to) + " nm";
}

}  // namespace

std::vector<std::string> ScanCheckWarnings(const ConversionResult& r, const std::vector<std::string>& files) {
  std::vector<std::string> warnings;
  if (r.checks.size() != files.size()) return warnings;
  const std::string ceiling = PlainNumber(r.variant->saturationCount);
  if (const auto which = ScansWhere(r, [](const ScanCheck& c) { return c.Saturated(); }); !which.empty())
    warnings.push_back(std::to_string(which.size()) + " of " + std::to_string(files.size()) + " scans read " + ceiling +
                       " counts or more (the detector is saturated) in the target or "
                       "the panel at channels the grid uses, " +
                       SaturatedRange(r, which) + ": " + FirstNames(which, files) + "; their values there are wrong");
  if (const auto which = ScansWhere(r, [](const ScanCheck& c) { return c.darkScan; }); !which.empty())
    warnings.push_back("dark scans converted as spectra: " + FirstNames(which, files));
  if (const auto which = ScansWhere(r, [](const ScanCheck& c) { return c.darkCorrected; });
      !which.empty() && r.darkScanGiven)
    warnings.push_back(std::to_string(which.size()) +
                       " scans name their dark file (the instrument corrected them "
                       "already) and were not corrected again: " +
                       FirstNames(which, files));
  if (!r.checks.empty() && r.variant->checksCalibration) {
    const ScanCheck& first = r.checks.front();
    if (first.waveMismatch > kCalibrationTolerance)
      warnings.push_back(
          "the channel " + std::to_string(first.mismatchTable + 1) + " equation places channel " +
          std::to_string(first.mismatchChannel) + " at " + PlainNumber(first.mismatchPlaced) +
          " nm, but the first "
          "scan " +
          files.front() + " gives it as " + PlainNumber(first.mismatchOwn) + " nm (" +
          PlainNumber(RoundHalfEven(first.waveMismatch, 2)) +
          " nm apart, the largest difference over the channels "
          "the grid uses); the values are placed as the equations say. Fit the instrument's own calibration with "
          "corvelane instruments --fit NAME SCAN... (or \"From scans\" in the Wavelength Calibrations window) and "
          "use it");
  }
  return warnings;
}

std::string SaturatedReferenceWarning(const ConversionResult& r, const std::vector<std::string>& files) {
  if (r.checks.size() != files.size()) return {};
  const auto which = ScansWhere(r, [](const ScanCheck& c) { return c.Saturated(); });
  if (which.empty()) return {};
  return std::to_string(which.size()) + " reference scan" + (which.size() == 1 ? " reads " : "s read ") +
         PlainNumber(r.variant->saturationCount) + " counts or more (the detector is saturated) " +
         SaturatedRange(r, which) + ": " + FirstNames(which, files) +
         "; the reference there, and every value corrected by it, is wrong";
}

}  // namespace corvelane
