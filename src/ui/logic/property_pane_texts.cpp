#include "ui/logic/property_pane_texts.h"

#include "platform/clipboard.h"
#include "platform/services.h"
#include "platform/text.h"

namespace fv {

std::string PropertyUiText(PropertyUi which) {
  switch (which) {
    case PropertyUi::ItemColumn: return text::Utf8ToCp932("項目");
    case PropertyUi::TextColumn: return text::Utf8ToCp932("内容");
    case PropertyUi::PicturePage: return text::Utf8ToCp932("画像");
    case PropertyUi::ChartPage: return text::Utf8ToCp932("グラフ");
    case PropertyUi::RereadLine1: return text::Utf8ToCp932("メデイアの");
    case PropertyUi::RereadLine2: return text::Utf8ToCp932("再読込み推奨");
  }
  return {};
}

bool CopyProperties(const PropertyView& view) {
  if (view.rows.empty()) return false;
  Platform().clipboard->SetText(view.CopyText());
  return true;
}

}  // namespace fv
