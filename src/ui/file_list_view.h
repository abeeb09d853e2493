#pragma once
// The file list of the page "標準": the rows of the browser's file list in
// four view modes (details in the tree view ListView1, the others in a list
// view over the same model and selection), the column layout, grid lines,
// size bars and the duplicate colour.

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/file_list_model.h"
#include "ui/logic/column_layout.h"
#include "ui/logic/file_list_display.h"
#include "ui/logic/type_ahead.h"

class QAbstractItemView;
class QListView;
class QStackedWidget;
class QTreeView;

namespace fv {

class FileDetailsView;
class FileIconsView;
class SizeBarDelegate;

class FileListView : public QWidget {
  Q_OBJECT
 public:
  // Reads the column layout and the display settings.
  explicit FileListView(QWidget* parent = nullptr);

  // The rows to show and the sort state the header marks (the browser's
  // file_list and file_sort); neither is copied.
  void SetRows(const RowList* rows, const SortState* sort = nullptr);
  // Before the core refills the rows, when events may run meanwhile.
  void BeginFill();
  // After the core filled or sorted the rows.
  void Reset(bool catalog_level);
  // After rows first..last changed in place (marks, comments).
  void RowsChanged(int first, int last);
  void SetIconProvider(FileIconProvider icons);

  // Selected rows in display order, top to bottom.
  std::vector<int> SelectedRows() const;
  int CurrentRow() const;  // -1 when none
  // Selects only this row, makes it current and scrolls to it.
  void SelectRow(int row);

  void SetViewMode(ViewMode mode);
  ViewMode Mode() const { return mode_; }

  // Puts the layout's captions, widths and alignments on the columns.
  void ApplyLayout();
  // Takes the column widths as the user left them into the layout.
  void TakeCurrentWidths();
  // Takes the widths and stores the layout. False with the system's error
  // text when it could not be stored.
  bool SaveLayout(std::string* err = nullptr);

  bool GridLines() const { return display_.GridLines(); }
  bool SizeBars() const { return display_.SizeBars(); }

  const ColumnLayout& Layout() const { return layout_; }
  FileListModel* Model() const { return model_; }
  QTreeView* DetailsView() const;
  QListView* IconsView() const;
  QAbstractItemView* CurrentView() const;

 public slots:
  // "項目の区切り線(&G)", "サイズに棒グラフも表示(&B)": flip and store.
  void ToggleGridLines();
  void ToggleSizeBars();
  // "サイズの棒グラフ色(&H)...", "重複ファイル表示色(&C)...": true when a
  // colour was chosen (stored and shown).
  bool ChooseBarColor();
  bool ChooseDupColor();
  // The column order window; true when it closed with OK (the new order
  // is shown; it is stored by SaveLayout).
  bool ShowColumnOrderDialog();

 signals:
  void rowActivated(int row);
  void selectionChanged();
  void contextMenuRequested(QPoint globalPos);
  // A click on the header of the column showing data column `kind`.
  void headerClicked(int kind, bool shift);

 private:
  void TypeText(const QString& typed);
  void Redraw();

  ColumnLayout layout_;
  FileListDisplay display_;
  TypeAhead type_ahead_;
  QElapsedTimer clock_;
  ViewMode mode_ = ViewMode::Details;
  int bar_column_ = -1;
  FileListModel* model_;
  QStackedWidget* stack_;
  FileDetailsView* details_;
  FileIconsView* icons_;
  SizeBarDelegate* bars_;
};

}  // namespace fv
