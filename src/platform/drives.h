#pragma once
// Drives and volumes. A drive letter names a drive root: the mounted
// filesystems ("/" is C, every other mount point gets a free letter the
// first time it is seen), optical drives (bound by device, so the letter
// stays when the disc changes) and folders the user binds to a letter. The
// letters persist in the per-user drive map file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fv {

// The system's drive type codes (the values are the ones catalogs have
// always been read with; the registration logic maps them to drive kinds).
enum class DriveType : int {
  Unknown = 0,
  NoRootDir = 1,  // no drive, or a bound folder that is missing
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

enum class DriveSource { Mount, Optical, Binding };

// Outcome of a change to the drive map: refused for bad input (the message
// says why), or failed because the map file could not be written.
enum class DriveEdit { Done, Refused, WriteFailed };

struct DriveEntry {
  char letter = 0;  // 'A'..'Z'
  DriveType type = DriveType::NoRootDir;
  DriveSource source = DriveSource::Mount;
  // Native path of the root folder; empty while an optical drive has no
  // mounted disc. A binding keeps its folder even when it is missing.
  std::string root;
  std::string device;  // "/dev/sr0", "/dev/sdb1"; empty when the filesystem has none
  std::string fstype;  // of the filesystem holding root; empty when none
};

struct DriveVolume {
  std::string label;   // cp932
  std::string serial;  // upper-case hexadecimal, at least 4 digits
  std::uint32_t max_component_length = 0;
};

class DriveTable {
 public:
  virtual ~DriveTable() = default;

  // Every drive that has a letter, in letter order. New mount points get
  // their letters here.
  virtual std::vector<DriveEntry> List() = 0;
  // One drive (letter in either case); nothing for a letter without one.
  virtual std::optional<DriveEntry> Find(char letter) = 0;

  // Label, serial number and maximum name length of the volume in the
  // drive (for a binding: of the volume that holds the folder). False when
  // there is no readable volume.
  virtual bool Volume(char letter, DriveVolume& out) = 0;
  // Bytes per allocation unit of the drive's filesystem; 0 when it cannot
  // be asked (no disc, no drive).
  virtual std::int32_t ClusterSize(char letter) = 0;
  // Free bytes; -1.0 when it cannot be asked.
  virtual double FreeSpace(char letter) = 0;
  // Unmounts and ejects the disc of an optical drive; does nothing for
  // other drives. Results are ignored.
  virtual void Eject(char letter) = 0;

  // Binds letter to an existing folder. Refused (err in UTF-8) for a letter
  // outside A..Z, a letter in use or kept for a drive, or a folder that is
  // missing or not a folder.
  virtual DriveEdit Bind(char letter, const std::string& folder, std::string& err) = 0;
  // Removes a binding, or forgets the letter kept for a mount point that is
  // not mounted now. Refused for an unknown letter and for present drives.
  virtual DriveEdit Unbind(char letter, std::string& err) = 0;
  // The letter that names folder: a drive whose root it is, else its
  // binding, else a new binding on a free letter. 0 (with err) on failure.
  virtual char LetterForFolder(const std::string& folder, std::string& err) = 0;

  // Drive type of the letter (NoRootDir when there is no drive).
  DriveType TypeOf(char letter);
};

// ---- pieces, public for tests -------------------------------------------

struct MountEntry {
  unsigned major = 0, minor = 0;
  std::string root;         // the folder of the filesystem that is mounted
  std::string mount_point;  // octal escapes decoded
  std::string fstype;
  std::string source;
};
// Where the real drive table looks; tests point these at fixtures.
struct LinuxDriveTableConfig {
  std::string mountinfo = "/proc/self/mountinfo";
  std::string sys_root = "/sys";
  std::string dev_root = "/dev";
  std::string map_file;       // empty: DriveMapFilePath()
  bool probe_devices = true;  // read labels from device nodes (libblkid)
  bool run_eject = true;      // run udisksctl/umount and the eject ioctl
};

class LinuxDriveTable : public DriveTable {
 public:
  explicit LinuxDriveTable(LinuxDriveTableConfig config = {});
  std::vector<DriveEntry> List() override;
  std::optional<DriveEntry> Find(char letter) override;
  bool Volume(char letter, DriveVolume& out) override;
  std::int32_t ClusterSize(char letter) override;
  double FreeSpace(char letter) override;
  void Eject(char letter) override;
  DriveEdit Bind(char letter, const std::string& folder, std::string& err) override;
  DriveEdit Unbind(char letter, std::string& err) override;
  char LetterForFolder(const std::string& folder, std::string& err) override;

 private:
  struct Table;
  Table Build();
  bool SaveMap(const Table& t, std::string& err);
  std::optional<MountEntry> MountOf(const Table& t, const DriveEntry& d);
  std::string MapFile() const;
  LinuxDriveTableConfig config_;
};

// Parses /proc/self/mountinfo text; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Whether a mount belongs in the drive table (pseudo filesystems and the
// system's own mounts under /proc, /sys, /dev and /run are left out).
bool IsDriveMount(const MountEntry& m);

// Serial text from a filesystem UUID: its hexadecimal digits taken as a
// number; 8 digits or fewer as they are (FAT "ABCD-1234"), NTFS's 16 digits
// by their low 32 bits as Windows shows them, longer ids folded to 32 bits
// by xor, so every serial fits the catalog's field and compares exactly
// later. Upper case, at least 4 digits. Empty for a UUID without digits.
std::string SerialTextFromUuid(std::string_view uuid, std::string_view fstype);
// The same from a 32-bit value.
std::string SerialText(std::uint32_t value);

// udev's escaping in /dev/disk/by-label names ("\x20" for a space).
std::string DecodeUdevName(std::string_view name);

}  // namespace fv
