#pragma once
// The main window.

#include <QMainWindow>

namespace fv {

// Window title: "FerrovanFree  [Ver." + version + "]".
QString MainWindowTitle();

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* e) override;
};

}  // namespace fv
