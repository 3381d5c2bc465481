#pragma once
// The headless command line: `corvelane convert ...`, `corvelane check ...`.
#include <string>
#include <vector>

namespace corvelane::cli {

// Exit codes. Failures map to them by their kind alone (Usage 2, Run 1,
// Check 3), in one place of commands.cpp.
inline constexpr int kOk = 0;
inline constexpr int kRunFailed = 1;      // convert: a run failed
inline constexpr int kProblemsFound = 1;  // check: problem lines were written
inline constexpr int kUsage = 2;
inline constexpr int kCheckFailed = 3;

// Runs the command line with `args` (without the program name). Returns the exit code.
int Run(const std::vector<std::string>& args);

// Flushes standard output; when what a command printed there could not all
// be written (a full disk, `> /dev/full`), says so on stderr and returns
// kRunFailed instead of `code`.
int FinishStandardOutput(int code);

// Whether `args` asks for the command line rather than the desktop program.
bool IsHeadless(const std::vector<std::string>& args);

// Converts the bundled samples of every format into `outputFolder`; says what it wrote.
int ConvertSamples(const std::string& samplesFolder, const std::string& outputFolder);

// Where the bundled samples are: ./samples when present, else the source tree's.
std::string SamplesFolder();

}  // namespace corvelane::cli
