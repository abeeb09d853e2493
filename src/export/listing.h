#pragma once
// Building the text of the file-list and search-list exports. Everything
// here returns cp932 text with CR LF line ends; where the text goes
// (clipboard or file) is decided in export_command.h.

#include <string>
#include <vector>

#include "catalog/records.h"
#include "export/export_settings.h"
#include "reading/trecord.h"

namespace fv {

// What the exports read of the catalog: the media table, the entries of the
// one loaded medium and the comment texts.
class ExportCatalog {
 public:
  virtual ~ExportCatalog() = default;
  // Makes medium m's entries the loaded ones (a no-op when it already is);
  // false when it cannot be loaded.
  virtual bool LoadMedium(int m) = 0;
  // EntryCount of the loaded medium (0 when none is loaded).
  virtual int EntryCount() const = 0;
  // Entry e of the loaded medium, 0 <= e < EntryCount().
  virtual const EntryRecord& Entry(int e) const = 0;
  // Full name of entry e of the loaded medium (the long name when stored).
  virtual std::string FullName(int e) const = 0;
  virtual std::string MediumName(int m) const = 0;
  // Comment text of a comment index; empty for -1 or a free slot.
  virtual std::string CommentText(int comment_index) const = 0;
};

// The kind of the current tree node when the export runs.
enum class NodeLevel { Catalog = 1, Medium = 2, Folder = 3 };

struct FileListRequest {
  int form = 0;        // 0 names, 1 full paths, 2 everything under the folder, 3 whole medium
  bool simple = false; // forms 0 and 1 only
  NodeLevel level = NodeLevel::Folder;
  EntryId node = -1;   // the current tree node
  std::vector<const TRecord*> rows;  // the selected file-list rows, in list order
};

// The text of a file-list export (no warning for an empty selection here).
std::string BuildFileListText(ExportCatalog& catalog, const ExportSettings& settings,
                              const FileListRequest& request);

// The text of a search-list export; mode 0 names, 1 full paths, 4 all
// columns. name_mode and time_picture come from the settings store.
std::string BuildSearchListText(const std::vector<const TRecord*>& rows, int mode, int name_mode,
                                const std::string& time_picture);

// A field in double quotes, with inner double quotes doubled.
std::string Quoted(const std::string& text);
// A whole number without grouping ("0" picture), rounded half away from zero.
std::string WholeNumber(double v);

}  // namespace fv
