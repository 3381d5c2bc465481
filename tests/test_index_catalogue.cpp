// The index catalogue: every shipped entry on tables whose band means are
// worked out by hand (1-nm, 2-nm and 0.5-nm grids, band edges on and between
// grid points), unformed values, a user's file, each failure, and the long
// index file's text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "indices/index_catalogue.h"
#include "indices/reflectance_reader.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"

namespace corvelane {
namespace {

using namespace testing;
using Values = std::map<std::string, double>;
using Strings = std::vector<std::string>;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Two straight spectra: on them the mean of a band is the value at the mean
// of the band's grid wavelengths, which is easy to work out by hand.
double Rising(double nm) { return 0.1 + 0.0005 * (nm - 400); }
double Falling(double nm) { return 0.6 - 0.0004 * (nm - 400); }

// A reflectance table as the old-format conversion lays it out: names, date,
// time and temperature rows, then one row per grid point. Column 3 holds a
// 999 mark at 650 nm, column 4 only zeros.
std::string Table(double first, double step, double last) {
  Strings lines = {"Wavelength,up.spt,down.spt,marked.spt,dark.spt", "Date,06/22/2018,06/22/2018,06/23/2018,06/23/2018",
                   "Time,10:00:01,10:00:02,11:00:03,11:00:04", "Temp,,,,"};
  for (double nm = first; nm <= last + step / 2; nm += step)
    lines.push_back(PlainNumber(nm) + "," + PlainNumber(Rising(nm)) + "," + PlainNumber(Falling(nm)) + "," +
                    (nm == 650 ? std::string("999") : PlainNumber(Rising(nm))) + ",0");
  return CrLf(lines);
}

// The shipped formulas, written out again here.
const std::map<std::string, std::function<double(Values&)>> kFormulas = {
    {"NDVI", [](Values& v) { return (v["R800"] - v["R670"]) / (v["R800"] + v["R670"]); }},
    {"NDVI_MODIS", [](Values& v) { return (v["NIR"] - v["RED"]) / (v["NIR"] + v["RED"]); }},
    {"NDVI_SKYE", [](Values& v) { return (v["NIR"] - v["RED"]) / (v["NIR"] + v["RED"]); }},
    {"NDVI_ITEX", [](Values& v) { return (v["NIR"] - v["RED"]) / (v["NIR"] + v["RED"]); }},
    {"EVI_MODIS",
     [](Values& v) { return 2.5 * (v["NIR"] - v["RED"]) / (v["NIR"] + 6 * v["RED"] - 7.5 * v["BLUE"] + 1); }},
    {"EVI2_MODIS", [](Values& v) { return 2.5 * (v["NIR"] - v["RED"]) / (v["NIR"] + 2.4 * v["RED"] + 1); }},
    {"PRI", [](Values& v) { return (v["R531"] - v["R570"]) / (v["R531"] + v["R570"]); }},
    {"WBI", [](Values& v) { return v["R900"] / v["R970"]; }},
    {"REP_linear",
     [](Values& v) { return 700 + 40 * (((v["R670"] + v["R780"]) / 2 - v["R700"]) / (v["R740"] - v["R700"])); }},
};

// Band text -> the mean of the wavelengths of its grid points (ranges) or the
// grid point's wavelength (single wavelengths), worked out by hand for a
// 1-nm grid from 400 nm, where every edge is a grid point. A 0.5-nm grid
// gives the same means.
const std::map<std::string, double> kOneNanometre = {
    {"NIR=841-876", 858.5}, {"RED=620-670", 645}, {"BLUE=459-479", 469},   {"RED=620-680", 650},
    {"NIR=830-880", 855},   {"RED=560-600", 580}, {"NIR=725-1000", 862.5}, {"R800=800", 800},
    {"R670=670", 670},      {"R531=531", 531},    {"R570=570", 570},       {"R900=900", 900},
    {"R970=970", 970},      {"R700=700", 700},    {"R740=740", 740},       {"R780=780", 780}};

struct GridCase {
  const char* what;
  double first, step, last;
  std::map<std::string, double> differ;  // where the grid gives other means than kOneNanometre
};

const std::vector<GridCase> kGrids = {
    {"1 nm, every edge on a grid point", 400, 1, 1000, {}},
    {"0.5 nm", 400, 0.5, 1000, {}},
    // From 400: 841-876 takes 842..876, 725-1000 takes 726..1000, and 531
    // is row 65.5, so row 66 (532 nm).
    {"2 nm from 400", 400, 2, 1000, {{"NIR=841-876", 859}, {"NIR=725-1000", 863}, {"R531=531", 532}}},
    // Odd wavelengths: edges at even wavelengths fall between grid points
    // (841-876 takes 841..875); a single even wavelength lies half a step
    // from two points and takes the even row (800 is row 199.5, so row 200:
    // 801 nm).
    {"2 nm from 401, even edges between grid points",
     401,
     2,
     1001,
     {{"NIR=841-876", 858},
      {"NIR=725-1000", 862},
      {"R800=800", 801},
      {"R670=670", 669},
      {"R570=570", 569},
      {"R900=900", 901},
      {"R970=970", 969},
      {"R700=700", 701},
      {"R740=740", 741},
      {"R780=780", 781}}},
};

double Expected(const CatalogueEntry& entry, const GridCase& grid, double (*spectrum)(double)) {
  Values v;
  for (const CatalogueBand& band : entry.bands) {
    const auto differ = grid.differ.find(band.text);
    const bool worked = differ != grid.differ.end() || kOneNanometre.count(band.text) == 1;
    EXPECT_TRUE(worked) << band.text << " not worked out";
    if (worked) v[band.name] = spectrum(differ != grid.differ.end() ? differ->second : kOneNanometre.at(band.text));
  }
  return kFormulas.at(entry.name)(v);
}

// The entries' formulas are worked out below and with the satellite bands;
// here the catalogue's text and its citations.
TEST(IndexCatalogue, TheShippedCatalogueIsTheShareFileAndEveryEntryIsCited) {
  const std::string shipped =
      ReadAll((std::filesystem::path(CORVELANE_SAMPLES).parent_path() / "share" / "index-catalogue.csv").string());
  EXPECT_EQ(ShippedCatalogueText(), shipped);
  const auto catalogue = LoadCatalogue("");
  ASSERT_EQ(catalogue.size(), 17u);
  for (const auto& e : catalogue) EXPECT_FALSE(e.citation.empty()) << e.name;
  // Satellite-band entries cite the response table's source as well.
  for (std::size_t j = 9; j < catalogue.size(); ++j)
    EXPECT_TRUE(Has(catalogue[j].citation, "Response: ") && Has(catalogue[j].citation, "share/srf/"))
        << catalogue[j].name;
}

TEST(IndexCatalogue, EveryShippedEntryGivesTheHandWorkedValueOnEachGrid) {
  // The entries of wavelengths and ranges; those of satellite bands are
  // tested with the bands.
  std::vector<CatalogueEntry> entries;
  for (const CatalogueEntry& e : LoadCatalogue(""))
    if (std::none_of(e.bands.begin(), e.bands.end(), [](const CatalogueBand& b) { return !b.sensor.empty(); }))
      entries.push_back(e);
  ASSERT_EQ(entries.size(), 9u);
  for (const GridCase& grid : kGrids) {
    SCOPED_TRACE(grid.what);
    TempFolder folder;
    const ReflectanceTable table =
        ReadReflectanceFile(folder.Write("refl.txt", Table(grid.first, grid.step, grid.last)));
    const CatalogueValues values = ComputeCatalogue(table, entries);
    for (std::size_t j = 0; j < entries.size(); ++j) {
      SCOPED_TRACE(entries[j].name);
      EXPECT_NEAR(values.Value(0, j), Expected(entries[j], grid, Rising), 1e-12);
      EXPECT_NEAR(values.Value(1, j), Expected(entries[j], grid, Falling), 1e-12);
    }
  }
}

TEST(IndexCatalogue, AMarkInsideABandOrAZeroDenominatorLeavesTheValueUnformed) {
  TempFolder folder;
  const ReflectanceTable table = ReadReflectanceFile(folder.Write("refl.txt", Table(400, 1, 1000)));
  const auto entries = LoadCatalogue("");
  const CatalogueValues values = ComputeCatalogue(table, entries);
  std::map<std::string, double> rising, marked, dark;
  for (std::size_t j = 0; j < entries.size(); ++j) {
    rising[entries[j].name] = values.Value(0, j);
    marked[entries[j].name] = values.Value(2, j);
    dark[entries[j].name] = values.Value(3, j);
  }
  // 650 nm lies in the red bands of MODIS (620-670) and SKYE (620-680).
  for (const char* name : {"NDVI_MODIS", "NDVI_SKYE", "EVI_MODIS", "EVI2_MODIS"})
    EXPECT_TRUE(std::isnan(marked[name])) << name;
  // Bands that miss 650 nm are formed as in the unmarked rising column.
  for (const char* name : {"NDVI", "NDVI_ITEX", "PRI", "WBI", "REP_linear"}) {
    EXPECT_FALSE(std::isnan(marked[name])) << name;
    EXPECT_DOUBLE_EQ(marked[name], rising[name]) << name;
  }
  // All zeros: 0/0 everywhere except EVI, whose denominators hold "+ 1".
  for (const char* name : {"NDVI", "NDVI_MODIS", "NDVI_SKYE", "NDVI_ITEX", "PRI", "WBI", "REP_linear"})
    EXPECT_TRUE(std::isnan(dark[name])) << name;
  EXPECT_EQ(dark["EVI_MODIS"], 0.0);
  EXPECT_EQ(dark["EVI2_MODIS"], 0.0);

  const std::string text = LongIndexText(table, "refl.txt", entries, values);
  EXPECT_TRUE(Has(text, "\r\nrefl.txt,dark.spt,06/23/2018,11:00:04,WBI,,R900=900;R970=970,\"Peñuelas, J."))
      << text.substr(0, 400);
  EXPECT_TRUE(Has(text, "\r\nrefl.txt,dark.spt,06/23/2018,11:00:04,EVI2_MODIS,0,NIR=841-876;RED=620-670,"));
}

TEST(IndexCatalogue, AUserFileReplacesAShippedEntryInPlaceAndAddsNewOnes) {
  TempFolder folder;
  const std::string file = folder.Write("mine.csv",
                                        "name,expression,bands,citation,notes\r\n"
                                        "WBI,R970/R900,R900=900;R970=970,\"Inverse, as some tools have it\",\r\n"
                                        "GREEN_MEAN,G*2,G=540-560,local,\"two, lines\nof notes\"\r\n");
  const auto catalogue = LoadCatalogue(file);
  ASSERT_EQ(catalogue.size(), 18u);
  EXPECT_EQ(catalogue[7].name, "WBI");
  EXPECT_EQ(catalogue[7].expression, "R970/R900");
  EXPECT_EQ(catalogue[7].citation, "Inverse, as some tools have it");
  EXPECT_EQ(catalogue[17].name, "GREEN_MEAN");
  EXPECT_EQ(catalogue[17].notes, "two, lines\nof notes");

  const ReflectanceTable table = ReadReflectanceFile(folder.Write("refl.txt", Table(400, 1, 1000)));
  const auto chosen = SelectCatalogueEntries(catalogue, " GREEN_MEAN , WBI");
  ASSERT_EQ(chosen.size(), 2u);
  const CatalogueValues values = ComputeCatalogue(table, chosen);
  EXPECT_NEAR(values.Value(0, 0), 2 * Rising(550), 1e-12);
  EXPECT_NEAR(values.Value(0, 1), Rising(970) / Rising(900), 1e-12);
}

// The failure's kind and text, or "no failure".
std::pair<FailureKind, std::string> FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunFailure& e) {
    return {e.Kind(), e.what()};
  }
  return {FailureKind::Check, "no failure"};
}

TEST(IndexCatalogue, BandsTheTableCannotGiveFailBeforeAnyValueNamingEntryBandAndRange) {
  TempFolder folder;
  const ReflectanceTable table = ReadReflectanceFile(folder.Write("refl.txt", Table(400, 2, 1000)));
  struct Case {
    const char* bands;
    const char* why;
  };
  for (const Case& c :
       {Case{"B=401-401.9", "no grid point of the table lies inside the band"},
        Case{"B=1200", "its wavelength lies outside the table"}, Case{"B=390", "its wavelength lies outside the table"},
        Case{"B=900-1010", "the band reaches beyond the table"}}) {
    const std::string file =
        folder.Write("c.csv", std::string("name,expression,bands,citation,notes\nODD,B,") + c.bands + ",,\n");
    const auto entries = SelectCatalogueEntries(LoadCatalogue(file), "NDVI,ODD");
    const auto [kind, what] = FailureOf([&] { ComputeCatalogue(table, entries); });
    EXPECT_EQ(kind, FailureKind::Run) << what;
    EXPECT_TRUE(Has(what, "catalogue entry \"ODD\", band " + std::string(c.bands))) << what;
    EXPECT_TRUE(Has(what, c.why)) << what;
    EXPECT_TRUE(Has(what, "the table runs from 400 to 1000 nm (rows 2 nm apart)")) << what;
  }
  // A missing 700 nm row: counted in grid steps, 800 nm would read 802 nm.
  std::string gap = Table(400, 2, 1000);
  gap.erase(gap.find("\r\n700,") + 2, gap.find("\r\n702,") - gap.find("\r\n700,"));
  const ReflectanceTable holed = ReadReflectanceFile(folder.Write("gap.txt", gap));
  const auto [kind, what] =
      FailureOf([&] { ComputeCatalogue(holed, SelectCatalogueEntries(LoadCatalogue(""), "NDVI")); });
  EXPECT_EQ(kind, FailureKind::Run);
  EXPECT_TRUE(Has(what, "band R800=800: the row that should hold 800 nm holds 802 nm")) << what;
}

TEST(IndexCatalogue, ADamagedCatalogueIsAUsageErrorNamingTheEntryOrLine) {
  struct Case {
    const char* text;
    const char* says;
  };
  const std::string head = "name,expression,bands,citation,notes\n";
  for (const Case& c : {
           Case{"X,(A-B)/(A+,A=500;B=600,,\n", "catalogue entry \"X\": the expression \"(A-B)/(A+\" does not parse"},
           Case{"X,A/C,A=500;B=600,,\n", "catalogue entry \"X\": the expression names \"C\", which is not one of"},
           Case{"X,A=2,A=500,,\n", "catalogue entry \"X\": the expression \"A=2\" assigns"},
           Case{"X,\"A,A*2\",A=500,,\n", "the expression \"A,A*2\" gives 2 values"},
           Case{"X,A,A=600-500,,\n", "band \"A=600-500\" runs from high to low"},
           Case{"X,A,A=five,,\n", "band \"A=five\" is not NAME=WAVELENGTH"},
           Case{"X,A,1A=500,,\n", "band \"1A=500\" is not NAME=WAVELENGTH"},
           Case{"X,A,A=500;A=510,,\n", "band A is defined twice"},
           Case{"X,A,,,\n", "catalogue entry \"X\" defines no band"},
           Case{"X,A,A=500,,\nX,A,A=510,,\n", "line 3: catalogue entry \"X\" is defined twice (first on line 2)"},
           Case{"X,A,A=500,\"open,\n", "line 2: a quoted field is not closed"},
           Case{"X,A,A=500,Smith, 1990,\n", "line 2: the record has 6 fields where the header row has 5"},
           Case{"X,A,A=500,\"Smith\" 1990,\n", "text follows the closing quote"},
       }) {
    const auto [kind, what] = FailureOf([&] { ParseCatalogue(head + c.text, "mine.csv"); });
    EXPECT_EQ(kind, FailureKind::Usage) << c.text << what;
    EXPECT_TRUE(Has(what, c.says)) << c.text << " gave: " << what;
    EXPECT_TRUE(Has(what, "mine.csv")) << what;
  }
  const auto [kind, what] = FailureOf([] { ParseCatalogue("name,formula,bands,citation,notes\n", "mine.csv"); });
  EXPECT_EQ(kind, FailureKind::Usage);
  EXPECT_TRUE(Has(what, "the header row has no \"expression\" column")) << what;

  const auto [kind2, what2] = FailureOf([] { SelectCatalogueEntries(LoadCatalogue(""), "NDVI,EVI3"); });
  EXPECT_EQ(kind2, FailureKind::Usage);
  EXPECT_TRUE(Has(what2, "\"EVI3\" is not an entry of the catalogue (entries: NDVI, NDVI_MODIS,")) << what2;
}

TEST(IndexCatalogue, TheLongFileQuotesFieldsAsRfc4180) {
  TempFolder folder;
  const ReflectanceTable table = ReadReflectanceFile(folder.Write(
      "refl.txt", CrLf({"Wavelength,a.spt", "Date,d", "Time,t", "Temp,", "500,0.2", "501,0.4", "502,0.6"})));
  const auto entries = ParseCatalogue(
      "name,expression,bands,citation,notes\r\n"
      "M,A*1,A=500-502,\"Doe, J. (2001) \"\"Quoted\"\" title\",\r\n"
      "S,A,A=501,plain,\r\n",
      "c.csv");
  const std::string out = folder.File("long,file.csv");
  WriteLongIndexFile(table, "a \"b\".txt", entries, ComputeCatalogue(table, entries), out);
  EXPECT_EQ(ReadAll(out), CrLf({"path,label,date,time,index,value,bands,citation",
                                "\"a \"\"b\"\".txt\",a.spt,d,t,M,0.4,A=500-502,\"Doe, J. (2001) \"\"Quoted\"\" title\"",
                                "\"a \"\"b\"\".txt\",a.spt,d,t,S,0.4,A=501,plain"}));
}

}  // namespace
}  // namespace corvelane
