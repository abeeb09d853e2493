#include "export/clipboard_settings_form.h"

#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

namespace {

std::vector<std::string> Texts(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* s : utf8) out.push_back(text::Utf8ToCp932(s));
  return out;
}

// Stored values of the default-form group, in group order.
constexpr int kDefaultFormValues[6] = {5, 6, 0, 1, 2, 3};

int IndexOr0(int v, int count) { return (v >= 0 && v < count) ? v : 0; }

}  // namespace

std::string ClipboardSettingsForm::Caption() { return text::Utf8ToCp932("環境設定（クリップボード関連）"); }

std::vector<std::string> ClipboardSettingsForm::NameModeTexts() {
  return Texts({"無変換", "すべてを小文字に変換（マルチバイト文字セットも含む）",
                "すべてを大文字に変換（マルチバイト文字セットも含む）"});
}

std::vector<std::string> ClipboardSettingsForm::ItemSepTexts() { return Texts({",(カンマ)", "TAB"}); }

std::vector<std::string> ClipboardSettingsForm::PathMarkTexts() {
  return Texts({"\\", "/", ", (カンマ)", "TAB"});
}

std::vector<std::string> ClipboardSettingsForm::FolderMarkTexts() {
  std::vector<std::string> out = Texts({"無し"});
  for (int i = 1; i < kFolderMarkCount; ++i) out.push_back(FolderMarkText(i));
  return out;
}

std::vector<std::string> ClipboardSettingsForm::DefaultFormTexts() {
  return Texts({"ファイル名[シンプル版]", "フルパス名[シンプル版]", "ファイル名", "フルパス名", "フォルダ配下すべて",
                "カレントのメディア情報すべて"});
}

int ClipboardSettingsForm::DefaultFormValue(int group_index) {
  return kDefaultFormValues[IndexOr0(group_index, 6)];
}

int ClipboardSettingsForm::DefaultFormIndex(int stored) {
  for (int i = 0; i < 6; ++i)
    if (kDefaultFormValues[i] == stored) return i;
  return 2;
}

void ClipboardSettingsForm::Defaults() {
  columns.fill(false);
  columns[kColName] = true;
}

void ClipboardSettingsForm::Load() {
  const int mode = ReadSettingInteger(SettingKey::REG_ClipBordNameMode);
  name_mode = (mode == 1 || mode == 2) ? mode : 0;
  const std::string flags = NormalizeColumnFlags(ReadSettingString(SettingKey::REG_ClipBordPutItem));
  for (int i = 0; i < kExportColumnCount; ++i) columns[static_cast<std::size_t>(i)] = flags[i] != '0';
  item_sep = IndexOr0(ReadSettingInteger(SettingKey::REG_ClipBordItemSep), 2);
  path_mark = IndexOr0(ReadSettingInteger(SettingKey::REG_ClipBordFolder), 4);
  folder_only = ReadSettingInteger(SettingKey::REG_ClipBordFolderOnly) != 0;
  default_form = DefaultFormIndex(ReadSettingInteger(SettingKey::REG_ClipBordDefault));
  tree = ReadSettingInteger(SettingKey::REG_ClipBordTree) != 0;
  folder_mark = IndexOr0(ReadSettingInteger(SettingKey::REG_ClipBordFolderMark), kFolderMarkCount);
  offset_no = ReadSettingInteger(SettingKey::REG_ClipBordOffsetNo) != 0;
  tree_no = ReadSettingInteger(SettingKey::REG_ClipBordTreeNo) != 0;
  file_write = ReadSettingInteger(SettingKey::REG_ClipBordFileWrite) != 0;
}

bool ClipboardSettingsForm::Save(std::string* err) const {
  std::string flags;
  for (bool on : columns) flags += on ? '1' : '0';
  bool ok = WriteSettingInteger(SettingKey::REG_ClipBordNameMode, name_mode, err);
  ok = ok && WriteSettingString(SettingKey::REG_ClipBordPutItem, flags, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordItemSep, item_sep, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordFolder, path_mark, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordFolderOnly, folder_only ? 1 : 0, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordDefault, DefaultFormValue(default_form), err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordTree, tree ? 1 : 0, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordFolderMark, folder_mark, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordOffsetNo, offset_no ? 1 : 0, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordTreeNo, tree_no ? 1 : 0, err);
  ok = ok && WriteSettingInteger(SettingKey::REG_ClipBordFileWrite, file_write ? 1 : 0, err);
  return ok;
}

}  // namespace fv
