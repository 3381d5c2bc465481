#pragma once
// `corvelane indices`: index and derivative files from one reflectance file.
#include <string>
#include <vector>

#include "cli/catalogue_option.h"

namespace CLI {
class App;
}

namespace corvelane::cli {

class IndicesCommand {
 public:
  // Adds the subcommand and its options to `app`.
  explicit IndicesCommand(CLI::App& app);
  bool Parsed() const;
  // Runs a parsed command; returns the exit code (usage errors included).
  int Run();

 private:
  CLI::App* command_ = nullptr;
  std::vector<std::string> indexArgs_;
  std::vector<std::string> presetArgs_;
  std::string indexFile_;
  std::string derivativeFile_;
  std::vector<std::string> reflectance_;
  CatalogueOption catalogue_;
};

}  // namespace corvelane::cli
