#include "platform/large_memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

namespace fv {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t Rounded(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

void* AllocateLarge(std::size_t bytes) {
  if (bytes < kHugePage) {
    void* p = ::mmap(nullptr, Rounded(bytes, 4096), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return p;
  }
  // Aligned to a huge page: map a huge page more and give back the ends.
  const std::size_t size = Rounded(bytes, kHugePage);
  void* p = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t aligned = Rounded(start, kHugePage);
  if (aligned > start) ::munmap(p, aligned - start);
  if (const std::uintptr_t tail = start + size + kHugePage - (aligned + size); tail > 0)
    ::munmap(reinterpret_cast<void*>(aligned + size), tail);
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // only advice: fine when refused
  return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* p, std::size_t bytes) {
  if (!p) return;
  ::munmap(p, bytes < kHugePage ? Rounded(bytes, 4096) : Rounded(bytes, kHugePage));
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
  ::malloc_trim(0);
#endif
}

}  // namespace fv
