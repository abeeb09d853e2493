#include "support/deep_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace fv::test {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Replaces fd by the folder name below it (or above it for "..").
bool Enter(int& fd, const char* name) {
  const int next = ::openat(fd, name, kDirFlags);
  ::close(fd);
  fd = next;
  return fd >= 0;
}

// The first entry of the folder other than "." and ".."; empty when none.
std::string FirstEntry(int fd, bool& is_dir) {
  DIR* d = ::fdopendir(::openat(fd, ".", kDirFlags));
  if (!d) return {};
  std::string name;
  while (const dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    struct stat st;
    is_dir = ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    name = n;
    break;
  }
  ::closedir(d);
  return name;
}

}  // namespace

std::string MakeDeepTree(const std::string& root, int depth, const std::string& name, const std::string& bottom) {
  int fd = ::open(root.c_str(), kDirFlags);
  std::string path = root;
  for (int i = 0; i < depth && fd >= 0; ++i) {
    ::mkdirat(fd, name.c_str(), 0755);
    Enter(fd, name.c_str());
    path += "/" + name;
  }
  if (fd < 0) return {};
  const int file = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file >= 0) {
    [[maybe_unused]] const auto written = ::write(file, bottom.data(), bottom.size());
    ::close(file);
  }
  ::close(fd);
  return path;
}

// Depth first with one folder open at a time: the names of the folders
// entered lead back up through "..".
bool RemoveTree(const std::string& path) {
  int fd = ::open(path.c_str(), kDirFlags);
  std::vector<std::string> entered;
  while (fd >= 0) {
    bool is_dir = false;
    const std::string child = FirstEntry(fd, is_dir);
    if (!child.empty()) {
      if (is_dir) {
        if (!Enter(fd, child.c_str())) return false;
        entered.push_back(child);
      } else if (::unlinkat(fd, child.c_str(), 0) != 0) {
        break;
      }
      continue;
    }
    if (entered.empty()) {
      ::close(fd);
      return ::rmdir(path.c_str()) == 0;
    }
    if (!Enter(fd, "..") || ::unlinkat(fd, entered.back().c_str(), AT_REMOVEDIR) != 0) break;
    entered.pop_back();
  }
  if (fd >= 0) ::close(fd);
  return false;
}

}  // namespace fv::test
