#pragma once
// `corvelane bands`: satellite bands of every scan of one reflectance file,
// each band weighted by its sensor's spectral response; `--list` prints the
// shipped sensors.
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace corvelane::cli {

class BandsCommand {
 public:
  // Adds the subcommand and its options to `app`.
  explicit BandsCommand(CLI::App& app);
  bool Parsed() const;
  // Runs a parsed command; returns the exit code. Failures are thrown as
  // RunFailure for the command line's one report.
  int Run();

 private:
  CLI::App* command_ = nullptr;
  std::string sensors_;
  std::vector<std::string> sensorFiles_;
  double minCoverage_ = 0.99;
  std::string output_;
  bool list_ = false;
  std::vector<std::string> reflectance_;
};

}  // namespace corvelane::cli
