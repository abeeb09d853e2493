#include "dupes/keys.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace fv::dupes {

void AppendFolded(std::string_view s, std::string& out) {
  // The system casing of cp932 (as text::ToLower): ASCII capitals and
  // full-width capitals (0x82 0x60-0x79) fold, trail bytes never change.
  std::size_t base = out.size();
  out.append(s);
  unsigned char* p = reinterpret_cast<unsigned char*>(out.data() + base);
  std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char c = p[i];
    if (text::IsLeadByte(c) && i + 1 < n) {
      if (c == 0x82 && p[i + 1] >= 0x60 && p[i + 1] <= 0x79) p[i + 1] = static_cast<unsigned char>(p[i + 1] + 0x21);
      i += 2;
    } else {
      if (c >= 'A' && c <= 'Z') p[i] = static_cast<unsigned char>(c + 32);
      ++i;
    }
  }
}

bool FoldsTo(std::string_view s, std::string_view folded) {
  if (s.size() != folded.size()) return false;
  // Same walk as the system casing: ASCII capitals and full-width capitals
  // (0x82 0x60-0x79) fold, trail bytes are never touched.
  const unsigned char* a = reinterpret_cast<const unsigned char*>(s.data());
  const unsigned char* b = reinterpret_cast<const unsigned char*>(folded.data());
  std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char c = a[i];
    if (text::IsLeadByte(c) && i + 1 < n) {
      unsigned char t = a[i + 1];
      if (c == 0x82 && t >= 0x60 && t <= 0x79) t = static_cast<unsigned char>(t + 0x21);
      if (b[i] != c || b[i + 1] != t) return false;
      i += 2;
    } else {
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
      if (b[i] != c) return false;
      ++i;
    }
  }
  return true;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::string fb;
  AppendFolded(b, fb);
  return FoldsTo(a, fb);
}

std::uint64_t HashBytes(std::string_view s) {
  // 64-bit multiply-xorshift over 8-byte words; plenty for a hash table.
  const std::uint64_t m = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = 0xA0761D6478BD642Full ^ (s.size() * m);
  const char* p = s.data();
  std::size_t n = s.size();
  while (n >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * m;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  if (n) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = (h ^ w) * m;
    h ^= h >> 29;
  }
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return h;
}

SeparatorSet::SeparatorSet(std::string_view text) {
  for (std::size_t i = 0; i < text.size() && count_ < kMaxSeparatorChars;) {
    std::size_t len = text::CharLen(text, i);
    if (len == 1) {
      single_[static_cast<unsigned char>(text[i])] = true;
    } else {
      doubles_.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(text[i]) << 8 |
                                                    static_cast<unsigned char>(text[i + 1])));
    }
    ++count_;
    i += len;
  }
}

std::string_view WithoutExtension(std::string_view name) {
  std::size_t dot = std::string_view::npos;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t len = text::CharLen(name, i);
    if (len == 1) {
      char c = name[i];
      if (c == '.')
        dot = i;
      else if (c == '\\' || c == ':')
        dot = std::string_view::npos;
    }
    i += len;
  }
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

void CutWords(std::string_view name, int kind, const SeparatorSet& set, std::vector<std::string_view>& words) {
  words.clear();
  if (set.empty()) {
    if (!name.empty()) words.push_back(name);
    return;
  }
  std::string_view rest = kind == 10 ? WithoutExtension(name) : name;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < rest.size()) {
    std::size_t len = text::CharLen(rest, i);
    if (set.IsSeparator(rest.data() + i, len)) {
      if (i > start) {
        words.push_back(rest.substr(start, i - start));
        if (words.size() == kMaxWordsPerName) return;
      }
      start = i + len;
    }
    i += len;
  }
  if (i > start) words.push_back(rest.substr(start, i - start));
}

std::vector<std::string> CutWords(std::string_view name, int kind, const SeparatorSet& set) {
  std::vector<std::string_view> v;
  CutWords(name, kind, set, v);
  return std::vector<std::string>(v.begin(), v.end());
}

// ---- FoldedTable --------------------------------------------------------

void FoldedTable::Clear() {
  slots_.clear();
  slots_.shrink_to_fit();
  count_ = 0;
}

void FoldedTable::Reserve(std::size_t n) {
  std::size_t cap = 16;
  while (cap < n * 2) cap <<= 1;
  if (cap <= slots_.size()) return;
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(cap, Slot{0, kNone, 0});
  std::size_t mask = cap - 1;
  for (const Slot& s : old) {
    if (s.index == kNone) continue;
    std::size_t i = s.low & mask;
    while (slots_[i].index != kNone) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void FoldedTable::BuildDistinct(const std::vector<std::uint64_t>& hashes) {
  Clear();
  const std::size_t n = hashes.size();
  Reserve(n);
  const std::size_t mask = slots_.size() - 1;
  // Index by home slot: a counting sort on the slot number, 11 bits a pass.
  std::vector<std::uint32_t> order(n), tmp(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  int bits = 0;
  while ((std::size_t{1} << bits) < slots_.size()) ++bits;
  std::vector<std::uint32_t> count;
  for (int shift = 0; shift < bits; shift += 11) {
    const int width = std::min(11, bits - shift);
    count.assign((std::size_t{1} << width) + 1, 0);
    auto digit = [&](std::uint32_t i) { return ((hashes[i] & mask) >> shift) & ((std::size_t{1} << width) - 1); };
    for (std::uint32_t i : order) ++count[digit(i) + 1];
    for (std::size_t d = 1; d < count.size(); ++d) count[d] += count[d - 1];
    for (std::uint32_t i : order) tmp[count[digit(i)]++] = i;
    order.swap(tmp);
  }
  std::size_t next_free = 0;  // every slot before it (from the first home on) is taken
  for (std::uint32_t i : order) {
    const std::uint64_t h = hashes[i];
    std::size_t at = static_cast<std::size_t>(h) & mask;
    if (at < next_free) at = next_free;
    if (at > mask) {
      // Ran past the end: wrap around and probe as usual.
      at = 0;
      while (slots_[at].index != kNone) at = (at + 1) & mask;
    } else {
      next_free = at + 1;
    }
    slots_[at] = Slot{static_cast<std::uint32_t>(h >> 32), i, static_cast<std::uint32_t>(h)};
  }
  count_ = n;
}

void FoldedTable::Grow() { Reserve(slots_.empty() ? 8 : slots_.size()); }

}  // namespace fv::dupes
