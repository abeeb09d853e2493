#include "platform/file_version.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/dir_walk.h"

namespace fv {

namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kHighBit = 0x80000000u;
// The loader never takes more sections than this.
constexpr std::uint32_t kMaxSections = 96;
// Directory entries looked at in all, so a crafted directory costs little.
constexpr int kEntryBudget = 4096;
// VS_VERSIONINFO up to the end of the fixed block: 6 bytes of header, the
// key L"VS_VERSION_INFO" with its terminator (32 bytes), padding to 40, then
// the 52-byte VS_FIXEDFILEINFO.
constexpr std::size_t kFixedInfoOffset = 40;
constexpr std::size_t kFixedInfoSize = 52;
constexpr std::size_t kVersionHeadSize = kFixedInfoOffset + kFixedInfoSize;

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Section {
  std::uint32_t va;
  std::uint32_t raw_size;
  std::uint32_t raw_ptr;
};

class PeImage {
 public:
  PeImage(const ReadAtFn& read, std::uint64_t size) : read_(read), size_(size) {}

  std::string Version() {
    std::uint32_t rsrc = 0;
    if (!ReadHeaders(rsrc) || rsrc == 0) return {};
    rsrc_ = rsrc;
    return WalkTypes();
  }

 private:
  bool Read(std::uint64_t off, void* buf, std::size_t n) {
    if (off > size_ || n > size_ - off) return false;
    return read_(off, buf, n);
  }

  bool ReadHeaders(std::uint32_t& rsrc_rva) {
    unsigned char dos[64];
    if (!Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t pe = U32(dos + 0x3C);
    unsigned char coff[24];
    if (!Read(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return false;
    const std::uint32_t sections = U16(coff + 6);
    const std::uint32_t opt_size = U16(coff + 20);
    const std::uint64_t opt = pe + 24;
    unsigned char magic[2];
    if (!Read(opt, magic, 2)) return false;
    std::uint32_t count_at, dirs_at;
    switch (U16(magic)) {
      case 0x10B: count_at = 92, dirs_at = 96; break;    // PE32
      case 0x20B: count_at = 108, dirs_at = 112; break;  // PE32+
      default: return false;
    }
    // The resource directory is data directory 2.
    if (opt_size < dirs_at + 3 * 8) return false;
    unsigned char count[4], dir[8];
    if (!Read(opt + count_at, count, 4) || U32(count) < 3) return false;
    if (!Read(opt + dirs_at + 2 * 8, dir, 8)) return false;
    rsrc_rva = U32(dir);

    if (sections == 0 || sections > kMaxSections) return false;
    std::vector<unsigned char> table(sections * 40u);
    if (!Read(opt + opt_size, table.data(), table.size())) return false;
    for (std::uint32_t i = 0; i < sections; ++i) {
      const unsigned char* s = table.data() + i * 40u;
      sections_.push_back({U32(s + 12), U32(s + 16), U32(s + 20)});
    }
    return true;
  }

  // The file offset of n bytes at rva, all inside one section's raw data.
  bool MapRva(std::uint64_t rva, std::size_t n, std::uint64_t& off) const {
    for (const Section& s : sections_) {
      if (rva < s.va) continue;
      const std::uint64_t into = rva - s.va;
      if (into >= s.raw_size || n > s.raw_size - into) continue;
      off = static_cast<std::uint64_t>(s.raw_ptr) + into;
      return true;
    }
    return false;
  }

  bool ReadRva(std::uint64_t rva, void* buf, std::size_t n) {
    std::uint64_t off;
    return MapRva(rva, n, off) && Read(off, buf, n);
  }

  // A resource directory at rel (from the start of the resource data):
  // number of entries, the first one just after the 16-byte header.
  bool Directory(std::uint32_t rel, std::uint32_t& entries) {
    unsigned char d[16];
    if (!ReadRva(std::uint64_t{rsrc_} + rel, d, sizeof d)) return false;
    entries = static_cast<std::uint32_t>(U16(d + 12)) + U16(d + 14);
    return true;
  }

  bool Entry(std::uint32_t dir_rel, std::uint32_t i, std::uint32_t& name, std::uint32_t& target) {
    if (--budget_ < 0) return false;
    unsigned char e[8];
    if (!ReadRva(std::uint64_t{rsrc_} + dir_rel + 16 + std::uint64_t{i} * 8, e, sizeof e)) return false;
    name = U32(e);
    target = U32(e + 4);
    return true;
  }

  // Level 1: resource types; only the version type is of interest.
  std::string WalkTypes() {
    std::uint32_t n;
    if (!Directory(0, n)) return {};
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint32_t name, target;
      if (!Entry(0, i, name, target)) return {};
      if ((name & kHighBit) || name != kRtVersion || !(target & kHighBit)) continue;
      std::string v = WalkNames(target & ~kHighBit);
      if (!v.empty()) return v;
    }
    return {};
  }

  // Level 2: resource names, level 3: languages; the first that holds a
  // good version block wins.
  std::string WalkNames(std::uint32_t rel) {
    std::uint32_t n;
    if (!Directory(rel, n)) return {};
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint32_t name, target;
      if (!Entry(rel, i, name, target)) return {};
      if (!(target & kHighBit)) continue;
      const std::uint32_t lang_rel = target & ~kHighBit;
      std::uint32_t m;
      if (!Directory(lang_rel, m)) continue;
      for (std::uint32_t j = 0; j < m; ++j) {
        std::uint32_t lang, data;
        if (!Entry(lang_rel, j, lang, data)) return {};
        if (data & kHighBit) continue;  // a fourth level does not exist
        std::string v = VersionBlock(data);
        if (!v.empty()) return v;
      }
    }
    return {};
  }

  std::string VersionBlock(std::uint32_t data_rel) {
    unsigned char de[16];
    if (!ReadRva(std::uint64_t{rsrc_} + data_rel, de, sizeof de)) return {};
    const std::uint32_t rva = U32(de), size = U32(de + 4);
    if (size < kVersionHeadSize) return {};
    unsigned char b[kVersionHeadSize];
    if (!ReadRva(rva, b, sizeof b)) return {};
    const std::uint16_t length = U16(b), value_length = U16(b + 2);
    if (length < kVersionHeadSize || length > size || value_length < kFixedInfoSize) return {};
    static const char16_t kKey[] = u"VS_VERSION_INFO";
    for (std::size_t k = 0; k < 16; ++k)
      if (U16(b + 6 + 2 * k) != static_cast<std::uint16_t>(kKey[k])) return {};
    const unsigned char* fixed = b + kFixedInfoOffset;
    if (U32(fixed) != kFixedInfoSignature) return {};
    const std::uint32_t ms = U32(fixed + 8), ls = U32(fixed + 12);
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
           std::to_string(ls & 0xFFFF);
  }

  const ReadAtFn& read_;
  std::uint64_t size_;
  std::vector<Section> sections_;
  std::uint32_t rsrc_ = 0;
  int budget_ = kEntryBudget;
};

}  // namespace

std::string PeFileVersionOf(const ReadAtFn& read, std::uint64_t size) { return PeImage(read, size).Version(); }

std::string PeFileVersionOf(std::string_view image) {
  ReadAtFn read = [image](std::uint64_t off, void* buf, std::size_t n) {
    if (off > image.size() || n > image.size() - off) return false;
    std::memcpy(buf, image.data() + off, n);
    return true;
  };
  return PeFileVersionOf(read, image.size());
}

std::string PeFileVersions::FileVersion(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = OpenAnyDepth(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return {};
  std::string v;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 64) {
    ReadAtFn read = [fd](std::uint64_t off, void* buf, std::size_t n) {
      auto* p = static_cast<char*>(buf);
      std::size_t got = 0;
      while (got < n) {
        ssize_t r = ::pread(fd, p + got, n - got, static_cast<off_t>(off + got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
      }
      return true;
    };
    v = PeFileVersionOf(read, static_cast<std::uint64_t>(st.st_size));
  }
  ::close(fd);
  return v;
}

}  // namespace fv
