#pragma once
// The command line's header files (--leaf-header, --transect-header): one
// "Label: value" line per box of a header window.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// The label is the text before the first colon of a line, the value the text
// after it, both trimmed of blanks. Labels are the box captions, matched
// without regard to letter case; a caption's own trailing colon is not part of
// the label ("File name: Site 4"). Empty lines and lines whose first non-blank
// character is "#" are ignored; a label given twice keeps its last value;
// labels not given stay empty. Returns one text per caption. Throws
// RunFailure of kind Usage naming `file`, the line and why.
std::vector<std::string> ParseLabelValueText(std::string_view text, std::span<const std::string_view> captions,
                                             const std::string& file);

// Reads `path` and parses it as above. Throws RunFailure of kind Usage (the
// file is part of the request) naming the file, the line and why.
std::vector<std::string> ReadLabelValueFile(const std::string& path, std::span<const std::string_view> captions);

}  // namespace corvelane
