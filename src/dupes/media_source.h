#pragma once
// What the duplicate and similar searches need of the open catalog: the
// media table, one medium's entries at a time and the long-name lookups.
// CatalogMedia serves them from the catalog; tests serve them from memory.

#include <string>
#include <string_view>

#include "catalog/records.h"

namespace fv {
class Catalog;
}

namespace fv::dupes {

class MediaSource {
 public:
  virtual ~MediaSource() = default;
  // Media slot m, 0 <= m < kMediaSlots.
  virtual const MediumRecord& Medium(int m) const = 0;
  // Makes medium m the loaded one; false when its entries cannot be read.
  virtual bool LoadMedium(int m) = 0;
  // Entries of the loaded medium, entry 0 (the root) first.
  virtual int LoadedCount() const = 0;
  virtual const EntryRecord& Entry(int e) const = 0;
  // Whole name of entry e of the loaded medium when the long-name store
  // holds one; false otherwise.
  virtual bool LoadedLongName(int e, std::string& name) const = 0;
  // The stored name, or the full name when the stored one is 90 bytes or
  // longer and the long-name store knows the id. Called from loader threads.
  virtual std::string FullName(EntryId id, std::string_view stored) const = 0;
};

// The open catalog as a MediaSource.
class CatalogMedia : public MediaSource {
 public:
  explicit CatalogMedia(Catalog& catalog) : catalog_(catalog) {}
  const MediumRecord& Medium(int m) const override;
  bool LoadMedium(int m) override;
  int LoadedCount() const override;
  const EntryRecord& Entry(int e) const override;
  bool LoadedLongName(int e, std::string& name) const override;
  std::string FullName(EntryId id, std::string_view stored) const override;

 private:
  Catalog& catalog_;
};

}  // namespace fv::dupes
