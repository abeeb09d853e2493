#pragma once
// Listing one folder: every entry with its name (raw bytes and cp932),
// size, times and the attribute byte the catalog stores. Symbolic links are
// reported as themselves, never followed.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fv {

// The attribute bits of the catalog (one byte per entry).
constexpr std::uint8_t kAttrReadOnly = 0x01;
constexpr std::uint8_t kAttrHidden = 0x02;
constexpr std::uint8_t kAttrSystem = 0x04;
constexpr std::uint8_t kAttrDirectory = 0x10;
constexpr std::uint8_t kAttrArchive = 0x20;
constexpr std::uint8_t kAttrNormal = 0x80;

// Attribute byte of a Linux entry:
//   0x10 directory    a folder (a symbolic link to a folder is not one: links
//                     are not followed, so they read as files)
//   0x20 archive      a regular file or a symbolic link (something with
//                     contents to keep)
//   0x01 read-only    none of the three write bits is set
//   0x02 hidden       the name starts with '.'
//   0x80 normal       nothing of the above (a FIFO, socket or device node
//                     that is writable and not hidden); never combined
// System (0x04) has no Linux counterpart and is never set.
std::uint8_t AttributesOf(std::uint32_t mode, bool is_dir, bool is_symlink, std::string_view raw_name);

struct DirEntry {
  std::string raw_name;   // the name's bytes as the filesystem holds them
  std::string name;       // cp932; "?" for what cp932 cannot hold or for bytes that are not UTF-8
  std::int64_t size = 0;  // bytes (lstat); a symbolic link's is the length of its target text
  std::int64_t allocated = 0;  // bytes the filesystem allocated (st_blocks x 512)
  std::int64_t mtime = 0;      // last write, seconds since the epoch (UTC)
  std::int32_t mtime_nsec = 0;
  std::uint32_t mode = 0;      // st_mode
  std::uint64_t dev = 0;       // st_dev: a folder on another device is a mount point
  std::uint64_t ino = 0;
  bool is_dir = false;
  bool is_symlink = false;
  bool stat_ok = true;    // false: only the name and the type are known (size, times 0)
  std::uint8_t attributes = 0;
};

class DirectoryWalker {
 public:
  using Sink = std::function<void(const DirEntry&)>;
  virtual ~DirectoryWalker() = default;

  // Calls sink once per entry of the folder at path ("." and ".." left
  // out), in the order the filesystem returns them. The DirEntry passed is
  // reused between calls: copy what must outlive the call. False (with err
  // set when given) when the folder cannot be opened; the caller treats
  // it as empty. A read error in the middle ends the listing early: the
  // entries delivered stand, the result is still true and err (when given)
  // says what went wrong.
  virtual bool List(const std::string& path, const Sink& sink, std::string* err = nullptr) = 0;

  // The same, collected into out (cleared first).
  bool ListAll(const std::string& path, std::vector<DirEntry>& out, std::string* err = nullptr);
};

// open(2) that takes a path of any length: one longer than PATH_MAX is
// followed folder by folder with openat, through no link. A descriptor, or
// -1 with errno set.
int OpenAnyDepth(const std::string& path, int flags);

// getdents64 on an O_DIRECTORY descriptor (OpenAnyDepth: a folder at any
// depth can be listed), fstatat(AT_SYMLINK_NOFOLLOW) per entry.
class PosixDirectoryWalker : public DirectoryWalker {
 public:
  bool List(const std::string& path, const Sink& sink, std::string* err = nullptr) override;
};

}  // namespace fv
