#pragma once
// The process-wide set of platform services. The program installs the real
// ones at start; a test swaps in fakes and restores them afterwards.

#include <memory>

namespace fv {

class FileSystem;
class SettingsStore;
class Messages;
class FileDialogs;
class DirectoryWalker;
class FileVersions;
class FileTypes;
class DriveTable;
class Clipboard;

struct Services {
  FileSystem* files = nullptr;
  SettingsStore* settings = nullptr;
  Messages* messages = nullptr;
  FileDialogs* dialogs = nullptr;
  DirectoryWalker* dirs = nullptr;
  FileVersions* versions = nullptr;
  FileTypes* types = nullptr;
  DriveTable* drives = nullptr;
  Clipboard* clipboard = nullptr;
};

// Never null members: defaults are the POSIX files, the user's settings
// file, console messages, no file dialogs, the real directory walk, the PE
// version reader, the shared MIME database, the system's drive table and a
// clipboard in memory.
Services& Platform();

// Restores the defaults (for tests).
void ResetPlatform();

}  // namespace fv
