#include "ui/file_list_model.h"

#include <QApplication>
#include <QBrush>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <algorithm>

#include "platform/qt_convert.h"

namespace fv {

namespace {

struct ThemeIcon {
  const char* name;
  QStyle::StandardPixmap fallback;
};

// Images 0..17 (see FileIconProvider).
constexpr ThemeIcon kFixedIcons[kFirstExtensionImage] = {
    {"text-x-generic", QStyle::SP_FileIcon},             // 0 catalog
    {"media-floppy", QStyle::SP_DriveFDIcon},            // 1
    {"drive-harddisk", QStyle::SP_DriveHDIcon},          // 2
    {"drive-removable-media", QStyle::SP_DriveHDIcon},   // 3
    {"media-optical", QStyle::SP_DriveCDIcon},           // 4
    {"network-server", QStyle::SP_DriveNetIcon},         // 5
    {"drive-harddisk", QStyle::SP_DriveHDIcon},          // 6 RAM disk
    {"drive-harddisk", QStyle::SP_DriveHDIcon},          // 7
    {"folder", QStyle::SP_DirClosedIcon},                // 8
    {"folder-open", QStyle::SP_DirOpenIcon},             // 9
    {"text-x-generic", QStyle::SP_FileIcon},             // 10
    {"text-x-generic", QStyle::SP_FileIcon},             // 11
    {"application-x-executable", QStyle::SP_FileIcon},   // 12
    {"system-software-install", QStyle::SP_FileIcon},    // 13
    {"", QStyle::SP_ArrowUp},                            // 14
    {"", QStyle::SP_ArrowDown},                          // 15
    {"", QStyle::SP_ArrowUp},                            // 16 second key
    {"", QStyle::SP_ArrowDown},                          // 17
};

// An icon of 16 and 32 pixels, each painted by paint(painter, size).
template <typename Paint>
QIcon Painted(Paint paint) {
  QIcon out;
  for (int s : {16, 32}) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(p, s);
    p.end();
    out.addPixmap(pm);
  }
  return out;
}

// The icon painted at `scale` of its size, centred.
QIcon Scaled(const QIcon& icon, double scale) {
  return Painted([&](QPainter& p, int s) {
    const int inner = std::max(1, static_cast<int>(s * scale));
    icon.paint(&p, QRect((s - inner) / 2, (s - inner) / 2, inner, inner));
  });
}

// The icon with the mark over its lower left corner.
QIcon WithMark(const QIcon& icon) {
  const QIcon mark = QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
  return Painted([&](QPainter& p, int s) {
    icon.paint(&p, QRect(0, 0, s, s));
    const int m = s * 5 / 8;
    mark.paint(&p, QRect(0, s - m, m, m));
  });
}

}  // namespace

FileIconProvider DefaultFileIcons(const ExtensionImages* images) {
  return [images](int image) -> QIcon {
    QStyle* style = QApplication::style();
    if (image >= kFirstExtensionImage) {
      const std::string name = images ? images->IconNameAt(image) : std::string();
      const QIcon file = style->standardIcon(QStyle::SP_FileIcon);
      return name.empty() ? file : QIcon::fromTheme(QString::fromStdString(name), file);
    }
    if (image < 0) return {};
    const ThemeIcon& t = kFixedIcons[image];
    const QIcon fallback = style->standardIcon(t.fallback);
    if (image == kImageSort2Ascending || image == kImageSort2Descending) return Scaled(fallback, 0.6);
    return *t.name ? QIcon::fromTheme(QString::fromLatin1(t.name), fallback) : fallback;
  };
}

FileListModel::FileListModel(const ColumnLayout* layout, const FileListDisplay* display, QObject* parent)
    : QAbstractTableModel(parent), layout_(layout), display_(display), icons_(DefaultFileIcons()) {}

void FileListModel::SetRows(const RowList* rows, const SortState* sort) {
  beginResetModel();
  rows_ = rows;
  sort_ = sort;
  filling_ = false;
  MeasureBars();
  endResetModel();
}

void FileListModel::MeasureBars() {
  // Never through a conditional with a temporary: that would copy the rows.
  static const RowList kNone;
  bars_.Measure(rows_ ? *rows_ : kNone);
}

void FileListModel::BeginFill() {
  if (filling_) return;
  beginResetModel();
  filling_ = true;
}

void FileListModel::Reset(bool catalog_level) {
  if (!filling_) beginResetModel();
  filling_ = false;
  catalog_level_ = catalog_level;
  MeasureBars();
  endResetModel();
}

void FileListModel::RowsChanged(int first, int last) {
  const int n = rowCount();
  first = std::max(first, 0);
  last = std::min(last, n - 1);
  if (first > last) return;
  emit dataChanged(index(first, 0), index(last, kListColumnCount - 1));
}

void FileListModel::ColumnsChanged() {
  emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
  RowsChanged(0, rowCount() - 1);
}

void FileListModel::SetIconProvider(FileIconProvider icons) {
  icons_ = icons ? std::move(icons) : DefaultFileIcons();
  icon_cache_.clear();
  marked_cache_.clear();
  ColumnsChanged();
}

const TRecord* FileListModel::Row(int row) const {
  if (!rows_ || filling_ || row < 0 || static_cast<std::size_t>(row) >= rows_->size()) return nullptr;
  return &(*rows_)[static_cast<std::size_t>(row)];
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !rows_ || filling_) return 0;
  return static_cast<int>(rows_->size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumnCount; }

QIcon FileListModel::Icon(int image, bool marked) const {
  QHash<int, QIcon>& cache = marked ? marked_cache_ : icon_cache_;
  auto it = cache.find(image);
  if (it != cache.end()) return *it;
  QIcon icon = marked ? WithMark(Icon(image, false)) : icons_(image);
  cache.insert(image, icon);
  return icon;
}

QVariant FileListModel::Alignment(int column) const {
  const bool right = layout_->RightAlignedAt(column, catalog_level_);
  return static_cast<int>((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  const TRecord* r = index.isValid() ? Row(index.row()) : nullptr;
  if (!r) return {};
  const int kind = layout_->KindAt(index.column());
  switch (role) {
    case Qt::DisplayRole: return QFromCp932(r->Text(kind));
    case Qt::DecorationRole:
      if (index.column() != 0) return {};
      return Icon(r->ImageIndex, r->StateIndex == 0);
    case Qt::ForegroundRole:
      if (r->DupCount == 0) return {};
      return QBrush(QColorFromStored(display_->DupColor()));
    case Qt::TextAlignmentRole: return Alignment(index.column());
    case kSizeRole: return r->Size;
    case kDupCountRole: return r->DupCount;
    case kMarkRole: return r->StateIndex == 0;
    case kKindRole: return kind;
    default: return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount) return {};
  switch (role) {
    case Qt::DisplayRole: return QFromCp932(layout_->CaptionAt(section, catalog_level_));
    case Qt::TextAlignmentRole: return Alignment(section);
    case Qt::DecorationRole: {
      const int image = sort_ ? HeaderImage(*sort_, layout_->KindAt(section)) : -1;
      if (image < 0) return {};
      return Icon(image, false);
    }
    case kKindRole: return layout_->KindAt(section);
    default: return {};
  }
}

}  // namespace fv
