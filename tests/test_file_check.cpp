// The file check: the problem lines each window's rules write, their exact
// texts and order, and the checks that cannot finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "convert/failure.h"
#include "convert/file_check.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using testing::CrLf;
using testing::ReadAll;
using testing::TempFolder;
using Lines = std::vector<std::string>;

std::string Num(int v) { return std::to_string(v); }

// Data record / line n (1-based) sits at index 9 + n (UniSpec), 3 + n
// (compact) or 11 + n (GER); PANEL line n of the old format at 267 + n.
Lines OldLines() {
  Lines l = {"C:\\DATA\\A0001.SPT", "UniSpec", "Date & time: 02/14/03  10:22:05"};
  for (int k = 4; k <= 10; ++k) l.push_back("h");
  for (int c = 0; c < 256; ++c) l.push_back("  " + Num(300 + 3 * c) + "   " + Num(1000 + c));
  l.push_back("Panel");
  l.push_back("");
  for (int c = 0; c < 256; ++c) l.push_back(Num(2000 + c));
  return l;
}

Lines NewLines() {
  Lines l = {"\"File:       \\Storage Card\\a.spu\"", "\"Remarks:\"", "\"Time:       06/13/2022  15:42:15\""};
  for (int k = 4; k <= 10; ++k) l.push_back("\"h\"");
  for (int c = 0; c < 256; ++c) l.push_back(Num(300 + 3 * c) + ".5 \t" + Num(1000 + c) + " \t0. ");
  return l;
}

Lines CompactLines() {
  Lines l = {"C:\\DATA\\LEAF0001.SPT", "h", "h", "h"};
  for (int c = 0; c < 256; ++c) l.push_back(" 0." + Num(c) + " ");
  return l;
}

Lines GerLines(int records) {
  Lines l = {"GER", "GER file SCAN0001.DAT", "h", "Date: 06/13/22 10:22:05.50"};
  for (int k = 5; k <= 12; ++k) l.push_back("h");
  for (int c = 0; c < records; ++c) l.push_back(Num(350 + c) + ".5   " + Num(1000 + c) + "   " + Num(2000 + c));
  return l;
}

const std::string kPath = "/field/day1/scan.spt";

std::string Check(Format format, const Lines& lines, LabelSource label = LabelSource::DataFileName,
                  const std::string& path = kPath) {
  std::string errors;
  const std::size_t count = CheckScanText(VariantOf(format), CrLf(lines), false, path, label, errors);
  EXPECT_EQ(count, static_cast<std::size_t>(std::count(errors.begin(), errors.end(), '\n')));
  return errors;
}

TEST(FileCheck, CleanFilesOfEveryFormatGiveNoProblem) {
  EXPECT_EQ(Check(Format::UniSpecOld, OldLines(), LabelSource::HeaderInfo), "");
  EXPECT_EQ(Check(Format::UniSpecNew, NewLines(), LabelSource::HeaderInfo), "");
  EXPECT_EQ(Check(Format::UniSpecCompact, CompactLines(), LabelSource::HeaderInfo), "");
  EXPECT_EQ(Check(Format::Ger1500, GerLines(512)), "");
  EXPECT_EQ(Check(Format::Ger2600, GerLines(594)), "");
  EXPECT_EQ(Check(Format::Ger2600, GerLines(100)), "");
}

TEST(FileCheck, UniSpecOldRulesInOrder) {
  Lines l = OldLines();
  l[0] = "";                             // no label can be cut
  l[2] = "Date & time: 02/14/03";        // no time
  l[9 + 3] = "  abc  -5";                // non-number and negative on one record
  l[9 + 4] = "-1,-2";                    // negative only, once
  l[9 + 256] = "  1130   12345  ";
  l[267 + 7] = " xyz ";
  l[267 + 8] = " -2 ";
  l[267 + 9] = "";
  const std::string expected = kPath + "   bad 'file name'field\r\n" +
                               kPath + "   bad 'date' or 'time' fields\r\n" +
                               kPath + " : Non-numbers in DATA line #  3 \r\n" +
                               kPath + " : Negative value in DATA line #  3 \r\n" +
                               kPath + " : Negative value in DATA line #  4 \r\n" +
                               kPath + "  : Non-number in PANEL line #  7 \r\n" +
                               kPath + " : Negative number in PANEL line #  8 \r\n" +
                               kPath + "  : Non-number in PANEL line #  9 \r\n";
  EXPECT_EQ(Check(Format::UniSpecOld, l, LabelSource::HeaderInfo), expected);
  // With the label taken from the path, line 1 is not tested.
  EXPECT_EQ(Check(Format::UniSpecOld, l, LabelSource::DataFileName), expected.substr(expected.find('\n') + 1));
}

TEST(FileCheck, UniSpecLabelSources) {
  Lines l = OldLines();
  l[0] = "C:\\DATA\\NOEXT";  // the label length would come out negative
  EXPECT_EQ(Check(Format::UniSpecOld, l, LabelSource::DataFileName), "");
  EXPECT_THROW(Check(Format::UniSpecOld, l, LabelSource::HeaderInfo), RunFailure);
  EXPECT_THROW(Check(Format::UniSpecNew, OldLines(), LabelSource::DataFileName, "/field/NOEXT"), RunFailure);
}

TEST(FileCheck, DateAndTimeOfLineThree) {
  struct Case {
    std::string line3;
    bool problem;
  };
  const Case cases[] = {
      {"Date & time: 02/14/03  10:22:05", false},
      {"\"Time:       06/13/2022  15:42:15\"", false},
      {"Date & time: 02/14/03  ", true},     // blank time, valid date
      {"Date & time: 13/45/03  10:22:05", true},
      {"Date & time: xx/yy/zz  10:22:05", true},
      {"Date:", true},
      {"", true},
  };
  for (const Case& c : cases) {
    for (const Format f : {Format::UniSpecOld, Format::UniSpecNew}) {
      Lines l = f == Format::UniSpecOld ? OldLines() : NewLines();
      l[2] = c.line3;
      EXPECT_EQ(Check(f, l), c.problem ? kPath + "   bad 'date' or 'time' fields\r\n" : "") << c.line3;
    }
  }
  // The compact format has no date test.
  Lines compact = CompactLines();
  compact[2] = "";
  EXPECT_EQ(Check(Format::UniSpecCompact, compact), "");
}

TEST(FileCheck, NewFormatSplitsEachLineIntoThreeFields) {
  Lines l = NewLines();
  l[9 + 2] = "310.5 1234";       // two fields: the missing-field problem and nothing else
  l[9 + 3] = "310.5 abc -5";
  l[9 + 4] = "310.5 1234 7";     // a one-digit third field is fine
  l[9 + 5] = "  310.5  ";
  l[9 + 6] = "310.5 1 2 3";      // third field "2 3"
  l[9 + 7] = "-310.5 . 100";
  l[9 + 8] = "";
  l[9 + 9] = "abc -1 -2";
  EXPECT_EQ(Check(Format::UniSpecNew, l),
            kPath + " : *** Missing Data *** in DATA line #  2 \r\n" +
            kPath + " : Non-numbers in DATA line #  3 \r\n" +
            kPath + " : Negative value in DATA line #  3 \r\n" +
            kPath + " : *** Missing Data *** in DATA line #  5 \r\n" +
            kPath + " : Non-numbers in DATA line #  6 \r\n" +
            kPath + " : Non-numbers in DATA line #  7 \r\n" +
            kPath + " : Negative value in DATA line #  7 \r\n" +
            kPath + " : *** Missing Data *** in DATA line #  8 \r\n" +
            kPath + " : Non-numbers in DATA line #  9 \r\n" +
            kPath + " : Negative value in DATA line #  9 \r\n");
}

TEST(FileCheck, CompactRecords) {
  Lines l = CompactLines();
  l[0] = "";
  l[1] = "garbage";
  l[3 + 5] = " abc ";
  l[3 + 6] = " -1 ";
  l[3 + 256] = "-0.5";
  EXPECT_EQ(Check(Format::UniSpecCompact, l, LabelSource::HeaderInfo),
            kPath + "   bad 'file name'field\r\n" +
            kPath + " : Non-numbers in DATA line #  5 \r\n" +
            kPath + " : Negative value in DATA line #  6 \r\n" +
            kPath + " : Negative value in DATA line #  256 \r\n");
}

TEST(FileCheck, GerRecordsOneLinePerRecordWithEachWindowsText) {
  for (const Format f : {Format::Ger1500, Format::Ger2600}) {
    Lines l = GerLines(f == Format::Ger1500 ? 512 : 300);
    l[11 + 7] = "402.1, -3, 800";
    l[11 + 8] = "403.2 x 800";      // a non-number counts like a negative value
    l[11 + 9] = "-1 x -2";          // one line however many items are bad
    const std::string text = f == Format::Ger1500 ? " : Negative values in DATA line # "
                                                  : " : Negative values in DATA line #  ";
    EXPECT_EQ(Check(f, l), kPath + text + " 7 \r\n" + kPath + text + " 8 \r\n" + kPath + text + " 9 \r\n");
  }
  Lines l = GerLines(300);
  l[11 + 7] = "402.1, -3, 800";
  EXPECT_EQ(Check(Format::Ger2600, l), kPath + " : Negative values in DATA line #   7 \r\n");
  // Blank lines after the last GER 2600 record are not another record.
  l.push_back("");
  l.push_back("   ");
  EXPECT_EQ(Check(Format::Ger2600, l), kPath + " : Negative values in DATA line #   7 \r\n");
}

TEST(FileCheck, GerLabelAndDate) {
  for (const Format f : {Format::Ger1500, Format::Ger2600}) {
    Lines l = GerLines(f == Format::Ger1500 ? 512 : 10);
    l[1] = "";
    l[3] = "Date: 06/13/2";  // a date, but nothing at characters 14 to 25
    EXPECT_EQ(Check(f, l), kPath + "   bad 'file name'field\r\n" + kPath + "   bad 'date' or 'time' fields\r\n");
    // The check's time text starts at character 14, the date's last character,
    // so a line 4 that ends with the date passes the test.
    l = GerLines(f == Format::Ger1500 ? 512 : 10);
    l[3] = "Date: 06/13/22";
    EXPECT_EQ(Check(f, l), "");
    l[3] = "Date: 99/99/99 10:22:05.50";
    EXPECT_EQ(Check(f, l), kPath + "   bad 'date' or 'time' fields\r\n");
    l[1] = "GER file SCAN";  // no extension: the label length comes out negative
    EXPECT_THROW(Check(f, l), RunFailure);
  }
}

TEST(FileCheck, FilesEndingEarlyFailTheCheck) {
  Lines old = OldLines();
  old.resize(10 + 200);
  EXPECT_THROW(Check(Format::UniSpecOld, old), RunFailure);
  old = OldLines();
  old.resize(268 + 100);  // PANEL block cut
  EXPECT_THROW(Check(Format::UniSpecOld, old), RunFailure);
  Lines n = NewLines();
  n.pop_back();
  EXPECT_THROW(Check(Format::UniSpecNew, n), RunFailure);
  Lines c = CompactLines();
  c.pop_back();
  EXPECT_THROW(Check(Format::UniSpecCompact, c), RunFailure);
  EXPECT_THROW(Check(Format::Ger1500, GerLines(511)), RunFailure);
  Lines g = GerLines(20);
  g.back() = "369.5 1019";  // the last record lacks its third item
  EXPECT_THROW(Check(Format::Ger2600, g), RunFailure);
  EXPECT_THROW(Check(Format::Ger2600, Lines{"GER", "x A.DAT"}), RunFailure);
}

TEST(CheckFiles, ErrorFileHoldsEveryFilesLinesInListOrder) {
  TempFolder folder;
  Lines withProblems = OldLines();
  withProblems[9 + 10] = "310 -4";
  const std::string a = folder.Write("a.spt", CrLf(OldLines()));
  const std::string b = folder.Write("b.spt", CrLf(withProblems));
  const std::string errorPath = folder.Write("errors.txt", "old contents of the error file\r\n");
  std::vector<std::pair<int, int>> progress;
  const CheckOutcome outcome = CheckFiles(VariantOf(Format::UniSpecOld), {a, b, b}, LabelSource::DataFileName,
                                          errorPath, [&](int done, int total) { progress.emplace_back(done, total); });
  EXPECT_EQ(outcome.problemLines, 2u);
  EXPECT_FALSE(outcome.Clean());
  const std::string line = b + " : Negative value in DATA line #  10 \r\n";
  EXPECT_EQ(ReadAll(errorPath), line + line);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));

  // A clean check leaves an empty error file in place of the old one.
  const CheckOutcome clean = CheckFiles(VariantOf(Format::UniSpecOld), {a, a}, LabelSource::DataFileName, errorPath);
  EXPECT_TRUE(clean.Clean());
  EXPECT_TRUE(fs::exists(errorPath));
  EXPECT_EQ(ReadAll(errorPath), "");
}

TEST(CheckFiles, FailureKeepsTheProblemLinesAlreadyFound) {
  TempFolder folder;
  Lines withProblems = OldLines();
  withProblems[9 + 10] = "310 -4";
  const std::string b = folder.Write("b.spt", CrLf(withProblems));
  Lines cut = withProblems;
  cut[9 + 20] = "abc 5";
  cut.resize(10 + 100);
  const std::string c = folder.Write("c.spt", CrLf(cut));
  const std::string d = folder.Write("d.spt", CrLf(withProblems));
  const std::string errorPath = folder.File("errors.txt");
  EXPECT_THROW(CheckFiles(VariantOf(Format::UniSpecOld), {b, c, d}, LabelSource::DataFileName, errorPath), RunFailure);
  EXPECT_EQ(ReadAll(errorPath), b + " : Negative value in DATA line #  10 \r\n" +
                                    c + " : Negative value in DATA line #  10 \r\n" +
                                    c + " : Non-numbers in DATA line #  20 \r\n");

  const std::string missing = folder.File("missing.spt");
  try {
    CheckFiles(VariantOf(Format::UniSpecOld), {b, missing, d}, LabelSource::DataFileName, errorPath);
    ADD_FAILURE() << "a missing file must fail the check";
  } catch (const RunFailure& f) {
    EXPECT_NE(std::string(f.what()).find(missing), std::string::npos) << f.what();
  }
  EXPECT_EQ(ReadAll(errorPath), b + " : Negative value in DATA line #  10 \r\n");
  // Nothing but the scans and the error file is left in the folder.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"b.spt", "c.spt", "d.spt", "errors.txt"}));
}

TEST(RealScans, UniSpecNewFilesCheckClean) {
  const fs::path folder = fs::path(CORVELANE_REALDATA) / "unispec-spu";
  if (!fs::is_directory(folder)) GTEST_SKIP() << folder << " is absent";
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".spu") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  TempFolder out;
  for (const LabelSource label : {LabelSource::DataFileName, LabelSource::HeaderInfo}) {
    const CheckOutcome outcome = CheckFiles(VariantOf(Format::UniSpecNew), files, label, out.File("errors.txt"));
    EXPECT_TRUE(outcome.Clean()) << ReadAll(out.File("errors.txt"));
    EXPECT_EQ(ReadAll(out.File("errors.txt")), "");
  }
}

}  // namespace
}  // namespace corvelane
