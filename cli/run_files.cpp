#include "cli/run_files.h"

#include <string_view>

#include "text/atomic_file.h"
#include "text/failure.h"

namespace corvelane::cli {

namespace {

std::string_view FileName(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool SameFile(const std::string& a, const std::string& b) { return NamesSameFile(a, b); }

[[noreturn]] void UsageError(std::string why) { Fail(std::move(why), FailureKind::Usage); }

}  // namespace

void RefuseOutputsOverInputs(const std::vector<NamedPath>& outputs, const std::vector<NamedPath>& inputs,
                             const std::vector<std::string>& scans) {
  int toStdout = 0;
  for (const NamedPath& o : outputs) toStdout += !o.path.empty() && IsStandardOutput(o.path);
  if (toStdout > 1) UsageError("\"-\" (standard output) takes a single output");
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const NamedPath& o = outputs[i];
    if (o.path.empty() || IsStandardOutput(o.path) || o.path == "/dev/null") continue;
    for (std::size_t j = 0; j < i; ++j)
      if (!outputs[j].path.empty() && SameFile(o.path, outputs[j].path))
        UsageError(o.option + " " + o.path + " and " + outputs[j].option + " " + outputs[j].path +
                   " are the same file");
    for (const NamedPath& in : inputs)
      if (!in.path.empty() && SameFile(o.path, in.path))
        UsageError(o.option + " " + o.path + " would replace " + in.option + " " + in.path);
    const std::string_view name = FileName(o.path);
    for (const std::string& scan : scans)
      if (FileName(scan) == name && SameFile(o.path, scan))
        UsageError(o.option + " " + o.path + " would replace the scan file " + scan);
  }
}

}  // namespace corvelane::cli
