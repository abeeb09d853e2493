#pragma once
// The drive queries of reading and registration answered from the
// platform's drive table (Platform().drives).

#include "platform/drives.h"
#include "reading/volumes.h"

namespace fv {

// Drive kind 0..7 of a drive type: removable drives A and B are floppies.
int DriveKindOfType(DriveType type, char letter);

class PlatformDriveQueries : public DriveQueries {
 public:
  int Kind(char letter) override;
  std::string RootPath(char letter) override;
  std::int32_t ClusterSize(char letter) override;
  double FreeSpace(char letter) override;
  bool Volume(char letter, VolumeText& out) override;
  void Eject(char letter) override;
};

}  // namespace fv
