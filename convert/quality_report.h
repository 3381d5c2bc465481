#pragma once
// The quality report of a run: one RFC 4180 row per scan (CR LF), its
// header facts and what the checks of real field scans found.
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "convert/scan_facts.h"

namespace corvelane {

// The head row, without its line end.
inline constexpr std::string_view kQualityReportHead =
    "path,label,date,time,temperature,integration_ms,saturated_target,saturated_panel,dark_scan,dark_corrected,"
    "dark_subtracted,zero_panel,wavelength_mismatch_nm,status_on_grid,shared_label";

// The report of `result` (whose facts were kept) for the scans `files`, in
// list order.
std::string QualityReportText(const ConversionResult& result, const std::vector<std::string>& files);

}  // namespace corvelane
