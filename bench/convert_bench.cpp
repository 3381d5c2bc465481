// Generates N scans of a format in a temporary folder, converts them with the
// corvelane executable (whole process, as a user runs it) and prints the
// median wall time, files and MB per second of scan text and the peak memory
// of the converting process, beside a floor: the time to read every scan file
// and write a file of the output's size, in one thread, without converting.
// Usage: corvelane_bench [N] [FORMAT] [RUNS] [--lf]
//        corvelane_bench --growth [FORMAT] [RUNS]   (1,000, 10,000 and 30,000 files)
// --lf writes the scans with LF-only line ends instead of CR LF.
// --keep leaves the generated folder in place (its path is printed), for profiling.
// Without --growth, when the format's reflectance file is comma-separated, it
// then runs `corvelane indices` on that table (one column per scan) with five
// indices and the derivative file, then `corvelane bands --sensor all` (every
// band of every shipped sensor into the long band file), and prints their
// wall times and peak memory; then `convert --long` alone (the long table of
// the reflectance, no wide table), to a file and to /dev/null, and prints its
// wall time and MB per second of CSV over the whole run, beside the floor.
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

// Reading every scan (open, read, close) and writing `outBytes` bytes, on
// one thread.
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
  // The output's bytes from one reused buffer: the floor holds no table.
  const std::string chunk(std::size_t{1} << 20, total ? 'x' : 'y');
  FILE* f = std::fopen((folder / "floor.txt").string().c_str(), "wb");
  for (std::size_t left = outBytes; left > 0;) {
    const std::size_t n = std::min(left, chunk.size());
    std::fwrite(chunk.data(), 1, n, f);
    left -= n;
  }
  std::fclose(f);
  const double seconds = Seconds(t0);
  fs::remove(folder / "floor.txt");
  return seconds;
}

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
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execv(argv[0], argv.data());
      std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    t.seconds.push_back(Seconds(t0));
    t.peakKb = std::max(t.peakKb, usage.ru_maxrss);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "%s %s failed (status %d)\n", args[0].c_str(), args[1].c_str(), status);
      t.ok = false;
      return t;
    }
  }
  return t;
}

// The index run over the reflectance table `table` of `columns` columns.
bool RunIndexCase(const fs::path& exe, const fs::path& folder, const std::string& table, int columns, int runs) {
  const std::string indexFile = (folder / "index.txt").string();
  const std::string derivativeFile = (folder / "derivative.txt").string();
  const std::vector<std::string> args = {exe.string(),
                                         "indices",
                                         "--index",
                                         "NDVI,800,670,nd,reflectance",
                                         "--index",
                                         "PRI,531,570,nd,reflectance",
                                         "--index",
                                         "WBI,900,970,ratio,reflectance",
                                         "--index",
                                         "dNDVI,800,670,nd,derivative",
                                         "--index",
                                         "dSR,750,705,ratio,derivative",
                                         "--index-file",
                                         indexFile,
                                         "--derivative-file",
                                         derivativeFile,
                                         table};
  std::printf("\nindex run over that table (%d columns, %.1f MB): five indices, index and derivative files\n", columns,
              static_cast<double>(fs::file_size(table)) / 1e6);
  Timed t = TimeRuns(args, runs);
  if (!t.ok) return false;
  for (std::size_t r = 0; r < t.seconds.size(); ++r) std::printf("run %zu: %.3f s wall\n", r + 1, t.seconds[r]);
  std::sort(t.seconds.begin(), t.seconds.end());
  std::printf(
      "index run median of %d: %.3f s wall (best %.3f s); peak memory %.1f MB; wrote index file %.2f MB "
      "and derivative file %.1f MB\n",
      runs, t.seconds[t.seconds.size() / 2], t.seconds.front(), t.peakKb / 1024.0,
      static_cast<double>(fs::file_size(indexFile)) / 1e6, static_cast<double>(fs::file_size(derivativeFile)) / 1e6);
  return true;
}

// Every band of every shipped sensor over the same table.
bool RunBandsCase(const fs::path& exe, const fs::path& folder, const std::string& table, int columns, int runs) {
  const std::string bandsFile = (folder / "bands.csv").string();
  std::printf("\nbands run over that table (%d columns): --sensor all, long band file\n", columns);
  Timed t = TimeRuns({exe.string(), "bands", "--sensor", "all", "--long-bands", bandsFile, table}, runs);
  if (!t.ok) return false;
  for (std::size_t r = 0; r < t.seconds.size(); ++r) std::printf("run %zu: %.3f s wall\n", r + 1, t.seconds[r]);
  std::sort(t.seconds.begin(), t.seconds.end());
  std::printf("bands run median of %d: %.3f s wall (best %.3f s); peak memory %.1f MB; wrote %.1f MB\n", runs,
              t.seconds[t.seconds.size() / 2], t.seconds.front(), t.peakKb / 1024.0,
              static_cast<double>(fs::file_size(bandsFile)) / 1e6);
  return true;
}

// The long table of the reflectance, no wide table: the whole run (reading
// the scans included) against the CSV's size, written to a file (beside the
// floor of reading the scans and writing as many bytes) and to /dev/null
// (no disk: reading, computing and formatting).
bool RunLongCase(std::vector<std::string> convertArgs, const fs::path& folder, int runs,
                 const std::vector<std::string>& scans) {
  const std::string longFile = (folder / "long.csv").string();
  // convertArgs: exe, convert, FORMAT, --reflectance, OUT, ...: the table's option becomes --long.
  convertArgs[3] = "--long";
  convertArgs[4] = longFile;
  std::printf("\nlong table of the same scans (--long alone: reflectance rows, no wide table)\n");
  std::vector<double> times, floors;
  double mb = 0;
  for (int r = 0; r < runs; ++r) {
    const Timed t = TimeRuns(convertArgs, 1);
    if (!t.ok) return false;
    const auto bytes = static_cast<std::size_t>(fs::file_size(longFile));
    mb = static_cast<double>(bytes) / 1e6;
    fs::remove(longFile);
    const double floor = FloorSeconds(scans, bytes, folder);
    std::printf("run %d: %.3f s wall, %.0f MB/s of CSV, peak memory %.1f MB; floor %.3f s\n", r + 1, t.seconds[0],
                mb / t.seconds[0], t.peakKb / 1024.0, floor);
    times.push_back(t.seconds[0]);
    floors.push_back(floor);
  }
  convertArgs[4] = "/dev/null";
  Timed null = TimeRuns(convertArgs, runs);
  if (!null.ok) return false;
  std::sort(times.begin(), times.end());
  std::sort(floors.begin(), floors.end());
  std::sort(null.seconds.begin(), null.seconds.end());
  const double median = times[times.size() / 2], nullMedian = null.seconds[null.seconds.size() / 2];
  std::printf(
      "long run median of %d: %.3f s wall, %.1f MB of CSV, %.0f MB/s (read-and-write floor %.3f s, %.0f MB/s); "
      "to /dev/null %.3f s, %.0f MB/s\n",
      runs, median, mb, mb / median, floors[floors.size() / 2], mb / floors[floors.size() / 2], nullMedian,
      mb / nullMedian);
  return true;
}

bool keepFolder = false;

struct Figures {
  double median = 0, floorMedian = 0;
  long peakKb = 0;
};

// Returns false when a run fails.
bool RunCase(int n, const std::string& formatName, int runs, bool lfOnly, Figures& figures, bool withIndices = false) {
  const corvelane::InstrumentVariant* variant = corvelane::VariantByCliName(formatName);
  const fs::path exe = fs::canonical("/proc/self/exe").parent_path() / "corvelane";
  const fs::path folder = fs::temp_directory_path() / ("corvelane-bench-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  const auto scans = corvelane::synth::WriteScans(folder.string(), corvelane::synth::FormatOf(*variant), n, "SCAN");
  if (lfOnly)
    for (const auto& s : scans) ToLfOnly(s);
  std::uintmax_t bytes = 0;
  for (const auto& s : scans) bytes += fs::file_size(s);
  std::string list;
  for (const auto& s : scans) list += s + "\n";
  const std::string listPath = (folder / "list.txt").string();
  WriteAll(listPath, list);
  std::string waves;
  // UniSpec-DC runs always take their two channel equations; the others
  // without wavelengths in their files take an external list.
  if (!variant->WavesFromFileOffered() && !variant->window.channelEquations) {
    waves = (folder / "waves.txt").string();
    WriteAll(waves,
             corvelane::synth::ExternalWavelengthText(corvelane::synth::FormatOf(*variant), variant->channelCount));
  }
  ::sync();  // let the freshly written scans reach the disk before timing
  const std::string out = (folder / "reflectance.txt").string();

  // The list goes through --files-from: 30,000 paths are longer than a command line may be.
  std::vector<std::string> args = {exe.string(), "convert", formatName, "--reflectance", out, "--files-from", listPath};
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
    std::printf("run %d: %.3f s wall, %.0f files/s, %.0f MB/s, peak memory %.1f MB; floor %.3f s\n", r + 1, seconds,
                n / seconds, static_cast<double>(bytes) / 1e6 / seconds, usage.ru_maxrss / 1024.0, floor);
    times.push_back(seconds);
    floors.push_back(floor);
    figures.peakKb = std::max(figures.peakKb, usage.ru_maxrss);
  }
  const double outMb = static_cast<double>(fs::file_size(out)) / 1e6;
  std::sort(times.begin(), times.end());
  std::sort(floors.begin(), floors.end());
  figures.median = times[times.size() / 2];
  figures.floorMedian = floors[floors.size() / 2];
  std::printf(
      "median of %d: %.3f s wall (%.1f us per file), %.0f MB/s of scan text; peak memory %.1f MB; "
      "output %.1f MB; read-and-write floor %.3f s\n",
      runs, figures.median, figures.median / n * 1e6, static_cast<double>(bytes) / 1e6 / figures.median,
      figures.peakKb / 1024.0, outMb, figures.floorMedian);
  bool ok = true;
  if (withIndices &&
      variant->separators[static_cast<std::size_t>(corvelane::Index(corvelane::OutputMode::Reflectance))] ==
          corvelane::ColumnSeparator::Comma)
    ok = RunIndexCase(exe, folder, out, n, runs) && RunBandsCase(exe, folder, out, n, runs);
  if (withIndices && ok) ok = RunLongCase(args, folder, runs, scans);
  if (keepFolder)
    std::printf("kept %s\n", folder.c_str());
  else
    fs::remove_all(folder);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  bool lfOnly = false, growth = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--lf")
      lfOnly = true;
    else if (a == "--keep")
      keepFolder = true;
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
    return RunCase(n, formatName, runs, lfOnly, f, true) ? 0 : 1;
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
