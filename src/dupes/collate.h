#pragma once
// Case-insensitive collation of keys in bulk: the order of
// text::CompareNoCase, without its per-call conversions, for the sorts of a
// detection run and of a loaded group list.

#include <string>
#include <string_view>

namespace fv::dupes {

class NoCaseCollator {
 public:
  NoCaseCollator();
  ~NoCaseCollator();
  NoCaseCollator(const NoCaseCollator&) = delete;
  NoCaseCollator& operator=(const NoCaseCollator&) = delete;

  // Appends the sort key of s (cp932; lower-cased first); comparing keys
  // bytewise gives the order of text::CompareNoCase.
  void AppendKey(std::string_view s, std::string& out);
  // The same for text that is lower-cased already.
  void AppendFoldedKey(std::string_view folded, std::string& out);
  // Negative, zero or positive as text::CompareNoCase.
  int Compare(std::string_view a, std::string_view b);

  // Whether keys of text made of simple characters (ASCII, kanji, plain
  // kana) are built without the collator (checked against it once per
  // process).
  static bool FastKeys();

 private:
  void Widen(std::string_view s, std::u16string& out);
  struct Impl;
  Impl* impl_;
  std::string folded_;
  std::u16string a_, b_;
};

}  // namespace fv::dupes
