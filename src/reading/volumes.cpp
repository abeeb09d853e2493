#include "reading/volumes.h"

#include "reading/platform_drives.h"

namespace fv {

namespace {

DriveQueries*& Installed() {
  static DriveQueries* q = nullptr;
  return q;
}

}  // namespace

DriveQueries& Drives() {
  static PlatformDriveQueries platform;
  return Installed() ? *Installed() : platform;
}

void SetDriveQueries(DriveQueries* q) { Installed() = q; }

char DriveLetterOf(std::string_view text) {
  if (text.empty()) return 0;
  char c = text[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? c : 0;
}

int DriveKindOf(std::string_view letter) {
  char c = DriveLetterOf(letter);
  return c ? Drives().Kind(c) : 0;
}

bool DriveReady(int number) {
  char c = DriveLetterOfNumber(number);
  return c && Drives().ClusterSize(c) != 0;
}

bool VolumeInfo(std::string_view letter, VolumeText& out) {
  out = {};
  char c = DriveLetterOf(letter);
  if (!c || !Drives().Volume(c, out)) {
    out = {};
    return false;
  }
  return true;
}

}  // namespace fv
