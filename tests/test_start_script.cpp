// scripts/run.sh run in a temporary copy of the project, with the build and
// the package installation stubbed out and a stand-in program that records
// where it was started: the working folder it prepares belongs to the user.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.h"

namespace corvelane {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempFolder;

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WriteScript(const fs::path& path, const std::string& text) {
  WriteText(path, "#!/usr/bin/env bash\n" + text);
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
}

class StartScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path project = fs::path(CORVELANE_SAMPLES).parent_path();
    fs::create_directories(root() / "scripts");
    fs::copy_file(project / "scripts" / "run.sh", root() / "scripts" / "run.sh");
    fs::copy(project / "share", root() / "share", fs::copy_options::recursive);
    fs::copy(project / "samples", root() / "samples", fs::copy_options::recursive);
    WriteScript(root() / "scripts" / "install-deps.sh", "exit 0\n");
    WriteScript(temp_.Path() / "bin" / "cmake", "exit 0\n");
    WriteScript(root() / "build" / "release" / "corvelane", "pwd > \"$(dirname \"$0\")/started-in\"\n");
  }
  fs::path root() const { return temp_.Path() / "project"; }
  fs::path work() const { return root() / "corvelane-work"; }
  void Run() const {
    const std::string command = "PATH='" + (temp_.Path() / "bin").string() + "':\"$PATH\" bash '" +
                                (root() / "scripts" / "run.sh").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadAll((root() / "build" / "release" / "started-in").string()), work().string() + "\n");
  }

  TempFolder temp_;
};

TEST_F(StartScriptTest, InstallsWhatIsMissingAndNeverTouchesWhatTheUserHas) {
  Run();
  for (const char* f : {"README", "INDEX"})
    EXPECT_EQ(ReadAll((work() / f).string()), ReadAll((root() / "share" / f).string())) << f;
  EXPECT_TRUE(fs::is_directory(work() / "results"));
  const fs::path sample = work() / "samples" / "unispec-old" / "LEAF0001.spt";
  ASSERT_TRUE(fs::exists(sample));

  // A user's results, an edited INDEX and help text, a mended sample.
  const std::vector<std::pair<fs::path, std::string>> mine = {
      {work() / "samples" / "refl.txt", "saved beside the samples\r\n"},
      {work() / "results" / "abs.txt", "saved in results\r\n"},
      {work() / "INDEX", "NDVI, 800, 680, 1, 1\r\n"},
      {work() / "README", "my notes\n"},
      {sample, "mended by hand\n"}};
  for (const auto& [path, text] : mine) WriteText(path, text);
  fs::remove(work() / "samples" / "unispec-old" / "LEAF0002.spt");

  Run();
  for (const auto& [path, text] : mine) EXPECT_EQ(ReadAll(path.string()), text) << path;
  EXPECT_TRUE(fs::exists(work() / "samples" / "unispec-old" / "LEAF0002.spt")) << "a missing sample comes back";
}

}  // namespace
}  // namespace corvelane
