#include "reading/platform_drives.h"

#include <cctype>

#include "catalog/records.h"
#include "platform/services.h"

namespace fv {

int DriveKindOfType(DriveType type, char letter) {
  const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  switch (type) {
    case DriveType::NoRootDir: return kKindNoRoot;
    case DriveType::Removable: return (l == 'A' || l == 'B') ? kKindFloppy : kKindRemovable;
    case DriveType::Fixed: return kKindFixed;
    case DriveType::Remote: return kKindRemote;
    case DriveType::CdRom: return kKindOptical;
    case DriveType::RamDisk: return kKindRamDisk;
    case DriveType::Unknown: break;
  }
  return kKindOther;
}

int PlatformDriveQueries::Kind(char letter) {
  return DriveKindOfType(Platform().drives->TypeOf(letter), letter);
}

std::string PlatformDriveQueries::RootPath(char letter) {
  auto d = Platform().drives->Find(letter);
  return d ? d->root : std::string();
}

std::int32_t PlatformDriveQueries::ClusterSize(char letter) { return Platform().drives->ClusterSize(letter); }

double PlatformDriveQueries::FreeSpace(char letter) { return Platform().drives->FreeSpace(letter); }

bool PlatformDriveQueries::Volume(char letter, VolumeText& out) {
  out = {};
  DriveVolume v;
  if (!Platform().drives->Volume(letter, v)) return false;
  out.label = v.label;
  out.serial = v.serial;
  out.max_length = std::to_string(v.max_component_length);
  return true;
}

void PlatformDriveQueries::Eject(char letter) { Platform().drives->Eject(letter); }

}  // namespace fv
