#pragma once
// Comma-separated option values and table fields: "a, b ,c".
#include <string>
#include <string_view>
#include <vector>

#include "text/text_input.h"

namespace corvelane {

// The items of `text`, each trimmed of blanks; "" is one empty item and "a,"
// ends in an empty one.
inline std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> items;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    items.emplace_back(Trim(text.substr(start, comma == std::string_view::npos ? comma : comma - start)));
    if (comma == std::string_view::npos) return items;
    start = comma + 1;
  }
}

}  // namespace corvelane
