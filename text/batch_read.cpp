#include "text/batch_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <unistd.h>

#include <array>
#include <cerrno>

#ifdef CORVELANE_WITH_URING
#include <liburing.h>
#endif

namespace corvelane {

#ifdef CORVELANE_WITH_URING

struct BatchReader::Ring {
  io_uring ring{};
  std::array<struct statx, kMaxBatch> stats{};
  std::array<int, kMaxBatch> fds{};
  std::array<int, kMaxBatch> results{};
};

namespace {

// Submits what is queued and takes `count` completions, each result by its
// entry's index. False when the ring failed; it is then not used again.
bool Complete(io_uring& ring, std::size_t count, std::array<int, BatchReader::kMaxBatch>& results) {
  int submitted = 0;
  do submitted = io_uring_submit_and_wait(&ring, static_cast<unsigned>(count));
  while (submitted == -EINTR);
  if (submitted < 0) return false;
  for (std::size_t taken = 0; taken < count; ++taken) {
    io_uring_cqe* cqe = nullptr;
    int got = 0;
    do got = io_uring_wait_cqe(&ring, &cqe);
    while (got == -EINTR);
    if (got < 0) return false;
    results[static_cast<std::size_t>(cqe->user_data)] = cqe->res;
    io_uring_cqe_seen(&ring, cqe);
  }
  return true;
}

}  // namespace

BatchReader::BatchReader() {
  auto ring = std::make_unique<Ring>();
  if (io_uring_queue_init(2 * kMaxBatch, &ring->ring, 0) == 0) ring_ = std::move(ring);
}

BatchReader::~BatchReader() {
  if (ring_) io_uring_queue_exit(&ring_->ring);
}

void BatchReader::Read(std::span<const std::string* const> paths, std::span<std::string> buffers,
                       std::span<FileIdentity> identities, std::span<bool> read) noexcept {
  const std::size_t n = std::min(paths.size(), kMaxBatch);
  for (std::size_t i = 0; i < n; ++i) read[i] = false;
  if (!ring_ || n == 0) return;
  Ring& r = *ring_;
  io_uring& ring = r.ring;
  const auto broken = [&] {  // an error of the ring itself: plain reads from now on
    io_uring_queue_exit(&ring);
    ring_.reset();
  };
  // The type and size of each file first: nothing but a regular file is opened.
  for (std::size_t i = 0; i < n; ++i) {
    io_uring_sqe* sqe = io_uring_get_sqe(&ring);
    io_uring_prep_statx(sqe, AT_FDCWD, paths[i]->c_str(), AT_STATX_SYNC_AS_STAT, STATX_TYPE | STATX_SIZE | STATX_INO,
                        &r.stats[i]);
    io_uring_sqe_set_data64(sqe, i);
  }
  if (!Complete(ring, n, r.results)) return broken();
  // Buffers sized before anything is opened: one byte more than the size, so
  // a file that grew meanwhile is seen and read again plainly.
  std::array<bool, kMaxBatch> wanted{};
  try {
    for (std::size_t i = 0; i < n; ++i) {
      const struct statx& st = r.stats[i];
      wanted[i] = r.results[i] == 0 && S_ISREG(st.stx_mode) && st.stx_size <= kMaxReadBytes;
      if (wanted[i]) buffers[i].resize(static_cast<std::size_t>(st.stx_size) + 1);
    }
  } catch (...) {
    return;  // no memory for a buffer: these files are read plainly
  }
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!wanted[i]) continue;
    io_uring_sqe* sqe = io_uring_get_sqe(&ring);
    io_uring_prep_openat(sqe, AT_FDCWD, paths[i]->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0);
    io_uring_sqe_set_data64(sqe, i);
    ++count;
  }
  if (count == 0) return;
  if (!Complete(ring, count, r.results)) return broken();
  count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    r.fds[i] = wanted[i] && r.results[i] >= 0 ? r.results[i] : -1;
    if (r.fds[i] < 0) continue;
    io_uring_sqe* sqe = io_uring_get_sqe(&ring);
    io_uring_prep_read(sqe, r.fds[i], buffers[i].data(), static_cast<unsigned>(buffers[i].size()), 0);
    io_uring_sqe_set_data64(sqe, i);
    ++count;
  }
  if (count == 0) return;
  const bool readsDone = Complete(ring, count, r.results);
  count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (r.fds[i] < 0) continue;
    // Less than asked: the whole file, as a plain read takes it.
    if (readsDone && r.results[i] >= 0 && static_cast<std::size_t>(r.results[i]) < buffers[i].size()) {
      buffers[i].resize(static_cast<std::size_t>(r.results[i]));
      identities[i] = {static_cast<std::uint64_t>(makedev(r.stats[i].stx_dev_major, r.stats[i].stx_dev_minor)),
                       static_cast<std::uint64_t>(r.stats[i].stx_ino)};
      read[i] = true;
    }
    if (readsDone) {
      io_uring_sqe* sqe = io_uring_get_sqe(&ring);
      io_uring_prep_close(sqe, r.fds[i]);
      io_uring_sqe_set_data64(sqe, i);
      ++count;
    } else {
      ::close(r.fds[i]);
    }
  }
  if (!readsDone) return broken();
  if (count > 0 && !Complete(ring, count, r.results)) broken();
}

#else

struct BatchReader::Ring {};
BatchReader::BatchReader() = default;
BatchReader::~BatchReader() = default;
void BatchReader::Read(std::span<const std::string* const> paths, std::span<std::string>, std::span<FileIdentity>,
                       std::span<bool> read) noexcept {
  for (std::size_t i = 0; i < paths.size() && i < read.size(); ++i) read[i] = false;
}

#endif

}  // namespace corvelane
