#pragma once
// The property pane's seven views as data: rows of caption and text, the
// name label and its colour, the pie's legend entries, the re-read banner,
// the status text and the text "プロパティのコピー" puts on the clipboard.

#include <cstdint>
#include <string>
#include <vector>

#include "reading/trecord.h"

namespace fv {

class Catalog;
struct CurrentNode;

struct PropertyRow {
  std::string caption;  // "項目", cp932
  std::string text;     // "内容", cp932
};

struct LegendEntry {
  std::string caption;
  std::uint32_t colour = 0;  // RGB
  double value = 0;
  std::string hint;  // value in "#,##0" + " Byte"
};

struct PropertyView {
  static constexpr std::uint32_t kGreen = 0x008000;
  static constexpr std::uint32_t kBlue = 0x0000FF;
  static constexpr std::uint32_t kMagenta = 0xFF00FF;
  static constexpr std::uint32_t kWhite = 0xFFFFFF;
  static constexpr std::uint32_t kYellow = 0xFFFF00;
  static constexpr std::uint32_t kAqua = 0x00FFFF;

  int view = 0;  // 1..7
  std::string name;
  std::uint32_t name_colour = kGreen;
  int image = 0;
  std::vector<PropertyRow> rows;
  std::vector<LegendEntry> legend;  // the pie's slices in order; view 1 none
  bool reread_banner = false;
  std::string status;  // status bar panel 1 of the "メディア" page
  int picture_medium = -1;  // views 2, 4 and 6 show this medium's picture

  // n TAB caption TAB text CR LF per row, n from 1.
  std::string CopyText() const;
};

// "DBﾄﾞﾗｲﾌﾞ空ｻｲｽﾞ" threshold: below it the text is prefixed with "(×)".
constexpr double kLowCatalogSpace = 20971520.0;

// View 1. free_bytes: free space of the file system holding the catalog
// (-1 when unknown); catalog_bytes: the catalog file's size.
PropertyView CatalogProperties(const Catalog& cat, double catalog_bytes, double free_bytes, int image = 0);
// The same with the sizes asked of the platform (statvfs of the catalog's
// folder).
PropertyView CatalogProperties(const Catalog& cat, int image = 0);
// Views 2 and 3 from the current node. A medium node loads its medium for
// the long-name counts (remembered for the medium last asked).
PropertyView NodeProperties(Catalog& cat, const CurrentNode& node, int image);
// Views 4 to 7 from the selected rows of the file list (formatted rows).
PropertyView RowProperties(const Catalog& cat, const CurrentNode& node, const std::vector<const TRecord*>& rows);

// Forgets the remembered long-name counts (opening or creating a catalog).
void ForgetLongNameCounts();

}  // namespace fv
