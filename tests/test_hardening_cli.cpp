// The command line against hostile requests: outputs that name the files a
// run reads, special files where a file is expected, texts that would split
// comma-separated rows, limits, and two programs changing inst.cof at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "calibration/instrument_table.h"
#include "indices/reflectance_reader.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

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

// ---- Outputs that name inputs: usage errors before anything is read or written.

TEST_F(Hardening, IndicesRefusesOutputsOverItsInputsOrEachOther) {
  Reflectance();
  const std::string table = ReadAll(folder.File("r.csv"));
  const std::string index = "Indices\r\n\r\n\r\nNDVI, 800, 670, 1\r\n";
  folder.Write("INDEX", index);
  for (const Args& args : std::vector<Args>{
           {"--derivative-file", "r.csv", "r.csv"},
           {"--derivative-file", "./sub/../r.csv", "r.csv"},
           {"--index-file", "o.txt", "--derivative-file", "o.txt", "--preset", "NDVI", "r.csv"},
           {"--index-file", "INDEX", "--preset", "NDVI", "r.csv"},
           {"--index-file", "-", "--derivative-file", "-", "--preset", "NDVI", "r.csv"},
       }) {
    Args all = {"indices"};
    all.insert(all.end(), args.begin(), args.end());
    const Outcome o = Corvelane(folder, all);
    EXPECT_EQ(o.exit, 2) << args[1] << "\n" << o.err;
    EXPECT_TRUE(Has(o.err, "would replace") || Has(o.err, "same file") || Has(o.err, "single output")) << o.err;
  }
  EXPECT_EQ(ReadAll(folder.File("r.csv")), table);
  EXPECT_EQ(ReadAll(folder.File("INDEX")), index);
  EXPECT_FALSE(fs::exists(folder.File("o.txt")));
}

TEST_F(Hardening, ConvertAndCheckRefuseOutputsOverTheListInstCofAndHelperFiles) {
  folder.Write("l", "TUN_00001.spu\nTUN_00002.spu\n");
  fs::create_symlink("l", folder.File("list-link"));
  Corvelane(folder, {"instruments"});  // writes inst.cof
  const std::string table = ReadAll(folder.File("inst.cof"));
  folder.Write("t.txt", "File name: site\n");
  folder.Write("x.ref", "400,1\n");
  for (const Args& args : std::vector<Args>{
           {"convert", "unispec-dc", "--instrument", "DC 1", "--reflectance", "inst.cof", "TUN_00001.spu"},
           {"convert", "unispec-dc", "--files-from", "l", "--reflectance", "l"},
           {"convert", "unispec-dc", "--files-from", "l", "--reflectance", "list-link"},
           {"convert", "unispec-dc", "--transect-header", "t.txt", "--reflectance", "t.txt", "TUN_00001.spu"},
           {"convert", "unispec-dc", "--reflectance", "r.csv", "--ref-file", "x.ref", "--index", "N,800,670,nd",
            "--indices", "x.ref", "TUN_00001.spu"},
           {"check", "unispec-dc", "--files-from", "l", "--errors", "l"},
       }) {
    const Outcome o = Corvelane(folder, args);
    EXPECT_TRUE(Exited(o, 2, {"would replace"})) << args[4];
  }
  EXPECT_EQ(ReadAll(folder.File("inst.cof")), table);
  EXPECT_EQ(ReadAll(folder.File("l")), "TUN_00001.spu\nTUN_00002.spu\n");
  EXPECT_EQ(ReadAll(folder.File("t.txt")), "File name: site\n");
  EXPECT_EQ(ReadAll(folder.File("x.ref")), "400,1\n");
  EXPECT_FALSE(fs::exists(folder.File("r.csv")));
}

// ---- Special files: refused at once, never waited on or read without end.

TEST_F(Hardening, PipesAndDevicesAreRefusedWithoutHanging) {
  Reflectance();
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  for (const Args& args : std::vector<Args>{
           {"indices", "--derivative-file", "d.txt", "fifo"},
           {"indices", "--derivative-file", "d.txt", "/dev/zero"},
       }) {
    const Outcome o = Corvelane(folder, args);
    EXPECT_TRUE(Exited(o, 1, {"not a regular file"})) << args.back();
  }
  const Outcome list =
      Corvelane(folder, {"convert", "unispec-dc", "--files-from", "/dev/zero", "--reflectance", "x.csv"});
  EXPECT_TRUE(Exited(list, 2, {"not a regular file"}));

  // inst.cof as a pipe: listing, adding and using an instrument.
  fs::rename(folder.File("fifo"), folder.File("inst.cof"));
  for (const Args& args : std::vector<Args>{
           {"instruments"},
           {"instruments", "--add", "X,1,2,3,4,5,6"},
           {"convert", "unispec-dc", "--instrument", "DC 1", "--reflectance", "x.csv", "TUN_00001.spu"},
       }) {
    const Outcome o = Corvelane(folder, args);
    EXPECT_TRUE(Exited(o, 1, {"not a regular file"})) << args.front();
  }
  EXPECT_FALSE(fs::exists(folder.File("x.csv")));
  EXPECT_FALSE(fs::exists(folder.File("d.txt")));
}

// ---- Text in rows: commas, CR and LF never add a field to a comma-separated row.

TEST_F(Hardening, ACommaInADcTimeBecomesAnUnderscoreWithAWarning) {
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
}

TEST_F(Hardening, ACommaInAnIndexNameBecomesAnUnderscore) {
  Reflectance();
  folder.Write("INDEX", "Indices\r\n\r\n\r\n\"ND,VI\", 800, 670, 1\r\n");
  const Outcome o = Corvelane(folder, {"indices", "--preset", "ND,VI", "--index-file", "i.txt", "r.csv"});
  ASSERT_TRUE(Exited(o, 0, {"holds a comma"}));
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

// ---- Instruments by name: a name that could never be used is refused.

TEST_F(Hardening, AnInstrumentNameAlreadyThereOrEmptyIsAUsageError) {
  const Outcome twice = Corvelane(folder, {"instruments", "--add", " DC 1 ,1,2,3,4,5,6"});
  EXPECT_TRUE(Exited(twice, 2, {"already holds an instrument \"DC 1\""}));
  EXPECT_EQ(LoadInstruments(folder.File("inst.cof")).size(), 2u);

  const Outcome empty =
      Corvelane(folder, {"convert", "unispec-dc", "--instrument", "", "--reflectance", "r.csv", "TUN_00001.spu"});
  EXPECT_TRUE(Exited(empty, 2, {"--instrument needs the name"}));
  EXPECT_FALSE(fs::exists(folder.File("r.csv")));
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
