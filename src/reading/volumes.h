#pragma once
// The drive and volume queries of reading and registration, by drive letter
// (A..Z, either case) or drive number (A = 1). They answer from the
// platform's drive table; tests install their own answers.

#include <cstdint>
#include <string>
#include <string_view>

namespace fv {

struct VolumeText {
  std::string label;       // cp932
  std::string serial;      // upper-case hexadecimal, at least 4 digits
  std::string max_length;  // maximum component length in decimal
};

class DriveQueries {
 public:
  virtual ~DriveQueries() = default;
  // Kind 0..7 of the drive's root (0: no root directory).
  virtual int Kind(char letter) = 0;
  // Native path of the drive's root folder; empty when the letter names
  // nothing.
  virtual std::string RootPath(char letter) = 0;
  // Bytes per cluster; 0 when the query fails.
  virtual std::int32_t ClusterSize(char letter) = 0;
  // Free bytes; -1.0 when the query fails.
  virtual double FreeSpace(char letter) = 0;
  // False (texts empty) when the query fails, e.g. no medium in the drive.
  virtual bool Volume(char letter, VolumeText& out) = 0;
  // Ejects the drive's disc; results are ignored.
  virtual void Eject(char letter) = 0;
};

// The queries in use (never null; by default the platform's drive table,
// reading/platform_drives.h) and, for tests, a replacement (nullptr restores
// the platform's).
DriveQueries& Drives();
void SetDriveQueries(DriveQueries* q);

// Upper-case letter of a drive text ("c", "C:", "c:\\"); 0 when it does not
// start with a letter A..Z.
char DriveLetterOf(std::string_view text);
inline int DriveNumber(char letter) { return letter >= 'A' && letter <= 'Z' ? letter - 'A' + 1 : 0; }
inline char DriveLetterOfNumber(int n) { return n >= 1 && n <= 26 ? static_cast<char>('A' + n - 1) : 0; }

// Kind of the drive (0 for a text that is not a drive letter).
int DriveKindOf(std::string_view letter);
// Whether the cluster-size query of drive number d gives a non-zero value.
bool DriveReady(int number);
// Label, serial and maximum component length; false with empty texts on
// failure.
bool VolumeInfo(std::string_view letter, VolumeText& out);

}  // namespace fv
