// The mark 999 is never blended with data: UniSpec-DC grid points placed
// from a panel reading of 0, reference correction by marked reference scans
// and of marked data, indices and derivatives that read a mark, and the one
// warning each run gives about them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "indices/index_run.h"
#include "indices/reflectance_reader.h"
#include "tests/run_support.h"
#include "text/marks.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;

// Channel 1 (the panel) at 310, 320, ... nm and channel 2 (the target) at
// 315, 325, ... nm; the grid 320 to 360 by 5 meets a panel channel at every
// other point and lies halfway between two at the rest.
const std::string kSimple = "300,10,0,305,10,0";
const Args kGrid = {"--coefficients", kSimple, "--grid", "320,360,5"};

// Panel 200 + 20c with the readings of the channels `zeros` set to 0.
Reading Panel(std::vector<int> zeros) {
  return [zeros](int c) {
    for (int z : zeros)
      if (z == c) return std::string("0");
    return Dec(200 + 20 * c);
  };
}

// Target 100 + 10c unless given.
std::string Scan(const TempFolder& folder, const std::string& name, const Reading& panel,
                 const Reading& target = Rising(100, 10)) {
  return folder.Write(name, Join(DcLines({Rising(300, 3), target, panel})));
}

ProgramOutcome Dc(const TempFolder& folder, const Args& args) {
  return RunCommand("convert", folder.Path(), Then(Then({"unispec-dc"}, kGrid), args));
}

// The data lines of a DC table (after `skip` lines), split at the commas.
std::vector<std::vector<std::string>> Rows(const std::string& path, std::size_t skip) {
  std::vector<std::vector<std::string>> rows;
  const auto lines = SplitCrLf(ReadAll(path));
  for (std::size_t i = skip; i < lines.size(); ++i) rows.push_back(Fields(lines[i]));
  return rows;
}

// --- UniSpec-DC grid points

TEST(DcGridMarks, PointsPlacedFromAZeroPanelAreMarkedRawTablesResampledAsTheyAre) {
  TempFolder folder;
  // Panel channels 3 and 4 (340 and 350 nm) read 0; target channel 0
  // (315 nm) reads -5, which only the absorbance refuses.
  const std::string z =
      Scan(folder, "z.spu", Panel({3, 4}), [](int c) { return c == 0 ? std::string("-5") : Dec(100 + 10 * c); });
  const ProgramOutcome o =
      Dc(folder, {"--reflectance", "r.csv", "--absorbance", "a.csv", "--target", "t.csv", "--reference", "p.csv", z});
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto column = [&](const char* file, std::size_t skip) {
    std::vector<std::string> values;
    for (const auto& row : Rows(folder.File(file), skip)) values.push_back(row.at(1));
    return values;
  };
  using V = std::vector<std::string>;
  // 335 and 355 nm lie between a panel reading of 0 and a real one: marked,
  // not 120 / 120 and 140 / 150 as plain interpolation would give.
  EXPECT_EQ(column("r.csv", 6),
            (V{" 0.23864 ", " 0.47826 ", " 0.47917 ", " 999 ", " 999 ", " 999 ", " 999 ", " 999 ", " 0.48333 "}));
  // 320 nm lies between the target reading -5 and a real one: marked, not
  // log10(220 / 52.5).
  EXPECT_EQ(column("a.csv", 7),
            (V{" 999 ", " 0.32034 ", " 0.31951 ", " 999 ", " 999 ", " 999 ", " 999 ", " 999 ", " 0.31575 "}));
  EXPECT_EQ(column("t.csv", 7), (V{" 52.5 ", " 110 ", " 115 ", " 120 ", " 125 ", " 130 ", " 135 ", " 140 ", " 145 "}));
  EXPECT_EQ(column("p.csv", 7), (V{" 220 ", " 230 ", " 240 ", " 120 ", " 0 ", " 0 ", " 0 ", " 150 ", " 300 "}));
  // The scan's own wavelength column is not these equations: a second
  // warning says so, after this one.
  EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
            "corvelane: warning: 1 scan has a panel reading of 0 (or, for absorbance, a target or panel reading of 0 "
            "or below) beside grid points between channels; every grid point placed from such a reading is 999, "
            "never interpolated from it: " +
                z + " (320 nm, 335 to 355 nm)\n");
  EXPECT_TRUE(Has(o.err, "instruments --fit")) << o.err;

  // Reflectance alone: the target reading -5 marks nothing, so 320 nm is
  // not named.
  const ProgramOutcome r = Dc(folder, {"--reflectance", "r2.csv", z});
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Has(r.err, z + " (335 to 355 nm)\n")) << r.err;
}

TEST(DcGridMarks, ScansWithoutZeroReadingsAreNotNamedAndManyAreCounted) {
  TempFolder folder;
  Args args = {"--reflectance", "r.csv", Scan(folder, "plain.spu", Panel({}))};
  std::vector<std::string> marked;
  for (int i = 0; i < 7; ++i) {
    marked.push_back(Scan(folder, "m" + std::to_string(i) + ".spu", Panel({5})));
    args.push_back(marked.back());
  }
  const ProgramOutcome o = Dc(folder, args);
  ASSERT_EQ(o.exit, 0) << o.err;
  const std::string marks = o.err.substr(0, o.err.find('\n') + 1);
  EXPECT_TRUE(Has(marks, "corvelane: warning: 7 scans have a panel reading of 0")) << o.err;
  EXPECT_FALSE(Has(marks, "plain.spu")) << o.err;
  EXPECT_TRUE(Has(o.err, marked[4] + " (355 to 360 nm), and 2 more\n")) << o.err;
  EXPECT_FALSE(Has(o.err, marked[5])) << o.err;
  // The unmarked column is as before, and so are the unmarked rows.
  const auto rows = Rows(folder.File("r.csv"), 6);
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[7][1], " 0.48276 ");
  EXPECT_EQ(rows[7][2], " 999 ");
  EXPECT_EQ(rows[8][2], " 999 ");
  EXPECT_EQ(rows[6][2], rows[6][1]);
}

// --- Reference correction

struct MarkedReferenceRun {
  TempFolder folder;
  std::string a, m, p, q;
  MarkedReferenceRun() {
    a = Scan(folder, "a.spu", Panel({}));
    m = Scan(folder, "m.spu", Panel({5}));  // data marked at 355 and 360 nm
    p = Scan(folder, "p.spu", Panel({1}));  // reference marked at 320 and 325 nm
    q = Scan(folder, "q.spu", Panel({}), Rising(50, 10));
  }
};

TEST(ReferenceMarks, AMarkedReferenceScanOrDataValueStays999InTheCorrectedFile) {
  MarkedReferenceRun run;
  const ProgramOutcome o = Dc(run.folder, {"--reflectance", "r.csv", "--reference-scan", run.p, "--reference-scan",
                                           run.q, "--corrected", "c.csv", run.a, run.m});
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_TRUE(Has(o.err,
                  "corvelane: warning: 1 reference scan has no ratio where its panel read 0, so the reference and "
                  "every corrected value (and any index reading one) are 999 there: " +
                      run.p + " (320 to 325 nm)\n"))
      << o.err;
  EXPECT_TRUE(Has(o.err, run.m + " (355 to 360 nm)")) << o.err;
  const auto corrected = Rows(run.folder.File("c.csv"), 6);
  const auto reflectance = Rows(run.folder.File("r.csv"), 6);
  ASSERT_EQ(corrected.size(), 9u);
  for (std::size_t i = 0; i < corrected.size(); ++i) {
    const double g = 320 + 5.0 * static_cast<double>(i);
    const bool referenceMarked = g <= 325, dataMarked = g >= 355;
    EXPECT_EQ(corrected[i][1] == " 999 ", referenceMarked) << g;
    EXPECT_EQ(corrected[i][2] == " 999 ", referenceMarked || dataMarked) << g;
    if (referenceMarked) continue;
    // Elsewhere the reflectance over the mean of the two reference ratios.
    const double target = g - 215, panel = 2 * g - 420;
    const double mean = (RoundHalfEven(target / panel, 5) + RoundHalfEven((target - 50) / panel, 5)) / 2;
    EXPECT_NEAR(*ParseNumber(corrected[i][1]), *ParseNumber(reflectance[i][1]) / mean, 1e-6) << g;
  }
}

TEST(ReferenceMarks, RefFileIndicesAtAMarkAre999AndAMarkedRefValueMarksItsPoint) {
  MarkedReferenceRun run;
  std::vector<std::string> ref = {"white panel", "nm,value"};
  for (int g = 320; g <= 360; g += 5) ref.push_back(std::to_string(g) + "," + (g == 340 ? "999" : "0.5"));
  run.folder.Write("panel.ref", CrLf(ref));
  const ProgramOutcome o =
      Dc(run.folder, {"--reflectance", "r.csv", "--ref-file", "panel.ref", "--index", "AT,355,330,nd", "--index",
                      "REF,340,330,ratio", "--index", "OK,350,330,ratio", "--indices", "i.csv", "--reference-scan",
                      run.q, "--corrected", "c.csv", run.a, run.m});
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto lines = SplitCrLf(ReadAll(run.folder.File("i.csv")));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Time,Filename,AT,REF,OK,");
  // a at 355, 330 and 350 nm: 140/290, 115/240 and 135/280, each over 0.5.
  EXPECT_EQ(lines[1], "3:36:29 PM,a.spu, 0.00373 , 999 , 1.0062 ,");
  EXPECT_EQ(lines[2], "3:36:29 PM,m.spu, 999 , 999 , 1.0062 ,");
  const auto corrected = Rows(run.folder.File("c.csv"), 6);
  ASSERT_EQ(corrected.size(), 9u);
  EXPECT_EQ(corrected[4][1], " 999 ");  // 340 nm: the .ref value is the mark
  EXPECT_EQ(corrected[4][2], " 999 ");
  EXPECT_EQ(corrected[3][1], " 0.96 ");  // 335 nm: 120/250 over 0.5
  EXPECT_EQ(corrected[8][2], " 999 ");
}

// --- Indices and derivatives

// Rows 510 to 520 nm. s1 holds no mark; s2 the mark at its first row; s3
// the mark at 514 to 516 nm.
std::string MarkedTable() {
  std::vector<std::string> lines = {
      "", "Wavelength,s1.spu,s2.spu,s3.spu", "  (nm),d1,d2,d3", "  time  ,t1,t2,t3", "temp C,21,22,23", ",,,"};
  for (int nm = 510; nm <= 520; ++nm) {
    const int i = nm - 510;
    const std::string s2 = i == 0 ? "999" : PlainNumber(0.2 + 0.01 * i);
    const std::string s3 = nm >= 514 && nm <= 516 ? "999" : PlainNumber(0.3 + 0.02 * i);
    lines.push_back(std::to_string(nm) + "," + PlainNumber(0.1 + 0.01 * i) + "," + s2 + "," + s3);
  }
  return CrLf(lines);
}

TEST(IndexMarks, AnIndexReadingAMarkIs999InBothFormulasAndBothSources) {
  TempFolder folder;
  const ReflectanceTable t = ReadReflectanceFile(folder.Write("marked.csv", MarkedTable()));
  const std::vector<IndexDefinition> indices = {
      {"AtMark", "515", "512", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
      {"MarkIsB", "512", "514", IndexFormula::SimpleRatio, IndexSource::Reflectance},
      {"FirstRow", "509", "518", IndexFormula::SimpleRatio, IndexSource::Derivative},         // rows 510 and 511
      {"NextTo", "512", "517", IndexFormula::NormalisedDifference, IndexSource::Derivative},  // 513-514, 518-519
      {"Clear", "518", "511", IndexFormula::SimpleRatio, IndexSource::Reflectance}};
  const IndexTable v = ComputeIndices(t, indices);
  const double kNumber = -1;  // any value but the mark
  const std::vector<std::vector<double>> expected = {
      {kNumber, kNumber, kNumber, kNumber, kNumber},  // s1
      {kNumber, kNumber, 999, kNumber, kNumber},      // s2: its first row only
      {999, 999, kNumber, 999, kNumber}};             // s3
  for (std::size_t k = 0; k < 3; ++k)
    for (std::size_t j = 0; j < indices.size(); ++j) {
      if (expected[k][j] == 999)
        EXPECT_EQ(v.Value(k, j), 999) << k << " " << indices[j].name;
      else
        EXPECT_TRUE(v.Value(k, j) != 999 && std::isfinite(v.Value(k, j))) << k << " " << indices[j].name;
    }
  EXPECT_NEAR(v.Value(0, 4), 0.18 / 0.11, 1e-12);
  EXPECT_NEAR(v.Value(2, 4), 0.46 / 0.32, 1e-12);  // the same formula beside the marks

  const std::string warning =
      t.path +
      ": 2 scans hold the mark 999 (no value) where this run reads it; every index and derivative formed "
      "from a mark is 999: s2.spu (510 nm), s3.spu (514 to 516 nm)";
  EXPECT_EQ(MarkedColumnsWarning(t, indices, false), warning);
  // Only the indices that miss every mark: nothing to say.
  EXPECT_EQ(MarkedColumnsWarning(t, {indices[4]}, false), "");
  // The derivative file reads every row.
  EXPECT_EQ(MarkedColumnsWarning(t, {}, true), warning);
}

TEST(IndexMarks, DerivativeRowsReadingAMarkAre999) {
  TempFolder folder;
  const ReflectanceTable t = ReadReflectanceFile(folder.Write("marked.csv", MarkedTable()));
  const auto lines = SplitCrLf(DerivativeFileText(t));
  ASSERT_EQ(lines.size(), 5u + 10u);
  for (int nm = 511; nm <= 520; ++nm) {
    const std::string& line = lines[static_cast<std::size_t>(5 + nm - 511)];
    const std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 5u) << line;  // the line ends with a comma
    EXPECT_EQ(f[0], NumberText(nm));
    EXPECT_NEAR(*ParseNumber(f[1]), 0.01, 1e-9) << line;
    EXPECT_EQ(f[2] == " 999 ", nm == 511) << line;
    // The differences 513-514 to 516-517 read a mark.
    EXPECT_EQ(f[3] == " 999 ", nm >= 514 && nm <= 517) << line;
    if (f[3] != " 999 ") EXPECT_NEAR(*ParseNumber(f[3]), 0.02, 1e-9) << line;
  }
}

TEST(IndexMarks, TheIndicesCommandWarnsOnceAndTablesWithoutMarksSayNothing) {
  TempFolder folder;
  folder.Write("marked.csv", MarkedTable());
  ProgramOutcome o = RunCorvelane({"indices", "--index", "P,515,520,nd,reflectance", "--index-file", "i.txt",
                                   "--derivative-file", "d.txt", "marked.csv"},
                                  folder.Path());
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(o.err,
            "corvelane: warning: marked.csv: 2 scans hold the mark 999 (no value) where this run reads it; every index "
            "and derivative formed from a mark is 999: s2.spu (510 nm), s3.spu (514 to 516 nm)\n");

  std::string clean = MarkedTable();
  for (std::size_t at; (at = clean.find("999")) != std::string::npos;) clean.replace(at, 3, "0.5");
  folder.Write("clean.csv", clean);
  o = RunCorvelane({"indices", "--index", "P,515,520,nd,reflectance", "--index-file", "i2.txt", "--derivative-file",
                    "d2.txt", "clean.csv"},
                   folder.Path());
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(o.err, "");
}

TEST(MarkText, RangesAndTheScansNamed) {
  const std::vector<double> grid = {400, 401, 402, 403, 404, 405, 406, 407, 408, 409};
  const auto marks = [&](std::vector<int> rows) {
    return MarkedRanges(grid, [rows](std::size_t i) {
      for (int r : rows)
        if (static_cast<std::size_t>(r) == i) return true;
      return false;
    });
  };
  EXPECT_EQ(marks({}), "");
  EXPECT_EQ(marks({0, 1, 2, 5, 9}), "400 to 402 nm, 405 nm, 409 nm");
  EXPECT_EQ(marks({0, 2, 4, 6, 8}), "400 nm, 402 nm, 404 nm, 406 nm, ...");
  std::vector<MarkedScan> scans = {{"a", "1 nm"}};
  EXPECT_EQ(MarkedScansWarning(scans, "scan has it", "scans have it"), "1 scan has it: a (1 nm)");
  EXPECT_EQ(MarkedScansWarning({}, "scan has it", "scans have it"), "");
}

}  // namespace
}  // namespace corvelane
