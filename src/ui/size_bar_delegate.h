#pragma once
// Paints a cell of the size column and, while the bars are shown, the
// row's size bar over it.

#include <QStyledItemDelegate>

namespace fv {

class FileListModel;

class SizeBarDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit SizeBarDelegate(const FileListModel* model, QObject* parent = nullptr);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const FileListModel* model_;
};

}  // namespace fv
