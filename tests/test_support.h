#pragma once
// Temporary folders and small file helpers for the tests.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/scan_synth.h"

namespace corvelane {
// The tests name the bundled formats as the synthesiser does.
using synth::Format;
using synth::FormatOf;
using synth::VariantOf;
}  // namespace corvelane

namespace corvelane::testing {

// A fresh folder under the system temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const noexcept { return path_; }
  // Writes `bytes` to `name` inside the folder and returns the full path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The shared folder of real field scans: $CORVELANE_REALDATA when set, else
// ../shared/realdata beside the source tree. Real-data tests skip when the
// files they need are not there (as on a user's machine).
std::string RealDataFolder();

std::string ReadAll(const std::string& path);
// Joins lines with CR LF after each.
std::string CrLf(const std::vector<std::string>& lines);
// Splits text at CR LF (the last, empty piece after a final CR LF is dropped).
std::vector<std::string> SplitCrLf(const std::string& text);

// `s` quoted for the shell.
std::string ShellQuote(const std::string& s);

struct ProgramOutcome {
  int exit = -1;    // -1 when the program did not exit normally
  std::string err;  // what it wrote on stderr
};
// Runs the built `corvelane` with `args` and no standard input; in `folder`
// when it is not empty (so relative paths and files such as INDEX are found there).
ProgramOutcome RunCorvelane(const std::vector<std::string>& args, const std::filesystem::path& folder = {});

}  // namespace corvelane::testing
