#pragma once
// Paints a cell of the size column and, while the bars are shown, the
// row's size bar over it.

#include "ui/list_cell_delegate.h"

namespace fv {

class FileListModel;

class SizeBarDelegate : public ListCellDelegate {
  Q_OBJECT
 public:
  explicit SizeBarDelegate(const FileListModel* model, QObject* parent = nullptr);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const FileListModel* model_;
};

}  // namespace fv
