#include "platform/services.h"

#include "platform/clipboard.h"
#include "platform/dir_walk.h"
#include "platform/drives.h"
#include "platform/file_version.h"
#include "platform/file_types.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/settings_store.h"

namespace fv {

namespace {

Services MakeDefaults() {
  static PosixFileSystem files;
  static FileSettingsStore settings;
  static ConsoleMessages messages;
  static NoFileDialogs dialogs;
  static PosixDirectoryWalker dirs;
  static PeFileVersions versions;
  static MimeFileTypes types;
  static LinuxDriveTable drives;
  static MemoryClipboard clipboard;
  Services s;
  s.files = &files;
  s.settings = &settings;
  s.messages = &messages;
  s.dialogs = &dialogs;
  s.dirs = &dirs;
  s.versions = &versions;
  s.types = &types;
  s.drives = &drives;
  s.clipboard = &clipboard;
  return s;
}

}  // namespace

Services& Platform() {
  static Services s = MakeDefaults();
  return s;
}

void ResetPlatform() { Platform() = MakeDefaults(); }

}  // namespace fv
