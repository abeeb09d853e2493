#include "ui/class_tabs.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QLayout>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>

#include "platform/qt_convert.h"

namespace fv {

namespace {

// Lays its items out left to right, starting a new row when one is full.
class FlowLayout : public QLayout {
 public:
  explicit FlowLayout(QWidget* parent) : QLayout(parent) { setContentsMargins(0, 0, 0, 0); }
  ~FlowLayout() override {
    while (QLayoutItem* i = takeAt(0)) delete i;
  }
  void addItem(QLayoutItem* item) override { items_.append(item); }
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int i) const override { return i >= 0 && i < items_.size() ? items_[i] : nullptr; }
  QLayoutItem* takeAt(int i) override { return i >= 0 && i < items_.size() ? items_.takeAt(i) : nullptr; }
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int w) const override { return Arrange(QRect(0, 0, w, 0), false); }
  void setGeometry(const QRect& r) override {
    QLayout::setGeometry(r);
    Arrange(r, true);
  }
  QSize sizeHint() const override { return minimumSize(); }
  QSize minimumSize() const override {
    QSize s;
    for (QLayoutItem* i : items_) s = s.expandedTo(i->minimumSize());
    return s;
  }

 private:
  int Arrange(const QRect& r, bool apply) const {
    int x = r.x(), y = r.y(), line = 0;
    for (QLayoutItem* i : items_) {
      const QSize h = i->sizeHint();
      if (x + h.width() > r.right() + 1 && line > 0) {
        x = r.x();
        y += line;
        line = 0;
      }
      if (apply) i->setGeometry(QRect(QPoint(x, y), h));
      x += h.width();
      line = std::max(line, h.height());
    }
    return y + line - r.y();
  }
  QList<QLayoutItem*> items_;
};

}  // namespace

ClassTabs::ClassTabs(QWidget* parent) : QWidget(parent), group_(new QButtonGroup(this)) {
  setObjectName(QStringLiteral("tabClassification"));
  group_->setExclusive(true);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  holder_ = nullptr;
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll_);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { emit Changed(id); });
  Relayout();
}

void ClassTabs::SetTabs(const std::vector<std::string>& captions, const std::string& keep) {
  captions_ = captions;
  Relayout();
  int index = 0;
  for (std::size_t i = 0; i < captions_.size(); ++i)
    if (captions_[i] == keep) index = static_cast<int>(i);
  if (QAbstractButton* b = group_->button(index)) b->setChecked(true);
}

std::string ClassTabs::CurrentText() const {
  const int i = CurrentIndex();
  return i >= 0 && i < Count() ? captions_[static_cast<std::size_t>(i)] : std::string();
}

int ClassTabs::CurrentIndex() const { return group_->checkedId(); }
int ClassTabs::Count() const { return static_cast<int>(captions_.size()); }

void ClassTabs::SelectText(const std::string& text) {
  int index = 0;
  for (std::size_t i = 0; i < captions_.size(); ++i)
    if (captions_[i] == text) index = static_cast<int>(i);
  if (index == CurrentIndex()) return;
  if (QAbstractButton* b = group_->button(index)) {
    b->setChecked(true);
    emit Changed(index);
  }
}

void ClassTabs::SetPosition(int position) {
  position_ = position < 0 || position > 3 ? 0 : position;
  Relayout();
}

void ClassTabs::SetWrap(bool wrap) {
  wrap_ = wrap;
  Relayout();
}

void ClassTabs::Relayout() {
  const int checked = CurrentIndex();
  for (QAbstractButton* b : group_->buttons()) group_->removeButton(b);
  auto* holder = new QWidget;
  const bool vertical = position_ >= 2;
  QLayout* lay;
  if (vertical)
    lay = new QVBoxLayout(holder);
  else if (wrap_)
    lay = new FlowLayout(holder);
  else
    lay = new QHBoxLayout(holder);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(0);
  for (std::size_t i = 0; i < captions_.size(); ++i) {
    auto* b = new QToolButton(holder);
    b->setText(QFromCp932(captions_[i]).replace(QLatin1Char('&'), QStringLiteral("&&")));
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    lay->addWidget(b);
    group_->addButton(b, static_cast<int>(i));
  }
  if (auto* box = qobject_cast<QBoxLayout*>(lay)) box->addStretch(1);
  scroll_->setWidget(holder);  // deletes the old holder
  holder_ = holder;
  scroll_->setHorizontalScrollBarPolicy(vertical || wrap_ ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
  scroll_->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  if (QAbstractButton* b = group_->button(checked >= 0 ? checked : 0)) b->setChecked(true);
  if (vertical) {
    // A column as wide as its widest caption.
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    int widest = 0;
    for (QAbstractButton* b : group_->buttons()) widest = std::max(widest, b->sizeHint().width());
    setFixedWidth(widest + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
  } else {
    setMinimumWidth(0);
    setMaximumWidth(QWIDGETSIZE_MAX);
    const int rows = holder->layout()->hasHeightForWidth() ? holder->layout()->heightForWidth(std::max(width(), 200))
                                                           : holder->sizeHint().height();
    setFixedHeight(std::max(rows, fontMetrics().height() + 8) + (wrap_ ? 0 : style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
  }
}

}  // namespace fv
