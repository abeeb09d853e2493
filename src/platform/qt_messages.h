#pragma once
// Message boxes and file dialogs on screen, through Qt Widgets.

#include "platform/messages.h"

class QWidget;

namespace fv {

class QtMessages : public Messages {
 public:
  MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon,
                 MsgButtons buttons) override;
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  QWidget* parent_ = nullptr;
};

class QtFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> OpenFile(const FileDialogRequest& req) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& req) override;
  std::optional<std::string> ChooseFolder(const FileDialogRequest& req) override;
  std::optional<std::uint32_t> ChooseColor(std::uint32_t initial_bgr, const std::string& title_cp932) override;
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  QWidget* parent_ = nullptr;
};

// Installs the on-screen implementations into Platform().
void InstallQtPlatform(QWidget* parent);

}  // namespace fv
