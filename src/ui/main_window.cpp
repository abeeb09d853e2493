#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "catalog/lifecycle.h"
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

  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  mnuNewCatalog = file->addAction(QStringLiteral("DBの新規作成(&N)..."));
  mnuNewCatalog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  mnuOpenCatalog = file->addAction(QStringLiteral("DBを開く(&O)..."));
  mnuOpenCatalog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  file->addSeparator();
  mnuExit = file->addAction(QStringLiteral("終了(&X)"));
  connect(mnuNewCatalog, &QAction::triggered, this, &TfrmMain::mnuNewCatalogClick);
  connect(mnuOpenCatalog, &QAction::triggered, this, &TfrmMain::mnuOpenCatalogClick);
  connect(mnuExit, &QAction::triggered, this, &TfrmMain::mnuExitClick);

  CatalogHooks& h = TheLifecycle().hooks;
  h.setBusyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
      QApplication::restoreOverrideCursor();
  };
}

void TfrmMain::showEvent(QShowEvent* e) {
  setWindowTitle(MainWindowTitle());
  QMainWindow::showEvent(e);
}

void TfrmMain::closeEvent(QCloseEvent* e) {
  if (TheLifecycle().CloseRequest())
    e->accept();
  else
    e->ignore();
}

void TfrmMain::mnuNewCatalogClick() { TheLifecycle().NewCatalogCommand(); }
void TfrmMain::mnuOpenCatalogClick() { TheLifecycle().OpenCatalogCommand(); }
void TfrmMain::mnuExitClick() { close(); }

}  // namespace fv
