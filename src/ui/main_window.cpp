#include "ui/main_window.h"

#include <QLabel>
#include <QStatusBar>

#include "version.h"

namespace fv {

QString MainWindowTitle() {
  return QStringLiteral("FerrovanFree  [Ver.") + QStringLiteral(FERROVAN_VERSION_TEXT) + QStringLiteral("]");
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(MainWindowTitle());
  resize(900, 600);
  statusBar();
}

void TfrmMain::showEvent(QShowEvent* e) {
  setWindowTitle(MainWindowTitle());
  QMainWindow::showEvent(e);
}

}  // namespace fv
