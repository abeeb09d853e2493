#include "ui/command_actions.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <cstring>

#include "platform/qt_convert.h"

namespace fv {

QIcon ThemeIcon(const char* name) {
  struct Fallback {
    const char* name;
    QStyle::StandardPixmap pixmap;
  };
  static const Fallback kFallbacks[] = {
      {"document-new", QStyle::SP_FileIcon},          {"document-open", QStyle::SP_DialogOpenButton},
      {"edit-clear", QStyle::SP_DialogResetButton},   {"application-exit", QStyle::SP_DialogCloseButton},
      {"list-add", QStyle::SP_FileDialogNewFolder},   {"list-remove", QStyle::SP_TrashIcon},
      {"go-previous", QStyle::SP_ArrowBack},          {"go-next", QStyle::SP_ArrowForward},
      {"go-up", QStyle::SP_FileDialogToParent},       {"go-first", QStyle::SP_ArrowLeft},
      {"go-last", QStyle::SP_ArrowRight},             {"help-contents", QStyle::SP_DialogHelpButton},
      {"help-about", QStyle::SP_MessageBoxInformation}, {"view-list-details", QStyle::SP_FileDialogDetailedView},
      {"view-list-compact", QStyle::SP_FileDialogListView}, {"view-list-icons", QStyle::SP_FileDialogContentsView},
      {"view-grid", QStyle::SP_FileDialogContentsView}, {"document-properties", QStyle::SP_FileDialogInfoView},
      {"edit-copy", QStyle::SP_DialogSaveButton},     {"edit-find", QStyle::SP_FileDialogContentsView},
      {"system-file-manager", QStyle::SP_DirOpenIcon}, {"image-x-generic", QStyle::SP_DesktopIcon},
      {"emblem-important", QStyle::SP_DialogApplyButton}, {"document-edit", QStyle::SP_FileDialogDetailedView},
      {"folder-new", QStyle::SP_FileDialogNewFolder},  {"go-jump", QStyle::SP_CommandLink},
      {"edit-rename", QStyle::SP_FileLinkIcon},        {"edit-find-replace", QStyle::SP_FileDialogContentsView},
      {"preferences-system", QStyle::SP_ComputerIcon}, {"insert-image", QStyle::SP_DesktopIcon},
  };
  QIcon fallback;
  for (const Fallback& f : kFallbacks)
    if (std::strcmp(f.name, name) == 0) fallback = QApplication::style()->standardIcon(f.pixmap);
  return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

CommandActions::CommandActions(QWidget* owner) : QObject(owner), owner_(owner) {
  for (const CommandRow& row : CommandTable()) {
    auto* a = new QAction(QFromCp932(row.caption), owner);
    const bool tool = row.place == Place::MainTools || row.place == Place::TreeTools ||
                      row.place == Place::ListTools || row.place == Place::PropertyTools ||
                      row.place == Place::SearchTools;
    if (tool) a->setToolTip(QFromCp932(row.caption));
    if (!row.shortcut.empty()) {
      a->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut.c_str())));
      // Pop-up copies of a menu-bar shortcut only show it.
      if (row.place == Place::MediaPopup) a->setShortcutContext(Qt::WidgetShortcut);
    }
    a->setCheckable(row.checkable);
    a->setChecked(row.checked);
    a->setVisible(!row.hidden);
    if (!row.icon.empty()) a->setIcon(ThemeIcon(row.icon.c_str()));
    if (!CommandBuilt(row.cmd)) a->setToolTip(QFromCp932(row.caption) + QStringLiteral("\n") + QFromCp932(NotBuiltHint()));
    const Cmd cmd = row.cmd;
    const bool sw = row.switch_to_standard;
    const Place place = row.place;
    connect(a, &QAction::triggered, this,
            [this, cmd, sw, place](bool checked) { emit Triggered(cmd, sw, checked, place); });
    made_.push_back({&row, a});
    by_cmd_[row.cmd].push_back(a);
  }
}

const std::vector<QAction*>& CommandActions::Actions(Cmd c) const {
  static const std::vector<QAction*> none;
  auto it = by_cmd_.find(c);
  return it == by_cmd_.end() ? none : it->second;
}

QAction* CommandActions::First(Cmd c) const {
  const auto& v = Actions(c);
  return v.empty() ? nullptr : v.front();
}

QAction* CommandActions::At(Cmd c, Place p) const {
  for (const Made& m : made_)
    if (m.row->cmd == c && m.row->place == p) return m.action;
  return nullptr;
}

void CommandActions::Fill(QMenu* menu, Place p) {
  for (const Made& m : made_) {
    if (m.row->place != p) continue;
    if (m.row->separator_before && !menu->isEmpty()) menu->addSeparator();
    menu->addAction(m.action);
  }
  // Submenus follow the item they belong after.
  auto sub = [&](Place s, Cmd after) {
    QMenu* sm = new QMenu(QFromCp932(SubmenuCaption(s)), menu);
    Fill(sm, s);
    const QList<QAction*> all = menu->actions();
    const qsizetype at = all.indexOf(At(after, p));
    if (at >= 0 && at + 1 < all.size())
      menu->insertMenu(all[at + 1], sm);
    else
      menu->addMenu(sm);
  };
  if (p == Place::MediaPopup) sub(Place::MediaPopupTabs, Cmd::ChangeDetail);
  if (p == Place::ListPopup) {
    sub(Place::ListPopupCopy, Cmd::Explorer);
    sub(Place::ListPopupView, Cmd::ToggleProperty);
  }
  if (p == Place::SearchPopup) sub(Place::SearchPopupView, Cmd::SearchCopyAll);
}

void CommandActions::Fill(QToolBar* bar, Place p) {
  for (const Made& m : made_) {
    if (m.row->place != p) continue;
    if (m.row->separator_before && !bar->actions().isEmpty()) bar->addSeparator();
    bar->addAction(m.action);
  }
}

void CommandActions::FillMenuBar(QMenuBar* bar) {
  for (const MenuTitle& t : MenuTitles()) {
    QMenu* m = bar->addMenu(QFromCp932(t.caption));
    Fill(m, t.place);
    // Ctrl+Alt+letter opens the menu.
    auto* open = new QAction(owner_);
    open->setShortcut(QKeySequence(QString::fromLatin1(t.shortcut.c_str())));
    owner_->addAction(open);
    connect(open, &QAction::triggered, bar, [bar, m] { bar->setActiveAction(m->menuAction()); });
  }
}

void CommandActions::SetChecked(Cmd c, bool on) {
  for (QAction* a : Actions(c)) {
    const QSignalBlocker quiet(a);
    a->setChecked(on);
  }
}

void CommandActions::SetHint(Cmd c, Place p, const QString& hint) {
  if (QAction* a = At(c, p)) {
    a->setToolTip(hint);
    a->setStatusTip(hint);
  }
}

void CommandActions::Apply(const WindowState& s) {
  for (const Made& m : made_) m.action->setEnabled(RowEnabled(*m.row, s));
}

}  // namespace fv
