#pragma once
// Advisory locks between processes (flock on a lock file that is created
// when missing and never removed, so every process locks the same file).

#include <functional>
#include <memory>
#include <string>

namespace fv {

enum class LockKind { Shared, Exclusive };

class FileLock {
 public:
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  LockKind Kind() const { return kind_; }
  const std::string& Path() const { return path_; }

  // Takes the lock on lock_path. When another process holds a conflicting
  // lock, on_wait (if set) is called once and the lock is tried again until
  // wait_ms have passed (0 = one try). nullptr with err set when it could
  // not be had. A shared lock on a folder where the lock file can neither
  // be opened nor created (read-only media) is granted without a file:
  // nobody can change the catalog there either.
  static std::unique_ptr<FileLock> Take(const std::string& lock_path, LockKind kind, int wait_ms,
                                        const std::function<void()>& on_wait, std::string& err);
  // A lock that holds nothing (file layers without other processes).
  static std::unique_ptr<FileLock> Unshared(const std::string& lock_path, LockKind kind) {
    return std::unique_ptr<FileLock>(new FileLock(-1, kind, lock_path));
  }

 private:
  FileLock(int fd, LockKind kind, std::string path) : fd_(fd), kind_(kind), path_(std::move(path)) {}
  int fd_;
  LockKind kind_;
  std::string path_;
};

}  // namespace fv
