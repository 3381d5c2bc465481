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

// A header block as written in place of a reflectance file's title and
// column-head lines: its rows, the column-head rows (label, date, time,
// temperature: 0 to 3) whose per-scan texts fill the rows marked perScan 0,
// 1 and 2, and whether each per-scan text is padded to the next print zone.
struct HeaderBlock {
  std::vector<HeaderRow> rows;
  std::array<int, 3> perScanHeads{0, 1, 2};
  bool zoneFill = true;
};

// The leaf block: label, date and time per scan, print-zone padded.
HeaderBlock LeafHeaderBlock(const LeafHeaderTexts& texts);

// Appends a header value as one comma-separated field: as it is, or, when it
// holds a comma, a double quote or a line break, in double quotes with each
// inner double quote doubled.
void AppendHeaderValue(std::string& out, std::string_view value);

// Appends the block: per row the label, ",", the value (AppendHeaderValue); on the per-scan rows
// then each scan's text, a print-zone fill and ","; lines end with CR LF.
// `perScan[0..2]` hold the file labels, dates and times of the scans.
void AppendHeaderBlock(std::string& out, const std::vector<HeaderRow>& rows,
                       const std::array<const std::vector<std::string>*, 3>& perScan, bool zoneFill);

// The command line's leaf header file, read by ReadLabelValueFile with the 14
// box captions. Throws RunFailure of kind Usage naming the file, the line and why.
LeafHeaderTexts ReadLeafHeaderFile(const std::string& path);

}  // namespace corvelane
