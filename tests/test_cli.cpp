// The command-line program end to end: exit codes, messages, and which files
// are (and are not) left behind, also against hostile requests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "calibration/instrument_table.h"
#include "convert/conversion_run.h"
#include "indices/reflectance_reader.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/text_input.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Args = std::vector<std::string>;

// Starts the program with `args`, its standard input reading `input`, and
// returns the child's id without waiting for it.
pid_t Start(const Args& args, const TempFolder& logs, const std::string& input) {
  const std::string in = logs.Write("stdin", input);
  std::vector<std::string> all = {CORVELANE_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(::open(in.c_str(), O_RDONLY), 0);
    ::dup2(::open("/dev/null", O_WRONLY), 1);
    ::dup2(::open("/dev/null", O_WRONLY), 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

Outcome Cli(const Args& args, const std::string& input = "") { return RunProgram(args, {.input = input}); }

// {command, format, scans..., options...}
Args Line(const std::string& command, const std::string& format, const Args& scans, const Args& options) {
  return Then(Then({command, format}, scans), options);
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct Scans {
  TempFolder data, out;
  Args old = synth::WriteScans(data.Path().string(), Format::UniSpecOld, 3, "leaf");
};

TEST(Cli, ConvertWritesTheChosenOutputsAndWarningsToStderr) {
  Scans s;
  const std::string twin = s.data.Write("sub/leaf00001.spt", ReadAll(s.old[0]));
  const Args scans = {s.old[0], s.old[1], twin};
  const Outcome o = Cli(Line("convert", "unispec-old", scans,
                             {"--reflectance", s.out.File("r.txt"), "--absorbance", s.out.File("a.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(o.err, "corvelane: warning: 2 scans share the label \"leaf00001.spt\": " + s.old[0] + ", " + twin + "\n");
  EXPECT_EQ(Names(s.out.Path()), (Args{"a.txt", "r.txt"}));
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("a.txt")))[0], "Absorbance");
  // The same bytes as a run inside the program with the default settings
  // (grid 310 to 1130 by 1, labels from the paths).
  EXPECT_EQ(ReadAll(s.out.File("r.txt")), OutputText(Convert(Settings(Format::UniSpecOld, scans, {"310", "1130", "1"})),
                                                     OutputMode::Reflectance, nullptr));
}

TEST(Cli, CompactTakesWavelengthsFromOutside) {
  TempFolder data;
  const auto scans = synth::WriteScans(data.Path().string(), Format::UniSpecCompact, 2, "c");
  const std::string waves = data.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecCompact, 256));
  const Outcome o = Cli(
      Line("convert", "unispec-compact", scans, {"--waves", "external=" + waves, "--reflectance", data.File("r.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  // The head rows: ConversionRun.CompactReflectanceInPrintZonesWithEmptyDateAndTime.
  EXPECT_EQ(SplitCrLf(ReadAll(data.File("r.txt"))).size(), 6u + 601u);  // default grid 400 to 1000 by 1
}

TEST(Cli, RunFailuresExitWithOneAndLeaveNoPartialOutput) {
  Scans s;
  const std::string text = ReadAll(s.old[1]);
  const std::string damaged = s.data.Write("damaged.spt", text.substr(0, text.size() - 3000));
  Outcome o = Cli(Line("convert", "unispec-old", {s.old[0], damaged, s.old[2]},
                       {"--reflectance", s.data.File("r.txt"), "--absorbance", s.out.File("a.txt")}));
  EXPECT_TRUE(Exited(o, 1, {"Problem in Data File!!!", damaged}));
  EXPECT_TRUE(Names(s.out.Path()).empty());
  EXPECT_EQ(Names(s.data.Path()), (Args{"damaged.spt", "leaf00001.spt", "leaf00002.spt", "leaf00003.spt"}));

  // A second output that cannot be written keeps the first, whole.
  o = Cli(Line("convert", "unispec-old", {s.old[0], s.old[1]},
               {"--reflectance", s.out.File("r.txt"), "--absorbance", s.out.File("missing/a.txt")}));
  EXPECT_TRUE(Exited(o, 1, {"Problem in Data File!!!", "missing/a.txt"}));
  EXPECT_EQ(Names(s.out.Path()), Args{"r.txt"});
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("r.txt"))).size(), 6u + 821u);
}

TEST(Cli, UsageErrorsExitWithTwoAndWriteNothing) {
  Scans s;
  const auto ger = synth::WriteScans(s.data.Path().string(), Format::Ger1500, 1, "g");
  const auto compact = synth::WriteScans(s.data.Path().string(), Format::UniSpecCompact, 1, "c");
  const std::string r = s.out.File("r.txt");
  const std::string a = s.old[0];
  const std::vector<Args> cases = {
      {"convert", "unispec-ancient", a, "--reflectance", r},
      {"convert", "unispec-old", a, "--bogus", "--reflectance", r},
      {"convert", "ger1500", ger[0], "--target", r},
      {"convert", "ger1500", ger[0], "--reflectance", r, "--leaf-header", a},
      {"convert", "unispec-old", a, "--grid", "400,abc,1", "--reflectance", r},
      {"convert", "unispec-old", a, "--grid", "400,1000", "--reflectance", r},
      {"convert", "unispec-old", a, "--waves", "equation=300,x,0", "--reflectance", r},
      {"convert", "unispec-old", a, "--label", "sideways", "--reflectance", r},
      {"convert", "unispec-old", a},
      {"convert"},
      {"frobnicate"},
      {"check", "unispec-old", a},                                     // no error file named
      {"convert", "unispec-compact", compact[0], "--reflectance", r},  // no wavelengths from outside
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const Outcome o = Cli(args);
    EXPECT_EQ(o.exit, 2) << o.err;
    EXPECT_FALSE(o.err.empty());
  }
  EXPECT_TRUE(Names(s.out.Path()).empty());
}

TEST(Cli, CheckExitCodesAndClosingText) {
  Scans s;
  const std::string errors = s.out.File("errors.txt");
  Outcome o = Cli(Line("check", "unispec-old", {s.old[0], s.old[1]}, {"--errors", errors}));
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "Files Ok")) << o.out;
  EXPECT_EQ(ReadAll(errors), "");

  // A negative target reading on DATA record 5.
  auto lines = SplitCrLf(ReadAll(s.old[1]));
  const auto lastBlank = lines[14].find_last_of(' ');
  lines[14] = lines[14].substr(0, lastBlank + 1) + "-" + lines[14].substr(lastBlank + 1);
  const std::string bad = s.data.Write("bad.spt", CrLf(lines));
  const std::string badLine = bad + " : Negative value in DATA line #  5 \r\n";
  o = Cli(Line("check", "unispec-old", {s.old[0], bad}, {"--errors", errors}));
  EXPECT_EQ(o.exit, 1) << o.err;
  EXPECT_TRUE(Has(o.out, "Error messages saved in the error file")) << o.out;
  EXPECT_EQ(ReadAll(errors), badLine);

  o = Cli(Line("check", "unispec-old", {bad, s.data.File("gone.spt")}, {"--errors", errors}));
  EXPECT_TRUE(Exited(o, 3, {"Unknown File Error", "gone.spt"}));
  EXPECT_EQ(ReadAll(errors), badLine);

  o = Cli(Line("check", "ger1500", {s.data.File("gone.gr1")}, {"--errors", errors}));
  EXPECT_TRUE(Exited(o, 3, {"Unknown Error!!!"}));
}

TEST(Cli, LeafHeaderFileEndsUpInTheReflectanceFile) {
  Scans s;
  const std::string header =
      s.data.Write("leaf.txt", "Person responsible: Ana Souza\n  data type :  reflectance\nFile name: site1.csv\r\n");
  const Outcome o = Cli(Line("convert", "unispec-old", {s.old[0], s.old[1]},
                             {"--leaf-header", header, "--reflectance", s.out.File("r.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto refl = SplitCrLf(ReadAll(s.out.File("r.txt")));
  ASSERT_EQ(refl.size(), 26u + 821u);
  EXPECT_EQ(refl[1], "File name:,site1.csv");
  EXPECT_EQ(refl[2], "Person responsible for data:,Ana Souza");
  EXPECT_EQ(refl[12], "Data type (ie reflect/trans/absorb):,reflectance");
  // 19 + 13 characters: blanks to column 43; the second label ends at a zone start: a whole zone.
  EXPECT_EQ(refl[22],
            "UniSpec file name:,leaf00001.spt" + std::string(10, ' ') + ",leaf00002.spt" + std::string(14, ' ') + ",");

  const std::string wrong = s.data.Write("wrong.txt", "Favourite colour: green\n");
  const Outcome bad =
      Cli(Line("convert", "unispec-old", {s.old[0]}, {"--leaf-header", wrong, "--reflectance", s.out.File("r2.txt")}));
  EXPECT_TRUE(Exited(bad, 2, {"Favourite colour"}));
  EXPECT_FALSE(fs::exists(s.out.File("r2.txt")));
}

// Outputs that are not regular files are written through, never replaced;
// a symbolic link keeps pointing at the file it names, which keeps its mode
// and owner; a name of 250 bytes still has room for its temporary name.
TEST(Cli, OutputsKeepWhatTheyNameAndRemainWhatTheyWere) {
  Scans s;
  const Args scans = {s.old[0], s.old[1]};
  const std::string plain = s.out.File("plain.txt");
  ASSERT_EQ(Cli(Line("convert", "unispec-old", scans, {"--reflectance", plain})).exit, 0);
  const std::string table = ReadAll(plain);
  ASSERT_EQ(SplitCrLf(table).size(), 6u + 821u);

  const Outcome toStdout = Cli(Line("convert", "unispec-old", scans, {"--reflectance", "-"}));
  EXPECT_EQ(toStdout.exit, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, table);

  const std::string fifo = s.out.File("out.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string piped;
  std::thread reader([&] { piped = ReadAll(fifo); });
  const Outcome toFifo = Cli(Line("convert", "unispec-old", scans, {"--reflectance", fifo}));
  reader.join();
  EXPECT_EQ(toFifo.exit, 0) << toFifo.err;
  EXPECT_EQ(piped, table);
  EXPECT_TRUE(fs::is_fifo(fifo));

  const std::string target = s.out.Write("target.txt", "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
  const std::string link = s.out.File("link.txt");
  fs::create_symlink("target.txt", link);
  EXPECT_EQ(Cli(Line("convert", "unispec-old", scans, {"--reflectance", link})).exit, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadAll(target), table);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) EXPECT_EQ(st.st_uid, 4321u);
  if (root) EXPECT_EQ(st.st_gid, 4322u);

  const std::string longName = s.out.File(std::string(246, 'n') + ".txt");
  const Outcome o = Cli(Line("convert", "unispec-old", scans, {"--reflectance", longName}));
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(longName), table);
  // No temporary file is left behind.
  EXPECT_EQ(Names(s.out.Path()),
            (Args{"link.txt", longName.substr(longName.rfind('/') + 1), "out.fifo", "plain.txt", "target.txt"}));
}

// Lists too long for the command line come from a file or standard input;
// more files than a run takes and a grid without points are usage errors.
TEST(Cli, FilesFromAListAndTheLimitsOfARun) {
  Scans s;
  const std::string r1 = s.out.File("r1.txt"), r2 = s.out.File("r2.txt"), r3 = s.out.File("r3.txt");
  ASSERT_EQ(Cli(Line("convert", "unispec-old", s.old, {"--reflectance", r1})).exit, 0);
  const std::string list = s.data.Write("list.txt", s.old[1] + "\r\n\r\n" + s.old[2] + "\n");
  Outcome o = Cli(Line("convert", "unispec-old", {s.old[0]}, {"--files-from", list, "--reflectance", r2}));
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(r2), ReadAll(r1));
  o = Cli({"convert", "unispec-old", "--files-from", "-", "--reflectance", r3},
          s.old[0] + "\n" + s.old[1] + "\n" + s.old[2]);
  EXPECT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(r3), ReadAll(r1));

  std::string many;
  for (int i = 0; i < 32768; ++i) many += "x\n";
  o = Cli({"convert", "unispec-old", "--files-from", "-", "--reflectance", s.out.File("many.txt")}, many);
  EXPECT_TRUE(Exited(o, 2, {"32767"}));
  o = Cli({"convert", "unispec-old", "--files-from", "-", "--reflectance", s.out.File("many.txt")}, "");
  EXPECT_EQ(o.exit, 2) << o.err;
  o = Cli(Line("convert", "unispec-old", {s.old[0]}, {"--grid", "311,310,1", "--reflectance", s.out.File("g.txt")}));
  EXPECT_TRUE(Exited(o, 2, {"no points"}));
  EXPECT_EQ(Names(s.out.Path()), (Args{"r1.txt", "r2.txt", "r3.txt"}));
}

// A run whose tables cannot fit in the memory the program may take is
// refused before any file is read, naming the sizes.
TEST(Cli, RunTooLargeForTheMemoryIsRefused) {
#ifdef __SANITIZE_ADDRESS__
  // AddressSanitizer reserves terabytes of shadow memory at start, so no
  // program built with it can start under an address-space limit.
  GTEST_SKIP() << "needs an address-space limit, which AddressSanitizer cannot run under";
#endif
  TempFolder data, out;
  const auto scan = synth::WriteScans(data.Path().string(), Format::Ger2600, 1, "g");
  std::string list;
  for (int i = 0; i < 32767; ++i) list += scan[0] + "\n";
  // 32767 files x 594 channels x 2 modes x 8 bytes: 311 MB, more than the
  // whole address space the program is given.
  const Outcome o = RunProgram({"convert", "ger2600", "--files-from", "-", "--no-interpolate", "--reflectance",
                                out.File("r.txt"), "--absorbance", out.File("a.txt")},
                               {.input = list, .limits = "ulimit -v 307200 &&"});
  EXPECT_TRUE(Exited(o, 1, {"need 311 MB of memory", "convert fewer files at a time"}));
  EXPECT_EQ(Names(out.Path()), Args{});
}

// A check stopped by a signal leaves no temporary error file behind.
TEST(Cli, StoppedRunLeavesNoTemporaryFile) {
  Scans s;
  std::string list;
  for (int i = 0; i < 20000; ++i) list += s.old[static_cast<std::size_t>(i % 3)] + "\n";
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    TempFolder logs;
    const pid_t pid = Start({"check", "unispec-old", "--files-from", "-", "--errors", s.out.File("e.txt")}, logs, list);
    bool seen = false;
    for (int i = 0; i < 20000 && !seen; ++i) {
      seen = !Names(s.out.Path()).empty();
      if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(seen);
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFSIGNALED(status)) continue;  // finished before the signal came
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(Names(s.out.Path()), Args{}) << signal;
  }
}

// ---- Hostile requests: outputs that name the files a run reads, special
// files where a file is expected, texts that would split comma-separated
// rows, limits, and two programs changing inst.cof at once.

// Runs the program in `folder`, after the shell commands `limits`.
Outcome Corvelane(const TempFolder& folder, const Args& args, const std::string& limits = {},
                  const std::string& output = {}) {
  return RunProgram(args, {.folder = folder.Path(), .limits = limits, .output = output});
}

std::string Sample(const std::string& name) { return ReadAll(std::string(CORVELANE_SAMPLES) + "/unispec-dc/" + name); }

// A folder holding two DC scans, as `corvelane samples` users start.
class Hardening : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Write("TUN_00001.spu", Sample("TUN_00001.spu"));
    folder.Write("TUN_00002.spu", Sample("TUN_00002.spu"));
  }
  // A DC reflectance table r.csv of the two scans.
  void Reflectance() {
    ASSERT_EQ(
        Corvelane(folder, {"convert", "unispec-dc", "--reflectance", "r.csv", "TUN_00001.spu", "TUN_00002.spu"}).exit,
        0);
  }
  // The files of the folder that are not `names`: temporary files left behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder.Path()))
      if (e.path().filename().string().find(".cv-") != std::string::npos) names.push_back(e.path().string());
    return names;
  }
  TempFolder folder;
};

// What the folder holds, by name: a link's target, a file's size and hash,
// or that it is something else.
std::map<std::string, std::string> Contents(const TempFolder& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& e : fs::directory_iterator(folder.Path())) {
    std::string& c = contents[e.path().filename().string()];
    if (e.is_symlink()) {
      c = "-> " + fs::read_symlink(e.path()).string();
    } else if (e.is_regular_file()) {
      const std::string bytes = ReadAll(e.path().string());
      c = std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(bytes));
    } else {
      c = "special";
    }
  }
  return contents;
}

// ---- Outputs that name inputs or each other: usage errors found before
// anything is written, by name before anything is read, and under any other
// name (a symbolic or hard link to a scan) once the scans are read.

TEST_F(Hardening, OutputsOverInputsOrEachOtherAreUsageErrors) {
  Reflectance();
  synth::WriteScans(folder.Path().string(), Format::UniSpecOld, 2, "leaf");
  const std::string dir = folder.Path().string(), scan = "leaf00002.spt";
  folder.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecOld, 256));
  folder.Write("leaf.txt", "File name: x.csv\n");
  folder.Write("INDEX", "Indices\r\n\r\n\r\nNDVI, 800, 670, 1\r\n");
  folder.Write("l", "TUN_00001.spu\nTUN_00002.spu\n");
  folder.Write("t.txt", "File name: site\n");
  folder.Write("x.ref", "400,1\n");
  Corvelane(folder, {"instruments"});  // writes inst.cof
  fs::create_symlink("l", folder.File("list-link"));
  fs::create_symlink(scan, folder.File("symbolic.txt"));
  fs::create_hard_link(folder.File(scan), folder.File("hard.txt"));
  const Args old = {"convert", "unispec-old", "leaf00001.spt"}, dc = {"convert", "unispec-dc"};
  const std::string replace = "would replace";
  const std::vector<std::pair<Args, std::string>> cases = {
      {Then(old, {scan, "--reflectance", "./" + scan}), replace},
      {Then(old, {folder.File(scan), "--reflectance", dir + "/./" + scan}), replace},
      {Then(old, {"--waves", "external=waves.txt", "--reflectance", folder.File("waves.txt")}), replace},
      {Then(old, {"--leaf-header", folder.File("leaf.txt"), "--reflectance", "o.txt", "--absorbance", "leaf.txt"}),
       replace},
      {Then(old, {"--reflectance", "o.txt", "--target", dir + "/./o.txt"}), "same file"},
      {Then(old, {"--reflectance", "-", "--absorbance", "-"}), "single output"},
      {Then(old, {scan, "--reflectance", "symbolic.txt"}), replace},
      {Then(old, {scan, "--reflectance", "o.txt", "--absorbance", "hard.txt"}), replace},
      {{"check", "unispec-old", "leaf00001.spt", scan, "--errors", "./" + scan}, replace},
      {{"check", "unispec-old", "leaf00001.spt", scan, "--errors", "symbolic.txt"}, replace},
      {{"check", "unispec-old", "leaf00001.spt", scan, "--errors", "hard.txt"}, replace},
      {{"check", "unispec-dc", "--files-from", "l", "--errors", "l"}, replace},
      {Then(dc, {"--instrument", "DC 1", "--reflectance", "inst.cof", "TUN_00001.spu"}), replace},
      {Then(dc, {"--files-from", "l", "--reflectance", "l"}), replace},
      {Then(dc, {"--files-from", "l", "--reflectance", "list-link"}), replace},
      {Then(dc, {"--transect-header", "t.txt", "--reflectance", "t.txt", "TUN_00001.spu"}), replace},
      {Then(dc, {"--reflectance", "o.txt", "--ref-file", "x.ref", "--index", "N,800,670,nd", "--indices", "x.ref",
                 "TUN_00001.spu"}),
       replace},
      {{"indices", "--derivative-file", "r.csv", "r.csv"}, replace},
      {{"indices", "--derivative-file", "./sub/../r.csv", "r.csv"}, replace},
      {{"indices", "--index-file", "o.txt", "--derivative-file", "o.txt", "--preset", "NDVI", "r.csv"}, "same file"},
      {{"indices", "--index-file", "INDEX", "--preset", "NDVI", "r.csv"}, replace},
      {{"indices", "--index-file", "-", "--derivative-file", "-", "--preset", "NDVI", "r.csv"}, "single output"},
  };
  const auto before = Contents(folder);
  for (const auto& [args, says] : cases)
    EXPECT_TRUE(Exited(Corvelane(folder, args), 2, {says})) << ::testing::PrintToString(args);
  EXPECT_EQ(Contents(folder), before);
}

// ---- Special files: refused at once, never waited on or read without end.

TEST_F(Hardening, PipesAndDevicesAreRefusedWithoutHanging) {
  synth::WriteScans(folder.Path().string(), Format::UniSpecOld, 1, "leaf");
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(folder.File("inst.cof").c_str(), 0600), 0);  // listing, adding and using an instrument
  const TempFolder errors;                                        // the check's error file may stay
  const Args old = {"convert", "unispec-old", "leaf00001.spt"};
  const std::vector<std::pair<Args, int>> cases = {
      {Then(old, {"fifo", "--reflectance", "x.csv"}), 1},
      {Then(old, {"--waves", "external=fifo", "--reflectance", "x.csv"}), 1},
      {Then(old, {"--leaf-header", "fifo", "--reflectance", "x.csv"}), 2},
      {{"convert", "unispec-old", "/dev/zero", "--reflectance", "x.csv"}, 1},
      {{"check", "unispec-old", "leaf00001.spt", "fifo", "--errors", errors.File("e.txt")}, 3},
      {{"convert", "unispec-dc", "--files-from", "/dev/zero", "--reflectance", "x.csv"}, 2},
      {{"indices", "--derivative-file", "d.txt", "fifo"}, 1},
      {{"indices", "--derivative-file", "d.txt", "/dev/zero"}, 1},
      {{"instruments"}, 1},
      {{"instruments", "--add", "X,1,2,3,4,5,6"}, 1},
      {{"convert", "unispec-dc", "--instrument", "DC 1", "--reflectance", "x.csv", "TUN_00001.spu"}, 1},
  };
  const auto before = Contents(folder);
  for (const auto& [args, exit] : cases)
    EXPECT_TRUE(Exited(Corvelane(folder, args), exit, {"not a regular file"})) << ::testing::PrintToString(args);
  EXPECT_EQ(Contents(folder), before);
}

// ---- Text in rows: commas, CR and LF never add a field to a comma-separated row.

// A comma in a DC scan's time and in an index name: an underscore and a warning.
TEST_F(Hardening, ACommaInADcTimeOrAnIndexNameBecomesAnUnderscoreWithAWarning) {
  std::string scan = Sample("TUN_00002.spu");
  const std::string time = "6/19/2018 11:44:54 AM";
  ASSERT_NE(scan.find(time), std::string::npos);
  scan.replace(scan.find(time), time.size(), "Jun 19, 2018 11:44:54 AM");
  folder.Write("TUN_00002.spu", scan);
  const Outcome o =
      Corvelane(folder, {"convert", "unispec-dc", "--reflectance", "r.csv", "TUN_00001.spu", "TUN_00002.spu"});
  ASSERT_TRUE(Exited(o, 0, {"TUN_00002.spu: the time holds a comma"}));
  const ReflectanceTable t = ReadReflectanceFile(folder.File("r.csv"));
  ASSERT_EQ(t.Columns(), 2u);
  EXPECT_EQ(t.times[1], "19_ 2018 11:44:54 AM");  // "Jun" is the date

  folder.Write("INDEX", "Indices\r\n\r\n\r\n\"ND,VI\", 800, 670, 1\r\n");
  ASSERT_TRUE(Exited(Corvelane(folder, {"indices", "--preset", "ND,VI", "--index-file", "i.txt", "r.csv"}), 0,
                     {"holds a comma"}));
  const std::vector<std::string> lines = SplitCrLf(ReadAll(folder.File("i.txt")));
  ASSERT_EQ(lines.size(), 5u);
  const auto fields = [](const std::string& line) { return std::count(line.begin(), line.end(), ','); };
  EXPECT_EQ(fields(lines[2]), fields(lines[3])) << lines[2] << "\n" << lines[3];
  EXPECT_TRUE(Has(lines[2], "ND_VI")) << lines[2];
}

// ---- Limits that used to cut, kill or take memory silently.

TEST_F(Hardening, OversizedInputsAreRefusedWithAMessage) {
  // A header file past the read limit is refused, not cut.
  std::string header = "Cautions: " + std::string(kMaxReadBytes, 'x') + "\n";
  folder.Write("t.txt", header);
  const Outcome h = Corvelane(
      folder, {"convert", "unispec-dc", "--transect-header", "t.txt", "--reflectance", "r.csv", "TUN_00001.spu"});
  EXPECT_TRUE(Exited(h, 2, {"larger than 16 MiB"}));
  EXPECT_FALSE(fs::exists(folder.File("r.csv")));

  // A names row of more columns than a run can convert ends the read at once.
  std::string table = "Wavelength";
  for (std::size_t k = 0; k <= kMaxTableColumns; ++k) table += ",c";
  table += "\r\n,d\r\n,t\r\n,c\r\n400,1\r\n401,1\r\n";
  folder.Write("wide.csv", table);
  const Outcome w = Corvelane(folder, {"indices", "--derivative-file", "d.txt", "wide.csv"});
  EXPECT_TRUE(Exited(w, 1, {"more than 32767 columns"}));

  // A path of thousands of characters is shortened in the message, its start and end kept.
  const std::string longName = "start-" + std::string(3000, 'p') + "-end.spu";
  folder.Write("l", longName + "\n");
  const Outcome p = Corvelane(folder, {"convert", "unispec-dc", "--files-from", "l", "--reflectance", "r.csv"});
  EXPECT_EQ(p.exit, 1) << p.err.substr(0, 400);
  EXPECT_LT(p.err.size(), 1000u);
  EXPECT_TRUE(Has(p.err, "start-ppp")) << p.err;
  EXPECT_TRUE(Has(p.err, "ppp-end.spu")) << p.err;
}

TEST_F(Hardening, WritesPastTheFileSizeLimitOrToAFullDeviceFail) {
  // ulimit -f counts 512-byte blocks: the reflectance file is far larger.
  const Outcome o =
      Corvelane(folder, {"convert", "unispec-dc", "--reflectance", "r.csv", "TUN_00001.spu"}, "ulimit -f 4 &&");
  EXPECT_TRUE(Exited(o, 1, {"cannot write"}));
  EXPECT_FALSE(fs::exists(folder.File("r.csv")));
  EXPECT_TRUE(Leftovers().empty());

  const Outcome full = Corvelane(folder, {"instruments"}, {}, "/dev/full");
  EXPECT_TRUE(Exited(full, 1, {"cannot write to standard output"}));
}

TEST_F(Hardening, ThreadsTheSystemRefusesMeanFewerThreadsNotAnAbort) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit an address space limit";
#endif
  for (int i = 3; i <= 40; ++i)
    fs::copy_file(folder.File("TUN_00001.spu"), folder.File("S" + std::to_string(i) + ".spu"));
  Args args = {"convert", "unispec-dc", "--threads", "1000", "--reflectance", "r.csv"};
  for (int i = 3; i <= 40; ++i) args.push_back("S" + std::to_string(i) + ".spu");
  ASSERT_EQ(Corvelane(folder, args).exit, 0);
  const std::string expected = ReadAll(folder.File("r.csv"));
  fs::remove(folder.File("r.csv"));
  // Every thread stack would take 4 GB of an address space of 3 GB: no helper thread can start.
  const std::string limits = "ulimit -s 4000000 && ulimit -v 3000000 &&";
  const Outcome o = Corvelane(folder, args, limits);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(folder.File("r.csv")), expected);
  const Outcome d = Corvelane(folder, {"indices", "--derivative-file", "d.txt", "r.csv"}, limits);
  EXPECT_EQ(d.exit, 0) << d.err;
  EXPECT_TRUE(Leftovers().empty());
}

// ---- Locking: two programs changing inst.cof at once keep every record.

TEST_F(Hardening, TwoProgramsAddingInstrumentsAtOnceKeepEveryRecord) {
  const std::string exe = ShellQuote(CORVELANE_EXE);
  const auto loop = [&](const std::string& prefix) {
    return "for i in $(seq 40); do " + exe + " instruments --add \"" + prefix +
           "$i,1,2,3,4,5,6\" >/dev/null || exit 1; done";
  };
  const std::string script = "cd " + ShellQuote(folder.Path().string()) + " || exit 9; (" + loop("A") + ") & a=$!; (" +
                             loop("B") + ") & b=$!; wait $a; ra=$?; wait $b; rb=$?; exit $((ra + rb))";
  const int status = std::system(("sh -c " + ShellQuote(script)).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::vector<InstrumentRecord> records = LoadInstruments(folder.File("inst.cof"));
  EXPECT_EQ(records.size(), 82u);
  for (const char* name : {"DC 1", "A1", "A40", "B1", "B40"}) EXPECT_TRUE(FindInstrument(records, name)) << name;
}

TEST_F(Hardening, AChangeWaitsAFewSecondsForTheLockThenFails) {
  Corvelane(folder, {"instruments"});
  const std::string before = ReadAll(folder.File("inst.cof"));
  const int fd = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  const Outcome o = Corvelane(folder, {"instruments", "--add", "X,1,2,3,4,5,6"});
  const auto waited = std::chrono::steady_clock::now() - start;
  ::close(fd);
  EXPECT_TRUE(Exited(o, 1, {"another program has been changing the instrument table"}));
  EXPECT_GE(waited, kInstrumentLockWait - std::chrono::milliseconds(100));
  EXPECT_EQ(ReadAll(folder.File("inst.cof")), before);
  // Once the lock is free the same change goes through.
  EXPECT_EQ(Corvelane(folder, {"instruments", "--add", "X,1,2,3,4,5,6"}).exit, 0);
}

}  // namespace
}  // namespace corvelane
