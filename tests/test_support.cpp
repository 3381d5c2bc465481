#include "tests/test_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace corvelane::testing {

std::string RealDataFolder() {
  if (const char* given = std::getenv("CORVELANE_REALDATA"); given != nullptr && *given != 0) return given;
  return CORVELANE_REALDATA;
}

TempFolder::TempFolder() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / ("corvelane-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::Write(const std::string& name, const std::string& bytes) const {
  const auto p = path_ / name;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
  return p.string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string CrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto e = text.find("\r\n", start);
    if (e == std::string::npos) {
      out.push_back(text.substr(start));
      break;
    }
    out.push_back(text.substr(start, e - start));
    start = e + 2;
  }
  return out;
}

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ProgramOutcome RunCorvelane(const std::vector<std::string>& args, const std::filesystem::path& folder) {
  const TempFolder logs;
  const std::string errPath = logs.File("stderr.log");
  std::string command = folder.empty() ? std::string() : "cd " + ShellQuote(folder.string()) + " && ";
  command += ShellQuote(CORVELANE_EXE);
  for (const auto& a : args) command += " " + ShellQuote(a);
  command += " >/dev/null 2>" + ShellQuote(errPath) + " </dev/null";
  const int status = std::system(command.c_str());
  ProgramOutcome o;
  o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.err = ReadAll(errPath);
  return o;
}

}  // namespace corvelane::testing
