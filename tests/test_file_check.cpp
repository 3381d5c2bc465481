// The file check: the problem lines each window's rules write, their exact
// texts and order, and the checks that cannot finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "convert/file_check.h"
#include "instruments/scan_readers.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Data record / line n (1-based) sits at index 9 + n (UniSpec), 3 + n
// (compact) or 11 + n (GER); PANEL line n of the old format at 267 + n.
const std::string kPath = "/field/day1/scan.spt";
const std::string kBadName = kPath + "   bad 'file name'field\r\n";
const std::string kBadDate = kPath + "   bad 'date' or 'time' fields\r\n";
const char *const kNonNumbers = " : Non-numbers in DATA line #  ",
                  *const kNegative = " : Negative value in DATA line #  ",
                  *const kMissing = " : *** Missing Data *** in DATA line #  ";

// The problem line of kPath naming `line`.
std::string P(const char* text, int line) { return kPath + text + Num(line) + " \r\n"; }

std::string Check(Format format, const Lines& lines, LabelSource label = LabelSource::DataFileName,
                  const std::string& path = kPath) {
  std::string errors;
  const std::size_t count = CheckScanText(VariantOf(format), Join(lines), false, path, label, errors);
  EXPECT_EQ(count, static_cast<std::size_t>(std::count(errors.begin(), errors.end(), '\n')));
  return errors;
}

TEST(FileCheck, CleanFilesOfEveryFormatGiveNoProblem) {
  const std::pair<Format, Lines> clean[] = {{Format::UniSpecOld, OldLines()},         {Format::UniSpecNew, NewLines()},
                                            {Format::UniSpecCompact, CompactLines()}, {Format::Ger1500, GerLines(512)},
                                            {Format::Ger2600, GerLines(594)},         {Format::Ger2600, GerLines(100)}};
  for (const auto& [format, lines] : clean) {
    EXPECT_EQ(Check(format, lines, LabelSource::HeaderInfo), "") << VariantOf(format).cliName;
    EXPECT_EQ(Check(format, lines, LabelSource::DataFileName), "") << VariantOf(format).cliName;
  }
}

TEST(FileCheck, UniSpecOldRulesInOrder) {
  const Lines l = With(OldLines(), {{0, ""},                       // no label can be cut
                                    {2, "Date & time: 02/14/03"},  // no time
                                    {9 + 3, "  abc  -5"},          // non-number and negative on one record
                                    {9 + 4, "-1,-2"},              // negative only, once
                                    {9 + 256, "  1130   12345  "},
                                    {267 + 7, " xyz "},
                                    {267 + 8, " -2 "},
                                    {267 + 9, ""}});
  const std::string expected = kBadName + kBadDate + P(kNonNumbers, 3) + P(kNegative, 3) + P(kNegative, 4) +
                               P("  : Non-number in PANEL line #  ", 7) + P(" : Negative number in PANEL line #  ", 8) +
                               P("  : Non-number in PANEL line #  ", 9);
  EXPECT_EQ(Check(Format::UniSpecOld, l, LabelSource::HeaderInfo), expected);
  // With the label taken from the path, line 1 is not tested.
  EXPECT_EQ(Check(Format::UniSpecOld, l, LabelSource::DataFileName), expected.substr(kBadName.size()));
  // A line 1 whose label length would come out negative fails the check
  // when it is the label source, and so does such a path.
  const Lines noExtension = With(OldLines(), {{0, "C:\\DATA\\NOEXT"}});
  EXPECT_EQ(Check(Format::UniSpecOld, noExtension, LabelSource::DataFileName), "");
  EXPECT_THROW(Check(Format::UniSpecOld, noExtension, LabelSource::HeaderInfo), RunFailure);
  EXPECT_THROW(Check(Format::UniSpecNew, NewLines(), LabelSource::DataFileName, "/field/NOEXT"), RunFailure);
}

// What counts as a date and where line 3 holds it are LooksLikeDate's and
// UniSpecDateTime's rules; the clean files pass them.
TEST(FileCheck, LineThreeNeedsACalendarDateAndATime) {
  for (const std::string line3 : {"Date & time: 13/45/03  10:22:05", "Date & time: 02/14/03  ", ""}) {
    EXPECT_EQ(Check(Format::UniSpecOld, With(OldLines(), {{2, line3}})), kBadDate) << line3;
    EXPECT_EQ(Check(Format::UniSpecNew, With(NewLines(), {{2, line3}})), kBadDate) << line3;
  }
  // The compact format has no date test.
  EXPECT_EQ(Check(Format::UniSpecCompact, With(CompactLines(), {{2, ""}})), "");
}

TEST(FileCheck, NewFormatSplitsEachLineIntoThreeFields) {
  const Lines l = With(NewLines(), {{9 + 2, "310.5 1234"},  // two fields: the missing-field problem and nothing else
                                    {9 + 3, "310.5 abc -5"},
                                    {9 + 4, "310.5 1234 7"},  // a one-digit third field is fine
                                    {9 + 5, "  310.5  "},
                                    {9 + 6, "310.5 1 2 3"},  // third field "2 3"
                                    {9 + 7, "-310.5 . 100"},
                                    {9 + 8, ""},
                                    {9 + 9, "abc -1 -2"}});
  const std::string expected = P(kMissing, 2) + P(kNonNumbers, 3) + P(kNegative, 3) + P(kMissing, 5) +
                               P(kNonNumbers, 6) + P(kNonNumbers, 7) + P(kNegative, 7) + P(kMissing, 8) +
                               P(kNonNumbers, 9) + P(kNegative, 9);
  EXPECT_EQ(Check(Format::UniSpecNew, l), expected);
}

TEST(FileCheck, CompactRecords) {
  const Lines l = With(CompactLines(), {{0, ""}, {1, "garbage"}, {3 + 5, " abc "}, {3 + 6, " -1 "}, {3 + 256, "-0.5"}});
  EXPECT_EQ(Check(Format::UniSpecCompact, l, LabelSource::HeaderInfo),
            kBadName + P(kNonNumbers, 5) + P(kNegative, 6) + P(kNegative, 256));
}

TEST(FileCheck, GerRecordsOneLinePerRecordWithEachWindowsTextAndHeaderTests) {
  for (const Format f : {Format::Ger1500, Format::Ger2600}) {
    const int records = f == Format::Ger1500 ? 512 : 300;
    Lines l = With(GerLines(records), {{11 + 7, "402.1, -3, 800"},
                                       {11 + 8, "403.2 x 800"},  // a non-number counts like a negative value
                                       {11 + 9, "-1 x -2"}});    // one line however many items are bad
    // Blank lines after the last GER 2600 record are not another record.
    l.push_back("");
    l.push_back("   ");
    const char* text =
        f == Format::Ger1500 ? " : Negative values in DATA line #  " : " : Negative values in DATA line #   ";
    EXPECT_EQ(Check(f, l), P(text, 7) + P(text, 8) + P(text, 9));

    // A date, but nothing at characters 14 to 25.
    EXPECT_EQ(Check(f, With(GerLines(records), {{1, ""}, {3, "Date: 06/13/2"}})), kBadName + kBadDate);
    // The check's time text starts at character 14, the date's last character,
    // so a line 4 that ends with the date passes the test.
    EXPECT_EQ(Check(f, With(GerLines(records), {{3, "Date: 06/13/22"}})), "");
    EXPECT_EQ(Check(f, With(GerLines(records), {{3, "Date: 99/99/99 10:22:05.50"}})), kBadDate);
    // No extension: the label length comes out negative.
    EXPECT_THROW(Check(f, With(GerLines(records), {{1, "GER file SCAN"}})), RunFailure);
  }
}

TEST(FileCheck, FilesEndingEarlyFailTheCheck) {
  const std::pair<Format, Lines> cases[] = {
      {Format::UniSpecOld, Head(OldLines(), 10 + 200)},
      {Format::UniSpecOld, Head(OldLines(), 268 + 100)},  // PANEL block cut
      {Format::UniSpecNew, Head(NewLines(), 265)},
      {Format::UniSpecCompact, Head(CompactLines(), 259)},
      {Format::Ger1500, GerLines(511)},
      {Format::Ger2600, With(GerLines(20), {{31, "369.5 1019"}})},  // the last record lacks its third item
      {Format::Ger2600, Lines{"GER", "x A.DAT"}},
  };
  for (const auto& [format, lines] : cases)
    EXPECT_THROW(Check(format, lines), RunFailure) << VariantOf(format).cliName << ", " << lines.size() << " lines";
}

// A GER 2600 file the conversion refuses is not "Files Ok": more than 594
// records, or a file cut at the 16 MiB read limit, fail the check with the
// conversion's reason (ScanReaders and ReadScanFile give the conversion's).
TEST(FileCheck, Ger2600FilesTheConversionRefusesFailTheCheck) {
  Lines tooMany = GerLines(594);
  tooMany.push_back(tooMany.back());
  const std::string many = FailureOf([&] { Check(Format::Ger2600, tooMany); });
  EXPECT_NE(many.find("more than 594 data lines"), std::string::npos) << many;
  std::string errors;
  const std::string cut = FailureOf([&] {
    CheckScanText(VariantOf(Format::Ger2600), Join(GerLines(100)), true, kPath, LabelSource::DataFileName, errors);
  });
  EXPECT_NE(cut.find("the file is larger than 16 MiB, far more than any scan file"), std::string::npos) << cut;
}

TEST(CheckFiles, ErrorFileHoldsEveryFilesLinesInListOrderAndKeepsThemOnFailure) {
  TempFolder folder;
  const Lines withProblems = With(OldLines(), {{9 + 10, "310 -4"}});
  const std::string a = folder.Write("a.spt", Join(OldLines()));
  const std::string b = folder.Write("b.spt", Join(withProblems));
  const std::string errorPath = folder.Write("errors.txt", "old contents of the error file\r\n");
  const std::string bLine = b + " : Negative value in DATA line #  10 \r\n";
  const InstrumentVariant& v = VariantOf(Format::UniSpecOld);
  std::vector<std::pair<std::size_t, std::size_t>> progress;
  const CheckOutcome outcome =
      CheckFiles(v, {a, b, b}, LabelSource::DataFileName, errorPath, [&](std::size_t done, std::size_t total) {
        progress.emplace_back(done, total);
        return true;
      });
  EXPECT_EQ(outcome.problemLines, 2u);
  EXPECT_FALSE(outcome.Clean());
  EXPECT_EQ(ReadAll(errorPath), bLine + bLine);
  EXPECT_EQ(progress, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 3}, {2, 3}, {3, 3}}));
  // Cancelled after the second file: the error file is left as it was.
  EXPECT_THROW(CheckFiles(v, {a, b, b}, LabelSource::DataFileName, errorPath,
                          [](std::size_t done, std::size_t) { return done < 2; }),
               RunCancelled);
  EXPECT_EQ(ReadAll(errorPath), bLine + bLine);

  // A clean check leaves an empty error file in place of the old one.
  EXPECT_TRUE(CheckFiles(v, {a, a}, LabelSource::DataFileName, errorPath).Clean());
  EXPECT_TRUE(fs::exists(errorPath));
  EXPECT_EQ(ReadAll(errorPath), "");

  // A file that cannot be checked fails the check; the lines found so far stay.
  const std::string c = folder.Write("c.spt", Join(Head(With(withProblems, {{9 + 20, "abc 5"}}), 10 + 100)));
  EXPECT_THROW(CheckFiles(v, {b, c, a}, LabelSource::DataFileName, errorPath), RunFailure);
  EXPECT_EQ(ReadAll(errorPath),
            bLine + c + " : Negative value in DATA line #  10 \r\n" + c + " : Non-numbers in DATA line #  20 \r\n");
  const std::string missing = folder.File("missing.spt");
  EXPECT_NE(FailureOf([&] {
              CheckFiles(v, {b, missing, a}, LabelSource::DataFileName, errorPath);
            }).find(missing),
            std::string::npos);
  EXPECT_EQ(ReadAll(errorPath), bLine);
  // Nothing but the scans and the error file is left in the folder.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.spt", "b.spt", "c.spt", "errors.txt"}));
}

TEST(RealScans, UniSpecNewFilesCheckClean) {
  const std::vector<std::string> files = testing::RealUniSpecNewFiles();
  if (files.empty()) GTEST_SKIP() << "no real scans in " << testing::RealDataFolder();
  TempFolder out;
  for (const LabelSource label : {LabelSource::DataFileName, LabelSource::HeaderInfo}) {
    const CheckOutcome outcome = CheckFiles(VariantOf(Format::UniSpecNew), files, label, out.File("errors.txt"));
    EXPECT_TRUE(outcome.Clean()) << ReadAll(out.File("errors.txt"));
    EXPECT_EQ(ReadAll(out.File("errors.txt")), "");
  }
}

}  // namespace
}  // namespace corvelane
