// libFuzzer target: any bytes as the INDEX file, every record read and its
// rows found on a table of 1-nm rows from 400 nm.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "indices/index_presets.h"
#include "text/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvelane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const IndexPreset& p : ParsePresets(text, 1000)) {
    try {
      const IndexRows rows = ResolveIndexRows(p.Definition(), 400, 1, 601, "INDEX");
      if (rows.a >= 601 || rows.b >= 601) __builtin_trap();
    } catch (const RunFailure&) {
    }
  }
  return 0;
}
