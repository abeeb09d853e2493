#include "export/catalog_source.h"

namespace fv {

bool CatalogExportSource::LoadMedium(int m) { return m >= 0 && m < kMediaSlots && cat_.LoadMedium(m); }

int CatalogExportSource::EntryCount() const { return cat_.LoadedMediumIndex() < 0 ? 0 : cat_.LoadedCount(); }

std::string CatalogExportSource::MediumName(int m) const {
  return (m >= 0 && m < kMediaSlots) ? cat_.Medium(m).Name.str() : std::string();
}

std::string CatalogExportSource::CommentText(int k) const {
  if (k < 0 || k >= kCommentSlots) return {};
  const CommentRecord& c = cat_.Comment(k);
  return c.Owner == -1 ? std::string() : c.Text.str();
}

}  // namespace fv
