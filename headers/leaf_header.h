#pragma once
// The leaf header block that may open a UniSpec reflectance file in place of
// its title and column-head lines.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// The 14 texts of the Leaf Header window, Text1..Text14 in order.
using LeafHeaderTexts = std::array<std::string, 14>;

// Captions of the 14 boxes of the Leaf Header window ("File name:", ...).
const std::array<std::string_view, 14>& LeafHeaderBoxLabels() noexcept;

struct HeaderRow {
  std::string label;
  std::string value;
  int perScan = -1;  // -1: none; 0: file label; 1: date; 2: time of each scan
};

// The 26 rows of the leaf header table.
std::vector<HeaderRow> LeafHeaderTable(const LeafHeaderTexts& texts);

// Appends the block: per row the label, ",", the value; on the per-scan rows
// then each scan's text, a print-zone fill and ","; lines end with CR LF.
// `perScan[0..2]` hold the file labels, dates and times of the scans.
void AppendHeaderBlock(std::string& out, const std::vector<HeaderRow>& rows,
                       const std::array<const std::vector<std::string>*, 3>& perScan, bool zoneFill);

// The command line's leaf header file: one "Label: value" line per box, the
// label being a box caption without its colon ("Person responsible: Ana"),
// in any order; empty lines and lines starting with "#" are ignored; boxes not
// named stay empty. Reads the file at `path`; throws RunFailure of kind Usage
// (the file is part of the request) naming the file, the line and why.
LeafHeaderTexts ReadLeafHeaderFile(const std::string& path);

}  // namespace corvelane
