#pragma once
// State and rules of the clipboard settings window (TfrmEnvClipbord): what
// each control shows when the window opens, which controls are enabled, the
// three column buttons, and what "設定" stores. The window only mirrors this.

#include <array>
#include <string>
#include <vector>

#include "export/export_settings.h"

namespace fv {

class ClipboardSettingsForm {
 public:
  // Captions and item texts of the window (cp932).
  static std::string Caption();
  static std::vector<std::string> NameModeTexts();     // rdoNameMode0..2
  static std::vector<std::string> ItemSepTexts();      // ComboBox1
  static std::vector<std::string> PathMarkTexts();     // cmbPathMark
  static std::vector<std::string> FolderMarkTexts();   // cmdFolderMark: "無し" + 18 marks
  static std::vector<std::string> DefaultFormTexts();  // rdoDefaultToolbar, in group order

  // Fills every control from the settings store.
  void Load();
  // "設定": writes every control to its setting. False with the system's
  // error text when the store could not be written.
  bool Save(std::string* err = nullptr) const;

  // Column buttons.
  void AllOn() { columns.fill(true); }
  void AllOff() { columns.fill(false); }
  void Defaults();  // only "名前"

  // Enabling rules: the tree options only while the tree form is ticked, the
  // column list, its buttons and the column separator only while it is not.
  bool TreeOptionsEnabled() const { return tree; }
  bool ColumnsEnabled() const { return !tree; }

  // The stored REG_ClipBordDefault of a group index and back (any value not
  // listed selects "ファイル名", index 2).
  static int DefaultFormValue(int group_index);
  static int DefaultFormIndex(int stored);

  int name_mode = 0;             // radio 0..2
  std::array<bool, kExportColumnCount> columns{};
  int item_sep = 0;              // 0 ",", 1 tab
  int path_mark = 0;             // 0..3
  bool folder_only = false;
  int default_form = 2;          // group index 0..5
  bool tree = false;
  int folder_mark = 0;           // 0..18
  bool offset_no = false;
  bool tree_no = false;
  bool file_write = false;
};

}  // namespace fv
