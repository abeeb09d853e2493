#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <unicode/unistr.h>

#include "platform/text.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

TEST(Cp932, RoundTripsJapaneseAndSubstitutesWhatItCannotHold) {
  EXPECT_EQ(Sj("あいう"), "\x82\xa0\x82\xa2\x82\xa4");
  EXPECT_EQ(text::Cp932ToUtf8(Sj("日本語のファイル名.txt")), "日本語のファイル名.txt");
  // Half-width katakana, NEC specials and IBM extensions survive the trip.
  for (const char* s : {"ｱｲｳｴｵ", "①②③", "髙﨑", "～∥－"}) EXPECT_EQ(text::Cp932ToUtf8(Sj(s)), s) << s;
  EXPECT_EQ(Sj("a😀b"), "a?b");
  EXPECT_EQ(Sj("caf\xc3\xa9"), "caf?");     // é has no cp932 form
  EXPECT_EQ(Sj("x\xff\xfey"), "x??y");      // invalid UTF-8 is kept as "?"
  EXPECT_EQ(text::Cp932ToUtf8("a\x85\x40z"), "a?z");  // unassigned code
  EXPECT_EQ(text::Cp932ToUtf16(Sj("aあ")), u"aあ");
}

// Widening to UTF-16 goes by a table; it must give what the converter
// gives, for every code and for invalid and cut-off sequences.
TEST(Cp932, WideningAgreesWithTheConverterForEveryCode) {
  auto via_utf8 = [](const std::string& s) {
    std::string u8 = text::Cp932ToUtf8(s);
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(u8);
    return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()), static_cast<std::size_t>(u.length()));
  };
  for (int a = 0; a < 256; ++a) {
    std::string one(1, static_cast<char>(a));
    ASSERT_EQ(text::Cp932ToUtf16("x" + one), via_utf8("x" + one)) << a;  // a lead byte cut off at the end
    for (int b = 0; b < 256; ++b) {
      std::string two = "x" + one + std::string(1, static_cast<char>(b)) + "y";
      ASSERT_EQ(text::Cp932ToUtf16(two), via_utf8(two)) << a << " " << b;
    }
  }
}

TEST(Cp932, StepsByCharacter) {
  std::string s = Sj("aソb表");  // ソ = 83 5C, 表 = 95 5C: trail bytes equal to '\'
  EXPECT_EQ(text::CharCount(s), 4u);
  EXPECT_EQ(text::CharPrefixBytes(s, 2), 3u);
  EXPECT_EQ(text::CutBytesSafe(s, 2), "a");  // never splits ソ
  EXPECT_EQ(text::CutBytesSafe(s, 3), Sj("aソ"));
  EXPECT_EQ(text::CharCount("\x82"), 1u);  // lone lead byte at the end
}

TEST(Cp932, CasingLeavesTrailBytesAlone) {
  // Katakana whose trail bytes lie in 'A'..'Z' (0x41-0x5A): ア=8341, チ=8360? no: ソ=835C.
  std::string kata = Sj("アイウエオカキクケコサシスセソタダチ");
  bool has_upper_trail = false;
  for (std::size_t i = 1; i < kata.size(); i += 2)
    if (kata[i] >= 'A' && kata[i] <= 'Z') has_upper_trail = true;
  ASSERT_TRUE(has_upper_trail);
  EXPECT_EQ(text::ToLower(kata), kata);
  EXPECT_EQ(text::ToUpper(text::ToLower(kata)), kata);
  std::string lower_kata = Sj("ァィゥェォ");  // trail bytes 0x40.. in 'a'..'z'? keep unchanged too
  EXPECT_EQ(text::ToUpper(lower_kata), lower_kata);

  EXPECT_EQ(text::ToLower(Sj("ＡＢＣ ABC アB")), Sj("ａｂｃ abc アb"));
  EXPECT_EQ(text::ToUpper(Sj("ａｚ az ぁ")), Sj("ＡＺ AZ ぁ"));
  EXPECT_EQ(text::ToLower(Sj("Ａ")), Sj("ａ"));
}

TEST(Cp932, SearchNeverMatchesOnATrailByte) {
  std::string hay = Sj("ソ");  // 83 5C
  EXPECT_EQ(text::Find(hay, "\\"), std::string::npos);
  EXPECT_EQ(text::Find(Sj("aソ\\b"), "\\"), 3u);
  EXPECT_EQ(text::Find(Sj("ア"), "A"), std::string::npos);  // ア = 83 41
  EXPECT_TRUE(text::Contains(Sj("写真アルバム"), Sj("アルバム")));
  EXPECT_EQ(text::Find("abcabc", "bc", 2), 4u);
  EXPECT_EQ(text::Find("abc", ""), 0u);
}

TEST(Collation, CaseSensitiveAndInsensitive) {
  EXPECT_LT(text::Compare("a", "b"), 0);
  EXPECT_LT(text::Compare("a", "B"), 0);  // letters first, case second
  EXPECT_NE(text::Compare("abc", "ABC"), 0);
  EXPECT_EQ(text::CompareNoCase("abc", "ABC"), 0);
  EXPECT_EQ(text::CompareNoCase(Sj("ａｂｃ"), Sj("ＡＢＣ")), 0);
  EXPECT_NE(text::Compare(Sj("ａ"), Sj("Ａ")), 0);
  EXPECT_LT(text::Compare(Sj("あ"), Sj("い")), 0);
  EXPECT_LT(text::Compare("file1", "file2"), 0);
  EXPECT_EQ(text::Compare("same", "same"), 0);
}

TEST(Collation, SortKeysOrderLikeCompare) {
  std::vector<std::string> names;
  for (const char* s : {"b.txt", "B.txt", "a.TXT", "あ", "ア", "ｱ", "10", "9", "Zeta", "zeta", "日本", "_x", "ぁ"})
    names.push_back(Sj(s));
  for (bool nocase : {false, true}) {
    for (const auto& a : names)
      for (const auto& b : names) {
        int c = nocase ? text::CompareNoCase(a, b) : text::Compare(a, b);
        std::string ka = nocase ? text::SortKeyNoCase(a) : text::SortKey(a);
        std::string kb = nocase ? text::SortKeyNoCase(b) : text::SortKey(b);
        int k = ka < kb ? -1 : ka > kb ? 1 : 0;
        EXPECT_EQ((c > 0) - (c < 0), k) << text::Cp932ToUtf8(a) << " vs " << text::Cp932ToUtf8(b);
      }
  }
}

}  // namespace
}  // namespace fv
