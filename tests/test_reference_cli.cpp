// `corvelane convert unispec-dc` with reference correction, end to end on
// real DC scans and the bundled samples: the corrected reflectance file and
// the index file checked against a computation from the reflectance files
// the same program writes, the output order and failures.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/dc_scan_text.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

Outcome Convert(const TempFolder&, const Args& args) { return RunProgram(Then({"convert", "unispec-dc"}, args)); }

// The data lines of a comma table after `skip` lines: per line the numbers.
std::vector<std::vector<double>> Numbers(const std::string& path, std::size_t skip) {
  std::vector<std::vector<double>> rows;
  const auto lines = SplitCrLf(ReadAll(path));
  for (std::size_t i = skip; i < lines.size(); ++i) {
    rows.emplace_back();
    for (const std::string& f : Fields(lines[i])) rows.back().push_back(ParseNumber(f).value_or(NAN));
  }
  return rows;
}

class ReferenceCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto real = RealUniSpecDcFiles();
    if (real.size() < 7) GTEST_SKIP() << "the real UniSpec-DC scans are not in " << RealDataFolder();
    for (const auto& f : real)
      if (fs::path(f).filename() == "DHT_09998.spu") panel = f;
    ASSERT_FALSE(panel.empty());
    for (const char* name : {"DHT_00001.spu", "LMAT_00010.spu"})
      scans.push_back((fs::path(RealDataFolder()) / "unispec-dc" / name).string());
    scans.push_back((fs::path(CORVELANE_SAMPLES) / "unispec-dc" / "TUN_00002.spu").string());
    sample = (fs::path(CORVELANE_SAMPLES) / "unispec-dc" / "TUN_00001.spu").string();
    // A panel file on the default grid: 821 values rising from 0.9.
    std::vector<std::string> ref = {"white panel 7", "nm,value"};
    for (int i = 0; i < 821; ++i) ref.push_back(std::to_string(310 + i) + "," + PlainNumber(0.9 + i * 0.0001));
    refFile = folder.Write("panel.ref", CrLf(ref));
  }
  Args With(Args args) const {
    args.insert(args.end(), scans.begin(), scans.end());
    return args;
  }
  // Reflectance columns (one per file) of `files` as the program writes them.
  std::vector<std::vector<double>> Reflectance(const std::vector<std::string>& files, const std::string& name) const {
    Args args = {"--reflectance", folder.File(name)};
    args.insert(args.end(), files.begin(), files.end());
    EXPECT_EQ(Convert(folder, args).exit, 0);
    const auto rows = Numbers(folder.File(name), 6);
    std::vector<std::vector<double>> columns(files.size());
    for (const auto& row : rows)
      for (std::size_t k = 0; k < files.size(); ++k) columns[k].push_back(row[k + 1]);
    return columns;
  }

  TempFolder folder;
  std::string panel, sample, refFile;
  std::vector<std::string> scans;
};

TEST_F(ReferenceCli, ReferenceScansCorrectByTheirMeanRatio) {
  const auto reflectance = Reflectance(scans, "plain.csv");
  const auto references = Reflectance({panel, sample}, "panels.csv");
  const Outcome o = Convert(folder, With({"--reflectance", folder.File("r.csv"), "--reference-scan", panel,
                                          "--reference-scan", sample, "--corrected", folder.File("c.csv")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(folder.File("r.csv")), ReadAll(folder.File("plain.csv")));
  const auto lines = SplitCrLf(ReadAll(folder.File("c.csv")));
  ASSERT_EQ(lines.size(), 6u + 821u);
  EXPECT_EQ(lines[0], "TUN_00001.spu,DHT_09998.spu,");
  // The title block is the reflectance file's.
  const auto plain = SplitCrLf(ReadAll(folder.File("plain.csv")));
  for (std::size_t i = 1; i <= 5; ++i) EXPECT_EQ(lines[i], plain[i]) << i;
  const auto rows = Numbers(folder.File("c.csv"), 6);
  std::size_t checked = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0], 310.0 + static_cast<double>(i));
    const double mean = (references[0][i] + references[1][i]) / 2;
    for (std::size_t k = 0; k < scans.size(); ++k, ++checked)
      ASSERT_NEAR(rows[i][k + 1], RoundHalfEven(reflectance[k][i] / mean, 6), 1.5e-6) << "row " << i << " file " << k;
  }
  EXPECT_EQ(checked, 821u * 3u);
}

TEST_F(ReferenceCli, RefFileWritesIndicesInGridSteps) {
  const auto reflectance = Reflectance(scans, "plain.csv");
  const Outcome o =
      Convert(folder, With({"--reflectance", folder.File("r.csv"), "--ref-file", refFile, "--index", "NDVI,800,670,nd",
                            "--index", "WBI,900,970,2", "--indices", folder.File("i.csv")}));
  ASSERT_TRUE(Exited(o, 0, {refFile + ": first 310, last 1130\n"}));
  const auto lines = SplitCrLf(ReadAll(folder.File("i.csv")));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Time,Filename,NDVI,WBI,");
  const auto ref = [](int i) { return 0.9 + i * 0.0001; };
  for (std::size_t k = 0; k < scans.size(); ++k) {
    const auto at = [&](int i) { return reflectance[k][static_cast<std::size_t>(i)] / ref(i); };
    const double ndvi = RoundHalfEven((at(490) - at(360)) / (at(490) + at(360)), 5);
    const double wbi = RoundHalfEven(at(590) / at(660), 5);
    const std::string name = fs::path(scans[k]).filename().string();
    EXPECT_TRUE(Has(lines[k + 1], "," + name + "," + NumberText(ndvi) + "," + NumberText(wbi) + ",")) << lines[k + 1];
  }
}

TEST_F(ReferenceCli, BothGiveTheRefCorrectionInTheCorrectedFileAndTheOrderIsFixed) {
  const auto reflectance = Reflectance(scans, "plain.csv");
  const Outcome o = Convert(folder, With({"--target", folder.File("t.csv"), "--reflectance", folder.File("r.csv"),
                                          "--reference-scan", panel, "--corrected", folder.File("c.csv"), "--ref-file",
                                          refFile, "--index", "NDVI,800,670,nd", "--indices", folder.File("i.csv")}));
  ASSERT_EQ(o.exit, 0) << o.err;
  const auto rows = Numbers(folder.File("c.csv"), 6);
  for (std::size_t i = 0; i < rows.size(); i += 41)
    for (std::size_t k = 0; k < scans.size(); ++k)
      EXPECT_NEAR(rows[i][k + 1], RoundHalfEven(reflectance[k][i] / (0.9 + static_cast<double>(i) * 0.0001), 5),
                  1.5e-5);
  // Written in the order reflectance, target, index file, corrected file.
  const auto time = [&](const char* name) { return fs::last_write_time(folder.File(name)); };
  EXPECT_LE(time("r.csv"), time("t.csv"));
  EXPECT_LE(time("t.csv"), time("i.csv"));
  EXPECT_LE(time("i.csv"), time("c.csv"));
}

TEST_F(ReferenceCli, FailuresStopAtTheirStepAndKeepEarlierOutputs) {
  // 410 lines at 2 nm against the 1-nm grid: its values would stand at
  // other wavelengths, so the run stops before the index file, naming both steps.
  std::vector<std::string> coarse;
  for (int i = 0; i < 410; ++i) coarse.push_back(std::to_string(310 + 2 * i) + ",0.9");
  const std::string coarseRef = folder.Write("coarse.ref", CrLf(coarse));
  Outcome o = Convert(folder, With({"--reflectance", folder.File("r.csv"), "--reference-scan", panel, "--corrected",
                                    folder.File("c.csv"), "--ref-file", coarseRef, "--index", "NDVI,800,670,nd",
                                    "--indices", folder.File("i.csv")}));
  EXPECT_TRUE(Exited(o, 1, {"Problem in Data File!!!", "coarse.ref", "step 2 nm", "grid step 1 nm"}));
  EXPECT_TRUE(fs::exists(folder.File("r.csv")));
  EXPECT_FALSE(fs::exists(folder.File("i.csv")));
  EXPECT_FALSE(fs::exists(folder.File("c.csv")));

  // An index off the grid names the index and its wavelength.
  o = Convert(folder, With({"--reflectance", folder.File("r2.csv"), "--ref-file", refFile, "--index", "FAR,1200,670,nd",
                            "--indices", folder.File("i2.csv")}));
  EXPECT_TRUE(Exited(o, 1, {"FAR", "1200"}));
  EXPECT_FALSE(fs::exists(folder.File("i2.csv")));

  // A reference scan that cannot be read: nothing is written.
  o = Convert(folder, With({"--reflectance", folder.File("r3.csv"), "--reference-scan", folder.File("none.spu"),
                            "--corrected", folder.File("c3.csv")}));
  EXPECT_TRUE(Exited(o, 1, {"none.spu"}));
  EXPECT_FALSE(fs::exists(folder.File("r3.csv")));
}

}  // namespace
}  // namespace corvelane
