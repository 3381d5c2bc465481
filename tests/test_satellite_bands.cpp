// Satellite bands: response tables read back, band values and coverage worked
// by hand on small responses, straight spectra through every shipped band,
// 999 marks under and beside a band, and satellite bands in the catalogue.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "indices/index_catalogue.h"
#include "indices/reflectance_reader.h"
#include "indices/satellite_bands.h"
#include "tests/test_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"

namespace corvelane {
namespace {

using namespace testing;
using Spectrum = std::function<double(double nm, std::size_t column)>;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A reflectance table in the old-format layout, one row per wavelength.
ReflectanceTable Table(const TempFolder& folder, const std::vector<double>& wavelengths, std::size_t columns,
                       const Spectrum& r) {
  std::vector<std::string> lines = {"Wavelength", "Date", "Time", "Temp"};
  for (std::size_t k = 0; k < columns; ++k) {
    lines[0] += ",s" + std::to_string(k) + ".spt";
    lines[1] += ",06/22/2018";
    lines[2] += ",10:00:0" + std::to_string(k);
    lines[3] += ",";
  }
  for (const double nm : wavelengths) {
    std::string line = PlainNumber(nm);
    for (std::size_t k = 0; k < columns; ++k) line += "," + PlainNumber(r(nm, k));
    lines.push_back(line);
  }
  return ReadReflectanceFile(folder.Write("refl.txt", CrLf(lines)));
}

std::vector<double> Grid(double first, double step, double last) {
  std::vector<double> g;
  for (int i = 0; first + i * step <= last + step / 2; ++i) g.push_back(first + i * step);
  return g;
}

std::vector<const SensorResponse*> AllShipped() {
  std::vector<const SensorResponse*> all;
  for (const std::string& name : ShippedSensorNames()) all.push_back(&ShippedSensor(name));
  return all;
}

std::set<std::string> Uncovered(const BandResults& results) {
  std::set<std::string> left;
  for (const auto& b : results.bands)
    if (!b.placed.computed) left.insert(b.sensor->name + " " + b.band->name);
  return left;
}

// --- the shipped tables ---------------------------------------------------

TEST(ResponseTables, CentresAndNegativeWingsAreThoseOfTheSources) {
  // Weighted means over the bands' own rows, as the tables' notes give them.
  const std::map<std::pair<std::string, std::string>, double> centres = {
      {{"sentinel-2a-msi", "B4"}, 664.62},     {{"sentinel-2a-msi", "B8"}, 832.79},
      {{"sentinel-2b-msi", "B8A"}, 863.97},    {{"sentinel-2c-msi", "B2"}, 489.03},
      {{"landsat-8-oli", "B5"}, 864.57},       {{"landsat-9-oli2", "B8"}, 594.00},
      {{"modis-terra", "B5"}, 1244.81},        {{"modis-aqua", "B2"}, 856.81},
      {{"sentinel-3a-olci", "Oa17"}, 865.430}, {{"sentinel-3b-olci", "Oa21"}, 1015.739}};
  for (const auto& [band, centre] : centres)
    EXPECT_NEAR(ResponseCentre(*ShippedSensor(band.first).Band(band.second)), centre, 0.0051)
        << band.first << " " << band.second;
  // Half-maximum widths, recomputed in the tables' notes by the same rule.
  const WavelengthRange red = HalfMaximumRange(*ShippedSensor("landsat-8-oli").Band("B4"));
  EXPECT_NEAR(red.low, 635.88, 0.006);
  EXPECT_NEAR(red.high, 673.37, 0.006);
  const WavelengthRange swir = HalfMaximumRange(*ShippedSensor("landsat-9-oli2").Band("B6"));
  EXPECT_NEAR(swir.low, 1565.06, 0.006);
  EXPECT_NEAR(swir.high, 1651.18, 0.006);
  // Landsat 8's 43 tiny negative wing values (in seven of its bands) are kept as given.
  std::ptrdiff_t negatives = 0;
  for (const ResponseBand& band : ShippedSensor("landsat-8-oli").bands)
    negatives += std::count_if(band.response.begin(), band.response.end(), [](double v) { return v < 0; });
  EXPECT_EQ(negatives, 43);
}

TEST(ResponseTables, DamagedTablesAreRefusedNamingTheLine) {
  const auto refused = [](const std::string& text, const std::string& why, std::size_t line) {
    try {
      ParseSensorTable(text, "mine", "mine.csv");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const RunFailure& f) {
      EXPECT_EQ(f.Kind(), FailureKind::Usage);
      EXPECT_TRUE(Has(f.Why(), why)) << f.Why();
      EXPECT_EQ(f.Place().line, line) << f.Why();
    }
  };
  refused("nm,A\n500,1\n", "first column of a response table is \"wavelength_nm\"", 1);
  refused("wavelength_nm,A\n500,1\n510,x\n", "\"x\" is not a number", 3);
  refused("wavelength_nm,A\n500,1\n510,0.5\n510,0.2\n", "do not increase (510 nm follows 510 nm)", 4);
  refused("wavelength_nm,A\n500,1\n490,0.2\n", "do not increase", 3);
  refused("wavelength_nm,A,B\n500,1\n", "2 fields where the header has 3", 2);
  refused("wavelength_nm,A,A\n500,1,1\n", "named twice", 1);
  refused("wavelength_nm,A,B\n500,1,\n", "band B has no value", 0);
  // Empty cells leave each band its own rows.
  const SensorResponse s = ParseSensorTable("wavelength_nm,A,B\r\n500,1,\r\n505,,0.5\r\n510,0,1\r\n", "m", "m.csv");
  EXPECT_EQ(s.bands[0].wavelengths, (std::vector<double>{500, 510}));
  EXPECT_EQ(s.bands[1].wavelengths, (std::vector<double>{505, 510}));
  EXPECT_EQ(s.rows, 3u);
}

// --- band values and coverage worked by hand -----------------------------

// A flat-topped band rising from 0 at 600 nm to 1 at 602, flat to 610,
// falling to 0 at 612; and a triangle peaking at 510 nm.
const SensorResponse& HandSensor() {
  static const SensorResponse s = ParseSensorTable(
      "wavelength_nm,FLAT,TRI\n500,,0\n510,,1\n520,,0\n600,0,\n602,1,\n610,1,\n612,0,\n", "hand", "hand.csv");
  return s;
}

TEST(BandValues, AStepAtABandsEdgeIsWeightedByTheInterpolatedResponse) {
  TempFolder folder;
  // 0.1 below 611 nm, 0.9 from there: on the 1-nm grid the weights are 0.5
  // at 601, 1 from 602 to 610, 0.5 at 611 (sum 10): (0.1*9.5 + 0.9*0.5)/10.
  const Spectrum step = [](double nm, std::size_t) { return nm < 611 ? 0.1 : 0.9; };
  const ResponseBand& flat = *HandSensor().Band("FLAT");
  const ReflectanceTable fine = Table(folder, Grid(590, 1, 620), 1, step);
  const PlacedBand onFine = PlaceBand(flat, fine.wavelengths);
  EXPECT_DOUBLE_EQ(onFine.weightSum, 10);
  EXPECT_DOUBLE_EQ(onFine.centre, 606);
  std::vector<double> v;
  BandValues(fine, onFine, v);
  EXPECT_NEAR(v[0], 0.14, 1e-15);
  // On a 2-nm grid 612 nm has weight 0: the step is not seen at all.
  const ReflectanceTable coarse = Table(folder, Grid(590, 2, 620), 1, step);
  BandValues(coarse, PlaceBand(flat, coarse.wavelengths), v);
  EXPECT_NEAR(v[0], 0.1, 1e-15);
}

TEST(BandValues, ATriangularUserBandWorkedByHand) {
  TempFolder folder;
  // Weights 0.1 .. 1 .. 0.1 at 501 .. 510 .. 519 (sum 10). Reflectance 0.2
  // below 510 nm and 0.6 from there: (0.2*4.5 + 0.6*5.5)/10 = 0.42.
  const ReflectanceTable t = Table(folder, Grid(400, 1, 600), 2,
                                   [](double nm, std::size_t k) { return k == 0 ? (nm < 510 ? 0.2 : 0.6) : 0.5; });
  const BandResults r = ComputeBands(t, {&HandSensor()});
  ASSERT_EQ(r.bands.size(), 2u);
  EXPECT_FALSE(r.bands[0].placed.computed);  // FLAT lies beyond 600 nm but for its first point
  EXPECT_DOUBLE_EQ(r.bands[1].placed.centre, 510);
  EXPECT_DOUBLE_EQ(r.bands[1].placed.coverage, 1);
  EXPECT_NEAR(r.Value(0, 1), 0.42, 1e-15);
  EXPECT_NEAR(r.Value(1, 1), 0.5, 1e-15);
  EXPECT_TRUE(std::isnan(r.Value(0, 0)));
}

TEST(BandValues, CoverageJustBelowAndJustAboveTheBound) {
  TempFolder folder;
  // A flat response from 1000 to 1100 nm: a table ending at E covers
  // (E - 1000)/100 of it.
  const SensorResponse s = ParseSensorTable("wavelength_nm,W\n1000,1\n1100,1\n", "wide", "wide.csv");
  const Spectrum half = [](double, std::size_t) { return 0.5; };
  const ReflectanceTable below = Table(folder, {990, 1000, 1050, 1098.9}, 1, half);
  const PlacedBand b = PlaceBand(s.bands[0], below.wavelengths);
  EXPECT_NEAR(b.coverage, 0.989, 1e-12);
  EXPECT_FALSE(b.computed);
  EXPECT_TRUE(PlaceBand(s.bands[0], below.wavelengths, 0.98).computed);  // --min-coverage 0.98
  const ReflectanceTable above = Table(folder, {990, 1000, 1050, 1099.1}, 1, half);
  const PlacedBand a = PlaceBand(s.bands[0], above.wavelengths);
  EXPECT_NEAR(a.coverage, 0.991, 1e-12);
  EXPECT_TRUE(a.computed);
  std::vector<double> v;
  BandValues(above, a, v);
  EXPECT_NEAR(v[0], 0.5, 1e-15);
  // A table starting inside the band loses the part below it as well.
  EXPECT_NEAR(PlaceBand(s.bands[0], {1010, 1020, 1200}).coverage, 0.9, 1e-12);
  // MODIS band 5's out-of-band response runs to 5,100 nm.
  EXPECT_NEAR(PlaceBand(*ShippedSensor("modis-terra").Band("B5"), Grid(350, 1, 2500)).coverage, 0.93, 0.005);
}

TEST(BandValues, AMarkUnderABandEmptiesItsValueAndOneBesideItDoesNot) {
  TempFolder folder;
  // Column 0: 999 at 605 (inside FLAT); column 1: 999 at 600 and 612, where
  // FLAT's response is 0; column 2: 999 at 611, where it is 0.5.
  const std::map<std::size_t, std::set<double>> marks = {{0, {605}}, {1, {600, 612}}, {2, {611}}};
  const ReflectanceTable t =
      Table(folder, Grid(590, 1, 620), 3, [&](double nm, std::size_t k) { return marks.at(k).count(nm) ? 999 : 0.3; });
  std::vector<double> v;
  BandValues(t, PlaceBand(*HandSensor().Band("FLAT"), t.wavelengths), v);
  EXPECT_TRUE(std::isnan(v[0]));
  EXPECT_NEAR(v[1], 0.3, 1e-15);
  EXPECT_TRUE(std::isnan(v[2]));
}

// --- straight spectra through every shipped band -------------------------

TEST(BandValues, AConstantGivesTheConstantAndARampItsValueAtTheCentre) {
  TempFolder folder;
  for (const auto& grid : {Grid(310, 1, 1130), Grid(400, 1, 1000), Grid(400, 2, 1000)}) {
    // Column 0 constant 0.37; column 1 the ramp 0.05 + 0.0004·λ.
    const ReflectanceTable t =
        Table(folder, grid, 2, [](double nm, std::size_t k) { return k == 0 ? 0.37 : 0.05 + 0.0004 * nm; });
    const BandResults r = ComputeBands(t, AllShipped());
    ASSERT_EQ(r.bands.size(), 113u);  // the nine shipped tables' bands
    int computed = 0;
    for (std::size_t b = 0; b < r.bands.size(); ++b) {
      const auto& band = r.bands[b];
      if (!band.placed.computed) continue;
      ++computed;
      EXPECT_NEAR(r.Value(0, b), 0.37, 1e-12) << band.sensor->name << " " << band.band->name;
      EXPECT_NEAR(r.Value(1, b), 0.05 + 0.0004 * band.placed.centre, 1e-12)
          << band.sensor->name << " " << band.band->name;
    }
    EXPECT_GE(computed, 88);  // 92 of 113 on 310-1130 nm, 88 on 400-1000 nm
  }
}

TEST(BandValues, TheBandsLeftOutForCoverageOnTheDefaultGrids) {
  TempFolder folder;
  const Spectrum flat = [](double, std::size_t) { return 0.2; };
  std::set<std::string> wide = {
      "sentinel-2a-msi B10", "sentinel-2a-msi B11", "sentinel-2a-msi B12", "sentinel-2b-msi B10", "sentinel-2b-msi B11",
      "sentinel-2b-msi B12", "sentinel-2c-msi B10", "sentinel-2c-msi B11", "sentinel-2c-msi B12", "landsat-8-oli B6",
      "landsat-8-oli B7",    "landsat-8-oli B9",    "landsat-9-oli2 B6",   "landsat-9-oli2 B7",   "landsat-9-oli2 B9",
      "modis-terra B5",      "modis-terra B6",      "modis-terra B7",      "modis-aqua B5",       "modis-aqua B6",
      "modis-aqua B7"};
  EXPECT_EQ(Uncovered(ComputeBands(Table(folder, Grid(310, 1, 1130), 1, flat), AllShipped())), wide);
  const BandResults narrow = ComputeBands(Table(folder, Grid(400, 1, 1000), 1, flat), AllShipped());
  for (const char* band :
       {"sentinel-3a-olci Oa01", "sentinel-3a-olci Oa21", "sentinel-3b-olci Oa01", "sentinel-3b-olci Oa21"})
    wide.insert(band);
  EXPECT_EQ(Uncovered(narrow), wide);
  const std::string text = UncoveredBandsText(narrow);
  EXPECT_TRUE(Has(text, "sentinel-3a-olci Oa01 (0.55)") && Has(text, "sentinel-3a-olci Oa21 (0.03)")) << text;
}

// --- the long band file ----------------------------------------------------

TEST(LongBandFile, OneRowPerScanAndBandWithCentreCoverageAndEmptyFields) {
  TempFolder folder;
  const ReflectanceTable t =
      Table(folder, Grid(400, 1, 600), 2, [](double nm, std::size_t k) { return k == 1 && nm == 505 ? 999 : 0.25; });
  const BandResults r = ComputeBands(t, {&HandSensor()});
  const auto rows = SplitCrLf(LongBandText(t, "in,put.csv", r));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "path,label,date,time,sensor,band,center_nm,coverage,value");
  // FLAT's response is 0 at 600 nm, its only wavelength in the table: no
  // centre, no value.
  EXPECT_EQ(rows[1], "\"in,put.csv\",s0.spt,06/22/2018,10:00:00,hand,FLAT,,0,");
  EXPECT_EQ(rows[2], "\"in,put.csv\",s0.spt,06/22/2018,10:00:00,hand,TRI,510,1,0.25");
  EXPECT_EQ(rows[4], "\"in,put.csv\",s1.spt,06/22/2018,10:00:01,hand,TRI,510,1,");
}

// --- satellite bands in the catalogue ---------------------------------------

TEST(CatalogueSatelliteBands, EntriesUseTheResponseWeightedBands) {
  TempFolder folder;
  // Column 1 holds a mark under Sentinel-2A B4.
  const ReflectanceTable t = Table(folder, Grid(310, 1, 1130), 2, [](double nm, std::size_t k) {
    return k == 1 && nm == 665 ? 999 : (nm < 700 ? 0.05 : 0.45) + 0.0001 * nm;
  });
  const auto catalogue = LoadCatalogue("");
  const auto entries = SelectCatalogueEntries(catalogue, "NDVI_S2A,NDVI_MODIS_TERRA_RSR");
  const CatalogueValues values = ComputeCatalogue(t, entries);
  const BandResults s2 = ComputeBands(t, {&ShippedSensor("sentinel-2a-msi")});
  const BandResults terra = ComputeBands(t, {&ShippedSensor("modis-terra")});
  const double b8 = s2.Value(0, 7), b4 = s2.Value(0, 3), m2 = terra.Value(0, 1), m1 = terra.Value(0, 0);
  EXPECT_NEAR(values.Value(0, 0), (b8 - b4) / (b8 + b4), 1e-13);
  EXPECT_NEAR(values.Value(0, 1), (m2 - m1) / (m2 + m1), 1e-13);
  EXPECT_TRUE(std::isnan(values.Value(1, 0)));
  // MODIS band 1's out-of-band response reaches every wavelength from 350 to
  // 1100 nm: a mark anywhere there empties it.
  EXPECT_TRUE(std::isnan(values.Value(1, 1)));
}

TEST(CatalogueSatelliteBands, AnUncoveredBandIsAnEmptyFieldAndUnknownBandsAreRefused) {
  TempFolder folder;
  const std::string mine = folder.Write(
      "mine.csv",
      "name,expression,bands,citation,notes\nNDWI_S2A,(N-S)/(N+S),N=sentinel-2a-msi:B8;S=sentinel-2a-msi:B11,,\n");
  const ReflectanceTable t = Table(folder, Grid(310, 1, 1130), 1, [](double, std::size_t) { return 0.3; });
  const CatalogueValues v = ComputeCatalogue(t, SelectCatalogueEntries(LoadCatalogue(mine), "NDWI_S2A"));
  EXPECT_TRUE(std::isnan(v.Value(0, 0)));  // B11 lies beyond 1130 nm: not computed, not a failure
  for (const auto& [bands, why] : std::vector<std::pair<std::string, std::string>>{
           {"N=sentinel-9-msi:B8", "names sensor \"sentinel-9-msi\", which is not shipped"},
           {"N=sentinel-2a-msi:B13", "sentinel-2a-msi has no band \"B13\""}}) {
    try {
      ParseCatalogue("name,expression,bands,citation,notes\nX,N," + bands + ",,\n", "bad.csv");
      ADD_FAILURE() << bands;
    } catch (const RunFailure& f) {
      EXPECT_EQ(f.Kind(), FailureKind::Usage);
      EXPECT_TRUE(Has(f.Why(), "catalogue entry \"X\"") && Has(f.Why(), why)) << f.Why();
    }
  }
}

}  // namespace
}  // namespace corvelane
