#include "convert/conversion_run.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <mutex>
#include <thread>

#include "instruments/file_label.h"
#include "instruments/scan_readers.h"
#include "text/batch_read.h"
#include "text/failure.h"
#include "text/line_reading.h"
#include "text/marks.h"
#include "text/numeric_text.h"
#include "text/thread_start.h"

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

ConversionResult ComputeConversion(const RunSettings& s, WavelengthTables& tables, const ProgressFn& progress,
                                   unsigned threads) try {
  const InstrumentVariant& variant = *s.variant;
  if (s.files.empty()) Fail("no scan files were listed");
  if (s.files.size() > kMaxRunFiles) Fail("a run takes at most 32767 files");
  for (int m = 0; m < 4; ++m)
    if (s.modes[static_cast<std::size_t>(m)] && !variant.modesOffered[static_cast<std::size_t>(m)])
      Fail(std::string(variant.caption) + " files offer no " + std::string(ModeCliName(static_cast<OutputMode>(m))) +
           " output");

  // The order of the steps decides which failure a user sees first.
  const std::vector<double> grid = GridPoints(s.grid);
  const std::size_t fileCount = s.files.size();
  const std::size_t channels = variant.Channels();
  // Target and panel on different wavelength tables meet only on the grid:
  // reflectance and absorbance are then taken from the resampled readings.
  const bool splitTables = variant.targetTable != variant.panelTable && variant.readsPanel;
  // With more grid points than channels, the per-channel values are kept and
  // resampled while the tables are written: far less memory.
  const bool keepChannels = s.interpolate && !splitTables && grid.size() > channels;
  std::size_t modeCount = 0;
  for (bool m : s.modes) modeCount += m;
  {
    // Before anything is read: will the tables fit?
    const std::uint64_t stored = keepChannels ? channels : (s.interpolate ? grid.size() : channels);
    const std::uint64_t need = stored * fileCount * modeCount * sizeof(double);
    const std::uint64_t available = AvailableBytes();
    if (available != 0 && need > available)
      Fail("the result tables of " + std::to_string(fileCount) + " files need " + Megabytes(need) +
           " of memory, more than the " + Megabytes(available) + " available; convert fewer files at a time");
  }

  // One wavelength table and, when resampling, one plan per table of the format.
  const auto tableCount = static_cast<std::size_t>(variant.wavelengthTables);
  std::vector<std::vector<double>> wavelengths(tableCount);
  std::vector<std::size_t> channelsRead(tableCount);
  for (std::size_t t = 0; t < tableCount; ++t)
    wavelengths[t] = FillWavelengths(s, tables, static_cast<int>(t), channelsRead[t]);
  std::vector<std::optional<ResamplePlan>> plans(tableCount);
  std::optional<RunFailure> planFailure;
  if (s.interpolate) {
    try {
      for (std::size_t t = 0; t < tableCount; ++t) {
        // A short GER 2600 file leaves the later table entries as an earlier
        // run left them; grid points must lie within the file's own channels.
        const std::vector<double> searched(wavelengths[t].begin(),
                                           wavelengths[t].begin() + static_cast<std::ptrdiff_t>(channelsRead[t]));
        plans[t].emplace(grid, searched, SourceName(s));
      }
    } catch (const RunFailure& f) {
      planFailure = f;  // reported after the first file, where the search would meet it
    }
  }
  const bool resample = s.interpolate && !planFailure;
  const bool compareWaves = s.waveSource == WaveSource::FromFile && tableCount == 1 && variant.WavesFromFileOffered();
  const int decimals = variant.decimals;

  ConversionResult result;
  result.variant = &variant;
  result.fileCount = fileCount;
  result.rowWavelengths = s.interpolate ? grid : wavelengths[static_cast<std::size_t>(variant.targetTable)];
  result.heads.assign(variant.headRows.size(), std::vector<std::string>(fileCount));
  result.scanIdentities.resize(fileCount);
  const std::size_t rows = result.Rows();
  const bool deferred = keepChannels && resample;
  if (deferred) result.channelPlan = std::make_shared<const ResamplePlan>(std::move(*plans[0]));
  const std::size_t storedRows = deferred ? channels : rows;
  std::array<bool, 4> modes = s.modes;
  for (int m = 0; m < 4; ++m)
    if (modes[static_cast<std::size_t>(m)]) result.tables[static_cast<std::size_t>(m)].resize(storedRows * fileCount);
  // One list per file: a file name may itself hold a line end.
  std::vector<std::vector<std::string>> fileWarnings(fileCount);
  // Per file: where grid points are marked that interpolation would have
  // formed from a reading of 0 (empty name: none).
  std::vector<MarkedScan> markedFiles(splitTables ? fileCount : 0);
  std::size_t labelRow = variant.headRows.size();
  for (std::size_t h = 0; h < variant.headRows.size(); ++h)
    if (variant.headRows[h].field == &ScanRecord::fileLabel) labelRow = h;

  if (s.keepRatios && resample && splitTables) result.ratios.resize(rows * fileCount);
  // Status values instead of readings matter only where the grid reaches
  // above the last channel that holds a reading.
  const std::vector<double>& targetWaves = wavelengths[static_cast<std::size_t>(variant.targetTable)];
  std::atomic<std::size_t> statusFiles{0};

  const std::size_t toRead = planFailure ? 1 : fileCount;
  std::atomic<std::size_t> next{0};
  std::atomic<int> done{0};
  std::atomic<std::size_t> firstFailed{std::numeric_limits<std::size_t>::max()};
  std::mutex failureMutex;
  std::optional<RunFailure> failure;
  const auto failAt = [&](std::size_t f, RunFailure e) {
    std::lock_guard lock(failureMutex);
    if (f < firstFailed.load()) {
      firstFailed.store(f);
      failure = std::move(e);
    }
  };

  // Column f of table m: storedRows values, one per row.
  const auto store = [&](std::size_t m, std::size_t f, const double* values, bool round) {
    double* table = result.tables[m].data();
    for (std::size_t r = 0; r < storedRows; ++r)
      table[r * fileCount + f] = round ? TableValue(values[r], decimals) : values[r];
  };

  // File f, in slot `slot` of the thread's block.
  const auto readOne = [&](std::size_t f, FileWork& w, std::size_t slot) {
    std::string& buffer = w.buffers[slot];
    // Formats that meet the wavelengths while reading give them on the way.
    const bool ownWavesFromRead = compareWaves && f > 0 && variant.ownWavesWhileReading;
    if (ownWavesFromRead)
      w.record.ownWaves.resize(channels);
    else
      w.record.ownWaves.clear();
    bool truncated = false;  // a file the batch read is within the limit
    if (w.readAhead[slot])
      result.scanIdentities[f] = w.identities[slot];
    else
      ReadFileBounded(s.files[f], buffer, truncated, &result.scanIdentities[f]);
    ParseScan(variant, buffer, truncated, s.files[f], s.labelSource, w.record);
    std::vector<std::string>& warn = fileWarnings[f];
    if (MakeLabelTableSafe(w.record.fileLabel))
      warn.push_back(s.files[f] +
                     ": the label holds a comma, CR or LF; each was written as \"_\": " + w.record.fileLabel);
    for (const auto& [text, what] :
         {std::pair{&w.record.date, "date"}, {&w.record.time, "time"}, {&w.record.temperature, "temperature"}})
      if (MakeLabelTableSafe(*text))
        warn.push_back(s.files[f] + ": the " + what + " holds a comma, CR or LF; each was written as \"_\": " + *text);
    for (std::size_t h = 0; h < variant.headRows.size(); ++h)
      if (const auto field = variant.headRows[h].field) result.heads[h][f] = std::move(w.record.*field);
    if (StatusValuesOnGrid(w.record, targetWaves, grid)) statusFiles.fetch_add(1);
    if (variant.readsPanel) {
      bool allZero = true;
      for (const double p : w.record.panel) allZero = allZero && p == 0;
      if (allZero)
        warn.push_back(s.files[f] + ": every panel reading is 0, so every reflectance and absorbance is 999");
    }
    if (compareWaves && f > 0) {
      // Only a word for the user: a scan whose own wavelengths cannot be
      // read is still converted with the first scan's.
      std::size_t n = 0;
      const std::vector<double>* own = &w.record.ownWaves;
      std::string unreadable;
      if (ownWavesFromRead) {
        n = std::min(channels, channelsRead[0]);
      } else {
        w.ownWaves.assign(channels, 0.0);
        own = &w.ownWaves;
        try {
          ScanLines in(buffer, false, s.files[f]);
          n = std::min(variant.readWavelengths(in, w.ownWaves), channelsRead[0]);
        } catch (const RunFailure& e) {
          unreadable = e.what();
        }
      }
      const std::vector<double>& first = wavelengths[0];
      double worst = 0;
      for (std::size_t c = 0; c < n; ++c) {
        if (std::isnan((*own)[c])) {
          if (unreadable.empty())
            unreadable = "the wavelength of channel " + std::to_string(c + 1) + " is not a number";
          continue;
        }
        worst = std::max(worst, std::fabs((*own)[c] - first[c]));
      }
      if (!unreadable.empty())
        warn.push_back(s.files[f] + ": its own wavelengths cannot all be read (" + unreadable +
                       "); the first scan's are used");
      if (worst > kWavelengthTolerance)
        warn.push_back(s.files[f] + ": its own wavelengths differ from the first scan's by up to " +
                       PlainNumber(worst) + " nm; the first scan's are used");
    }
    if (splitTables && resample) {
      double* ratios = s.keepRatios ? result.ratios.data() + f * rows : nullptr;
      if (SplitTableValues(modes, *plans[static_cast<std::size_t>(variant.targetTable)],
                           *plans[static_cast<std::size_t>(variant.panelTable)], rows, ratios, w)) {
        const auto marked = [&](std::size_t i) {
          return (modes[0] && std::isnan(w.channelValues[0][i])) || (modes[1] && std::isnan(w.channelValues[1][i])) ||
                 (ratios && std::isnan(ratios[i]));
        };
        markedFiles[f] = {s.files[f], MarkedRanges(grid, marked)};
      }
      if (ratios)
        for (std::size_t r = 0; r < rows; ++r)
          if (std::isnan(ratios[r])) ratios[r] = kNoValue;
      for (std::size_t m = 0; m < 4; ++m)
        if (modes[m]) store(m, f, w.channelValues[m].data(), true);
      return;
    }
    if (planFailure) return;
    ChannelValues(variant, modes, w);
    for (std::size_t m = 0; m < 4; ++m) {
      if (!modes[m]) continue;
      if (deferred) {
        store(m, f, w.channelValues[m].data(), false);
      } else if (resample) {
        w.column.resize(rows);
        plans[static_cast<std::size_t>(TableOf(variant, m))]->Apply(w.channelValues[m].data(), w.column.data());
        store(m, f, w.column.data(), true);
      } else {
        store(m, f, w.channelValues[m].data(), true);
      }
    }
  };

  const auto work = [&](bool reportsProgress) {
    FileWork w;
    for (;;) {
      const std::size_t first = next.fetch_add(kBlock);
      if (first >= toRead || first > firstFailed.load()) break;
      const std::size_t last = std::min(toRead, first + kBlock);
      std::array<const std::string*, kBlock> paths{};
      for (std::size_t f = first; f < last; ++f) paths[f - first] = &s.files[f];
      w.batch.Read(std::span(paths.data(), last - first), w.buffers, w.identities, w.readAhead);
      for (std::size_t f = first; f < last && f <= firstFailed.load(); ++f) {
        try {
          readOne(f, w, f - first);
        } catch (const RunFailure& e) {
          failAt(f, e);
        } catch (const std::bad_alloc&) {
          ProblemPlace place;
          place.file = s.files[f];
          failAt(f, RunFailure(place, "out of memory while converting the file"));
        }
        const int d = done.fetch_add(1) + 1;
        if (reportsProgress && progress) progress(d, static_cast<int>(toRead));
      }
    }
  };

  unsigned count = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
  count = static_cast<unsigned>(std::min<std::size_t>(count, (toRead + 7) / 8));
  {
    // Threads share the files by taking blocks in turn, so fewer helpers
    // than asked (the system may refuse some) only take longer.
    std::vector<std::jthread> helpers;
    StartThreads(helpers, count - 1, [&](std::size_t) { work(false); });
    work(true);
  }
  if (failure) throw *failure;
  if (planFailure) throw *planFailure;

  for (auto& w : fileWarnings) result.warnings.insert(result.warnings.end(), w.begin(), w.end());
  if (labelRow < variant.headRows.size()) {
    // Scans that share a label cannot be told apart in the tables. Grouped
    // by sorting the file indices by label: no allocation per label.
    const std::vector<std::string>& labels = result.heads[labelRow];
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
      for (std::size_t i = 0; i < size && i < 5; ++i) names += (i ? ", " : "") + s.files[order[start + i]];
      if (size > 5) names += ", ...";
      result.warnings.push_back(std::to_string(size) + " scans share the label \"" + labels[order[start]] +
                                "\": " + names);
    }
  }
  {
    std::vector<MarkedScan> marked;
    for (MarkedScan& m : markedFiles)
      if (!m.name.empty()) marked.push_back(std::move(m));
    result.marksWarning = MarkedScansWarning(marked, kMarkedGridPointsSingular, kMarkedGridPointsPlural);
    if (!result.marksWarning.empty()) result.warnings.push_back(result.marksWarning);
  }
  result.statusChannelFiles = statusFiles.load();
  if (variant.statusChannelsFrom > 0)
    result.lastReadingWavelength = targetWaves[static_cast<std::size_t>(variant.statusChannelsFrom - 1)];
  if (progress) progress(static_cast<int>(fileCount), static_cast<int>(fileCount));
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
         " nm (channel " + std::to_string(from - 1) + ") are interpolated from them";
}

}  // namespace corvelane
