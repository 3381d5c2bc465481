// Generates N scans of a format in a temporary folder, converts them with the
// corvelane executable (whole process, as a user runs it) and prints files per
// second, MB per second of scan text and the peak memory of the converting
// process. Then, when the format's reflectance file is comma-separated, runs
// `corvelane indices` on that table (one column per scan) with five indices
// and the derivative file, and prints its time and peak memory.
// Usage: corvelane_bench [N] [FORMAT] [RUNS]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "instruments/variant.h"
#include "tools/scan_synth.h"

namespace fs = std::filesystem;

namespace {

struct Timed {
  std::vector<double> seconds;  // per run
  long peakKb = 0;
  bool ok = true;
};

// Runs `args` (args[0] the program) `runs` times as a separate process.
Timed TimeRuns(std::vector<std::string> args, int runs) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Timed t;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execv(argv[0], argv.data());
      std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    t.seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    t.peakKb = std::max(t.peakKb, usage.ru_maxrss);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "%s %s failed (status %d)\n", args[0].c_str(), args[1].c_str(), status);
      t.ok = false;
      return t;
    }
  }
  return t;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  const std::string formatName = argc > 2 ? argv[2] : "unispec-old";
  const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
  const corvelane::InstrumentVariant* variant = corvelane::VariantByCliName(formatName);
  if (!variant || n < 1) {
    std::fprintf(stderr, "usage: corvelane_bench [N] [FORMAT] [RUNS]\n");
    return 2;
  }
  const fs::path exe = fs::canonical("/proc/self/exe").parent_path() / "corvelane";
  const fs::path folder = fs::temp_directory_path() / ("corvelane-bench-" + std::to_string(::getpid()));
  const auto scans = corvelane::synth::WriteScans(folder.string(), variant->format, n, "SCAN");
  ::sync();  // let the freshly written scans reach the disk before timing
  std::uintmax_t bytes = 0;
  for (const auto& s : scans) bytes += fs::file_size(s);
  std::string waves;
  if (!variant->fromFileOffered) {
    waves = (folder / "waves.txt").string();
    FILE* f = std::fopen(waves.c_str(), "wb");
    const std::string text = corvelane::synth::ExternalWavelengthText(variant->format, variant->channelCount);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  const std::string out = (folder / "reflectance.txt").string();

  std::vector<std::string> args = {exe.string(), "convert", formatName, "--reflectance", out};
  if (!waves.empty()) {
    args.push_back("--waves");
    args.push_back("external=" + waves);
  }
  args.insert(args.end(), scans.begin(), scans.end());
  std::vector<char*> argv2;
  for (auto& a : args) argv2.push_back(a.data());
  argv2.push_back(nullptr);

  std::printf("%d %s scans, %.1f MB of scan text, default grid, reflectance only\n", n, formatName.c_str(),
              static_cast<double>(bytes) / 1e6);
  std::vector<double> times;
  double best = 1e9;
  long peakKb = 0;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execv(argv2[0], argv2.data());
      std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "corvelane convert failed (status %d)\n", status);
      fs::remove_all(folder);
      return 1;
    }
    std::printf("run %d: %.3f s wall, %.0f files/s, %.0f MB/s, peak memory %.1f MB\n", r + 1, seconds,
                n / seconds, static_cast<double>(bytes) / 1e6 / seconds, usage.ru_maxrss / 1024.0);
    if (seconds < best) best = seconds;
    times.push_back(seconds);
    peakKb = std::max(peakKb, usage.ru_maxrss);
  }
  const double outMb = static_cast<double>(fs::file_size(out)) / 1e6;
  std::sort(times.begin(), times.end());
  std::printf("median: %.3f s wall\n", times[times.size() / 2]);
  std::printf("best: %.3f s wall, %.0f files/s, %.0f MB/s of scan text; peak memory %.1f MB; output %.1f MB\n", best,
              n / best, static_cast<double>(bytes) / 1e6 / best, peakKb / 1024.0, outMb);

  if (variant->separators[static_cast<std::size_t>(corvelane::Index(corvelane::OutputMode::Reflectance))] ==
      corvelane::ColumnSeparator::Comma) {
    const std::string indexFile = (folder / "index.txt").string();
    const std::string derivativeFile = (folder / "derivative.txt").string();
    std::vector<std::string> indexArgs = {exe.string(), "indices", "--index", "NDVI,800,670,nd,reflectance",
                                          "--index", "PRI,531,570,nd,reflectance", "--index",
                                          "WBI,900,970,ratio,reflectance", "--index", "dNDVI,800,670,nd,derivative",
                                          "--index", "dSR,750,705,ratio,derivative", "--index-file", indexFile,
                                          "--derivative-file", derivativeFile, out};
    std::printf("\nindex run: the reflectance table above (%d columns, %.1f MB), five indices, index and "
                "derivative files\n", n, outMb);
    const Timed t = TimeRuns(indexArgs, runs);
    if (!t.ok) {
      fs::remove_all(folder);
      return 1;
    }
    for (std::size_t r = 0; r < t.seconds.size(); ++r) std::printf("run %zu: %.3f s wall\n", r + 1, t.seconds[r]);
    std::printf("index run median: %.3f s wall, best %.3f s; peak memory %.1f MB; wrote index file %.2f MB and "
                "derivative file %.1f MB\n",
                Median(t.seconds), *std::min_element(t.seconds.begin(), t.seconds.end()), t.peakKb / 1024.0,
                static_cast<double>(fs::file_size(indexFile)) / 1e6,
                static_cast<double>(fs::file_size(derivativeFile)) / 1e6);
  }
  fs::remove_all(folder);
  return 0;
}
