#include "ui/size_bar_delegate.h"

#include <QPainter>

#include "platform/qt_convert.h"
#include "ui/file_list_model.h"

namespace fv {

namespace {

QRect ToQRect(const BarRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

SizeBarDelegate::SizeBarDelegate(const FileListModel* model, QObject* parent)
    : ListCellDelegate(parent), model_(model) {}

void SizeBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  ListCellDelegate::paint(painter, option, index);
  if (!model_->Display().SizeBars()) return;
  const int length = model_->SizeBars().Length(index.data(kSizeRole).toDouble(), option.rect.width());
  if (length <= 0) return;
  const SizeBarShape shape = SizeBarRects(option.rect.left(), option.rect.top(), length);
  painter->save();
  painter->setClipRect(option.rect);
  painter->fillRect(ToQRect(shape.shadow), Qt::blue);
  painter->fillRect(ToQRect(shape.bar), QColorFromStored(model_->Display().BarColor()));
  painter->restore();
}

}  // namespace fv
