// The scan readers of the five single-channel formats, against small files
// written here line by line, and against damaged files of every kind.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/failure.h"
#include "instruments/file_label.h"
#include "instruments/scan_readers.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using testing::TempFolder;
using Lines = std::vector<std::string>;

std::string Join(const Lines& lines, const std::string& eol = "\r\n") {
  std::string s;
  for (const auto& l : lines) s += l + eol;
  return s;
}

std::string Num(int v) { return std::to_string(v); }

// UniSpec old format: 10 header lines, DATA of channel c at index 10 + c
// ("wavelength target"), two lines, PANEL of channel c at index 268 + c.
Lines OldLines(const std::string& line1 = "C:\\DATA\\SITE1\\A0001.SPT",
               const std::string& line3 = "Date & time: 02/14/03  10:22:05") {
  Lines l = {line1, "UniSpec SN 1042", line3};
  for (int k = 4; k <= 10; ++k) l.push_back("header line " + Num(k));
  for (int c = 0; c < 256; ++c) l.push_back("  " + Num(300 + 3 * c) + "   " + Num(1000 + c) + " ");
  l.push_back("Panel readings");
  l.push_back("");
  for (int c = 0; c < 256; ++c) l.push_back(" " + Num(2000 + c));
  return l;
}

// New format: quoted header, channel c at index 10 + c: "wl \ttarget \tpanel ".
Lines NewLines(const std::string& line3 = "\"Time:       06/13/2022  15:42:15\"") {
  Lines l = {"\"File:       \\Storage Card\\ruby\\led00001.spu\"", "\"Remarks:    SW=UniSpec\"", line3};
  for (int k = 4; k <= 10; ++k) l.push_back("\"Header " + Num(k) + "\"");
  for (int c = 0; c < 256; ++c) l.push_back(Num(300 + 3 * c) + ".5 \t" + Num(1000 + c) + " \t" + Num(2000 + c) + " ");
  return l;
}

// Compact: name, three header lines, the value of channel c at index 4 + c.
Lines CompactLines(const std::string& line1 = "C:\\DATA\\LEAF0001.SPT") {
  Lines l = {line1, "h2", "h3", "h4"};
  for (int c = 0; c < 256; ++c) l.push_back("  " + Num(c) + ".25  ");
  return l;
}

// GER: 12 header lines, channel c at index 12 + c: "wl   target   panel".
Lines GerLines(int channels, const std::string& line2 = "GER1500 file name: SCAN0001.DAT",
               const std::string& line4 = "Date: 06/13/22 10:22:05.50") {
  Lines l = {"GER SIGNATURE FILE", line2, "instrument", line4};
  for (int k = 5; k <= 12; ++k) l.push_back("header " + Num(k));
  for (int c = 0; c < channels; ++c) l.push_back(Num(350 + c) + ".25   " + Num(1000 + c) + "    " + Num(2000 + c));
  return l;
}

ScanRecord Parse(Format format, const std::string& text, LabelSource label = LabelSource::HeaderInfo,
                 const std::string& path = "/data/scan.spt") {
  ScanRecord r;
  ParseScan(VariantOf(format), text, false, path, label, r);
  return r;
}

// The failure's text, or "" when the parse went through.
std::string ParseFailure(Format format, const std::string& text, const std::string& path = "/data/bad.spt",
                         LabelSource label = LabelSource::HeaderInfo) {
  try {
    Parse(format, text, label, path);
  } catch (const RunFailure& f) {
    return f.what();
  }
  return "";
}

TEST(FileLabel, CutsAfterTheLastSeparatorThroughThreeCharactersAfterTheLastDot) {
  struct Case {
    const char* source;
    LabelSeparator sep;
    const char* label;
  };
  const Case cases[] = {
      {"C:\\SITE1\\A0001.SPT", LabelSeparator::Path, "A0001.SPT"},
      {"  X.SPTX  ", LabelSeparator::Path, "X.SPT"},
      {"/home/ana/scans/leaf0012.spt", LabelSeparator::Path, "leaf0012.spt"},
      {"/home/ana\\mixed/b.spu", LabelSeparator::Path, "b.spu"},
      {"\"File:       \\Storage Card\\ruby\\test00001.spu\"", LabelSeparator::Path, "test00001.spu"},
      {"GER1500 file name: SCAN0001.DAT", LabelSeparator::Blank, "SCAN0001.DAT"},
      {"name\tSCAN0001.DATA", LabelSeparator::Blank, "SCAN0001.DAT"},
      {"C:\\GER\\SCAN0001.DAT", LabelSeparator::Blank, "C:\\GER\\SCAN0001.DAT"},
      {"C:\\A.BC\\X", LabelSeparator::Path, ""},  // length 0: an empty label, not a failure
      {"", LabelSeparator::Path, ""},
      {"AB", LabelSeparator::Path, "AB"},
  };
  for (const Case& c : cases) {
    const auto label = CutFileLabel(c.source, c.sep);
    ASSERT_TRUE(label.has_value()) << c.source;
    EXPECT_EQ(*label, c.label) << c.source;
  }
  EXPECT_FALSE(CutFileLabel("C:\\DATA\\NOEXT", LabelSeparator::Path).has_value());
  EXPECT_FALSE(CutFileLabel("C:\\A.BCD\\X", LabelSeparator::Path).has_value());
  EXPECT_FALSE(CutFileLabel("GER header without extension", LabelSeparator::Blank).has_value());
}

TEST(UniSpecDateTime, DateFromCharacterFourteenAndTheNextWord) {
  struct Case {
    const char* line;
    const char* date;
    const char* time;
  };
  const Case cases[] = {
      {"Date & time: 02/14/03  10:22:05", "02/14/03", "10:22:05"},
      {"   Date & time: 02/14/03  10:22:05   ", "02/14/03", "10:22:05"},
      {"\"Time:       06/13/2022  15:42:15\"", "06/13/2022", "15:42:15"},
      {"\"Time:       06/13/2022\t15:42:15\"", "06/13/2022", "15:42:15"},
      {"Date & time: 02/14/03", "02/14/03", ""},
      {"Date & time:", "", ""},
      {"short", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const DateTimeText dt = UniSpecDateTime(c.line);
    EXPECT_EQ(dt.date, c.date) << c.line;
    EXPECT_EQ(dt.time, c.time) << c.line;
  }
}

TEST(LooksLikeDate, CalendarDatesOnly) {
  for (const char* yes : {"02/14/03", "06/13/2022", "14/02/03", "2022-06-13", "1.2.2003", "02/29/2000"})
    EXPECT_TRUE(LooksLikeDate(yes)) << yes;
  for (const char* no : {"", "13/13/03", "02/30/03", "02/29/2001", "ab/cd/ef", "02/14", "02-14/03", "10:22:05",
                         "02/14/03x"})
    EXPECT_FALSE(LooksLikeDate(no)) << no;
}

TEST(UniSpecOldReader, ReadsHeaderTargetAndPanel) {
  const ScanRecord r = Parse(Format::UniSpecOld, Join(OldLines()));
  EXPECT_EQ(r.FileLabel, "A0001.SPT");
  EXPECT_EQ(r.Date, "02/14/03");
  EXPECT_EQ(r.Time, "10:22:05");
  ASSERT_EQ(r.Target.size(), 256u);
  ASSERT_EQ(r.Panel.size(), 256u);
  for (int c = 0; c < 256; ++c) {
    ASSERT_EQ(r.Target[c], 1000 + c);
    ASSERT_EQ(r.Panel[c], 2000 + c);
  }
}

TEST(UniSpecOldReader, FieldRules) {
  Lines l = OldLines();
  l[10] = "  310 99 1234";  // three fields: the last one is the target
  l[11] = "4321";           // no blank: the whole line
  l[12] = "\t313\t\t5e2\t";
  l[268] = "0";             // panel 0 is a reading, not a failure
  l[269] = "  -7.5  ";
  l.push_back("lines after the PANEL block are ignored");
  for (const char* eol : {"\r\n", "\r", "\n"}) {
    const ScanRecord r = Parse(Format::UniSpecOld, Join(l, eol));
    EXPECT_EQ(r.Target[0], 1234);
    EXPECT_EQ(r.Target[1], 4321);
    EXPECT_EQ(r.Target[2], 500);
    EXPECT_EQ(r.Panel[0], 0);
    EXPECT_EQ(r.Panel[1], -7.5);
    EXPECT_EQ(r.Panel[255], 2255);
  }
}

TEST(UniSpecOldReader, LabelFromHeaderOrPath) {
  const std::string text = Join(OldLines("C:\\SITE1\\A0001.SPT"));
  EXPECT_EQ(Parse(Format::UniSpecOld, text, LabelSource::HeaderInfo).FileLabel, "A0001.SPT");
  // Two copies of one scan under different names get different labels from the path.
  EXPECT_EQ(Parse(Format::UniSpecOld, text, LabelSource::DataFileName, "/d/copy1.spt").FileLabel, "copy1.spt");
  EXPECT_EQ(Parse(Format::UniSpecOld, text, LabelSource::DataFileName, "/d/copy2.spt").FileLabel, "copy2.spt");
  EXPECT_EQ(Parse(Format::UniSpecOld, text, LabelSource::DataFileName, "/d/X.SPTX").FileLabel, "X.SPT");
  EXPECT_EQ(Parse(Format::UniSpecOld, text, LabelSource::DataFileName, "C:\\d\\Y.SPT").FileLabel, "Y.SPT");

  // A negative label length fails the read, naming the file; with the path
  // as source the same line 1 is never looked at.
  const std::string noExtension = Join(OldLines("C:\\DATA\\NOEXT"));
  const std::string failure = ParseFailure(Format::UniSpecOld, noExtension, "/data/noext.spt");
  EXPECT_NE(failure.find("/data/noext.spt"), std::string::npos) << failure;
  EXPECT_EQ(Parse(Format::UniSpecOld, noExtension, LabelSource::DataFileName, "/d/ok.spt").FileLabel, "ok.spt");
  EXPECT_NE(ParseFailure(Format::UniSpecOld, text, "/data/NOEXT", LabelSource::DataFileName), "");
}

TEST(UniSpecOldReader, ShortLineThreeGivesShortOrEmptyDateAndTime) {
  ScanRecord r = Parse(Format::UniSpecOld, Join(OldLines("C:\\A.SPT", "Date: 1/2/03")));
  EXPECT_EQ(r.Date, "");
  EXPECT_EQ(r.Time, "");
  r = Parse(Format::UniSpecOld, Join(OldLines("C:\\A.SPT", "Date & time: 02/14/03")));
  EXPECT_EQ(r.Date, "02/14/03");
  EXPECT_EQ(r.Time, "");
  r = Parse(Format::UniSpecOld, Join(OldLines("C:\\A.SPT", "")));
  EXPECT_EQ(r.Date, "");
}

TEST(UniSpecOldReader, DamagedFilesFailNamingFileAndLine) {
  Lines badTarget = OldLines();
  badTarget[20] = "  330   12x4";
  std::string f = ParseFailure(Format::UniSpecOld, Join(badTarget), "/data/t.spt");
  EXPECT_NE(f.find("/data/t.spt"), std::string::npos) << f;
  EXPECT_NE(f.find("line 21"), std::string::npos) << f;
  EXPECT_NE(f.find("12x4"), std::string::npos) << f;

  Lines badPanel = OldLines();
  badPanel[300] = "1,5";
  f = ParseFailure(Format::UniSpecOld, Join(badPanel), "/data/p.spt");
  EXPECT_NE(f.find("line 301"), std::string::npos) << f;

  Lines emptyPanel = OldLines();
  emptyPanel[523] = "   ";
  EXPECT_NE(ParseFailure(Format::UniSpecOld, Join(emptyPanel)), "");

  Lines shortFile = OldLines();
  shortFile.pop_back();  // 523 lines
  f = ParseFailure(Format::UniSpecOld, Join(shortFile), "/data/short.spt");
  EXPECT_NE(f.find("/data/short.spt"), std::string::npos) << f;
}

TEST(UniSpecNewReader, ReadsTheThreeFieldLines) {
  const ScanRecord r = Parse(Format::UniSpecNew, Join(NewLines()));
  EXPECT_EQ(r.FileLabel, "led00001.spu");
  EXPECT_EQ(r.Date, "06/13/2022");
  EXPECT_EQ(r.Time, "15:42:15");
  for (int c = 0; c < 256; ++c) {
    ASSERT_EQ(r.Target[c], 1000 + c);
    ASSERT_EQ(r.Panel[c], 2000 + c);
  }
}

TEST(UniSpecNewReader, MissingAndDamagedReadingsBecomeValuesNotFailures) {
  struct Case {
    std::string line;
    double target, panel;
  };
  const Case cases[] = {
      {"310.5     1234      2345", 1234, 2345},
      {"310.5 1234", 999, 0},           // two fields
      {"310.5 \t1234 \t", 999, 0},
      {"310.5 . 2345", 0, 2345},        // "." target counts as 0
      {"310.5 1234 .", 1234, 0},        // "." panel is no number: 0
      {"310.5 1 2 3", 1, 0},            // "2 3" is one panel field, no number
      {"310.5 abc 2345", 0, 2345},
      {"310.5 1234 x9", 1234, 0},
      {"312.6 \t0. \t0. ", 0, 0},       // as the instrument writes an empty channel
      {"310.5 -5 100", -5, 100},
      {"310.5 1e2 7", 100, 7},
  };
  for (const Case& c : cases) {
    Lines l = NewLines();
    l[10 + 7] = c.line;
    const ScanRecord r = Parse(Format::UniSpecNew, Join(l));
    EXPECT_EQ(r.Target[7], c.target) << c.line;
    EXPECT_EQ(r.Panel[7], c.panel) << c.line;
    EXPECT_EQ(r.Target[8], 1008);
  }
}

TEST(UniSpecNewReader, LineWithoutBlankOrShortFileFails) {
  Lines l = NewLines();
  l[50] = "  310.5  ";
  std::string f = ParseFailure(Format::UniSpecNew, Join(l), "/data/n.spu");
  EXPECT_NE(f.find("/data/n.spu"), std::string::npos) << f;
  EXPECT_NE(f.find("line 51"), std::string::npos) << f;

  l = NewLines();
  l[50] = "";
  EXPECT_NE(ParseFailure(Format::UniSpecNew, Join(l)), "");

  l = NewLines();
  l.pop_back();
  EXPECT_NE(ParseFailure(Format::UniSpecNew, Join(l)), "");
}

TEST(CompactReader, ValuesOnlyAndNoDateOrTime) {
  Lines l = CompactLines();
  l[4 + 3] = "\t-0.125\t";
  l.push_back("ignored after line 260");
  const ScanRecord r = Parse(Format::UniSpecCompact, Join(l), LabelSource::HeaderInfo);
  EXPECT_EQ(r.FileLabel, "LEAF0001.SPT");
  EXPECT_EQ(r.Date, "");
  EXPECT_EQ(r.Time, "");
  EXPECT_TRUE(r.Panel.empty());
  ASSERT_EQ(r.Target.size(), 256u);
  EXPECT_EQ(r.Target[0], 0.25);
  EXPECT_EQ(r.Target[3], -0.125);
  EXPECT_EQ(r.Target[255], 255.25);
  EXPECT_EQ(Parse(Format::UniSpecCompact, Join(l), LabelSource::DataFileName, "/x/B7.SPT").FileLabel, "B7.SPT");
}

TEST(CompactReader, NonNumberOrShortFileFails) {
  Lines l = CompactLines();
  l[14] = " 0.5abc ";
  const std::string f = ParseFailure(Format::UniSpecCompact, Join(l), "/data/c.spt");
  EXPECT_NE(f.find("/data/c.spt"), std::string::npos) << f;
  EXPECT_NE(f.find("line 15"), std::string::npos) << f;
  l = CompactLines();
  l[200] = "";
  EXPECT_NE(ParseFailure(Format::UniSpecCompact, Join(l)), "");
  l = CompactLines();
  l.pop_back();
  EXPECT_NE(ParseFailure(Format::UniSpecCompact, Join(l)), "");
}

TEST(GerReader, SplitsMiddleAndLastField) {
  Lines l = GerLines(512);
  l[12] = "350.2    12345        23456";
  l[13] = "\t351.2\t1\t\t2\t";
  l.push_back("after line 524: ignored");
  const ScanRecord r = Parse(Format::Ger1500, Join(l));
  EXPECT_EQ(r.FileLabel, "SCAN0001.DAT");
  ASSERT_EQ(r.Target.size(), 512u);
  EXPECT_EQ(r.Target[0], 12345);
  EXPECT_EQ(r.Panel[0], 23456);
  EXPECT_EQ(r.Target[1], 1);
  EXPECT_EQ(r.Panel[1], 2);
  EXPECT_EQ(r.Target[511], 1511);
  EXPECT_EQ(r.Panel[511], 2511);
}

TEST(GerReader, LineFourDateAndTimePositionsDifferBetweenInstruments) {
  // Trimmed line of 30 characters: 1-6 "abcdef", 7-14 the date, 15-26 the time, 27-30 "ZZZZ".
  const std::string line4 = "  abcdef06/13/22T10:22:05.50ZZZZ  ";
  ScanRecord r = Parse(Format::Ger1500, Join(GerLines(512, "x SCAN0001.DAT", line4)));
  EXPECT_EQ(r.Date, "06/13/22");
  EXPECT_EQ(r.Time, "T10:22:05.50");
  r = Parse(Format::Ger2600, Join(GerLines(594, "x SCAN0001.DAT", line4)));
  EXPECT_EQ(r.Date, "06/13/22");
  EXPECT_EQ(r.Time, "2T10:22:05.5");
  r = Parse(Format::Ger1500, Join(GerLines(512, "x SCAN0001.DAT", "Date: 06/1")));
  EXPECT_EQ(r.Date, "06/1");
  EXPECT_EQ(r.Time, "");
}

TEST(GerReader, LabelFromLineTwo) {
  EXPECT_EQ(Parse(Format::Ger1500, Join(GerLines(512, "name SCAN0001.DATA"))).FileLabel, "SCAN0001.DAT");
  EXPECT_EQ(Parse(Format::Ger2600, Join(GerLines(10, "a b c\tR2.GR2"))).FileLabel, "R2.GR2");
  const std::string f = ParseFailure(Format::Ger1500, Join(GerLines(512, "no extension here")), "/g/s.gr1");
  EXPECT_NE(f.find("/g/s.gr1"), std::string::npos) << f;
  EXPECT_NE(f.find("line 2"), std::string::npos) << f;
}

TEST(GerReader, Ger1500DamagedLinesFail) {
  const std::string cases[] = {"350.2 12345", "350.2", "", "350.2  x  3", "350.2  3  x", "350.2  3,5  7"};
  for (const std::string& bad : cases) {
    Lines l = GerLines(512);
    l[100] = bad;
    const std::string f = ParseFailure(Format::Ger1500, Join(l), "/g/bad.gr1");
    EXPECT_NE(f.find("/g/bad.gr1, line 101"), std::string::npos) << '"' << bad << "\": " << f;
  }
  EXPECT_NE(ParseFailure(Format::Ger1500, Join(GerLines(511))), "");
}

TEST(GerReader, Ger2600ReadsToTheEndOfTheFile) {
  ScanRecord r;
  const InstrumentVariant& v = VariantOf(Format::Ger2600);
  ParseScan(v, Join(GerLines(594)), false, "/g/full.gr2", LabelSource::HeaderInfo, r);
  EXPECT_EQ(r.Target[593], 1593);
  // A shorter file in the same record: channels after its data read 0, not the
  // earlier file's readings.
  ParseScan(v, Join(GerLines(590)), false, "/g/short.gr2", LabelSource::HeaderInfo, r);
  ASSERT_EQ(r.Target.size(), 594u);
  EXPECT_EQ(r.Target[589], 1589);
  EXPECT_EQ(r.Panel[589], 2589);
  for (int c = 590; c < 594; ++c) {
    EXPECT_EQ(r.Target[c], 0) << c;
    EXPECT_EQ(r.Panel[c], 0) << c;
  }
  // Last line without a line end.
  std::string text = Join(GerLines(20));
  text.resize(text.size() - 2);
  ParseScan(v, text, false, "/g/noeol.gr2", LabelSource::HeaderInfo, r);
  EXPECT_EQ(r.Panel[19], 2019);
}

TEST(GerReader, Ger2600FailsOnA595thOrEmptyLine) {
  std::string f = ParseFailure(Format::Ger2600, Join(GerLines(595)), "/g/long.gr2");
  EXPECT_NE(f.find("/g/long.gr2, line 607"), std::string::npos) << f;

  Lines among = GerLines(100);
  among[50] = "";
  f = ParseFailure(Format::Ger2600, Join(among), "/g/gap.gr2");
  EXPECT_NE(f.find("/g/gap.gr2, line 51"), std::string::npos) << f;

  EXPECT_NE(ParseFailure(Format::Ger2600, Join(GerLines(100)) + "\r\n"), "");  // empty line after the data
  EXPECT_NE(ParseFailure(Format::Ger2600, Join(GerLines(100)) + "   \r\n"), "");
  Lines header = GerLines(0);
  header.pop_back();  // 11 header lines
  EXPECT_NE(ParseFailure(Format::Ger2600, Join(header)), "");
}

// Every kind of damaged file read from disk: a RunFailure naming the file.
void ExpectFileFailure(Format format, const std::string& path) {
  ScanRecord r;
  std::string buffer;
  try {
    ReadScanFile(VariantOf(format), path, LabelSource::HeaderInfo, r, buffer);
    ADD_FAILURE() << "no failure for " << path;
  } catch (const RunFailure& f) {
    EXPECT_NE(std::string(f.what()).find(path), std::string::npos) << f.what();
  }
}

struct FormatText {
  Format format;
  std::string text;
};

std::vector<FormatText> ValidTexts() {
  return {{Format::UniSpecOld, Join(OldLines())},
          {Format::UniSpecNew, Join(NewLines())},
          {Format::UniSpecCompact, Join(CompactLines())},
          {Format::Ger1500, Join(GerLines(512))},
          {Format::Ger2600, Join(GerLines(594))}};
}

TEST(ReadScanFile, ValidFilesReadAndMissingFilesFail) {
  TempFolder folder;
  for (const FormatText& ft : ValidTexts()) {
    ScanRecord r;
    std::string buffer;
    EXPECT_NO_THROW(
        ReadScanFile(VariantOf(ft.format), folder.Write("ok.txt", ft.text), LabelSource::HeaderInfo, r, buffer));
    ExpectFileFailure(ft.format, folder.File("missing.spt"));
    ExpectFileFailure(ft.format, folder.Path().string());
  }
}

TEST(ReadScanFile, TruncatedFilesFail) {
  TempFolder folder;
  for (const FormatText& ft : ValidTexts()) {
    const std::size_t cuts[] = {0, 40, ft.text.size() / 2};
    for (const std::size_t cut : cuts) {
      if (ft.format == Format::Ger2600 && cut == ft.text.size() / 2) continue;  // a shorter GER 2600 file is valid
      const std::string path = folder.Write("cut" + Num(static_cast<int>(cut)) + ".scan", ft.text.substr(0, cut));
      ExpectFileFailure(ft.format, path);
    }
  }
}

TEST(ReadScanFile, BinaryJunkFails) {
  TempFolder folder;
  std::mt19937 rng(5);
  std::string junk(8192, '\0');
  for (char& c : junk) c = static_cast<char>(rng() % 256);
  for (std::size_t i = 0; i < junk.size(); i += 97) junk[i] = '\0';
  for (std::size_t i = 50; i < junk.size(); i += 61) junk[i] = '\n';
  const std::string junkPath = folder.Write("junk.bin", junk);
  for (const FormatText& ft : ValidTexts()) {
    ExpectFileFailure(ft.format, junkPath);
    // A valid header, then a data line holding a NUL byte.
    std::string text = ft.text;
    const std::size_t at = text.find("\r\n", text.size() / 3 * 2);
    text.insert(at - 1, std::string("\0", 1));
    if (ft.format == Format::UniSpecNew) continue;  // a damaged reading becomes 0 there
    ExpectFileFailure(ft.format, folder.Write("nul.scan", text));
  }
}

TEST(ReadScanFile, TwentyMegabyteLineFails) {
  TempFolder folder;
  const std::string huge(20u << 20, '7');
  for (const FormatText& ft : ValidTexts()) {
    // The giant line where a number is read: the first data line.
    const std::size_t headerLines = ft.format == Format::UniSpecCompact ? 4 : ft.format == Format::Ger1500 || ft.format == Format::Ger2600 ? 12 : 10;
    std::size_t at = 0;
    for (std::size_t k = 0; k < headerLines; ++k) at = ft.text.find("\r\n", at) + 2;
    const std::string path = folder.Write("huge.scan", ft.text.substr(0, at) + "1 " + huge + " 2\r\n" + ft.text.substr(at));
    ExpectFileFailure(ft.format, path);
  }
}

}  // namespace
}  // namespace corvelane
