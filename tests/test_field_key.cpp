// The field key: reading a spreadsheet's CSV, naming the scans of its rows
// and joining them to a run's scans, misses reported both ways; white
// references named in it: which scans are references, which references
// correct each scan, and the corrected rows and plot means of whole runs, on
// hand-made scans and on the 2018 season's own key.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <map>

#include "convert/field_key.h"
#include "tests/dc_scan_text.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"

namespace corvelane::testing {
namespace {

namespace fs = std::filesystem;
using Refs = std::vector<std::size_t>;

FieldKey Key(const std::string& text) { return ParseFieldKey(text, "key.csv"); }

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

// A value of the tables, read whatever the locale's decimal sign.
double Number(const std::string& text) {
  double v = -1;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

KeyReferences ReferencesOf(const std::string& text, std::span<const JoinScan> scans,
                           std::vector<std::string> by = {"Site", "Block"}) {
  const FieldKey key = ParseFieldKey(text, "key.csv");
  return KeyReferenceScans(key, JoinKey(key, FileColumnNames(key), scans), "Treatment", "REF", by, scans);
}

TEST(KeyReferenceScans, ListsCaseDatesAndScansInTwoRows) {
  const std::vector<JoinScan> scans = {{"R1.spu", "2018-08-11"}, {"D1.spu", "2018-08-11"}, {"D2.spu", "2018-08-11"},
                                       {"R2.spu", "2018-08-11"}, {"D3.spu", "2018-08-11"}, {"D4.spu", "2018-08-11"},
                                       {"R3.spu", "2018-08-11"}, {"X.spu", "2018-08-11"}};
  const KeyReferences refs = ReferencesOf(
      "file,Date,Site,Block,Treatment\n"
      "R1.spu,8/11/2018,LMAT,\"B1, B2\",REF\n"
      "D1.spu,8/11/2018,LMAT,B1,CT\n"
      "D2.spu,8/11/2018,lmat,b2,F2\n"
      "R2.spu,8/11/2018,MNAT,B1,ref\n"
      "D3.spu,2018-08-11,MNAT,B1,CT\n"
      "D4.spu,8/11/2018,LMAT,B3,CT\n"
      "R3.spu,8/11/2018,LMAT,B1,DARK\n"
      "R3.spu,8/11/2018,LMAT,B1,REF\n",
      scans, {"Date", "Site", "Block"});
  EXPECT_EQ(refs.isReference, (std::vector<bool>{true, false, false, true, false, false, true, false}));
  // The list covers B1 and B2; the second B1 reference joins the first for D1.
  EXPECT_EQ(refs.ofScan[1], (Refs{0, 6}));
  EXPECT_EQ(refs.ofScan[2], (Refs{0}));  // case ignored
  EXPECT_EQ(refs.ofScan[4], (Refs{3}));  // the same day written another way
  // A reference scan is never corrected, even under its other row; a scan
  // without a key row is not a data scan.
  EXPECT_TRUE(refs.ofScan[0].empty());
  EXPECT_TRUE(refs.ofScan[6].empty());
  EXPECT_TRUE(refs.ofScan[7].empty());
  EXPECT_TRUE(refs.ofScan[5].empty());
  ASSERT_EQ(refs.warnings.size(), 1u);
  EXPECT_TRUE(Has(refs.warnings[0], "1 scan has no reference scan (Treatment REF) with the same Date, Site, Block"))
      << refs.warnings[0];
  EXPECT_TRUE(refs.warnings[0].ends_with(": D4.spu")) << refs.warnings[0];
}

TEST(KeyReferenceScans, UnknownColumnsAndKeysWithoutReferencesAreUsageErrors) {
  const std::vector<JoinScan> scans = {{"D1.spu", ""}};
  EXPECT_TRUE(Has(FailureOf([&] { ReferencesOf("file,Site,Treatment\nD1.spu,A,CT\n", scans); }),
                  "--key-reference-by: the key has no column \"Block\""));
  EXPECT_TRUE(Has(FailureOf([&] { ReferencesOf("file,Site,Block,Treatment\nD1.spu,A,B1,CT\n", scans); }),
                  "no row of the key has Treatment REF"));
  EXPECT_TRUE(Has(FailureOf([&] { ReferencesOf("file,Site,Block\nD1.spu,A,B1\n", scans); }),
                  "--key-reference: the key has no column \"Treatment\""));
}

TEST(KeyReferenceScans, TheWindowsGuessTheReferenceColumnAndTheColumnsBeforeIt) {
  const FieldKey plots = ParseFieldKey(
      "Date,Site,Block,Treatment,P1,Notes\n6/22/2018,MAT,B1,CT,1,\n6/22/2018,MAT,\"B1, B2\",Ref,2,REF\n", "k.csv");
  const std::vector<std::string> scanColumns = {"P1"};
  const std::optional<KeyReferenceGuess> guess = GuessKeyReference(plots, scanColumns);
  ASSERT_TRUE(guess);
  EXPECT_EQ(guess->column, "Treatment");
  EXPECT_EQ(guess->value, "Ref");
  EXPECT_EQ(guess->by, (std::vector<std::string>{"Date", "Site", "Block"}));
  // The file column is no group column; a key without REF has no guess.
  const FieldKey files = ParseFieldKey("file,Plot,Kind\na.spu,1,REF\n", "k.csv");
  ASSERT_TRUE(GuessKeyReference(files, {}));
  EXPECT_EQ(GuessKeyReference(files, {})->by, std::vector<std::string>{"Plot"});
  EXPECT_FALSE(GuessKeyReference(ParseFieldKey("file,Plot\na.spu,REFERENCE\n", "k.csv"), {}));
}

// A UniSpec-DC scan whose target/panel ratio is tenths/panelTenths at every channel.
std::string RatioScan(TempFolder& folder, const std::string& name, int tenths, int panelTenths = 10) {
  const Channels ch{Rising(300.9, 3.3), Always(Num(tenths * 1000)), Always(Num(panelTenths * 1000))};
  return folder.Write(name, Join(DcLines(ch)));
}

// Per scan label and quantity, the values of a long table at its three rows.
// With `dated`, per label, date and quantity.
std::map<std::string, std::vector<std::string>> LongValues(const std::string& path, bool dated = false) {
  std::map<std::string, std::vector<std::string>> out;
  for (const std::string& line : SplitCrLf(ReadAll(path))) {
    const std::vector<std::string> c = Fields(line);  // path, label, date, ..., quantity, wavelength, value
    if (c.size() > 8 && c[0] != "path") out[c[1] + " " + (dated ? c[2] + " " : "") + c[6]].push_back(c[8]);
  }
  return out;
}

struct KeyRun {
  TempFolder folder;
  std::vector<std::string> scans;
  std::string key;
  KeyRun() {
    // A: references 0.5 (blocks B1 and B2) and 0.4 (B1); B: reference 0.25.
    scans = {RatioScan(folder, "R1.spu", 5), RatioScan(folder, "R2.spu", 4), RatioScan(folder, "R3.spu", 1, 4),
             RatioScan(folder, "D1.spu", 3), RatioScan(folder, "D2.spu", 3), RatioScan(folder, "D3.spu", 2),
             RatioScan(folder, "D4.spu", 7)};
    key = folder.Write("key.csv",
                       "file,Site,Block,Treatment\n"
                       "R1.spu,A,\"B1, B2\",REF\n"
                       "R2.spu,A,B1,REF\n"
                       "R3.spu,B,B1,Ref\n"
                       "D1.spu,A,B1,CT\n"
                       "D2.spu,A,B2,CT\n"
                       "D3.spu,B,B1,CT\n"
                       "D4.spu,C,B1,CT\n");
  }
  ProgramOutcome Convert(std::vector<std::string> extra) const {
    return RunCorvelane(Then(Then({"convert", "unispec-dc", "--grid", "400.5,402.5,1", "--key", key}, extra), scans));
  }
};

TEST(KeyReferenceRun, EachScanIsDividedByTheMeanOfItsGroupsReferences) {
  KeyRun run;
  const std::string l = run.folder.File("l.csv");
  const ProgramOutcome out =
      run.Convert({"--long", l, "--key-reference", "Treatment=REF", "--key-reference-by", "Site,Block"});
  ASSERT_EQ(out.exit, 0) << out.err;
  const auto v = LongValues(l);
  auto all = [](const std::string& value) { return std::vector<std::string>(3, value); };
  ASSERT_EQ(v.at("D1.spu reflectance"), all("0.3"));
  // 0.3 / mean(0.5, 0.4); 0.3 / 0.5 (the list's B2); 0.2 / 0.25.
  EXPECT_EQ(v.at("D1.spu corrected"), all("0.666667"));
  EXPECT_EQ(v.at("D2.spu corrected"), all("0.6"));
  EXPECT_EQ(v.at("D3.spu corrected"), all("0.8"));
  // Neither the references nor the scan of a group without one are corrected.
  for (const char* name : {"R1.spu", "R2.spu", "R3.spu", "D4.spu"}) {
    EXPECT_EQ(v.count(std::string(name) + " corrected"), 0u) << name;
    EXPECT_EQ(v.count(std::string(name) + " reflectance"), 1u) << name;
  }
  // The warning's text: KeyReferenceScans.ListsCaseDatesAndScansInTwoRows.
  EXPECT_TRUE(Has(LineFrom(out.err, "1 scan has no reference scan"), "D4.spu")) << out.err;

  // Plot means hold the corrected values of the groups' corrected scans only.
  const std::string m = run.folder.File("m.csv");
  ASSERT_EQ(run.Convert({"--long", m, "--key-reference", "Treatment=REF", "--key-reference-by", "Site,Block",
                         "--average-by", "Site,Treatment"})
                .exit,
            0);
  const std::string means = ReadAll(m);
  // (0.666667 + 0.6) / 2 = 0.6333335, ties to even at 6 decimals; sd
  // 0.0333335 * sqrt(2) = 0.04714072.
  EXPECT_TRUE(Has(means, "A,CT,corrected,401.5,0.633334,0.047141,2,0\r\n")) << means;
  EXPECT_TRUE(Has(means, "B,CT,corrected,400.5,0.8,,1,0\r\n")) << means;
  EXPECT_TRUE(Has(means, "A,REF,reflectance,400.5,0.45,")) << means;
  EXPECT_FALSE(Has(means, "A,REF,corrected")) << means;
  EXPECT_FALSE(Has(means, "C,CT,corrected")) << means;
}

TEST(KeyReferenceRun, ASaturatedReferenceScanIsNamed) {
  KeyRun run;
  // R2 (a reference of A, B1) reads the detector's ceiling around 400 nm.
  run.scans[1] = run.folder.Write(
      "R2.spu",
      Join(DcLines({Rising(300.9, 3.3), [](int c) { return std::string(c >= 25 && c <= 37 ? "65535" : "4000"); },
                    Always("10000")})));
  const ProgramOutcome out = run.Convert(
      {"--long", run.folder.File("l.csv"), "--key-reference", "Treatment=REF", "--key-reference-by", "Site,Block"});
  ASSERT_EQ(out.exit, 0) << out.err;
  const std::string warning = LineFrom(out.err, "1 reference scan reads 65000 counts or more");
  ASSERT_FALSE(warning.empty()) << out.err;
  EXPECT_TRUE(Has(warning, "R2.spu")) << warning;
  EXPECT_FALSE(Has(warning, "D1.spu")) << warning;
}

TEST(KeyReferenceRun, OptionMistakesAreUsageErrors) {
  KeyRun run;
  const std::string l = run.folder.File("l.csv");
  for (const auto& [args, says] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--long", l, "--key-reference", "Treatment=REF"}, "go together"},
           {{"--long", l, "--key-reference", "Treatment", "--key-reference-by", "Site"}, "takes COLUMN=VALUE"},
           // The command line's own check, made before any scan is read.
           {{"--long", l, "--key-reference", "Plot=REF", "--key-reference-by", "Site"}, "no column \"Plot\""},
           {{"--long", l, "--key-reference", "Treatment=REF", "--key-reference-by", "Site,Row"}, "no column \"Row\""},
           {{"--long", l, "--key-reference", "Treatment=REF", "--key-reference-by", "Site", "--reference-scan",
             run.scans[0], "--corrected", run.folder.File("c.txt")},
            "give one of them"}}) {
    const ProgramOutcome out = run.Convert(args);
    EXPECT_TRUE(Exited(out, 2, {says}));
    EXPECT_FALSE(fs::exists(l));
  }
}

// The 2018 season's own key, one row per plot visit with scan numbers in
// P1-P5: its columns in the long table; the plots of 8/11 LMAT B1 are
// corrected by the white-panel scans of that day's REF row, which covers
// blocks B1 to B4.
TEST(KeyReferenceRun, RealSeasonKeyWithScanNumbersCorrectsByTheDaysWhitePanel) {
  const RealSeason season;
  if (season.Missing()) GTEST_SKIP() << "no real key and scans in " << RealDataFolder();
  TempFolder out;
  const ProgramOutcome run = RunCorvelane(season.Convert(
      {"--long", out.File("l.csv"), "--key-reference", "Treatment=REF", "--key-reference-by", "Date,Site,Block"}));
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::vector<std::string> lines = SplitCrLf(ReadAll(out.File("l.csv")));
  EXPECT_EQ(lines[0],
            "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value,Date,Site,Block,Treatment,"
            "Weather,Notes,scan_number");
  const auto rowsOf = [&](const std::string& name, const std::string& date) {
    std::vector<std::string> found;
    for (const std::string& l : lines)
      if (Has(l, "/" + name + ",") && Has(l, "," + date + ",") && Has(l, ",reflectance,500,")) found.push_back(l);
    return found;
  };
  const auto mat = rowsOf("MAT_00000.spu", "2018-06-22");
  ASSERT_EQ(mat.size(), 1u);
  EXPECT_TRUE(Has(mat[0], ",6/22/2018,MAT,\"B1, B2, B3, B4\",DARK,")) << mat[0];
  EXPECT_TRUE(mat[0].ends_with(",0")) << mat[0];
  const auto june = rowsOf("LMAT_00010.spu", "2018-06-22"), august = rowsOf("LMAT_00010.spu", "2018-08-11");
  ASSERT_EQ(june.size(), 1u);
  ASSERT_EQ(august.size(), 1u);
  EXPECT_TRUE(Has(june[0], ",LMAT,B1,F2,")) << june[0];
  EXPECT_TRUE(Has(august[0], ",LMAT,B1,H,")) << august[0];
  EXPECT_TRUE(Has(run.err, "named by several rows of the field key")) << run.err;
  EXPECT_TRUE(Has(run.err, "LMAT_00000.spu (lines ")) << run.err;
  const std::string noRow = LineFrom(run.err, "no row in the field key");
  EXPECT_TRUE(Has(noRow, "DHT_09998.spu") && Has(noRow, "SHB1_09998.spu")) << run.err;

  const auto rows = LongValues(out.File("l.csv"), true);  // values at 500, 501, 502
  const auto& reference = rows.at("LMAT_00000.spu 2018-08-11 reflectance");
  const auto& plot = rows.at("LMAT_00010.spu 2018-08-11 reflectance");
  // LMAT_00000 has two key rows (MAT_DARK and REF): two sets of rows, none corrected.
  ASSERT_EQ(reference.size(), 6u);
  EXPECT_EQ(rows.count("LMAT_00000.spu 2018-08-11 corrected"), 0u);
  ASSERT_EQ(plot.size(), 3u);
  const auto& corrected = rows.at("LMAT_00010.spu 2018-08-11 corrected");
  ASSERT_EQ(corrected.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    // The only reference scan of the day in the folder: the mean is its own ratio.
    const double expected = Number(plot[i]) / Number(reference[i]);
    EXPECT_NEAR(Number(corrected[i]), expected, 5e-7) << i;
    EXPECT_GT(Number(corrected[i]), 0.0) << corrected[i];
  }
  // The June LMAT_00010 has no white panel of its day among the scans.
  EXPECT_EQ(rows.count("LMAT_00010.spu 2018-06-22 corrected"), 0u);
  EXPECT_TRUE(Has(LineFrom(run.err, "no reference scan (Treatment REF)"), "LMAT_00010.spu")) << run.err;
}

}  // namespace
}  // namespace corvelane::testing
