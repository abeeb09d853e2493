#include "ui/main_window.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

#include "browse/properties.h"
#include "catalog/catalog.h"
#include "catalog/lifecycle.h"
#include "export/export_settings.h"
#include "media_meta/name_lists.h"
#include "platform/large_memory.h"
#include "platform/messages.h"
#include "platform/qt_convert.h"
#include "platform/services.h"
#include "settings/settings.h"
#include "ui/class_tabs.h"
#include "ui/command_actions.h"
#include "ui/comment_form.h"
#include "ui/comment_panel.h"
#include "ui/file_list_view.h"
#include "ui/logic/comment_commands.h"
#include "ui/logic/help.h"
#include "ui/media_tree_model.h"
#include "ui/property_pane.h"
#include "version.h"

namespace fv {

QString MainWindowTitle() {
  return QStringLiteral("FerrovanFree  [Ver.") + QStringLiteral(FERROVAN_VERSION_TEXT) + QStringLiteral("]");
}

namespace {

QToolBar* MakeToolBar(const char* name, QWidget* parent) {
  auto* t = new QToolBar(parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setIconSize(QSize(16, 16));
  t->setToolButtonStyle(Qt::ToolButtonIconOnly);
  return t;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), browser_(TheCatalog()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(MainWindowTitle());
  resize(1000, 680);
  commands_ = std::make_unique<CommandActions>(this);
  connect(commands_.get(), &CommandActions::Triggered, this,
          [this](Cmd c, bool sw, bool checked, Place p) { Run(c, sw, checked, p); });
  BuildRegions();
  WireLifecycle();
  AttachNameLists(TheCatalog());
  SetClassificationFilter(TheCatalog(), "");
  RefreshCommands();
}

TfrmMain::~TfrmMain() {
  // The widgets outlive the members: nothing may read the rows after this.
  list_->SetRows(nullptr, nullptr);
  CatalogHooks& h = TheLifecycle().hooks;
  h = CatalogHooks{};
  TheLifecycle().onBusyChanged = nullptr;
  TheCatalog().onChangedElsewhere = nullptr;
  TheLifecycle().onOptimiseButton = nullptr;
}

void TfrmMain::BuildRegions() {
  commands_->FillMenuBar(menuBar());

  tbMain_ = MakeToolBar("tbMain", this);
  tbMain_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  commands_->Fill(tbMain_, Place::MainTools);
  addToolBar(tbMain_);

  pgcMain_ = new QTabWidget(this);
  pgcMain_->setObjectName(QStringLiteral("pgcMain"));
  setCentralWidget(pgcMain_);

  // Page "メディア": the tree pane, a splitter, the view pages.
  auto* media = new QWidget;
  media->setObjectName(QStringLiteral("tabMedia"));
  auto* mediaLay = new QVBoxLayout(media);
  mediaLay->setContentsMargins(0, 0, 0, 0);
  splMain_ = new QSplitter(Qt::Horizontal, media);
  splMain_->setObjectName(QStringLiteral("splMain"));
  splMain_->setChildrenCollapsible(false);
  mediaLay->addWidget(splMain_);

  treePane_ = new QWidget;
  treePane_->setObjectName(QStringLiteral("pnlTree"));
  treePane_->setMinimumWidth(MainLayout::kMinTreeWidth);
  tabs_ = new ClassTabs(treePane_);
  tbTree_ = MakeToolBar("tbTree", treePane_);
  commands_->Fill(tbTree_, Place::TreeTools);
  tree_ = new QTreeView(treePane_);
  tree_->setObjectName(QStringLiteral("TreeView1"));
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  model_ = new MediaTreeModel(TheCatalog(), DefaultFileIcons(), this);
  model_->onEdited = [this](const QModelIndex& i, const std::string& t) { TreeView1Edited(i, t); };
  tree_->setModel(model_);
  if (QAction* f2 = commands_->At(Cmd::RenameMedium, Place::MediaPopup)) {
    f2->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    treePane_->addAction(f2);
  }
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& cur) { TreeView1Change(cur); });
  auto* mediaMenu = new QMenu(this);
  mediaMenu->setObjectName(QStringLiteral("mnuMediaPopup"));
  commands_->Fill(mediaMenu, Place::MediaPopup);
  connect(mediaMenu, &QMenu::aboutToShow, this, [this] { RefreshCommands(); });
  auto popMedia = [mediaMenu](QWidget* from, const QPoint& p) { mediaMenu->popup(from->mapToGlobal(p)); };
  connect(tree_, &QWidget::customContextMenuRequested, this,
          [this, popMedia](const QPoint& p) { popMedia(tree_, p); });
  tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tabs_, &QWidget::customContextMenuRequested, this,
          [this, popMedia](const QPoint& p) { popMedia(tabs_, p); });
  connect(tabs_, &ClassTabs::Changed, this, [this](int i) { TabChange(i); });
  SetTabPosition(0);
  splMain_->addWidget(treePane_);

  // The view pages with the status bar below them.
  auto* right = new QWidget;
  auto* rightLay = new QVBoxLayout(right);
  rightLay->setContentsMargins(0, 0, 0, 0);
  pgcView_ = new QTabWidget(right);
  pgcView_->setObjectName(QStringLiteral("pgcView"));
  rightLay->addWidget(pgcView_);
  splMain_->addWidget(right);
  splMain_->setStretchFactor(1, 1);

  // Page "標準": property pane | list area, the detail panel below.
  auto* standard = new QWidget;
  standard->setObjectName(QStringLiteral("tabStandard"));
  auto* stdLay = new QVBoxLayout(standard);
  stdLay->setContentsMargins(0, 0, 0, 0);
  splList_ = new QSplitter(Qt::Vertical, standard);
  splList_->setObjectName(QStringLiteral("splList"));
  splList_->setChildrenCollapsible(false);
  splStandard_ = new QSplitter(Qt::Horizontal);
  splStandard_->setObjectName(QStringLiteral("splStandard"));
  splStandard_->setChildrenCollapsible(false);
  propertyArea_ = new QWidget;
  propertyArea_->setObjectName(QStringLiteral("pnlPropertyArea"));
  new QVBoxLayout(propertyArea_);
  propertyArea_->layout()->setContentsMargins(0, 0, 0, 0);
  property_ = new PropertyPane(propertyArea_);
  property_->SetImageSource([icons = DefaultFileIcons()](int image) { return icons(image).pixmap(32, 32); });
  commands_->Fill(property_->ToolBar(), Place::PropertyTools);
  propertyArea_->layout()->addWidget(property_);
  propertyArea_->setMinimumWidth(180);
  listArea_ = new QWidget;
  listArea_->setObjectName(QStringLiteral("pnlListArea"));
  auto* listLay = new QVBoxLayout(listArea_);
  listLay->setContentsMargins(0, 0, 0, 0);
  listLay->setSpacing(0);
  tbList_ = MakeToolBar("tbList", listArea_);
  commands_->Fill(tbList_, Place::ListTools);
  listLay->addWidget(tbList_);
  list_ = new FileListView(listArea_);
  list_->SetRows(&browser_.file_list, &browser_.file_sort);
  list_->SetIconProvider(DefaultFileIcons(&browser_.file_images));
  listLay->addWidget(list_, 1);
  auto selected = [this] { return SelectedRows(); };
  comment_ = new CommentPanel(TheCatalog(), selected, listArea_);
  listLay->addWidget(comment_);
  commentForm_ = new TfrmComment(TheCatalog(), selected, this);
  connect(comment_, &CommentPanel::rowsChanged, this, [this] { RowsChanged(); });
  connect(commentForm_, &TfrmComment::rowsChanged, this, [this] { RowsChanged(); });
  connect(list_, &FileListView::selectionChanged, this, [this] { ListSelectionChanged(); });
  connect(list_, &FileListView::rowActivated, this, [this](int row) { OpenRow(row); });
  connect(list_, &FileListView::headerClicked, this, [this](int kind, bool shift) {
    browser_.SortFileList(kind, shift);
    list_->Reset(browser_.CatalogLevel());
  });
  listMenu_ = new QMenu(this);
  listMenu_->setObjectName(QStringLiteral("mnuListPopup"));
  commands_->Fill(listMenu_, Place::ListPopup);
  connect(listMenu_, &QMenu::aboutToShow, this, [this] { RefreshCommands(); });
  connect(list_, &FileListView::contextMenuRequested, this, [this](QPoint at) { listMenu_->popup(at); });
  splStandard_->addWidget(propertyArea_);
  splStandard_->addWidget(listArea_);
  splStandard_->setStretchFactor(1, 1);
  splList_->addWidget(splStandard_);
  auto* dupTabs = new QTabWidget;
  dupPanel_ = dupTabs;
  dupPanel_->setObjectName(QStringLiteral("pnlDupInfo"));
  dupTabs->setTabPosition(QTabWidget::West);
  for (const char* hint : {"重複ファイルの詳細", "似たようなファイルの詳細"}) {
    auto* page = new QWidget;
    const int i = dupTabs->addTab(page, QString());
    dupTabs->setTabToolTip(i, QString::fromUtf8(hint));
    dupTabs->setTabIcon(i, ThemeIcon(i == 0 ? "edit-copy" : "edit-find-replace"));
  }
  dupPanel_->setMinimumHeight(MainLayout::kMinDupPanelHeight);
  splList_->addWidget(dupPanel_);
  splList_->setStretchFactor(0, 1);
  stdLay->addWidget(splList_);

  for (int p = 0; p < 5; ++p) {
    QWidget* page = p == 0 ? standard : new QWidget;
    if (p != 0) page->setObjectName(QStringLiteral("tabView%1").arg(p));
    pgcView_->addTab(page, QFromCp932(ViewPageCaption(p)));
  }
  pgcMain_->addTab(media, QFromCp932(MainPageCaption(0)));
  for (int p = 1; p < 4; ++p) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabMain%1").arg(p));
    pgcMain_->addTab(page, QFromCp932(MainPageCaption(p)));
  }

  for (int i = 0; i < 2; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setObjectName(QStringLiteral("stbPanel%1").arg(i));
    panels_[i]->setMinimumWidth(i == 0 ? 246 : 50);
    statusBar()->addWidget(panels_[i], i == 0 ? 0 : 1);
  }
}

void TfrmMain::WireLifecycle() {
  CatalogLifecycle& life = TheLifecycle();
  CatalogHooks& h = life.hooks;
  h.rebuildTree = [this] { RebuildTree(true); };
  h.switchTreeToFirstTab = [this] { tabs_->SelectText(AllNamesText()); };
  h.resetHistory = [this] { history_.ResetHistory(); };
  h.setBusyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
      QApplication::restoreOverrideCursor();
  };
  h.clearNameLists = [] { TheNameLists().RebuildAll(TheCatalog()); };
  h.saveWindowLayout = [this] { SaveLayout(); };
  h.saveListColumns = [this] { list_->SaveLayout(); };
  h.saveHistory = [this] {
    std::string err;
    history_.SaveHistory(&err);
  };
  life.onBusyChanged = [this](bool on) { Busy(on); };
  // Another program changed the catalog: once the refused command has
  // returned, the window reads it again and shows what is there now.
  TheCatalog().onChangedElsewhere = [this] {
    QTimer::singleShot(0, this, [this] {
      if (busy_ || TheLifecycle().Busy()) return;
      if (TheCatalog().LoadCatalog()) {
        TheCatalog().LoadLongNameFile();
        RebuildTree(true);
      }
    });
  };
  life.onOptimiseButton = [this](const OptimiseButtonState& s) {
    commands_->SetHint(Cmd::Optimise, Place::MainTools, QFromCp932(s.hint));
    RefreshCommands();
  };

  history_.hooks.select_catalog_node = [this] {
    SelectNode(-1);
    tree_->setFocus();
  };
  history_.hooks.medium_classification = [](int m) {
    return TheCatalog().SlotLive(m) ? TheCatalog().Medium(m).Classification.str() : std::string();
  };
  history_.hooks.current_classification_tab = [this] { return tabs_->CurrentText(); };
  history_.hooks.select_classification_tab = [this](const std::string& t) { tabs_->SelectText(t); };
  // A place is shown as its row in its folder's list; a tree node's row is
  // then opened, entering it.
  history_.hooks.go_to_entry = [this](std::int32_t id) {
    pending_entry_ = id;
    if (EntryOf(id) == 0) {
      SelectNode(-1);
    } else if (auto loc = browser_.LocationOf(id); loc && SelectPath(loc->path)) {
      const int row = browser_.FindFileRow(loc->name);
      if (row >= 0) list_->SelectRow(row);
    }
  };
  history_.hooks.open_selected_row = [this] {
    if (pending_entry_ >= 0) SelectNode(pending_entry_);
    tree_->setFocus();
  };
  history_.hooks.hints_changed = [this](const std::string& back, const std::string& fwd) {
    commands_->SetHint(Cmd::Back, Place::ListTools, QFromCp932(back));
    commands_->SetHint(Cmd::Forward, Place::ListTools, QFromCp932(fwd));
    RefreshCommands();
  };
}

WindowState TfrmMain::State() const {
  WindowState s;
  Catalog& cat = TheCatalog();
  s.busy = busy_ || TheLifecycle().Busy();
  s.has_media = cat.Counts().LiveMedia > 0;
  s.deleted_media = cat.Counts().UsedSlots - cat.Counts().LiveMedia;
  s.workers_running = TheLifecycle().hooks.workersRunning && TheLifecycle().hooks.workersRunning();
  s.at_catalog_root = current_id_ < 0;
  s.can_go_back = history_.Position() > 0;
  s.can_go_forward = history_.Position() + 1 < static_cast<int>(history_.Items().size());
  s.tab_position = tabs_->Position();
  s.tabs_wrap = tabs_->Wrap();
  return s;
}

void TfrmMain::RefreshCommands() { commands_->Apply(State()); }

void TfrmMain::Busy(bool on) {
  busy_ = on;
  RefreshCommands();
}

void TfrmMain::Start() {
  layout_ = MainLayout::Read();
  if (history_.LoadHistory().kind != BrowsingHistory::LoadResult::Loaded) history_.ResetHistory();
  started_ = false;
  TheLifecycle().UpdateOptimiseButton();
  commands_->SetHint(Cmd::CopyToClipboard, Place::ListTools,
                     QFromCp932(CopyButtonHint(ReadSettingInteger(SettingKey::REG_ClipBordDefault))));
  ApplyLayout();
  RebuildTree(true);
}

void TfrmMain::ApplyLayout() {
  if (layout_.ApplyRect()) setGeometry(layout_.left, layout_.top, layout_.width, layout_.height);
  splMain_->setSizes({layout_.tree_width, std::max(400, width() - layout_.tree_width)});
  const int total = std::max(splList_->height(), layout_.dup_panel_height + 200);
  splList_->setSizes({total - layout_.dup_panel_height, layout_.dup_panel_height});
  propertyArea_->setVisible(layout_.property_shown);
  commands_->SetChecked(Cmd::ToggleProperty, layout_.property_shown);
  if (layout_.property_side == 1) splStandard_->insertWidget(1, propertyArea_);
  dupPanel_->setVisible(layout_.dup_shown);
  commands_->SetChecked(Cmd::ShowDup, layout_.dup_shown);
  commands_->SetChecked(Cmd::ShowComment, layout_.comment_shown);
  comment_->SetShown(layout_.comment_shown);
  commands_->SetChecked(Cmd::GridLines, list_->GridLines());
  commands_->SetChecked(Cmd::SizeBars, list_->SizeBars());
}

void TfrmMain::SaveLayout() {
  const QRect g = normalGeometry();
  layout_.top = g.top();
  layout_.left = g.left();
  layout_.height = g.height();
  layout_.width = g.width();
  layout_.tree_width = splMain_->sizes().value(0, layout_.tree_width);
  if (dupPanel_->isVisible()) layout_.dup_panel_height = splList_->sizes().value(1, layout_.dup_panel_height);
  layout_.WriteGeometry();
}

void TfrmMain::RebuildTree(bool rebuild_tabs) {
  Catalog& cat = TheCatalog();
  cat.Recount();
  if (rebuild_tabs) {
    // The name lists follow every load and save of the media table.
    std::vector<std::string> caps{AllNamesText()};
    for (const std::string& n : TheNameLists().ClassificationNames()) caps.push_back(n);
    const std::string keep = tabs_->CurrentText();
    const QSignalBlocker quiet(tabs_);
    tabs_->SetTabs(caps, keep);
    const std::string now = tabs_->CurrentText();
    SetClassificationFilter(cat, now == AllNamesText() ? std::string() : now);
    cat.Recount();
  }
  model_->Rebuild();
  ShowPages();
  const QModelIndex root = model_->RootIndex();
  {
    // The list is filled once, below, whether or not the current node moved.
    const QSignalBlocker quiet(tree_->selectionModel());
    tree_->setCurrentIndex(root);
  }
  TreeView1Change(root);
  tree_->expand(root);
  RefreshCommands();
}

void TfrmMain::ShowPages() {
  const bool media = TheCatalog().Counts().LiveMedia > 0;
  pgcMain_->setCurrentIndex(0);
  for (int p = 1; p < 4; ++p) pgcMain_->setTabVisible(p, MainPageVisible(p, media));
  for (int p = 1; p < 5; ++p) pgcView_->setTabVisible(p, ViewPageVisible(p, media));
}

void TfrmMain::TreeView1Change(const QModelIndex& current) {
  if (!current.isValid()) return;
  current_id_ = model_->IdOf(current);
  browser_.SelectCurrent(current_id_);
  const std::size_t rows_before = browser_.file_list.size();
  list_->BeginFill();
  // No events run during the fill: only the last progress text would ever
  // show, so only that one is set.
  std::string count;
  browser_.PopulateFileList(current_id_, [&count](const std::string& t) { count = t; });
  SetStatus(0, count);
  list_->Reset(browser_.CatalogLevel());
  // A big list freed or filled leaves the allocator's pools large; give
  // what is free back once the window has painted.
  constexpr std::size_t kBigList = 10000;
  if (std::max(rows_before, browser_.file_list.size()) >= kBigList && !trim_pending_) {
    trim_pending_ = true;
    QTimer::singleShot(0, this, [this] {
      trim_pending_ = false;
      ReturnFreedMemory();
    });
  }
  history_.RecordPlace(current_id_ < 0 ? 1 : -current_id_, Cp932FromQ(current.data().toString()));
  ListSelectionChanged();
  RefreshCommands();
}

std::vector<TRecord*> TfrmMain::SelectedRows() {
  std::vector<TRecord*> rows;
  for (int r : list_->SelectedRows())
    if (r >= 0 && static_cast<std::size_t>(r) < browser_.file_list.size())
      rows.push_back(&browser_.file_list[static_cast<std::size_t>(r)]);
  return rows;
}

void TfrmMain::ListSelectionChanged() {
  comment_->SelectionChanged();
  RefreshProperties();
}

void TfrmMain::RefreshProperties() {
  std::vector<const TRecord*> rows;
  for (TRecord* r : SelectedRows()) rows.push_back(r);
  Catalog& cat = TheCatalog();
  const int image = browser_.current.kind == CurrentNode::kFolder ? 9 : browser_.current.record.Kind;
  if (!rows.empty())
    property_->SetView(RowProperties(cat, browser_.current, rows));
  else if (current_id_ < 0)
    property_->SetView(CatalogProperties(cat, 0));
  else
    property_->SetView(NodeProperties(cat, browser_.current, image));
}

void TfrmMain::RowsChanged() {
  // Marks and comments change the selected rows only.
  const std::vector<int> rows = list_->SelectedRows();
  if (!rows.empty()) list_->RowsChanged(*std::min_element(rows.begin(), rows.end()),
                                        *std::max_element(rows.begin(), rows.end()));
  ListSelectionChanged();
}

void TfrmMain::OpenRow(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= browser_.file_list.size()) return;
  const TRecord& r = browser_.file_list[static_cast<std::size_t>(row)];
  // A folder or medium is entered through the tree; files open through
  // the launch window, which is not there yet.
  if (r.Kind > 9) {
    Platform().messages->Show(NotBuiltHint(), std::string(), MsgIcon::Information, MsgButtons::Ok);
    return;
  }
  const QModelIndex cur = tree_->currentIndex();
  tree_->expand(cur);
  const QModelIndex child = model_->ChildNamed(cur, r.Text(kFileColName));
  if (child.isValid()) tree_->setCurrentIndex(child);
}

void TfrmMain::ToggleMarks() {
  std::vector<TRecord*> rows = SelectedRows();
  if (rows.empty()) return;
  Busy(true);
  ToggleMarksCommand(
      TheCatalog(), rows, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); },
      TheLifecycle().hooks.setBusyCursor);
  Busy(false);
  RowsChanged();
}

void TfrmMain::SetViewMode(Cmd c) {
  static const Cmd kModes[] = {Cmd::ViewLarge, Cmd::ViewSmall, Cmd::ViewList, Cmd::ViewDetails};
  static const ViewMode kView[] = {ViewMode::LargeIcons, ViewMode::SmallIcons, ViewMode::List, ViewMode::Details};
  for (int i = 0; i < 4; ++i) {
    commands_->SetChecked(kModes[i], kModes[i] == c);
    if (kModes[i] == c) list_->SetViewMode(kView[i]);
  }
}

bool TfrmMain::SelectNode(EntryId id) {
  if (id < 0) return SelectPath(std::string());
  auto loc = browser_.LocationOf(id);
  return loc && SelectPath(loc->path + loc->name);
}

bool TfrmMain::SelectPath(const std::string& path) {
  // From the catalog node down: the medium, then each folder.
  QModelIndex at = model_->RootIndex();
  std::string part;
  for (std::size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\') {
      if (!part.empty()) {
        tree_->expand(at);
        at = model_->ChildNamed(at, part);
        if (!at.isValid()) return false;
      }
      part.clear();
      if (i == path.size()) break;
      ++i;
    } else {
      const std::size_t n = text::CharLen(path, i);
      part.append(path, i, n);
      i += n;
    }
  }
  tree_->setCurrentIndex(at);
  tree_->scrollTo(at);
  return true;
}

void TfrmMain::TabChange(int index) {
  if (handling_tab_ || index < 0) return;
  handling_tab_ = true;
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  const std::string t = tabs_->CurrentText();
  SetClassificationFilter(TheCatalog(), t == AllNamesText() ? std::string() : t);
  RebuildTree(false);
  QApplication::restoreOverrideCursor();
  handling_tab_ = false;
}

void TfrmMain::SetTabPosition(int position) {
  tabs_->SetPosition(position);
  delete treePane_->layout();
  const bool vertical = position >= 2;
  auto* outer = new QBoxLayout(vertical ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, treePane_);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* inner = new QVBoxLayout;
  inner->setSpacing(0);
  inner->addWidget(tbTree_);
  inner->addWidget(tree_, 1);
  if (position == 1 || position == 3) {
    outer->addLayout(inner, 1);
    outer->addWidget(tabs_);
  } else {
    outer->addWidget(tabs_);
    outer->addLayout(inner, 1);
  }
  static const Cmd kTabs[] = {Cmd::TabTop, Cmd::TabBottom, Cmd::TabLeft, Cmd::TabRight};
  for (int i = 0; i < 4; ++i) commands_->SetChecked(kTabs[i], i == position);
  RefreshCommands();
}

void TfrmMain::RenameCommand() {
  const QModelIndex i = tree_->currentIndex();
  if (!i.isValid()) {
    Platform().messages->Show(NoFolderSelectedText(), std::string(), MsgIcon::Error, MsgButtons::Ok);
    return;
  }
  tree_->edit(i);
}

void TfrmMain::TreeView1Edited(const QModelIndex& i, const std::string& text) {
  const EntryId id = model_->IdOf(i);
  if (RenameTreeNode(TheCatalog(), id, text) == RenameResult::Renamed) {
    model_->SetCaption(i, TheCatalog().Medium(MediumOf(id)).Name.str());
    if (id == current_id_) TreeView1Change(i);
  }
  // Otherwise the caption keeps its former text.
}

void TfrmMain::UpCommand() {
  const QModelIndex cur = tree_->currentIndex();
  if (!cur.isValid() || current_id_ < 0) return;
  const QModelIndex up = cur.parent();
  if (up.isValid()) tree_->setCurrentIndex(up);
}

void TfrmMain::SetStatus(int panel, const std::string& cp932) {
  if (panel >= 0 && panel < 2) panels_[panel]->setText(QFromCp932(cp932));
}

void TfrmMain::ShowAbout() {
  QMessageBox box(this);
  box.setObjectName(QStringLiteral("frmAbout"));
  box.setWindowTitle(QStringLiteral("FerrovanFreeのバージョン情報"));
  box.setIconPixmap(windowIcon().pixmap(48, 48));
  box.setText(QStringLiteral("<b>FerrovanFree</b><br>Ver.") + QStringLiteral(FERROVAN_VERSION_TEXT));
  QPushButton* web = box.addButton(QStringLiteral("ホームページ"), QMessageBox::ActionRole);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
  if (box.clickedButton() == web) OpenHelp("about.html");
}

void TfrmMain::OpenHelp(const char* page_name) {
  const QString page = QString::fromStdString(HelpFilePath(page_name));
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
    Platform().messages->Show(text::Utf8ToCp932("ヘルプを開けませんでした\r\n" + page.toStdString()), std::string(),
                              MsgIcon::Error, MsgButtons::Ok);
}

void TfrmMain::Run(Cmd c, bool switch_to_standard, bool checked, Place place) {
  if (!CommandEnabled(c, State())) return;
  if (switch_to_standard) {
    pgcMain_->setCurrentIndex(0);
    pgcView_->setCurrentIndex(0);
  }
  CatalogLifecycle& life = TheLifecycle();
  switch (c) {
    case Cmd::NewCatalog: life.NewCatalogCommand(); break;
    case Cmd::OpenCatalog: life.OpenCatalogCommand(); break;
    case Cmd::Optimise:
      life.OptimiseCommand([this](const std::string& t) {
        SetStatus(0, t);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      });
      break;
    case Cmd::DeleteMedium:
      life.DeleteCurrentMediumCommand(tree_->currentIndex().isValid() ? std::optional<EntryId>(current_id_)
                                                                       : std::nullopt);
      break;
    case Cmd::Exit: close(); break;
    case Cmd::Help: OpenHelp(); break;
    case Cmd::About: ShowAbout(); break;
    case Cmd::RenameMedium: RenameCommand(); break;
    case Cmd::WrapTabs: tabs_->SetWrap(checked); RefreshCommands(); break;
    case Cmd::TabTop: SetTabPosition(0); break;
    case Cmd::TabBottom: SetTabPosition(1); break;
    case Cmd::TabLeft: SetTabPosition(2); break;
    case Cmd::TabRight: SetTabPosition(3); break;
    case Cmd::Back: history_.Step(-1); break;
    case Cmd::Forward: history_.Step(1); break;
    case Cmd::Up: UpCommand(); break;
    case Cmd::ToggleProperty:
      layout_.property_shown = checked;
      propertyArea_->setVisible(checked);
      commands_->SetChecked(Cmd::ToggleProperty, checked);
      // The pop-up item does not store the choice.
      if (place != Place::ListPopup) WriteSettingInteger(SettingKey::REG_ListViewPropertyShow, checked ? 1 : 0);
      break;
    case Cmd::ShowDup:
      layout_.dup_shown = checked;
      dupPanel_->setVisible(checked);
      WriteSettingInteger(SettingKey::REG_ShowDupInfo, checked ? 1 : 0);
      break;
    case Cmd::ToggleMark: ToggleMarks(); break;
    case Cmd::Comment: commentForm_->Execute(); break;
    case Cmd::Open: OpenRow(list_->CurrentRow()); break;
    case Cmd::ViewLarge: case Cmd::ViewSmall: case Cmd::ViewList: case Cmd::ViewDetails: SetViewMode(c); break;
    case Cmd::GridLines:
      list_->ToggleGridLines();
      commands_->SetChecked(Cmd::GridLines, list_->GridLines());
      break;
    case Cmd::SizeBars:
      list_->ToggleSizeBars();
      commands_->SetChecked(Cmd::SizeBars, list_->SizeBars());
      break;
    case Cmd::BarColor: list_->ChooseBarColor(); break;
    case Cmd::DupColor: list_->ChooseDupColor(); break;
    case Cmd::ColumnOrder: list_->ShowColumnOrderDialog(); break;
    case Cmd::ShowComment:
      layout_.comment_shown = checked;
      comment_->SetShown(checked);
      WriteSettingInteger(SettingKey::REG_ShowCommentSet, checked ? 1 : 0);
      break;
    case Cmd::CopyProperties: property_->CopyToClipboard(); break;
    case Cmd::PropertyRight:
      layout_.property_side = 0;
      splStandard_->insertWidget(0, propertyArea_);
      WriteSettingInteger(SettingKey::REG_ListViewPropertyPos, 0);
      break;
    case Cmd::PropertyLeft:
      layout_.property_side = 1;
      splStandard_->insertWidget(1, propertyArea_);
      WriteSettingInteger(SettingKey::REG_ListViewPropertyPos, 1);
      break;
    default: break;
  }
  RefreshCommands();
}

void TfrmMain::showEvent(QShowEvent* e) {
  setWindowTitle(MainWindowTitle());
  QMainWindow::showEvent(e);
  if (!started_) {
    // The first showing goes to the history's current place.
    started_ = true;
    history_.Step(0);
    RefreshCommands();
  }
}

void TfrmMain::closeEvent(QCloseEvent* e) {
  if (TheLifecycle().CloseRequest())
    e->accept();
  else
    e->ignore();
}

}  // namespace fv
