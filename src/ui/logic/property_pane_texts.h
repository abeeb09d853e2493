#pragma once
// The property pane of the page "標準": its fixed texts and the copy command.

#include <string>

#include "browse/properties.h"

namespace fv {

// The pane's texts (cp932).
enum class PropertyUi {
  ItemColumn,   // "項目"
  TextColumn,   // "内容"
  PicturePage,  // "画像"
  ChartPage,    // "グラフ"
  RereadLine1,  // "メデイアの"
  RereadLine2,  // "再読込み推奨"
};
std::string PropertyUiText(PropertyUi which);

// "プロパティのコピー": the view's rows onto the clipboard in their line
// format. A view without rows leaves the clipboard alone (false).
bool CopyProperties(const PropertyView& view);

}  // namespace fv
