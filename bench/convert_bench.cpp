// Generates N scans of a format in a temporary folder, converts them with the
// corvelane executable (whole process, as a user runs it) and prints files per
// second, MB per second of scan text and the peak memory of the converting
// process. Usage: corvelane_bench [N] [FORMAT] [RUNS]
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
  if (!variant->wavesFromFileOffered()) {
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
  fs::remove_all(folder);
  return 0;
}
