#pragma once
// What went wrong in a run or a check: the core throws these; the windows
// turn them into message boxes, the command line into stderr and exit codes.
#include <cstddef>
#include <stdexcept>
#include <string>

namespace corvelane {

struct ProblemPlace {
  std::string file;          // path as the user listed it; empty when no file is concerned
  std::size_t line = 0;      // physical line in that file (1-based); 0 when none
  std::string text;          // the offending text, as found
  bool hasText = false;
};

// A run or check that cannot go on. `what()` is the full detail:
// "<file>, line <n>: <why>: \"<text>\"".
class RunFailure : public std::runtime_error {
 public:
  RunFailure(ProblemPlace place, std::string why);
  const ProblemPlace& Place() const noexcept { return place_; }
  const std::string& Why() const noexcept { return why_; }

 private:
  ProblemPlace place_;
  std::string why_;
};

// Helpers for the common shapes of failure.
[[noreturn]] void FailAt(const std::string& file, std::size_t line, std::string why);
[[noreturn]] void FailAtText(const std::string& file, std::size_t line, std::string_view text,
                             std::string why);
[[noreturn]] void FailFile(const std::string& file, std::string why);
[[noreturn]] void Fail(std::string why);

}  // namespace corvelane
