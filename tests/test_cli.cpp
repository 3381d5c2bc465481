// The command-line program end to end: exit codes, messages, and which files
// are (and are not) left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
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
  Args a = {command, format};
  a.insert(a.end(), scans.begin(), scans.end());
  a.insert(a.end(), options.begin(), options.end());
  return a;
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
  const auto lines = SplitCrLf(ReadAll(data.File("r.txt")));
  EXPECT_EQ(lines.size(), 6u + 601u);                     // default grid 400 to 1000 by 1
  EXPECT_EQ(lines[3], "   (nm)" + std::string(21, ' '));  // no dates in compact files: two empty zones
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
    const Outcome o = Cli(args);
    std::string joined;
    for (const auto& x : args) joined += x + " ";
    EXPECT_EQ(o.exit, 2) << joined << "\n" << o.err;
    EXPECT_FALSE(o.err.empty()) << joined;
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
  const std::string header = s.data.Write("leaf.txt",
                                          "# campaign notes\r\n"
                                          "Person responsible: Ana Souza\n"
                                          "\n"
                                          "  data type :  reflectance\n"
                                          "File name: site1.csv\r\n");
  const Outcome o =
      Cli(Line("convert", "unispec-old", {s.old[0], s.old[1]},
               {"--leaf-header", header, "--reflectance", s.out.File("r.txt"), "--absorbance", s.out.File("a.txt")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto refl = SplitCrLf(ReadAll(s.out.File("r.txt")));
  ASSERT_EQ(refl.size(), 26u + 821u);
  EXPECT_EQ(refl[1], "File name:,site1.csv");
  EXPECT_EQ(refl[2], "Person responsible for data:,Ana Souza");
  EXPECT_EQ(refl[3], "Project description:,");
  EXPECT_EQ(refl[12], "Data type (ie reflect/trans/absorb):,reflectance");
  // 19 + 13 characters: blanks to column 43; the second label ends at a zone start: a whole zone.
  EXPECT_EQ(refl[22],
            "UniSpec file name:,leaf00001.spt" + std::string(10, ' ') + ",leaf00002.spt" + std::string(14, ' ') + ",");
  EXPECT_EQ(SplitCrLf(ReadAll(s.out.File("a.txt")))[0], "Absorbance");

  const std::string wrong = s.data.Write("wrong.txt", "Favourite colour: green\n");
  const Outcome bad =
      Cli(Line("convert", "unispec-old", {s.old[0]}, {"--leaf-header", wrong, "--reflectance", s.out.File("r2.txt")}));
  EXPECT_TRUE(Exited(bad, 2, {"Favourite colour"}));
  EXPECT_FALSE(fs::exists(s.out.File("r2.txt")));
}

// A pipe or device given as an input is refused at once instead of waiting
// for a writer that never comes.
TEST(Cli, SpecialFilesAsInputsAreRefusedWithoutWaiting) {
  Scans s;
  const std::string fifo = s.data.File("fifo.spt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string r = s.out.File("r.txt");
  const std::vector<Args> cases = {
      {"convert", "unispec-old", s.old[0], fifo, "--reflectance", r},
      {"convert", "unispec-old", s.old[0], "--waves", "external=" + fifo, "--reflectance", r},
      {"convert", "unispec-old", s.old[0], "--leaf-header", fifo, "--reflectance", r},
      {"convert", "unispec-old", "/dev/zero", "--reflectance", r},
      {"check", "unispec-old", s.old[0], fifo, "--errors", s.out.File("e.txt")},
  };
  for (const auto& args : cases) {
    const Outcome o = Cli(args);
    EXPECT_GT(o.exit, 0) << args[3] << "\n" << o.err;
    EXPECT_TRUE(Has(o.err, "not a regular file")) << o.err;
  }
  EXPECT_FALSE(fs::exists(r));
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

// An output that names an input or another output is a usage error found
// before anything is written: by its name before anything is read, and under
// any other name (a symbolic or hard link to a scan) once the scans are read.
TEST(Cli, OutputsThatWouldReplaceAnInputOrEachOtherAreUsageErrors) {
  Scans s;
  const auto waves = s.data.Write("waves.txt", synth::ExternalWavelengthText(Format::UniSpecOld, 256));
  const auto leaf = s.data.Write("leaf.txt", "File name: x.csv\n");
  const std::string scanName = fs::path(s.old[1]).filename().string();
  const std::string r = s.out.File("r.txt");
  const std::string symbolic = s.data.File("symbolic.txt"), hard = s.data.File("hard.txt");
  fs::create_symlink(s.old[1], symbolic);
  fs::create_hard_link(s.old[1], hard);
  const std::vector<Args> cases = {
      {"convert", "unispec-old", s.old[0], scanName, "--reflectance", "./" + scanName},
      {"convert", "unispec-old", s.old[0], s.old[1], "--reflectance", s.data.Path().string() + "/./" + scanName},
      {"convert", "unispec-old", s.old[0], "--waves", "external=waves.txt", "--reflectance", waves},
      {"convert", "unispec-old", s.old[0], "--leaf-header", leaf, "--reflectance", r, "--absorbance", "leaf.txt"},
      {"convert", "unispec-old", s.old[0], "--reflectance", r, "--target", s.out.Path().string() + "/./r.txt"},
      {"convert", "unispec-old", s.old[0], "--reflectance", "-", "--absorbance", "-"},
      {"check", "unispec-old", s.old[0], s.old[1], "--errors", "./" + scanName},
      {"convert", "unispec-old", s.old[0], s.old[1], "--reflectance", symbolic},
      {"convert", "unispec-old", s.old[0], s.old[1], "--reflectance", r, "--absorbance", hard},
      {"check", "unispec-old", s.old[0], s.old[1], "--errors", symbolic},
      {"check", "unispec-old", s.old[0], s.old[1], "--errors", hard},
  };
  const std::string before = ReadAll(s.old[1]);
  for (const auto& args : cases) {
    const Outcome o = RunProgram(args, {.folder = s.data.Path()});  // where the relative names lead
    EXPECT_EQ(o.exit, 2) << args.back() << "\n" << o.err;
    EXPECT_FALSE(o.err.empty());
  }
  EXPECT_EQ(ReadAll(s.old[1]), before);
  EXPECT_TRUE(fs::is_symlink(symbolic));
  EXPECT_TRUE(fs::equivalent(hard, s.old[1]));
  EXPECT_EQ(ReadAll(waves), synth::ExternalWavelengthText(Format::UniSpecOld, 256));
  EXPECT_EQ(ReadAll(leaf), "File name: x.csv\n");
  EXPECT_TRUE(Names(s.out.Path()).empty());
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

}  // namespace
}  // namespace corvelane
