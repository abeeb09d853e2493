#include "ui/list_cell_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace fv {

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  // Background, selection and hover as the style draws them.
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  QRect r = opt.rect.adjusted(margin, 0, -margin, 0);
  if (opt.features & QStyleOptionViewItem::HasDecoration) {
    const QSize s = opt.decorationSize;
    const QRect icon(r.left(), r.top() + (r.height() - s.height()) / 2, s.width(), s.height());
    const QIcon::Mode mode = !(opt.state & QStyle::State_Enabled) ? QIcon::Disabled
                             : (opt.state & QStyle::State_Selected) ? QIcon::Selected
                                                                     : QIcon::Normal;
    opt.icon.paint(painter, icon, Qt::AlignCenter, mode);
    r.setLeft(icon.right() + 1 + margin);
  }
  if (opt.text.isEmpty() || r.width() <= 0) return;
  const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                 : QPalette::Text));
  painter->setFont(opt.font);
  const QString shown = opt.fontMetrics.horizontalAdvance(opt.text) <= r.width()
                            ? opt.text
                            : opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, r.width());
  painter->drawText(r, static_cast<int>(opt.displayAlignment | Qt::TextSingleLine), shown);
}

}  // namespace fv
