#pragma once
// The main window's own rules: its stored layout with the floors it keeps,
// which pages are shown, and renaming a medium in the tree.

#include <string>

#include "catalog/records.h"

namespace fv {

class Catalog;

struct MainLayout {
  static constexpr int kMinTreeWidth = 200;
  static constexpr int kMinDupPanelHeight = 103;

  // Window rectangle; applied only when both top and left are above 0.
  int top = 0, left = 0, height = 0, width = 0;
  int tree_width = 244;
  int dup_panel_height = kMinDupPanelHeight;
  bool property_shown = true;
  int property_side = 0;  // 0 left, 1 right
  bool comment_shown = true;
  bool dup_shown = true;

  bool ApplyRect() const { return top > 0 && left > 0; }
  // From the settings, floors applied.
  static MainLayout Read();
  // The rectangle, tree width and panel height (at shutdown).
  void WriteGeometry() const;
};

// Main pages: 0 "メディア", 1 "検索", 2 "重複ファイルの一覧", 3 "似たようなファイルの一覧".
// Only "メディア" shows while the catalog holds no medium.
bool MainPageVisible(int page, bool has_media);
// View pages: 0 "標準", 1 "更新日時", 2 "プロパティ" (always hidden),
// 3 "サイズ順", 4 "トップ 10".
bool ViewPageVisible(int page, bool has_media);
std::string MainPageCaption(int page);  // cp932
std::string ViewPageCaption(int page);  // cp932

// Renaming a tree node's caption to text (cp932).
enum class RenameResult {
  Reverted,   // not a medium: the caption goes back
  Renamed,    // stored
  Duplicate,  // another medium (or this one) has that name: error shown, name back
  Failed,     // the catalog could not be written (already reported)
};
RenameResult RenameTreeNode(Catalog& cat, EntryId node, const std::string& text);

// "ﾌｫﾙﾀﾞが選択されていません" and "名前が重複します、上書きしますか" (cp932).
std::string NoFolderSelectedText();
std::string DuplicateNameText();

}  // namespace fv
