#pragma once
// The main window: a router between the regions (tree pane, file list,
// property pane, comment panel, detail panel, pages) and the core. Every
// command comes from the command table (ui/logic/command_map.h).

#include <QMainWindow>
#include <QModelIndex>
#include <memory>

#include "browse/hierarchy.h"
#include "settings/history.h"
#include "ui/logic/command_map.h"
#include "ui/logic/main_layout.h"

class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeView;

namespace fv {

class ClassTabs;
class CommandActions;
class CommentPanel;
class FileListView;
class MediaTreeModel;
class PropertyPane;
class TfrmComment;

// Window title: "FerrovanFree  [Ver." + version + "]".
QString MainWindowTitle();

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // After the catalog was chosen and opened: restores the layout, builds
  // the tree and the pages (start-up steps after the catalog).
  void Start();

  CommandActions& Commands() { return *commands_; }
  FileListView& List() { return *list_; }
  Browser& browser() { return browser_; }
  BrowsingHistory& history() { return history_; }
  // Runs a command as its menu item or button would.
  void Run(Cmd c, bool switch_to_standard = false, bool checked = false, Place place = Place::MenuFile);
  // Selects the tree node of an id (the catalog for -1); false when the
  // tree has no such node.
  bool SelectNode(EntryId id);
  // Selects the tree node of a path ("DISC1\\Photos", empty = the catalog).
  bool SelectPath(const std::string& cp932_path);
  EntryId CurrentNodeId() const { return current_id_; }
  // The window's state as the enabling rules see it.
  WindowState State() const;
  // Re-applies the enabling rules (after busy, catalog, selection changes).
  void RefreshCommands();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildRegions();
  void WireLifecycle();
  void RebuildTree(bool rebuild_tabs);
  void ShowPages();
  void TreeView1Change(const QModelIndex& current);
  void TreeView1Edited(const QModelIndex& i, const std::string& text);
  void TabChange(int index);
  void RenameCommand();
  void UpCommand();
  void SetTabPosition(int position);
  void ApplyLayout();
  void SaveLayout();
  void SetStatus(int panel, const std::string& cp932);
  void ShowAbout();
  void OpenHelp(const char* page = "index.html");
  void Busy(bool on);
  void ListSelectionChanged();
  void RefreshProperties();
  void OpenRow(int row);
  void ToggleMarks();
  void RowsChanged();
  void SetViewMode(Cmd c);
  std::vector<TRecord*> SelectedRows();

  std::unique_ptr<CommandActions> commands_;
  Browser browser_;
  BrowsingHistory history_;
  MainLayout layout_;
  EntryId current_id_ = -1;
  bool trim_pending_ = false;
  bool handling_tab_ = false;
  bool started_ = true;  // false from Start until the first showing
  EntryId pending_entry_ = -1;  // the history's place being shown
  bool busy_ = false;

  QTabWidget* pgcMain_ = nullptr;
  QTabWidget* pgcView_ = nullptr;
  QSplitter* splMain_ = nullptr;
  QSplitter* splStandard_ = nullptr;
  QSplitter* splList_ = nullptr;
  ClassTabs* tabs_ = nullptr;
  QWidget* treePane_ = nullptr;
  QTreeView* tree_ = nullptr;
  MediaTreeModel* model_ = nullptr;
  QToolBar* tbMain_ = nullptr;
  QToolBar* tbTree_ = nullptr;
  QToolBar* tbList_ = nullptr;
  QWidget* propertyArea_ = nullptr;
  QWidget* listArea_ = nullptr;
  QWidget* dupPanel_ = nullptr;
  QLabel* panels_[2] = {nullptr, nullptr};
  FileListView* list_ = nullptr;
  CommentPanel* comment_ = nullptr;
  TfrmComment* commentForm_ = nullptr;
  PropertyPane* property_ = nullptr;
  QMenu* listMenu_ = nullptr;
};

}  // namespace fv
