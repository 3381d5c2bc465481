// The field key: reading a spreadsheet's CSV, naming the scans of its rows
// and joining them to a run's scans, misses reported both ways.
#include <gtest/gtest.h>

#include "convert/field_key.h"
#include "tests/scan_text.h"
#include "text/failure.h"

namespace corvelane {
namespace {

using testing::FailureOf;

FieldKey Key(const std::string& text) { return ParseFieldKey(text, "key.csv"); }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(FieldKeyReading, QuotedListsBlanksBomAndLinesAsASpreadsheetWritesThem) {
  const FieldKey key =
      Key("\xEF\xBB\xBF"
          "file,Site,Block,Notes\r\n"
          "DHT_00001.spu, MAT ,\"B1, B2, B3\",\"said \"\"dark\"\"\"\r\n"
          "\r\n"
          ",,,\r\n"
          "DHT_00002.spu,MAT,B4,\"two\nlines\"\r\n"
          "DHT_00003.spu,MNAT\r\n");
  ASSERT_EQ(key.columns, (std::vector<std::string>{"file", "Site", "Block", "Notes"}));
  ASSERT_EQ(key.rows.size(), 3u);
  EXPECT_EQ(key.rows[0].cells, (std::vector<std::string>{"DHT_00001.spu", "MAT", "B1, B2, B3", "said \"dark\""}));
  EXPECT_EQ(key.rows[0].line, 2u);
  EXPECT_EQ(key.rows[1].cells[3], "two\nlines");
  EXPECT_EQ(key.rows[1].line, 5u);
  // A short row has empty cells for the columns it leaves out.
  EXPECT_EQ(key.rows[2].cells, (std::vector<std::string>{"DHT_00003.spu", "MNAT", "", ""}));
  EXPECT_EQ(key.rows[2].line, 7u);
  EXPECT_EQ(key.Column("SITE"), 1u);
  EXPECT_FALSE(key.Column("Treatment"));
}

TEST(FieldKeyReading, DamagedKeysAreUsageErrorsNamingTheirLine) {
  const auto kindOf = [](const std::string& text) {
    try {
      Key(text);
    } catch (const RunFailure& f) {
      return f.Kind();
    }
    return FailureKind::Run;
  };
  EXPECT_TRUE(Has(FailureOf([] { Key("file,Site\na.spu,MAT\nb.spu,MAT,extra\n"); }), "line 3"));
  EXPECT_EQ(kindOf("file,Site\nb.spu,MAT,extra\n"), FailureKind::Usage);
  // Empty cells after the last column are what spreadsheets leave: not a fault.
  EXPECT_EQ(Key("file,Site\nb.spu,MAT,,\n").rows.size(), 1u);
  EXPECT_TRUE(Has(FailureOf([] { Key("file,Site,site\n"); }), "twice"));
  EXPECT_TRUE(Has(FailureOf([] { Key(""); }), "no header row"));
  EXPECT_TRUE(Has(FailureOf([] { FileColumnNames(Key("name,Site\na.spu,MAT\n")); }), "no column \"file\""));
  EXPECT_TRUE(Has(FailureOf([] { ReadFieldKey("/nonexistent/key.csv"); }), "key.csv"));
}

TEST(FieldKeyNames, FileColumnNamesWithoutFolderOrCaseAndDatesInIso) {
  const FieldKey key =
      Key("File,DATE,Site\n"
          "C:\\2018\\DHT_00001.SPU,6/22/2018,MAT\n"
          ",6/22/2018,spacer\n"
          "2018-08-11/dht_00001.spu,2018-08-11,MNAT\n"
          "dht_00002.spu,,MNAT\n");
  const KeyLayout layout = FileColumnNames(key);
  ASSERT_EQ(layout.names.size(), 3u);  // the row without a file names no scan
  EXPECT_EQ(layout.names[0].fileName, "dht_00001.spu");
  EXPECT_EQ(layout.names[0].date, "2018-06-22");
  EXPECT_EQ(layout.names[1].row, 2u);
  EXPECT_EQ(layout.names[1].date, "2018-08-11");
  EXPECT_EQ(layout.names[2].date, "");
  // Neither file nor date is carried: the long table has both already.
  EXPECT_EQ(layout.carried, (std::vector<std::size_t>{2}));
}

TEST(FieldKeyJoin, DatesChooseBetweenScansOfOneNameAndMissesAreNamedBothWays) {
  const FieldKey key =
      Key("file,date,Site,Block\n"
          "DHT_00001.spu,6/22/2018,MAT,B1\n"
          "DHT_00001.spu,8/11/2018,MAT,B2\n"
          "DHT_00009.spu,8/11/2018,MAT,B3\n");
  const std::vector<JoinScan> scans = {{"/d/0622/dht_00001.spu", "2018-06-22"},
                                       {"/d/0811/DHT_00001.spu", "2018-08-11"},
                                       {"/d/0811/DHT_00005.spu", "2018-08-11"},
                                       {"/d/0812/DHT_00001.spu", "2018-08-12"}};
  const KeyJoin join = JoinKey(key, FileColumnNames(key), scans);
  EXPECT_EQ(join.columns, (std::vector<std::string>{"Site", "Block"}));
  ASSERT_EQ(join.rowsOfScan.size(), 4u);
  EXPECT_EQ(join.rowsOfScan[0], (std::vector<std::size_t>{0}));
  EXPECT_EQ(join.rowsOfScan[1], (std::vector<std::size_t>{1}));
  EXPECT_TRUE(join.rowsOfScan[2].empty());
  EXPECT_TRUE(join.rowsOfScan[3].empty());  // a day the key does not give
  EXPECT_EQ(join.values[1], (std::vector<std::string>{"MAT", "B2"}));
  ASSERT_EQ(join.warnings.size(), 2u);
  EXPECT_TRUE(Has(join.warnings[0], "2 of 4 scans have no row in the field key key.csv"));
  EXPECT_TRUE(Has(join.warnings[0], "/d/0811/DHT_00005.spu, /d/0812/DHT_00001.spu"));
  EXPECT_TRUE(Has(join.warnings[1],
                  "1 row of the field key key.csv names no scan of the run: line 4 DHT_00009.spu "
                  "(2018-08-11)"));
}

TEST(FieldKeyJoin, AScanInTwoRowsGetsBothAndOneWarningNamesIt) {
  const FieldKey key =
      Key("file,Block,Treatment\n"
          "MAT_00000.spu,B1,DARK\n"
          "MAT_00001.spu,B1,CT\n"
          "MAT_00000.spu,B2,DARK\n");
  const std::vector<JoinScan> scans = {{"MAT_00000.spu", "2018-06-22"}, {"MAT_00001.spu", "2018-06-22"}};
  const KeyJoin join = JoinKey(key, FileColumnNames(key), scans);
  EXPECT_EQ(join.rowsOfScan[0], (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(join.rowsOfScan[1], (std::vector<std::size_t>{1}));
  ASSERT_EQ(join.warnings.size(), 1u);
  EXPECT_TRUE(Has(join.warnings[0], "1 scan is named by several rows of the field key key.csv"));
  EXPECT_TRUE(Has(join.warnings[0], "MAT_00000.spu (lines 2, 4)"));
  // Without misses nor doubles there is nothing to say.
  const FieldKey single = Key("file\nMAT_00001.spu\n");
  EXPECT_TRUE(JoinKey(single, FileColumnNames(single), {{JoinScan{"MAT_00001.spu", ""}}}).warnings.empty());
}

TEST(FieldKeyJoin, TheWarningsNameAtMostFiveAndCountAll) {
  std::string text = "file\n";
  std::vector<JoinScan> scans;
  for (int i = 0; i < 8; ++i) scans.push_back({"s" + std::to_string(i) + ".spu", ""});
  const FieldKey key = Key(text);
  const KeyJoin join = JoinKey(key, FileColumnNames(key), scans);
  ASSERT_EQ(join.warnings.size(), 1u);
  EXPECT_TRUE(Has(join.warnings[0], "8 of 8 scans"));
  EXPECT_TRUE(Has(join.warnings[0], "s4.spu, ..."));
  EXPECT_FALSE(Has(join.warnings[0], "s5.spu"));
}

TEST(FieldKeyNumbers, OneRowPerPlotNamesItsScansByNumberAndPattern) {
  const FieldKey key =
      Key("Date,Site,Block,Treatment,P1,P2,P3\n"
          "6/22/2018,MAT,\"B1, B2\",DARK,0,,\n"
          "6/22/2018,LMAT,B1,F2,10, 11 ,10\n");
  const std::vector<std::string> columns = {"p1", "P2", "P3"};
  const KeyLayout layout = ScanNumberNames(key, columns, "{site}_{n:05}.spu");
  ASSERT_EQ(layout.names.size(), 3u);  // empty cells skipped, the number 10 twice in one row kept once below
  EXPECT_EQ(layout.names[0].text, "MAT_00000.spu");
  EXPECT_EQ(layout.names[0].date, "2018-06-22");
  EXPECT_EQ(layout.names[1].fileName, "lmat_00010.spu");
  EXPECT_EQ(layout.names[2].number, "11");
  EXPECT_TRUE(layout.numbered);
  EXPECT_EQ(layout.carried, (std::vector<std::size_t>{0, 1, 2, 3}));  // Date too; not the scan columns
  EXPECT_EQ(ScanNumberNames(key, columns, "x{n}y{n:03}").names[1].text, "x10y010");

  const std::vector<JoinScan> scans = {{"a/LMAT_00010.spu", "2018-06-22"}, {"b/MAT_00000.spu", "2018-06-22"}};
  const KeyJoin join = JoinKey(key, KeyNames(key, columns, "{Site}_{n:05}.spu"), scans);
  EXPECT_EQ(join.columns, (std::vector<std::string>{"Date", "Site", "Block", "Treatment", "scan_number"}));
  EXPECT_EQ(join.rowsOfScan[0], (std::vector<std::size_t>{1}));  // a row naming a scan twice names it once
  EXPECT_EQ(join.numbersOfScan[0], (std::vector<std::string>{"10"}));
  EXPECT_EQ(join.numbersOfScan[1], (std::vector<std::string>{"0"}));
  ASSERT_EQ(join.warnings.size(), 1u);
  EXPECT_TRUE(Has(join.warnings[0], "names no scan of the run: line 3 LMAT_00011.spu (2018-06-22)"))
      << join.warnings[0];
}

TEST(FieldKeyNumbers, CellsThatAreNotNumbersAndBadPatternsAreUsageErrors) {
  const FieldKey key = Key("Site,P1,P2\nMAT,1,2\nMAT,3,x4\n");
  const std::vector<std::string> both = {"P1", "P2"};
  const std::string bad = FailureOf([&] { ScanNumberNames(key, both, "{Site}_{n:05}.spu"); });
  EXPECT_TRUE(Has(bad, "line 3")) << bad;
  EXPECT_TRUE(Has(bad, "column \"P2\": \"x4\" is not a scan number")) << bad;
  const std::vector<std::string> first = {"P1"};
  EXPECT_TRUE(Has(FailureOf([&] { ScanNumberNames(key, first, "{Plot}_{n}"); }), "no column \"Plot\""));
  EXPECT_TRUE(Has(FailureOf([&] { ScanNumberNames(key, first, "{Site_{n}"); }), "no column"));
  EXPECT_TRUE(Has(FailureOf([&] { ScanNumberNames(key, first, "{n:5}.spu"); }), "is not {n} or {n:0W}"));
  EXPECT_TRUE(Has(FailureOf([&] { ScanNumberNames(key, first, "{n.spu"); }), "without"));
  EXPECT_TRUE(Has(FailureOf([&] { ScanNumberNames(key, std::vector<std::string>{"P9"}, "{n}"); }),
                  "--key-scans: the key has no column \"P9\""));
}

TEST(FieldKeyNumbers, TheWindowsGuessTheScanColumnsAndTheNamePattern) {
  const FieldKey key = Key("Date,Site,Block,P1,P2,Notes,Plot\n6/22/2018,MAT,B1,1,2,,north\n6/22/2018,LMAT,B2,3,,,\n");
  const std::vector<std::string> scans = {"x/LMAT_00003.spu", "y\\MAT_00001.spu", "odd.spu"};
  const std::optional<ScanNumberGuess> guess = GuessScanNumbers(key, scans);
  ASSERT_TRUE(guess);
  EXPECT_EQ(guess->scanColumns, (std::vector<std::string>{"P1", "P2"}));
  EXPECT_EQ(guess->pattern, "{Site}_{n:05}.spu");
  // No P columns, or no column holding the names' prefixes: no guess.
  EXPECT_FALSE(GuessScanNumbers(Key("Site,Scan\nMAT,1\n"), scans));
  EXPECT_FALSE(GuessScanNumbers(key, std::vector<std::string>{"DHT_00001.spu"}));
}

}  // namespace
}  // namespace corvelane
