#pragma once
// The file list's rows for Qt views: a table over the browser's RowList in
// display order, one column per display position. It copies no row; the
// texts are the rows' own column texts.

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <functional>

#include "browse/row_format.h"
#include "browse/sorting.h"
#include "ui/logic/column_layout.h"
#include "ui/logic/file_list_display.h"
#include "ui/logic/size_bar.h"

namespace fv {

// The icon of a row's image index: 0..7 media kinds, 8 folder, 9 open
// folder, 10 file, 12 program, 13 installer, 14..17 the header's sort
// marks (ascending, descending, second key ascending, descending), 18 and
// up extension icons (see ExtensionImages). Asked once per index.
using FileIconProvider = std::function<QIcon(int image)>;
// Desktop theme icons with the style's standard icons where the theme has
// none; extension images come from `images` (none: the file icon).
FileIconProvider DefaultFileIcons(const ExtensionImages* images = nullptr);

enum FileListRole : int {
  kSizeRole = Qt::UserRole + 1,  // double: the row's Size
  kDupCountRole,                 // int: the row's duplicate count
  kMarkRole,                     // bool: the row is marked
  kKindRole,                     // int: the data column the cell shows
};

class FileListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  FileListModel(const ColumnLayout* layout, const FileListDisplay* display, QObject* parent = nullptr);

  // The rows and the sort state the header marks (nullptr: none). Neither
  // is copied; both must outlive the model or be replaced.
  void SetRows(const RowList* rows, const SortState* sort = nullptr);
  // While the core fills the rows the list shows none; Reset ends that.
  void BeginFill();
  // After the rows were filled or sorted: measures the size bars once.
  void Reset(bool catalog_level);
  // After rows first..last changed in place (marks, comments).
  void RowsChanged(int first, int last);
  // After the column layout or the display colours changed.
  void ColumnsChanged();
  void SetIconProvider(FileIconProvider icons);

  bool CatalogLevel() const { return catalog_level_; }
  const SizeBarScale& SizeBars() const { return bars_; }
  const FileListDisplay& Display() const { return *display_; }
  const TRecord* Row(int row) const;
  const RowList* Rows() const { return filling_ ? nullptr : rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  void MeasureBars();
  QIcon Icon(int image, bool marked) const;
  QVariant Alignment(int column) const;

  const ColumnLayout* layout_;
  const FileListDisplay* display_;
  const RowList* rows_ = nullptr;
  const SortState* sort_ = nullptr;
  bool filling_ = false;
  bool catalog_level_ = false;
  SizeBarScale bars_;
  FileIconProvider icons_;
  mutable QHash<int, QIcon> icon_cache_;    // by image index
  mutable QHash<int, QIcon> marked_cache_;  // the same with the mark
};

}  // namespace fv
