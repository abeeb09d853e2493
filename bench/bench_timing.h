#pragma once
// Timing helper of the benchmarks.

#include <chrono>
#include <functional>

namespace fv::bench {

// Best wall time of several runs, in seconds.
inline double Seconds(const std::function<void()>& fn, int runs) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  return best;
}

}  // namespace fv::bench
