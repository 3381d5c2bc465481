// libFuzzer target: any bytes as inst.cof, then a record added, updated and
// deleted. The table may be refused; a record added without a failure must be
// there afterwards with its coefficients, and gone after its deletion.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "calibration/instrument_table.h"
#include "text/failure.h"

namespace {

std::size_t CountNamed(const std::string& path, const std::string& name) {
  std::size_t n = 0;
  for (const auto& r : corvelane::LoadInstruments(path)) n += r.name == name;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvelane;
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");  // a memory-backed folder makes each run far faster
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvelane-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) __builtin_trap();
    return pattern;
  }();
  const std::string path = InstrumentFilePath(folder);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) __builtin_trap();
  }
  const std::string name = "fuzz added";
  const std::array<std::string, 6> first = {"1", "2", "3", "4", "5", "6"};
  const std::array<std::string, 6> second = {"6", "5", "4", "3", "2", "1"};
  try {
    const std::size_t before = CountNamed(path, name);
    AddInstrument(path, name, first);
    if (CountNamed(path, name) != before + 1) __builtin_trap();
    if (before == 0) {
      const auto records = LoadInstruments(path);
      const auto i = FindInstrument(records, name);
      if (!i || records[*i].coefficients != first) __builtin_trap();
      if (!UpdateInstrument(path, name, second)) __builtin_trap();
      const auto updated = LoadInstruments(path);
      const auto j = FindInstrument(updated, name);
      if (!j || updated[*j].coefficients != second || updated.size() != records.size()) __builtin_trap();
      if (!DeleteInstrument(path, name)) __builtin_trap();
      if (CountNamed(path, name) != 0) __builtin_trap();
    }
  } catch (const RunFailure&) {
  }
  return 0;
}
