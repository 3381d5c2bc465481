#pragma once
// Memory for buffers of megabytes that live for a whole run. On a virtual
// machine every first touch of a 4 KiB page costs microseconds; such buffers
// ask the kernel for 2 MiB pages instead, where it offers them.
#include <cstddef>
#include <memory>

namespace corvelane {

// Uninitialised bytes; throws std::bad_alloc. Free with FreeLarge(p, bytes).
// `hugePages` false suits buffers of which only a part may ever be touched:
// a huge page is zeroed whole at its first touch.
void* AllocateLarge(std::size_t bytes, bool hugePages = true);
void FreeLarge(void* p, std::size_t bytes) noexcept;

// A byte buffer of fixed size from AllocateLarge.
class LargeBuffer {
 public:
  LargeBuffer() = default;
  explicit LargeBuffer(std::size_t bytes, bool hugePages = true)
      : data_(static_cast<char*>(AllocateLarge(bytes, hugePages))), size_(bytes) {}
  LargeBuffer(LargeBuffer&& o) noexcept : data_(o.data_), size_(o.size_) { o.data_ = nullptr, o.size_ = 0; }
  LargeBuffer& operator=(LargeBuffer&& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    return *this;
  }
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;
  ~LargeBuffer() {
    if (data_) FreeLarge(data_, size_);
  }
  char* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace corvelane
