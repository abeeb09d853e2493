#pragma once
// The browsing side of the catalog: the child list and the file list of a
// tree node, the current node, entry paths with their cache, the tree's
// child nodes and the resolution of a folder path to tree nodes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/row_format.h"
#include "browse/sorting.h"
#include "catalog/records.h"
#include "reading/trecord.h"

namespace fv {

class Catalog;

// The node the tree has selected (views 1 to 3 of the property pane and
// the histogram read it).
struct CurrentNode {
  enum Kind { kCatalog = 1, kMedium = 2, kFolder = 3 };
  int kind = kCatalog;
  EntryId id = -1;
  std::string name;            // cp932, full name
  EntryRecord record{};        // the node's record (a medium: its Root)
  MediumRecord medium{};       // the node's medium (medium and folder nodes)
  std::string parent_path;     // folder: the path of its parent folder
  // The folder's path as the property pane shows it: parent path + "\" +
  // name; a medium's is its name.
  std::string Path() const;
};

// A child node of the tree, in the child list's order.
struct TreeNodeInfo {
  EntryId id = -1;
  std::string text;     // cp932
  int image = 0;        // kind code
  int selected_image = 0;
  int state_image = -1;  // 1 when marked
  bool has_button = false;
};

class Browser {
 public:
  explicit Browser(Catalog& catalog);

  // Rows of the child list: identifier -1 lists the live media that pass
  // the classification filter (and forgets the loaded medium); otherwise
  // the children of the entry in storage order, then sorted by name. Every
  // child is listed, however many. Records the current node. An entry index
  // not below the medium's entry count gives no rows and keeps the current
  // node.
  int BuildChildList(EntryId n);
  // Records n as the current node without building its child list (the
  // tree selects; its child nodes are made by the tree itself).
  void SelectCurrent(EntryId n) { RecordCurrent(n); }
  // The same rows for the file list, in storage order, unformatted; the
  // current node stays.
  int BuildFileList(EntryId n);
  // Builds, formats and sorts the file list for a tree node. status gets
  // "(i/N) 個のオブジェクト" every 100 rows and "N 個のオブジェクト" at the end.
  int PopulateFileList(EntryId n, const std::function<void(const std::string&)>& status = {});

  // The tree's child nodes of a node (creating them builds the child list
  // and so records the current node, as selecting does).
  std::vector<TreeNodeInfo> TreeChildren(EntryId n);

  // Path of the folder that holds entry e of medium m ("" for e <= 0), e.g.
  // DISC1\Photos\2004. Loads medium m. Consecutive entries of one folder
  // share the cached path.
  std::string EntryPath(int m, int e);
  void ClearPathCache() { cached_parent_ = -2; }

  // The tree nodes a path such as DISC1\Photos\2004 names, from the first
  // medium down (a final "\" is ignored); nullopt when a component matches
  // no node. Components are compared exactly; the separator is found only
  // between characters, so a "\" trail byte of a double-byte name does not
  // split it.
  std::optional<std::vector<EntryId>> ResolvePath(std::string_view path);
  // The folder path and the name that show an entry in its folder.
  struct Location {
    std::string path;  // medium name and folder names, each followed by "\"
    std::string name;  // the entry's full name
  };
  std::optional<Location> LocationOf(EntryId id);
  // First file-list row whose name equals name exactly; -1 when none.
  int FindFileRow(std::string_view name) const;

  // Sort of the file list by a header click on a data column.
  void SortFileList(int column, bool shift);
  bool CatalogLevel() const { return catalog_level_; }
  bool FileColumnRight(int column) const { return FileColumnRightAligned(column, catalog_level_); }
  // Column 7's caption for the list last filled.
  std::string VersionColumnCaption() const { return FileColumnCaption(kFileColVersion, catalog_level_); }

  // Full name of an entry of the loaded medium (long name when stored).
  std::string LoadedName(int e) const;
  // The formatting context of this catalog's rows (date picture from the
  // settings, comment texts, duplicate counts through the hook).
  RowFormatContext FormatContext(ExtensionImages* images) const;

  RowList child_list;
  RowList file_list;
  SortState file_sort;
  CurrentNode current;
  ExtensionImages file_images;
  // Duplicate count of a file name from the duplicate store; none = 0.
  std::function<std::int32_t(std::string_view name)> dup_count;

  Catalog& catalog() { return cat_; }

 private:
  int BuildRows(EntryId n, RowList& list);
  void RecordCurrent(EntryId n);
  Catalog& cat_;
  bool catalog_level_ = false;
  int cached_parent_ = -2;
  int cached_medium_ = -1;
  std::string cached_path_;
};

// "(i/N) 個のオブジェクト" and "N 個のオブジェクト" (cp932).
std::string ObjectProgressText(int i, int n);
std::string ObjectCountText(int n);

// Copies the fields of an entry record into a browsing row.
void FillRow(TRecord& row, EntryId id, const EntryRecord& e, std::string name);

}  // namespace fv
