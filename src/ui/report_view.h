#pragma once
// Tree views that show a flat list in columns, a row at a time.

#include <QTreeView>

namespace fv {

inline void ShowAsReport(QTreeView* view) {
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

}  // namespace fv
