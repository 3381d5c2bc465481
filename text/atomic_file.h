#pragma once
// Output files are written under a temporary name in their folder and renamed
// into place when complete, so a failure never leaves a half-written file
// under the chosen name; an existing file is replaced only by a complete one.
#include <cstdio>
#include <string>
#include <string_view>

namespace corvelane {

class AtomicFileWriter {
 public:
  // Throws RunFailure when the temporary file cannot be created.
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();  // removes the temporary file unless Commit() succeeded
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);  // throws RunFailure on a write error
  void Commit();                       // flushes, closes and renames; throws RunFailure

 private:
  std::string path_;
  std::string tempPath_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

}  // namespace corvelane
