#pragma once
// Name matching of the file search: whole-name wildcard patterns and the
// partial (substring) mode. Pattern and text are cp932; the caller folds
// both to lower case for a case-insensitive search.

#include <string_view>

namespace fv {

// partial: true when the pattern occurs in the text (never starting on the
// second byte of a double-byte character).
// Otherwise the whole text must match: "*" matches any run of characters
// (also none), "?" exactly one character (a double-byte character counts
// as one), every other character itself. An empty text matches only an
// empty pattern.
bool WildcardMatch(std::string_view pattern, std::string_view text, bool partial);

// The same against the text folded to lower case (the pattern is already
// lower case); folds only what the match needs.
bool WildcardMatchFolded(std::string_view pattern, std::string_view text, bool partial);

// True when the pattern holds "*" or "?" (refused in partial mode).
bool HasWildcard(std::string_view pattern);

}  // namespace fv
