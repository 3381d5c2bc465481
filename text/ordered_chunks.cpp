#include "text/ordered_chunks.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "text/large_buffer.h"
#include "text/thread_start.h"

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
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::size_t> bytes(chunks);
  std::vector<char> formatted(chunks, 0);
  std::size_t nextChunk = 0, written = 0;
  bool stop = false;
  std::exception_ptr formatFailure;
  const auto formatter = [&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return stop || nextChunk >= chunks || nextChunk < written + ring; });
      if (stop || nextChunk >= chunks) return;
      const std::size_t c = nextChunk++;
      lock.unlock();
      std::size_t n = 0;
      std::exception_ptr failed;
      try {
        n = format(c, buffers[c % ring].data());
      } catch (...) {
        failed = std::current_exception();
      }
      lock.lock();
      if (failed) {
        if (!formatFailure) formatFailure = failed;
        stop = true;
      }
      bytes[c] = n;
      formatted[c] = 1;
      changed.notify_all();
    }
  };
  const auto stopAll = [&] {
    std::lock_guard guard(mutex);
    stop = true;
    changed.notify_all();
  };
  {
    std::vector<std::jthread> pool;
    try {
      // With no formatter started (the system refused every thread) the
      // chunks are formatted here, in turn with writing them.
      if (StartThreads(pool, std::min(workers, ring), [&](std::size_t) { formatter(); }) == 0) {
        for (std::size_t c = 0; c < chunks; ++c)
          sink(std::string_view(buffers[0].data(), format(c, buffers[0].data())));
        return;
      }
      for (std::size_t c = 0; c < chunks; ++c) {
        std::size_t n = 0;
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return formatted[c] || formatFailure; });
          if (formatFailure) break;
          n = bytes[c];
        }
        sink(std::string_view(buffers[c % ring].data(), n));
        std::lock_guard guard(mutex);
        written = c + 1;
        changed.notify_all();
      }
    } catch (...) {
      stopAll();
      throw;  // the pool joins on the way out
    }
    stopAll();
  }
  if (formatFailure) std::rethrow_exception(formatFailure);
}

}  // namespace corvelane
