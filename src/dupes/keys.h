#pragma once
// Keys of the duplicate and similar searches: case folding, hashing of
// folded keys, the separator set and the cutting of names into words.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fv::dupes {

// Most separator characters a run uses (a double-byte character counts once).
constexpr std::size_t kMaxSeparatorChars = 24;
// Most words one name can yield.
constexpr std::size_t kMaxWordsPerName = 257;

// Appends the lower-cased form of s to out (the system casing of cp932:
// ASCII and full-width Latin capitals fold, trail bytes never change).
void AppendFolded(std::string_view s, std::string& out);

// Two keys are the same key when their lower-cased forms are equal.
bool SameKey(std::string_view a, std::string_view b);
// True when s lower-cased equals folded (already lower-cased).
bool FoldsTo(std::string_view s, std::string_view folded);

// Hash of bytes; used on lower-cased keys so equal keys hash alike.
std::uint64_t HashBytes(std::string_view s);

// The set of characters that cut a name into words. Holds the first 24
// characters of the text it was made from; a double-byte separator matches
// only the same two bytes.
class SeparatorSet {
 public:
  SeparatorSet() = default;
  explicit SeparatorSet(std::string_view text);

  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  // True when the character starting at s[pos] (len bytes) is a separator.
  bool IsSeparator(const char* c, std::size_t len) const {
    unsigned char b0 = static_cast<unsigned char>(c[0]);
    if (len == 1) return single_[b0];
    std::uint16_t v = static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(c[1]));
    for (std::uint16_t d : doubles_)
      if (d == v) return true;
    return false;
  }

 private:
  bool single_[256] = {};
  std::vector<std::uint16_t> doubles_;
  std::size_t count_ = 0;
};

// Everything of a file name before its extension: the extension starts at
// the last "." that follows the last "\" or ":"; ".profile" leaves "".
std::string_view WithoutExtension(std::string_view name);

// The keys of a name in similar mode, in order of appearance, as views into
// name. kind is the entry's kind (the extension is dropped for files only).
// An empty set gives the whole name as the only key.
void CutWords(std::string_view name, int kind, const SeparatorSet& set, std::vector<std::string_view>& words);
std::vector<std::string> CutWords(std::string_view name, int kind, const SeparatorSet& set);

// An open-addressing table of indexes keyed by case-folded text. The
// owner keeps the texts; key_of(index) gives the text of an index.
class FoldedTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  void Clear();
  void Reserve(std::size_t n);
  std::size_t size() const { return count_; }

  // Finds the index whose key lower-cases to folded; hash = HashBytes(folded).
  template <typename KeyOf>
  std::uint32_t Find(std::string_view folded, std::uint64_t hash, KeyOf key_of) const {
    if (slots_.empty()) return kNone;
    std::size_t mask = slots_.size() - 1;
    std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.index == kNone) return kNone;
      if (s.tag == tag && FoldsTo(key_of(s.index), folded)) return s.index;
    }
  }
  // Fills an empty table with indexes 0 .. hashes.size() - 1, whose keys
  // are known to be distinct. Places them in the order of their home slots,
  // so that the table is written front to back.
  void BuildDistinct(const std::vector<std::uint64_t>& hashes);
  // Brings the slot of a hash into the cache ahead of use.
  void Prefetch(std::uint64_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[static_cast<std::size_t>(hash) & (slots_.size() - 1)]);
  }
  // Adds index unless its key is present already (one probe sequence).
  template <typename KeyOf>
  void InsertIfAbsent(std::uint32_t index, std::string_view folded, std::uint64_t hash, KeyOf key_of) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    std::size_t mask = slots_.size() - 1;
    std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    for (; slots_[i].index != kNone; i = (i + 1) & mask)
      if (slots_[i].tag == tag && FoldsTo(key_of(slots_[i].index), folded)) return;
    slots_[i] = Slot{tag, index, static_cast<std::uint32_t>(hash)};
    ++count_;
  }

 private:
  struct Slot {
    std::uint32_t tag;
    std::uint32_t index;
    std::uint32_t low;
  };
  void Grow();
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace fv::dupes
