#include <gtest/gtest.h>

#include <QApplication>

#include "gui_app.h"
#include "support/test_env.h"
#include "ui/main_window.h"
#include "version.h"

namespace fv {
namespace {

using test::App;

TEST(MainWindow, TitleCarriesTheFourPartVersion) {
  App();
  TfrmMain w;
  w.show();
  const QString title = w.windowTitle();
  EXPECT_TRUE(title.startsWith(QStringLiteral("FerrovanFree  [Ver."))) << title.toStdString();
  EXPECT_TRUE(title.endsWith(QStringLiteral("]")));
  QString ver = title.mid(QStringLiteral("FerrovanFree  [Ver.").size());
  ver.chop(1);
  EXPECT_EQ(ver.split('.').size(), 4);
  EXPECT_EQ(ver.toStdString(), FERROVAN_VERSION_TEXT);
}

TEST(MainWindow, ProgramStartsOffscreen) {
  std::string out;
  // Runs the real program for a moment; "timeout" ends it, which counts as
  // having started and run its event loop.
  int rc = test::RunCommand("QT_QPA_PLATFORM=offscreen timeout -s TERM 2 " FERROVAN_GUI_PATH " 2>&1", &out);
  EXPECT_EQ(rc, 124) << out;
}

}  // namespace
}  // namespace fv
