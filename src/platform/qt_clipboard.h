#pragma once
// The system clipboard through Qt.

#include "platform/clipboard.h"

namespace fv {

class QtClipboard : public Clipboard {
 public:
  void SetText(const std::string& cp932) override;
};

// Installs the Qt clipboard into Platform() (after the QApplication exists).
void InstallQtClipboard();

}  // namespace fv
