#include "browse/wildcard.h"

#include <cstring>

#include "platform/text.h"

namespace fv {

bool HasWildcard(std::string_view pattern) {
  // "*" and "?" never occur as the second byte of a cp932 character, so a
  // byte scan finds only real wildcards.
  return pattern.find_first_of("*?") != std::string_view::npos;
}

bool WildcardMatch(std::string_view p, std::string_view t, bool partial) {
  if (partial) return text::Contains(t, p);
  if (t.empty()) return p.empty();
  if (!HasWildcard(p)) return p == t;

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
      if (pl == tl && std::memcmp(p.data() + pi, t.data() + ti, pl) == 0) {
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
