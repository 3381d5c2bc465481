// libFuzzer target: any bytes as a reflectance table through the index run's
// reader, every kind of index and both output texts. The reader may refuse
// the table; nothing may crash, and no value written may be Inf or NaN.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "indices/index_run.h"
#include "text/failure.h"

namespace {

bool HoldsNonFinite(const std::string& text) {
  for (const char* word : {"nan", "NaN", "inf", "Inf"})
    if (text.find(word) != std::string::npos) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvelane;
  static const int fd = ::memfd_create("table", 0);
  if (fd < 0) __builtin_trap();
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) __builtin_trap();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  try {
    const ReflectanceTable table = ReadReflectanceFile(path, 1);
    const std::vector<IndexDefinition> definitions = {
        {"ND", "800", "670", IndexFormula::NormalisedDifference, IndexSource::Reflectance},
        {"SR", "2", "1", IndexFormula::SimpleRatio, IndexSource::Reflectance},
        {"dND", "531", "570", IndexFormula::NormalisedDifference, IndexSource::Derivative},
    };
    for (const IndexDefinition& d : definitions) {
      try {
        const std::vector<IndexDefinition> one = {d};
        const IndexTable values = ComputeIndices(table, one);
        (void)IndexFileText(table, one, values);
      } catch (const RunFailure&) {
      }
    }
    const std::string derivative = DerivativeFileText(table);
    // The derivative file's head rows repeat the table's texts; only its data rows are checked.
    const std::size_t head = derivative.find("\r\n,\r\n");
    if (head != std::string::npos && HoldsNonFinite(derivative.substr(head))) __builtin_trap();
  } catch (const RunFailure&) {
  }
  return 0;
}
