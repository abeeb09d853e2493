#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/paths.h"

namespace fv {

SingleInstance::SingleInstance(const std::string& name) {
  const std::string dir = UserRuntimeDir();
  PosixFileSystem fs;
  std::string err;
  fs.CreateDirs(dir, err);
  int fd = ::open((dir + "/" + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    other_ = errno == EWOULDBLOCK;
    ::close(fd);
    return;
  }
  fd_ = fd;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace fv
