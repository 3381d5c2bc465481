#pragma once
// The predefined indices of the INDEX file: three free-text lines, then one
// record per index, read item by item: name, A, B and a formula code (1 the
// normalised difference, any other value the simple ratio). Items end at a
// comma or a line end (numbers also at a blank); blanks around them go.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "indices/index_values.h"

namespace corvelane {

// The quick picks: there are eight buttons, so at most eight records are used.
inline constexpr std::size_t kMaxPresets = 8;

struct IndexPreset {
  std::string name;
  std::string a;  // the texts as they stand in the file
  std::string b;
  double code = 1;

  IndexFormula Formula() const noexcept {
    return code == 1 ? IndexFormula::NormalisedDifference : IndexFormula::SimpleRatio;
  }
  // As a reflectance index.
  IndexDefinition Definition() const { return {name, a, b, Formula(), IndexSource::Reflectance}; }
};

// The records of `text` up to `limit`. A damaged record (a missing item, A, B
// or the code not a number) ends the reading silently; the records before it
// are kept.
std::vector<IndexPreset> ParsePresets(std::string_view text, std::size_t limit = kMaxPresets);

// The same from a file; no records when the file cannot be read.
std::vector<IndexPreset> ReadPresetFile(const std::string& path, std::size_t limit = kMaxPresets);

// Record `position` (0-based) of the file, read afresh; nothing when the file
// is gone or the record is damaged.
std::optional<IndexPreset> ReadPreset(const std::string& path, std::size_t position);

}  // namespace corvelane
