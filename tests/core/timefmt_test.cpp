#include <gtest/gtest.h>

#include <cfloat>

#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

TEST(DosTime, PacksOnlyYears1980To2107) {
  struct Case {
    DateTime t;
    bool packs;
  } cases[] = {
      {{1979, 12, 31, 23, 59, 58}, false}, {{1980, 1, 1, 0, 0, 0}, true},
      {{2107, 12, 31, 23, 59, 58}, true},  {{2108, 1, 1, 0, 0, 0}, false},
      {{2004, 2, 30, 0, 0, 0}, false},     {{2004, 2, 29, 12, 0, 0}, true},
  };
  for (const auto& c : cases) {
    DosTime v = PackDosTime(c.t);
    EXPECT_EQ(v != 0, c.packs) << c.t.year << "-" << c.t.month << "-" << c.t.day;
    if (c.packs) {
      DateTime back;
      ASSERT_TRUE(UnpackDosTime(v, back));
      EXPECT_EQ(back.year, c.t.year);
      EXPECT_EQ(back.month, c.t.month);
      EXPECT_EQ(back.day, c.t.day);
      EXPECT_EQ(back.second, c.t.second);
    }
  }
  EXPECT_EQ(PackDosTime({1980, 1, 1, 0, 0, 0}), 0x00210000u);
  // Later times compare larger as unsigned numbers.
  EXPECT_GT(PackDosTime({2107, 1, 1, 0, 0, 0}), PackDosTime({2000, 12, 31, 23, 59, 58}));
  DateTime dummy;
  EXPECT_FALSE(UnpackDosTime(0, dummy));
  EXPECT_FALSE(UnpackDosTime(0x00000000u | (13u << 21) | (1u << 16), dummy));  // month 13
}

TEST(DosTime, FromUnixUsesLocalTime) {
  // The tests run with TZ=Asia/Tokyo (UTC+9, no summer time).
  DateTime t;
  ASSERT_TRUE(UnpackDosTime(DosTimeFromUnix(1078827300), t));  // 2004-03-09 10:15:00 UTC
  EXPECT_EQ(t.hour, 19);
  EXPECT_EQ(t.minute, 15);
  EXPECT_EQ(DosTimeFromUnix(0), 0u);  // 1970 is before 1980
  EXPECT_NE(NowDosTime(), 0u);
}

TEST(NumberText, GroupsAndRounds) {
  struct {
    double v;
    const char* text;
  } cases[] = {{0, "0"},           {999, "999"},         {1000, "1,000"},       {1234567, "1,234,567"},
               {0.5, "1"},         {1.49, "1"},          {2.5, "3"},            {-1234.5, "-1,235"},
               {5e9, "5,000,000,000"}, {4294967295.0, "4,294,967,295"}, {1e21, "1,000,000,000,000,000,000,000"}};
  for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.v), c.text) << c.v;
  std::string big = FormatNumber(DBL_MAX);
  EXPECT_EQ(big.size(), 309u + 102u);
  EXPECT_EQ(big.substr(0, 8), "179,769,");
}

TEST(DateTimePicture, TheEighteenPictures) {
  const DosTime v = PackDosTime({2004, 3, 9, 9, 5, 8});  // Heisei 16, a Tuesday
  const char* expected[18] = {
      "2004/03/09(火) 09:05",           "2004/03/09(火) 09:05:08",
      "2004/03/09 09:05",               "2004/03/09 09:05:08",
      "2004年03月09日(火) 09時05分",    "2004年03月09日(火) 09時05分08秒",
      "2004年03月09日 09時05分",        "2004年03月09日 09時05分08秒",
      "平16/03/09(火) 09:05",           "平16/03/09(火) 09:05:08",
      "平16/03/09 09:05",               "平16/03/09 09:05:08",
      "平成16年03月09日(火) 09時05分",  "平成16年03月09日(火) 09時05分08秒",
      "平成16年03月09日 09時05分",      "平成16年03月09日 09時05分08秒",
      "20040309 090508",                "20040309090508",
  };
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(text::Cp932ToUtf8(FormatDosTime(Sj(kDateTimePictures[i]), v)), expected[i]) << i;
}

TEST(DateTimePicture, ErasAndEmptyTimes) {
  const std::string pic = Sj("ggee年mm月dd日(aaa) g");
  struct {
    DateTime t;
    const char* text;
  } cases[] = {
      {{2019, 4, 30, 0, 0, 0}, "平成31年04月30日(火) 平"},
      {{2019, 5, 1, 0, 0, 0}, "令和01年05月01日(水) 令"},
      {{2026, 12, 10, 0, 0, 0}, "令和08年12月10日(木) 令"},
      {{1989, 1, 7, 0, 0, 0}, "昭和64年01月07日(土) 昭"},
      {{1989, 1, 8, 0, 0, 0}, "平成01年01月08日(日) 平"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::Cp932ToUtf8(FormatDateTime(pic, c.t)), c.text);
  EXPECT_EQ(FormatDosTime(Sj("yyyy/mm/dd"), 0), "");
  EXPECT_EQ(FormatDosTime(Sj("yyyy/mm/dd"), (24u << 25) | (2u << 21) | (31u << 16)), "");  // 2004-02-31
  // Characters that are not tokens are copied, double-byte ones whole.
  EXPECT_EQ(text::Cp932ToUtf8(FormatDosTime(Sj("[yyyy] ソ x"), PackDosTime({2000, 1, 1, 0, 0, 0}))), "[2000] ソ x");
}

}  // namespace
}  // namespace fv
