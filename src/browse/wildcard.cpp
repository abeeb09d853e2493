#include "browse/wildcard.h"

#include <string>

#include "platform/text.h"

namespace fv {

bool HasWildcard(std::string_view pattern) {
  // "*" and "?" never occur as the second byte of a cp932 character, so a
  // byte scan finds only real wildcards.
  return pattern.find_first_of("*?") != std::string_view::npos;
}

namespace {

// Whether `from` starts a character of t: a run of k bytes that can open a
// double-byte character right before it follows a character boundary, so
// `from` is one when k is even.
bool OnBoundary(std::string_view t, std::size_t from) {
  std::size_t k = 0;
  while (k < from && text::IsLeadByte(static_cast<unsigned char>(t[from - 1 - k]))) ++k;
  return k % 2 == 0;
}

// A star and a plain ending ("*.txt"), the commonest pattern.
bool IsStarTail(std::string_view p) {
  return p.size() > 1 && p[0] == '*' && p.find_first_of("*?", 1) == std::string_view::npos;
}

}  // namespace

bool WildcardMatchFolded(std::string_view p, std::string_view t, bool partial) {
  if (!partial && IsStarTail(p) && !t.empty()) {
    std::string_view tail = p.substr(1);
    if (tail.size() > t.size()) return false;
    const std::size_t from = t.size() - tail.size();
    if (!OnBoundary(t, from)) return false;
    // The ending starts on a character, so folding it alone is folding the
    // text's end.
    thread_local std::string end;
    end.assign(t.substr(from));
    text::ToLowerInPlace(end);
    return end == tail;
  }
  thread_local std::string folded;
  folded.assign(t);
  text::ToLowerInPlace(folded);
  return WildcardMatch(p, folded, partial);
}

bool WildcardMatch(std::string_view p, std::string_view t, bool partial) {
  if (partial) return text::Contains(t, p);
  if (t.empty()) return p.empty();
  if (!HasWildcard(p)) return p == t;
  if (IsStarTail(p)) {
    std::string_view tail = p.substr(1);
    if (tail.size() > t.size()) return false;
    const std::size_t from = t.size() - tail.size();
    return t.compare(from, tail.size(), tail) == 0 && OnBoundary(t, from);
  }

  // Greedy matching with one backtrack point: the last "*" seen. On a
  // mismatch the star takes one more character of the text and matching
  // resumes after it. Linear in practice, O(|p|·|t|) at worst.
  std::size_t pi = 0, ti = 0;
  std::size_t star_p = std::string_view::npos, star_t = 0;
  while (ti < t.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star_p = ++pi;
      star_t = ti;
      continue;
    }
    if (pi < p.size()) {
      std::size_t tl = text::CharLen(t, ti);
      if (p[pi] == '?') {
        ++pi;
        ti += tl;
        continue;
      }
      std::size_t pl = text::CharLen(p, pi);
      if (pl == tl && p[pi] == t[ti] && (pl == 1 || p[pi + 1] == t[ti + 1])) {
        pi += pl;
        ti += tl;
        continue;
      }
    }
    if (star_p == std::string_view::npos) return false;
    star_t += text::CharLen(t, star_t);
    ti = star_t;
    pi = star_p;
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace fv
