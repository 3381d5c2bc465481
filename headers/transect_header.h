#pragma once
// The transect header block that may open a UniSpec-DC reflectance file in
// place of its empty line and column title block.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "headers/leaf_header.h"

namespace corvelane {

// The 26 texts of the Transect Header Info window, Text1..Text26 in order.
using TransectHeaderTexts = std::array<std::string, 26>;

// Captions of the 26 boxes ("File name:", "Data format?", ...).
const std::array<std::string_view, 26>& TransectHeaderBoxLabels() noexcept;

// The 39 rows of the transect header table. Per-scan rows: 0 the file name
// ("Original file name:"), 1 the time ("Collection time (PST)"), 2 the
// temperature text ("Temp C").
std::vector<HeaderRow> TransectHeaderTable(const TransectHeaderTexts& texts);

// The transect block: per scan the label (column-head row 0), the time (row
// 2) and the temperature (row 3), each directly followed by ",".
HeaderBlock TransectHeaderBlock(const TransectHeaderTexts& texts);

// The command line's transect header file, read by ReadLabelValueFile with
// the 26 box captions. Throws RunFailure of kind Usage naming the file, the
// line and why.
TransectHeaderTexts ReadTransectHeaderFile(const std::string& path);

}  // namespace corvelane
