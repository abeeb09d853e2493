#pragma once
// Classifications and storage locations: the two name lists derived from the
// media table, the media selections by classification or location, and the
// main window's classification filter.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fv {

class Catalog;

// One medium of a selection list.
struct TRecordDiv {
  std::int32_t MediumIndex = -1;
  std::int16_t Kind = 0;
  std::string Name;
  std::string TypeName;
  std::string Classification;
  std::string Location;
  std::string LocationDetail;
  std::string Drive;
  std::int32_t Registered = 0;  // DOS time of the read
  std::int32_t AllFolders = 0;
  std::int32_t AllFiles = 0;
};

constexpr int kMaxListNames = 100;
constexpr int kSelectionLists = 3;
constexpr int kMaxSelectionRows = 2001;

// Reserved names (cp932).
std::string AllNamesText();         // "すべて"
std::string DefaultNameText();      // "デフォルト"
std::string NoLocationText();       // "保管場所未登録"

class MediaNameLists {
 public:
  void RebuildClassificationNames(const Catalog& catalog);
  void RebuildLocationNames(const Catalog& catalog);
  void RebuildAll(const Catalog& catalog) {
    RebuildClassificationNames(catalog);
    RebuildLocationNames(catalog);
  }

  int ClassificationCount() const { return static_cast<int>(classifications_.size()); }
  int LocationCount() const { return static_cast<int>(locations_.size()); }
  // Empty text for an index out of range.
  std::string ClassificationName(int i) const;
  std::string LocationName(int i) const;
  const std::vector<std::string>& ClassificationNames() const { return classifications_; }
  const std::vector<std::string>& LocationNames() const { return locations_; }

  // Fill selection list `list` (0..2) and return its row count; "すべて"
  // selects every medium in use.
  int SelectMediaByClassification(const Catalog& catalog, int list, std::string_view name);
  int SelectMediaByLocation(const Catalog& catalog, int list, std::string_view name);
  const std::vector<TRecordDiv>& Selection(int list) const;

 private:
  int SelectMedia(const Catalog& catalog, int list, std::string_view name, bool by_location);
  std::vector<std::string> classifications_;
  std::vector<std::string> locations_;
  std::vector<TRecordDiv> selections_[kSelectionLists];
};

// The process-wide lists.
MediaNameLists& TheNameLists();

// Yes when the filter is empty or medium m's classification equals it byte
// for byte.
bool InClassification(const Catalog& catalog, std::string_view filter, int m);
// The same for the location; the filter "保管場所未登録" accepts media
// without a location.
bool InLocation(const Catalog& catalog, std::string_view filter, int m);

// The main window's classification filter: "すべて" is stored as empty.
void SetClassificationFilter(Catalog& catalog, std::string_view filter);

// Keeps TheNameLists() in step with every save of the catalog's media table.
void AttachNameLists(Catalog& catalog);

}  // namespace fv
