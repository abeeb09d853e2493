#pragma once
// Only one instance of the program runs at a time: a lock file in the
// user's runtime folder, held with flock for the life of the process, so a
// crashed instance never leaves a stale lock behind.

#include <string>

namespace fv {

class SingleInstance {
 public:
  // name: the lock's name ("EX_Ferrovan").
  explicit SingleInstance(const std::string& name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  // True when another process holds the lock. A lock that cannot be made
  // at all (no runtime folder) does not keep the program from running.
  bool OtherInstanceRunning() const { return other_; }

 private:
  int fd_ = -1;
  bool other_ = false;
};

}  // namespace fv
