// The main window's frame: pages, commands and their enabling, the tree,
// renaming, stored layout and the close rule.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>

#include "catalog/lifecycle.h"
#include "core/catalog_fixture.h"
#include "gui_app.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "ui/command_actions.h"
#include "ui/main_window.h"
#include "ui/translations.h"

namespace fv::test {
namespace {

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    dir = MakeTempDir();
    path = dir + "/Default.fvd";
    ASSERT_TRUE(TheCatalog().CreateCatalog(path));
  }
  void AddMedia(std::initializer_list<const char*> names) {
    for (const char* n : names) ASSERT_TRUE(FakeMedium::Make(n, 4).StoreInto(TheCatalog()));
  }
  std::unique_ptr<TfrmMain> Open() {
    auto w = std::make_unique<TfrmMain>();
    EXPECT_TRUE(TheCatalog().LoadCatalog(path));
    w->Start();
    w->show();
    QCoreApplication::processEvents();
    return w;
  }
  PlatformScope scope;
  std::string dir, path;
};

TEST_F(FrameTest, PagesOtherThanTheMediaPageShowOnlyWithMedia) {
  {
    auto w = Open();
    auto* main = w->findChild<QTabWidget*>("pgcMain");
    auto* view = w->findChild<QTabWidget*>("pgcView");
    ASSERT_TRUE(main && view);
    ASSERT_EQ(main->count(), 4);
    ASSERT_EQ(view->count(), 5);
    EXPECT_EQ(main->tabText(0), QStringLiteral("メディア"));
    EXPECT_EQ(view->tabText(4), QStringLiteral("トップ 10"));
    for (int p = 1; p < 4; ++p) EXPECT_FALSE(main->isTabVisible(p)) << p;
    for (int p = 1; p < 5; ++p) EXPECT_FALSE(view->isTabVisible(p)) << p;
    EXPECT_FALSE(w->Commands().First(Cmd::Search)->isEnabled());
  }
  AddMedia({"A"});
  auto w = Open();
  auto* main = w->findChild<QTabWidget*>("pgcMain");
  auto* view = w->findChild<QTabWidget*>("pgcView");
  for (int p = 1; p < 4; ++p) EXPECT_TRUE(main->isTabVisible(p)) << p;
  EXPECT_TRUE(view->isTabVisible(1));
  EXPECT_FALSE(view->isTabVisible(2));  // "プロパティ" never shows
  EXPECT_TRUE(view->isTabVisible(3));
}

TEST_F(FrameTest, TheTreeShowsTheCatalogAndItsMediaAndEntersThem) {
  AddMedia({"A", "B"});
  auto w = Open();
  auto* tree = w->findChild<QTreeView*>("TreeView1");
  ASSERT_TRUE(tree);
  const QModelIndex root = tree->model()->index(0, 0);
  EXPECT_EQ(root.data().toString(), QStringLiteral("FerrovanFree"));
  EXPECT_EQ(tree->model()->rowCount(root), 2);
  EXPECT_EQ(tree->model()->index(1, 0, root).data().toString(), QStringLiteral("B"));
  EXPECT_EQ(w->CurrentNodeId(), -1);
  ASSERT_TRUE(w->SelectNode(MakeEntryId(1, 0)));
  EXPECT_EQ(w->CurrentNodeId(), MakeEntryId(1, 0));
  EXPECT_EQ(w->browser().file_list.size(), 3u);
  // "上へ移動" goes back to the catalog; at the catalog it is disabled.
  w->Run(Cmd::Up);
  EXPECT_EQ(w->CurrentNodeId(), -1);
  EXPECT_FALSE(w->Commands().First(Cmd::Up)->isEnabled());
  // The history steps back to the medium.
  ASSERT_TRUE(w->Commands().First(Cmd::Back)->isEnabled());
  w->Run(Cmd::Back);
  EXPECT_EQ(w->CurrentNodeId(), MakeEntryId(1, 0));
}

TEST_F(FrameTest, RenamingAMediumChecksTheName) {
  AddMedia({"A", "B"});
  auto w = Open();
  auto* tree = w->findChild<QTreeView*>("TreeView1");
  const QModelIndex root = tree->model()->index(0, 0);
  const QModelIndex a = tree->model()->index(0, 0, root);
  struct Case {
    QModelIndex node;
    const char* text;
    const char* stays;
    bool error;
  } cases[] = {
      {a, "A", "A", true},         // its own name is a duplicate too
      {a, "B", "A", true},         // another medium's name
      {root, "X", "FerrovanFree", false},  // not a medium: reverts
      {a, "", "A", false},         // no name: reverts
      {a, "C", "C", false},
  };
  for (const Case& c : cases) {
    scope.messages.shown.clear();
    tree->model()->setData(c.node, QString::fromUtf8(c.text), Qt::EditRole);
    EXPECT_EQ(c.node.data().toString(), QString::fromUtf8(c.stays)) << c.text;
    EXPECT_EQ(scope.messages.shown.size(), c.error ? 1u : 0u) << c.text;
    if (c.error) {
      EXPECT_EQ(scope.messages.TextsUtf8(), "名前が重複します、上書きしますか\n");
    }
  }
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  EXPECT_EQ(fresh.Medium(0).Name.str(), "C");
  EXPECT_EQ(fresh.Medium(0).Root.Name.str(), "C");
}

TEST_F(FrameTest, StoredLayoutIsAppliedWithItsFloors) {
  struct Case {
    int top, left, tree, panel;
    bool moved;
    int want_tree, want_panel;
  } cases[] = {{0, 300, 150, 50, false, 200, 103}, {120, 0, 260, 150, false, 260, 150},
               {120, 300, 180, 90, true, 200, 103}};
  for (const Case& c : cases) {
    WriteSettingInteger(SettingKey::REG_MainFrameTop, c.top);
    WriteSettingInteger(SettingKey::REG_MainFrameLeft, c.left);
    WriteSettingInteger(SettingKey::REG_MainFrameWidth, 1100);
    WriteSettingInteger(SettingKey::REG_MainFrameHeight, 700);
    WriteSettingInteger(SettingKey::REG_MainTreeViewWidth, c.tree);
    WriteSettingInteger(SettingKey::REG_MainDupPanelHeight, c.panel);
    const MainLayout l = MainLayout::Read();
    EXPECT_EQ(l.ApplyRect(), c.moved);
    EXPECT_EQ(l.tree_width, c.want_tree);
    EXPECT_EQ(l.dup_panel_height, c.want_panel);
    auto w = Open();
    EXPECT_GE(w->findChild<QSplitter*>("splMain")->sizes().value(0), 200);
    if (c.moved) {
      EXPECT_EQ(w->width(), 1100);
    }
  }
}

TEST_F(FrameTest, TabPositionsEnableWrappingAndSidesAsTheyAllow) {
  AddMedia({"A"});
  auto w = Open();
  CommandActions& cmd = w->Commands();
  auto enabled = [&](Cmd c) {
    w->RefreshCommands();
    return cmd.At(c, Place::MediaPopup) ? cmd.At(c, Place::MediaPopup)->isEnabled()
                                         : cmd.At(c, Place::MediaPopupTabs)->isEnabled();
  };
  EXPECT_TRUE(enabled(Cmd::WrapTabs));
  EXPECT_TRUE(enabled(Cmd::TabLeft));
  w->Run(Cmd::TabLeft);
  EXPECT_FALSE(enabled(Cmd::WrapTabs));
  EXPECT_TRUE(cmd.At(Cmd::TabLeft, Place::MediaPopupTabs)->isChecked());
  EXPECT_FALSE(cmd.At(Cmd::TabTop, Place::MediaPopupTabs)->isChecked());
  w->Run(Cmd::TabBottom);
  EXPECT_TRUE(enabled(Cmd::WrapTabs));
  w->Run(Cmd::WrapTabs, false, false);
  EXPECT_FALSE(enabled(Cmd::TabLeft));
  EXPECT_FALSE(enabled(Cmd::TabRight));
}

TEST_F(FrameTest, WhileBusyTheCatalogCommandsAreOffAndClosingIsRefused) {
  AddMedia({"A"});
  ASSERT_TRUE(TheCatalog().DeleteMedium(0));
  AddMedia({"B"});
  auto w = Open();
  CommandActions& cmd = w->Commands();
  EXPECT_TRUE(cmd.At(Cmd::Optimise, Place::MainTools)->isEnabled());
  EXPECT_EQ(cmd.At(Cmd::Optimise, Place::MainTools)->toolTip(), QStringLiteral("DB最適化(削除済みメディア数=1)"));
  TheLifecycle().SetBusy(true);
  for (Cmd c : {Cmd::OpenCatalog, Cmd::NewCatalog, Cmd::Optimise, Cmd::DeleteMedium, Cmd::RenameMedium, Cmd::Back})
    for (QAction* a : cmd.Actions(c)) EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  EXPECT_TRUE(cmd.First(Cmd::Exit)->isEnabled());
  EXPECT_FALSE(w->close());
  EXPECT_EQ(scope.messages.TextsUtf8(), "処理中...\r\n処理が完了してから終了してください\n");
  TheLifecycle().SetBusy(false);
  EXPECT_TRUE(cmd.First(Cmd::OpenCatalog)->isEnabled());
  // Optimising: the button goes off once nothing is left to do.
  w->Run(Cmd::Optimise);
  EXPECT_FALSE(cmd.At(Cmd::Optimise, Place::MainTools)->isEnabled());
  EXPECT_EQ(cmd.At(Cmd::Optimise, Place::MainTools)->toolTip(), QStringLiteral("DB最適化"));
  EXPECT_TRUE(cmd.At(Cmd::Optimise, Place::MenuFile)->isEnabled());
}

TEST_F(FrameTest, AChangeByAnotherProgramIsRefusedAndTheCatalogReadAgain) {
  AddMedia({"A", "B"});
  auto w = Open();
  {
    Catalog other;  // another program adds a medium meanwhile
    ASSERT_TRUE(other.LoadCatalog(path));
    ASSERT_TRUE(FakeMedium::Make("C", 3).StoreInto(other));
  }
  ASSERT_TRUE(w->SelectNode(MakeEntryId(0, 0)));
  scope.messages.answers = {MsgResult::Yes};  // delete A?
  w->Run(Cmd::DeleteMedium);
  EXPECT_NE(scope.messages.TextsUtf8().find("他のプロセスによって変更されました"), std::string::npos);
  QCoreApplication::processEvents();
  auto* tree = w->findChild<QTreeView*>("TreeView1");
  const QModelIndex root = tree->model()->index(0, 0);
  EXPECT_EQ(tree->model()->rowCount(root), 3);
  Catalog check;
  ASSERT_TRUE(check.LoadCatalog(path));
  EXPECT_EQ(check.Counts().LiveMedia, 3);
  EXPECT_TRUE(check.SlotLive(0));
}

TEST_F(FrameTest, MenuItemsOfTheCatalogShowTheStandardPageFirstButtonsDoNot) {
  AddMedia({"A"});
  auto w = Open();
  auto* main = w->findChild<QTabWidget*>("pgcMain");
  auto* view = w->findChild<QTabWidget*>("pgcView");
  main->setCurrentIndex(2);
  view->setCurrentIndex(3);
  w->Commands().At(Cmd::OpenCatalog, Place::MainTools)->trigger();  // cancelled dialog
  EXPECT_EQ(main->currentIndex(), 2);
  EXPECT_EQ(view->currentIndex(), 3);
  w->Commands().At(Cmd::OpenCatalog, Place::MenuFile)->trigger();
  EXPECT_EQ(main->currentIndex(), 0);
  EXPECT_EQ(view->currentIndex(), 0);
}

TEST_F(FrameTest, EveryItemIsBuiltOrVisiblyDisabled) {
  auto w = Open();
  for (const CommandRow& row : CommandTable()) {
    QAction* a = w->Commands().At(row.cmd, row.place);
    ASSERT_TRUE(a) << row.caption;
    if (!CommandBuilt(row.cmd)) {
      EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    }
  }
}

TEST(Translations, QtSpeaksJapanese) {
  App();
  ASSERT_TRUE(InstallJapaneseTranslations(App()));
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
}

}  // namespace
}  // namespace fv::test
