#include "text/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/failure.h"

namespace corvelane {

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  const auto slash = path_.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  if (name.empty()) FailFile(path_, "cannot write the file: the name is empty");
  std::string pattern = folder + "." + name + ".tmp-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkstemp(buf.data());
  if (fd < 0) FailFile(path_, std::string("cannot create the file: ") + std::strerror(errno));
  tempPath_.assign(buf.data());
  // mkstemp makes the file private; give it the permissions a new file normally gets.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, static_cast<mode_t>(0666 & ~mask));
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    ::unlink(tempPath_.c_str());
    FailFile(path_, std::string("cannot create the file: ") + std::strerror(err));
  }
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (file_) std::fclose(file_);
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    FailFile(path_, std::string("cannot write the file: ") + std::strerror(errno));
}

void AtomicFileWriter::Commit() {
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0) FailFile(path_, std::string("cannot write the file: ") + std::strerror(errno));
  if (::rename(tempPath_.c_str(), path_.c_str()) != 0)
    FailFile(path_, std::string("cannot put the file in place: ") + std::strerror(errno));
  committed_ = true;
}

}  // namespace corvelane
