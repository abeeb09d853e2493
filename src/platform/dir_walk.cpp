#include "platform/dir_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/text.h"

namespace fv {

std::uint8_t AttributesOf(std::uint32_t mode, bool is_dir, bool is_symlink, std::string_view raw_name) {
  std::uint8_t a = 0;
  if (is_dir)
    a |= kAttrDirectory;
  else if (is_symlink || S_ISREG(mode))
    a |= kAttrArchive;
  if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= kAttrReadOnly;
  if (!raw_name.empty() && raw_name[0] == '.') a |= kAttrHidden;
  return a ? a : kAttrNormal;
}

bool DirectoryWalker::ListAll(const std::string& path, std::vector<DirEntry>& out, std::string* err) {
  out.clear();
  return List(path, [&out](const DirEntry& e) { out.push_back(e); }, err);
}

namespace {

// The kernel's record; glibc has no wrapper for getdents64 before 2.30.
struct LinuxDirent64 {
  std::uint64_t d_ino;
  std::int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A path longer than the kernel takes: the longest ancestor that fits is
// opened by its path, the rest is walked one folder at a time from there,
// never through a link (the walk records links as files, so no folder it
// lists is reached through one), and the last part is opened as asked.
int OpenDeep(const std::string& path, int flags) {
  constexpr int kStep = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  const std::size_t cut = path.rfind('/', PATH_MAX - 1);
  int fd = AT_FDCWD;
  std::size_t from = 0;
  if (cut != std::string::npos) {
    fd = ::open(cut == 0 ? "/" : path.substr(0, cut).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    from = cut + 1;
  }
  std::vector<std::string> parts;
  while (from < path.size()) {
    const std::size_t end = std::min(path.find('/', from), path.size());
    if (end > from) parts.push_back(path.substr(from, end - from));
    from = end + 1;
  }
  if (parts.empty()) parts.emplace_back(".");
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const int next = ::openat(fd, parts[i].c_str(), i + 1 < parts.size() ? kStep : flags);
    const int saved = errno;
    if (fd != AT_FDCWD) ::close(fd);
    errno = saved;
    if (next < 0) return -1;
    fd = next;
  }
  return fd;
}

}  // namespace

int OpenAnyDepth(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags);
  return fd < 0 && errno == ENAMETOOLONG ? OpenDeep(path, flags) : fd;
}

bool PosixDirectoryWalker::List(const std::string& path, const Sink& sink, std::string* err) {
  Fd dir(OpenAnyDepth(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
  if (dir.get() < 0) {
    if (err) *err = std::strerror(errno);
    return false;
  }
  alignas(8) char buf[32768];
  DirEntry e;
  for (;;) {
    long n = ::syscall(SYS_getdents64, dir.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (err) *err = std::strerror(errno);
      return true;  // what was listed stands
    }
    if (n == 0) break;
    for (long off = 0; off < n;) {
      const auto* d = reinterpret_cast<const LinuxDirent64*>(buf + off);
      off += d->d_reclen;
      const char* nm = d->d_name;
      if (nm[0] == '.' && (nm[1] == 0 || (nm[1] == '.' && nm[2] == 0))) continue;

      struct stat st;
      e.stat_ok = ::fstatat(dir.get(), nm, &st, AT_SYMLINK_NOFOLLOW) == 0;
      if (!e.stat_ok) {
        if (errno == ENOENT) continue;  // removed while we were listing
        // Known by name only (a folder we may list but not search): keep it.
        std::memset(&st, 0, sizeof st);
        switch (d->d_type) {
          case DT_DIR: st.st_mode = S_IFDIR | 0755; break;
          case DT_LNK: st.st_mode = S_IFLNK | 0777; break;
          default: st.st_mode = S_IFREG | 0644; break;
        }
        st.st_ino = d->d_ino;
      }
      e.raw_name.assign(nm);
      e.name = text::Utf8ToCp932(e.raw_name);
      e.size = st.st_size;
      e.allocated = static_cast<std::int64_t>(st.st_blocks) * 512;
      e.mtime = st.st_mtim.tv_sec;
      e.mtime_nsec = static_cast<std::int32_t>(st.st_mtim.tv_nsec);
      e.mode = st.st_mode;
      e.dev = st.st_dev;
      e.ino = st.st_ino;
      e.is_dir = S_ISDIR(st.st_mode);
      e.is_symlink = S_ISLNK(st.st_mode);
      e.attributes = AttributesOf(e.mode, e.is_dir, e.is_symlink, e.raw_name);
      sink(e);
    }
  }
  return true;
}

}  // namespace fv
