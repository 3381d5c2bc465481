#pragma once
// The headless command line: `corvelane convert ...`, `corvelane check ...`.
#include <string>
#include <vector>

namespace corvelane::cli {

// Exit codes.
inline constexpr int kOk = 0;
inline constexpr int kRunFailed = 1;      // convert: a run failed; check: problem lines were written
inline constexpr int kUsage = 2;
inline constexpr int kCheckFailed = 3;

// Runs the command line with `args` (without the program name). Returns the exit code.
int Run(const std::vector<std::string>& args);

// Whether `args` asks for the command line rather than the desktop program.
bool IsHeadless(const std::vector<std::string>& args);

// Converts the bundled samples of every format into `outputFolder`; says what it wrote.
int ConvertSamples(const std::string& samplesFolder, const std::string& outputFolder);

// Where the bundled samples are: ./samples when present, else the source tree's.
std::string SamplesFolder();

}  // namespace corvelane::cli
