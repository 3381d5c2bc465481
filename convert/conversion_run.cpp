#include "convert/conversion_run.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

#include "text/failure.h"
#include "text/numeric_text.h"
#include "instruments/scan_readers.h"

namespace corvelane {

namespace {

// The wavelengths of table `t` of the format, from the chosen source.
std::vector<double> FillWavelengths(const RunSettings& s, WavelengthTables& tables, int t,
                                    std::size_t& channelsRead) {
  channelsRead = s.variant->Channels();
  switch (s.waveSource) {
    case WaveSource::FromFile: return WavesFromScanFile(tables, *s.variant, s.files.front(), &channelsRead, t);
    case WaveSource::ExternalFile: return WavesFromExternalFile(tables, *s.variant, s.externalFilePath, t);
    case WaveSource::Equation: {
      if (t == 0) return WavesFromEquation(tables, *s.variant, s.equation, t);
      const auto extra = static_cast<std::size_t>(t - 1);
      if (extra >= s.moreEquations.size()) Fail("no wavelength equation was given for channel " + std::to_string(t + 1));
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

// Per-thread working arrays of one file.
struct FileWork {
  ScanRecord record;
  std::string buffer;
  std::array<std::vector<double>, 4> channelValues;
  std::vector<double> gridTarget, gridPanel;
};

double Reflectance(double target, double panel) noexcept { return panel == 0 ? 999.0 : target / panel; }
double Absorbance(double target, double panel) noexcept {
  return (panel <= 0 || target <= 0) ? 999.0 : std::log10(panel / target);
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

void ChannelValues(const InstrumentVariant& v, const std::array<bool, 4>& modes, FileWork& w) {
  const ScanRecord& r = w.record;
  if (!v.readsPanel) {  // already the spectrum to report
    w.channelValues[0] = r.target;
    return;
  }
  ModeValues(modes, r.target.data(), r.panel.data(), v.Channels(), w.channelValues);
}

// The wavelength table each mode's values are placed with.
int TableOf(const InstrumentVariant& v, std::size_t mode) noexcept {
  return mode == static_cast<std::size_t>(Index(OutputMode::RawReference)) ? v.panelTable : v.targetTable;
}

}  // namespace

ConversionResult ComputeConversion(const RunSettings& s, WavelengthTables& tables, const ProgressFn& progress,
                                   unsigned threads) {
  const InstrumentVariant& variant = *s.variant;
  if (s.files.empty()) Fail("no scan files were listed");
  if (s.files.size() > 32767) Fail("a run takes at most 32767 files");
  for (int m = 0; m < 4; ++m)
    if (s.modes[static_cast<std::size_t>(m)] && !variant.modesOffered[static_cast<std::size_t>(m)])
      Fail(std::string(variant.caption) + " files offer no " + std::string(ModeCliName(static_cast<OutputMode>(m))) +
           " output");

  // The order of the steps decides which failure a user sees first.
  const std::vector<double> grid = GridPoints(s.grid);
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
  // Target and panel on different wavelength tables meet only on the grid:
  // reflectance and absorbance are then taken from the resampled readings.
  const bool splitTables = variant.targetTable != variant.panelTable && variant.readsPanel;
  const int decimals = variant.decimals;

  ConversionResult result;
  result.variant = &variant;
  const std::size_t fileCount = s.files.size();
  result.fileCount = fileCount;
  result.rowWavelengths = s.interpolate ? grid : wavelengths[static_cast<std::size_t>(variant.targetTable)];
  result.heads.assign(variant.headRows.size(), std::vector<std::string>(fileCount));
  const std::size_t rows = result.Rows();
  std::array<bool, 4> modes = s.modes;
  for (int m = 0; m < 4; ++m)
    if (modes[static_cast<std::size_t>(m)]) result.tables[static_cast<std::size_t>(m)].resize(rows * fileCount);

  const std::size_t toRead = planFailure ? 1 : fileCount;
  std::atomic<std::size_t> next{0};
  std::atomic<int> done{0};
  std::atomic<std::size_t> firstFailed{std::numeric_limits<std::size_t>::max()};
  std::mutex failureMutex;
  std::optional<RunFailure> failure;

  const auto work = [&](bool reportsProgress) {
    FileWork w;
    for (;;) {
      const std::size_t f = next.fetch_add(1);
      if (f >= toRead || f > firstFailed.load()) break;
      try {
        ReadScanFile(variant, s.files[f], s.labelSource, w.record, w.buffer);
        for (std::size_t h = 0; h < variant.headRows.size(); ++h)
          if (const auto field = variant.headRows[h].field) result.heads[h][f] = std::move(w.record.*field);
        if (resample && splitTables) {
          w.gridTarget.resize(rows);
          w.gridPanel.resize(rows);
          plans[static_cast<std::size_t>(variant.targetTable)]->Apply(w.record.target.data(), w.gridTarget.data());
          plans[static_cast<std::size_t>(variant.panelTable)]->Apply(w.record.panel.data(), w.gridPanel.data());
          ModeValues(modes, w.gridTarget.data(), w.gridPanel.data(), rows, w.channelValues);
          for (std::size_t m = 0; m < 4; ++m) {
            if (!modes[m]) continue;
            double* column = result.tables[m].data() + f * rows;
            for (std::size_t r = 0; r < rows; ++r) column[r] = RoundHalfEven(w.channelValues[m][r], decimals);
          }
        } else if (resample) {
          ChannelValues(variant, modes, w);
          for (std::size_t m = 0; m < 4; ++m) {
            if (!modes[m]) continue;
            double* column = result.tables[m].data() + f * rows;
            plans[static_cast<std::size_t>(TableOf(variant, m))]->Apply(w.channelValues[m].data(), column);
            for (std::size_t r = 0; r < rows; ++r) column[r] = RoundHalfEven(column[r], decimals);
          }
        } else if (!planFailure) {
          ChannelValues(variant, modes, w);
          for (std::size_t m = 0; m < 4; ++m) {
            if (!modes[m]) continue;
            double* column = result.tables[m].data() + f * rows;
            for (std::size_t r = 0; r < rows; ++r) column[r] = RoundHalfEven(w.channelValues[m][r], decimals);
          }
        }
      } catch (const RunFailure& e) {
        std::lock_guard lock(failureMutex);
        if (f < firstFailed.load()) {
          firstFailed.store(f);
          failure = e;
        }
      }
      const int d = done.fetch_add(1) + 1;
      if (reportsProgress && progress) progress(d, static_cast<int>(toRead));
    }
  };

  unsigned count = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
  count = static_cast<unsigned>(std::min<std::size_t>(count, (toRead + 7) / 8));
  {
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < count; ++t) helpers.emplace_back(work, false);
    work(true);
  }
  if (failure) throw *failure;
  if (planFailure) throw *planFailure;
  if (progress) progress(static_cast<int>(fileCount), static_cast<int>(fileCount));
  return result;
}

}  // namespace corvelane
