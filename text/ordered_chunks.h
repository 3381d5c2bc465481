#pragma once
// Large text files made in pieces: chunks of text formatted on several
// threads, handed to the writer in order, so formatting and writing overlap.
#include <cstddef>
#include <functional>
#include <string_view>

namespace corvelane {

// Writes chunk `chunk` into `buffer` (room for the bufferBytes given below)
// and returns the bytes written.
using ChunkFormatter = std::function<std::size_t(std::size_t chunk, char* buffer)>;

// Formats chunks 0 .. chunks-1 with `threads` threads (0: one per core; 1:
// on the calling thread), a few chunks ahead of the one being handed to
// `sink`; `sink` runs on the calling thread and sees the chunks in order. An
// exception from either is rethrown here once every thread has stopped.
void WriteChunksInOrder(std::size_t chunks, std::size_t bufferBytes, unsigned threads, const ChunkFormatter& format,
                        const std::function<void(std::string_view)>& sink);

}  // namespace corvelane
