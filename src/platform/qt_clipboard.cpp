#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/qt_convert.h"
#include "platform/services.h"

namespace fv {

void QtClipboard::SetText(const std::string& cp932) {
  // The lines keep their CR LF: other programs read the text as it is.
  QGuiApplication::clipboard()->setText(QFromCp932(cp932));
}

void InstallQtClipboard() {
  static QtClipboard clipboard;
  Platform().clipboard = &clipboard;
}

}  // namespace fv
