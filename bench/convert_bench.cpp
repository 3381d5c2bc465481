// Generates N scans of a format in a temporary folder, converts them with the
// corvelane executable (whole process, as a user runs it) and prints files per
// second, MB per second of scan text and the peak memory of the converting
// process. Usage: corvelane_bench [N] [FORMAT] [RUNS] [--lf]
// --lf writes the scans with LF-only line ends instead of CR LF.
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

// Rewrites a scan file with LF-only line ends.
void ToLfOnly(const std::string& path) {
  std::string text;
  {
    FILE* f = std::fopen(path.c_str(), "rb");
    char chunk[1 << 14];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    std::fclose(f);
  }
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  bool lfOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--lf")
      lfOnly = true;
    else
      positional.emplace_back(argv[i]);
  }
  const int n = positional.size() > 0 ? std::atoi(positional[0].c_str()) : 10000;
  const std::string formatName = positional.size() > 1 ? positional[1] : "unispec-old";
  const int runs = positional.size() > 2 ? std::atoi(positional[2].c_str()) : 3;
  const corvelane::InstrumentVariant* variant = corvelane::VariantByCliName(formatName);
  if (!variant || n < 1) {
    std::fprintf(stderr, "usage: corvelane_bench [N] [FORMAT] [RUNS]\n");
    return 2;
  }
  const fs::path exe = fs::canonical("/proc/self/exe").parent_path() / "corvelane";
  const fs::path folder = fs::temp_directory_path() / ("corvelane-bench-" + std::to_string(::getpid()));
  const auto scans = corvelane::synth::WriteScans(folder.string(), variant->format, n, "SCAN");
  if (lfOnly)
    for (const auto& s : scans) ToLfOnly(s);
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

  std::printf("%d %s scans (%s line ends), %.1f MB of scan text, default grid, reflectance only\n", n,
              formatName.c_str(), lfOnly ? "LF" : "CR LF", static_cast<double>(bytes) / 1e6);
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
