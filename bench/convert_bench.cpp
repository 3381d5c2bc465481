// Generates N scans of a format in a temporary folder, converts them with the
// corvelane executable (whole process, as a user runs it) and prints the
// median wall time, files and MB per second of scan text and the peak memory
// of the converting process, beside a floor: the time to read every scan file
// and write a file of the output's size, in one thread, without converting.
// Usage: corvelane_bench [N] [FORMAT] [RUNS] [--lf]
//        corvelane_bench --growth [FORMAT] [RUNS]   (1,000, 10,000 and 30,000 files)
// --lf writes the scans with LF-only line ends instead of CR LF.
#include <fcntl.h>
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

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

std::string ReadAll(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY);
  char chunk[1 << 14];
  ssize_t n = 0;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

void WriteAll(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Rewrites a scan file with LF-only line ends.
void ToLfOnly(const std::string& path) {
  std::string text = ReadAll(path);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  WriteAll(path, text);
}

// Reading every scan (open, read, close) and writing `outBytes` bytes.
double FloorSeconds(const std::vector<std::string>& scans, std::size_t outBytes, const fs::path& folder) {
  std::vector<char> buffer(1 << 20);
  const auto t0 = Clock::now();
  std::size_t total = 0;
  for (const auto& s : scans) {
    const int fd = ::open(s.c_str(), O_RDONLY);
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    total += n > 0 ? static_cast<std::size_t>(n) : 0;
    ::close(fd);
  }
  const std::string out(outBytes, total ? 'x' : 'y');
  WriteAll((folder / "floor.txt").string(), out);
  const double seconds = Seconds(t0);
  fs::remove(folder / "floor.txt");
  return seconds;
}

struct Figures {
  double median = 0, floorMedian = 0;
  long peakKb = 0;
};

// Returns false when a run fails.
bool RunCase(int n, const std::string& formatName, int runs, bool lfOnly, Figures& figures) {
  const corvelane::InstrumentVariant* variant = corvelane::VariantByCliName(formatName);
  const fs::path exe = fs::canonical("/proc/self/exe").parent_path() / "corvelane";
  const fs::path folder = fs::temp_directory_path() / ("corvelane-bench-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  const auto scans = corvelane::synth::WriteScans(folder.string(), variant->format, n, "SCAN");
  if (lfOnly)
    for (const auto& s : scans) ToLfOnly(s);
  std::uintmax_t bytes = 0;
  for (const auto& s : scans) bytes += fs::file_size(s);
  std::string list;
  for (const auto& s : scans) list += s + "\n";
  const std::string listPath = (folder / "list.txt").string();
  WriteAll(listPath, list);
  std::string waves;
  if (!variant->WavesFromFileOffered()) {
    waves = (folder / "waves.txt").string();
    WriteAll(waves, corvelane::synth::ExternalWavelengthText(variant->format, variant->channelCount));
  }
  ::sync();  // let the freshly written scans reach the disk before timing
  const std::string out = (folder / "reflectance.txt").string();

  // The list goes through --files-from: 30,000 paths are longer than a command line may be.
  std::vector<std::string> args = {exe.string(), "convert", formatName, "--reflectance", out, "--files-from",
                                   listPath};
  if (!waves.empty()) {
    args.push_back("--waves");
    args.push_back("external=" + waves);
  }
  std::vector<char*> argv2;
  for (auto& a : args) argv2.push_back(a.data());
  argv2.push_back(nullptr);

  std::printf("%d %s scans (%s line ends), %.1f MB of scan text, default grid, reflectance only\n", n,
              formatName.c_str(), lfOnly ? "LF" : "CR LF", static_cast<double>(bytes) / 1e6);
  std::vector<double> times, floors;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execv(argv2[0], argv2.data());
      std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = Seconds(t0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "corvelane convert failed (status %d)\n", status);
      fs::remove_all(folder);
      return false;
    }
    const double floor = FloorSeconds(scans, static_cast<std::size_t>(fs::file_size(out)), folder);
    std::printf("run %d: %.3f s wall, %.0f files/s, %.0f MB/s, peak memory %.1f MB; floor %.3f s\n", r + 1,
                seconds, n / seconds, static_cast<double>(bytes) / 1e6 / seconds, usage.ru_maxrss / 1024.0, floor);
    times.push_back(seconds);
    floors.push_back(floor);
    figures.peakKb = std::max(figures.peakKb, usage.ru_maxrss);
  }
  const double outMb = static_cast<double>(fs::file_size(out)) / 1e6;
  std::sort(times.begin(), times.end());
  std::sort(floors.begin(), floors.end());
  figures.median = times[times.size() / 2];
  figures.floorMedian = floors[floors.size() / 2];
  std::printf("median of %d: %.3f s wall (%.1f us per file), %.0f MB/s of scan text; peak memory %.1f MB; "
              "output %.1f MB; read-and-write floor %.3f s\n",
              runs, figures.median, figures.median / n * 1e6, static_cast<double>(bytes) / 1e6 / figures.median,
              figures.peakKb / 1024.0, outMb, figures.floorMedian);
  fs::remove_all(folder);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  bool lfOnly = false, growth = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--lf")
      lfOnly = true;
    else if (a == "--growth")
      growth = true;
    else
      positional.push_back(a);
  }
  std::size_t p = 0;
  const int n = growth ? 0 : positional.size() > p ? std::atoi(positional[p++].c_str()) : 10000;
  const std::string formatName = positional.size() > p ? positional[p++] : "unispec-old";
  const int runs = positional.size() > p ? std::atoi(positional[p].c_str()) : 5;
  if (!corvelane::VariantByCliName(formatName) || (!growth && n < 1) || runs < 1) {
    std::fprintf(stderr, "usage: corvelane_bench [N] [FORMAT] [RUNS] [--lf] | --growth [FORMAT] [RUNS]\n");
    return 2;
  }
  if (!growth) {
    Figures f;
    return RunCase(n, formatName, runs, lfOnly, f) ? 0 : 1;
  }
  // Time per file should stay about the same from 1,000 to 30,000 files.
  std::vector<std::pair<int, Figures>> rows;
  for (const int count : {1000, 10000, 30000}) {
    Figures f;
    if (!RunCase(count, formatName, runs, lfOnly, f)) return 1;
    rows.emplace_back(count, f);
  }
  std::printf("growth: files, median s, us per file, peak MB\n");
  for (const auto& [count, f] : rows)
    std::printf("  %6d  %.3f  %.1f  %.1f\n", count, f.median, f.median / count * 1e6, f.peakKb / 1024.0);
  return 0;
}
