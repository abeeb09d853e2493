#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace fv {

bool File::ReadExact(std::int64_t offset, void* buf, std::size_t n) {
  std::size_t got = 0;
  return ReadAt(offset, buf, n, got) && got == n;
}

bool FileSystem::ReadWholeFile(const std::string& path, std::string& out, std::string& err) {
  auto f = Open(path, OpenMode::Read, err);
  if (!f) return false;
  // Read to the end rather than trusting the reported size: files under
  // /proc and /sys report 0 and still have content.
  std::int64_t size = f->Size();
  out.resize(size > 0 ? static_cast<std::size_t>(size) + 1 : 4096);
  std::size_t have = 0;
  for (;;) {
    if (have == out.size()) out.resize(out.size() * 2);
    std::size_t got = 0;
    if (!f->ReadAt(static_cast<std::int64_t>(have), out.data() + have, out.size() - have, got)) {
      err = f->LastError();
      return false;
    }
    if (got == 0) break;
    have += got;
  }
  out.resize(have);
  return true;
}

bool FileSystem::WriteFileAtomic(const std::string& path, const std::string& data, std::string& err) {
  // One name per process: two programs may replace the same file at once.
  const std::string tmp = path + "." + std::to_string(::getpid()) + ".tmp";
  {
    auto f = Open(tmp, OpenMode::CreateTrunc, err);
    if (!f) return false;
    if (!f->WriteAt(0, data.data(), data.size()) || !f->Sync()) {
      err = f->LastError();
      f.reset();
      std::string ignored;
      Remove(tmp, ignored);
      return false;
    }
  }
  if (!Rename(tmp, path, err)) {
    std::string ignored;
    Remove(tmp, ignored);
    return false;
  }
  return true;
}

namespace {

std::string ErrText(int e) { return std::strerror(e); }

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  bool ReadAt(std::int64_t offset, void* buf, std::size_t n, std::size_t& got) override {
    got = 0;
    auto* p = static_cast<char*>(buf);
    while (got < n) {
      ssize_t r = ::pread(fd_, p + got, n - got, offset + static_cast<std::int64_t>(got));
      if (r < 0) {
        if (errno == EINTR) continue;
        err_ = errno;
        return false;
      }
      if (r == 0) break;
      got += static_cast<std::size_t>(r);
    }
    return true;
  }

  bool WriteAt(std::int64_t offset, const void* buf, std::size_t n) override {
    const auto* p = static_cast<const char*>(buf);
    std::size_t done = 0;
    while (done < n) {
      ssize_t r = ::pwrite(fd_, p + done, n - done, offset + static_cast<std::int64_t>(done));
      if (r < 0) {
        if (errno == EINTR) continue;
        err_ = errno;
        return false;
      }
      done += static_cast<std::size_t>(r);
    }
    return true;
  }

  std::int64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      err_ = errno;
      return -1;
    }
    return st.st_size;
  }

  bool Truncate(std::int64_t size) override {
    if (::ftruncate(fd_, size) != 0) {
      err_ = errno;
      return false;
    }
    return true;
  }

  bool Sync() override {
    if (::fdatasync(fd_) != 0) {
      err_ = errno;
      return false;
    }
    return true;
  }

  std::string LastError() const override { return ErrText(err_.load()); }

 private:
  int fd_;
  std::atomic<int> err_{0};  // reads and writes may come from several threads
};

}  // namespace

std::unique_ptr<File> PosixFileSystem::Open(const std::string& path, OpenMode mode, std::string& err) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::Read: flags |= O_RDONLY; break;
    case OpenMode::ReadWrite: flags |= O_RDWR; break;
    case OpenMode::CreateTrunc: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  // Non-blocking so that a FIFO given as a file cannot hang the open; the
  // flag is cleared again once the file is known to be a regular one.
  int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
  if (fd < 0) {
    err = ErrText(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int e = errno;
    const bool stat_failed = st.st_mode == 0;
    ::close(fd);
    err = stat_failed ? ErrText(e) : S_ISDIR(st.st_mode) ? ErrText(EISDIR) : std::string("Not a regular file");
    return nullptr;
  }
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return std::make_unique<PosixFile>(fd);
}

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::Remove(const std::string& path, std::string& err) {
  if (::unlink(path.c_str()) != 0) {
    err = ErrText(errno);
    return false;
  }
  return true;
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to, std::string& err) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    err = ErrText(errno);
    return false;
  }
  return SyncFolderOf(to, err);
}

bool PosixFileSystem::SyncFolderOf(const std::string& path, std::string& err) {
  std::string dir = DirName(path);
  if (dir.empty()) dir = ".";
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    err = ErrText(errno);
    return false;
  }
  // Some filesystems cannot sync a folder (EINVAL); there is nothing more
  // to do on them.
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  if (!ok) err = ErrText(errno);
  ::close(fd);
  return ok;
}

bool PosixFileSystem::CreateDirs(const std::string& path, std::string& err) {
  if (path.empty()) return true;
  std::string cur;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    cur = path.substr(0, j);
    if (!cur.empty() && ::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) {
      err = ErrText(errno);
      return false;
    }
    i = j + 1;
  }
  if (!IsDirectory(path)) {
    err = ErrText(ENOTDIR);
    return false;
  }
  return true;
}

std::string DirName(const std::string& path) {
  std::size_t p = path.find_last_of('/');
  if (p == std::string::npos) return {};
  if (p == 0) return "/";
  return path.substr(0, p);
}

std::string BaseName(const std::string& path) {
  std::size_t p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ChangeExtension(const std::string& path, const std::string& ext_with_dot) {
  std::size_t slash = path.find_last_of('/');
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext_with_dot;
  return path.substr(0, dot) + ext_with_dot;
}

}  // namespace fv
