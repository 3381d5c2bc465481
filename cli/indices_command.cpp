#include "cli/indices_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/run_files.h"
#include "indices/index_presets.h"
#include "indices/index_run.h"
#include "instruments/variant.h"
#include "text/failure.h"
#include "text/text_input.h"

namespace corvelane::cli {

namespace {

[[noreturn]] void UsageError(std::string why) { Fail(std::move(why), FailureKind::Usage); }

IndexDefinition PresetArgument(const std::string& name, const std::vector<IndexPreset>& presets) {
  const std::string_view wanted = Trim(name);
  for (const IndexPreset& p : presets)
    if (p.name == wanted) return p.Definition();
  std::string known;
  for (const IndexPreset& p : presets) known += (known.empty() ? "" : ", ") + p.name;
  UsageError(
      "--preset \"" + std::string(wanted) + "\" is not among the indices of ./INDEX (" +
      (known.empty() ? std::string("none found: the file is missing or holds no readable record") : "found: " + known) +
      ")");
}

}  // namespace

IndicesCommand::IndicesCommand(CLI::App& app) {
  command_ = app.add_subcommand("indices", "Index and derivative files from a reflectance file the conversion wrote");
  command_
      ->add_option("--index", indexArgs_,
                   "An index NAME,A,B,FORMULA,SOURCE: wavelengths A and B in nm, FORMULA nd ((A-B)/(A+B), or 1) "
                   "or ratio (A/B, or 2), SOURCE reflectance (1) or derivative (2); repeatable")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command_
      ->add_option("--preset", presetArgs_,
                   "An index by its name in ./INDEX (one of its first eight records), from reflectance; repeatable")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command_->add_option("--index-file", indexFile_, "Write the index file to PATH (needs at least one index)");
  command_->add_option("--derivative-file", derivativeFile_, "Write the first-derivative file to PATH");
  catalogue_.Add(*command_);
  command_->add_option("REFLECTANCE", reflectance_,
                       "The reflectance file (comma-separated, as the conversion writes it)");
  command_->footer(
      "Indices are taken in command-line order, --index and --preset mixed. Rows are counted in grid steps from the "
      "first wavelength and must stand at the wavelengths asked for (a table with a missing row fails); a zero "
      "denominator gives 999, and so does every index or derivative that reads a 999 mark.\n"
      "Catalogue entries are expressions over bands, each the mean of the grid points inside a range or the value "
      "at one wavelength; a value that cannot be formed is an empty field.\n"
      "Exit status: 0 every output written; 1 the run failed (stderr says where and why); 2 usage error.");
}

bool IndicesCommand::Parsed() const { return command_->parsed(); }

int IndicesCommand::Run() {
  // Failures reach the command line's one report (usage 2, run 1).
  std::vector<IndexDefinition> definitions;
  {
    if (reflectance_.size() != 1)
      UsageError("indices takes exactly one REFLECTANCE file, not " + std::to_string(reflectance_.size()));
    RefuseOutputsOverInputs(
        {{"--index-file", indexFile_}, {"--derivative-file", derivativeFile_}, {"--long-indices", catalogue_.Output()}},
        {{"REFLECTANCE", reflectance_.front()},
         {"--preset", presetArgs_.empty() ? "" : "INDEX"},
         {"--catalogue-file", catalogue_.File()}});
    // --index and --preset in the order they were given.
    std::vector<IndexPreset> presets;
    bool presetsRead = false;
    std::size_t nextIndex = 0, nextPreset = 0;
    for (const CLI::Option* option : command_->parse_order()) {
      if (option->get_name() == "--index") {
        definitions.push_back(ParseIndexOption(indexArgs_.at(nextIndex++), IndexOptionFields::WithSource));
      } else if (option->get_name() == "--preset") {
        if (!presetsRead) presets = ReadPresetFile("INDEX");
        presetsRead = true;
        definitions.push_back(PresetArgument(presetArgs_.at(nextPreset++), presets));
      }
    }
    if (indexFile_.empty() && derivativeFile_.empty() && !catalogue_.Asked())
      UsageError("choose at least one output: --index-file PATH, --derivative-file PATH");
    if (!indexFile_.empty() && definitions.empty()) UsageError("--index-file needs at least one --index or --preset");
    if (indexFile_.empty() && !definitions.empty())
      UsageError("indices are written only to an index file: add --index-file PATH");
    if (catalogue_.Asked()) catalogue_.Prepare();
  }
  for (const IndexDefinition& d : definitions)
    if (d.name.find_first_of(",\r\n") != std::string::npos)
      std::cerr << "corvelane: warning: the index name \"" << Printable(d.name)
                << "\" holds a comma, CR or LF; each is written as \"_\" in the index file\n";
  const ReflectanceTable table = ReadReflectanceFile(reflectance_.front());
  // Every index and band is found on the table before a warning is given or any file is written.
  IndexTable values;
  if (!indexFile_.empty()) values = ComputeIndices(table, definitions);
  CatalogueValues catalogueValues;
  if (catalogue_.Asked()) catalogueValues = catalogue_.Compute(table);
  if (const std::string warning = MarkedColumnsWarning(
          table, indexFile_.empty() ? std::vector<IndexDefinition>{} : definitions, !derivativeFile_.empty());
      !warning.empty())
    std::cerr << "corvelane: warning: " << warning << "\n";
  if (!indexFile_.empty()) WriteIndexFile(table, definitions, values, indexFile_);
  if (!derivativeFile_.empty()) WriteDerivativeFile(table, derivativeFile_);
  if (catalogue_.Asked()) catalogue_.Write(table, catalogueValues);
  return kOk;
}

}  // namespace corvelane::cli
