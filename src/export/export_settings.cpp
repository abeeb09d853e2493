#include "export/export_settings.h"

#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

namespace {

template <std::size_t N>
std::array<std::string, N> ToCp932(const char* const (&utf8)[N]) {
  std::array<std::string, N> out;
  for (std::size_t i = 0; i < N; ++i) out[i] = text::Utf8ToCp932(utf8[i]);
  return out;
}

}  // namespace

const std::array<std::string, kExportColumnCount>& ExportColumnHeaders() {
  static const char* const kUtf8[kExportColumnCount] = {
      "No",           "名前",             "更新日時",         "ファイルサイズ",   "クラスタサイズ",
      "クラスタギャップ", "属性",             "直下のフォルダ数", "直下のファイル数", "配下のフォルダ数",
      "配下のファイル数", "マーク",           "コメント",         "Version"};
  static const auto headers = ToCp932(kUtf8);
  return headers;
}

const std::string& FolderMarkText(int index) {
  static const char* const kUtf8[kFolderMarkCount] = {"  ", "◇", "◆", "□", "■", "△", "▲", "▽", "▼", "※",
                                                       "☆", "★", "○", "●", "◎", "＞", "≫", "♪", "×"};
  static const auto marks = ToCp932(kUtf8);
  return marks[(index >= 0 && index < kFolderMarkCount) ? index : 0];
}

std::string NormalizeColumnFlags(const std::string& stored) {
  if (stored.size() < kExportColumnCount) return kDefaultColumnFlags;
  return stored.substr(0, kExportColumnCount);
}

ExportSettings::ExportSettings() { columns[kColName] = true; }

ExportSettings ExportSettings::Read() {
  ExportSettings s;
  s.name_mode = ReadSettingInteger(SettingKey::REG_ClipBordNameMode);
  switch (ReadSettingInteger(SettingKey::REG_ClipBordFolder)) {
    case 1: s.path_sep = "/"; break;
    case 2: s.path_sep = ","; break;
    case 3: s.path_sep = "\t"; break;
    default: s.path_sep = "\\"; break;
  }
  s.item_sep = ReadSettingInteger(SettingKey::REG_ClipBordItemSep) == 1 ? "\t" : ",";
  const std::string flags = NormalizeColumnFlags(ReadSettingString(SettingKey::REG_ClipBordPutItem));
  for (int i = 0; i < kExportColumnCount; ++i) s.columns[static_cast<std::size_t>(i)] = flags[i] != '0';
  s.tree = ReadSettingInteger(SettingKey::REG_ClipBordTree) == 1;
  s.tree_numbers = ReadSettingInteger(SettingKey::REG_ClipBordTreeNo) == 1;
  s.offset_numbers = ReadSettingInteger(SettingKey::REG_ClipBordOffsetNo) != 0;
  s.folder_mark = ReadSettingInteger(SettingKey::REG_ClipBordFolderMark);
  s.folders_only = ReadSettingInteger(SettingKey::REG_ClipBordFolderOnly) != 0;
  s.file_write = ReadSettingInteger(SettingKey::REG_ClipBordFileWrite) != 0;
  s.time_picture = ReadSettingString(SettingKey::REG_FormatUpdateDateTime);
  return s;
}

void ApplyNameMode(int mode, std::string& text) {
  if (mode == 1)
    text::ToLowerInPlace(text);
  else if (mode == 2)
    text::ToUpperInPlace(text);
}

ExportForm DefaultExportForm(int stored) {
  switch (stored) {
    case 1: return {1, false};
    case 2: return {2, false};
    case 3: return {3, false};
    case 5: return {0, true};
    case 6: return {1, true};
    default: return {0, false};
  }
}

ExportForm DefaultExportForm() { return DefaultExportForm(ReadSettingInteger(SettingKey::REG_ClipBordDefault)); }

std::string CopyButtonHint(int stored) {
  const char* suffix;
  switch (stored) {
    case 1: suffix = "(フルパス名)"; break;
    case 2: suffix = "(フォルダ配下すべて)"; break;
    case 3: suffix = "(カレントのメディア情報すべて)"; break;
    case 5: suffix = "(ファイル名（シンプル）)"; break;
    case 6: suffix = "(フルパス名（シンプル）)"; break;
    default: suffix = "(ファイル名)"; break;
  }
  return text::Utf8ToCp932(std::string("クリップボードへコピー") + suffix);
}

}  // namespace fv
