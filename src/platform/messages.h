#pragma once
// Modal message boxes and the common file dialogs. The GUI installs a Qt
// implementation; tests install a scripted one. Texts are cp932.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fv {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, YesNo, OkCancel, YesNoCancel, RetryCancel };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

class Messages {
 public:
  virtual ~Messages() = default;
  virtual MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons) = 0;
};

struct FileDialogRequest {
  std::string title;             // cp932
  std::string filter;            // e.g. "管理ファイル (*.fvd)" in cp932
  std::string initial_dir;       // native path
  std::string initial_name;      // native file name
  std::string default_ext;       // without dot, e.g. "fvd"
  bool must_exist = true;        // open dialogs
  bool confirm_overwrite = true; // save dialogs
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // A native path, or nothing when the user cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& req) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& req) = 0;
  virtual std::optional<std::string> ChooseFolder(const FileDialogRequest& req) = 0;
  // The colour chosen, or nothing when the user cancelled. Colours are
  // stored values: red in bits 0-7, green in 8-15, blue in 16-23. An empty
  // title leaves the dialog's own.
  virtual std::optional<std::uint32_t> ChooseColor(std::uint32_t initial_bgr, const std::string& title_cp932) = 0;
};

// Answers nothing on screen: used by the command line, where every question
// takes its default (the first button that does not proceed) and text goes
// to standard error.
class ConsoleMessages : public Messages {
 public:
  MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon,
                 MsgButtons buttons) override;
};

class NoFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> OpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> ChooseFolder(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::uint32_t> ChooseColor(std::uint32_t, const std::string&) override { return std::nullopt; }
};

}  // namespace fv
