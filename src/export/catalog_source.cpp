#include "export/catalog_source.h"

#include "browse/comments.h"

namespace fv {

bool CatalogExportSource::LoadMedium(int m) { return m >= 0 && m < kMediaSlots && cat_.LoadMedium(m); }

int CatalogExportSource::EntryCount() const { return cat_.LoadedMediumIndex() < 0 ? 0 : cat_.LoadedCount(); }

std::string CatalogExportSource::MediumName(int m) const {
  return (m >= 0 && m < kMediaSlots) ? cat_.Medium(m).Name.str() : std::string();
}

std::string CatalogExportSource::CommentText(int k) const {
  return fv::CommentText(cat_, k);
}

}  // namespace fv
