// ferrovan: the desktop program.

#include <QApplication>

#include "catalog/lifecycle.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_messages.h"
#include "platform/single_instance.h"
#include "ui/main_window.h"
#include "ui/translations.h"

int main(int argc, char** argv) {
  // Another instance runs: leave without a word.
  fv::SingleInstance guard("EX_Ferrovan");
  if (guard.OtherInstanceRunning()) return 0;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ferrovan"));
  QApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
  QApplication::setApplicationDisplayName(QStringLiteral("FerrovanFree"));
  fv::InstallJapaneseTranslations(app);
  fv::InstallQtClipboard();
  fv::TfrmMain window;
  fv::InstallQtPlatform(&window);
  // No catalog chosen, or creating it declined or failed: the program ends.
  if (!fv::TheLifecycle().OpenStartupCatalog()) return 0;
  window.Start();
  window.show();
  return app.exec();
}
