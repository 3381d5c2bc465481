// The scan readers of the five single-channel formats, against small files
// written here line by line, and against damaged files of every kind.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "instruments/file_label.h"
#include "instruments/scan_readers.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using namespace testing;

ScanRecord Parse(Format format, const std::string& text, LabelSource label = LabelSource::HeaderInfo,
                 const std::string& path = "/data/scan.spt") {
  ScanRecord r;
  ParseScan(VariantOf(format), text, false, path, label, r);
  return r;
}

// The failure's text, or "" when the parse went through.
std::string ParseFailure(Format format, const std::string& text, const std::string& path = "/data/bad.spt",
                         LabelSource label = LabelSource::HeaderInfo) {
  return FailureOf([&] { Parse(format, text, label, path); });
}

TEST(FileLabel, CutsAfterTheLastSeparatorThroughThreeCharactersAfterTheLastDot) {
  using enum LabelSeparator;
  struct Case {
    const char* source;
    LabelSeparator sep;
    const char* label;
  };
  const Case cases[] = {
      {"C:\\SITE1\\A0001.SPT", Path, "A0001.SPT"},
      {"  X.SPTX  ", Path, "X.SPT"},
      {"/home/ana/scans/leaf0012.spt", Path, "leaf0012.spt"},
      {"/home/ana\\mixed/b.spu", Path, "b.spu"},
      {"\"File:       \\Storage Card\\ruby\\test00001.spu\"", Path, "test00001.spu"},
      {"GER1500 file name: SCAN0001.DAT", Blank, "SCAN0001.DAT"},
      {"name\tSCAN0001.DATA", Blank, "SCAN0001.DAT"},
      {"C:\\GER\\SCAN0001.DAT", Blank, "C:\\GER\\SCAN0001.DAT"},
      {"C:\\A.BC\\X", Path, ""},  // length 0: an empty label, not a failure
      {"", Path, ""},
      {"AB", Path, "AB"},
  };
  for (const Case& c : cases) EXPECT_EQ(CutFileLabel(c.source, c.sep).value_or("(none)"), c.label) << c.source;
  EXPECT_FALSE(CutFileLabel("C:\\DATA\\NOEXT", Path).has_value());
  EXPECT_FALSE(CutFileLabel("C:\\A.BCD\\X", Path).has_value());
  EXPECT_FALSE(CutFileLabel("GER header without extension", Blank).has_value());
}

TEST(UniSpecDateTime, DateIsTheFirstWordFromCharacterFourteenAndTimeTheNext) {
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
      // The date may start after character 14.
      {"\"Time:        06/13/2022  15:40:54\"", "06/13/2022", "15:40:54"},
      {"Date & time:\t   02/14/03 10:22:05", "02/14/03", "10:22:05"},
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
  for (const char* no :
       {"", "13/13/03", "02/30/03", "02/29/2001", "ab/cd/ef", "02/14", "02-14/03", "10:22:05", "02/14/03x"})
    EXPECT_FALSE(LooksLikeDate(no)) << no;
}

TEST(UniSpecOldReader, ReadsHeaderTargetAndPanelWhateverTheLineEnds) {
  const Lines l = With(OldLines(), {{10, "  310 99 1234"},  // three fields: the last one is the target
                                    {11, "4321"},           // no blank: the whole line
                                    {12, "\t313\t\t5e2\t"},
                                    {13, "316 -1234567890123456"},  // 16 digits
                                    {14, "319.\t+.5 "},
                                    {268, "0"},  // panel 0 is a reading, not a failure
                                    {269, "  -7.5  "}});
  for (const char* eol : {"\r\n", "\r", "\n"}) {
    const ScanRecord r = Parse(Format::UniSpecOld, Join(l, eol) + "lines after the PANEL block are ignored" + eol);
    EXPECT_EQ(r.fileLabel, "A0001.SPT");
    EXPECT_EQ(r.date, "02/14/03");
    EXPECT_EQ(r.time, "10:22:05");
    ASSERT_EQ(r.target.size(), 256u);
    ASSERT_EQ(r.panel.size(), 256u);
    EXPECT_EQ(r.target[0], 1234);
    EXPECT_EQ(r.target[1], 4321);
    EXPECT_EQ(r.target[2], 500);
    EXPECT_EQ(r.target[3], -1234567890123456);
    EXPECT_EQ(r.target[4], 0.5);
    EXPECT_EQ(r.panel[0], 0);
    EXPECT_EQ(r.panel[1], -7.5);
    for (int c = 5; c < 256; ++c) {
      ASSERT_EQ(r.target[c], 1000 + c);
      ASSERT_EQ(r.panel[c], 2000 + c);
    }
  }
}

TEST(UniSpecOldReader, LabelFromThePathLeavesLineOneAlone) {
  // Two copies of one scan under different names get different labels; a
  // line 1 without extension is never looked at.
  const std::string noExtension = Join(With(OldLines(), {{0, "C:\\DATA\\NOEXT"}}));
  EXPECT_EQ(Parse(Format::UniSpecOld, noExtension, LabelSource::DataFileName, "/d/copy1.spt").fileLabel, "copy1.spt");
  EXPECT_EQ(Parse(Format::UniSpecOld, noExtension, LabelSource::DataFileName, "C:\\d\\copy2.spt").fileLabel,
            "copy2.spt");
  EXPECT_NE(ParseFailure(Format::UniSpecOld, Join(OldLines()), "/data/NOEXT", LabelSource::DataFileName), "");
}

TEST(UniSpecNewReader, MissingAndDamagedReadingsBecomeValuesNotFailures) {
  const ScanRecord whole = Parse(Format::UniSpecNew, Join(NewLines()));
  EXPECT_EQ(whole.fileLabel, "led00001.spu");
  EXPECT_EQ(whole.date, "06/13/2022");
  EXPECT_EQ(whole.time, "15:42:15");
  for (int c = 0; c < 256; ++c) {
    ASSERT_EQ(whole.target[c], 1000 + c);
    ASSERT_EQ(whole.panel[c], 2000 + c);
  }
  // `wave`: the line's own wavelength when asked for (NaN: none).
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    std::string line;
    double target, panel, wave = 310.5;
  };
  const Case cases[] = {
      {"310.5     1234      2345", 1234, 2345},
      {"  +310.5\t1234 2345.  ", 1234, 2345},
      {"310.5 1234567890123456 2", 1234567890123456, 2},  // 16 digits: not a plain decimal, still a number
      {"310,5 1234 2345", 1234, 2345, kNone},
      {"310.5 1234", 999, 0},  // two fields
      {"310.5 \t1234 \t", 999, 0},
      {"310.5 . 2345", 0, 2345},  // "." target counts as 0
      {"310.5 1234 .", 1234, 0},  // "." panel is no number: 0
      {"310.5 1 2 3", 1, 0},      // "2 3" is one panel field, no number
      {"310.5 abc 2345", 0, 2345},
      {"310.5 1234 x9", 1234, 0},
      {"312.6 \t0. \t0. ", 0, 0, 312.6},  // as the instrument writes an empty channel
      {"310.5 -5 100", -5, 100},
      {"310.5 1e2 7", 100, 7},
  };
  for (const Case& c : cases) {
    ScanRecord withWaves;
    withWaves.ownWaves.resize(256);
    ParseScan(VariantOf(Format::UniSpecNew), Join(With(NewLines(), {{kUniSpecData + 7, c.line}})), false, "/d/n.spu",
              LabelSource::HeaderInfo, withWaves);
    EXPECT_EQ(withWaves.target[7], c.target) << c.line;
    EXPECT_EQ(withWaves.panel[7], c.panel) << c.line;
    EXPECT_EQ(withWaves.target[8], 1008);
    if (std::isnan(c.wave))
      EXPECT_TRUE(std::isnan(withWaves.ownWaves[7])) << c.line;
    else
      EXPECT_EQ(withWaves.ownWaves[7], c.wave) << c.line;
    EXPECT_EQ(withWaves.ownWaves[8], 300 + 3 * 8) << c.line;
  }
}

TEST(CompactReader, ValuesOnlyAndNoDateOrTime) {
  Lines l = With(CompactLines(), {{kCompactData + 3, "\t-0.125\t"}});
  l.push_back("ignored after line 260");
  const ScanRecord r = Parse(Format::UniSpecCompact, Join(l), LabelSource::HeaderInfo);
  EXPECT_EQ(r.fileLabel, "LEAF0001.SPT");
  EXPECT_EQ(r.date, "");
  EXPECT_EQ(r.time, "");
  EXPECT_TRUE(r.panel.empty());
  ASSERT_EQ(r.target.size(), 256u);
  EXPECT_EQ(r.target[0], 0.25);
  EXPECT_EQ(r.target[3], -0.125);
  EXPECT_EQ(r.target[255], 255.25);
  EXPECT_EQ(Parse(Format::UniSpecCompact, Join(l), LabelSource::DataFileName, "/x/B7.SPT").fileLabel, "B7.SPT");
}

TEST(GerReader, LabelDateTimeAndTheMiddleAndLastField) {
  // Trimmed line 4 of 30 characters: 1-6 "abcdef", 7-14 the date, 15-26 the time, 27-30 "ZZZZ".
  const std::string line4 = "  abcdef06/13/22T10:22:05.50ZZZZ  ";
  Lines l =
      With(GerLines(512),
           {{1, "name SCAN0001.DATA"}, {3, line4}, {12, "350.2    12345        23456"}, {13, "\t351.2\t1\t\t2\t"}});
  l.push_back("after line 524: ignored");
  ScanRecord r = Parse(Format::Ger1500, Join(l));
  EXPECT_EQ(r.fileLabel, "SCAN0001.DAT");
  EXPECT_EQ(r.date, "06/13/22");
  EXPECT_EQ(r.time, "T10:22:05.50");
  ASSERT_EQ(r.target.size(), 512u);
  EXPECT_EQ(r.target[0], 12345);
  EXPECT_EQ(r.panel[0], 23456);
  EXPECT_EQ(r.target[1], 1);
  EXPECT_EQ(r.panel[1], 2);
  EXPECT_EQ(r.target[511], 1511);
  EXPECT_EQ(r.panel[511], 2511);

  r = Parse(Format::Ger2600, Join(With(GerLines(594), {{1, "a b c\tR2.GR2"}, {3, line4}})));
  EXPECT_EQ(r.fileLabel, "R2.GR2");
  EXPECT_EQ(r.date, "06/13/22");
  EXPECT_EQ(r.time, "2T10:22:05.5");
  r = Parse(Format::Ger1500, Join(With(GerLines(512), {{3, "Date: 06/1"}})));
  EXPECT_EQ(r.date, "06/1");
  EXPECT_EQ(r.time, "");
}

TEST(GerReader, Ger2600ReadsToTheEndOfTheFile) {
  ScanRecord r;
  const InstrumentVariant& v = VariantOf(Format::Ger2600);
  ParseScan(v, Join(GerLines(594)), false, "/g/full.gr2", LabelSource::HeaderInfo, r);
  EXPECT_EQ(r.target[593], 1593);
  // A shorter file in the same record: channels after its data read 0, not the
  // earlier file's readings.
  ParseScan(v, Join(GerLines(590)), false, "/g/short.gr2", LabelSource::HeaderInfo, r);
  ASSERT_EQ(r.target.size(), 594u);
  EXPECT_EQ(r.target[589], 1589);
  EXPECT_EQ(r.panel[589], 2589);
  for (int c = 590; c < 594; ++c) {
    EXPECT_EQ(r.target[c], 0) << c;
    EXPECT_EQ(r.panel[c], 0) << c;
  }
  // Last line without a line end.
  std::string text = Join(GerLines(20));
  text.resize(text.size() - 2);
  ParseScan(v, text, false, "/g/noeol.gr2", LabelSource::HeaderInfo, r);
  EXPECT_EQ(r.panel[19], 2019);
}

TEST(ScanReaders, DamagedFilesFailNamingFileAndLine) {
  struct Case {
    Format format;
    std::string text;
    int line;
    const char* shows = "";
  };
  const Format Old = Format::UniSpecOld, New = Format::UniSpecNew, Compact = Format::UniSpecCompact,
               G1500 = Format::Ger1500, G2600 = Format::Ger2600;
  std::vector<Case> cases = {
      {Old, Join(With(OldLines(), {{20, "  330   12x4"}})), 21, "12x4"},
      {Old, Join(With(OldLines(), {{300, "1,5"}})), 301},
      {Old, Join(With(OldLines(), {{523, "   "}})), 524},
      {Old, Join(Head(OldLines(), 523)), 524},
      {Old, Join(With(OldLines(), {{0, "C:\\DATA\\NOEXT"}})), 1},  // the label length would be negative
      {New, Join(With(NewLines(), {{50, "  310.5  "}})), 51},      // no blank after the wavelength
      {New, Join(With(NewLines(), {{50, ""}})), 51},
      {New, Join(Head(NewLines(), 265)), 266},
      {Compact, Join(With(CompactLines(), {{14, " 0.5abc "}})), 15},
      {Compact, Join(With(CompactLines(), {{200, ""}})), 201},
      {Compact, Join(Head(CompactLines(), 259)), 260},
      {G1500, Join(GerLines(511)), 524},
      {G1500, Join(With(GerLines(512), {{1, "no extension here"}})), 2},
      {G2600, Join(GerLines(595)), 607, "more than 594 data lines"},
      {G2600, Join(GerLines(100)) + "\r\n", 113},  // an empty line after the data (blank lines read alike)
      {G2600, Join(Head(GerLines(0), 11)), 12},
  };
  for (const char* bad : {"350.2 12345", "350.2", "", "350.2  x  3", "350.2  3  x", "350.2  3,5  7"})
    cases.push_back({G1500, Join(With(GerLines(512), {{100, bad}})), 101});
  for (const Case& c : cases) {
    const std::string f = ParseFailure(c.format, c.text, "/data/bad.scan");
    EXPECT_NE(f.find("/data/bad.scan, line " + Num(c.line)), std::string::npos) << c.line << ": " << f;
    EXPECT_NE(f.find(c.shows), std::string::npos) << f;
  }
}

// As a run reads a scan: the bounded read, then the parse.
void ReadScanFile(const InstrumentVariant& variant, const std::string& path, ScanRecord& out, std::string& buffer) {
  bool truncated = false;
  ReadFileBounded(path, buffer, truncated);
  ParseScan(variant, buffer, truncated, path, LabelSource::HeaderInfo, out);
}

TEST(ReadScanFile, ValidFilesReadWhileMissingCutJunkAndGiantFilesFail) {
  TempFolder folder;
  std::mt19937 rng(5);
  std::string junk(8192, '\0');
  for (char& c : junk) c = static_cast<char>(rng() % 256);
  for (std::size_t i = 0; i < junk.size(); i += 97) junk[i] = '\0';
  for (std::size_t i = 50; i < junk.size(); i += 61) junk[i] = '\n';
  const std::string huge(20u << 20, '7');
  struct Valid {
    Format format;
    Lines lines;
    std::size_t firstData;
  };
  const Valid valid[] = {{Format::UniSpecOld, OldLines(), kUniSpecData},
                         {Format::UniSpecNew, NewLines(), kUniSpecData},
                         {Format::UniSpecCompact, CompactLines(), kCompactData},
                         {Format::Ger1500, GerLines(512), kGerData},
                         {Format::Ger2600, GerLines(594), kGerData}};
  for (const Valid& v : valid) {
    SCOPED_TRACE(VariantOf(v.format).cliName);
    const std::string text = Join(v.lines);
    ScanRecord r;
    std::string buffer;
    EXPECT_NO_THROW(ReadScanFile(VariantOf(v.format), folder.Write("ok.txt", text), r, buffer));
    std::vector<std::string> bad = {folder.File("missing.spt"), folder.Path().string(), folder.Write("junk.bin", junk),
                                    folder.Write("empty", ""), folder.Write("cut", text.substr(0, 40))};
    if (v.format != Format::UniSpecNew) {  // a damaged reading becomes 0 there
      std::string nul = text;              // a valid header, then a data line holding a NUL byte
      nul.insert(nul.find("\r\n", nul.size() / 3 * 2) - 1, std::string("\0", 1));
      bad.push_back(folder.Write("nul.scan", nul));
    }
    // A giant line where the first number is read.
    Lines giant = v.lines;
    giant.insert(giant.begin() + static_cast<std::ptrdiff_t>(v.firstData), "1 " + huge + " 2");
    bad.push_back(folder.Write("huge.scan", Join(giant)));
    for (const std::string& path : bad)  // a RunFailure naming the file
      EXPECT_NE(FailureOf([&] { ReadScanFile(VariantOf(v.format), path, r, buffer); }).find(path), std::string::npos)
          << path;
  }
}

}  // namespace
}  // namespace corvelane
