#include "text/atomic_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "text/failure.h"

namespace corvelane {

namespace {

// Temporary files being written, for removal from a signal handler.
std::array<std::atomic<const char*>, 64> gTemporaries{};

int Register(const char* path) noexcept {
  for (std::size_t i = 0; i < gTemporaries.size(); ++i) {
    const char* expected = nullptr;
    if (gTemporaries[i].compare_exchange_strong(expected, path)) return static_cast<int>(i);
  }
  return -1;
}

void Unregister(int slot) noexcept {
  if (slot >= 0) gTemporaries[static_cast<std::size_t>(slot)].store(nullptr);
}

[[noreturn]] void FailErrno(const std::string& path, const char* what, int err) {
  FailFile(path, std::string(what) + std::strerror(err));
}

void CleanUpAndRaise(int signal) {
  RemoveTemporaryFiles();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

bool IsStandardOutput(std::string_view path) noexcept { return path == "-" || path == "/dev/stdout"; }

void RemoveTemporaryFiles() noexcept {
  for (auto& slot : gTemporaries)
    if (const char* p = slot.exchange(nullptr)) ::unlink(p);
}

void RemoveTemporaryFilesOnSignals() {
  // Past a file size limit (ulimit -f) a write fails with EFBIG instead of
  // ending the program, so the failure is reported and the temporary file removed.
  std::signal(SIGXFSZ, SIG_IGN);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    action.sa_handler = CleanUpAndRaise;
    sigemptyset(&action.sa_mask);
    ::sigaction(s, &action, nullptr);
  }
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  if (path_.empty()) FailFile(path_, "cannot write the file: the name is empty");
  if (IsStandardOutput(path_)) {
    OpenThrough(::fcntl(1, F_DUPFD_CLOEXEC, 3));
    return;
  }
  struct stat st {};
  if (::lstat(path_.c_str(), &st) != 0) {
    if (errno != ENOENT) FailErrno(path_, "cannot create the file: ", errno);
    OpenTemporary(path_, nullptr);
    return;
  }
  std::string target = path_;
  if (S_ISLNK(st.st_mode)) {
    if (::stat(path_.c_str(), &st) != 0) {
      // A link to a file not yet there: create that file through the link.
      OpenThrough(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666));
      return;
    }
    char* resolved = ::realpath(path_.c_str(), nullptr);
    if (!resolved) FailErrno(path_, "cannot create the file: ", errno);
    target = resolved;
    std::free(resolved);
  }
  if (S_ISDIR(st.st_mode)) FailFile(path_, "cannot write the file: it is a folder");
  if (!S_ISREG(st.st_mode)) {
    // Devices and pipes are written as they are, never replaced.
    OpenThrough(::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    return;
  }
  if (::access(target.c_str(), W_OK) != 0) FailErrno(path_, "cannot write the file: ", errno);
  OpenTemporary(target, &st);
}

void AtomicFileWriter::OpenThrough(int fd) {
  if (fd < 0) FailErrno(path_, "cannot open the file for writing: ", errno);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    FailErrno(path_, "cannot open the file for writing: ", err);
  }
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

void AtomicFileWriter::OpenTemporary(const std::string& target, const struct stat* existing) {
  target_ = target;
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  if (slash != std::string::npos && slash + 1 == target.size())
    FailFile(path_, "cannot write the file: the name is empty");
  // Short, so a name near the 255-byte limit still has a temporary name.
  std::string pattern = folder + ".cv-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  // A signal between creating and registering the file would leave it behind.
  sigset_t stopping, before;
  sigemptyset(&stopping);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopping, s);
  ::pthread_sigmask(SIG_BLOCK, &stopping, &before);
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  const int err = errno;
  if (fd >= 0) {
    tempPath_.assign(buf.data());
    slot_ = Register(tempPath_.c_str());
  }
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (fd < 0) FailErrno(path_, "cannot create the file: ", err);
  if (existing) {
    // The replacement keeps the mode and, where allowed, the owner of the file it replaces.
    ::fchmod(fd, existing->st_mode & 07777);
    if (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid())
      if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
        // Not allowed to give the file its owner back: write into it instead.
        ::close(fd);
        ::unlink(tempPath_.c_str());
        Unregister(slot_);
        slot_ = -1;
        tempPath_.clear();
        target_.clear();
        OpenThrough(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
        return;
      }
  } else {
    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, static_cast<mode_t>(0666 & ~mask));
  }
  OpenThrough(fd);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (file_) std::fclose(file_);
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
  Unregister(slot_);
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    FailErrno(path_, "cannot write the file: ", errno);
}

void AtomicFileWriter::Commit() {
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0) FailErrno(path_, "cannot write the file: ", errno);
  if (!tempPath_.empty() && ::rename(tempPath_.c_str(), target_.c_str()) != 0)
    FailErrno(path_, "cannot put the file in place: ", errno);
  committed_ = true;
  Unregister(slot_);
  slot_ = -1;
}

bool NamesSameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ea, eb;
  const fs::path ca = fs::weakly_canonical(fs::absolute(a, ea), ea);
  const fs::path cb = fs::weakly_canonical(fs::absolute(b, eb), eb);
  if (!ea && !eb && ca == cb) return true;
  return fs::equivalent(a, b, ea) && !ea;
}

}  // namespace corvelane
