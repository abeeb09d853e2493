#pragma once
// The clipboard settings that shape every file-list export, read once at the
// start of an export, and the rules around the default copy form.

#include <array>
#include <string>

namespace fv {

constexpr int kExportColumnCount = 14;
constexpr int kFolderMarkCount = 19;  // 0 = none, 1..18 marks

// Column flags in their fixed order.
enum ExportColumn : int {
  kColNo, kColName, kColTime, kColSize, kColClusterBytes, kColClusterGap, kColAttributes,
  kColDirectFolders, kColDirectFiles, kColAllFolders, kColAllFiles, kColMark, kColComment, kColVersion,
};

// Header texts of the fourteen columns (cp932).
const std::array<std::string, kExportColumnCount>& ExportColumnHeaders();
// Folder mark text of an index (cp932); "  " for 0 and for any value outside 0..18.
const std::string& FolderMarkText(int index);

// The flags text as it counts: shorter than 14 characters gives the default,
// longer is cut to 14.
std::string NormalizeColumnFlags(const std::string& stored);
constexpr const char* kDefaultColumnFlags = "01000000000000";

struct ExportSettings {
  int name_mode = 0;                 // 0 unchanged, 1 lower, 2 upper
  std::string path_sep = "\\";
  std::string item_sep = ",";
  std::array<bool, kExportColumnCount> columns{};  // default: only the name
  bool tree = false;
  bool tree_numbers = false;         // level numbers instead of drawing
  bool offset_numbers = false;       // number inside the folder
  int folder_mark = 0;
  bool folders_only = false;
  bool file_write = false;
  std::string time_picture;          // cp932

  ExportSettings();
  bool CommaSeparated() const { return item_sep == ","; }
  // Every export setting from the settings store.
  static ExportSettings Read();
};

// Applies the case mode (1 lower, 2 upper, full-width Latin included).
void ApplyNameMode(int mode, std::string& text);

// The export run by the copy tool button for REG_ClipBordDefault.
struct ExportForm {
  int form = 0;
  bool simple = false;
};
ExportForm DefaultExportForm(int stored);
ExportForm DefaultExportForm();  // from the settings store
// The copy tool button's hint for REG_ClipBordDefault (cp932).
std::string CopyButtonHint(int stored);

}  // namespace fv
