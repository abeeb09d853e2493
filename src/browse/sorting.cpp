#include "browse/sorting.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/text.h"

namespace fv {

namespace {

constexpr std::size_t kPadWidth = 20;

// Column 0 sorts folders (and media) before files: "1" or "2".
const char* KindKey(const TRecord& row) { return row.ImageIndex > 9 ? "2" : "1"; }

std::string SegmentText(const TRecord& row, int column, bool right) {
  if (column == 0) return KindKey(row);
  const std::string& t = row.ColumnTexts[static_cast<std::size_t>(column)];
  return right ? PadNumericKey(t) : t;
}

// A segment can be compared bytewise, apart from the collation, when every
// row's text has the same length and holds only spaces, "," and digits: the
// collation orders these as their bytes (space, comma, 0..9), so with equal
// lengths the first differing character decides as it does bytewise, and
// when the segments are equal the rest of the key decides alone.
bool IsPlainSegment(const std::vector<std::string>& texts) {
  if (texts.empty()) return true;
  std::size_t len = texts[0].size();
  for (const std::string& t : texts) {
    if (t.size() != len) return false;
    for (char c : t)
      if (c != ' ' && c != ',' && (c < '0' || c > '9')) return false;
  }
  return true;
}

}  // namespace

void ClickColumn(SortState& s, int column, bool shift, bool right_aligned) {
  if (column == s.column) s.descending = !s.descending;
  if (shift) {
    ++s.shift_count;
  } else {
    s.shift_count = 0;
    s.primary = column;
  }
  s.column = column;
  s.right_aligned = right_aligned;
}

int HeaderImage(const SortState& s, int column) {
  if (s.shift_count > 0) {
    if (column == s.column) return s.descending ? kImageSort2Descending : kImageSort2Ascending;
    if (column == s.primary) return s.descending ? kImageSortDescending : kImageSortAscending;
    return -1;
  }
  if (column == s.column) return s.descending ? kImageSortDescending : kImageSortAscending;
  return -1;
}

std::string PadNumericKey(const std::string& text) {
  if (text.size() >= kPadWidth) return text;
  return std::string(kPadWidth - text.size(), ' ') + text;
}

std::string SortKeyText(const TRecord& row, const SortState& s, const std::function<bool(int)>& right_aligned) {
  std::string key = SegmentText(row, s.column, s.right_aligned) + "_" + row.Name;
  if (s.shift_count > 0) {
    std::string k0 = SegmentText(row, s.primary, s.primary != 0 && right_aligned && right_aligned(s.primary));
    if (s.primary == 0) k0 += "_" + row.Name;
    key = k0 + "_" + key;
  }
  return key;
}

void RowList::EnsureNameKeys() {
  if (name_keys_.size() == rows.size()) return;
  name_keys_.resize(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) name_keys_[i] = text::SortKey(rows[i].Name);
}

void RowList::ApplyOrder(std::vector<int>& order) {
  std::vector<TRecord> sorted;
  sorted.reserve(rows.size());
  std::vector<std::string> keys;
  keys.reserve(name_keys_.size());
  for (int i : order) {
    sorted.push_back(std::move(rows[static_cast<std::size_t>(i)]));
    if (!name_keys_.empty()) keys.push_back(std::move(name_keys_[static_cast<std::size_t>(i)]));
  }
  rows.swap(sorted);
  name_keys_.swap(keys);
}

void RowList::SortByName() {
  if (rows.size() < 2) return;
  EnsureNameKeys();
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    return name_keys_[static_cast<std::size_t>(a)] < name_keys_[static_cast<std::size_t>(b)];
  });
  ApplyOrder(order);
}

void RowList::Sort(const SortState& s, const std::function<bool(int)>& right_aligned) {
  const std::size_t n = rows.size();
  if (n < 2) return;
  // The key text is its parts joined by "_": [k0, (name when the primary
  // column is 0),] k1, name. Parts given by a column are texts; a part of
  // -1 stands for the name.
  std::vector<std::pair<int, bool>> parts;  // column (-1 = name), right-aligned
  if (s.shift_count > 0) {
    parts.push_back({s.primary, s.primary != 0 && right_aligned && right_aligned(s.primary)});
    if (s.primary == 0) parts.push_back({-1, false});
  }
  parts.push_back({s.column, s.right_aligned});
  parts.push_back({-1, false});

  std::vector<std::vector<std::string>> texts(parts.size());
  for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
    if (parts[k].first < 0) continue;
    texts[k].resize(n);
    for (std::size_t i = 0; i < n; ++i) texts[k][i] = SegmentText(rows[i], parts[k].first, parts[k].second);
  }
  // Leading plain parts go into the key as raw bytes (the "_" after each
  // is the same in every key and can be left out); the rest of the key text
  // becomes one collation key. When only the name is left, its cached key
  // serves.
  std::size_t plain = 0;
  while (plain + 1 < parts.size() && parts[plain].first >= 0 && IsPlainSegment(texts[plain])) ++plain;
  const bool name_only = plain + 1 == parts.size();
  if (name_only) EnsureNameKeys();

  std::vector<std::string> keys(n);
  std::string rest;
  for (std::size_t i = 0; i < n; ++i) {
    std::string& key = keys[i];
    for (std::size_t k = 0; k < plain; ++k) key += texts[k][i];
    if (name_only) {
      key += name_keys_[i];
      continue;
    }
    rest.clear();
    for (std::size_t k = plain; k < parts.size(); ++k) {
      if (k > plain) rest += '_';
      rest += parts[k].first < 0 ? rows[i].Name : texts[k][i];
    }
    text::AppendSortKey(rest, key);
  }
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  if (s.descending)
    std::sort(order.begin(), order.end(), [&](int a, int b) {
      return keys[static_cast<std::size_t>(b)] < keys[static_cast<std::size_t>(a)];
    });
  else
    std::sort(order.begin(), order.end(), [&](int a, int b) {
      return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });
  ApplyOrder(order);
}

}  // namespace fv
