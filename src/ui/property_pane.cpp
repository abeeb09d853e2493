#include "ui/property_pane.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/qt_convert.h"
#include "ui/report_view.h"
#include "ui/logic/property_pane_texts.h"

namespace fv {

// The view's rows, two columns.
class PropertyRowsModel : public QAbstractTableModel {
 public:
  explicit PropertyRowsModel(QObject* parent) : QAbstractTableModel(parent) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() || !rows_ ? 0 : static_cast<int>(rows_->size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const PropertyRow& r = (*rows_)[static_cast<std::size_t>(index.row())];
    return QFromCp932(index.column() == 0 ? r.caption : r.text);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return QFromCp932(PropertyUiText(section == 0 ? PropertyUi::ItemColumn : PropertyUi::TextColumn));
  }
  void SetRows(const std::vector<PropertyRow>* rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }

 private:
  const std::vector<PropertyRow>* rows_ = nullptr;
};

PropertyPane::PropertyPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pnlProperty"));

  imgProperty = new QLabel(this);
  imgProperty->setObjectName(QStringLiteral("imgProperty"));
  imgProperty->setFixedSize(32, 32);
  imgProperty->setAlignment(Qt::AlignCenter);
  lblPropertyName = new QLabel(this);
  lblPropertyName->setObjectName(QStringLiteral("lblPropertyName"));
  lblPropertyName->setTextFormat(Qt::PlainText);
  QFont bold = lblPropertyName->font();
  bold.setBold(true);
  lblPropertyName->setFont(bold);

  pnlReread = new QWidget(this);
  pnlReread->setObjectName(QStringLiteral("pnlReread"));
  auto* reread = new QVBoxLayout(pnlReread);
  reread->setContentsMargins(4, 0, 4, 0);
  reread->setSpacing(0);
  for (PropertyUi line : {PropertyUi::RereadLine1, PropertyUi::RereadLine2}) {
    auto* l = new QLabel(QFromCp932(PropertyUiText(line)), pnlReread);
    l->setStyleSheet(QStringLiteral("color: red;"));
    reread->addWidget(l);
  }
  pnlReread->hide();

  auto* head = new QHBoxLayout;
  head->addWidget(imgProperty);
  head->addWidget(lblPropertyName, 1);
  head->addWidget(pnlReread);

  tbProperty = new QToolBar(this);
  tbProperty->setObjectName(QStringLiteral("tbProperty"));
  tbProperty->setIconSize(QSize(16, 16));

  auto* split = new QSplitter(Qt::Horizontal, this);
  lvProperty = new QTreeView(split);
  lvProperty->setObjectName(QStringLiteral("lvProperty"));
  ShowAsReport(lvProperty);
  model_ = new PropertyRowsModel(this);
  lvProperty->setModel(model_);
  tabPropertyPages = new QTabWidget(split);
  tabPropertyPages->setObjectName(QStringLiteral("tabPropertyPages"));
  tabPropertyPages->setTabPosition(QTabWidget::East);
  pictures_ = new QWidget(tabPropertyPages);
  pictures_->setObjectName(QStringLiteral("tshPicture"));
  charts_ = new QWidget(tabPropertyPages);
  charts_->setObjectName(QStringLiteral("tshChart"));
  tabPropertyPages->addTab(pictures_, QFromCp932(PropertyUiText(PropertyUi::PicturePage)));
  tabPropertyPages->addTab(charts_, QFromCp932(PropertyUiText(PropertyUi::ChartPage)));
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(head);
  layout->addWidget(tbProperty);
  layout->addWidget(split, 1);
}

PropertyPane::~PropertyPane() = default;

void PropertyPane::SetView(const PropertyView& view) {
  model_->SetRows(nullptr);
  view_ = view;
  model_->SetRows(&view_.rows);
  lvProperty->resizeColumnToContents(0);
  lblPropertyName->setText(QFromCp932(view_.name));
  QPalette p = lblPropertyName->palette();
  p.setColor(QPalette::WindowText, QColor(static_cast<QRgb>(view_.name_colour)));
  lblPropertyName->setPalette(p);
  imgProperty->setPixmap(images_ ? images_(view_.image) : QPixmap());
  pnlReread->setVisible(view_.reread_banner);
}

void PropertyPane::SetImageSource(std::function<QPixmap(int image)> source) {
  images_ = std::move(source);
  imgProperty->setPixmap(images_ ? images_(view_.image) : QPixmap());
}

bool PropertyPane::CopyToClipboard() const { return CopyProperties(view_); }

}  // namespace fv
