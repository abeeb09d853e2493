#include "ui/logic/main_layout.h"

#include <algorithm>

#include "catalog/catalog.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

MainLayout MainLayout::Read() {
  MainLayout l;
  l.top = ReadSettingInteger(SettingKey::REG_MainFrameTop);
  l.left = ReadSettingInteger(SettingKey::REG_MainFrameLeft);
  l.height = ReadSettingInteger(SettingKey::REG_MainFrameHeight);
  l.width = ReadSettingInteger(SettingKey::REG_MainFrameWidth);
  l.tree_width = std::max(kMinTreeWidth, static_cast<int>(ReadSettingInteger(SettingKey::REG_MainTreeViewWidth)));
  l.dup_panel_height =
      std::max(kMinDupPanelHeight, static_cast<int>(ReadSettingInteger(SettingKey::REG_MainDupPanelHeight)));
  l.property_shown = ReadSettingInteger(SettingKey::REG_ListViewPropertyShow) != 0;
  l.property_side = ReadSettingInteger(SettingKey::REG_ListViewPropertyPos) == 1 ? 1 : 0;
  l.comment_shown = ReadSettingInteger(SettingKey::REG_ShowCommentSet) != 0;
  l.dup_shown = ReadSettingInteger(SettingKey::REG_ShowDupInfo) != 0;
  return l;
}

void MainLayout::WriteGeometry() const {
  WriteSettingInteger(SettingKey::REG_MainFrameTop, top);
  WriteSettingInteger(SettingKey::REG_MainFrameLeft, left);
  WriteSettingInteger(SettingKey::REG_MainFrameHeight, height);
  WriteSettingInteger(SettingKey::REG_MainFrameWidth, width);
  WriteSettingInteger(SettingKey::REG_MainTreeViewWidth, std::max(kMinTreeWidth, tree_width));
  WriteSettingInteger(SettingKey::REG_MainDupPanelHeight, std::max(kMinDupPanelHeight, dup_panel_height));
}

bool MainPageVisible(int page, bool has_media) { return page == 0 || (page >= 1 && page <= 3 && has_media); }

bool ViewPageVisible(int page, bool has_media) {
  if (page == 0) return true;
  if (page == 2) return false;
  return page >= 1 && page <= 4 && has_media;
}

std::string MainPageCaption(int page) {
  static const char* const kCaptions[] = {"メディア", "検索", "重複ファイルの一覧", "似たようなファイルの一覧"};
  return page >= 0 && page < 4 ? text::Utf8ToCp932(kCaptions[page]) : std::string();
}

std::string ViewPageCaption(int page) {
  static const char* const kCaptions[] = {"標準", "更新日時", "プロパティ", "サイズ順", "トップ 10"};
  return page >= 0 && page < 5 ? text::Utf8ToCp932(kCaptions[page]) : std::string();
}

std::string NoFolderSelectedText() { return text::Utf8ToCp932("ﾌｫﾙﾀﾞが選択されていません"); }
std::string DuplicateNameText() { return text::Utf8ToCp932("名前が重複します、上書きしますか"); }

RenameResult RenameTreeNode(Catalog& cat, EntryId node, const std::string& text) {
  if (node < 0 || EntryOf(node) != 0 || !cat.SlotLive(MediumOf(node))) return RenameResult::Reverted;
  // The stored name keeps 91 bytes: compare what would be stored. An empty
  // name would make the medium read as deleted.
  const std::string stored = text.substr(0, std::min<std::size_t>(text.size(), kStoredNameBytes));
  if (stored.empty()) return RenameResult::Reverted;
  if (!cat.FindMediumByName(true, stored)) {
    Platform().messages->Show(DuplicateNameText(), std::string(), MsgIcon::Error, MsgButtons::Ok);
    return RenameResult::Duplicate;
  }
  return cat.RenameMedium(MediumOf(node), stored) ? RenameResult::Renamed : RenameResult::Failed;
}

}  // namespace fv
