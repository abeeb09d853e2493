#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include "browse/comments.h"
#include "browse/hierarchy.h"
#include "core/catalog_fixture.h"
#include "gui_app.h"
#include "platform/clipboard.h"
#include "ui/comment_form.h"
#include "ui/comment_panel.h"
#include "ui/property_pane.h"

// Failures show the texts rather than their code units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace fv {
namespace {

using test::App;
using test::Sj;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

template <typename T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

class CommentWidgetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(cat.CreateCatalog(test::MakeTempDir() + "/Default.fvd"));
    ASSERT_TRUE(test::FakeMedium::Make("DISC1", 3).StoreInto(cat));
    ASSERT_TRUE(test::FakeMedium::Make("DISC2", 2, "g").StoreInto(cat));
    browser.PopulateFileList(MakeEntryId(0, 0));
  }
  TRecord* Row(int i) { return &browser.file_list[static_cast<std::size_t>(i)]; }
  SelectedRows Selection() {
    return [this] { return selected; };
  }
  template <typename Widget>
  void CountRowsChanged(Widget& w) {
    QObject::connect(&w, &Widget::rowsChanged, [this] { ++rows_changed; });
  }

  test::PlatformScope scope;
  Catalog cat;
  Browser browser{cat};
  std::vector<TRecord*> selected;
  int rows_changed = 0;
};

TEST_F(CommentWidgetsTest, ControlsCarryTheirNamesAndTexts) {
  CommentPanel panel(cat, Selection());
  TfrmComment dlg(cat, Selection());
  EXPECT_EQ(panel.objectName(), QStringLiteral("pnlComment"));
  EXPECT_EQ(Child<QLineEdit>(panel, "txtComment"), panel.txtComment);
  EXPECT_EQ(dlg.objectName(), QStringLiteral("TfrmComment"));
  EXPECT_EQ(dlg.windowTitle(), U("コメント文"));
  EXPECT_TRUE(dlg.isModal());
  const struct {
    QWidget* parent;
    const char* name;
    const char* text;
  } cases[] = {
      {&panel, "cmdCommentSet", "コメント登録"},
      {&dlg, "cmdRegister", "登録"},
      {&dlg, "cmdClear", "クリア"},
  };
  for (const auto& c : cases) {
    auto* b = Child<QPushButton>(*c.parent, c.name);
    if (b) EXPECT_EQ(b->text(), U(c.text)) << c.name;
  }
  // The edit box and the list, each in its group.
  const std::pair<const char*, const char*> groups[] = {{"txtCommentText", "コメント文"},
                                                        {"lvComments", "コメント文一覧"}};
  for (const auto& [name, title] : groups) {
    QWidget* w = Child<QWidget>(dlg, name);
    auto* group = w ? qobject_cast<QGroupBox*>(w->parentWidget()) : nullptr;
    ASSERT_NE(group, nullptr) << name;
    EXPECT_EQ(group->title(), U(title));
  }
}

TEST_F(CommentWidgetsTest, PanelRegistersForTheOnlySelectedRow) {
  CommentPanel panel(cat, Selection());
  CountRowsChanged(panel);
  QLineEdit* edit = panel.txtComment;
  selected = {Row(1)};
  edit->setText(U("メモ"));
  panel.cmdCommentSet->click();
  EXPECT_EQ(rows_changed, 1);
  EXPECT_EQ(CommentText(cat, Row(1)->CommentIndex), Sj("メモ"));
  EXPECT_EQ(Row(1)->Text(kFileColComment), Sj("メモ"));

  // A selection change empties the box; one row shows its comment.
  for (const auto& [rows, text] : std::vector<std::pair<std::vector<TRecord*>, QString>>{
           {{Row(0)}, QString()}, {{Row(1)}, U("メモ")}, {{Row(0), Row(1)}, QString()}, {{}, QString()}}) {
    selected = rows;
    panel.SelectionChanged();
    EXPECT_EQ(edit->text(), text);
  }
  panel.SetShown(false);
  EXPECT_TRUE(panel.isHidden());
}

TEST_F(CommentWidgetsTest, PanelWarnsWithoutASingleSelectedRow) {
  CommentPanel panel(cat, Selection());
  CountRowsChanged(panel);
  panel.txtComment->setText(QStringLiteral("text"));
  const std::pair<std::vector<TRecord*>, const char*> cases[] = {
      {{}, "コメントを書込むファイルが不明です"},
      {{Row(0), Row(1)}, "複数ファイルにコメントは登録出来ません"},
  };
  for (const auto& [rows, warning] : cases) {
    SCOPED_TRACE(warning);
    scope.messages.shown.clear();
    selected = rows;
    panel.cmdCommentSet->click();
    ASSERT_EQ(scope.messages.shown.size(), 1u);
    EXPECT_EQ(scope.messages.shown[0].text, Sj(warning));
    EXPECT_EQ(scope.messages.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(scope.messages.shown[0].buttons, MsgButtons::Ok);
  }
  EXPECT_EQ(rows_changed, 0);
  EXPECT_EQ(FreeCommentSlot(cat), 0);
}

TEST_F(CommentWidgetsTest, PanelBoxHoldsAtMost255BytesOfCp932) {
  CommentPanel panel(cat, Selection());
  QLineEdit* edit = panel.txtComment;
  const QString a = U("あ");
  edit->setText(a.repeated(200));
  EXPECT_EQ(edit->text(), a.repeated(127));  // 254 bytes
  edit->end(false);
  edit->insert(U("い"));  // two more bytes do not fit
  EXPECT_EQ(edit->text(), a.repeated(127));
  edit->insert(QStringLiteral("x"));
  EXPECT_EQ(edit->text(), a.repeated(127) + QStringLiteral("x"));
  edit->home(false);
  edit->insert(QStringLiteral("y"));
  EXPECT_EQ(edit->text(), a.repeated(127) + QStringLiteral("x"));
  // A paste keeps what fits, whole characters only.
  edit->setText(QStringLiteral("ab"));
  edit->setCursorPosition(1);
  edit->insert(a.repeated(200));
  EXPECT_EQ(edit->text(), QStringLiteral("a") + a.repeated(126) + QStringLiteral("b"));
  EXPECT_EQ(edit->cursorPosition(), 127);
}

TEST_F(CommentWidgetsTest, DialogRegistersAndClosesButStaysOpenForNothing) {
  TfrmComment dlg(cat, Selection());
  CountRowsChanged(dlg);
  QPlainTextEdit* edit = dlg.txtCommentText;
  selected = {};
  EXPECT_FALSE(dlg.Prepare());
  EXPECT_EQ(scope.messages.shown.size(), 1u);

  selected = {Row(0)};
  ASSERT_TRUE(dlg.Prepare());
  dlg.open();
  dlg.cmdRegister->click();  // empty text on a row without a comment
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(rows_changed, 0);
  edit->setPlainText(U("一行目\n二行目"));
  dlg.cmdRegister->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(rows_changed, 1);
  EXPECT_EQ(CommentText(cat, Row(0)->CommentIndex), Sj("一行目\r\n二行目"));

  // The next opening shows the comment; "クリア" only empties the box, and
  // closing otherwise registers nothing.
  ASSERT_TRUE(dlg.Prepare());
  EXPECT_EQ(edit->toPlainText(), U("一行目\n二行目"));
  dlg.open();
  dlg.cmdClear->click();
  EXPECT_TRUE(edit->toPlainText().isEmpty());
  EXPECT_TRUE(dlg.isVisible());
  dlg.reject();
  EXPECT_EQ(CommentText(cat, Row(0)->CommentIndex), Sj("一行目\r\n二行目"));
  EXPECT_EQ(rows_changed, 1);
}

TEST_F(CommentWidgetsTest, DialogRunsModally) {
  TfrmComment dlg(cat, Selection());
  selected = {Row(1)};
  QTimer::singleShot(0, &dlg, [&] {
    dlg.txtCommentText->setPlainText(QStringLiteral("modal"));
    dlg.cmdRegister->click();
  });
  EXPECT_EQ(dlg.Execute(), QDialog::Accepted);
  EXPECT_EQ(Row(1)->Text(kFileColComment), "modal");
}

TEST_F(CommentWidgetsTest, DialogListsCommentsOfEveryMediumAndSortsOnHeaderClick) {
  ASSERT_EQ(RegisterRowComment(cat, *Row(0), "beta"), CommentResult::Stored);
  browser.PopulateFileList(MakeEntryId(1, 0));
  ASSERT_EQ(RegisterRowComment(cat, *Row(0), "alpha"), CommentResult::Stored);
  selected = {Row(0)};
  TfrmComment dlg(cat, Selection());
  ASSERT_TRUE(dlg.Prepare());
  QAbstractItemModel* m = dlg.lvComments->model();
  ASSERT_EQ(m->rowCount(), 2);
  const char* captions[] = {"コメント文", "登録日時", "ファイル名", "メディア名"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), U(captions[c]));
  auto cell = [&](int r, int c) { return m->index(r, c).data().toString(); };
  EXPECT_EQ(cell(0, 0), QStringLiteral("alpha"));
  EXPECT_EQ(cell(0, 2), QStringLiteral("g1"));
  EXPECT_EQ(cell(0, 3), QStringLiteral("DISC2"));
  EXPECT_EQ(cell(1, 3), QStringLiteral("DISC1"));

  QHeaderView* header = dlg.lvComments->header();
  dlg.lvComments->selectionModel()->select(m->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  emit header->sectionClicked(0);  // the sorted column reverses
  EXPECT_FALSE(dlg.lvComments->selectionModel()->hasSelection());
  EXPECT_EQ(cell(0, 0), QStringLiteral("beta"));
  EXPECT_EQ(header->sortIndicatorSection(), 0);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  emit header->sectionClicked(3);  // another column keeps the direction
  EXPECT_EQ(cell(0, 3), QStringLiteral("DISC2"));
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  ASSERT_TRUE(dlg.Prepare());  // the next opening sorts the same way
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_EQ(cell(0, 3), QStringLiteral("DISC2"));
}

TEST_F(CommentWidgetsTest, FullTableIsToldAndNothingShownAsStored) {
  for (int k = 0; k < kCommentSlots; ++k) cat.MutableComment(k).Owner = 12345;
  selected = {Row(0)};
  CommentPanel panel(cat, Selection());
  panel.txtComment->setText(QStringLiteral("lost"));
  panel.cmdCommentSet->click();
  EXPECT_TRUE(panel.txtComment->text().isEmpty());
  TfrmComment dlg(cat, Selection());
  ASSERT_TRUE(dlg.Prepare());
  dlg.txtCommentText->setPlainText(QStringLiteral("lost"));
  dlg.cmdRegister->click();
  ASSERT_EQ(scope.messages.shown.size(), 2u);
  for (const auto& shown : scope.messages.shown) {
    EXPECT_EQ(shown.text, Sj("コメントの登録数が上限に達しました。"));
    EXPECT_EQ(shown.icon, MsgIcon::Information);
  }
  EXPECT_EQ(Row(0)->CommentIndex, -1);
  EXPECT_EQ(Row(0)->Text(kFileColComment), "");
}

TEST(PropertyPaneTest, ShowsTheViewsRowsNameAndNotice) {
  App();
  test::PlatformScope scope;
  MemoryClipboard clipboard;
  Platform().clipboard = &clipboard;
  PropertyPane pane;
  ASSERT_EQ(pane.objectName(), QStringLiteral("pnlProperty"));
  Child<QLabel>(pane, "imgProperty");
  auto* name = Child<QLabel>(pane, "lblPropertyName");
  auto* notice = Child<QWidget>(pane, "pnlReread");
  EXPECT_EQ(pane.ToolBar(), Child<QToolBar>(pane, "tbProperty"));
  auto* list = Child<QTreeView>(pane, "lvProperty");
  auto* pages = Child<QTabWidget>(pane, "tabPropertyPages");
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), U("画像"));
  EXPECT_EQ(pages->tabText(1), U("グラフ"));
  QStringList notice_lines;
  for (QLabel* l : notice->findChildren<QLabel*>()) notice_lines << l->text();
  EXPECT_EQ(notice_lines, (QStringList{U("メデイアの"), U("再読込み推奨")}));

  PropertyView v;
  v.name = Sj("ディスク");
  v.name_colour = PropertyView::kBlue;
  v.rows = {{Sj("ﾒﾃﾞｨｱ名"), Sj("ディスク")}, {"A", "1"}, {"B", "2"}};
  v.reread_banner = true;
  int asked = -1;
  pane.SetImageSource([&](int image) {
    asked = image;
    return QPixmap(16, 16);
  });
  v.image = 7;
  pane.SetView(v);
  pane.show();
  EXPECT_EQ(asked, 7);
  EXPECT_EQ(name->text(), U("ディスク"));
  EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_TRUE(notice->isVisible());
  QAbstractItemModel* m = list->model();
  EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), U("項目"));
  EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), U("内容"));
  ASSERT_EQ(m->rowCount(), 3);
  EXPECT_EQ(m->index(0, 0).data().toString(), U("ﾒﾃﾞｨｱ名"));
  EXPECT_EQ(m->index(0, 1).data().toString(), U("ディスク"));
  EXPECT_EQ(m->index(2, 1).data().toString(), QStringLiteral("2"));
  EXPECT_TRUE(pane.CopyToClipboard());
  EXPECT_EQ(clipboard.text, v.CopyText());

  v.rows.resize(1);
  v.reread_banner = false;
  pane.SetView(v);
  EXPECT_EQ(m->rowCount(), 1);
  EXPECT_FALSE(notice->isVisible());
}

}  // namespace
}  // namespace fv
