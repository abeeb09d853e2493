#include "catalog/catalog.h"
#include "dupes/media_source.h"

namespace fv::dupes {

const MediumRecord& CatalogMedia::Medium(int m) const { return catalog_.Medium(m); }

bool CatalogMedia::LoadMedium(int m) { return catalog_.LoadMedium(m); }

int CatalogMedia::LoadedCount() const { return catalog_.LoadedCount(); }

const EntryRecord& CatalogMedia::Entry(int e) const { return catalog_.Entry(e); }

bool CatalogMedia::LoadedLongName(int e, std::string& name) const {
  if (!catalog_.LongNames().HasLongName(e)) return false;
  name = catalog_.LongNames().LoadedLongName(e);
  return true;
}

std::string CatalogMedia::FullName(EntryId id, std::string_view stored) const {
  return catalog_.FullName(id, stored);
}

}  // namespace fv::dupes
