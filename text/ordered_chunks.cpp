#include "text/ordered_chunks.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "text/large_buffer.h"
#include "text/parallel_ordered.h"

namespace corvelane {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 21;  // formatted per task before it is written

}  // namespace

void WriteRowsInOrder(std::size_t rows, std::size_t rowBytesBound, unsigned threads, const RowFormatter& formatRows,
                      const std::function<void(std::string_view)>& sink) {
  const std::size_t chunkRows = std::max<std::size_t>(1, kChunkBytes / std::max<std::size_t>(1, rowBytesBound));
  const std::size_t chunks = (rows + chunkRows - 1) / chunkRows;
  const std::size_t bufferBytes = std::min(rows, chunkRows) * rowBytesBound;
  const auto format = [&](std::size_t chunk, char* buffer) {
    const std::size_t first = chunk * chunkRows;
    return formatRows(first, std::min(rows, first + chunkRows), buffer);
  };
  if (chunks == 0) return;
  const std::size_t workers = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
  if (workers == 1 || chunks == 1) {
    LargeBuffer buffer(bufferBytes, false);
    for (std::size_t c = 0; c < chunks; ++c) sink(std::string_view(buffer.data(), format(c, buffer.data())));
    return;
  }
  // Chunk c uses buffer c % ring, free again once chunk c - ring is written.
  const std::size_t ring = std::min(workers + 1, chunks);
  std::vector<LargeBuffer> buffers(ring);
  // Sized for the longest text a chunk may hold; most chunks fill a small
  // part, and only what is written is ever faulted in.
  for (auto& b : buffers) b = LargeBuffer(bufferBytes, false);
  std::vector<std::size_t> bytes(chunks);
  ParallelOrdered(
      {.count = chunks, .block = 1, .threads = static_cast<unsigned>(std::min(workers, ring)), .ahead = ring},
      [&](std::size_t c, std::size_t, unsigned) { bytes[c] = format(c, buffers[c % ring].data()); },
      [&](std::size_t c, std::size_t) { sink(std::string_view(buffers[c % ring].data(), bytes[c])); });
}

}  // namespace corvelane
