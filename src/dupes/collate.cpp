#include "dupes/collate.h"

#include "platform/collator.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>
#include <stdexcept>

#include "dupes/keys.h"
#include "platform/text.h"

namespace fv::dupes {

// The same collator as the text services use: the Japanese locale with its
// default strength. One per thread, made on first use (making one costs far
// more than a sort of a few keys).
struct NoCaseCollator::Impl {
  icu::Collator* coll = nullptr;
  icu::Collator& Get();
};

namespace {

// Sort keys of printable ASCII text built without the collator: for such
// text the collator writes each character's primary weight in turn, then
// level separators and common weights that depend only on the length. The
// tables are taken from the collator and checked against it on sample
// texts; when anything differs, every key comes from the collator.
struct AsciiKeys {
  bool ok = false;
  std::string primary[128];
  std::vector<std::string> tail;  // by length

  static const AsciiKeys& Get() {
    static const AsciiKeys k;
    return k;
  }

  static std::string IcuKey(icu::Collator& c, const std::u16string& u) {
    std::string out(u.size() * 4 + 32, '\0');
    for (;;) {
      int32_t need = c.getSortKey(u.data(), static_cast<int32_t>(u.size()), reinterpret_cast<uint8_t*>(out.data()),
                                  static_cast<int32_t>(out.size()));
      if (need <= static_cast<int32_t>(out.size())) {
        out.resize(need > 0 ? static_cast<std::size_t>(need - 1) : 0);
        return out;
      }
      out.resize(static_cast<std::size_t>(need));
    }
  }

  bool Build(std::string_view s, std::string& out) const {
    if (s.size() >= tail.size()) return false;
    // Each weight is copied as a whole word and the pointer moved on by
    // its length, so the room has a word to spare.
    const std::size_t at = out.size();
    const std::string& end = tail[s.size()];
    out.resize(at + s.size() * longest + sizeof(Weight::bytes) + end.size());
    char* p = out.data() + at;
    for (char c : s) {
      const Weight& w = weights[static_cast<unsigned char>(c)];
      std::memcpy(p, w.bytes, sizeof w.bytes);
      p += w.len;
    }
    std::memcpy(p, end.data(), end.size());
    p += end.size();
    out.resize(static_cast<std::size_t>(p - out.data()));
    return true;
  }
  struct Weight {
    char bytes[8];
    std::size_t len;
  };
  Weight weights[128] = {};
  std::size_t longest = 0;

  AsciiKeys() {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale::getJapanese(), err));
    if (U_FAILURE(err) || !c) return;
    // Tails from runs of "a", whose primary is known from "a" alone.
    std::string a_key = IcuKey(*c, u"a");
    std::string a_primary;
    // The primary part of a key ends at the first level separator 0x01.
    auto primary_of = [](const std::string& key) { return key.substr(0, key.find('\x01')); };
    a_primary = primary_of(a_key);
    if (a_primary.empty()) return;
    for (std::size_t n = 0; n <= 600; ++n) {
      std::u16string run(n, u'a');
      std::string key = IcuKey(*c, run);
      std::string want;
      for (std::size_t i = 0; i < n; ++i) want += a_primary;
      if (key.compare(0, want.size(), want) != 0) return;
      tail.push_back(key.substr(want.size()));
    }
    for (int ch = 0x20; ch < 0x7F; ++ch) {
      if (ch >= 'A' && ch <= 'Z') continue;
      std::string key = IcuKey(*c, std::u16string(1, static_cast<char16_t>(ch)));
      if (key.size() < tail[1].size() || key.compare(key.size() - tail[1].size(), std::string::npos, tail[1]) != 0)
        return;
      primary[ch] = key.substr(0, key.size() - tail[1].size());
      if (primary[ch].empty()) return;  // an ignorable character would break the rule
      if (primary[ch].size() > sizeof(Weight::bytes)) return;
      std::memcpy(weights[ch].bytes, primary[ch].data(), primary[ch].size());
      weights[ch].len = primary[ch].size();
      longest = std::max(longest, primary[ch].size());
    }
    // Check on sample texts: every pair of characters, then longer mixes.
    std::vector<std::string> samples;
    for (int x = 0x20; x < 0x7F; ++x)
      for (int y = 0x20; y < 0x7F; ++y)
        if (!(x >= 'A' && x <= 'Z') && !(y >= 'A' && y <= 'Z'))
          samples.push_back(std::string{static_cast<char>(x), static_cast<char>(y)});
    std::uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
      seed = seed * 1103515245u + 12345u;
      std::size_t len = (seed >> 16) % (i < 2900 ? 40 : 600);
      std::string t;
      for (std::size_t j = 0; j < len; ++j) {
        seed = seed * 1103515245u + 12345u;
        char ch = static_cast<char>(0x20 + (seed >> 16) % 95);
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
        t.push_back(ch);
      }
      samples.push_back(t);
    }
    ok = true;
    for (const std::string& t : samples) {
      std::string fast;
      if (!Build(t, fast) || fast != IcuKey(*c, std::u16string(t.begin(), t.end()))) {
        ok = false;
        return;
      }
    }
  }
};

}  // namespace

NoCaseCollator::NoCaseCollator() : impl_(new Impl) {}

icu::Collator& NoCaseCollator::Impl::Get() {
  if (!coll) coll = &text::JapaneseCollator();
  return *coll;
}

NoCaseCollator::~NoCaseCollator() { delete impl_; }

bool NoCaseCollator::AsciiFastPath() { return AsciiKeys::Get().ok; }

void NoCaseCollator::Widen(std::string_view s, std::u16string& out) {
  folded_.clear();
  AppendFolded(s, folded_);
  bool ascii = true;
  for (char c : folded_)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii)
    out.assign(folded_.begin(), folded_.end());
  else
    out = text::Cp932ToUtf16(folded_);
}

void NoCaseCollator::AppendKey(std::string_view s, std::string& out) {
  folded_.clear();
  AppendFolded(s, folded_);
  AppendFoldedKey(folded_, out);
}

void NoCaseCollator::AppendFoldedKey(std::string_view folded, std::string& out) {
  const AsciiKeys& fast = AsciiKeys::Get();
  bool ascii = true, printable = true;
  for (char c : folded) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = printable = false;
      break;
    }
    if (c < 0x20 || c > 0x7E) printable = false;
  }
  if (fast.ok && printable && fast.Build(folded, out)) return;
  if (ascii)
    a_.assign(folded.begin(), folded.end());
  else
    a_ = text::Cp932ToUtf16(folded);
  std::size_t base = out.size();
  out.resize(base + a_.size() * 4 + 32);
  for (;;) {
    int32_t cap = static_cast<int32_t>(out.size() - base);
    int32_t need = impl_->Get().getSortKey(a_.data(), static_cast<int32_t>(a_.size()),
                                           reinterpret_cast<uint8_t*>(out.data() + base), cap);
    if (need <= cap) {
      out.resize(base + (need > 0 ? need - 1 : 0));  // without the closing NUL
      return;
    }
    out.resize(base + need);
  }
}

int NoCaseCollator::Compare(std::string_view a, std::string_view b) {
  Widen(a, a_);
  Widen(b, b_);
  UErrorCode err = U_ZERO_ERROR;
  UCollationResult r = impl_->Get().compare(a_.data(), static_cast<int32_t>(a_.size()), b_.data(),
                                            static_cast<int32_t>(b_.size()), err);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

}  // namespace fv::dupes
