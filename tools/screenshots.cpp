// ferrovan-screenshots OUTDIR CATALOG: opens the catalog in the main window
// and writes a PNG of the window on each page and of each dialog, for
// looking at what the program shows.

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <functional>

#include "catalog/catalog.h"
#include "catalog/lifecycle.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_messages.h"
#include "ui/file_list_view.h"
#include "ui/main_window.h"
#include "ui/translations.h"

namespace {

QString g_out;

void Shot(QWidget* w, const QString& name) {
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  const QString file = g_out + QLatin1Char('/') + name + QStringLiteral(".png");
  if (!w->grab().save(file)) std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
  std::printf("%s\n", file.toLocal8Bit().constData());
}

// Runs a command that opens a modal window, takes its picture and closes it.
void ShotModal(const QString& name, const std::function<void()>& open) {
  QTimer::singleShot(300, [name] {
    if (QWidget* m = QApplication::activeModalWidget()) {
      Shot(m, name);
      if (auto* d = qobject_cast<QDialog*>(m)) d->reject(); else m->close();
    }
  });
  open();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: ferrovan-screenshots OUTDIR CATALOG\n");
    return 2;
  }
  g_out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_out);
  fv::InstallJapaneseTranslations(app);
  fv::InstallQtClipboard();
  fv::TfrmMain w;
  fv::InstallQtPlatform(&w);
  if (!fv::TheCatalog().LoadCatalog(argv[2])) {
    std::fprintf(stderr, "cannot open %s\n", argv[2]);
    return 1;
  }
  fv::TheCatalog().LoadLongNameFile();
  w.Start();
  w.resize(1280, 800);
  w.show();
  auto* main = w.findChild<QTabWidget*>("pgcMain");
  auto* view = w.findChild<QTabWidget*>("pgcView");
  auto* tree = w.findChild<QTreeView*>("TreeView1");

  Shot(&w, "main-catalog");
  // A medium, and its biggest folder.
  if (fv::TheCatalog().Counts().LiveMedia > 0) {
    int m = 0;
    while (!fv::TheCatalog().SlotLive(m)) ++m;
    w.SelectNode(fv::MakeEntryId(m, 0));
    tree->expand(tree->currentIndex());
    Shot(&w, "main-medium");
  }
  for (int p = 1; p < view->count(); ++p) {
    if (!view->isTabVisible(p)) continue;
    view->setCurrentIndex(p);
    Shot(&w, QStringLiteral("view-page-%1").arg(p));
  }
  view->setCurrentIndex(0);
  for (int p = 1; p < main->count(); ++p) {
    if (!main->isTabVisible(p)) continue;
    main->setCurrentIndex(p);
    Shot(&w, QStringLiteral("main-page-%1").arg(p));
  }
  main->setCurrentIndex(0);
  // The list in each view mode, then the windows it opens.
  static const fv::Cmd kModes[] = {fv::Cmd::ViewLarge, fv::Cmd::ViewSmall, fv::Cmd::ViewList, fv::Cmd::ViewDetails};
  static const char* const kModeNames[] = {"list-large-icons", "list-small-icons", "list-list", "list-details"};
  for (int i = 0; i < 4; ++i) {
    w.Run(kModes[i]);
    Shot(&w, QString::fromLatin1(kModeNames[i]));
  }
  w.List().SelectRow(0);
  ShotModal(QStringLiteral("dialog-column-order"), [&] { w.Run(fv::Cmd::ColumnOrder); });
  ShotModal(QStringLiteral("dialog-comment"), [&] { w.Run(fv::Cmd::Comment); });
  ShotModal(QStringLiteral("dialog-about"), [&] { w.Run(fv::Cmd::About); });
  if (auto* menu = w.findChild<QMenu*>("mnuListPopup")) {
    menu->popup(w.mapToGlobal(QPoint(700, 300)));
    Shot(menu, "popup-list");
    menu->hide();
  }
  // The tabs down the left edge.
  w.Run(fv::Cmd::TabLeft);
  Shot(&w, "tabs-left");
  w.Run(fv::Cmd::TabTop);
  // Pop-up menus.
  if (auto* menu = w.findChild<QMenu*>("mnuMediaPopup")) {
    menu->popup(w.mapToGlobal(QPoint(100, 200)));
    Shot(menu, "popup-media");
    menu->hide();
  }
  return 0;
}
