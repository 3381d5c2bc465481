#pragma once
// Reading many small files with few system calls. On a virtual machine each
// system call costs microseconds, and a run reads four per scan (stat, open,
// read, close); a batch hands them to the kernel together through io_uring
// where the system offers it. Anything out of the ordinary is left to
// ReadFileBounded, which reads it (or fails) exactly as it always does.
#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "text/text_input.h"

namespace corvelane {

class BatchReader {
 public:
  // The most files one Read takes.
  static constexpr std::size_t kMaxBatch = 16;

  BatchReader();  // without io_uring (not built in, or refused) it reads nothing ahead
  ~BatchReader();
  BatchReader(const BatchReader&) = delete;
  BatchReader& operator=(const BatchReader&) = delete;

  // Reads the regular files of `paths` (at most kMaxBatch) that fit the read
  // limit into `buffers`, with their identities; read[i] tells which. A file
  // not read here (any failure, a special file, a large or growing file)
  // is for ReadFileBounded.
  void Read(std::span<const std::string* const> paths, std::span<std::string> buffers,
            std::span<FileIdentity> identities, std::span<bool> read) noexcept;

  bool Batches() const noexcept { return ring_ != nullptr; }

 private:
  struct Ring;
  std::unique_ptr<Ring> ring_;
};

}  // namespace corvelane
