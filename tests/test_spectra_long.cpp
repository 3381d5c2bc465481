// The long table and the plot means, formatted from values held in memory:
// numbers and wavelengths in their shortest exact form, marks as empty
// fields, key columns, groups, and the gzip file; the writer all long files
// share: CSV fields that keep their rows whole, and a file of many megabytes
// written in pieces with the same bytes as the text; and `convert --long`
// on whole runs, beside the wide tables (which stay as they were), joined to
// a field key by name or scan number, averaged by its groups.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "convert/spectra_long.h"
#include "indices/long_table.h"
#include "tests/dc_scan_text.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/numeric_text.h"

namespace corvelane::testing {
namespace {

namespace fs = std::filesystem;

std::string Short(double v, int decimals) {
  std::string out;
  AppendShortDecimal(out, v, decimals);
  return out;
}

TEST(LongTableNumbers, ValuesAsTheWideTableRoundsThemInShortestForm) {
  EXPECT_EQ(Short(0.1234, 6), "0.1234");
  EXPECT_EQ(Short(0.12340049, 6), "0.1234");
  EXPECT_EQ(Short(0.12340051, 6), "0.123401");
  EXPECT_EQ(Short(1.0, 6), "1");
  EXPECT_EQ(Short(-2.5, 5), "-2.5");
  EXPECT_EQ(Short(-0.0000001, 6), "0");
  EXPECT_EQ(Short(0.000001, 6), "0.000001");
  EXPECT_EQ(Short(0.123456789, 5), "0.12346");
  EXPECT_EQ(Short(46762.82, 6), "46762.82");
  EXPECT_EQ(Short(1e20, 6), "1e+20");
}

TEST(LongTableNumbers, GridWavelengthsCarryNoMoreDecimalsThanBeginAndStep) {
  const std::vector<double> rows = {536.9, 537.0000000000001, 537.1000000000003};
  EXPECT_EQ(LongWavelengths(rows, {"536.9", "540", "0.1"}, true), (std::vector<std::string>{"536.9", "537", "537.1"}));
  // A grid point a long sum has drifted from is still written as begin + i*step.
  std::vector<double> drifted(3000);
  double w = 310;
  for (double& x : drifted) {
    x = w;
    w += 0.1;
  }
  const std::vector<std::string> texts = LongWavelengths(drifted, {"310", "609.9", ".1"}, true);
  EXPECT_EQ(texts[2269], "536.9");
  EXPECT_EQ(texts.back(), "609.9");
  // Per channel: the run's own wavelength, shortest exact text.
  EXPECT_EQ(LongWavelengths(std::vector<double>{300.9122, 1150.804}, {"310", "1130", "1"}, false),
            (std::vector<std::string>{"300.9122", "1150.804"}));
}

// Two scans, two rows, reflectance with a mark and a raw table.
struct Fixture {
  std::vector<std::vector<double>> refl = {{0.5, 999}, {0.25, 0.125}};
  std::vector<std::vector<double>> target = {{999, 1000.5}, {12, 13}};
  SpectraLong table;
  Fixture() {
    table.wavelengths = {"400", "400.5"};
    table.scans = {{"a/A0001.spt", "A0001", "2018-06-22", "15:36:29", "21.472", "50"},
                   {"b,c.spt", "B \"1\"", "", "", "", ""}};
    table.quantities = {{.name = "reflectance", .columns = &refl, .decimals = 6},
                        {.name = "target", .columns = &target, .decimals = 6, .marked = false}};
  }
};

TEST(LongTableText, OneRowPerScanQuantityAndWavelengthWithMarksEmpty) {
  Fixture f;
  EXPECT_EQ(SpectraLongText(f.table),
            "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,reflectance,400,0.5\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,reflectance,400.5,\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,target,400,999\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,target,400.5,1000.5\r\n"
            "\"b,c.spt\",\"B \"\"1\"\"\",,,,,reflectance,400,0.25\r\n"
            "\"b,c.spt\",\"B \"\"1\"\"\",,,,,reflectance,400.5,0.125\r\n"
            "\"b,c.spt\",\"B \"\"1\"\"\",,,,,target,400,12\r\n"
            "\"b,c.spt\",\"B \"\"1\"\"\",,,,,target,400.5,13\r\n");
}

TEST(LongTableText, KeyColumnsFollowAndAScanInTwoRowsGetsTwoSets) {
  Fixture f;
  f.table.quantities.pop_back();
  KeyJoin key;
  key.columns = {"Site", "Block"};
  key.values = {{"MAT", "B1, B2"}, {"MAT", "B3"}};
  key.rowsOfScan = {{0, 1}, {}};
  f.table.key = &key;
  EXPECT_EQ(SpectraLongText(f.table),
            "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value,Site,Block\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,reflectance,400,0.5,MAT,\"B1, B2\"\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,reflectance,400.5,,MAT,\"B1, B2\"\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,reflectance,400,0.5,MAT,B3\r\n"
            "a/A0001.spt,A0001,2018-06-22,15:36:29,21.472,50,reflectance,400.5,,MAT,B3\r\n"
            "\"b,c.spt\",\"B \"\"1\"\"\",,,,,reflectance,400,0.25,,\r\n"
            "\"b,c.spt\",\"B \"\"1\"\"\",,,,,reflectance,400.5,0.125,,\r\n");
}

TEST(LongTableFile, GzipRestoresTheSameBytesAndLargeTablesMatchTheText) {
  // Enough rows for several chunks on several threads.
  std::vector<std::vector<double>> values(300, std::vector<double>(821));
  SpectraLong table;
  for (std::size_t s = 0; s < values.size(); ++s) {
    table.scans.push_back({"scan" + std::to_string(s) + ".spu", "L", "2018-06-22", "09:16:10.70", "", ""});
    for (std::size_t r = 0; r < 821; ++r) values[s][r] = (s % 7 == 0 && r % 50 == 0) ? 999 : 0.001 * (s + r);
  }
  std::vector<double> grid(821);
  for (std::size_t r = 0; r < 821; ++r) grid[r] = 310 + static_cast<double>(r);
  table.wavelengths = LongWavelengths(grid, {"310", "1130", "1"}, true);
  table.quantities = {{.name = "reflectance", .columns = &values, .decimals = 5}};
  const std::string text = SpectraLongText(table);
  EXPECT_EQ(SplitCrLf(text).size(), 300u * 821u + 1u);
  TempFolder folder;
  WriteSpectraLong(table, folder.File("long.csv"));
  EXPECT_EQ(ReadAll(folder.File("long.csv")), text);
  WriteSpectraLong(table, folder.File("long.csv.gz"));
  EXPECT_LT(ReadAll(folder.File("long.csv.gz")).size(), text.size() / 5);
  ASSERT_EQ(std::system(
                ("gzip -dc " + ShellQuote(folder.File("long.csv.gz")) + " > " + ShellQuote(folder.File("restored.csv")))
                    .c_str()),
            0);
  EXPECT_EQ(ReadAll(folder.File("restored.csv")), text);
}

TEST(PlotMeans, MeanSdAndCountsByHandForTwoGroupsWithAMarkLeftOut) {
  // Scans 0 and 1 in plot (MAT, B1), scans 2 and 3 in (MAT, B2); scan 3 is
  // also in B1 through a second key row; scan 4 has no key row.
  std::vector<std::vector<double>> refl = {{0.1, 0.2}, {0.3, 999}, {0.5, 0.6}, {0.7, 0.9}, {5, 5}};
  SpectraLong table;
  table.wavelengths = {"500", "501"};
  for (int s = 0; s < 5; ++s) table.scans.push_back({"s" + std::to_string(s), "", "", "", "", ""});
  table.quantities = {{.name = "reflectance", .columns = &refl, .decimals = 6}};
  const FieldKey key = ParseFieldKey(
      "file,Site,Block,Rep\ns0,MAT,B1,1\ns1,MAT,B1,2\ns2,MAT,B2,1\ns3,MAT,B2,2\ns3,MAT,B1,3\nmissing,MNAT,B9,1\n",
      "key.csv");
  std::vector<JoinScan> scans;
  for (const LongScan& s : table.scans) scans.push_back({s.path, ""});
  const KeyJoin join = JoinKey(key, FileColumnNames(key), scans);
  const std::vector<std::string> by = {"block", "Site"};
  const PlotGroups groups = GroupScans(key, join, by);
  ASSERT_EQ(groups.columns, (std::vector<std::string>{"Block", "Site"}));
  // B1: 0.1, 0.3, 0.7 -> mean 0.366667, sd sqrt(((0.1-m)^2+(0.3-m)^2+(0.7-m)^2)/2) = 0.305505;
  //     0.2, (mark), 0.9 -> mean 0.55, sd 0.494975, one left out.
  // B2: 0.5, 0.7 -> 0.6, sd 0.141421; 0.6, 0.9 -> 0.75, sd 0.212132.
  EXPECT_EQ(PlotMeansText(table, groups),
            "Block,Site,quantity,wavelength_nm,mean,sd,n,n_left_out\r\n"
            "B1,MAT,reflectance,500,0.366667,0.305505,3,0\r\n"
            "B1,MAT,reflectance,501,0.55,0.494975,2,1\r\n"
            "B2,MAT,reflectance,500,0.6,0.141421,2,0\r\n"
            "B2,MAT,reflectance,501,0.75,0.212132,2,0\r\n");
  EXPECT_NE(FailureOf([&] { GroupScans(key, join, std::vector<std::string>{"Treatment"}); }).find("Treatment"),
            std::string::npos);
}

TEST(PlotMeans, AGroupOfOneHasNoSdAndAllMarksNoMean) {
  std::vector<std::vector<double>> refl = {{0.25, 999}};
  SpectraLong table;
  table.wavelengths = {"500", "501"};
  table.scans = {{"s0", "", "", "", "", ""}};
  table.quantities = {{.name = "reflectance", .columns = &refl, .decimals = 6}};
  const FieldKey key = ParseFieldKey("file,Plot\ns0,\"P1, north\"\n", "key.csv");
  const KeyJoin join = JoinKey(key, FileColumnNames(key), std::vector<JoinScan>{{"s0", ""}});
  EXPECT_EQ(PlotMeansText(table, GroupScans(key, join, std::vector<std::string>{"Plot"})),
            "Plot,quantity,wavelength_nm,mean,sd,n,n_left_out\r\n"
            "\"P1, north\",reflectance,500,0.25,,1,0\r\n"
            "\"P1, north\",reflectance,501,,,0,1\r\n");
}

// ---- The writer the long files share

TEST(LongTableFields, FieldsThatWouldSplitARowAreQuoted) {
  const struct {
    const char* field;
    const char* written;
  } cases[] = {
      {"plain text", "plain text"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"lf\nonly", "\"lf\nonly\""},
      {"cr\ronly", "\"cr\ronly\""},
  };
  for (const auto& c : cases) {
    std::string out = "x,";
    AppendCsvField(out, c.field);
    EXPECT_EQ(out, std::string("x,") + c.written) << c.field;
  }
}

TEST(LongTableFile, AFileOfSeveralPiecesHoldsTheSameBytesAsTheText) {
  // Columns of uneven size, so that pieces end anywhere in a row.
  const ColumnRowsWriter rows = [](std::string& out, std::size_t k) {
    for (std::size_t r = 0; r < 40 + k % 7; ++r) out += "scan " + std::to_string(k) + "," + std::to_string(r) + "\r\n";
  };
  const std::size_t columns = 9000;
  const std::string text = LongTableText("head,row", columns, rows);
  ASSERT_GT(text.size(), 3u << 20) << "the file must take several pieces";
  EXPECT_EQ(text.substr(0, 10), "head,row\r\n");
  TempFolder folder;
  const std::string path = folder.File("long.csv");
  WriteLongTable(path, "head,row", columns, rows);
  const std::string written = ReadAll(path);
  // Compared whole, not printed: a diff of megabytes would not end.
  EXPECT_EQ(written.size(), text.size());
  EXPECT_TRUE(written == text);
  // No columns: the head alone.
  WriteLongTable(path, "head,row", 0, rows);
  EXPECT_EQ(ReadAll(path), "head,row\r\n");
}

// ---- `convert --long` on whole runs

// Two old-format scans on channels 0.5 nm apart; B's panel reads 0 at
// channel 21 (310.5 nm), so its reflectance there is the mark.
struct OldRun {
  TempFolder folder;
  std::string a, b;
  OldRun() {
    const Channels plain{Rising(300, 0.5), Rising(1000, 1), Rising(2000, 1)};
    Channels marked = plain;
    marked.panel = [](int c) { return c == 21 ? std::string("0") : Num(2000 + c); };
    a = folder.Write("A0001.spt", Join(OldLines(plain)));
    b = folder.Write("B0002.spt", Join(OldLines(marked)));
  }
  ProgramOutcome Convert(std::vector<std::string> extra) const {
    return RunCorvelane(Then(Then({"convert", "unispec-old", "--grid", "310,311,0.5"}, extra), {a, b}));
  }
};

TEST(LongTableRun, OldFormatTablesByHandWithKeyColumnsAndTheWideTablesUnchanged) {
  OldRun run;
  const std::string key = run.folder.Write("key.csv",
                                           "file,Site,Block\r\n"
                                           "a0001.SPT,MAT,\"B1, B2\"\r\n"
                                           "C0003.spt,MAT,B3\r\n");
  const ProgramOutcome out =
      run.Convert({"--reflectance", run.folder.File("r.txt"), "--target", run.folder.File("t.txt"), "--long",
                   run.folder.File("long.csv"), "--key", key});
  const std::string p = run.a, q = run.b;
  // One warning each way, and the run goes on.
  ASSERT_TRUE(Exited(out, 0,
                     {"1 of 2 scans has no row in the field key " + key + ", so their rows carry no key values: " + q,
                      "1 row of the field key " + key + " names no scan of the run: line 3 C0003.spt"}));

  std::string expected = "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value,Site,Block\r\n";
  for (const auto& [scan, mark, key] :
       {std::tuple{p + ",A0001.spt,", "0.505195", ",MAT,\"B1, B2\""}, std::tuple{q + ",B0002.spt,", "", ",,"}})
    for (const std::string& row :
         std::vector<std::string>{"reflectance,310,0.50495", "reflectance,310.5," + std::string(mark),
                                  "reflectance,311,0.50544", "target,310,1020", "target,310.5,1021", "target,311,1022"})
      expected += scan + "02/14/03,10:22:05,,," + row + key + "\r\n";
  EXPECT_EQ(ReadAll(run.folder.File("long.csv")), expected);
  // The wide tables are those of a run without the long table.
  const ProgramOutcome wide =
      run.Convert({"--reflectance", run.folder.File("r2.txt"), "--target", run.folder.File("t2.txt")});
  ASSERT_EQ(wide.exit, 0) << wide.err;
  EXPECT_EQ(ReadAll(run.folder.File("r.txt")), ReadAll(run.folder.File("r2.txt")));
  EXPECT_EQ(ReadAll(run.folder.File("t.txt")), ReadAll(run.folder.File("t2.txt")));
}

// The values of a UniSpec-DC reflectance table (an empty line, five head
// lines, the data): value[label][row].
std::map<std::string, std::vector<std::string>> WideColumns(const std::string& path) {
  constexpr std::size_t kNames = 1, kData = 6;
  const std::vector<std::string> lines = SplitCrLf(ReadAll(path));
  std::map<std::string, std::vector<std::string>> columns;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> cells = Fields(lines[i]);
    if (i == kNames) names = cells;
    if (i < kData) continue;
    for (std::size_t k = 1; k < cells.size() && k < names.size(); ++k) columns[names[k]].push_back(cells[k]);
  }
  return columns;
}

TEST(LongTableRun, UniSpecDcHeaderFactsAndValuesAsTheReflectanceTableRoundsThem) {
  TempFolder folder;
  const Channels ch{Rising(300.9, 3.3), Rising(1000, 1),
                    [](int c) { return c >= 31 && c <= 33 ? "0" : Num(2000 + 2 * c); }};
  const std::string s1 = folder.Write("DHT_00001.spu", Join(DcLines(ch)));
  const std::string s2 = folder.Write("DHT_00002.spu", Join(DcLines()));
  const ProgramOutcome out = RunCorvelane({"convert", "unispec-dc", "--grid", "400.5,420.5,0.5", "--reflectance",
                                           folder.File("r.csv"), "--long", folder.File("long.csv"), s1, s2});
  ASSERT_EQ(out.exit, 0) << out.err;
  const std::vector<std::string> lines = SplitCrLf(ReadAll(folder.File("long.csv")));
  ASSERT_EQ(lines.size(), 1u + 2 * 41);
  EXPECT_EQ(lines[1].substr(0, lines[1].rfind(',')),
            s1 + ",DHT_00001.spu,2018-06-22,15:36:29,20.984,50,reflectance,400.5");
  EXPECT_EQ(lines[42].substr(0, lines[42].rfind(',')),
            s2 + ",DHT_00002.spu,2018-06-22,15:36:29,20.984,50,reflectance,400.5");
  EXPECT_TRUE(Has(lines[2], ",reflectance,401,"));
  // Every value is the reflectance table's (its shortest text:
  // LongTableNumbers); marks empty.
  const auto wide = WideColumns(folder.File("r.csv"));
  std::size_t marks = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& scan = i <= 41 ? s1 : s2;
    const std::string label = scan.substr(scan.rfind('/') + 1);
    const std::string value = lines[i].substr(lines[i].rfind(',') + 1);
    ASSERT_TRUE(wide.count(label)) << label;
    const double w = ParseNumber(wide.at(label)[(i - 1) % 41]).value_or(NAN);
    if (w == 999) {
      EXPECT_EQ(value, "") << lines[i];
      ++marks;
    } else {
      EXPECT_EQ(ParseNumber(value).value_or(NAN), w) << lines[i];
    }
  }
  EXPECT_GT(marks, 0u);  // the panel's 0 marks grid points beside it
}

TEST(LongTableRun, PlotMeansThroughTheCommandLine) {
  OldRun run;
  const std::string key = run.folder.Write("key.csv", "file,Site,Block\nA0001.spt,MAT,B1\nB0002.spt,MAT,B1\n");
  const ProgramOutcome out =
      run.Convert({"--long", run.folder.File("means.csv"), "--key", key, "--average-by", "site"});
  ASSERT_EQ(out.exit, 0) << out.err;
  EXPECT_EQ(ReadAll(run.folder.File("means.csv")),
            "Site,quantity,wavelength_nm,mean,sd,n,n_left_out\r\n"
            "MAT,reflectance,310,0.50495,0,2,0\r\n"
            "MAT,reflectance,310.5,0.505195,,1,1\r\n"
            "MAT,reflectance,311,0.50544,0,2,0\r\n");
}

// The key's own mistakes (no file column, unknown columns): FieldKeyReading,
// FieldKeyNumbers and PlotMeans.
TEST(LongTableRun, KeyAndGroupMistakesAreUsageErrorsBeforeAnythingIsWritten) {
  OldRun run;
  const std::string key = run.folder.Write("key.csv", "file,Site\nA0001.spt,MAT\n");
  const std::string r = run.folder.File("r.txt"), l = run.folder.File("l.csv");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"--reflectance", r, "--key", key}, "--key joins the field key to the long table"},
      {{"--long", l, "--average-by", "Site"}, "add --key FILE"},
      {{"--long", l, "--key", run.folder.File("missing.csv")}, "missing.csv"},
      {{"--long", key, "--key", key}, "--long"},
      {{"--long", run.a}, "would replace"},
      {{"--long", l, "--key", key, "--key-scans", "P1"}, "go together"},
      {{"--long", l, "--key-scans", "P1", "--key-name", "{Site}{n:04}.spt"}, "add --key FILE"},
  };
  for (const Case& c : cases) {
    const ProgramOutcome out = run.Convert(c.args);
    EXPECT_TRUE(Exited(out, 2, {c.says})) << c.says;
    EXPECT_FALSE(fs::exists(r));
    EXPECT_FALSE(fs::exists(l));
  }
}

TEST(LongTableRun, ScanNumbersJoinTheKeyAndLongAloneMeansReflectance) {
  OldRun run;
  const std::string key = run.folder.Write("key.csv", "Site,P1\nA,1\n");
  const std::string l = run.folder.File("l.csv");
  // A0001.spt and B0002.spt: Site A, number 1; the key names A0001 only.
  const ProgramOutcome ok =
      run.Convert({"--long", l, "--key", key, "--key-scans", "P1", "--key-name", "{Site}{n:04}.spt"});
  ASSERT_EQ(ok.exit, 0) << ok.err;
  const std::vector<std::string> lines = SplitCrLf(ReadAll(l));
  ASSERT_EQ(lines.size(), 1u + 2 * 3);  // --long alone: the reflectance only
  EXPECT_TRUE(lines[0].ends_with(",value,Site,scan_number"));
  EXPECT_TRUE(lines[1].ends_with(",A,1")) << lines[1];
  EXPECT_TRUE(lines.back().ends_with(",,")) << lines.back();
}

}  // namespace
}  // namespace corvelane::testing
