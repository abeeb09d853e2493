// The File menu's catalog commands and the close rule, driven through the
// window's menu items with scripted dialogs and answers.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>

#include "catalog/lifecycle.h"
#include "gui_app.h"
#include "platform/files.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "ui/main_window.h"

namespace fv::test {
namespace {

QAction* MenuItem(TfrmMain& w, const QString& text) {
  for (QAction* top : w.menuBar()->actions())
    if (top->menu())
      for (QAction* a : top->menu()->actions())
        if (a->text() == text) return a;
  return nullptr;
}

TEST(CatalogMenu, NewOpenAndExitThroughTheFileMenu) {
  App();
  PlatformScope scope;
  const std::string dir = MakeTempDir();
  TfrmMain w;
  w.show();
  QAction* create = MenuItem(w, QStringLiteral("DBの新規作成(&N)..."));
  QAction* open = MenuItem(w, QStringLiteral("DBを開く(&O)..."));
  QAction* quit = MenuItem(w, QStringLiteral("終了(&X)"));
  ASSERT_TRUE(create && open && quit);

  scope.dialogs.answers = {dir + "/one"};
  create->trigger();
  EXPECT_EQ(scope.dialogs.requests.back().title, Sj("新規DBファイルの作成"));
  EXPECT_EQ(TheCatalog().CatalogPath(), dir + "/one.fvd");
  EXPECT_TRUE(Platform().files->Exists(dir + "/one.lfn"));

  scope.dialogs.answers = {dir + "/two.fvd"};
  create->trigger();
  scope.dialogs.answers = {dir + "/one.fvd"};
  open->trigger();
  EXPECT_EQ(scope.dialogs.requests.back().title, Sj("メディア管理DBファイルを指定してください"));
  EXPECT_EQ(scope.dialogs.requests.back().initial_dir, dir);
  EXPECT_EQ(TheCatalog().CatalogPath(), dir + "/one.fvd");
  EXPECT_EQ(ReadSettingString(SettingKey::REG_OpenHist01), dir + "/one.fvd");
  EXPECT_EQ(ReadSettingString(SettingKey::REG_OpenHist02), dir + "/two.fvd");
  EXPECT_TRUE(scope.messages.shown.empty()) << scope.messages.TextsUtf8();

  // Busy: closing is refused with a warning; afterwards Exit closes.
  TheLifecycle().SetBusy(true);
  quit->trigger();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(scope.messages.TextsUtf8(), "処理中...\r\n処理が完了してから終了してください\n");
  TheLifecycle().SetBusy(false);
  quit->trigger();
  EXPECT_FALSE(w.isVisible());
}

TEST(CatalogMenu, SecondInstanceLeavesSilently) {
  // A first program holds the lock; a second one started meanwhile ends at
  // once with nothing on its output.
  const std::string gui = "QT_QPA_PLATFORM=offscreen timeout -s TERM ";
  std::string out;
  RunCommand("(" + gui + "3 " FERROVAN_GUI_PATH " >/dev/null 2>&1 & sleep 1.5; " + gui +
                 "2 " FERROVAN_GUI_PATH " 2>&1; echo \"rc=$?\"; wait)",
             &out);
  EXPECT_EQ(out, "rc=0\n");
}

}  // namespace
}  // namespace fv::test
