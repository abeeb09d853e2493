#include "ui/logic/file_list_display.h"

#include "platform/messages.h"
#include "platform/services.h"
#include "settings/settings.h"

namespace fv {

namespace {

constexpr std::uint32_t kColorBits = 0xFFFFFF;

std::uint32_t ReadColor(SettingKey key) { return static_cast<std::uint32_t>(ReadSettingInteger(key)) & kColorBits; }

bool Flip(bool& value, SettingKey key, std::string* err) {
  value = !value;
  return WriteSettingInteger(key, value ? 1 : 0, err);
}

bool Choose(std::uint32_t& color, SettingKey key) {
  const std::optional<std::uint32_t> chosen = Platform().dialogs->ChooseColor(color, std::string());
  if (!chosen) return false;
  color = *chosen & kColorBits;
  WriteSettingInteger(key, static_cast<std::int32_t>(color));
  return true;
}

}  // namespace

void FileListDisplay::Load() {
  grid_lines_ = ReadSettingInteger(SettingKey::REG_ListViewGridLine) != 0;
  size_bars_ = ReadSettingInteger(SettingKey::REG_FileSizeBarShow) != 0;
  bar_color_ = ReadColor(SettingKey::REG_FileSizeBarColor);
  dup_color_ = ReadColor(SettingKey::REG_DupFileColor);
}

bool FileListDisplay::ToggleGridLines(std::string* err) { return Flip(grid_lines_, SettingKey::REG_ListViewGridLine, err); }
bool FileListDisplay::ToggleSizeBars(std::string* err) { return Flip(size_bars_, SettingKey::REG_FileSizeBarShow, err); }
bool FileListDisplay::ChooseBarColor() { return Choose(bar_color_, SettingKey::REG_FileSizeBarColor); }
bool FileListDisplay::ChooseDupColor() { return Choose(dup_color_, SettingKey::REG_DupFileColor); }

}  // namespace fv
