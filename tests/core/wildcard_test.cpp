#include "browse/wildcard.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

struct Case {
  const char* pattern;
  const char* text;
  bool expected;
};

// Patterns and texts already lower-cased, as the case-insensitive search
// hands them over.
TEST(WildcardMatch, WholeNamePatterns) {
  const Case cases[] = {
      {"*.txt", "a.txt", true},       {"*.txt", "b.txt", true},      {"*.txt", "a.txt.bak", false},
      {"*.txt", ".txt", true},        {"tea*", "tea", true},         {"tea*", "teapot", true},
      {"tea*", "te", false},          {"?ea", "tea", true},          {"?ea", "team", false},
      {"?ea", "ea", false},           {"x?z", "xyz", true},          {"x?z", "xz", false},
      {"x?z", "xyyz", false},         {"*", "anything.at.all", true}, {"*", "x", true},
      {"a*b*c", "aXbYc", true},       {"a*b*c", "abcbc", true},      {"a*b*c", "acb", false},
      {"*a*", "banana", true},        {"**", "z", true},             {"a", "a", true},
      {"a", "ab", false},             {"*.*", "readme", false},      {"*.*", "read.me", true},
      // Faults of the old algorithm: a star, a, a star, z accepted xaby;
      // "tea?" accepted teapot.
      {"*a*z", "xaby", false},        {"*a*z", "xabz", true},        {"tea?", "teapot", false},
      {"tea?", "teap", true},         {"*ab", "xaab", true},         {"*ab", "xabab", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.text, false), c.expected) << c.pattern << " vs " << c.text;
}

TEST(WildcardMatch, DoubleByteCharacterIsOneCharacter) {
  // "表" is 0x95 0x5C: its trail byte is a backslash; "ソ" 0x83 0x5C likewise.
  EXPECT_TRUE(WildcardMatch("?.txt", Sj("表.txt"), false));
  EXPECT_FALSE(WildcardMatch("??.txt", Sj("表.txt"), false));
  EXPECT_TRUE(WildcardMatch(Sj("*ソ*"), Sj("アソビ.doc"), false));
  EXPECT_TRUE(WildcardMatch(Sj("?ソ?"), Sj("アソビ"), false));
  // A star never ends inside a character: "*\\" cannot match the trail byte.
  EXPECT_FALSE(WildcardMatch("*\\", Sj("表"), false));
}

TEST(WildcardMatch, PartialMode) {
  EXPECT_TRUE(WildcardMatch("txt", "a.txt.bak", true));
  EXPECT_TRUE(WildcardMatch("txt", "txt", true));
  EXPECT_FALSE(WildcardMatch("txt", "tx", true));
  // Never starts on a trail byte: "\\" inside 表 is no match.
  EXPECT_FALSE(WildcardMatch("\\", Sj("表"), true));
  EXPECT_TRUE(HasWildcard("a*"));
  EXPECT_TRUE(HasWildcard("?"));
  EXPECT_FALSE(HasWildcard(Sj("表ソ")));
}

// The folded match must equal matching the lower-cased text.
TEST(WildcardMatch, FoldedMatchEqualsMatchOfTheLowerCasedText) {
  const char* patterns[] = {"*.txt", "tea*", "?ea", "*a*z", "*", "*ｂ", "*表", "*\\", "*.doc"};
  const char* texts[] = {"A.TXT", "a.txt", "b.Txt", "TEAPOT", "Tea", "XABZ", "Ａ.TXT", "ａＢ", "表", "ソ表",
                         "x.DOC", "\\", ""};
  for (const char* p : patterns)
    for (const char* t : texts) {
      std::string ps = Sj(p), ts = Sj(t);
      EXPECT_EQ(WildcardMatchFolded(ps, ts, false), WildcardMatch(ps, text::ToLower(ts), false)) << p << " " << t;
      EXPECT_EQ(WildcardMatchFolded(ps, ts, true), WildcardMatch(ps, text::ToLower(ts), true)) << p << " " << t;
    }
  EXPECT_TRUE(WildcardMatchFolded(Sj("*ｂ"), Sj("ａＢ"), false));
  EXPECT_FALSE(WildcardMatchFolded("*\\", Sj("表"), false));  // the trail byte of 表 is no character
}

TEST(WildcardMatch, EmptyTextMatchesOnlyEmptyPattern) {
  EXPECT_FALSE(WildcardMatch("*", "", false));
  EXPECT_TRUE(WildcardMatch("", "", false));
  EXPECT_FALSE(WildcardMatch("", "a", false));
}

}  // namespace
}  // namespace fv
