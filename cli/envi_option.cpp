#include "cli/envi_option.h"

#include <CLI/CLI.hpp>

#include "text/failure.h"

namespace corvelane::cli {

void EnviOption::Add(CLI::App& convert) {
  convert.add_option("--envi", path_,
                     "Write an ENVI spectral library (float32, one spectrum per line) to FILE.sli and its header to "
                     "FILE.hdr (the extension replaced; .hdr added to a name without one): the reflectance, or the "
                     "quantity of --envi-quantity, after the long table, before the quality report; spectra names are "
                     "the labels, with the scan's date where labels repeat; 999 marks are NaN");
  convert.add_option("--envi-quantity", quantity_,
                     "The quantity of the ENVI library: reflectance (default), absorbance, target, panel (as the "
                     "format offers them; computed for the library even without their table) or corrected (with "
                     "--corrected)");
}

std::vector<NamedPath> EnviOption::Outputs() const {
  if (path_.empty()) return {};
  return {{"--envi", path_}, {"--envi (its header)", EnviHeaderPath(path_)}};
}

std::optional<EnviQuantity> EnviOption::Quantity(bool corrects) const {
  if (path_.empty()) {
    if (!quantity_.empty()) Fail("--envi-quantity goes with --envi FILE.sli", FailureKind::Usage);
    return std::nullopt;
  }
  CheckEnviPath(path_);
  const std::optional<EnviQuantity> q =
      quantity_.empty() ? std::optional(EnviQuantity::Reflectance) : EnviQuantityNamed(quantity_);
  if (!q)
    Fail("--envi-quantity takes reflectance, absorbance, target, panel or corrected, not \"" + quantity_ + "\"",
         FailureKind::Usage);
  if (*q == EnviQuantity::Corrected && !corrects)
    Fail("--envi-quantity corrected needs the corrected reflectance: --reference-scan SCAN... --corrected PATH",
         FailureKind::Usage);
  return q;
}

}  // namespace corvelane::cli
