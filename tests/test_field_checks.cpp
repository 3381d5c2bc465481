// The checks of real field scans: the calibration fitted from the scans'
// own wavelength column, the warning when the equations differ from it,
// saturation, dark scans and their subtraction, status channels.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/channel_fit.h"
#include "calibration/dc_equation.h"
#include "convert/conversion_job.h"
#include "convert/dc_reference.h"
#include "convert/quality_report.h"
#include "reference/reference_step.h"
#include "tests/dc_scan_text.h"
#include "tests/run_support.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using namespace testing;

std::string Real(const std::string& name) { return (fs::path(RealDataFolder()) / "unispec-dc" / name).string(); }
bool HaveReal() { return fs::exists(Real("hazards/MNAT_00090.spu")); }

RunSettings DcSettings(std::vector<std::string> files, GridTexts grid = {"310", "1130", "1"},
                       std::vector<OutputMode> modes = {OutputMode::Reflectance}) {
  RunSettings s = Settings(synth::Format::UniSpecDc, std::move(files), std::move(grid), std::move(modes));
  UseChannelEquations(s, DcStartTexts());
  return s;
}

// The warnings a run gives the user (those of RunJob, not only the run's own).
std::vector<std::string> JobWarnings(const ConversionResult& r, const RunSettings& s) {
  std::vector<std::string> all = r.warnings;
  for (std::string& w : ScanCheckWarnings(r, s.files)) all.push_back(std::move(w));
  if (std::string status = StatusChannelWarning(r); !status.empty()) all.push_back(status);
  return all;
}

bool AnyHas(const std::vector<std::string>& warnings, const std::string& part) {
  for (const std::string& w : warnings)
    if (Has(w, part)) return true;
  return false;
}

DcEquationTexts Fitted(const ChannelFit& fit) {
  DcEquationTexts texts;
  texts.coefficients = FitCoefficientTexts(fit);
  return texts;
}

// --- The calibration from the scans --------------------------------------

TEST(ChannelFit, RealScansGiveTheirQuadraticAndTheEquationsWarnOnlyWhenTheyDiffer) {
  if (!HaveReal()) GTEST_SKIP() << "no real scans in " << RealDataFolder();
  const std::vector<std::string> scans = RealUniSpecDcFiles();
  ASSERT_GE(scans.size(), 7u);
  const ChannelFit fit = FitFromScans(scans, 1);
  const std::array<double, 3> expected = {297.528580651, 3.387425901, -0.000212308129884};
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(fit.coefficients[i], expected[i], std::fabs(expected[i]) * 1e-6) << "coefficient " << i;
  EXPECT_LT(fit.largestResidual, 0.06);
  EXPECT_GT(fit.largestResidual, 0.0);
  // Channels numbered from 0 give the same line: A moves by B - C, B by 2C.
  const ChannelFit zero = FitFromScans(scans, 0);
  EXPECT_NEAR(zero.coefficients[0], expected[0] + expected[1] + expected[2], 1e-6);
  EXPECT_NEAR(zero.coefficients[1], expected[1] + 2 * expected[2], 1e-8);

  // The default DC 1 equations are up to 16.7 nm off: one warning naming how
  // to fix it; the fitted equation gives none, and the numbers stay those of the
  // equations either way.
  const RunSettings withDefaults = DcSettings({Real("LMAT_00000.spu")});
  const ConversionResult a = Convert(withDefaults);
  const std::vector<std::string> warned = JobWarnings(a, withDefaults);
  ASSERT_TRUE(AnyHas(warned, "instruments --fit")) << ::testing::PrintToString(warned);
  EXPECT_TRUE(AnyHas(warned, "From scans"));
  EXPECT_GT(a.checks[0].waveMismatch, 10.0);
  EXPECT_LT(a.checks[0].waveMismatch, 17.0);
  RunSettings withFit = withDefaults;
  UseChannelEquations(withFit, Fitted(fit));
  const ConversionResult b = Convert(withFit);
  EXPECT_FALSE(AnyHas(JobWarnings(b, withFit), "instruments --fit"));
  EXPECT_LT(b.checks[0].waveMismatch, 0.06);
  EXPECT_NE(OutputText(a, OutputMode::Reflectance, nullptr), OutputText(b, OutputMode::Reflectance, nullptr));
}

TEST(ChannelFit, RefusesScansThatAreNotOneQuadraticCalibration) {
  TempFolder folder;
  const auto dc = [&](const std::string& name, const Reading& waves) {
    return folder.Write(name, CrLf(DcLines({waves, Rising(1000, 1), Rising(2000, 1)})));
  };
  const auto quadratic = [](double shift) {
    return [shift](int c) {
      return Dec(std::round((300 + 3.3 * (c + 1) - 0.0002 * (c + 1) * (c + 1) + shift) * 10) / 10);
    };
  };
  const std::string a = dc("a.spu", quadratic(0));
  const std::string same = dc("same.spu", quadratic(0.05));
  const std::string shifted = dc("shifted.spu", quadratic(0.3));
  const std::string kinked = dc("kinked.spu", [](int c) { return Dec(300 + 3.3 * c + (c > 128 ? 2 : 0)); });
  const ChannelFit fit = FitFromScans(std::vector<std::string>{a, same}, 1);
  EXPECT_NEAR(fit.coefficients[1], 3.3, 0.01);
  EXPECT_LT(fit.largestResidual, kFitResidualLimit);
  const auto refusal = [](std::vector<std::string> scans) { return FailureOf([&] { FitFromScans(scans, 1); }); };
  EXPECT_TRUE(Has(refusal({a, shifted}), "shifted.spu")) << refusal({a, shifted});
  EXPECT_TRUE(Has(refusal({kinked}), "kinked.spu")) << refusal({kinked});
  EXPECT_TRUE(Has(refusal({kinked}), "quadratic"));
  // A single-channel scan has the same layout; its header tells it apart.
  Lines single = DcLines();
  single[1] = "\"Remarks:    SW=UniSpec Single Channel NETCF Version=1.3 Comment=\"";
  const std::string sc = folder.Write("single.spu", CrLf(single));
  EXPECT_TRUE(Has(refusal({a, sc}), "single.spu"));
  EXPECT_TRUE(Has(refusal({a, sc}), "not a UniSpec-DC scan"));
  const std::string text = folder.Write("text.spu", "not a scan\r\n");
  EXPECT_TRUE(Has(refusal({text}), "not a UniSpec-DC scan"));
}

TEST(ChannelFit, TheCommandAddsTheInstrumentOnceAndRefusesWhatItCannotFit) {
  TempFolder folder;
  const std::string scan =
      folder.Write("a.spu", CrLf(DcLines({Rising(300.5, 3.25), Rising(1000, 1), Rising(2000, 1)})));
  const auto fit = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "--fit");
    return RunCommand("instruments", folder.Path(), args);
  };
  ASSERT_EQ(fit({"Field 6", scan}).exit, 0);
  const std::string table = ReadAll(folder.File("inst.cof"));
  EXPECT_TRUE(Has(table, "Field 6,297.250000000")) << table;  // channel 1 at 300.5 nm
  EXPECT_TRUE(Has(table, "3.250000000")) << table;
  // A name the table holds, letter case aside, is refused and the table stays.
  const ProgramOutcome again = fit({"FIELD 6", scan});
  EXPECT_EQ(again.exit, 2);
  EXPECT_TRUE(Has(again.err, "Field 6")) << again.err;
  const ProgramOutcome notDc = fit({"Other", folder.Write("x.spu", "hello\r\n")});
  EXPECT_EQ(notDc.exit, 2);
  EXPECT_TRUE(Has(notDc.err, "x.spu")) << notDc.err;
  EXPECT_EQ(ReadAll(folder.File("inst.cof")), table);
}

// --- Saturation, status channels, dark scans ------------------------------

TEST(FieldHazards, SaturatedStatusAndDarkScansOfTheRealSeasonAreNamed) {
  if (!HaveReal()) GTEST_SKIP() << "no real scans in " << RealDataFolder();
  const RunSettings s = DcSettings({Real("LMAT_00000.spu"), Real("hazards/MNAT_00090.spu"), Real("SHB1_09998.spu"),
                                    Real("DHT_00000.spu"), Real("hazards/w10115.spu")});
  const ConversionResult r = Convert(s);
  EXPECT_FALSE(r.checks[0].Saturated());
  EXPECT_GT(r.checks[1].saturatedTarget, 0u);  // target column saturated over about 510-591 nm
  EXPECT_EQ(r.checks[1].saturatedPanel, 0u);
  EXPECT_GT(r.checks[1].saturatedFrom, 500.0);
  EXPECT_LT(r.checks[1].saturatedTo, 600.0);
  EXPECT_GT(r.checks[2].saturatedPanel, 0u);  // the panel column at 65535
  EXPECT_TRUE(r.checks[3].darkScan);
  EXPECT_TRUE(r.checks[1].darkCorrected);
  EXPECT_TRUE(r.checks[4].statusOnGrid);
  const std::vector<std::string> warned = JobWarnings(r, s);
  EXPECT_TRUE(AnyHas(warned, "2 of 5 scans read 65000 counts or more")) << ::testing::PrintToString(warned);
  EXPECT_TRUE(AnyHas(warned, "MNAT_00090.spu, "));
  EXPECT_TRUE(AnyHas(warned, "dark scans converted as spectra: " + Real("DHT_00000.spu")));
  // Whatever the 2012 firmware writes into its last channels, the grid
  // reaching them is named; a grid ending below them is not.
  const RunSettings old = DcSettings({Real("hazards/w10115.spu")});
  EXPECT_TRUE(Has(StatusChannelWarning(Convert(old)), "1 of 1 files"));
  EXPECT_TRUE(StatusChannelWarning(Convert(DcSettings({Real("hazards/w10115.spu")}, {"310", "1100", "1"}))).empty());
  // Saturation counts only channels the grid uses: MNAT_00090 reads its
  // ceiling around 510-591 nm only.
  const ConversionResult nir = Convert(DcSettings({Real("hazards/MNAT_00090.spu")}, {"700", "1000", "1"}));
  EXPECT_FALSE(nir.checks[0].Saturated());
}

TEST(FieldHazards, SaturationOfSingleChannelFormatsAndOfReferenceScans) {
  TempFolder folder;
  // Old format: channel 100 at the ceiling in the target, channel 10 in the panel.
  const std::string hot = folder.Write(
      "hot.spt", CrLf(OldLines({Rising(300, 3), Except("1000", {{100, "65000"}}), Except("2000", {{10, "65001"}})})));
  const std::string calm = folder.Write("calm.spt", CrLf(OldLines()));
  RunSettings s = Settings(synth::Format::UniSpecOld, {calm, hot}, {"400", "900", "1"});
  ConversionResult r = Convert(s);
  EXPECT_FALSE(r.checks[0].Saturated());
  EXPECT_EQ(r.checks[1].saturatedTarget, 1u);
  EXPECT_EQ(r.checks[1].saturatedPanel, 0u);  // channel 10 (330 nm) lies off the 400-900 nm grid
  EXPECT_EQ(r.checks[1].saturatedFrom, 600.0);
  EXPECT_TRUE(AnyHas(JobWarnings(r, s), "1 of 2 scans read 65000 counts or more"))
      << ::testing::PrintToString(JobWarnings(r, s));
  s.grid = {"310", "900", "1"};
  r = Convert(s);
  EXPECT_EQ(r.checks[1].saturatedPanel, 1u);
  EXPECT_TRUE(AnyHas(JobWarnings(r, s), "between 330 and 600 nm"));
  // 64999 is below the ceiling.
  const std::string near = folder.Write("near.spt", CrLf(OldLines({Rising(300, 3), Always("64999"), Always("2000")})));
  EXPECT_FALSE(Convert(Settings(synth::Format::UniSpecOld, {near}, {"400", "900", "1"})).checks[0].Saturated());
  // A saturated reference scan gets a warning of its own.
  const std::string panel =
      folder.Write("panel.spu", CrLf(DcLines({Rising(300.9, 3.3), Except("30000", {{60, "65535"}}), Always("30000")})));
  const std::string data = folder.Write("data.spu", CrLf(DcLines()));
  std::vector<std::string> warnings;
  WavelengthTables tables;
  std::vector<std::string> marks;
  ReferenceSpectrumOfScans(DcSettings({data}), std::vector<std::string>{panel}, tables, &marks, &warnings);
  EXPECT_TRUE(marks.empty()) << ::testing::PrintToString(marks);
  EXPECT_TRUE(AnyHas(warnings, "1 reference scan reads 65000 counts or more")) << ::testing::PrintToString(warnings);
  EXPECT_TRUE(AnyHas(warnings, "panel.spu"));
}

// The reflectance by hand: each column's channels placed by its equation,
// linearly between the two channels around `nm`, the dark readings taken off.
double ByHand(const std::vector<std::string>& scan, const std::vector<std::string>& dark, double nm) {
  const DcWavelengthTables w = WavesFromEquationDC(DcStartTexts());
  const auto field = [](const std::string& line, int k) {
    std::istringstream in(line);
    std::string word;
    for (int i = 0; i <= k; ++i) in >> word;
    return ParseNumber(word).value_or(std::nan(""));
  };
  const auto at = [&](const std::vector<double>& waves, int k) {
    for (std::size_t c = 0; c + 1 < waves.size(); ++c)
      if (waves[c] <= nm && nm <= waves[c + 1]) {
        const double t = (nm - waves[c]) / (waves[c + 1] - waves[c]);
        const auto v = [&](std::size_t ch) { return field(scan[10 + ch], k) - field(dark[10 + ch], k); };
        return v(c) + t * (v(c + 1) - v(c));
      }
    ADD_FAILURE() << nm << " nm lies off the channels";
    return 0.0;
  };
  return at(w.channel2, 1) / at(w.channel1, 2);
}

TEST(DarkScans, SubtractedFromScansOfItsIntegrationTimeOnly) {
  if (!HaveReal()) GTEST_SKIP() << "no real scans in " << RealDataFolder();
  const std::string dark = Real("2018-06-22-not-dark-subtracted/MAT_00000.spu");
  const std::string scan = Real("2018-06-22-not-dark-subtracted/LMAT_00010.spu");
  RunSettings s = DcSettings({scan}, {"500", "800", "1"});
  const ConversionResult plain = Convert(s);
  s.darkScan = dark;
  const ConversionResult r = Convert(s);
  EXPECT_TRUE(r.checks[0].darkSubtracted);
  for (double nm : {531.0, 670.0, 800.0}) {
    const auto row = static_cast<std::size_t>(nm - 500);
    const double expected = RoundHalfEven(ByHand(SplitCrLf(ReadAll(scan)), SplitCrLf(ReadAll(dark)), nm), 5);
    EXPECT_EQ(r.Value(OutputMode::Reflectance, row, 0), expected) << nm;
    EXPECT_NE(plain.Value(OutputMode::Reflectance, row, 0), expected) << nm;
  }
  // 60 ms against the dark scan's 50 ms: no scaling is guessed.
  s.files = {scan, Real("2018-06-22-not-dark-subtracted/MAT_00006.spu")};
  const std::string why = FailureOf([&] { Convert(s); });
  EXPECT_TRUE(Has(why, "MAT_00006.spu") && Has(why, "MAT_00000.spu")) << why;
  EXPECT_TRUE(Has(why, "60 ms") && Has(why, "50 ms")) << why;
  // A scan the instrument corrected is not corrected twice, and is named.
  s.files = {Real("LMAT_00000.spu")};
  s.grid = {"500", "800", "1"};
  const ConversionResult once = Convert(s);
  EXPECT_FALSE(once.checks[0].darkSubtracted);
  RunSettings without = s;
  without.darkScan.clear();
  EXPECT_EQ(OutputText(once, OutputMode::Reflectance, nullptr),
            OutputText(Convert(without), OutputMode::Reflectance, nullptr));
  EXPECT_TRUE(AnyHas(JobWarnings(once, s), "not corrected again: " + Real("LMAT_00000.spu")));
}

TEST(DarkScans, ReferenceScansAreCorrectedTooAndOnlyTheDcFormatTakesOne) {
  TempFolder folder;
  const auto scan = [&](const std::string& name, const std::string& target, const std::string& panel) {
    Lines l = DcLines({Rising(300.9, 3.3), Always(target), Always(panel)});
    return folder.Write(name, CrLf(l));
  };
  const std::string dark = scan("dark.spu", "100", "200");
  const std::string data = scan("data.spu", "600", "1200");
  const std::string panel = scan("panel.spu", "1100", "1200");
  RunSettings s = DcSettings({data}, {"400", "900", "1"});
  s.darkScan = dark;
  WavelengthTables tables;
  // (600 - 100) / (1200 - 200) = 0.5; the reference (1100 - 100) / (1200 - 200) = 1.
  EXPECT_EQ(Convert(s).Value(OutputMode::Reflectance, 10, 0), 0.5);
  const std::vector<double> reference = ReferenceSpectrumOfScans(s, std::vector<std::string>{panel}, tables);
  EXPECT_EQ(reference[10], 1.0);
  // A dark scan that names a dark file of its own holds no dark signal.
  Lines corrected = DcLines();
  corrected[1] = "\"Remarks:    SW=UnispecDCcf Version=1.5 Comment=Datascan Dark=\\Storage Card\\X.spu\"";
  s.darkScan = folder.Write("corrected.spu", CrLf(corrected));
  EXPECT_THROW(Convert(s), RunFailure);
  RunSettings old = Settings(synth::Format::UniSpecOld, {folder.Write("a.spt", CrLf(OldLines()))}, {"400", "900", "1"});
  old.darkScan = dark;
  EXPECT_THROW(Convert(old), RunFailure);
}

// --- The quality report -------------------------------------------------------

namespace report {

// A DC scan whose wavelength column is the equation 297.6 + 3.3 ch (channels
// from 1) that the run is given: no wavelength mismatch.
Lines Scan(const std::string& remarks, const Reading& target, const Reading& panel,
           const std::string& recordedName = "DHT_00001.spu") {
  Lines l = DcLines({Rising(300.9, 3.3), target, panel});
  l[0] = "\"File:       \\Storage Card\\2018\\2018-06-22\\" + recordedName + "\"";
  l[1] = "\"Remarks:    SW=UnispecDCcf Version=1.5 Comment=" + remarks + "\"";
  return l;
}

RunSettings Settings(std::vector<std::string> files) {
  RunSettings s = testing::Settings(synth::Format::UniSpecDc, std::move(files), {"400", "1120", "1"});
  DcEquationTexts equations;
  equations.coefficients = {"297.6", "3.3", "0", "297.6", "3.3", "0"};
  UseChannelEquations(s, equations);
  s.labelSource = LabelSource::HeaderInfo;  // the recorded names: two scans share one
  s.keepFacts = true;
  return s;
}

}  // namespace report

TEST(QualityReport, OneRowPerScanWithTheHeaderFactsAndEveryCheck) {
  TempFolder folder;
  const std::string a = folder.Write("a.spu", CrLf(report::Scan("Datascan,DC", Rising(1000, 1), Rising(2000, 1))));
  const std::string b = folder.Write("b.spu", CrLf(report::Scan("DARKscan", Always("65000"), Always("300"))));
  const std::string c = folder.Write(
      "c,1.spu", CrLf(report::Scan("Datascan Dark=\\Storage Card\\D.spu", Rising(1000, 1), Always("0"), "C.spu")));
  const RunSettings s = report::Settings({a, b, c});
  const ConversionResult r = Convert(s);
  // b: channels 31 (399.9 nm) to 248 (1116 nm, the last before the status
  // channels) hold 65000 and the grid uses them: 218 channels.
  const std::string common = ",2018-06-22,15:36:29,20.984,50,";
  EXPECT_EQ(QualityReportText(r, s.files),
            std::string(kQualityReportHead) + "\r\n" +                                //
                a + ",DHT_00001.spu" + common + "0,0,no,no,no,no,0,yes,yes\r\n" +     //
                b + ",DHT_00001.spu" + common + "218,0,yes,no,no,no,0,yes,yes\r\n" +  //
                "\"" + c + "\",C.spu" + common + "0,0,no,yes,no,yes,0,yes,no\r\n");
  // Without the equation of the scans the difference is named per scan.
  RunSettings defaults = s;
  UseChannelEquations(defaults, DcStartTexts());
  const ConversionResult d = Convert(defaults);
  EXPECT_GT(d.checks[0].waveMismatch, 1.0);
  EXPECT_TRUE(Has(QualityReportText(d, s.files), "," + PlainNumber(RoundHalfEven(d.checks[0].waveMismatch, 3)) + ","));
}

TEST(QualityReport, WrittenLastByTheCommandLineWithoutChangingTheTables) {
  TempFolder folder;
  const std::string dark = folder.Write("dark.spu", CrLf(report::Scan("DARKscan", Always("10"), Always("20"))));
  const std::string a = folder.Write("a.spu", CrLf(report::Scan("Datascan,DC", Rising(1000, 1), Rising(2000, 1))));
  const std::vector<std::string> base = {"convert", "unispec-dc", "--coefficients", "297.6,3.3,0,297.6,3.3,0",
                                         "--grid",  "400,1100,1"};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    return RunCorvelane(args, folder.Path());
  };
  ASSERT_EQ(with({"--reflectance", "plain.csv", a, dark}).exit, 0);
  const ProgramOutcome o = with({"--reflectance", "r.csv", "--report", "q.csv", a, dark});
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(folder.File("r.csv")), ReadAll(folder.File("plain.csv")));
  const std::vector<std::string> rows = SplitCrLf(ReadAll(folder.File("q.csv")));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(Has(rows[2], ",yes,no,no,no,0,no,no")) << rows[2];  // the dark scan, named as one
  // With the dark scan subtracted the report says so, and the tables change.
  ASSERT_EQ(with({"--reflectance", "d.csv", "--report", "q2.csv", "--dark", dark, a}).exit, 0);
  EXPECT_TRUE(Has(ReadAll(folder.File("q2.csv")), ",no,no,yes,no,0,no,no\r\n"));
  EXPECT_NE(ReadAll(folder.File("d.csv")), ReadAll(folder.File("plain.csv")));
  // Every format takes --report; --dark is the dual-channel format's.
  const std::string old = folder.Write("o.spt", CrLf(OldLines()));
  const ProgramOutcome oldRun = RunCorvelane(
      {"convert", "unispec-old", "--grid", "400,1000,1", "--reflectance", "o.txt", "--report", "oq.csv", old},
      folder.Path());
  EXPECT_EQ(oldRun.exit, 0) << oldRun.err;
  EXPECT_TRUE(fs::exists(folder.File("oq.csv")));
  EXPECT_EQ(RunCorvelane({"convert", "unispec-old", "--reflectance", "o.txt", "--dark", dark, old}, folder.Path()).exit,
            2);
}
// --- .ref alignment -----------------------------------------------------------

TEST(RefAlignment, AFileOffTheGridFailsBeforeTheIndexFileAndTheWindowIsTold) {
  TempFolder folder;
  const std::string scan = (fs::path(CORVELANE_SAMPLES) / "unispec-dc" / "TUN_00001.spu").string();
  std::vector<std::string> lines = {"nm,value"};
  for (int nm = 400; nm <= 1000; ++nm) lines.push_back(std::to_string(nm) + ",0.9");
  const std::string ref = folder.Write("panel.ref", CrLf(lines));
  const auto run = [&](const std::string& grid, const std::string& indices) {
    return RunCorvelane({"convert", "unispec-dc", "--grid", grid, "--reflectance", folder.File("r.csv"), "--ref-file",
                         ref, "--index", "NDVI,800,670,nd", "--indices", folder.File(indices), scan});
  };
  // 400 to 1000 nm on a grid from 310 nm: each value would land 90 nm off.
  const ProgramOutcome off = run("310,910,1", "off.csv");
  EXPECT_EQ(off.exit, 1);
  EXPECT_TRUE(Has(off.err, "first wavelength 400 nm is not the grid's begin 310 nm")) << off.err;
  EXPECT_FALSE(fs::exists(folder.File("off.csv")));
  const ProgramOutcome on = run("400,1000,1", "on.csv");
  EXPECT_EQ(on.exit, 0) << on.err;
  EXPECT_TRUE(fs::exists(folder.File("on.csv")));
  // Half a step off is still the grid's point; a 1 % longer step is not its step.
  RefFileSummary summary;
  summary.first = 400.5;
  summary.step = 1;
  EXPECT_TRUE(RefAlignmentProblem("p.ref", summary, 400, 1).empty());
  summary.step = 1.02;
  EXPECT_TRUE(Has(RefAlignmentProblem("p.ref", summary, 400, 1), "step 1.02 nm"));
  summary.first = 401;
  summary.misalignment = RefAlignmentProblem("p.ref", summary, 400, 1);
  EXPECT_TRUE(Has(RangeQuestion(summary), "Are these values right? 401  0\n\np.ref: its first wavelength 401 nm"))
      << RangeQuestion(summary);
}

}  // namespace
}  // namespace corvelane
