#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    const std::string samples = corvelane::cli::SamplesFolder();
    return corvelane::cli::ConvertSamples(samples, "corvelane-output");
  }
  return corvelane::cli::Run(args);
}
