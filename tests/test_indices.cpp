// The index run: INDEX quick picks, reading the reflectance files the
// program writes, index rows and values, and the index and derivative files
// written out here character by character.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/dc_equation.h"
#include "convert/conversion_run.h"
#include "indices/index_presets.h"
#include "indices/index_run.h"
#include "indices/index_values.h"
#include "indices/reflectance_reader.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "tools/dc_scan_synth.h"
#include "tools/scan_synth.h"

namespace corvelane {
namespace {

using namespace testing;
using Strings = std::vector<std::string>;

std::string Six(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

// Column 1 rises by 0.001 per nm, column 2 is quadratic, so every row and
// every difference of column 2 differs from its neighbours.
double R1(int nm) { return std::stod(Six((nm - 300) / 1000.0)); }
double R2(int nm) { return std::stod(Six((nm - 300) * (nm - 300) / 1e6)); }

// The example table: a blank first line, the names row with two columns, the
// date, time and temperature rows, one more title line and 821 data rows from
// 310 to 1130 nm, laid out as the dual-channel run writes it: 9-character
// dates and 10-character times, which fixed widths of 10 and 8 would cut.
std::string ExampleTable() {
  Strings lines = {
      "",  "Wavelength,s1.spu,s2.spu", "  (nm),6/22/2018,6/23/2018", "  time  ,3:29:44 PM,11:02:03 AM", "temp C,23,24",
      ",,"};
  for (int nm = 310; nm <= 1130; ++nm)
    lines.push_back(NumberText(nm) + "," + NumberText(R1(nm)) + "," + NumberText(R2(nm)));
  return CrLf(lines);
}

const std::vector<IndexDefinition> kFourIndices = {
    {"NDVI", "800", "670", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
    {"dNDVI", "800", "670", IndexFormula::NormalisedDifference, IndexSource::Derivative},
    {"SR", "800", "670", IndexFormula::SimpleRatio, IndexSource::Reflectance},
    {"dSR", "800", "670", IndexFormula::SimpleRatio, IndexSource::Derivative}};

// --- The example of 821 rows, byte for byte

TEST(IndexFiles, TheExampleTableGivesTheseIndexAndDerivativeFiles) {
  TempFolder folder;
  const std::string path = folder.Write("refl.csv", ExampleTable());
  const ReflectanceTable t = ReadReflectanceFile(path);
  EXPECT_EQ(t.namesLine, 2u);  // one preamble line
  ASSERT_EQ(t.Columns(), 2u);
  ASSERT_EQ(t.Rows(), 821u);  // M = 822 lines after the temperature row, one of them a title line
  EXPECT_EQ(t.First(), 310);
  EXPECT_EQ(t.Step(), 1);
  // Head fields are the texts between commas.
  EXPECT_EQ(t.dates, (Strings{"6/22/2018", "6/23/2018"}));
  EXPECT_EQ(t.times, (Strings{"3:29:44 PM", "11:02:03 AM"}));
  EXPECT_EQ(t.temperatures, (Strings{"23", "24"}));

  // 800 and 670 nm are data rows 490 and 360; the derivative rows 491 and 361
  // are the differences 802 - 801 and 672 - 671 nm.
  const IndexTable values = ComputeIndices(t, kFourIndices);
  const std::string index = IndexFileText(t, kFourIndices, values);
  EXPECT_EQ(
      index,
      CrLf({"Index file",
            "NDVI          ,800          ,670          ,Normalized formula         ,Calculated from reflectance   "
            "           ,",
            "dNDVI         ,800          ,670          ,Normalized formula         ,Calculated from the "
            "derivative           ,",
            "SR            ,800          ,670          ,Simple Ratio formula       ,Calculated from reflectance   "
            "           ,",
            "dSR           ,800          ,670          ,Simple Ratio formula       ,Calculated from the "
            "derivative           ,",
            "Filename,Date,time,temp C,NDVI            ,dNDVI        ,SR           ,dSR          ,",
            "s1.spu        ,6/22/2018    ,3:29:44 PM   ,23           , 0.149425287356322         , 0           "
            ", 1.35135135135135          , 1           ,",
            "s2.spu        ,6/23/2018    ,11:02:03 AM  ,24           , 0.292323597828896         , "
            "0.148911798396354         , 1.82615047479912          , 1.34993270524904          ,"}));

  const Strings derivative = SplitCrLf(DerivativeFileText(t));
  ASSERT_EQ(derivative.size(), 5u + 820u);
  EXPECT_EQ(
      Strings(derivative.begin(), derivative.begin() + 5),
      (Strings{"Derivative file", "s1.spu,s2.spu,,", "6/22/2018,6/23/2018,,", "3:29:44 PM,11:02:03 AM,,", "23,24,,"}));
  EXPECT_EQ(derivative[5], " 311 , 0.000999999999999999 , 0.000021 ,");
  EXPECT_EQ(derivative[5 + 491], " 802 , 0.001 , 0.00100300000000003 ,");
  EXPECT_EQ(derivative.back(), " 1130 , 0.001 , 0.00165899999999997 ,");
  // Written in blocks on two threads, the same bytes.
  WriteDerivativeFile(t, folder.File("derivative.txt"), 2);
  EXPECT_EQ(ReadAll(folder.File("derivative.txt")), DerivativeFileText(t));
}

// --- Round trips through the conversion

TEST(ReflectanceReading, EveryRowOfTheConversionsReflectanceFilesReadsBack) {
  // Old and New-Format files: a title line, an empty line and four head lines
  // (the fourth only commas); dual-channel files: an empty line and five
  // title lines with the temperatures. Every data row must read back, the
  // first grid wavelength first.
  TempFolder folder;
  for (const auto& [format, grid, rows, namesLine] :
       std::vector<std::tuple<Format, GridTexts, std::size_t, std::size_t>>{
           {Format::UniSpecOld, {"310", "1130", "1"}, 821, 3},
           {Format::UniSpecNew, {"400", "1000", "2"}, 301, 3},
           {Format::UniSpecOld, {"500", "600", "0.5"}, 201, 3},
           {Format::UniSpecDc, {"400", "900", "1"}, 501, 2}}) {
    const bool dc = format == Format::UniSpecDc;
    RunSettings s = Settings(format,
                             dc ? synth::WriteDcScans(folder.Path().string(), 3, "dc")
                                : synth::WriteScans(folder.Path().string(), format, 3, "leaf"),
                             grid);
    if (dc) UseChannelEquations(s, DcStartTexts());
    const ConversionResult r = Convert(s);
    const std::string path = folder.File("refl.txt");
    WriteOutputFile(r, OutputMode::Reflectance, nullptr, path);
    const ReflectanceTable t = ReadReflectanceFile(path);
    const std::string what = std::string(VariantOf(format).cliName) + " grid step " + grid.step;
    ASSERT_EQ(t.Rows(), rows) << what;
    ASSERT_EQ(t.Columns(), 3u) << what;
    EXPECT_EQ(t.namesLine, namesLine) << what;
    EXPECT_EQ(t.names, r.heads[0]) << what;
    EXPECT_EQ(t.dates, r.heads[1]) << what;
    EXPECT_EQ(t.times, r.heads[2]) << what;
    EXPECT_EQ(t.temperatures, dc ? r.heads.at(3) : (Strings{"", "", ""})) << what;
    EXPECT_EQ(t.wavelengths, r.rowWavelengths) << what;
    for (std::size_t i = 0; i < t.Rows(); ++i)
      for (std::size_t f = 0; f < 3; ++f)
        ASSERT_EQ(t.rows[i][f], r.Value(OutputMode::Reflectance, i, f)) << what << " row " << i << " file " << f;
  }
}

// --- Rows in grid steps, halves to even, and rows outside the table

TEST(IndexRows, CountedInGridStepsFromTheFirstWavelength) {
  const auto row = [](const char* a, double first, double step, IndexSource source = IndexSource::Reflectance) {
    const IndexDefinition d{"i", a, "700", IndexFormula::NormalisedDifference, source};
    return static_cast<long>(ResolveIndexRows(d, first, step, 2000, "f").a);
  };
  EXPECT_EQ(row("800", 310, 1), 490);
  EXPECT_EQ(row("800", 310, 2), 245);    // nanometres would be row 490: 1290 nm
  EXPECT_EQ(row("800", 310, 0.5), 980);  // nanometres would be row 490: 555 nm
  EXPECT_EQ(row("800.5", 310, 1), 490);  // 490.5: the even neighbour
  EXPECT_EQ(row("801.5", 310, 1), 492);  // 491.5
  EXPECT_EQ(row("800.1", 310, 1), 490);  // A in single precision is 800.099976
  EXPECT_EQ(row("800", 310, 1, IndexSource::Derivative), 491);
  EXPECT_EQ(row("309", 310, 1, IndexSource::Derivative), 0);  // the difference 311 - 310
}

TEST(IndexRows, ATwoNanometreTableGivesTheValueAtTheWavelengthAsked) {
  const std::vector<double> grid = {400, 402, 404, 406, 408, 410};
  const std::vector<double> values = {0.1, 0.2, 0.3, 0.6, 0.9, 1.5};
  const auto index = [&](const char* a, const char* b, IndexFormula f, IndexSource s) {
    return SpectrumIndex({"i", a, b, f, s}, values, grid[0], grid[1] - grid[0], "f");
  };
  EXPECT_DOUBLE_EQ(index("406", "402", IndexFormula::SimpleRatio, IndexSource::Reflectance), 0.6 / 0.2);
  EXPECT_DOUBLE_EQ(index("406", "400", IndexFormula::NormalisedDifference, IndexSource::Reflectance),
                   (0.6 - 0.1) / (0.1 + 0.6));
  // Derivative rows after 406 and 400: (1.5 - 0.9) / 2 over (0.3 - 0.2) / 2.
  EXPECT_DOUBLE_EQ(index("406", "400", IndexFormula::SimpleRatio, IndexSource::Derivative), 0.3 / 0.05);
}

TEST(IndexRows, OutsideTheTableFailsNamingFileIndexAndWavelength) {
  const std::vector<double> values(821, 0.5);  // 310 to 1130 nm
  for (const auto& [a, source, ok] : std::vector<std::tuple<const char*, IndexSource, bool>>{
           {"310", IndexSource::Reflectance, true},
           {"1130", IndexSource::Reflectance, true},
           {"1131", IndexSource::Reflectance, false},
           {"309", IndexSource::Reflectance, false},
           {"1128", IndexSource::Derivative, true},  // derivative row 820 - 1: 1130 - 1129
           {"1129", IndexSource::Derivative, false},
           {"308", IndexSource::Derivative, false},
           {"red", IndexSource::Reflectance, false}}) {
    const IndexDefinition d{"Edge", a, "700", IndexFormula::NormalisedDifference, source};
    const std::string failure = FailureOf([&] { SpectrumIndex(d, values, 310, 1, "table.csv"); });
    if (ok) {
      EXPECT_EQ(failure, "") << a;
    } else {
      EXPECT_TRUE(Has(failure, "table.csv") && Has(failure, "\"Edge\"") && Has(failure, "wavelength A") &&
                  Has(failure, std::string("\"") + a + "\""))
          << failure;
    }
  }
  // The whole run fails before anything is written.
  TempFolder folder;
  const ReflectanceTable t = ReadReflectanceFile(folder.Write("r.csv", ExampleTable()));
  std::vector<IndexDefinition> defs = kFourIndices;
  defs.push_back({"far", "700", "1500", IndexFormula::SimpleRatio, IndexSource::Reflectance});
  EXPECT_TRUE(Has(FailureOf([&] { ComputeIndices(t, defs); }), "wavelength B"));
}

TEST(IndexValues, AZeroDenominatorGives999AndTheRestAsUsual) {
  EXPECT_EQ(FormulaValue(IndexFormula::NormalisedDifference, 0.3, -0.3), 999);
  // A temperature is the text between commas, trimmed.
  TempFolder folder;
  const std::string path = folder.Write("z.csv", CrLf({"", "Wavelength,a,b", "(nm),,", "time,,", "temp C,7 ,", ",,",
                                                       " 400 , 0 , 0.2 ", " 401 , 0 , 0.4 ", " 402 , 0.5 , 0.4 "}));
  const ReflectanceTable t = ReadReflectanceFile(path);
  EXPECT_EQ(t.temperatures, (Strings{"7", ""}));
  const std::vector<IndexDefinition> defs = {
      {"nd", "400", "401", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
      {"sr", "402", "400", IndexFormula::SimpleRatio, IndexSource::Reflectance},
      {"dsr", "399", "400", IndexFormula::SimpleRatio, IndexSource::Derivative}};
  const IndexTable v = ComputeIndices(t, defs);
  EXPECT_EQ(v.Value(0, 0), 999);
  EXPECT_DOUBLE_EQ(v.Value(1, 0), (0.2 - 0.4) / 0.6);
  EXPECT_EQ(v.Value(0, 1), 999);
  EXPECT_DOUBLE_EQ(v.Value(1, 1), 2);
  EXPECT_EQ(v.Value(0, 2), 0);    // 0 over 0.5
  EXPECT_EQ(v.Value(1, 2), 999);  // 0.2 over 0
  const Strings lines = SplitCrLf(IndexFileText(t, defs, v));
  EXPECT_EQ(lines[5],
            "a             ,             ,             ,7            , 999         , 999         , 0           ,");
}

// --- Files the index run refuses

TEST(ReflectanceReading, RefusesFilesItCannotReadWithAClearMessage) {
  TempFolder folder;
  const Strings scans = synth::WriteScans(folder.Path().string(), Format::UniSpecOld, 2, "leaf");
  const ConversionResult r = Convert(
      Settings(Format::UniSpecOld, scans, {"310", "1130", "1"}, {OutputMode::Reflectance, OutputMode::Absorbance}));
  WriteOutputFile(r, OutputMode::Absorbance, nullptr, folder.File("absorbance.txt"));
  LeafHeaderTexts leaf{};
  leaf[0] = "leaf campaign";
  WriteOutputFile(r, OutputMode::Reflectance, &leaf, folder.File("leaf.txt"));
  const std::string head = "\r\nWavelength,a,b\r\n(nm),,\r\ntime,,\r\ntemp C,,\r\n,,\r\n";
  for (const auto& [name, text, expected] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"absorbance.txt", "", "no names row was found"},  // columns in print zones
           {"leaf-cut.csv", "Information that applies to the whole file:,\r\nFile name:,x\r\n",
            "the header block has no file name row"},
           {"empty.csv", " ", "no names row was found"},
           {"one-row.csv", head + " 400 , 1 , 2 \r\n", "holds 1 data row(s)"},
           {"no-rows.csv", head, "holds 0 data row(s)"},
           {"short-row.csv", head + " 400 , 1 , 2 \r\n 401 , 1 \r\n",
            "line 8: the data row holds 1 values for 2 columns"},
           {"text.csv", head + " 400 , 1 , 2 \r\n 401 , 1 , two \r\n",
            "line 8: value 2 of the data row is not a number: \" two \""},
           {"gap.csv", head + " 400 , 1 , 2 \r\n\r\n 402 , 1 , 2 \r\n",
            "line 8: an empty line stands among the data rows"},
           {"wide.csv", head + " 400 , 1 , 2 , 3 \r\n", "line 7: the data row holds more values"},
           {"head.csv", "Wavelength,a\r\n(nm),x\r\n", "ends within the head rows"}}) {
    const std::string path = text.empty() ? folder.File(name) : folder.Write(name, text);
    const std::string failure = FailureOf([&] { ReadReflectanceFile(path); });
    EXPECT_TRUE(Has(failure, path) && Has(failure, expected)) << name << ": " << failure;
  }
  // The program's own leaf header block is read: names, dates and times from
  // its per-scan rows, the data rows after it.
  const ReflectanceTable leafTable = ReadReflectanceFile(folder.File("leaf.txt"));
  EXPECT_EQ(leafTable.Columns(), 2u);
  EXPECT_EQ(leafTable.names[0].rfind("leaf", 0), 0u) << leafTable.names[0];
  EXPECT_FALSE(leafTable.dates[0].empty());
  EXPECT_FALSE(leafTable.times[1].empty());
  EXPECT_EQ(leafTable.Rows(), 821u);
  EXPECT_EQ(leafTable.First(), 310);
  // Trailing empty lines and a closing comma are no damage.
  const ReflectanceTable t =
      ReadReflectanceFile(folder.Write("tail.csv", head + " 400 , 1 , 2 ,\r\n 401 , 3 , 4 \r\n\r\n  \r\n"));
  EXPECT_EQ(t.Rows(), 2u);
  EXPECT_EQ(std::vector<double>(t.rows[0].begin(), t.rows[0].end()), (std::vector<double>{1, 2}));
  EXPECT_TRUE(Has(FailureOf([&] { ReadReflectanceFile(folder.File("missing.csv")); }), "cannot open"));
}

TEST(ReflectanceReading, LinesAreFoundAcrossReadBlocksAndThreads) {
  // A table larger than one read block, with lone-LF line ends.
  TempFolder folder;
  std::string text = "Reflectance\n\nWavelength";
  const int columns = 600;
  for (int k = 0; k < columns; ++k) text += ",c" + std::to_string(k);
  text += "\n(nm)\n--\n\n";
  for (int row = 0; row < 900; ++row) {
    text += NumberText(300 + row);
    for (int k = 0; k < columns; ++k) text += "," + NumberText(row * 1000 + k);
    text += "\n";
  }
  ASSERT_GT(text.size(), 4u << 20);
  const std::string path = folder.Write("big.csv", text);
  for (unsigned threads : {1u, 2u, 3u}) {
    const ReflectanceTable t = ReadReflectanceFile(path, threads);
    ASSERT_EQ(t.Rows(), 900u);
    ASSERT_EQ(t.Columns(), static_cast<std::size_t>(columns));
    for (int row = 0; row < 900; row += 7)
      for (int k = 0; k < columns; k += 13) ASSERT_EQ(t.rows[row][k], row * 1000 + k) << row << " " << k;
    EXPECT_EQ(t.wavelengths.back(), 1199);
  }
  // A damaged line in a later block is reported with its own line number.
  text.replace(text.rfind("599 \n"), 5, "5x9 \n");
  folder.Write("big.csv", text);
  EXPECT_TRUE(Has(FailureOf([&] { ReadReflectanceFile(path, 2); }), "line 906:"));
}

// --- INDEX quick picks

TEST(IndexPresets, RecordsFromLineFourAtMostEightDamageEndsTheReading) {
  const std::string title = "Predefined indices\r\nname, A, B, formula\r\n1 = normalised difference\r\n";
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "I" + std::to_string(i) + ", " + std::to_string(500 + i) + ", 600, 1\r\n";
  const auto names = [](const std::vector<IndexPreset>& p) {
    Strings n;
    for (const auto& each : p) n.push_back(each.name);
    return n;
  };
  for (const auto& [what, text, expected] : std::vector<std::tuple<const char*, std::string, Strings>>{
           {"three", title + "NDVI, 800, 670, 1\r\nPRI, 531, 570, 1\r\nWBI, 900, 970, 2\r\n", {"NDVI", "PRI", "WBI"}},
           {"ten", title + ten, {"I0", "I1", "I2", "I3", "I4", "I5", "I6", "I7"}},
           {"short last record", title + "NDVI, 800, 670, 1\r\nPRI, 531, 570\r\n", {"NDVI"}},
           {"text for a number", title + "NDVI, 800, 670, 1\r\nPRI, x, 570, 1\r\nWBI, 900, 970, 2\r\n", {"NDVI"}},
           {"over several lines",
            title + "Red edge, 750,\r\n 705, 1\r\n\"Name, quoted\", 1, 2, 2\r\n",
            {"Red edge", "Name, quoted"}},
           {"two lines only", "a\r\nb\r\n", {}}}) {
    EXPECT_EQ(names(ParsePresets(text)), expected) << what;
  }
  const auto three = ParsePresets(title + "NDVI, 800, 670, 1\r\nPRI, 531, 570, 1\r\nWBI, 900, 970, 2\r\n");
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(std::tie(three[2].a, three[2].b), std::make_tuple("900", "970"));
  EXPECT_EQ(three[2].Formula(), IndexFormula::SimpleRatio);
  EXPECT_EQ(three[0].Formula(), IndexFormula::NormalisedDifference);
  EXPECT_EQ(ParsePresets(title + "X, 1, 2, 7\r\n")[0].Formula(), IndexFormula::SimpleRatio);

  TempFolder folder;
  const std::string path = folder.Write("INDEX", title + ten);
  EXPECT_EQ(ReadPresetFile(path).size(), 8u);
  ASSERT_TRUE(ReadPreset(path, 9).has_value());
  EXPECT_EQ(ReadPreset(path, 9)->name, "I9");
  EXPECT_FALSE(ReadPreset(folder.File("gone"), 0).has_value());
  EXPECT_TRUE(ReadPresetFile(folder.File("gone")).empty());
}

TEST(IndexPresets, TheBundledIndexFileHoldsNdviPriAndWbi) {
  const auto presets = ReadPresetFile(std::string(CORVELANE_SAMPLES) + "/../share/INDEX");
  std::string seen;
  for (const auto& p : presets)
    seen += p.name + "," + p.a + "," + p.b + "," + (p.Formula() == IndexFormula::SimpleRatio ? "2;" : "1;");
  EXPECT_EQ(seen, "NDVI,800,670,1;PRI,531,570,1;WBI,900,970,2;");
}

}  // namespace
}  // namespace corvelane
