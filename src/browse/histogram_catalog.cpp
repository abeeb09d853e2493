// The histogram of a tree node of the open catalog.

#include <algorithm>

#include "browse/histogram.h"
#include "catalog/catalog.h"

namespace fv {

bool Histogram::Build(Catalog& catalog, EntryId node) {
  const std::string& filter = catalog.ClassificationFilter();
  auto passes = [&](int m) {
    return catalog.SlotLive(m) && (filter.empty() || catalog.Medium(m).Classification.view() == filter);
  };
  bool any = false;
  std::uint32_t lo = 0, hi = 0;
  for (int m = 0; m < kMediaSlots && catalog.SlotUsed(m); ++m) {
    if (!passes(m)) continue;
    std::uint32_t t = catalog.Medium(m).Root.Time;
    if (!any) {
      lo = hi = t;
    } else {
      lo = std::min(lo, t);
      hi = std::max(hi, t);
    }
    any = true;
  }
  if (!any) return false;
  if (node < 0) {
    Begin(lo, hi);
    for (int m = 0; m < kMediaSlots && catalog.SlotUsed(m); ++m)
      if (passes(m)) Add(catalog.Medium(m).Root.Time);
  } else {
    int m = MediumOf(node);
    if (m >= kMediaSlots || !catalog.LoadMedium(m)) return false;
    const MediumRecord& medium = catalog.Medium(m);
    Begin(medium.MinFileTime, medium.MaxFileTime);
    AddSubtree(catalog.Entries(), catalog.LoadedCount(), EntryOf(node));
  }
  last_node_ = node;
  Sum();
  return true;
}

}  // namespace fv
