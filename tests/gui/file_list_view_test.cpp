#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "browse/row_format.h"
#include "browse/sorting.h"
#include "gui_app.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "ui/file_list_view.h"
#include "ui/list_item_dialog.h"
#include "ui/size_bar_delegate.h"

namespace fv {
namespace {

using test::App;
using test::Sj;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

const QColor kFuchsia(255, 0, 255);

bool Same(QRgb pixel, const QColor& c) { return (pixel & 0xFFFFFF) == (c.rgb() & 0xFFFFFF); }

struct RowFixture {
  const char* name;
  double size;
  int dup_count = 0;
  bool marked = false;
};

class FileListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
  }
  void Fill(const std::vector<RowFixture>& fixtures) {
    rows.clear();
    RowFormatContext ctx;
    const auto texts = FileRowTexts(ctx);
    for (const RowFixture& s : fixtures) {
      TRecord& r = rows.emplace_back();
      r.Name = s.name;
      r.Kind = kKindFile;
      r.Size = s.size;
      r.Mark = s.marked ? 1 : 0;
      PrepareFileRow(r, ctx, texts);
      r.DupCount = s.dup_count;
    }
  }
  // A shown list over the rows.
  std::unique_ptr<FileListView> Show(bool catalog_level = false) {
    auto v = std::make_unique<FileListView>();
    v->SetRows(&rows, &sort);
    v->Reset(catalog_level);
    v->resize(1000, 300);
    v->show();
    QApplication::processEvents();
    return v;
  }
  // Pixels of colour c in the details cell of a row and position.
  static int Pixels(FileListView& v, int row, int position, const QColor& c) {
    QTreeView* t = v.DetailsView();
    const QImage img = t->viewport()->grab().toImage();
    const QRect cell = t->visualRect(v.Model()->index(row, position));
    int n = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x)
        if (img.rect().contains(x, y) && Same(img.pixel(x, y), c)) ++n;
    return n;
  }
  // Runs the column order window, driven by `drive` once it is up.
  static bool RunColumnOrder(FileListView& v, const std::function<void(TfrmListItem&)>& drive) {
    QTimer::singleShot(0, &v, [&] {
      auto* dlg = qobject_cast<TfrmListItem*>(QApplication::activeModalWidget());
      EXPECT_NE(dlg, nullptr);
      if (dlg) drive(*dlg);
    });
    QTimer::singleShot(5000, &v, [] {  // never hang on a window left open
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    return v.ShowColumnOrderDialog();
  }
  QString Caption(FileListView& v, int position) {
    return v.Model()->headerData(position, Qt::Horizontal).toString();
  }

  test::PlatformScope scope;
  RowList rows;
  SortState sort;
};

TEST_F(FileListViewTest, HundredThousandRowsShowWithoutFormattingTheHiddenOnes) {
  RowFormatContext ctx;
  const auto texts = FileRowTexts(ctx);
  rows.Append(100000, [&](std::size_t i, TRecord& r) {
    r.Name = "f" + std::to_string(1000000 + i);
    r.Kind = kKindFile;
    r.Size = static_cast<double>(i);
    r.ColumnTexts.SetSource(texts);
  });
  auto v = Show();
  EXPECT_EQ(v->Model()->rowCount(), 100000);
  const QModelIndex top = v->DetailsView()->indexAt(QPoint(5, 5));
  EXPECT_EQ(top.row(), 0);
  EXPECT_EQ(top.data().toString(), QStringLiteral("f1000000"));
  EXPECT_EQ(v->Model()->SizeBars().Largest(), 99999.0);
  std::size_t formatted = 0;
  for (const TRecord& r : rows) formatted += r.ColumnTexts.Formatted() ? 1 : 0;
  EXPECT_LT(formatted, 200u);
}

TEST_F(FileListViewTest, RowsShowTheirTextsAlignmentDuplicateColourAndMark) {
  Fill({{"a.txt", 1234567}, {"dup.txt", 10, 2}, {"marked.txt", 5, 0, true}});
  auto v = Show();
  FileListModel* m = v->Model();
  EXPECT_EQ(m->index(0, 2).data().toString(), QStringLiteral("1,234,567"));
  EXPECT_EQ(m->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(m->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_FALSE(m->index(0, 0).data(Qt::ForegroundRole).isValid());
  EXPECT_EQ(m->index(1, 4).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
  EXPECT_EQ(m->index(1, 0).data(kDupCountRole).toInt(), 2);
  EXPECT_EQ(m->index(0, 2).data(kSizeRole).toDouble(), 1234567.0);

  // The marked row's icon carries the mark; the others share the file icon.
  EXPECT_TRUE(m->index(2, 0).data(kMarkRole).toBool());
  EXPECT_FALSE(m->index(1, 0).data(kMarkRole).toBool());
  const QImage plain = m->index(1, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
  const QImage mark = m->index(2, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
  EXPECT_FALSE(plain.isNull());
  EXPECT_NE(plain, mark);
  EXPECT_FALSE(m->index(2, 1).data(Qt::DecorationRole).isValid());
}

TEST_F(FileListViewTest, ColumnOrderWindowMovesTheSizeColumnAndItsBars) {
  // Row 0 becomes current and the focus frame tints it: the bars are looked
  // for on row 1.
  Fill({{"small", 10}, {"big", 1000}});
  auto v = Show();
  EXPECT_GT(Pixels(*v, 1, 2, kFuchsia), 0);
  EXPECT_TRUE(RunColumnOrder(*v, [](TfrmListItem& dlg) {
    EXPECT_EQ(dlg.windowTitle(), U("項目の表示位置変更"));
    EXPECT_EQ(dlg.findChild<QPushButton*>("cmdUp")->text(), U("上へ"));
    EXPECT_EQ(dlg.findChild<QPushButton*>("cmdDown")->text(), U("下へ"));
    EXPECT_EQ(dlg.findChild<QPushButton*>("cmdOK")->text(), U("OK"));
    EXPECT_EQ(dlg.findChild<QPushButton*>("cmdCancel")->text(), U("キャンセル"));
    auto* list = dlg.findChild<QListWidget*>("lstItems");
    ASSERT_EQ(list->count(), 8);
    EXPECT_EQ(list->currentRow(), 0);
    list->setCurrentRow(1);  // サイズ
    dlg.cmdDown->click();
    dlg.cmdDown->click();
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_EQ(list->item(3)->text(), U("サイズ"));
    dlg.cmdOK->click();
  }));
  EXPECT_EQ(Caption(*v, 2), U("ファイルの種類"));
  EXPECT_EQ(Caption(*v, 4), U("サイズ"));
  EXPECT_EQ(v->DetailsView()->header()->sectionSize(4), 80);
  EXPECT_NE(dynamic_cast<SizeBarDelegate*>(v->DetailsView()->itemDelegateForColumn(4)), nullptr);
  EXPECT_EQ(v->DetailsView()->itemDelegateForColumn(2), nullptr);
  QApplication::processEvents();
  EXPECT_EQ(Pixels(*v, 1, 2, kFuchsia), 0);
  EXPECT_GT(Pixels(*v, 1, 4, kFuchsia), 0);
  EXPECT_EQ(v->Model()->index(1, 4).data().toString(), QStringLiteral("1,000"));

  // キャンセル keeps the order; a width dragged meanwhile is kept too.
  v->DetailsView()->header()->resizeSection(4, 150);
  EXPECT_FALSE(RunColumnOrder(*v, [](TfrmListItem& dlg) {
    dlg.lstItems->setCurrentRow(3);
    dlg.cmdUp->click();
    dlg.cmdCancel->click();
  }));
  EXPECT_EQ(Caption(*v, 4), U("サイズ"));
  ASSERT_TRUE(v->SaveLayout());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemPos04), kFileColSize);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemSize04), 150);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemPos02), kFileColType);
}

TEST_F(FileListViewTest, StoredLayoutAndCatalogLevelCaptionsReachTheHeader) {
  WriteSettingInteger(SettingKey::REG_ListItemPos01, kFileColVersion);
  WriteSettingInteger(SettingKey::REG_ListItemPos07, kFileColCount);
  WriteSettingInteger(SettingKey::REG_ListItemSize01, 170);
  Fill({{"DISC1", 10}});
  auto v = Show(true);
  EXPECT_EQ(Caption(*v, 1), U("空きサイズ"));
  EXPECT_EQ(v->Model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
  EXPECT_EQ(v->DetailsView()->header()->sectionSize(1), 170);
  v->Reset(false);
  EXPECT_EQ(Caption(*v, 1), U("Version"));
  EXPECT_EQ(Caption(*v, 7), U("数"));
}

TEST_F(FileListViewTest, HeaderClicksNameTheKindAndTheSortColumnIsMarked) {
  WriteSettingInteger(SettingKey::REG_ListItemPos01, kFileColSize);
  WriteSettingInteger(SettingKey::REG_ListItemPos02, kFileColCount);
  Fill({{"a", 1}});
  sort.column = kFileColSize;
  auto v = Show();
  std::vector<std::pair<int, bool>> clicks;
  QObject::connect(v.get(), &FileListView::headerClicked, [&](int kind, bool shift) { clicks.push_back({kind, shift}); });
  emit v->DetailsView()->header()->sectionClicked(1);
  emit v->DetailsView()->header()->sectionClicked(2);
  EXPECT_EQ(clicks, (std::vector<std::pair<int, bool>>{{kFileColSize, false}, {kFileColCount, false}}));
  EXPECT_TRUE(v->Model()->headerData(1, Qt::Horizontal, Qt::DecorationRole).isValid());
  EXPECT_FALSE(v->Model()->headerData(2, Qt::Horizontal, Qt::DecorationRole).isValid());
  EXPECT_FALSE(v->Model()->headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());
}

TEST_F(FileListViewTest, GridLinesStoredOnOpenDrawnAndToggledOff) {
  WriteSettingInteger(SettingKey::REG_ListViewGridLine, 1);
  Fill({{"a", 1}, {"b", 2}});
  auto v = Show();
  EXPECT_TRUE(v->GridLines());
  const QColor grid = v->DetailsView()->palette().color(QPalette::Mid);
  QTreeView* t = v->DetailsView();
  const QRect cell = t->visualRect(v->Model()->index(0, 3));
  auto edge = [&] { return Same(t->viewport()->grab().toImage().pixel(cell.right(), cell.center().y()), grid); };
  EXPECT_TRUE(edge());
  v->ToggleGridLines();
  QApplication::processEvents();
  EXPECT_FALSE(v->GridLines());
  EXPECT_FALSE(edge());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListViewGridLine), 0);
}

TEST_F(FileListViewTest, BarsAndColoursFollowTheCommandsAndAreStored) {
  Fill({{"dup", 500, 1}, {"big", 1000}});
  auto v = Show();
  ASSERT_TRUE(v->SizeBars());
  EXPECT_GT(Pixels(*v, 1, 2, kFuchsia), 0);
  v->ToggleSizeBars();
  QApplication::processEvents();
  EXPECT_FALSE(v->SizeBars());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_FileSizeBarShow), 0);
  EXPECT_EQ(Pixels(*v, 1, 2, kFuchsia), 0);
  v->ToggleSizeBars();

  scope.dialogs.colors = {0x00FF00, std::nullopt, 0x0000FF};
  EXPECT_TRUE(v->ChooseBarColor());
  QApplication::processEvents();
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_FileSizeBarColor), 0x00FF00);
  EXPECT_EQ(Pixels(*v, 1, 2, kFuchsia), 0);
  EXPECT_GT(Pixels(*v, 1, 2, QColor(0, 255, 0)), 0);

  EXPECT_FALSE(v->ChooseDupColor());
  EXPECT_EQ(v->Model()->index(0, 0).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
  EXPECT_TRUE(v->ChooseDupColor());
  EXPECT_EQ(v->Model()->index(0, 0).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_DupFileColor), 0x0000FF);
  ASSERT_EQ(scope.dialogs.color_requests.size(), 3u);
  EXPECT_EQ(scope.dialogs.color_requests[0].initial, 0xFF00FFu);
  EXPECT_EQ(scope.dialogs.color_requests[2].initial, 0xFF0000u);
}

TEST_F(FileListViewTest, ViewModesShowTheSameRowsAndSelection) {
  Fill({{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}});
  auto v = Show();
  v->SelectRow(2);
  struct Case {
    ViewMode mode;
    QListView::ViewMode list_mode;
    QListView::Flow flow;
    int icon;
  } cases[] = {
      {ViewMode::List, QListView::ListMode, QListView::TopToBottom, 16},
      {ViewMode::SmallIcons, QListView::ListMode, QListView::LeftToRight, 16},
      {ViewMode::LargeIcons, QListView::IconMode, QListView::LeftToRight, 32},
  };
  for (const Case& c : cases) {
    v->SetViewMode(c.mode);
    QApplication::processEvents();
    QListView* l = v->IconsView();
    EXPECT_EQ(v->CurrentView(), l);
    EXPECT_TRUE(l->isVisible());
    EXPECT_FALSE(v->DetailsView()->isVisible());
    EXPECT_EQ(l->model(), v->Model());
    EXPECT_EQ(l->selectionModel(), v->DetailsView()->selectionModel());
    EXPECT_EQ(l->viewMode(), c.list_mode);
    EXPECT_EQ(l->flow(), c.flow);
    EXPECT_EQ(l->iconSize(), QSize(c.icon, c.icon));
    EXPECT_EQ(v->SelectedRows(), std::vector<int>{2});
  }
  v->SelectRow(4);
  v->DetailsView()->selectionModel()->select(v->Model()->index(1, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
  v->SetViewMode(ViewMode::Details);
  EXPECT_TRUE(v->DetailsView()->isVisible());
  EXPECT_EQ(v->SelectedRows(), (std::vector<int>{1, 4}));
  EXPECT_EQ(v->CurrentRow(), 4);
  EXPECT_NE(v->IconsView()->model(), v->Model());  // nothing to lay out while hidden
}

TEST_F(FileListViewTest, TypingSelectsByNameAndEnterActivates) {
  Fill({{"alpha", 1}, {"Beta", 2}, {"gamma", 3}, {"bravo", 4}});
  auto v = Show();
  std::vector<int> activated;
  QObject::connect(v.get(), &FileListView::rowActivated, [&](int row) { activated.push_back(row); });
  QTreeView* t = v->DetailsView();
  auto key = [&](Qt::Key k, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(t, &press);
  };
  key(Qt::Key_B, QStringLiteral("b"));
  EXPECT_EQ(v->SelectedRows(), std::vector<int>{1});
  key(Qt::Key_R, QStringLiteral("r"));
  EXPECT_EQ(v->SelectedRows(), std::vector<int>{3});
  key(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(activated, std::vector<int>{3});
}

}  // namespace
}  // namespace fv
