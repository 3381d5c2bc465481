// The long table and the plot means, formatted from values held in memory:
// numbers and wavelengths in their shortest exact form, marks as empty
// fields, key columns, groups, and the gzip file; and the writer all long
// files share: CSV fields that keep their rows whole, and a file of many
// megabytes written in pieces with the same bytes as the text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "convert/spectra_long.h"
#include "indices/long_table.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using testing::FailureOf;
using testing::ReadAll;
using testing::ShellQuote;
using testing::TempFolder;

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
  EXPECT_EQ(testing::SplitCrLf(text).size(), 300u * 821u + 1u);
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

}  // namespace
}  // namespace corvelane
