#pragma once
// The catalogue part of `corvelane indices`: --catalogue NAMES|all,
// --catalogue-file FILE and --long-indices OUT.
#include <string>
#include <vector>

#include "indices/index_catalogue.h"

namespace CLI {
class App;
}

namespace corvelane::cli {

class CatalogueOption {
 public:
  // Adds the three options to `command`.
  void Add(CLI::App& command);
  // Whether any of them was given.
  bool Asked() const noexcept { return !names_.empty() || !file_.empty() || !output_.empty(); }

  // The long index file and the user's catalogue file as given (empty when
  // not), for the run's check that no output replaces an input.
  const std::string& Output() const noexcept { return output_; }
  const std::string& File() const noexcept { return file_; }

  // Reads the catalogue and picks the entries, before the reflectance file is
  // read. Throws RunFailure (Usage) for an incomplete request, a damaged
  // catalogue file and an unknown entry.
  void Prepare();

  // The values of the chosen entries; every band is found on the table
  // first (RunFailure, kind Run), so nothing is written when one fails.
  CatalogueValues Compute(const ReflectanceTable& table) const { return ComputeCatalogue(table, entries_); }
  // Writes the long index file; the path column holds the reflectance file's
  // path as given.
  void Write(const ReflectanceTable& table, const CatalogueValues& values) const;

 private:
  std::string names_;
  std::string file_;
  std::string output_;
  std::vector<CatalogueEntry> entries_;
};

}  // namespace corvelane::cli
