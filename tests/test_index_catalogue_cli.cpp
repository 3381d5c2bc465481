// `corvelane indices --catalogue`: the long index file end to end on
// reflectance files the conversion wrote, the files of the index run left as
// they were, usage errors and failures that write nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "indices/index_catalogue.h"
#include "indices/index_values.h"
#include "indices/reflectance_reader.h"
#include "tests/run_support.h"
#include "tests/test_support.h"
#include "text/text_input.h"

namespace corvelane {
namespace {

using namespace testing;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

ProgramOutcome Indices(const fs::path& folder, const Args& args) { return RunCommand("indices", folder, args); }

class CatalogueCli : public ::testing::Test {
 protected:
  void SetUp() override { ConvertLeafScans(folder, reflectance); }
  bool Written(const char* name) const { return fs::exists(folder.File(name)); }

  TempFolder folder;
  std::string reflectance = folder.File("refl.txt");
};

TEST_F(CatalogueCli, AllEntriesGiveOneRowPerScanAndIndexAndLeaveTheOtherFilesAsTheyWere) {
  const Args indexRun = {"--index",           "NDVI,800,670,nd,1", "--index-file", folder.File("i.txt"),
                         "--derivative-file", folder.File("d.txt")};
  Args alone = indexRun;
  alone.push_back(reflectance);
  ASSERT_EQ(Indices(folder.Path(), alone).exit, 0);
  const std::string indexFile = ReadAll(folder.File("i.txt")), derivativeFile = ReadAll(folder.File("d.txt"));

  Args both = indexRun;
  for (const char* a : {"--catalogue", "all", "--long-indices"}) both.push_back(a);
  both.push_back(folder.File("long.csv"));
  both.push_back(reflectance);
  const ProgramOutcome o = Indices(folder.Path(), both);
  ASSERT_EQ(o.exit, 0) << o.err;
  EXPECT_EQ(ReadAll(folder.File("i.txt")), indexFile);
  EXPECT_EQ(ReadAll(folder.File("d.txt")), derivativeFile);

  const ReflectanceTable table = ReadReflectanceFile(reflectance);
  const auto entries = LoadCatalogue("");
  const auto rows = SplitCrLf(ReadAll(folder.File("long.csv")));
  ASSERT_EQ(rows.size(), 1 + 3 * entries.size());
  EXPECT_EQ(rows[0], "path,label,date,time,index,value,bands,citation");
  const CatalogueValues values = ComputeCatalogue(table, entries);
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::size_t j = 0; j < entries.size(); ++j) {
      const std::string& row = rows[1 + k * entries.size() + j];
      const auto f = Fields(row);
      EXPECT_EQ(f[0], reflectance);
      EXPECT_EQ(f[1], table.names[k]);
      EXPECT_EQ(f[2], table.dates[k]);
      EXPECT_EQ(f[3], table.times[k]);
      EXPECT_EQ(f[4], entries[j].name);
      EXPECT_NEAR(ParseNumber(f[5]).value_or(NAN), values.Value(k, j), 1e-12 * std::fabs(values.Value(k, j))) << row;
      EXPECT_TRUE(Has(row, entries[j].citation.substr(0, 12))) << row;
    }
  }
  // Only the entries asked for, in the order asked.
  ASSERT_EQ(
      Indices(folder.Path(), {"--catalogue", "WBI, PRI", "--long-indices", folder.File("two.csv"), reflectance}).exit,
      0);
  const auto two = SplitCrLf(ReadAll(folder.File("two.csv")));
  ASSERT_EQ(two.size(), 7u);
  EXPECT_EQ(Fields(two[1])[4], "WBI");
  EXPECT_EQ(Fields(two[2])[4], "PRI");
}

TEST_F(CatalogueCli, UsageErrorsExitTwoAndWriteNothing) {
  const std::string before = ReadAll(reflectance);
  const std::string bad =
      folder.Write("bad.csv", "name,expression,bands,citation,notes\nODD,(A-B)/(A+C),A=500;B=600,,\n");
  const std::string out = folder.File("long.csv");
  const std::string dotted = (folder.Path() / "." / "refl.txt").string();
  for (const auto& [args, message] : std::vector<std::pair<Args, std::string>>{
           {{"--catalogue", "all", "--long-indices", reflectance, reflectance},
            "would replace REFLECTANCE " + reflectance},
           {{"--catalogue", "all", "--long-indices", dotted, reflectance}, "would replace REFLECTANCE " + reflectance},
           {{"--catalogue", "all", "--long-indices", bad, "--catalogue-file", bad, reflectance},
            "would replace --catalogue-file"},
           {{"--catalogue", "all", "--long-indices", out, "--derivative-file", out, reflectance},
            "and --derivative-file " + out + " are the same file"},
           {{"--catalogue", "all", reflectance}, "written only to --long-indices PATH"},
           {{"--long-indices", out, reflectance}, "--long-indices needs --catalogue"},
           {{"--catalogue-file", bad, "--derivative-file", folder.File("d.txt"), reflectance},
            "--catalogue-file needs --catalogue"},
           {{"--catalogue", "NDVI,EVI3", "--long-indices", out, reflectance}, "\"EVI3\" is not an entry"},
           {{"--catalogue", "ODD", "--catalogue-file", bad, "--long-indices", out, reflectance},
            "catalogue entry \"ODD\": the expression names \"C\""},
           {{"--catalogue", "all", "--catalogue-file", folder.File("none.csv"), "--long-indices", out, reflectance},
            "cannot read the catalogue file"},
           {{"--catalogue", "all", "--catalogue-file", folder.Path().string(), "--long-indices", out, reflectance},
            "not a regular file"}}) {
    const ProgramOutcome o = Indices(folder.Path(), args);
    EXPECT_TRUE(Exited(o, 2, {message})) << message;
    EXPECT_FALSE(Written("long.csv") || Written("d.txt")) << message;
    EXPECT_EQ(ReadAll(reflectance), before) << message;
  }
}

TEST_F(CatalogueCli, ABandTheTableCannotGiveFailsBeforeAnyFileIsWritten) {
  const std::string far = folder.Write("far.csv", "name,expression,bands,citation,notes\nSWIR,A,A=1500-1600,,\n");
  const ProgramOutcome o = Indices(
      folder.Path(), {"--index", "NDVI,800,670,nd,1", "--index-file", folder.File("i.txt"), "--catalogue", "NDVI,SWIR",
                      "--catalogue-file", far, "--long-indices", folder.File("long.csv"), reflectance});
  EXPECT_EQ(o.exit, 1);
  EXPECT_TRUE(Has(o.err, "catalogue entry \"SWIR\", band A=1500-1600") &&
              Has(o.err, "the table runs from 310 to 1130 nm"))
      << o.err;
  EXPECT_FALSE(Written("i.txt") || Written("long.csv"));
}

}  // namespace
}  // namespace corvelane
