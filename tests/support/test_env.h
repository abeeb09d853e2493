#pragma once
// Shared test support: a private home for every test run, temporary
// folders, scripted message boxes and a fault-injecting file layer.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_types.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/services.h"

namespace fv::test {

// Converts UTF-8 test text to the core's cp932.
std::string Sj(const std::string& utf8);

// A fresh empty folder under the run's private temporary folder.
std::string MakeTempDir();
void WriteFile(const std::string& path, const std::string& data);
std::string ReadFile(const std::string& path);

// Runs a command line; returns the exit status and captures stdout.
int RunCommand(const std::string& cmd, std::string* out = nullptr);

// Records every message box and answers from a queue (default: the first
// button of the set: OK / Yes / Retry).
class ScriptedMessages : public Messages {
 public:
  struct Shown {
    std::string text;     // cp932
    std::string caption;  // cp932
    MsgIcon icon;
    MsgButtons buttons;
  };
  MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon,
                 MsgButtons buttons) override;
  std::vector<Shown> shown;
  std::vector<MsgResult> answers;  // taken from the front
  std::string TextsUtf8() const;    // every shown text, one per line, UTF-8
};

class ScriptedDialogs : public FileDialogs {
 public:
  std::optional<std::string> OpenFile(const FileDialogRequest& req) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& req) override;
  std::optional<std::string> ChooseFolder(const FileDialogRequest& req) override;
  std::optional<std::uint32_t> ChooseColor(std::uint32_t initial_bgr, const std::string& title_cp932) override;
  std::vector<std::optional<std::string>> answers;  // taken from the front; empty = cancel
  std::vector<FileDialogRequest> requests;
  struct ColorRequest {
    std::uint32_t initial;
    std::string title;  // cp932
  };
  std::vector<std::optional<std::uint32_t>> colors;  // taken from the front; empty = cancel
  std::vector<ColorRequest> color_requests;
 private:
  std::optional<std::string> Next(const FileDialogRequest& req);
};

// Thrown by FaultyFileSystem where the process is taken to die.
struct ProcessStopped {};

// Wraps the real file layer. Rules decide whether an operation fails:
// a failing write may first write part of its bytes (to model a full disk).
class FaultyFileSystem : public FileSystem {
 public:
  enum class Op { Open, Read, Write, Truncate, Sync, Rename, Remove, CreateDirs, SyncFolder };
  struct Fault {
    Op op;
    std::string path_contains;  // empty matches every path
    int skip = 0;               // let this many matching calls succeed first
    int times = -1;             // how many to fail then (-1 = all)
    std::size_t partial = 0;    // a failing write first writes this many bytes
    std::string error = "No space left on device";
  };
  std::vector<Fault> faults;
  int calls(Op op) const;

  // Stopping the process: the stop_at-th change to the disk (a write,
  // truncation, sync, rename, removal, folder sync or creating open,
  // counted from 0) is not done, or, with tear, a write is done for half
  // its bytes, and ProcessStopped is thrown. -1 never stops.
  int stop_at = -1;
  bool tear = false;
  int changes = 0;  // changes counted so far
  std::string stopped_at;  // what the stop hit ("write Default.fvd")
  // Throws when this change is where the process stops; *half is set for
  // a torn write.
  void Change(Op op, const std::string& path, bool* half = nullptr);

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode, std::string& err) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool Remove(const std::string& path, std::string& err) override;
  bool Rename(const std::string& from, const std::string& to, std::string& err) override;
  bool SyncFolderOf(const std::string& path, std::string& err) override;
  bool CreateDirs(const std::string& path, std::string& err) override;

  // True (with *fault set) when this call must fail.
  bool ShouldFail(Op op, const std::string& path, const Fault** fault);

 private:
  PosixFileSystem real_;
  std::map<int, int> counts_;
  mutable std::mutex lock_;  // files may be written from several threads
};

// A file-type database with only the extensions a test puts in (keys are
// upper-case extensions without the dot; descriptions cp932).
class FakeFileTypes : public FileTypes {
 public:
  std::optional<std::string> Describe(std::string_view extension) override;
  std::string IconName(std::string_view extension) override;
  std::map<std::string, std::string> descriptions;
  std::map<std::string, std::string> icons;
  int describe_calls = 0;
  int icon_calls = 0;
};

// Installs fakes for the life of the object and restores the defaults.
class PlatformScope {
 public:
  PlatformScope();
  ~PlatformScope();
  ScriptedMessages messages;
  ScriptedDialogs dialogs;
  FakeFileTypes types;
  void UseFaultyFiles();
  FaultyFileSystem faulty;
};

}  // namespace fv::test
