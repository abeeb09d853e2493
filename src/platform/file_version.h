#pragma once
// File versions of Windows executables (.exe, .dll and the like): the file
// version of the fixed block of the version resource, read by walking the
// PE resource directory. Every offset in the image is untrusted.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fv {

class FileVersions {
 public:
  virtual ~FileVersions() = default;
  // "a.b.c.d" (the four 16-bit parts, most significant first), or the
  // empty text for a file that is not a PE image, has no version resource,
  // is damaged or cannot be read.
  virtual std::string FileVersion(const std::string& path) = 0;
};

// Reads regular files only (a FIFO or device is never opened for reading).
class PeFileVersions : public FileVersions {
 public:
  std::string FileVersion(const std::string& path) override;
};

// The parser itself, over any byte source: read(offset, buf, n) must fill
// exactly n bytes or return false. size is the image's length in bytes.
using ReadAtFn = std::function<bool(std::uint64_t offset, void* buf, std::size_t n)>;
std::string PeFileVersionOf(const ReadAtFn& read, std::uint64_t size);

// Convenience for an image in memory.
std::string PeFileVersionOf(std::string_view image);

}  // namespace fv
