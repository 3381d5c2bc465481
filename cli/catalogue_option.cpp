#include "cli/catalogue_option.h"

#include <CLI/CLI.hpp>

#include "text/failure.h"

namespace corvelane::cli {

void CatalogueOption::Add(CLI::App& command) {
  command.add_option("--catalogue", names_,
                     "Catalogue entries NAME[,NAME...] or all, computed for every scan column into --long-indices");
  command.add_option("--catalogue-file", file_,
                     "A catalogue file (name,expression,bands,citation,notes) whose entries add to the shipped ones "
                     "or replace those of the same name");
  command.add_option("--long-indices", output_,
                     "Write the catalogue entries to PATH: one row per scan and index "
                     "(path,label,date,time,index,value,bands,citation)");
}

void CatalogueOption::Prepare() {
  const auto usage = [](std::string why) { Fail(std::move(why), FailureKind::Usage); };
  if (names_.empty() && !output_.empty()) usage("--long-indices needs --catalogue NAME[,NAME...] or --catalogue all");
  if (!names_.empty() && output_.empty()) usage("--catalogue entries are written only to --long-indices PATH");
  if (names_.empty()) usage("--catalogue-file needs --catalogue NAME[,NAME...] or --catalogue all");
  entries_ = SelectCatalogueEntries(LoadCatalogue(file_), names_);
}

void CatalogueOption::Write(const ReflectanceTable& table, const CatalogueValues& values) const {
  WriteLongIndexFile(table, table.path, entries_, values, output_);
}

}  // namespace corvelane::cli
