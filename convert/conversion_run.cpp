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

std::vector<double> FillWavelengths(const RunSettings& s, WavelengthTables& tables, std::size_t& channelsRead) {
  channelsRead = static_cast<std::size_t>(s.variant->channelCount);
  switch (s.waveSource) {
    case WaveSource::FromFile: return WavesFromScanFile(tables, *s.variant, s.files.front(), &channelsRead);
    case WaveSource::ExternalFile: return WavesFromExternalFile(tables, *s.variant, s.externalFilePath);
    case WaveSource::Equation: return WavesFromEquation(tables, *s.variant, s.equation);
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
};

void ChannelValues(const InstrumentVariant& v, const std::array<bool, 4>& modes, FileWork& w) {
  const auto n = static_cast<std::size_t>(v.channelCount);
  const ScanRecord& r = w.record;
  if (v.format == Format::UniSpecCompact) {  // already the spectrum to report
    w.channelValues[0] = r.Target;
    return;
  }
  if (modes[0]) {
    auto& refl = w.channelValues[0];
    refl.resize(n);
    for (std::size_t c = 0; c < n; ++c) refl[c] = r.Panel[c] == 0 ? 999.0 : r.Target[c] / r.Panel[c];
  }
  if (modes[1]) {
    auto& abs = w.channelValues[1];
    abs.resize(n);
    for (std::size_t c = 0; c < n; ++c)
      abs[c] = (r.Panel[c] <= 0 || r.Target[c] <= 0) ? 999.0 : std::log10(r.Panel[c] / r.Target[c]);
  }
  if (modes[2]) w.channelValues[2] = r.Target;
  if (modes[3]) w.channelValues[3] = r.Panel;
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
  std::size_t channelsRead = 0;
  const std::vector<double> wavelengths = FillWavelengths(s, tables, channelsRead);
  std::optional<ResamplePlan> plan;
  std::optional<RunFailure> planFailure;
  if (s.interpolate) {
    try {
      // A short GER 2600 file leaves the later table entries as an earlier
      // run left them; grid points must lie within the file's own channels.
      const std::vector<double> searched(wavelengths.begin(),
                                         wavelengths.begin() + static_cast<std::ptrdiff_t>(channelsRead));
      plan.emplace(grid, searched, SourceName(s));
    } catch (const RunFailure& f) {
      planFailure = f;  // reported after the first file, where the search would meet it
    }
  }

  ConversionResult result;
  result.variant = &variant;
  const std::size_t fileCount = s.files.size();
  result.fileCount = fileCount;
  result.rowWavelengths = s.interpolate ? grid : wavelengths;
  result.headsHaveDateTime = variant.format != Format::UniSpecCompact;
  result.heads.labels.resize(fileCount);
  result.heads.dates.resize(fileCount);
  result.heads.times.resize(fileCount);
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
        ChannelValues(variant, modes, w);
        result.heads.labels[f] = std::move(w.record.FileLabel);
        result.heads.dates[f] = std::move(w.record.Date);
        result.heads.times[f] = std::move(w.record.Time);
        if (plan) {
          for (std::size_t m = 0; m < 4; ++m) {
            if (!modes[m]) continue;
            double* column = result.tables[m].data() + f * rows;
            plan->Apply(w.channelValues[m].data(), column);
            for (std::size_t r = 0; r < rows; ++r) column[r] = RoundHalfEven(column[r], 6);
          }
        } else if (!planFailure) {
          for (std::size_t m = 0; m < 4; ++m) {
            if (!modes[m]) continue;
            double* column = result.tables[m].data() + f * rows;
            for (std::size_t r = 0; r < rows; ++r) column[r] = RoundHalfEven(w.channelValues[m][r], 6);
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
