// `convert --long`: the long table of whole runs, written beside the wide
// tables (which stay as they were), joined to a field key, averaged by its
// groups, compressed; the real UniSpec-DC scans with a key made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/dc_scan_text.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"

namespace corvelane::testing {
namespace {

namespace fs = std::filesystem;

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

  const std::string fa = p + ",A0001.spt,02/14/03,10:22:05,,,";
  const std::string fb = q + ",B0002.spt,02/14/03,10:22:05,,,";
  EXPECT_EQ(ReadAll(run.folder.File("long.csv")),
            "path,label,date,time,temperature,integration_ms,quantity,wavelength_nm,value,Site,Block\r\n" + fa +
                "reflectance,310,0.50495,MAT,\"B1, B2\"\r\n" +          //
                fa + "reflectance,310.5,0.505195,MAT,\"B1, B2\"\r\n" +  //
                fa + "reflectance,311,0.50544,MAT,\"B1, B2\"\r\n" +     //
                fa + "target,310,1020,MAT,\"B1, B2\"\r\n" +             //
                fa + "target,310.5,1021,MAT,\"B1, B2\"\r\n" +           //
                fa + "target,311,1022,MAT,\"B1, B2\"\r\n" +             //
                fb + "reflectance,310,0.50495,,\r\n" +                  //
                fb + "reflectance,310.5,,,\r\n" +                       //
                fb + "reflectance,311,0.50544,,\r\n" +                  //
                fb + "target,310,1020,,\r\n" +                          //
                fb + "target,310.5,1021,,\r\n" +                        //
                fb + "target,311,1022,,\r\n");
  // The wide tables are those of a run without the long table.
  const ProgramOutcome wide =
      run.Convert({"--reflectance", run.folder.File("r2.txt"), "--target", run.folder.File("t2.txt")});
  ASSERT_EQ(wide.exit, 0) << wide.err;
  EXPECT_EQ(ReadAll(run.folder.File("r.txt")), ReadAll(run.folder.File("r2.txt")));
  EXPECT_EQ(ReadAll(run.folder.File("t.txt")), ReadAll(run.folder.File("t2.txt")));
}

TEST(LongTableRun, LongAloneMeansReflectance) {
  OldRun run;
  ASSERT_EQ(run.Convert({"--long", run.folder.File("long.csv")}).exit, 0);
  const std::string text = ReadAll(run.folder.File("long.csv"));
  EXPECT_EQ(SplitCrLf(text).size(), 1u + 2 * 3);  // reflectance only, no table written
  EXPECT_FALSE(Has(text, ",target,"));
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

// The wide table's text of a value in the long table's form.
std::string Shortest(std::string v) {
  while (!v.empty() && v.front() == ' ') v.erase(0, 1);
  while (!v.empty() && v.back() == ' ') v.pop_back();
  if (v.find('.') != std::string::npos) {
    while (v.back() == '0') v.pop_back();
    if (v.back() == '.') v.pop_back();
  }
  if (v == "-0" || v.empty()) v = "0";
  return v == "999" ? std::string() : v;
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
  // Every value is the reflectance table's, in its shortest form; marks empty.
  const auto wide = WideColumns(folder.File("r.csv"));
  std::size_t marks = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& scan = i <= 41 ? s1 : s2;
    const std::string label = scan.substr(scan.rfind('/') + 1);
    const std::string value = lines[i].substr(lines[i].rfind(',') + 1);
    ASSERT_TRUE(wide.count(label)) << label;
    EXPECT_EQ(value, Shortest(wide.at(label)[(i - 1) % 41])) << lines[i];
    marks += value.empty();
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

TEST(LongTableRun, KeyAndGroupMistakesAreUsageErrorsBeforeAnythingIsWritten) {
  OldRun run;
  const std::string key = run.folder.Write("key.csv", "file,Site\nA0001.spt,MAT\n");
  const std::string noFile = run.folder.Write("nofile.csv", "scan,Site\nA0001.spt,MAT\n");
  const std::string r = run.folder.File("r.txt"), l = run.folder.File("l.csv");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"--reflectance", r, "--key", key}, "--key joins the field key to the long table"},
      {{"--long", l, "--average-by", "Site"}, "add --key FILE"},
      {{"--long", l, "--key", key, "--average-by", "Site,Block"}, "has no column \"Block\""},
      {{"--long", l, "--key", noFile}, "no column \"file\""},
      {{"--long", l, "--key", run.folder.File("missing.csv")}, "missing.csv"},
      {{"--long", key, "--key", key}, "--long"},
      {{"--long", run.a}, "would replace"},
      {{"--long", l, "--key", key, "--key-scans", "P1"}, "go together"},
      {{"--long", l, "--key-scans", "P1", "--key-name", "{Site}{n:04}.spt"}, "add --key FILE"},
      {{"--long", l, "--key", key, "--key-scans", "P2", "--key-name", "{n}"}, "no column \"P2\""},
  };
  for (const Case& c : cases) {
    const ProgramOutcome out = run.Convert(c.args);
    EXPECT_TRUE(Exited(out, 2, {c.says})) << c.says;
    EXPECT_FALSE(fs::exists(r));
    EXPECT_FALSE(fs::exists(l));
  }
}

// The 2018 season's own key: one row per plot visit, scan numbers in P1-P5.
TEST(LongTableRun, RealSeasonKeyWithScanNumbers) {
  const RealSeason season;
  if (season.Missing()) GTEST_SKIP() << "no real key and scans in " << RealDataFolder();
  TempFolder out;
  const ProgramOutcome run = RunCorvelane(season.Convert({"--long", out.File("l.csv")}));
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
  EXPECT_EQ(rowsOf("LMAT_00000.spu", "2018-08-11").size(), 2u);
  EXPECT_TRUE(Has(run.err, "named by several rows of the field key")) << run.err;
  EXPECT_TRUE(Has(run.err, "LMAT_00000.spu (lines ")) << run.err;
  const std::string warning = LineFrom(run.err, "no row in the field key");
  ASSERT_FALSE(warning.empty()) << run.err;
  EXPECT_TRUE(Has(warning, "DHT_09998.spu")) << warning;
  EXPECT_TRUE(Has(warning, "SHB1_09998.spu")) << warning;
}

TEST(LongTableRun, ScanNumbersJoinTheKey) {
  OldRun run;
  const std::string key = run.folder.Write("key.csv", "Site,P1\nA,1\n");
  const std::string l = run.folder.File("l.csv");
  // A0001.spt and B0002.spt: Site A, number 1; the key names A0001 only.
  const ProgramOutcome ok =
      run.Convert({"--long", l, "--key", key, "--key-scans", "P1", "--key-name", "{Site}{n:04}.spt"});
  ASSERT_EQ(ok.exit, 0) << ok.err;
  const std::vector<std::string> lines = SplitCrLf(ReadAll(l));
  EXPECT_TRUE(lines[0].ends_with(",value,Site,scan_number"));
  EXPECT_TRUE(lines[1].ends_with(",A,1")) << lines[1];
  EXPECT_TRUE(lines.back().ends_with(",,")) << lines.back();
}

}  // namespace
}  // namespace corvelane::testing
