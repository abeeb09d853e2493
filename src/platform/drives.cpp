#include "platform/drives.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/dir_walk.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/text.h"

#ifdef FERROVAN_HAVE_BLKID
#include <blkid.h>
#endif

extern char** environ;

namespace fv {

DriveType DriveTable::TypeOf(char letter) {
  auto d = Find(letter);
  return d ? d->type : DriveType::NoRootDir;
}

// ---- mountinfo --------------------------------------------------------------

namespace {

// Mountinfo escapes space, tab, newline and backslash as \ooo.
std::string DecodeOctal(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

std::vector<std::string_view> SplitSpaces(std::string_view line) {
  std::vector<std::string_view> f;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ') ++j;
    if (j > i) f.push_back(line.substr(i, j - i));
    i = j;
  }
  return f;
}

bool ParseUnsigned(std::string_view s, unsigned& v) {
  if (s.empty() || s.size() > 9) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// path is p itself or inside p.
bool IsUnder(std::string_view path, std::string_view p) {
  if (p == "/") return !path.empty() && path[0] == '/';
  return StartsWith(path, p) && (path.size() == p.size() || path[p.size()] == '/');
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    auto f = SplitSpaces(text.substr(pos, end - pos));
    pos = end + 1;
    // id parent major:minor root mount-point options [optional...] - fstype source super-options
    std::size_t dash = 6;
    while (dash < f.size() && f[dash] != "-") ++dash;
    if (f.size() < 6 || dash + 2 >= f.size()) continue;
    MountEntry m;
    std::size_t colon = f[2].find(':');
    if (colon == std::string_view::npos || !ParseUnsigned(f[2].substr(0, colon), m.major) ||
        !ParseUnsigned(f[2].substr(colon + 1), m.minor))
      continue;
    m.root = DecodeOctal(f[3]);
    m.mount_point = DecodeOctal(f[4]);
    m.fstype = DecodeOctal(f[dash + 1]);
    m.source = DecodeOctal(f[dash + 2]);
    if (m.mount_point.empty() || m.mount_point[0] != '/') continue;
    out.push_back(std::move(m));
  }
  return out;
}

namespace {

const std::set<std::string, std::less<>>& PseudoFilesystems() {
  static const std::set<std::string, std::less<>> s = {
      "proc",      "sysfs",     "cgroup",     "cgroup2",   "devpts",     "debugfs",    "tracefs",
      "securityfs", "pstore",   "bpf",        "configfs",  "fusectl",    "mqueue",     "hugetlbfs",
      "autofs",    "binfmt_misc", "efivarfs", "selinuxfs", "nsfs",       "rpc_pipefs", "devtmpfs",
      "nfsd",      "rootfs",    "fuse.portal", "fuse.gvfsd-fuse"};
  return s;
}

bool IsNetworkFs(std::string_view t) {
  static const std::set<std::string, std::less<>> s = {
      "nfs",       "nfs4",       "cifs",       "smb3",      "smbfs",   "ncpfs",     "9p",
      "afs",       "ceph",       "glusterfs",  "fuse.glusterfs", "fuse.sshfs", "sshfs",  "fuse.rclone",
      "fuse.s3fs", "davfs",      "fuse.davfs2", "virtiofs", "vboxsf",  "lustre",    "coda",
      "fuse.cephfs", "fuse.gcsfuse", "fuse.smbnetfs", "fuse.curlftpfs", "curlftpfs"};
  return s.count(t) > 0;
}

bool IsRamFs(std::string_view t) { return t == "tmpfs" || t == "ramfs"; }

}  // namespace

bool IsDriveMount(const MountEntry& m) {
  if (PseudoFilesystems().count(m.fstype)) return false;
  const std::string& p = m.mount_point;
  if (IsUnder(p, "/proc") || IsUnder(p, "/sys") || IsUnder(p, "/dev")) return false;
  // /run holds the system's runtime state; only the media that udisks2
  // mounts there are drives.
  if (IsUnder(p, "/run") && !StartsWith(p, "/run/media/")) return false;
  // Snap packages are squashfs images mounted under /snap.
  if (m.fstype == "squashfs" && IsUnder(p, "/snap")) return false;
  return true;
}

// ---- serial numbers and labels -------------------------------------------

std::string SerialText(std::uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X", value);
  return buf;
}

std::string SerialTextFromUuid(std::string_view uuid, std::string_view fstype) {
  std::string digits;
  for (char c : uuid)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  if (digits.empty()) return {};
  auto value_of = [](std::string_view d) {
    return static_cast<std::uint32_t>(std::strtoul(std::string(d).c_str(), nullptr, 16));
  };
  if (digits.size() <= 8) return SerialText(value_of(digits));
  if (fstype == "ntfs" || fstype == "ntfs3") return SerialText(value_of(std::string_view(digits).substr(digits.size() - 8)));
  std::uint32_t v = 0;
  for (std::size_t end = digits.size(); end > 0;) {
    std::size_t start = end >= 8 ? end - 8 : 0;
    v ^= value_of(std::string_view(digits).substr(start, end - start));
    end = start;
  }
  return SerialText(v);
}

std::string DecodeUdevName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
      out += static_cast<char>(std::strtoul(std::string(name.substr(i + 2, 2)).c_str(), nullptr, 16));
      i += 3;
    } else {
      out += name[i];
    }
  }
  return out;
}

namespace {

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

// Labels are UTF-8 on Linux filesystems; a FAT label written by a Japanese
// system is already cp932 and is kept as it is.
std::string LabelToCp932(const std::string& raw) {
  return IsValidUtf8(raw) ? text::Utf8ToCp932(raw) : raw;
}

// ---- small file helpers ----------------------------------------------------

// Reads to the end: files under /proc and /sys report a size of 0.
std::string ReadSmallFile(const std::string& path) {
  std::string out;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

std::string Trim(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  return s.substr(i);
}

bool IsDir(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadLink(const std::string& p) {
  char buf[PATH_MAX];
  ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string RealPath(const std::string& p) {
  char* r = ::realpath(p.c_str(), nullptr);
  if (!r) return {};
  std::string s = r;
  std::free(r);
  return s;
}

std::string Base(std::string_view p) {
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  std::size_t s = p.rfind('/');
  return std::string(s == std::string_view::npos ? p : p.substr(s + 1));
}

// ---- the drive map file ------------------------------------------------------

enum class MapKind { Mount, Optical, Folder };

struct MapRecord {
  MapKind kind;
  std::string value;  // mount point, "/dev/srN" or folder
};

using DriveMap = std::array<std::optional<MapRecord>, 26>;

const char* KindWord(MapKind k) {
  switch (k) {
    case MapKind::Mount: return "mount";
    case MapKind::Optical: return "optical";
    case MapKind::Folder: return "folder";
  }
  return "mount";
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char c = s[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    } else {
      out += s[i];
    }
  }
  return out;
}

// One line per letter: "D<TAB>mount<TAB>/media/usb". Lines that do not
// parse are ignored.
DriveMap ParseDriveMap(std::string_view text) {
  DriveMap map;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() < 5 || line[1] != '\t') continue;
    char l = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    if (l < 'A' || l > 'Z') continue;
    std::size_t tab = line.find('\t', 2);
    if (tab == std::string_view::npos) continue;
    std::string_view word = line.substr(2, tab - 2);
    MapRecord r;
    if (word == "mount") r.kind = MapKind::Mount;
    else if (word == "optical") r.kind = MapKind::Optical;
    else if (word == "folder") r.kind = MapKind::Folder;
    else continue;
    r.value = Unescape(line.substr(tab + 1));
    if (r.value.empty() || r.value[0] != '/') continue;
    map[l - 'A'] = std::move(r);
  }
  return map;
}

std::string FormatDriveMap(const DriveMap& map) {
  std::string out = "# Ferrovan drive letters: letter, kind (mount, optical, folder), path\n";
  for (int i = 0; i < 26; ++i) {
    if (!map[i]) continue;
    out += static_cast<char>('A' + i);
    out += '\t';
    out += KindWord(map[i]->kind);
    out += '\t';
    out += Escape(map[i]->value);
    out += '\n';
  }
  return out;
}

int LetterIndex(char letter) {
  char u = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  return (u >= 'A' && u <= 'Z') ? u - 'A' : -1;
}

}  // namespace

// ---- the drive table -----------------------------------------------------------

struct LinuxDriveTable::Table {
  DriveMap map;
  bool map_changed = false;
  std::vector<MountEntry> mounts;                    // every mount, in mountinfo order
  std::array<std::optional<DriveEntry>, 26> drives;  // present drives by letter
  std::array<std::optional<MountEntry>, 26> mount_of;  // the mount behind each present drive
};

namespace {

struct Optical {
  std::string name;  // "sr0"
  unsigned major = 0, minor = 0;
};

class SysInfo {
 public:
  SysInfo(const LinuxDriveTableConfig& c) : c_(c) {}

  std::vector<Optical> OpticalDrives() const {
    std::vector<Optical> out;
    PosixDirectoryWalker w;
    w.List(c_.sys_root + "/block", [&](const DirEntry& e) {
      if (!StartsWith(e.raw_name, "sr")) return;
      Optical o;
      o.name = e.raw_name;
      std::string dev = Trim(ReadSmallFile(c_.sys_root + "/block/" + o.name + "/dev"));
      std::size_t colon = dev.find(':');
      if (colon != std::string::npos) {
        ParseUnsigned(std::string_view(dev).substr(0, colon), o.major);
        ParseUnsigned(std::string_view(dev).substr(colon + 1), o.minor);
      }
      out.push_back(o);
    });
    return out;
  }

  // The kernel's name of the block device behind a mount ("sdb1"), or "".
  std::string KernelName(const MountEntry& m) const {
    if (m.major != 0) {
      std::string link =
          ReadLink(c_.sys_root + "/dev/block/" + std::to_string(m.major) + ":" + std::to_string(m.minor));
      if (!link.empty()) return Base(link);
    }
    if (StartsWith(m.source, "/dev/")) return Base(m.source);
    return {};
  }

  // /sys/block/<disk>/removable of the disk that holds the device.
  bool IsRemovable(const std::string& kname) const {
    if (kname.empty()) return false;
    std::string disk = c_.sys_root + "/block/" + kname;
    if (!IsDir(disk)) {
      std::string real = RealPath(c_.sys_root + "/class/block/" + kname);
      if (!real.empty() && Platform().files->Exists(real + "/partition")) {
        disk = DirName(real);
      } else {
        // sdb1 -> sdb, mmcblk0p1 -> mmcblk0, nvme0n1p2 -> nvme0n1
        std::string s = kname;
        while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.back()))) s.pop_back();
        if (s.size() >= 2 && s.back() == 'p' && std::isdigit(static_cast<unsigned char>(s[s.size() - 2])))
          s.pop_back();
        disk = c_.sys_root + "/block/" + s;
      }
    }
    return Trim(ReadSmallFile(disk + "/removable")) == "1";
  }

  DriveType TypeOfMount(const MountEntry& m) const {
    const std::string kname = KernelName(m);
    if (StartsWith(kname, "sr") || m.fstype == "iso9660" || m.fstype == "udf") return DriveType::CdRom;
    if (IsNetworkFs(m.fstype) || StartsWith(m.fstype, "nfs")) return DriveType::Remote;
    if (IsRamFs(m.fstype) || StartsWith(kname, "zram") || StartsWith(kname, "ram")) return DriveType::RamDisk;
    // Floppy drives (fd0, fd1) are removable whatever their disk says.
    if (StartsWith(kname, "fd") || IsRemovable(kname)) return DriveType::Removable;
    return DriveType::Fixed;
  }

  std::string DevicePath(const MountEntry& m) const {
    if (StartsWith(m.source, "/dev/")) return m.source;
    std::string k = KernelName(m);
    return k.empty() ? std::string() : "/dev/" + k;
  }

 private:
  const LinuxDriveTableConfig& c_;
};

bool SameDevice(const MountEntry& m, const Optical& o) {
  if (o.major != 0 && m.major == o.major && m.minor == o.minor) return true;
  return m.source == "/dev/" + o.name;
}

// The mount that holds a folder: the longest mount point above it, among
// the mounts of its device when those can be told.
std::optional<MountEntry> ContainingMount(const std::vector<MountEntry>& mounts, const std::string& folder) {
  std::string real = RealPath(folder);
  if (real.empty()) return std::nullopt;
  struct stat st;
  const bool have_dev = ::stat(real.c_str(), &st) == 0;
  const MountEntry* best = nullptr;
  const MountEntry* best_dev = nullptr;
  for (const MountEntry& m : mounts) {
    if (!IsUnder(real, m.mount_point)) continue;
    if (!best || m.mount_point.size() >= best->mount_point.size()) best = &m;
    if (have_dev && major(st.st_dev) == m.major && minor(st.st_dev) == m.minor &&
        (!best_dev || m.mount_point.size() >= best_dev->mount_point.size()))
      best_dev = &m;
  }
  if (best_dev) return *best_dev;
  if (best) return *best;
  return std::nullopt;
}

}  // namespace

LinuxDriveTable::LinuxDriveTable(LinuxDriveTableConfig config) : config_(std::move(config)) {}

// Looked up at each use: the user's folders are known only once the
// environment is settled, after the table may have been created.
std::string LinuxDriveTable::MapFile() const {
  return config_.map_file.empty() ? DriveMapFilePath() : config_.map_file;
}

LinuxDriveTable::Table LinuxDriveTable::Build() {
  Table t;
  t.map = ParseDriveMap(ReadSmallFile(MapFile()));
  t.mounts = ParseMountInfo(ReadSmallFile(config_.mountinfo));
  SysInfo sys(config_);
  const std::vector<Optical> opticals = sys.OpticalDrives();

  // Mounts that make drives: the visible one per mount point (a later
  // mount hides an earlier one on the same point); discs in optical
  // drives belong to the optical drive's letter.
  std::vector<const MountEntry*> mounts;
  for (const MountEntry& m : t.mounts) {
    if (!IsDriveMount(m)) continue;
    bool optical = false;
    for (const Optical& o : opticals) optical = optical || SameDevice(m, o);
    if (optical) continue;
    // Files bind-mounted into a container are not drives.
    if (!IsNetworkFs(m.fstype)) {
      struct stat st;
      if (::stat(m.mount_point.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) continue;
    }
    for (auto& seen : mounts)
      if (seen && seen->mount_point == m.mount_point) seen = nullptr;
    mounts.push_back(&m);
  }
  std::erase(mounts, nullptr);

  auto find_record = [&](MapKind kind, const std::string& value) -> int {
    for (int i = 0; i < 26; ++i)
      if (t.map[i] && t.map[i]->kind == kind && t.map[i]->value == value) return i;
    return -1;
  };
  std::array<bool, 26> present{};
  // A free letter: D..Z, then (only for floppy devices, first) A and B.
  auto take_letter = [&](bool floppy, MapRecord rec) -> int {
    std::vector<int> order;
    if (floppy) order = {0, 1};
    for (int i = 3; i < 26; ++i) order.push_back(i);
    for (int i : order)
      if (!t.map[i]) {
        t.map[i] = std::move(rec);
        t.map_changed = true;
        return i;
      }
    // Every letter is kept: take one whose mount point is not mounted now.
    for (int i : order)
      if (t.map[i]->kind == MapKind::Mount && !present[i]) {
        t.map[i] = std::move(rec);
        t.map_changed = true;
        return i;
      }
    return -1;
  };

  // "/" is always C.
  if (!t.map[2] || t.map[2]->kind != MapKind::Mount || t.map[2]->value != "/") {
    t.map[2] = MapRecord{MapKind::Mount, "/"};
    t.map_changed = true;
  }
  // Letters already kept first, so that a new drive never takes the letter
  // of one that is present.
  for (const MountEntry* m : mounts) {
    int i = find_record(MapKind::Mount, m->mount_point);
    if (i >= 0) present[i] = true;
  }
  for (const Optical& o : opticals) {
    int i = find_record(MapKind::Optical, "/dev/" + o.name);
    if (i >= 0) present[i] = true;
  }
  for (const MountEntry* m : mounts) {
    int i = find_record(MapKind::Mount, m->mount_point);
    if (i < 0) i = take_letter(StartsWith(Base(m->source), "fd"), {MapKind::Mount, m->mount_point});
    if (i < 0) continue;
    present[i] = true;
    DriveEntry d;
    d.letter = static_cast<char>('A' + i);
    d.source = DriveSource::Mount;
    d.type = sys.TypeOfMount(*m);
    d.root = m->mount_point;
    d.device = sys.DevicePath(*m);
    d.fstype = m->fstype;
    t.drives[i] = d;
    t.mount_of[i] = *m;
  }
  for (const Optical& o : opticals) {
    const std::string dev = "/dev/" + o.name;
    int i = find_record(MapKind::Optical, dev);
    if (i < 0) i = take_letter(false, {MapKind::Optical, dev});
    if (i < 0) continue;
    present[i] = true;
    DriveEntry d;
    d.letter = static_cast<char>('A' + i);
    d.source = DriveSource::Optical;
    d.type = DriveType::CdRom;
    d.device = dev;
    // The disc's mount point is looked up now, each time.
    for (const MountEntry& m : t.mounts)
      if (SameDevice(m, o)) {
        d.root = m.mount_point;
        d.fstype = m.fstype;
        t.mount_of[i] = m;
      }
    t.drives[i] = d;
  }
  for (int i = 0; i < 26; ++i) {
    if (!t.map[i] || t.map[i]->kind != MapKind::Folder) continue;
    DriveEntry d;
    d.letter = static_cast<char>('A' + i);
    d.source = DriveSource::Binding;
    d.root = t.map[i]->value;
    if (IsDir(d.root)) {
      if (auto host = ContainingMount(t.mounts, d.root)) {
        d.type = sys.TypeOfMount(*host);
        d.fstype = host->fstype;
        d.device = sys.DevicePath(*host);
        t.mount_of[i] = *host;
      } else {
        d.type = DriveType::Fixed;
      }
    } else {
      d.type = DriveType::NoRootDir;
    }
    t.drives[i] = d;
  }
  if (t.map_changed) {
    std::string err;
    SaveMap(t, err);  // letters still work for this run when the file cannot be written
  }
  return t;
}

namespace {

// Changes to the map are read-modify-write: one process at a time (several
// adds may bind folders at once). Best effort: without a lock file the
// change still goes through.
std::unique_ptr<FileLock> LockMapFile(const std::string& map_file) {
  std::string err;
  const std::string dir = DirName(map_file);
  if (!dir.empty()) Platform().files->CreateDirs(dir, err);
  return Platform().files->TakeLock(map_file + ".lock", LockKind::Exclusive, 10000, {}, err);
}

}  // namespace

bool LinuxDriveTable::SaveMap(const Table& t, std::string& err) {
  FileSystem& fs = *Platform().files;
  std::string dir = DirName(MapFile());
  if (!dir.empty() && !fs.CreateDirs(dir, err)) return false;
  return fs.WriteFileAtomic(MapFile(), FormatDriveMap(t.map), err);
}

std::vector<DriveEntry> LinuxDriveTable::List() {
  Table t = Build();
  std::vector<DriveEntry> out;
  for (auto& d : t.drives)
    if (d) out.push_back(*d);
  return out;
}

std::optional<DriveEntry> LinuxDriveTable::Find(char letter) {
  int i = LetterIndex(letter);
  if (i < 0) return std::nullopt;
  return Build().drives[i];
}

namespace {

struct RawVolume {
  bool found = false;
  std::string label, uuid;
};

RawVolume ProbeDevice([[maybe_unused]] const std::string& path) {
  RawVolume v;
#ifdef FERROVAN_HAVE_BLKID
  blkid_probe pr = blkid_new_probe_from_filename(path.c_str());
  if (!pr) return v;
  blkid_probe_enable_superblocks(pr, 1);
  blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
  if (blkid_do_safeprobe(pr) == 0) {
    const char* data = nullptr;
    std::size_t len = 0;
    v.found = true;
    if (blkid_probe_lookup_value(pr, "LABEL", &data, &len) == 0 && data) v.label = data;
    if (blkid_probe_lookup_value(pr, "UUID", &data, &len) == 0 && data) v.uuid = data;
  }
  blkid_free_probe(pr);
#endif
  return v;
}

// udev's /dev/disk/by-uuid and by-label links: readable without access to
// the device node.
RawVolume FromDiskLinks(const std::string& dev_root, const std::string& kname) {
  RawVolume v;
  if (kname.empty()) return v;
  PosixDirectoryWalker w;
  for (const char* kind : {"by-uuid", "by-label"}) {
    const std::string dir = dev_root + "/disk/" + kind;
    w.List(dir, [&](const DirEntry& e) {
      if (!e.is_symlink || Base(ReadLink(dir + "/" + e.raw_name)) != kname) return;
      v.found = true;
      (kind[3] == 'u' ? v.uuid : v.label) = DecodeUdevName(e.raw_name);
    });
  }
  return v;
}

}  // namespace

std::optional<MountEntry> LinuxDriveTable::MountOf(const Table& t, const DriveEntry& d) {
  int i = d.letter - 'A';
  return (i >= 0 && i < 26) ? t.mount_of[i] : std::nullopt;
}

bool LinuxDriveTable::Volume(char letter, DriveVolume& out) {
  out = {};
  int i = LetterIndex(letter);
  if (i < 0) return false;
  Table t = Build();
  const auto& d = t.drives[i];
  if (!d || d->root.empty() || d->type == DriveType::NoRootDir) return false;
  struct statvfs vfs;
  if (::statvfs(d->root.c_str(), &vfs) != 0) return false;
  out.max_component_length = static_cast<std::uint32_t>(vfs.f_namemax);

  RawVolume raw;
  std::string fstype = d->fstype;
  if (auto m = MountOf(t, *d)) {
    SysInfo sys(config_);
    const std::string kname = sys.KernelName(*m);
    if (!kname.empty()) {
      if (config_.probe_devices) raw = ProbeDevice(config_.dev_root + "/" + kname);
      if (!raw.found) raw = FromDiskLinks(config_.dev_root, kname);
    }
  }
  out.label = LabelToCp932(raw.label);
  out.serial = SerialTextFromUuid(raw.uuid, fstype);
  if (out.serial.empty()) {
    // No device id: the filesystem id the kernel reports, folded to 32 bits.
    const std::uint64_t fsid = vfs.f_fsid;
    out.serial = SerialText(static_cast<std::uint32_t>(fsid ^ (fsid >> 32)));
  }
  return true;
}

namespace {

bool StatVfsOf(LinuxDriveTable& drives, char letter, struct statvfs& vfs) {
  auto d = drives.Find(letter);
  if (!d || d->root.empty() || d->type == DriveType::NoRootDir) return false;
  return ::statvfs(d->root.c_str(), &vfs) == 0;
}

std::uint64_t UnitOf(const struct statvfs& v) { return v.f_frsize ? v.f_frsize : v.f_bsize; }

}  // namespace

std::int32_t LinuxDriveTable::ClusterSize(char letter) {
  struct statvfs vfs;
  if (!StatVfsOf(*this, letter, vfs)) return 0;
  std::uint64_t unit = UnitOf(vfs);
  return unit > INT32_MAX ? 0 : static_cast<std::int32_t>(unit);
}

double LinuxDriveTable::FreeSpace(char letter) {
  struct statvfs vfs;
  if (!StatVfsOf(*this, letter, vfs)) return -1.0;
  return static_cast<double>(vfs.f_bfree) * static_cast<double>(UnitOf(vfs));
}

namespace {

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string p = path ? path : "/usr/bin:/bin";
  std::size_t i = 0;
  while (i <= p.size()) {
    std::size_t j = p.find(':', i);
    if (j == std::string::npos) j = p.size();
    std::string dir = p.substr(i, j - i);
    if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    i = j + 1;
  }
  return false;
}

// Runs a program without a shell, output discarded; the status is ignored.
void RunQuietly(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ) == 0) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&fa);
}

}  // namespace

void LinuxDriveTable::Eject(char letter) {
  auto d = Find(letter);
  if (!d || d->source != DriveSource::Optical || !config_.run_eject) return;
  if (!d->root.empty()) {
    // udisks2 where it runs (it mounted the disc for the user), else umount.
    if (OnPath("udisksctl"))
      RunQuietly({"udisksctl", "unmount", "--no-user-interaction", "-b", d->device});
    else
      RunQuietly({"umount", d->root});
  }
  int fd = ::open((config_.dev_root + "/" + Base(d->device)).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ::ioctl(fd, CDROMEJECT, 0);
    ::close(fd);
  }
}

DriveEdit LinuxDriveTable::Bind(char letter, const std::string& folder, std::string& err) {
  int i = LetterIndex(letter);
  if (i < 0) {
    err = std::string("'") + letter + "' is not a drive letter (A to Z)";
    return DriveEdit::Refused;
  }
  const char L = static_cast<char>('A' + i);
  std::string real = RealPath(folder);
  if (real.empty() || !IsDir(real)) {
    err = "folder '" + folder + "' does not exist or is not a folder";
    return DriveEdit::Refused;
  }
  const auto map_lock = LockMapFile(MapFile());
  Table t = Build();
  if (t.map[i]) {
    const char* what = t.map[i]->kind == MapKind::Folder ? "bound to" : t.drives[i] ? "in use by" : "kept for";
    err = std::string("drive ") + L + ": is " + what + " " + t.map[i]->value;
    return DriveEdit::Refused;
  }
  t.map[i] = MapRecord{MapKind::Folder, real};
  if (!SaveMap(t, err)) {
    err = "cannot write the drive map " + MapFile() + ": " + err;
    return DriveEdit::WriteFailed;
  }
  return DriveEdit::Done;
}

DriveEdit LinuxDriveTable::Unbind(char letter, std::string& err) {
  int i = LetterIndex(letter);
  if (i < 0) {
    err = std::string("'") + letter + "' is not a drive letter (A to Z)";
    return DriveEdit::Refused;
  }
  const char L = static_cast<char>('A' + i);
  if (L == 'C') {
    err = "drive C: is the root filesystem, not a folder binding";
    return DriveEdit::Refused;
  }
  const auto map_lock = LockMapFile(MapFile());
  Table t = Build();
  if (!t.map[i]) {
    err = std::string("drive ") + L + ": is not bound";
    return DriveEdit::Refused;
  }
  if (t.map[i]->kind != MapKind::Folder && t.drives[i]) {
    err = std::string("drive ") + L + ": is " + t.map[i]->value + ", not a folder binding";
    return DriveEdit::Refused;
  }
  t.map[i].reset();
  if (!SaveMap(t, err)) {
    err = "cannot write the drive map " + MapFile() + ": " + err;
    return DriveEdit::WriteFailed;
  }
  return DriveEdit::Done;
}

char LinuxDriveTable::LetterForFolder(const std::string& folder, std::string& err) {
  std::string real = RealPath(folder);
  if (real.empty() || !IsDir(real)) {
    err = "folder '" + folder + "' does not exist or is not a folder";
    return 0;
  }
  const auto map_lock = LockMapFile(MapFile());
  Table t = Build();
  for (int i = 0; i < 26; ++i)
    if (t.drives[i] && t.drives[i]->source != DriveSource::Binding && !t.drives[i]->root.empty() &&
        RealPath(t.drives[i]->root) == real)
      return static_cast<char>('A' + i);
  for (int i = 0; i < 26; ++i)
    if (t.map[i] && t.map[i]->kind == MapKind::Folder && t.map[i]->value == real) return static_cast<char>('A' + i);
  // New bindings take letters from Z down, leaving the low letters to mounts.
  for (int i = 25; i >= 3; --i) {
    if (t.map[i]) continue;
    t.map[i] = MapRecord{MapKind::Folder, real};
    if (!SaveMap(t, err)) {
      err = "cannot write the drive map " + MapFile() + ": " + err;
      return 0;
    }
    return static_cast<char>('A' + i);
  }
  err = "no free drive letter for '" + folder + "'";
  return 0;
}

}  // namespace fv
