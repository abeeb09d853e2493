#pragma once
// Memory for large tables that are read at random (hash tables, arenas):
// whole pages straight from the system, with huge pages asked for where the
// system offers them, so that random reads miss the address cache less.

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace fv {

// Zero-filled memory of at least `bytes`; throws std::bad_alloc.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* p, std::size_t bytes);

// Gives memory the allocator holds free back to the system. The allocator
// keeps what a big list freed (in every thread's pool) for reuse; after a
// list of a hundred thousand rows is replaced by a short one, that would
// stay resident for good.
void ReturnFreedMemory();

// A fixed-size array of trivially copyable values in large memory. Its
// memory reads as zero bytes until written.
template <typename T>
class LargeArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  LargeArray() = default;
  explicit LargeArray(std::size_t n) : data_(n ? static_cast<T*>(AllocateLarge(n * sizeof(T))) : nullptr), size_(n) {}
  ~LargeArray() { Reset(); }
  LargeArray(LargeArray&& o) noexcept : data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)) {}
  LargeArray& operator=(LargeArray&& o) noexcept {
    if (this != &o) {
      Reset();
      data_ = std::exchange(o.data_, nullptr);
      size_ = std::exchange(o.size_, 0);
    }
    return *this;
  }
  LargeArray(const LargeArray&) = delete;
  LargeArray& operator=(const LargeArray&) = delete;

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  void Reset() {
    if (data_) FreeLarge(data_, size_ * sizeof(T));
    data_ = nullptr;
    size_ = 0;
  }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace fv
