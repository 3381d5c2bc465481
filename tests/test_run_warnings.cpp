// Values that cannot be formed, labels that would break a table, and the
// warnings a run hands back without changing its tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/run_support.h"
#include "tests/scan_text.h"
#include "tests/test_support.h"

namespace corvelane {
namespace {

using namespace testing;

// The data lines only, after the title, the empty line and the four head lines.
Lines Data(const ConversionResult& r, OutputMode m) {
  const Lines l = SplitCrLf(OutputText(r, m, nullptr));
  return Lines(l.begin() + 6, l.end());
}

// Channel c of these UniSpec scans lies at 300 + 10c nm (unless `first` moves it).
std::string OldScan(const Reading& target, const Reading& panel, double first = 300) {
  return Join(OldLines({Rising(first, 10), target, panel}));
}

TEST(NonFiniteValues, AreWrittenAsTheMark) {
  TempFolder folder;
  // GER 1500 channel c lies at 300 + c nm. 401 nm: 1e300 / 1e-300 overflows;
  // the absorbance there, log10(1e-300 / 1e300), is log10 of 0.
  const std::string ger = folder.Write(
      "g.gr1", Join(GerLines(512, {Rising(300, 1), Except("50", {{101, "1e300"}}), Except("100", {{101, "1e-300"}})})));
  const ConversionResult g =
      Convert(Settings(Format::Ger1500, {ger}, {"400", "402", "1"}, {OutputMode::Reflectance, OutputMode::Absorbance}));
  const Lines refl = Data(g, OutputMode::Reflectance);
  ASSERT_EQ(refl.size(), 3u);
  EXPECT_TRUE(Has(refl[0], " 0.5 ")) << refl[0];
  EXPECT_TRUE(Has(refl[1], " 999 ")) << refl[1];
  const Lines abs = Data(g, OutputMode::Absorbance);
  ASSERT_EQ(abs.size(), 3u);
  EXPECT_TRUE(Has(abs[1], " 999 ")) << abs[1];
  EXPECT_FALSE(Has(abs[0], "999")) << abs[0];

  // Compact values of +-1e308 on neighbouring channels: the channels
  // themselves stay as they are; the point between them (whose difference
  // overflows) has no value.
  const std::string compact = folder.Write("c.spt", Join(CompactLines(Except("0.5", {{10, "1e308"}, {11, "-1e308"}}))));
  RunSettings s = Settings(Format::UniSpecCompact, {compact}, {"0", "0", "1"});
  s.waveSource = WaveSource::ExternalFile;
  std::string waves;
  for (int c = 0; c < 256; ++c) waves += Num(300 + 10 * c) + "\r\n";
  s.externalFilePath = folder.Write("waves.txt", waves);
  s.grid = {"390", "420", "5"};
  const ConversionResult c = Convert(s);
  const Lines cl = Data(c, OutputMode::Reflectance);
  ASSERT_EQ(cl.size(), 7u);
  for (const std::string& line : cl) EXPECT_FALSE(Has(line, "inf") || Has(line, "nan")) << line;
  EXPECT_TRUE(Has(cl[3], " 999 ")) << cl[3];  // 405 nm
  EXPECT_FALSE(Has(cl[2], "999")) << cl[2];   // 400 nm: 1e308 itself
}

TEST(Labels, CommaCrAndLfBecomeUnderscoresWithAWarning) {
  TempFolder folder;
  const std::string plain = folder.Write("plain.spt", OldScan(Always("50"), Always("100")));
  const std::string odd = folder.Write("a,b\rc\nd.spt", OldScan(Always("50"), Always("100")));
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, {plain, odd}, {"310", "320", "10"}));
  const Lines lines = SplitCrLf(OutputText(r, OutputMode::Reflectance, nullptr));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "Wavelength,plain.spt,a_b_c_d.spt");
  // Every line keeps one field per file and the wavelength.
  for (std::size_t i = 2; i < lines.size(); ++i)
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 2) << lines[i];
  ASSERT_EQ(r.warnings.size(), 1u) << r.warnings.front() << "\n" << r.warnings.back();
  EXPECT_TRUE(Has(r.warnings[0], odd)) << r.warnings[0];
  EXPECT_TRUE(Has(r.warnings[0], "\"_\"")) << r.warnings[0];
}

// Each case: the scans of a run and the warning expected for the second one.
TEST(RunWarnings, NameTheScanAndLeaveTheTablesAlone) {
  struct Case {
    const char* what;
    std::string second;  // text of the second scan
    std::string secondName;
    std::string expected;  // part of the one warning
  };
  const std::string normal = OldScan(Always("50"), Always("100"));
  const std::vector<Case> cases = {
      // Either side of the 0.01 nm the warning allows.
      {"wavelengths 0.0101 nm off", OldScan(Always("50"), Always("100"), 300.0101), "b.spt", "wavelengths differ"},
      {"wavelengths 0.0099 nm off", OldScan(Always("50"), Always("100"), 300.0099), "b.spt", ""},
      {"panel all 0", OldScan(Always("50"), Always("0")), "b.spt", "every panel reading is 0"},
      {"same label", normal, "sub/a.spt", "2 scans share the label \"a.spt\""},
      {"nothing to say", normal, "b.spt", ""},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() / "sub");
    const std::string a = folder.Write("a.spt", normal);
    const std::string b = folder.Write(c.secondName, c.second);
    const RunSettings s = Settings(Format::UniSpecOld, {a, b}, {"310", "330", "10"});
    const ConversionResult r = Convert(s);
    if (c.expected.empty()) {
      EXPECT_TRUE(r.warnings.empty()) << c.what << ": " << r.warnings.front();
      continue;
    }
    ASSERT_EQ(r.warnings.size(), 1u) << c.what;
    EXPECT_TRUE(Has(r.warnings[0], c.expected)) << c.what << ": " << r.warnings[0];
    EXPECT_TRUE(Has(r.warnings[0], b)) << c.what << ": " << r.warnings[0];
    // The first scan's column is what it would be alone.
    const ConversionResult alone = Convert(Settings(Format::UniSpecOld, {a}, {"310", "330", "10"}));
    for (std::size_t row = 0; row < alone.Rows(); ++row)
      EXPECT_EQ(r.Value(OutputMode::Reflectance, row, 0), alone.Value(OutputMode::Reflectance, row, 0)) << c.what;
  }
}

// Each shared label is named once, in the order of its first scan, with the
// scans that share it in list order.
TEST(RunWarnings, SharedLabelsInTheOrderOfTheirFirstScan) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "x");
  std::filesystem::create_directories(folder.Path() / "y");
  const std::string scan = OldScan(Always("50"), Always("100"));
  const std::vector<std::string> files = {folder.Write("x/b.spt", scan), folder.Write("x/a.spt", scan),
                                          folder.Write("y/b.spt", scan), folder.Write("x/c.spt", scan),
                                          folder.Write("y/a.spt", scan)};
  const ConversionResult r = Convert(Settings(Format::UniSpecOld, files, {"310", "330", "10"}));
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0], "2 scans share the label \"b.spt\": " + files[0] + ", " + files[2]);
  EXPECT_EQ(r.warnings[1], "2 scans share the label \"a.spt\": " + files[1] + ", " + files[4]);
}

// The comparison of each scan's own wavelengths with the first scan's only
// ever adds a word: a later scan whose wavelength column holds a non-number
// still converts, with the first scan's wavelengths, as it would without the
// comparison.
TEST(RunWarnings, AnUnreadableWavelengthInALaterScanIsOnlyAWarning) {
  struct Case {
    Format format;
    const char* name;
    std::function<Lines(const Channels&)> lines;
    GridTexts grid;
  };
  const Reading damaged = [](int c) { return c == 5 ? std::string("35x") : Dec(300 + 10 * c); };
  const std::vector<Case> cases = {
      {Format::UniSpecOld, "b.spt", [](const Channels& ch) { return OldLines(ch); }, {"310", "330", "10"}},
      {Format::UniSpecNew, "b.spu", [](const Channels& ch) { return NewLines(ch); }, {"310", "330", "10"}},
      {Format::Ger1500, "b.gr1", [](const Channels& ch) { return GerLines(512, ch); }, {"310", "330", "10"}},
      {Format::Ger2600, "b.gr2", [](const Channels& ch) { return GerLines(594, ch); }, {"310", "330", "10"}},
  };
  for (const Case& c : cases) {
    const char* format = VariantOf(c.format).cliName.data();
    TempFolder folder;
    const std::string a = folder.Write(std::string("a") + (c.name + 1), Join(c.lines({Rising(300, 10)})));
    const std::string b = folder.Write(c.name, Join(c.lines({damaged})));
    ConversionResult r;
    ASSERT_NO_THROW(r = Convert(Settings(c.format, {a, b}, c.grid))) << format;
    // (GER scans take their label from the file, so both also share one.)
    std::vector<std::string> aboutWaves;
    for (const std::string& w : r.warnings)
      if (Has(w, "wavelength")) aboutWaves.push_back(w);
    ASSERT_EQ(aboutWaves.size(), 1u) << format;
    EXPECT_TRUE(Has(aboutWaves[0], b + ": its own wavelengths cannot all be read")) << aboutWaves[0];
    for (std::size_t row = 0; row < r.Rows(); ++row)
      EXPECT_EQ(r.Value(OutputMode::Reflectance, row, 1), r.Value(OutputMode::Reflectance, row, 0)) << format;
  }
}

}  // namespace
}  // namespace corvelane
