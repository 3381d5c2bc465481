// libFuzzer target: any bytes as a leaf or transect header file, then the
// header block written from what was read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "headers/label_value_file.h"
#include "headers/leaf_header.h"
#include "headers/transect_header.h"
#include "text/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvelane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> names = {"a", "b"}, dates = {"d1", "d2"}, times = {"t1", "t2"};
  try {
    const auto& captions = LeafHeaderBoxLabels();
    const std::vector<std::string> values = ParseLabelValueText(text, captions, "leaf.txt");
    if (values.size() != captions.size()) __builtin_trap();
    LeafHeaderTexts leaf;
    for (std::size_t i = 0; i < leaf.size(); ++i) leaf[i] = values[i];
    std::string out;
    AppendHeaderBlock(out, LeafHeaderTable(leaf), {&names, &dates, &times}, true);
  } catch (const RunFailure&) {
  }
  try {
    const auto& captions = TransectHeaderBoxLabels();
    const std::vector<std::string> values = ParseLabelValueText(text, captions, "transect.txt");
    if (values.size() != captions.size()) __builtin_trap();
    TransectHeaderTexts transect;
    for (std::size_t i = 0; i < transect.size(); ++i) transect[i] = values[i];
    const HeaderBlock block = TransectHeaderBlock(transect);
    std::string out;
    AppendHeaderBlock(out, block.rows, {&names, &times, &dates}, block.zoneFill);
  } catch (const RunFailure&) {
  }
  return 0;
}
