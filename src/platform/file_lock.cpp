#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace fv {

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

std::unique_ptr<FileLock> FileLock::Take(const std::string& lock_path, LockKind kind, int wait_ms,
                                         const std::function<void()>& on_wait, std::string& err) {
  int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0 && kind == LockKind::Shared) fd = ::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    const int e = errno;
    if (kind == LockKind::Shared && (e == EROFS || e == EACCES || e == EPERM))
      return std::unique_ptr<FileLock>(new FileLock(-1, kind, lock_path));
    err = std::strerror(e);
    return nullptr;
  }
  const int op = (kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  bool told = false;
  for (;;) {
    if (::flock(fd, op) == 0) return std::unique_ptr<FileLock>(new FileLock(fd, kind, lock_path));
    const int e = errno;
    if (e == EINTR) continue;
    if (e != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) {
      ::close(fd);
      err = e == EWOULDBLOCK ? std::string("locked by another process") : std::string(std::strerror(e));
      return nullptr;
    }
    if (!told && on_wait) on_wait();
    told = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace fv
