#include "dupes/collate.h"

#include "platform/collator.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>
#include <unicode/uniset.h>
#include <unicode/usetiter.h>

#include <algorithm>
#include <cstdint>
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

// Sort keys built without the collator for text made only of "simple"
// characters: characters the collator maps to one weight each, with common
// secondary and tertiary weights, that take part in no contraction or
// context. For such text the collator writes each character's primary
// weight in turn, then level separators and common weights that depend
// only on the number of characters. Most file names qualify: ASCII, kanji,
// plain kana. The tables are taken from the collator and checked against
// it on sample texts; when anything differs, only ASCII is kept, and when
// that differs too, every key comes from the collator.
struct SimpleKeys {
  struct Weight {
    char bytes[7];
    std::uint8_t len;  // 0: not simple
  };

  bool ok = false;
  Weight single[256] = {};
  std::vector<Weight> pairs;      // by PairIndex
  std::vector<std::string> tail;  // by number of characters
  std::size_t longest_tail = 0;

  static const SimpleKeys& Get() {
    static const SimpleKeys k;
    return k;
  }

  // Lead bytes 0x81-0x9F and 0xE0-0xFC, 256 trail bytes each.
  static std::size_t PairIndex(unsigned char lead, unsigned char trail) {
    return static_cast<std::size_t>(lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31) * 256 + trail;
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

  // The key of folded cp932 text; false (out unchanged) when a character
  // is not simple.
  bool Build(std::string_view s, std::string& out) const {
    if (!ok) return false;
    // Each weight is copied as a whole word and the pointer moved on by
    // its length, so the room has a word to spare.
    const std::size_t at = out.size();
    out.resize(at + s.size() * sizeof(Weight::bytes) + 8 + longest_tail);
    char* p = out.data() + at;
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      const Weight* w;
      if (text::IsLeadByte(c) && i + 1 < s.size()) {
        w = &pairs[PairIndex(c, static_cast<unsigned char>(s[i + 1]))];
        i += 2;
      } else {
        w = &single[c];
        ++i;
      }
      if (w->len == 0) {
        out.resize(at);
        return false;
      }
      std::memcpy(p, w->bytes, 8);  // bytes and len: the len byte is overwritten next
      p += w->len;
    }
    if (count >= tail.size()) {
      out.resize(at);
      return false;
    }
    const std::string& end = tail[count];
    std::memcpy(p, end.data(), end.size());
    p += end.size();
    out.resize(static_cast<std::size_t>(p - out.data()));
    return true;
  }

  SimpleKeys() : pairs(60 * 256) {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale::getJapanese(), err));
    if (U_FAILURE(err) || !c) return;
    // Tails from runs of "a", whose primary is known from "a" alone.
    // The primary part of a key ends at the first level separator 0x01.
    const std::string a_key = IcuKey(*c, u"a");
    const std::string a_primary = a_key.substr(0, a_key.find('\x01'));
    if (a_primary.empty()) return;
    // Longer texts (rare in names) go to the collator.
    for (std::size_t n = 0; n <= 160; ++n) {
      std::string key = IcuKey(*c, std::u16string(n, u'a'));
      std::string want;
      for (std::size_t i = 0; i < n; ++i) want += a_primary;
      if (key.compare(0, want.size(), want) != 0) return;
      tail.push_back(key.substr(want.size()));
      longest_tail = std::max(longest_tail, tail.back().size());
    }
    // Characters in a contraction or a context are never simple, unless
    // the contraction needs a character cp932 does not have.
    icu::UnicodeSet repertoire;
    auto widen_all = [&](std::string_view code) {
      std::u16string u = text::Cp932ToUtf16(code);
      if (u.size() == 1) repertoire.add(u[0]);
    };
    for (int b = 0; b < 0x100; ++b) {
      const char one = static_cast<char>(b);
      if (!text::IsLeadByte(static_cast<unsigned char>(b))) widen_all(std::string_view(&one, 1));
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead)
      for (int trail = 0x40; trail <= 0xFC && text::IsLeadByte(static_cast<unsigned char>(lead)); ++trail) {
        const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        widen_all(std::string_view(two, 2));
      }
    icu::UnicodeSet contractions;
    ucol_getContractionsAndExpansions(c->toUCollator(), contractions.toUSet(), nullptr, true, &err);
    if (U_FAILURE(err)) return;
    icu::UnicodeSet involved;
    for (icu::UnicodeSetIterator it(contractions); it.next();)
      if (repertoire.containsAll(it.getString())) involved.addAll(it.getString());

    // One character: its weight is its key less the one-character tail.
    auto weigh = [&](std::string_view code, Weight& w) {
      std::u16string u = text::Cp932ToUtf16(code);
      if (u.size() != 1 || (u[0] == u'?' && code != "?") || involved.contains(u[0])) return;
      if (u[0] >= u'A' && u[0] <= u'Z') return;  // folded text holds none
      const std::string key = IcuKey(*c, u);
      const std::string& one = tail[1];
      if (key.size() <= one.size() || key.size() - one.size() > sizeof w.bytes ||
          key.compare(key.size() - one.size(), std::string::npos, one) != 0)
        return;
      const std::string primary = key.substr(0, key.size() - one.size());
      if (primary.find('\x01') != std::string::npos || primary.find('\0') != std::string::npos) return;
      // A weight whose first byte the collator compresses in runs (it then
      // writes that byte once) does not simply follow the one before.
      if (primary.size() > 1 && IcuKey(*c, u + u) != primary + primary + tail[2]) return;
      std::memcpy(w.bytes, primary.data(), primary.size());
      w.len = static_cast<std::uint8_t>(primary.size());
    };
    std::vector<std::string> simple;  // every simple character, for the check
    for (int b = 0x20; b < 0x100; ++b) {
      if (text::IsLeadByte(static_cast<unsigned char>(b)) || b == 0x7F) continue;
      const char one = static_cast<char>(b);
      weigh(std::string_view(&one, 1), single[b]);
      if (single[b].len) simple.emplace_back(1, one);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!text::IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        Weight& w = pairs[PairIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))];
        weigh(std::string_view(two, 2), w);
        if (w.len) simple.emplace_back(two, 2);
      }
    }
    ok = Check(*c, simple);
    if (ok) return;
    // Only ASCII, then.
    std::fill(single + 0x80, single + 0x100, Weight{});
    std::fill(pairs.begin(), pairs.end(), Weight{});
    std::vector<std::string> ascii;
    for (int b = 0x20; b < 0x7F; ++b)
      if (single[b].len) ascii.emplace_back(1, static_cast<char>(b));
    ok = Check(*c, ascii);
  }

  // Keys built for sample texts of the given characters against the
  // collator's: every pair of ASCII characters, then mixes of many lengths.
  bool Check(icu::Collator& c, const std::vector<std::string>& chars) {
    ok = true;
    auto same = [&](const std::string& t) {
      std::string fast;
      return Build(t, fast) && fast == IcuKey(c, text::Cp932ToUtf16(t));
    };
    // (Each character alone gave its weight: it builds its own key.)
    for (const std::string& x : chars) {
      if (x.size() == 1 && static_cast<unsigned char>(x[0]) < 0x80)
        for (const std::string& y : chars)
          if (y.size() == 1 && static_cast<unsigned char>(y[0]) < 0x80 && !same(x + y)) return false;
    }
    std::uint32_t seed = 12345;
    auto next = [&seed] {
      seed = seed * 1103515245u + 12345u;
      return seed >> 8;
    };
    for (int i = 0; i < 3000; ++i) {
      const std::size_t len = next() % (i < 2950 ? 40 : tail.size());
      std::string t;
      for (std::size_t j = 0; j < len; ++j) t += chars[next() % chars.size()];
      if (!same(t)) return false;
    }
    return true;
  }
};

}  // namespace

NoCaseCollator::NoCaseCollator() : impl_(new Impl) {}

icu::Collator& NoCaseCollator::Impl::Get() {
  if (!coll) coll = &text::JapaneseCollator();
  return *coll;
}

NoCaseCollator::~NoCaseCollator() { delete impl_; }

bool NoCaseCollator::FastKeys() { return SimpleKeys::Get().ok; }

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
  if (SimpleKeys::Get().Build(folded, out)) return;
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
