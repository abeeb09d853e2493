#pragma once
// The main window.

#include <QMainWindow>

class QAction;

namespace fv {

// Window title: "FerrovanFree  [Ver." + version + "]".
QString MainWindowTitle();

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(QWidget* parent = nullptr);

  QAction* mnuNewCatalog = nullptr;   // "DBの新規作成(&N)..."
  QAction* mnuOpenCatalog = nullptr;  // "DBを開く(&O)..."
  QAction* mnuExit = nullptr;         // "終了(&X)"

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void mnuNewCatalogClick();
  void mnuOpenCatalogClick();
  void mnuExitClick();
};

}  // namespace fv
