#include "browse/sorting.h"

#include <algorithm>
#include <bit>
#include <cmath>
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
  const std::string& t = row.Text(column);
  return right ? PadNumericKey(t) : t;
}

// A segment can be compared bytewise, apart from the collation, when every
// row's text has the same length and holds only spaces, "," and digits: the
// collation orders these as their bytes (space, comma, 0..9), so with equal
// lengths the first differing character decides as it does bytewise, and
// when the segments are equal the rest of the key decides alone.
// The segment's text before padding.
std::string_view RawSegment(const TRecord& row, int column) {
  if (column == 0) return KindKey(row);
  return row.Text(column);
}

// A right-aligned segment of a row whose texts are still to be formatted:
// the number its text would show. Plain when that text is a whole number
// without sign of at most 15 digits ("#,##0": 19 characters at most; 16
// digits take 21); v gets the number.
enum class Unformatted { kNo, kPlain, kNotPlain };
Unformatted UnformattedNumber(const TRecord& row, int column, bool right, std::uint64_t& v) {
  if (column == 0 || !right || row.ColumnTexts.Formatted() || !row.ColumnTexts.Source()) return Unformatted::kNo;
  double d = 0;
  if (!row.ColumnTexts.Source()->Number(row, column, d)) return Unformatted::kNo;
  if (!std::isfinite(d)) return Unformatted::kNotPlain;
  const double r = std::round(d);  // as FormatNumber rounds
  if (r < 0 || r >= 1e15) return Unformatted::kNotPlain;
  v = static_cast<std::uint64_t>(r);
  return Unformatted::kPlain;
}

// Whether a column's padded texts all have the same length and hold only
// spaces, "," and at most 19 digits (checked on the unpadded texts).
bool IsPlainColumn(const RowStore& rows, int column, bool right) {
  std::size_t len = std::string_view::npos;
  for (const TRecord& r : rows) {
    std::uint64_t v = 0;
    switch (UnformattedNumber(r, column, right, v)) {
      case Unformatted::kPlain:
        if (len == std::string_view::npos) len = kPadWidth;
        if (len != kPadWidth) return false;
        continue;
      case Unformatted::kNotPlain:
        return false;
      case Unformatted::kNo:
        break;
    }
    std::string_view t = RawSegment(r, column);
    std::size_t padded = right ? std::max<std::size_t>(t.size(), kPadWidth) : t.size();
    if (len == std::string_view::npos) len = padded;
    if (padded != len || padded > kPadWidth) return false;
    int digits = 0;
    for (char c : t) {
      if (c >= '0' && c <= '9')
        ++digits;
      else if (c != ' ' && c != ',')
        return false;
    }
    if (digits > 19) return false;
  }
  return true;
}

// The number the digits of a plain segment make (spaces and commas skipped);
// at most 20 characters, so it fits 64 bits.
std::uint64_t PlainValue(const TRecord& row, int column, bool right) {
  std::uint64_t v = 0;
  if (UnformattedNumber(row, column, right, v) == Unformatted::kPlain) return v;
  for (char c : RawSegment(row, column))
    if (c >= '0' && c <= '9') v = v * 10 + static_cast<std::uint64_t>(c - '0');
  return v;
}

// Stable sort of (key, row) pairs by key, a byte at a time from the lowest;
// the key bits from `bits` up are zero.
void RadixSort(std::vector<std::pair<std::uint64_t, int>>& items, int bits) {
  std::vector<std::pair<std::uint64_t, int>> spare(items.size());
  for (int shift = 0; shift < bits; shift += 8) {
    std::size_t count[257] = {};
    for (const auto& it : items) ++count[((it.first >> shift) & 0xFF) + 1];
    for (int i = 0; i < 256; ++i) count[i + 1] += count[i];
    for (const auto& it : items) spare[count[(it.first >> shift) & 0xFF]++] = it;
    items.swap(spare);
  }
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

TRecord& RowList::emplace_back() {
  order_.push_back(static_cast<int>(rows_.size()));
  return rows_.emplace_back();
}

void RowList::assign(std::vector<TRecord> rows) {
  rows_.clear();
  for (TRecord& r : rows) rows_.emplace_back() = std::move(r);
  order_.resize(rows_.size());
  std::iota(order_.begin(), order_.end(), 0);
  Invalidate();
}

void RowList::reserve(std::size_t n) { order_.reserve(n); }

void RowList::clear() {
  rows_.clear();
  order_.clear();
  Invalidate();
}

namespace {

// The collation of names made only of printable ASCII, without building
// collation keys: each character has one primary weight and no secondary
// difference; letters differ from their other case only at the tertiary
// level. The tables are taken from the collation itself.
struct AsciiCollation {
  std::uint8_t primary[128] = {};
  std::uint8_t tertiary[128] = {};

  AsciiCollation() {
    std::vector<char> chars;
    for (int c = 0x20; c < 0x7F; ++c) chars.push_back(static_cast<char>(c));
    std::stable_sort(chars.begin(), chars.end(),
                     [](char a, char b) { return text::Compare(std::string(1, a), std::string(1, b)) < 0; });
    std::uint8_t rank = 1;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (i > 0 && text::CompareNoCase(std::string(1, chars[i - 1]), std::string(1, chars[i])) != 0) ++rank;
      primary[static_cast<unsigned char>(chars[i])] = rank;
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
      const bool upper_after = text::Compare(std::string(1, static_cast<char>(c + 32)), std::string(1, static_cast<char>(c))) < 0;
      tertiary[upper_after ? c : c + 32] = 1;
    }
  }

  static bool Applies(const std::string& s) {
    for (char c : s)
      if (c < 0x20 || c > 0x7E) return false;
    return true;
  }

  int Compare(const std::string& a, const std::string& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      std::uint8_t pa = primary[static_cast<unsigned char>(a[i])], pb = primary[static_cast<unsigned char>(b[i])];
      if (pa != pb) return pa < pb ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint8_t ta = tertiary[static_cast<unsigned char>(a[i])], tb = tertiary[static_cast<unsigned char>(b[i])];
      if (ta != tb) return ta < tb ? -1 : 1;
    }
    return 0;
  }
};

const AsciiCollation& Ascii() {
  static const AsciiCollation table;
  return table;
}

}  // namespace

int CompareNames(const std::string& a, const std::string& b) {
  if (AsciiCollation::Applies(a) && AsciiCollation::Applies(b)) return Ascii().Compare(a, b);
  return text::Compare(a, b);
}

void RowList::EnsureNameKeys() {
  if (name_key_start_.size() == rows_.size() + 1) return;
  // All names in one buffer. When every name is printable ASCII the keys
  // come from the tables: primary ranks, a 0 (below every rank, so a name
  // sorts before its extensions), then the tertiary marks; compared
  // bytewise they order as AsciiCollation::Compare does. Otherwise every
  // key is the collation's own.
  bool ascii = true;
  for (const TRecord& r : rows_) ascii = ascii && AsciiCollation::Applies(r.Name);
  const AsciiCollation& table = Ascii();
  name_key_buf_.clear();
  if (ascii) {
    std::size_t bytes = 0;
    for (const TRecord& r : rows_) bytes += 2 * r.Name.size() + 1;
    name_key_buf_.reserve(bytes);
  }
  name_key_start_.assign(1, 0);
  name_key_start_.reserve(rows_.size() + 1);
  for (const TRecord& r : rows_) {
    if (ascii) {
      for (char c : r.Name) name_key_buf_.push_back(static_cast<char>(table.primary[static_cast<unsigned char>(c)]));
      name_key_buf_.push_back('\0');
      for (char c : r.Name) name_key_buf_.push_back(static_cast<char>(table.tertiary[static_cast<unsigned char>(c)]));
    } else {
      text::AppendSortKey(r.Name, name_key_buf_);
    }
    name_key_start_.push_back(name_key_buf_.size());
  }
}

std::string_view RowList::NameKey(std::size_t i) const {
  return std::string_view(name_key_buf_.data() + name_key_start_[i], name_key_start_[i + 1] - name_key_start_[i]);
}

void RowList::EnsureNameRanks() {
  if (name_ranks_.size() == rows_.size()) return;
  struct Item {
    std::uint64_t head[2];
    int row;
  };
  bool ascii = true;
  for (const TRecord& r : rows_)
    if (!AsciiCollation::Applies(r.Name)) {
      ascii = false;
      break;
    }
  if (ascii) {
    // Names of printable ASCII need no keys: the first sixteen primary
    // weights (0 past the end, below every weight, as a shorter name sorts
    // first) decide most comparisons, the table's comparison the rest.
    const AsciiCollation& table = Ascii();
    std::vector<Item> items(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const std::string& name = rows_[i].Name;
      Item& it = items[i];
      for (std::size_t h = 0; h < 2; ++h) {
        std::uint64_t v = 0;
        for (std::size_t b = h * 8; b < h * 8 + 8; ++b)
          v = (v << 8) | (b < name.size() ? table.primary[static_cast<unsigned char>(name[b])] : 0u);
        it.head[h] = v;
      }
      it.row = static_cast<int>(i);
    }
    auto name_of = [&](const Item& it) -> const std::string& { return rows_[static_cast<std::size_t>(it.row)].Name; };
    // A radix sort by the first eight weights, then each run of equal first
    // weights by the rest.
    {
      std::vector<std::pair<std::uint64_t, int>> firsts(items.size());
      for (std::size_t i = 0; i < items.size(); ++i) firsts[i] = {items[i].head[0], static_cast<int>(i)};
      RadixSort(firsts, 64);
      std::vector<Item> sorted(items.size());
      for (std::size_t i = 0; i < items.size(); ++i) sorted[i] = items[static_cast<std::size_t>(firsts[i].second)];
      items.swap(sorted);
    }
    for (std::size_t from = 0; from < items.size();) {
      std::size_t to = from + 1;
      while (to < items.size() && items[to].head[0] == items[from].head[0]) ++to;
      if (to - from > 1)
        std::sort(items.begin() + static_cast<std::ptrdiff_t>(from), items.begin() + static_cast<std::ptrdiff_t>(to),
                  [&](const Item& a, const Item& b) {
                    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
                    return table.Compare(name_of(a), name_of(b)) < 0;
                  });
      from = to;
    }
    name_ranks_.assign(rows_.size(), 0);
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0 && (items[i - 1].head[0] != items[i].head[0] || items[i - 1].head[1] != items[i].head[1] ||
                    table.Compare(name_of(items[i - 1]), name_of(items[i])) != 0))
        ++rank;
      name_ranks_[static_cast<std::size_t>(items[i].row)] = rank;
    }
    return;
  }
  EnsureNameKeys();
  // The first sixteen key bytes, big-endian, decide most comparisons
  // without touching the buffer.
  std::vector<Item> items(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    std::string_view k = NameKey(i);
    Item& it = items[i];
    for (int h = 0; h < 2; ++h) {
      std::uint64_t v = 0;
      for (std::size_t b = 0; b < 8; ++b) {
        std::size_t at = static_cast<std::size_t>(h) * 8 + b;
        v = (v << 8) | (at < k.size() ? static_cast<unsigned char>(k[at]) : 0u);
      }
      it.head[h] = v;
    }
    it.row = static_cast<int>(i);
  }
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    std::string_view ka = NameKey(static_cast<std::size_t>(a.row)), kb = NameKey(static_cast<std::size_t>(b.row));
    return ka.substr(std::min<std::size_t>(16, ka.size())) < kb.substr(std::min<std::size_t>(16, kb.size()));
  });
  std::vector<int> by_name(rows_.size());
  for (std::size_t i = 0; i < items.size(); ++i) by_name[i] = items[i].row;
  name_ranks_.assign(rows_.size(), 0);
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < by_name.size(); ++i) {
    if (i > 0 && NameKey(static_cast<std::size_t>(by_name[i - 1])) != NameKey(static_cast<std::size_t>(by_name[i])))
      ++rank;
    name_ranks_[static_cast<std::size_t>(by_name[i])] = rank;
  }
}

void RowList::SortByName() {
  if (size() < 2) return;
  EnsureNameRanks();
  std::sort(order_.begin(), order_.end(), [&](int a, int b) {
    return name_ranks_[static_cast<std::size_t>(a)] < name_ranks_[static_cast<std::size_t>(b)];
  });
}

void RowList::Sort(const SortState& s, const std::function<bool(int)>& right_aligned) {
  const std::size_t n = rows_.size();
  if (order_.size() < 2) return;
  // The key text is its parts joined by "_": [k0, (name when the primary
  // column is 0),] k1, name. A part of column -1 stands for the name.
  std::vector<std::pair<int, bool>> parts;  // column (-1 = name), right-aligned
  if (s.shift_count > 0) {
    parts.push_back({s.primary, s.primary != 0 && right_aligned && right_aligned(s.primary)});
    if (s.primary == 0) parts.push_back({-1, false});
  }
  parts.push_back({s.column, s.right_aligned});
  parts.push_back({-1, false});

  // Leading plain parts go into the key as raw bytes (the "_" after each
  // is the same in every key and can be left out); the rest of the key text
  // becomes one collation key. When only the name is left, its cached key
  // serves.
  std::size_t plain = 0;
  while (plain + 1 < parts.size() && parts[plain].first >= 0 &&
         IsPlainColumn(rows_, parts[plain].first, parts[plain].second))
    ++plain;
  const bool name_only = plain + 1 == parts.size();
  if (name_only && plain <= 2) {
    // Every part before the name is plain: each compares as the number its
    // digits make (equal widths, so the commas stand at the same places),
    // and the name as its rank among the names.
    struct Key {
      std::uint64_t a, b;
      std::uint32_t name;
      int row;
    };
    EnsureNameRanks();
    std::vector<Key> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
      std::uint64_t v[2] = {0, 0};
      for (std::size_t k = 0; k < plain; ++k) v[k] = PlainValue(rows_[i], parts[k].first, parts[k].second);
      keys[i] = {v[0], v[1], name_ranks_[i], static_cast<int>(i)};
    }
    // When the three fit one 64-bit number side by side, a byte-wise radix
    // sort of those numbers gives the order.
    std::uint64_t max_a = 0, max_b = 0, max_name = 0;
    for (const Key& k : keys) {
      max_a = std::max(max_a, k.a);
      max_b = std::max(max_b, k.b);
      max_name = std::max<std::uint64_t>(max_name, k.name);
    }
    const int wa = std::bit_width(max_a), wb = std::bit_width(max_b), wn = std::bit_width(max_name);
    if (wa + wb + wn <= 64) {
      const int bits = wa + wb + wn;
      const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
      std::vector<std::pair<std::uint64_t, int>> packed(n);
      for (std::size_t i = 0; i < n; ++i) {
        const Key& k = keys[i];
        std::uint64_t v = (wa ? k.a << (wb + wn) : 0) | (wb ? k.b << wn : 0) | k.name;
        packed[i] = {s.descending ? mask ^ v : v, k.row};
      }
      RadixSort(packed, bits);
      for (std::size_t i = 0; i < n; ++i) order_[i] = packed[i].second;
      return;
    }
    auto less = [](const Key& x, const Key& y) {
      if (x.a != y.a) return x.a < y.a;
      if (x.b != y.b) return x.b < y.b;
      return x.name < y.name;
    };
    if (s.descending)
      std::sort(keys.begin(), keys.end(), [&](const Key& x, const Key& y) { return less(y, x); });
    else
      std::sort(keys.begin(), keys.end(), less);
    std::size_t at = 0;
    for (const Key& k : keys)
      if (static_cast<std::size_t>(k.row) < n) order_[at++] = k.row;
    return;
  }

  // With a plain prefix of fixed width the keys are compared as that
  // prefix, then the rest.
  // All keys in one buffer: key i is [start[i], start[i + 1]).
  std::string buffer;
  std::vector<std::size_t> start(n + 1);
  std::string rest;
  for (std::size_t i = 0; i < n; ++i) {
    start[i] = buffer.size();
    for (std::size_t k = 0; k < plain; ++k) buffer += SegmentText(rows_[i], parts[k].first, parts[k].second);
    rest.clear();
    for (std::size_t k = plain; k < parts.size(); ++k) {
      if (k > plain) rest += '_';
      rest += parts[k].first < 0 ? rows_[i].Name : SegmentText(rows_[i], parts[k].first, parts[k].second);
    }
    text::AppendSortKey(rest, buffer);
  }
  start[n] = buffer.size();
  auto key = [&](int i) {
    auto u = static_cast<std::size_t>(i);
    return std::string_view(buffer.data() + start[u], start[u + 1] - start[u]);
  };
  auto less = [&](int a, int b) { return key(a) < key(b); };
  if (s.descending)
    std::sort(order_.begin(), order_.end(), [&](int a, int b) { return less(b, a); });
  else
    std::sort(order_.begin(), order_.end(), less);
}

}  // namespace fv
