#include "platform/text.h"

#include "platform/collator.h"

#include <iconv.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace fv::text {

std::size_t CharCount(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLen(s, i)) ++n;
  return n;
}

std::size_t CharPrefixBytes(std::string_view s, std::size_t n) {
  std::size_t i = 0;
  while (n > 0 && i < s.size()) {
    i += CharLen(s, i);
    --n;
  }
  return i;
}

std::string_view CutBytesSafe(std::string_view s, std::size_t max_bytes) {
  if (s.size() <= max_bytes) return s;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t l = CharLen(s, i);
    if (i + l > max_bytes) break;
    i += l;
  }
  return s.substr(0, i);
}

namespace {

// One iconv descriptor per direction and thread; iconv_t is not thread safe.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv_open ") + from + " -> " + to);
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts in to out; on an unconvertible or invalid sequence, emits
  // `subst` and skips skip(in, pos) bytes.
  template <typename Skip>
  std::string Run(std::string_view in, std::string_view subst, Skip skip) {
    std::string out;
    out.resize(in.size() * 2 + 16);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    while (src_left > 0) {
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        size_t used = dst - out.data();
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dst_left = out.size() - used;
        continue;
      }
      // EILSEQ or EINVAL: substitute and step over the bad character.
      if (dst_left < subst.size()) {
        size_t used = dst - out.data();
        out.resize(out.size() * 2 + subst.size());
        dst = out.data() + used;
        dst_left = out.size() - used;
      }
      std::memcpy(dst, subst.data(), subst.size());
      dst += subst.size();
      dst_left -= subst.size();
      size_t n = skip(std::string_view(src, src_left));
      if (n > src_left) n = src_left;
      src += n;
      src_left -= n;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(dst - out.data());
    return out;
  }

 private:
  iconv_t cd_;
};

std::size_t Utf8SeqLen(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  if (n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  return n;
}

std::size_t Cp932SeqLen(std::string_view s) { return CharLen(s, 0); }

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

Iconv& ToCp932() {
  thread_local Iconv cv("CP932", "UTF-8");
  return cv;
}
Iconv& FromCp932() {
  thread_local Iconv cv("UTF-8", "CP932");
  return cv;
}
Iconv& Cp932ToU16() {
  thread_local Iconv cv("UTF-16LE", "CP932");
  return cv;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return ToCp932().Run(utf8, "?", Utf8SeqLen);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  return FromCp932().Run(cp932, "?", Cp932SeqLen);
}

namespace {

// Every cp932 character as the converter turns it into UTF-16, gathered
// once, so that texts are widened by table (sorts widen hundreds of
// thousands of names).
class Cp932Widening {
 public:
  static constexpr char16_t kBad = 0xFFFF;   // the converter refuses it: "?"
  static constexpr char16_t kSlow = 0xFFFE;  // not one unit: ask the converter

  static const Cp932Widening& Get() {
    static const Cp932Widening table;
    return table;
  }
  char16_t Single(unsigned char c) const { return single_[c]; }
  char16_t Pair(unsigned char lead, unsigned char trail) const { return pairs_[lead << 8 | trail]; }

 private:
  Cp932Widening() : pairs_(65536, kBad) {
    Iconv cv("UTF-16LE", "CP932");
    auto widen = [&cv](std::string_view bytes) -> char16_t {
      // Substitutes are told apart from a real "?" by a NUL in their place.
      std::string u = cv.Run(bytes, std::string_view("\0\0\0", 3), Cp932SeqLen);
      if (u.size() == 3 && u == std::string_view("\0\0\0", 3)) return kBad;
      if (u.size() != 2) return kSlow;
      char16_t c = static_cast<char16_t>(static_cast<unsigned char>(u[0]) | static_cast<unsigned char>(u[1]) << 8);
      return c == kBad || c == kSlow ? kSlow : c;
    };
    for (int c = 0; c < 256; ++c) {
      const char b = static_cast<char>(c);
      single_[c] = IsLeadByte(static_cast<unsigned char>(c)) ? kSlow : widen(std::string_view(&b, 1));
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0; trail < 256; ++trail) {
        const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        pairs_[static_cast<std::size_t>(lead << 8 | trail)] = widen(std::string_view(two, 2));
      }
    }
  }

  char16_t single_[256];
  std::vector<char16_t> pairs_;
};

}  // namespace

std::u16string Cp932ToUtf16(std::string_view cp932) {
  std::u16string out;
  if (IsAscii(cp932)) {
    out.assign(cp932.begin(), cp932.end());
    return out;
  }
  const Cp932Widening& table = Cp932Widening::Get();
  out.reserve(cp932.size());
  const std::size_t n = cp932.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = static_cast<unsigned char>(cp932[i]);
    char16_t u;
    if (IsLeadByte(c) && i + 1 < n) {
      u = table.Pair(c, static_cast<unsigned char>(cp932[i + 1]));
      i += 2;
    } else if (IsLeadByte(c)) {
      u = Cp932Widening::kBad;  // cut off at the end
      ++i;
    } else {
      u = table.Single(c);
      ++i;
    }
    if (u == Cp932Widening::kSlow) {
      // Rare: the whole text through the converter.
      std::string bytes = Cp932ToU16().Run(cp932, std::string_view("?\0", 2), Cp932SeqLen);
      out.resize(bytes.size() / 2);
      std::memcpy(out.data(), bytes.data(), out.size() * 2);
      return out;
    }
    out.push_back(u == Cp932Widening::kBad ? u'?' : u);
  }
  return out;
}

// ---- casing -------------------------------------------------------------

void ToLowerInPlace(std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c) && i + 1 < s.size()) {
      unsigned char t = static_cast<unsigned char>(s[i + 1]);
      if (c == 0x82 && t >= 0x60 && t <= 0x79) s[i + 1] = static_cast<char>(t + 0x21);
      i += 2;
    } else {
      if (c >= 'A' && c <= 'Z') s[i] = static_cast<char>(c + 32);
      ++i;
    }
  }
}

void ToUpperInPlace(std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c) && i + 1 < s.size()) {
      unsigned char t = static_cast<unsigned char>(s[i + 1]);
      if (c == 0x82 && t >= 0x81 && t <= 0x9A) s[i + 1] = static_cast<char>(t - 0x21);
      i += 2;
    } else {
      if (c >= 'a' && c <= 'z') s[i] = static_cast<char>(c - 32);
      ++i;
    }
  }
}

std::string ToLower(std::string_view s) {
  std::string r(s);
  ToLowerInPlace(r);
  return r;
}

std::string ToUpper(std::string_view s) {
  std::string r(s);
  ToUpperInPlace(r);
  return r;
}

// ---- search -------------------------------------------------------------

std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  // Walk character boundaries; compare at each.
  std::size_t i = 0;
  while (i < from && i < hay.size()) i += CharLen(hay, i);
  for (; i + needle.size() <= hay.size(); i += CharLen(hay, i)) {
    if (hay[i] == needle[0] && std::memcmp(hay.data() + i, needle.data(), needle.size()) == 0) return i;
  }
  return std::string_view::npos;
}

// ---- collation ----------------------------------------------------------

icu::Collator& JapaneseCollator() {
  thread_local std::unique_ptr<icu::Collator> coll = [] {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale::getJapanese(), err));
    if (U_FAILURE(err) || !c) throw std::runtime_error("ICU Japanese collator unavailable");
    return c;
  }();
  return *coll;
}

namespace {

icu::Collator& Collator() { return JapaneseCollator(); }


int CompareU16(const std::u16string& a, const std::u16string& b) {
  UErrorCode err = U_ZERO_ERROR;
  UCollationResult r = Collator().compare(a.data(), static_cast<int32_t>(a.size()), b.data(),
                                          static_cast<int32_t>(b.size()), err);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

}  // namespace

int Compare(std::string_view a, std::string_view b) {
  return CompareU16(Cp932ToUtf16(a), Cp932ToUtf16(b));
}

int CompareNoCase(std::string_view a, std::string_view b) {
  return CompareU16(Cp932ToUtf16(ToLower(a)), Cp932ToUtf16(ToLower(b)));
}

void AppendSortKey(std::string_view s, std::string& out, bool no_case) {
  std::u16string u = no_case ? Cp932ToUtf16(ToLower(s)) : Cp932ToUtf16(s);
  std::size_t base = out.size();
  out.resize(base + u.size() * 4 + 32);
  for (;;) {
    int32_t cap = static_cast<int32_t>(out.size() - base);
    int32_t need = Collator().getSortKey(u.data(), static_cast<int32_t>(u.size()),
                                         reinterpret_cast<uint8_t*>(out.data() + base), cap);
    if (need <= cap) {
      // The key ends with a NUL byte; drop it so keys concatenate cleanly.
      out.resize(base + (need > 0 ? need - 1 : 0));
      return;
    }
    out.resize(base + need);
  }
}

std::string SortKey(std::string_view s) {
  std::string k;
  AppendSortKey(s, k, false);
  return k;
}

std::string SortKeyNoCase(std::string_view s) {
  std::string k;
  AppendSortKey(s, k, true);
  return k;
}

}  // namespace fv::text
