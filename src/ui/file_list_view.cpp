#include "ui/file_list_view.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QPainter>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "platform/qt_convert.h"
#include "ui/list_item_dialog.h"
#include "ui/list_cell_delegate.h"
#include "ui/size_bar_delegate.h"

namespace fv {

using TypedText = std::function<void(const QString&)>;

// Details: the tree view, flat, with grid lines drawn after each row.
class FileDetailsView : public QTreeView {
 public:
  FileDetailsView(TypedText typed, QWidget* parent) : QTreeView(parent), typed_(std::move(typed)) {}
  void SetGridLines(bool on) {
    grid_ = on;
    viewport()->update();
  }
  void keyboardSearch(const QString& search) override { typed_(search); }

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QTreeView::drawRow(painter, option, index);
    if (!grid_) return;
    const QHeaderView* h = header();
    const int right = h->sectionViewportPosition(h->count() - 1) + h->sectionSize(h->count() - 1) - 1;
    painter->save();
    painter->setPen(palette().color(QPalette::Mid));
    for (int s = 0; s < h->count(); ++s) {
      const int x = h->sectionViewportPosition(s) + h->sectionSize(s) - 1;
      painter->drawLine(x, option.rect.top(), x, option.rect.bottom());
    }
    painter->drawLine(h->sectionViewportPosition(0), option.rect.bottom(), right, option.rect.bottom());
    painter->restore();
  }

 private:
  TypedText typed_;
  bool grid_ = false;
};

// Large icons, small icons and the list: column 0 of the same rows.
class FileIconsView : public QListView {
 public:
  FileIconsView(TypedText typed, QWidget* parent) : QListView(parent), typed_(std::move(typed)) {}
  void keyboardSearch(const QString& search) override { typed_(search); }

 private:
  TypedText typed_;
};

namespace {

// Shows model m (none: nothing) in v with the selection model `shared`,
// dropping the selection models the view made for itself.
void ShowModel(QAbstractItemView* v, QAbstractItemModel* m, QItemSelectionModel* shared) {
  QItemSelectionModel* before = v->selectionModel();
  v->setModel(m);
  QItemSelectionModel* made = v->selectionModel();
  if (m) v->setSelectionModel(shared);
  for (QItemSelectionModel* s : {before, made})
    if (s && s != shared && s != v->selectionModel()) delete s;
}

void ConfigureIcons(QListView* v, ViewMode mode) {
  const bool large = mode == ViewMode::LargeIcons;
  v->setViewMode(large ? QListView::IconMode : QListView::ListMode);
  v->setFlow(mode == ViewMode::List ? QListView::TopToBottom : QListView::LeftToRight);
  v->setWrapping(true);
  v->setMovement(QListView::Static);
  v->setResizeMode(QListView::Adjust);
  v->setWordWrap(large);
  const QFontMetrics fm(v->font());
  if (large) {
    v->setIconSize(QSize(32, 32));
    v->setGridSize(QSize(fm.averageCharWidth() * 14, 32 + fm.height() * 2 + 8));
  } else {
    v->setIconSize(QSize(16, 16));
    v->setGridSize(QSize(16 + 8 + fm.averageCharWidth() * 24, std::max(18, fm.height() + 4)));
  }
}

}  // namespace

FileListView::FileListView(QWidget* parent) : QWidget(parent) {
  layout_.Load();
  display_.Load();
  clock_.start();
  model_ = new FileListModel(&layout_, &display_, this);
  const TypedText typed = [this](const QString& s) { TypeText(s); };
  details_ = new FileDetailsView(typed, this);
  details_->setObjectName(QStringLiteral("ListView1"));
  icons_ = new FileIconsView(typed, this);
  icons_->setObjectName(QStringLiteral("ListView1Icons"));
  stack_ = new QStackedWidget(this);
  stack_->addWidget(details_);
  stack_->addWidget(icons_);
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  box->addWidget(stack_);

  details_->setRootIsDecorated(false);
  details_->setItemsExpandable(false);
  details_->setExpandsOnDoubleClick(false);
  details_->setUniformRowHeights(true);
  details_->setAllColumnsShowFocus(true);
  details_->setSortingEnabled(false);
  details_->setIconSize(QSize(16, 16));
  QHeaderView* header = details_->header();
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(icons_)}) {
    v->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(v, &QAbstractItemView::activated, this, [this](const QModelIndex& i) { emit rowActivated(i.row()); });
    connect(v, &QWidget::customContextMenuRequested, this,
            [this, v](const QPoint& pos) { emit contextMenuRequested(v->viewport()->mapToGlobal(pos)); });
  }
  icons_->setUniformItemSizes(true);
  icons_->setLayoutMode(QListView::Batched);
  icons_->setBatchSize(1000);

  details_->setModel(model_);
  connect(details_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { emit selectionChanged(); });
  connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
    const bool shift = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    emit headerClicked(layout_.KindAt(section), shift);
  });
  bars_ = new SizeBarDelegate(model_, this);
  details_->setItemDelegate(new ListCellDelegate(this));
  details_->SetGridLines(display_.GridLines());
  ApplyLayout();
  setFocusProxy(details_);
}

void FileListView::SetRows(const RowList* rows, const SortState* sort) { model_->SetRows(rows, sort); }
void FileListView::BeginFill() { model_->BeginFill(); }
void FileListView::Reset(bool catalog_level) {
  type_ahead_.Clear();
  model_->Reset(catalog_level);
}
void FileListView::RowsChanged(int first, int last) { model_->RowsChanged(first, last); }
void FileListView::SetIconProvider(FileIconProvider icons) { model_->SetIconProvider(std::move(icons)); }

QTreeView* FileListView::DetailsView() const { return details_; }
QListView* FileListView::IconsView() const { return icons_; }
QAbstractItemView* FileListView::CurrentView() const {
  return mode_ == ViewMode::Details ? static_cast<QAbstractItemView*>(details_) : icons_;
}

std::vector<int> FileListView::SelectedRows() const {
  std::vector<int> rows;
  for (const QItemSelectionRange& r : details_->selectionModel()->selection())
    for (int i = r.top(); i <= r.bottom(); ++i) rows.push_back(i);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

int FileListView::CurrentRow() const {
  const QModelIndex i = details_->selectionModel()->currentIndex();
  return i.isValid() ? i.row() : -1;
}

void FileListView::SelectRow(int row) {
  const QModelIndex i = model_->index(row, 0);
  if (!i.isValid()) return;
  details_->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  CurrentView()->scrollTo(i);
}

void FileListView::SetViewMode(ViewMode mode) {
  if (mode == mode_) return;
  const bool was_details = mode_ == ViewMode::Details;
  mode_ = mode;
  if (mode == ViewMode::Details) {
    // The hidden list view lays out nothing while the details are shown.
    ShowModel(icons_, nullptr, details_->selectionModel());
  } else {
    ConfigureIcons(icons_, mode);
    if (was_details) ShowModel(icons_, model_, details_->selectionModel());
  }
  QAbstractItemView* v = CurrentView();
  const bool had_focus = stack_->currentWidget()->hasFocus();
  stack_->setCurrentWidget(v);
  setFocusProxy(v);
  if (had_focus) v->setFocus();
  const QModelIndex current = details_->selectionModel()->currentIndex();
  if (current.isValid()) v->scrollTo(current);
}

void FileListView::ApplyLayout() {
  QHeaderView* h = details_->header();
  for (int p = 0; p < kListColumnCount; ++p) h->resizeSection(p, layout_.WidthAt(p));
  if (bar_column_ >= 0) details_->setItemDelegateForColumn(bar_column_, nullptr);
  bar_column_ = layout_.PositionOf(kFileColSize);
  details_->setItemDelegateForColumn(bar_column_, bars_);
  model_->ColumnsChanged();
}

void FileListView::TakeCurrentWidths() {
  const QHeaderView* h = details_->header();
  for (int p = 0; p < kListColumnCount; ++p) layout_.SetWidthAt(p, h->sectionSize(p));
}

bool FileListView::SaveLayout(std::string* err) {
  TakeCurrentWidths();
  return layout_.Save(err);
}

void FileListView::Redraw() { model_->ColumnsChanged(); }

void FileListView::ToggleGridLines() {
  display_.ToggleGridLines();
  details_->SetGridLines(display_.GridLines());
}

void FileListView::ToggleSizeBars() {
  display_.ToggleSizeBars();
  Redraw();
}

bool FileListView::ChooseBarColor() {
  if (!display_.ChooseBarColor()) return false;
  Redraw();
  return true;
}

bool FileListView::ChooseDupColor() {
  if (!display_.ChooseDupColor()) return false;
  Redraw();
  return true;
}

bool FileListView::ShowColumnOrderDialog() {
  TakeCurrentWidths();
  ColumnOrderModel order;
  order.Take(layout_, model_->CatalogLevel());
  TfrmListItem dlg(order, this);
  if (dlg.exec() != QDialog::Accepted || !order.Apply(layout_)) return false;
  ApplyLayout();
  return true;
}

void FileListView::TypeText(const QString& typed) {
  const RowList* rows = model_->Rows();
  if (typed.isEmpty() || !rows) {
    type_ahead_.Clear();
    return;
  }
  type_ahead_.SetInterval(QApplication::keyboardInputInterval());
  const int row = type_ahead_.Type(*rows, CurrentRow(), Cp932FromQ(typed), clock_.elapsed());
  if (row >= 0) SelectRow(row);
}

}  // namespace fv
