#include "cli/format_texts.h"

#include <vector>

namespace corvelane::cli {

namespace {

std::vector<std::string_view> CliNames(FormatTest test) {
  std::vector<std::string_view> names;
  for (const InstrumentVariant& v : AllVariants())
    if (test(v)) names.push_back(v.cliName);
  return names;
}

std::string JoinAnd(const std::vector<std::string_view>& items) {
  std::string s;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) s += i + 1 == items.size() ? " and " : ", ";
    s += items[i];
  }
  return s;
}

}  // namespace

std::string FormatList() {
  return CliNamesCommas([](const InstrumentVariant&) { return true; });
}

std::string CliNamesAnd(FormatTest test) { return JoinAnd(CliNames(test)); }

std::string CliNamesCommas(FormatTest test) {
  std::string s;
  for (std::string_view name : CliNames(test)) (s += s.empty() ? "" : ", ") += name;
  return s;
}

std::string GridDefaults() {
  struct Group {
    std::string grid;
    std::vector<std::string_view> names;
  };
  std::vector<Group> groups;
  for (const InstrumentVariant& v : AllVariants()) {
    const std::string grid = std::string(v.beginText) + "," + std::string(v.endText) + "," + std::string(v.stepText);
    std::size_t g = 0;
    while (g < groups.size() && groups[g].grid != grid) ++g;
    if (g == groups.size()) groups.push_back({grid, {}});
    groups[g].names.push_back(v.cliName);
  }
  std::size_t most = 0;
  for (std::size_t g = 1; g < groups.size(); ++g)
    if (groups[g].names.size() >= groups[most].names.size()) most = g;
  std::string s;
  for (std::size_t g = 0; g < groups.size(); ++g)
    if (g != most) s += groups[g].grid + " for " + JoinAnd(groups[g].names) + ", ";
  return groups.empty() ? s : s + groups[most].grid + " otherwise";
}

}  // namespace corvelane::cli
