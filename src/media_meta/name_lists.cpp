#include "media_meta/name_lists.h"

#include <algorithm>

#include "catalog/catalog.h"
#include "platform/text.h"

namespace fv {

std::string AllNamesText() { return text::Utf8ToCp932("すべて"); }
std::string DefaultNameText() { return text::Utf8ToCp932("デフォルト"); }
std::string NoLocationText() { return text::Utf8ToCp932("保管場所未登録"); }

namespace {

// Adds name unless the list holds it already (case-insensitive); the list
// stays sorted by the same comparison and holds at most 100 names.
void AddName(std::vector<std::string>& list, std::string_view name) {
  if (static_cast<int>(list.size()) >= kMaxListNames) return;
  auto less = [](const std::string& a, std::string_view b) { return text::CompareNoCase(a, b) < 0; };
  auto it = std::lower_bound(list.begin(), list.end(), name, less);
  if (it != list.end() && text::CompareNoCase(*it, name) == 0) return;
  list.insert(it, std::string(name));
}

template <typename Field>
void Rebuild(const Catalog& catalog, std::vector<std::string>& list, Field field) {
  list.clear();
  for (int m = 0; m < kMediaSlots; ++m) {
    const MediumRecord& r = catalog.Medium(m);
    if (r.Name.empty()) continue;
    std::string_view v = field(r);
    if (!v.empty()) AddName(list, v);
  }
}

std::string NameAt(const std::vector<std::string>& list, int i) {
  return i >= 0 && i < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(i)] : std::string();
}

TRecordDiv RowOf(const MediumRecord& r, int m) {
  TRecordDiv d;
  d.MediumIndex = m;
  d.Kind = r.Root.Kind;
  d.Name = r.Root.Name.str();
  d.TypeName = r.DriveTypeName.str();
  d.Classification = r.Classification.str();
  d.Location = r.Location.str();
  d.LocationDetail = r.LocationDetail.str();
  d.Drive = r.Drive.str();
  d.Registered = static_cast<std::int32_t>(r.Root.Time);
  d.AllFolders = r.Root.AllFolders;
  d.AllFiles = r.Root.AllFiles;
  return d;
}

}  // namespace

void MediaNameLists::RebuildClassificationNames(const Catalog& catalog) {
  Rebuild(catalog, classifications_, [](const MediumRecord& r) { return r.Classification.view(); });
}

void MediaNameLists::RebuildLocationNames(const Catalog& catalog) {
  Rebuild(catalog, locations_, [](const MediumRecord& r) { return r.Location.view(); });
}

std::string MediaNameLists::ClassificationName(int i) const { return NameAt(classifications_, i); }
std::string MediaNameLists::LocationName(int i) const { return NameAt(locations_, i); }

const std::vector<TRecordDiv>& MediaNameLists::Selection(int list) const {
  static const std::vector<TRecordDiv> none;
  return list >= 0 && list < kSelectionLists ? selections_[list] : none;
}

int MediaNameLists::SelectMedia(const Catalog& catalog, int list, std::string_view name, bool by_location) {
  if (list < 0 || list >= kSelectionLists) return 0;
  std::string filter = name == AllNamesText() ? std::string() : std::string(name);
  auto& rows = selections_[list];
  rows.clear();
  for (int m = 0; m < kMediaSlots && static_cast<int>(rows.size()) < kMaxSelectionRows; ++m) {
    const MediumRecord& r = catalog.Medium(m);
    if (r.Name.empty()) continue;
    if (by_location ? InLocation(catalog, filter, m) : InClassification(catalog, filter, m)) rows.push_back(RowOf(r, m));
  }
  return static_cast<int>(rows.size());
}

int MediaNameLists::SelectMediaByClassification(const Catalog& catalog, int list, std::string_view name) {
  return SelectMedia(catalog, list, name, false);
}

int MediaNameLists::SelectMediaByLocation(const Catalog& catalog, int list, std::string_view name) {
  return SelectMedia(catalog, list, name, true);
}

MediaNameLists& TheNameLists() {
  static MediaNameLists lists;
  return lists;
}

bool InClassification(const Catalog& catalog, std::string_view filter, int m) {
  if (filter.empty()) return true;
  if (m < 0 || m >= kMediaSlots) return false;
  return catalog.Medium(m).Classification.view() == filter;
}

bool InLocation(const Catalog& catalog, std::string_view filter, int m) {
  if (filter.empty()) return true;
  if (m < 0 || m >= kMediaSlots) return false;
  std::string_view loc = catalog.Medium(m).Location.view();
  return loc == filter || (loc.empty() && filter == NoLocationText());
}

void SetClassificationFilter(Catalog& catalog, std::string_view filter) {
  catalog.SetClassificationFilter(filter == AllNamesText() ? std::string() : std::string(filter));
}

void AttachNameLists(Catalog& catalog) {
  catalog.onMediaTableSaved = [&catalog] { TheNameLists().RebuildAll(catalog); };
}

}  // namespace fv
