#pragma once
// The ENVI spectral library of `corvelane convert`: --envi FILE.sli and
// --envi-quantity.
#include <optional>
#include <string>
#include <vector>

#include "cli/run_files.h"
#include "convert/envi_library.h"

namespace CLI {
class App;
}

namespace corvelane::cli {

class EnviOption {
 public:
  // Adds the two options to `convert`.
  void Add(CLI::App& convert);
  bool Asked() const noexcept { return !path_.empty(); }
  const std::string& Path() const noexcept { return path_; }

  // The library and its header, as outputs of the run (none when not asked).
  std::vector<NamedPath> Outputs() const;

  // The quantity asked for; none without --envi. Throws RunFailure (Usage)
  // for --envi-quantity without --envi, an unknown quantity, the corrected
  // reflectance of a run that does not correct (`corrects`: --corrected
  // given) and a path that cannot hold a library.
  std::optional<EnviQuantity> Quantity(bool corrects) const;

 private:
  std::string path_;
  std::string quantity_;
};

}  // namespace corvelane::cli
