#pragma once
// Output files are written under a short temporary name in their folder and
// renamed into place when complete, so a failure never leaves a half-written
// file under the chosen name; an existing file is replaced only by a complete
// one, keeping its mode and owner. A name that leads through a symbolic link
// replaces the file the link points to. A name that is not a regular file (a
// device such as /dev/null, a pipe) is written straight through, as is "-"
// or /dev/stdout, which mean standard output.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace corvelane {

class AtomicFileWriter {
 public:
  // Throws RunFailure when the file cannot be created.
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();  // removes the temporary file unless Commit() succeeded
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);  // throws RunFailure on a write error
  void Commit();                       // flushes, closes and renames; throws RunFailure

  // The temporary name while the file is written; empty when writing through.
  const std::string& TemporaryPath() const noexcept { return tempPath_; }

 private:
  void OpenThrough(int fd);
  void OpenTemporary(const std::string& target, const struct stat* existing);

  std::string path_;    // as given, for messages
  std::string target_;  // the file renamed onto
  std::string tempPath_;
  std::FILE* file_ = nullptr;
  int slot_ = -1;
  bool committed_ = false;
};

// Whether `path` names standard output ("-" or /dev/stdout).
bool IsStandardOutput(std::string_view path) noexcept;

// Whether two names reach the same file: compared resolved (".", "..",
// symbolic links, the working folder) and, for files that exist, by device
// and inode (a hard link).
bool NamesSameFile(const std::string& a, const std::string& b);

// Removes the temporary files of every writer still open. Safe in a signal
// handler.
void RemoveTemporaryFiles() noexcept;

// On SIGINT, SIGTERM and SIGHUP: remove the temporary files, then end as the
// signal would have. SIGXFSZ is ignored: a write past the file size limit fails.
void RemoveTemporaryFilesOnSignals();

}  // namespace corvelane
