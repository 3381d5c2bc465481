#include "text/large_buffer.h"

#include <sys/mman.h>

#include <new>

namespace corvelane {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this, ordinary heap memory: a huge page would mostly stay unused.
constexpr std::size_t kLargeFrom = std::size_t{1} << 20;

std::size_t MappedBytes(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateLarge(std::size_t bytes, bool hugePages) {
  if (bytes < kLargeFrom) return ::operator new(bytes == 0 ? 1 : bytes, std::align_val_t(64));
  // Map one huge page more than needed, so that an aligned start can be cut out.
  const std::size_t mapped = MappedBytes(bytes);
  void* raw = ::mmap(nullptr, mapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::uintptr_t end = start + mapped + kHugePage;
  if (end > aligned + mapped) ::munmap(reinterpret_cast<void*>(aligned + mapped), end - (aligned + mapped));
  void* p = reinterpret_cast<void*>(aligned);
  if (hugePages) ::madvise(p, mapped, MADV_HUGEPAGE);  // advice only: plain pages when refused
  return p;
}

void FreeLarge(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kLargeFrom)
    ::operator delete(p, std::align_val_t(64));
  else
    ::munmap(p, MappedBytes(bytes));
}

}  // namespace corvelane
