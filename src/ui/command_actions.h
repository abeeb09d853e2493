#pragma once
// One QAction per row of the command table, placed in the menus, tool bars
// and pop-up menus the row names, enabled by the table's rules.

#include <QIcon>
#include <QObject>
#include <map>
#include <vector>

#include "ui/logic/command_map.h"

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace fv {

class CommandActions : public QObject {
  Q_OBJECT
 public:
  explicit CommandActions(QWidget* owner);

  // Every action of the command (menu item, tool button, pop-up item).
  const std::vector<QAction*>& Actions(Cmd c) const;
  QAction* First(Cmd c) const;
  // The action of one place.
  QAction* At(Cmd c, Place p) const;

  void FillMenuBar(QMenuBar* bar);
  void Fill(QToolBar* bar, Place p);
  void Fill(QMenu* menu, Place p);

  // Ticks every action of the command.
  void SetChecked(Cmd c, bool on);
  void SetHint(Cmd c, Place p, const QString& hint);
  // Applies the enabling rules to every action.
  void Apply(const WindowState& s);

 signals:
  // A row's action was triggered (switch: the row first shows the pages
  // "メディア"/"標準").
  void Triggered(Cmd c, bool switch_to_standard, bool checked, Place place);

 private:
  struct Made {
    const CommandRow* row;
    QAction* action;
  };
  std::vector<Made> made_;
  std::map<Cmd, std::vector<QAction*>> by_cmd_;
  QWidget* owner_;
};

// A theme icon with a built-in fallback from the style.
QIcon ThemeIcon(const char* name);

}  // namespace fv
