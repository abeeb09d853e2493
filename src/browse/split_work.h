#pragma once
// Work over a long range of independent items, split in two halves that run
// at once when the range is long enough to pay for a second thread.

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

namespace fv {

// Calls work(begin, end) over [0, n): once for the whole range, or for two
// halves on two threads, the first half on the calling thread. An exception of either half reaches the caller
// after both have finished.
template <typename Work>
void SplitWork(std::size_t n, std::size_t min_split, Work&& work) {
  static const bool several_cores = std::thread::hardware_concurrency() > 1;
  if (n < min_split || !several_cores) {
    work(std::size_t{0}, n);
    return;
  }
  const std::size_t mid = n / 2;
  std::exception_ptr other_error;
  std::thread other;
  try {
    other = std::thread([&] {
      try {
        work(mid, n);
      } catch (...) {
        other_error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    work(std::size_t{0}, n);  // no thread to be had: all on this one
    return;
  }
  std::exception_ptr own_error;
  try {
    work(std::size_t{0}, mid);
  } catch (...) {
    own_error = std::current_exception();
  }
  other.join();
  if (own_error) std::rethrow_exception(own_error);
  if (other_error) std::rethrow_exception(other_error);
}

}  // namespace fv
