#pragma once
// What went wrong: the one way the core reports a failure. Every failure is a
// RunFailure carrying its kind, the file, the line, the offending text and
// why; the windows turn it into a failure box, the command line into stderr
// and an exit code chosen by the kind alone.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvelane {

enum class FailureKind {
  Usage,  // the request itself is wrong (an option, a setting, a helper file named in it)
  Run,    // a conversion run cannot go on (a scan file, a wavelength source, an output)
  Check,  // the file check itself cannot go on (not a problem line it reports)
};

struct ProblemPlace {
  std::string file;      // path as the user listed it; empty when no file is concerned
  std::size_t line = 0;  // physical line in that file (1-based); 0 when none
  std::string text;      // the offending text, as found
  bool hasText = false;
};

// A run, check or request that cannot go on. `what()` is the full detail:
// "<file>, line <n>: <why>: \"<text>\"".
class RunFailure : public std::runtime_error {
 public:
  RunFailure(ProblemPlace place, std::string why, FailureKind kind = FailureKind::Run);
  const ProblemPlace& Place() const noexcept { return place_; }
  const std::string& Why() const noexcept { return why_; }
  FailureKind Kind() const noexcept { return kind_; }
  // The same failure, reported as another kind (a check reading a file the
  // way a run does fails as a check).
  RunFailure As(FailureKind kind) const { return RunFailure(place_, why_, kind); }

 private:
  ProblemPlace place_;
  std::string why_;
  FailureKind kind_;
};

// Helpers for the common shapes of failure; all throw kind Run unless told.
[[noreturn]] void FailAt(const std::string& file, std::size_t line, std::string why);
[[noreturn]] void FailAtText(const std::string& file, std::size_t line, std::string_view text, std::string why);
[[noreturn]] void FailFile(const std::string& file, std::string why, FailureKind kind = FailureKind::Run);
[[noreturn]] void Fail(std::string why, FailureKind kind = FailureKind::Run);

}  // namespace corvelane
