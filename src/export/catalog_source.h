#pragma once
// The exports' view of the process-wide catalog.

#include "catalog/catalog.h"
#include "export/listing.h"

namespace fv {

class CatalogExportSource : public ExportCatalog {
 public:
  explicit CatalogExportSource(Catalog& catalog = TheCatalog()) : cat_(catalog) {}
  bool LoadMedium(int m) override;
  int EntryCount() const override;
  const EntryRecord& Entry(int e) const override { return cat_.Entry(e); }
  std::string FullName(int e) const override { return cat_.LoadedFullName(e); }
  std::string MediumName(int m) const override;
  std::string CommentText(int comment_index) const override;

 private:
  Catalog& cat_;
};

}  // namespace fv
