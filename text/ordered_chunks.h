#pragma once
// Large text files made in pieces: chunks of text formatted on several
// threads, handed to the writer in order, so formatting and writing overlap.
#include <cstddef>
#include <functional>
#include <string_view>

namespace corvelane {

// Writes rows first .. last-1 into `buffer` (room for rowBytesBound bytes
// per row, as given below) and returns the bytes written.
using RowFormatter = std::function<std::size_t(std::size_t first, std::size_t last, char* buffer)>;

// Formats rows 0 .. rows-1 in chunks of about 2 MB with `threads` threads
// (0: one per core; 1: on the calling thread), a few chunks ahead of the one
// being handed to `sink`; `sink` runs on the calling thread and sees the
// chunks in row order. An exception from either is rethrown here once every
// thread has stopped.
void WriteRowsInOrder(std::size_t rows, std::size_t rowBytesBound, unsigned threads, const RowFormatter& format,
                      const std::function<void(std::string_view)>& sink);

}  // namespace corvelane
