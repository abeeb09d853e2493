#pragma once
// TfrmListItem: the column order window of the file list, over a
// ColumnOrderModel that the caller applies when the window returns
// Accepted.

#include <QDialog>

class QListWidget;
class QPushButton;

namespace fv {

class ColumnOrderModel;

class TfrmListItem : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmListItem(ColumnOrderModel& model, QWidget* parent = nullptr);

  QListWidget* lstItems;
  QPushButton* cmdUp;      // "上へ"
  QPushButton* cmdDown;    // "下へ"
  QPushButton* cmdOK;      // "OK"
  QPushButton* cmdCancel;  // "キャンセル"

 private:
  void Refill();
  ColumnOrderModel& model_;
};

}  // namespace fv
