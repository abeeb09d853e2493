#pragma once
// The main window's commands: every menu item, tool button and pop-up item
// in one table (caption, shortcut, place, handler), and the rules that
// enable them. The window makes one action per row and routes it by the
// row's command; rows of one command are enabled together.

#include <string>
#include <vector>

namespace fv {

enum class Cmd {
  // catalog
  NewCatalog, OpenCatalog, Optimise, Settings, Exit,
  // media
  ReadMedium, DeleteMedium, ChangeClassification, WrapTabs, ChangeLocation, ChangeDetail,
  TabTop, TabBottom, TabLeft, TabRight, RenameMedium, ChangeReadDrive, PictureList,
  // search and detection
  Search, SearchShowStandard, SearchCopyName, SearchCopyFullPath, SearchCopyAll,
  DupSearch, DupColor, DupResearch, LikeSearch, LikeResearch,
  // help
  Help, About,
  // file list
  Back, Forward, Up, Open, ToggleMark, Comment, Explorer, CopyToClipboard, ToggleProperty,
  ViewLarge, ViewSmall, ViewList, ViewDetails, ShowComment, ShowDup,
  CopyNameSimple, CopyPathSimple, CopyName, CopyPath, CopyFolderAll, CopyMediumAll, ClipboardSettings,
  CopyFile, GridLines, SizeBars, BarColor, ColumnOrder,
  // search list view modes
  SearchViewLarge, SearchViewSmall, SearchViewList, SearchViewDetails,
  // property pane
  PropertyRight, PropertyLeft, RegisterPicture, CopyProperties,
};

// Where a row's action is shown. Sub-places are the pop-up menus' submenus.
enum class Place {
  MenuFile, MenuMedia, MenuSearch, MenuDup, MenuHelp,
  MainTools, TreeTools, ListTools, PropertyTools, SearchTools,
  MediaPopup, MediaPopupTabs,
  ListPopup, ListPopupCopy, ListPopupView,
  SearchPopup, SearchPopupView,
};

struct CommandRow {
  Cmd cmd;
  Place place;
  std::string caption;   // cp932; for tool buttons the hint
  std::string shortcut;  // portable key text ("Ctrl+N", "F2"), empty = none
  bool checkable = false;
  bool checked = false;         // initial tick
  bool separator_before = false;
  bool switch_to_standard = false;  // menu items that first show "メディア"/"標準"
  bool hidden = false;              // present but not shown (a later change may show it)
  std::string icon;                 // desktop icon theme name, empty = text only
};

// Every row in menu and tool-bar order.
const std::vector<CommandRow>& CommandTable();
// The captions of the menu bar's menus, in order (cp932), with their
// Ctrl+Alt shortcuts.
struct MenuTitle {
  Place place;
  std::string caption;
  std::string shortcut;
};
const std::vector<MenuTitle>& MenuTitles();
// Caption of a submenu's item in its parent pop-up menu (cp932).
std::string SubmenuCaption(Place sub);

// Whether the command is built in this program yet. An item that is not
// stays visible but disabled, with this hint.
bool CommandBuilt(Cmd c);
std::string NotBuiltHint();  // cp932

// What the enabling rules look at.
struct WindowState {
  bool busy = false;           // a long operation holds the catalog
  bool has_media = false;      // the catalog holds at least one live medium
  int deleted_media = 0;       // deleted slots waiting for optimisation
  bool workers_running = false;  // background loaders of the result stores
  bool at_catalog_root = true;   // the current tree node is the catalog
  bool can_go_back = false;
  bool can_go_forward = false;
  int tab_position = 0;        // 0 top, 1 bottom, 2 left, 3 right
  bool tabs_wrap = true;
};

// Enabling of a command in a state. While busy (or while the loaders run)
// every command that could change or reload the catalog is off.
bool CommandEnabled(Cmd c, const WindowState& s);
// The same for one row: the optimisation tool button is enabled only while
// deleted media wait (its menu item stays enabled).
bool RowEnabled(const CommandRow& row, const WindowState& s);
// Commands that change or reload the catalog.
bool ChangesCatalog(Cmd c);


}  // namespace fv
