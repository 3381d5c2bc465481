#include <string>
#include <vector>

#include "cli/commands.h"
#ifdef CORVELANE_WITH_GUI
#include "cli/desktop_loader.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!corvelane::cli::IsHeadless(args)) {
#ifdef CORVELANE_WITH_GUI
    return corvelane::cli::RunDesktopModule(argc, argv);
#else
    return corvelane::cli::ConvertSamples(corvelane::cli::SamplesFolder(), "corvelane-output");
#endif
  }
  return corvelane::cli::FinishStandardOutput(corvelane::cli::Run(args));
}
