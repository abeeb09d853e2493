// ferrovan: the desktop program.

#include <QApplication>

#include "platform/qt_messages.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ferrovan"));
  QApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
  QApplication::setApplicationDisplayName(QStringLiteral("FerrovanFree"));
  fv::TfrmMain window;
  fv::InstallQtPlatform(&window);
  window.show();
  return app.exec();
}
