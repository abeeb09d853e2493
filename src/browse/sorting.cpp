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

// Stable sort of (key, row) pairs by key, a digit at a time from the lowest;
// the key bits from `bits` up are zero. The counts of every digit are taken
// in one pass, and a digit that is the same in every key costs no pass.
void RadixSort(std::vector<std::pair<std::uint64_t, int>>& items, int bits) {
  if (items.size() < 2 || bits <= 0) return;
  const int width = bits > 24 ? 11 : 8;
  const int digits = (bits + width - 1) / width;
  const std::size_t buckets = std::size_t{1} << width;
  const std::uint64_t mask = buckets - 1;
  std::vector<std::size_t> count(buckets * static_cast<std::size_t>(digits));
  for (const auto& it : items)
    for (int d = 0; d < digits; ++d) ++count[static_cast<std::size_t>(d) * buckets + ((it.first >> (d * width)) & mask)];
  std::vector<std::pair<std::uint64_t, int>> spare;
  for (int d = 0; d < digits; ++d) {
    std::size_t* c = &count[static_cast<std::size_t>(d) * buckets];
    const std::size_t first = (items.front().first >> (d * width)) & mask;
    if (c[first] == items.size()) continue;
    std::size_t at = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
      const std::size_t k = c[b];
      c[b] = at;
      at += k;
    }
    if (spare.size() != items.size()) spare.resize(items.size());
    for (const auto& it : items) spare[c[(it.first >> (d * width)) & mask]++] = it;
    items.swap(spare);
  }
}

// The values of a part, one per row in storage order, when the part is plain:
// its padded texts all have the same length and hold only spaces, "," and at
// most 19 digits (checked on the unpadded texts); false otherwise.
bool PlainValues(const RowStore& rows, int column, bool right, std::vector<std::uint64_t>& values) {
  values.resize(rows.size());
  std::size_t i = 0;
  if (column == 0) {
    for (const TRecord& r : rows) values[i++] = r.ImageIndex > 9 ? 2 : 1;
    return true;
  }
  std::size_t len = std::string_view::npos;
  for (const TRecord& r : rows) {
    std::uint64_t v = 0;
    switch (UnformattedNumber(r, column, right, v)) {
      case Unformatted::kPlain:
        if (len == std::string_view::npos) len = kPadWidth;
        if (len != kPadWidth) return false;
        values[i++] = v;
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
      if (c >= '0' && c <= '9') {
        ++digits;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
      } else if (c != ' ' && c != ',') {
        return false;
      }
    }
    if (digits > 19) return false;
    values[i++] = v;
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
  // Indexed by any byte; 0 outside printable ASCII.
  std::uint8_t primary[256] = {};
  std::uint8_t tertiary[256] = {};

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
    unsigned bad = 0;
    for (char c : s) bad |= static_cast<unsigned char>(c - 0x20) >= 0x5F;
    return bad == 0;
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
  // Every name's collation key, all in one buffer; long lists make their
  // halves on two threads, each into a buffer of its own, joined after.
  const std::size_t n = rows_.size();
  std::string bufs[2];
  std::vector<std::size_t> ends[2];
  SplitWork(n, RowStore::kParallelRows, [&](std::size_t begin, std::size_t end) {
    const int half = begin == 0 ? 0 : 1;
    ends[half].reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
      text::AppendSortKey(rows_[i].Name, bufs[half]);
      ends[half].push_back(bufs[half].size());
    }
  });
  name_key_buf_ = std::move(bufs[0]);
  name_key_buf_ += bufs[1];
  name_key_start_.assign(1, 0);
  name_key_start_.reserve(n + 1);
  for (std::size_t e : ends[0]) name_key_start_.push_back(e);
  const std::size_t offset = ends[0].empty() ? 0 : ends[0].back();
  for (std::size_t e : ends[1]) name_key_start_.push_back(offset + e);
}

std::string_view RowList::NameKey(std::size_t i) const {
  return std::string_view(name_key_buf_.data() + name_key_start_[i], name_key_start_[i + 1] - name_key_start_[i]);
}

void RowList::EnsureNameRanks() {
  const std::size_t n = rows_.size();
  if (name_ranks_.size() == n) return;
  struct Item {
    std::uint64_t head[2];
    int row;
  };
  std::unique_ptr<Item[]> items(new Item[n]);  // every item is set below
  // Each name's head: for printable ASCII the primary weights of its first
  // eighteen characters, seven bits each (there are fewer than 128 weights;
  // 0 past the end, below every weight, as a shorter name sorts first);
  // otherwise the first sixteen bytes of its collation key. Heads decide
  // most comparisons; the names or keys decide the rest.
  const AsciiCollation& table = Ascii();
  bool ascii = true;
  auto make_heads = [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      unsigned char head[18] = {};
      Item& it = items[i];
      it.row = static_cast<int>(i);
      if (ascii) {
        const std::string& name = rows_[i].Name;
        std::memcpy(head, name.data(), std::min(name.size(), sizeof head));
        for (std::size_t h = 0; h < 2; ++h) {
          std::uint64_t v = 0;
          for (std::size_t b = h * 9; b < h * 9 + 9; ++b) v = (v << 7) | table.primary[head[b]];
          it.head[h] = v;
        }
      } else {
        std::string_view k = NameKey(i);
        std::memcpy(head, k.data(), std::min<std::size_t>(k.size(), 16));
        for (std::size_t h = 0; h < 2; ++h) {
          std::uint64_t v = 0;
          for (std::size_t b = h * 8; b < h * 8 + 8; ++b) v = (v << 8) | head[b];
          it.head[h] = v;
        }
      }
    }
  };
  // ASCII heads for all, found out while making them; when a name is not
  // printable ASCII, every head is made again from the collation keys.
  bool halves_ascii[2] = {true, true};
  SplitWork(n, RowStore::kParallelRows, [&](std::size_t begin, std::size_t end) {
    bool all = true;
    for (std::size_t i = begin; i < end && all; ++i) all = AsciiCollation::Applies(rows_[i].Name);
    halves_ascii[begin == 0 ? 0 : 1] = all;
    if (all) make_heads(begin, end);
  });
  if (!halves_ascii[0] || !halves_ascii[1]) {
    ascii = false;
    EnsureNameKeys();
    SplitWork(n, RowStore::kParallelRows, make_heads);
  }
  auto rest_less = [&](const Item& a, const Item& b) {
    const std::size_t ra = static_cast<std::size_t>(a.row), rb = static_cast<std::size_t>(b.row);
    if (ascii) return table.Compare(rows_[ra].Name, rows_[rb].Name) < 0;
    std::string_view ka = NameKey(ra), kb = NameKey(rb);
    return ka.substr(std::min<std::size_t>(16, ka.size())) < kb.substr(std::min<std::size_t>(16, kb.size()));
  };
  // The full order: heads, then the rest; equal names in storage order.
  auto less = [&](const Item& a, const Item& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    if (rest_less(a, b)) return true;
    if (rest_less(b, a)) return false;
    return a.row < b.row;
  };
  // Each half (the whole, for short lists) is radix-sorted by its first
  // heads, then each run of equal first heads by the rest; long lists sort
  // their halves on two threads and merge them.
  auto sort_part = [&](std::size_t begin, std::size_t end) {
    std::vector<std::pair<std::uint64_t, int>> firsts(end - begin);
    for (std::size_t i = begin; i < end; ++i) firsts[i - begin] = {items[i].head[0], static_cast<int>(i)};
    RadixSort(firsts, 64);
    std::vector<Item> sorted(end - begin);
    for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = items[static_cast<std::size_t>(firsts[i].second)];
    for (std::size_t from = 0; from < sorted.size();) {
      std::size_t to = from + 1;
      while (to < sorted.size() && sorted[to].head[0] == sorted[from].head[0]) ++to;
      if (to - from > 1)
        std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(from), sorted.begin() + static_cast<std::ptrdiff_t>(to),
                  less);
      from = to;
    }
    std::copy(sorted.begin(), sorted.end(), items.get() + begin);
  };
  std::size_t halves = 0;
  SplitWork(n, RowStore::kParallelRows, [&](std::size_t begin, std::size_t end) {
    sort_part(begin, end);
    if (begin > 0) halves = 2;
  });
  if (halves == 2) {
    std::unique_ptr<Item[]> merged(new Item[n]);
    Item* const mid = items.get() + n / 2;
    std::merge(items.get(), mid, mid, items.get() + n, merged.get(), less);
    items.swap(merged);
  }
  auto same = [&](const Item& a, const Item& b) {
    return a.head[0] == b.head[0] && a.head[1] == b.head[1] && !rest_less(a, b) && !rest_less(b, a);
  };
  name_ranks_.assign(n, 0);
  by_name_.resize(n);
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && !same(items[i - 1], items[i])) ++rank;
    name_ranks_[static_cast<std::size_t>(items[i].row)] = rank;
    by_name_[i] = items[i].row;
  }
}

void RowList::SortByName() {
  if (size() < 2) return;
  EnsureNameRanks();
  order_ = by_name_;
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
  std::vector<std::uint64_t> values[2];
  while (plain < 2 && plain + 1 < parts.size() && parts[plain].first >= 0 &&
         PlainValues(rows_, parts[plain].first, parts[plain].second, values[plain]))
    ++plain;
  const bool name_only = plain + 1 == parts.size();
  if (name_only && plain <= 2) {
    // Every part before the name is plain: each compares as the number its
    // digits make (equal widths, so the commas stand at the same places),
    // then the name.
    std::uint64_t max_a = 0, max_b = 0;
    if (plain > 0)
      for (std::uint64_t v : values[0]) max_a = std::max(max_a, v);
    if (plain > 1)
      for (std::uint64_t v : values[1]) max_b = std::max(max_b, v);
    const int wa = std::bit_width(max_a), wb = std::bit_width(max_b);
    if (wa + wb <= 64) {
      const int bits = wa + wb;
      const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
      auto value = [&](std::size_t i) {
        std::uint64_t v = (plain > 0 && wa ? values[0][i] << wb : 0) | (plain > 1 ? values[1][i] : 0);
        return s.descending ? mask ^ v : v;
      };
      std::vector<std::pair<std::uint64_t, int>> items(n);
      if (name_ranks_.size() != n) {
        // Sorted by the numbers first; when few rows share a number, those
        // few are put in name order by comparing their names, and no name
        // ranks are needed.
        for (std::size_t i = 0; i < n; ++i) items[i] = {value(i), static_cast<int>(i)};
        RadixSort(items, bits);
        std::vector<std::pair<std::size_t, std::size_t>> ties;  // runs of rows sharing a number
        std::size_t tied = 0;
        for (std::size_t from = 0; from < n;) {
          std::size_t to = from + 1;
          while (to < n && items[to].first == items[from].first) ++to;
          if (to - from > 1) {
            ties.emplace_back(from, to);
            tied += to - from;
          }
          from = to;
        }
        if (tied <= n / 8) {
          for (const auto& [from, to] : ties)
            std::sort(items.begin() + static_cast<std::ptrdiff_t>(from), items.begin() + static_cast<std::ptrdiff_t>(to),
                      [&](const auto& x, const auto& y) {
                        int c = CompareNames(rows_[static_cast<std::size_t>(x.second)].Name,
                                             rows_[static_cast<std::size_t>(y.second)].Name);
                        if (c != 0) return s.descending ? c > 0 : c < 0;
                        return x.second < y.second;
                      });
          for (std::size_t i = 0; i < n; ++i) order_[i] = items[i].second;
          return;
        }
        EnsureNameRanks();
      }
      // From the name order (its runs of equal names reversed as wholes when
      // descending, so equal keys keep storage order), a stable sort by the
      // numbers gives the order.
      std::size_t at = 0;
      if (!s.descending) {
        for (int r : by_name_) items[at++] = {value(static_cast<std::size_t>(r)), r};
      } else {
        for (std::size_t to = n; to > 0;) {
          std::size_t from = to - 1;
          const std::uint32_t rank = name_ranks_[static_cast<std::size_t>(by_name_[from])];
          while (from > 0 && name_ranks_[static_cast<std::size_t>(by_name_[from - 1])] == rank) --from;
          for (std::size_t k = from; k < to; ++k) {
            const int r = by_name_[k];
            items[at++] = {value(static_cast<std::size_t>(r)), r};
          }
          to = from;
        }
      }
      RadixSort(items, bits);
      for (std::size_t i = 0; i < n; ++i) order_[i] = items[i].second;
      return;
    }
    struct Key {
      std::uint64_t a, b;
      std::uint32_t name;
      int row;
    };
    EnsureNameRanks();
    std::vector<Key> keys(n);
    for (std::size_t i = 0; i < n; ++i)
      keys[i] = {plain > 0 ? values[0][i] : 0, plain > 1 ? values[1][i] : 0, name_ranks_[i], static_cast<int>(i)};
    auto less = [](const Key& x, const Key& y) {
      if (x.a != y.a) return x.a < y.a;
      if (x.b != y.b) return x.b < y.b;
      if (x.name != y.name) return x.name < y.name;
      return x.row < y.row;
    };
    if (s.descending)
      std::sort(keys.begin(), keys.end(), [&](const Key& x, const Key& y) {
        if (x.a != y.a || x.b != y.b || x.name != y.name) return less(y, x);
        return x.row < y.row;
      });
    else
      std::sort(keys.begin(), keys.end(), less);
    for (std::size_t i = 0; i < n; ++i) order_[i] = keys[i].row;
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
