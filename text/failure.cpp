#include "text/failure.h"

#include "text/text_input.h"

namespace corvelane {

namespace {
// A path of thousands of characters (a damaged list line) would bury the
// message: its start and its end are kept.
std::string ShortPath(const std::string& path) {
  constexpr std::size_t kKept = 150;
  if (path.size() <= 2 * kKept + 5) return path;
  return path.substr(0, kKept) + " ... " + path.substr(path.size() - kKept);
}

std::string Describe(const ProblemPlace& place, const std::string& why) {
  std::string s;
  if (!place.file.empty()) {
    s += ShortPath(place.file);
    if (place.line > 0) s += ", line " + std::to_string(place.line);
    s += ": ";
  }
  s += why;
  if (place.hasText) s += ": \"" + Printable(place.text) + "\"";
  return s;
}
}  // namespace

RunFailure::RunFailure(ProblemPlace place, std::string why, FailureKind kind)
    : std::runtime_error(Describe(place, why)), place_(std::move(place)), why_(std::move(why)), kind_(kind) {}

void FailAt(const std::string& file, std::size_t line, std::string why) {
  throw RunFailure(ProblemPlace{file, line, {}, false}, std::move(why));
}

void FailAtText(const std::string& file, std::size_t line, std::string_view text, std::string why) {
  throw RunFailure(ProblemPlace{file, line, std::string(text.substr(0, 200)), true}, std::move(why));
}

void FailFile(const std::string& file, std::string why, FailureKind kind) {
  throw RunFailure(ProblemPlace{file, 0, {}, false}, std::move(why), kind);
}

void Fail(std::string why, FailureKind kind) { throw RunFailure(ProblemPlace{}, std::move(why), kind); }

}  // namespace corvelane
