#include <gtest/gtest.h>

#include <algorithm>

#include "browse/comments.h"
#include "browse/hierarchy.h"
#include "browse/search.h"
#include "core/browse_fixture.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {
namespace {

using test::Sj;

DosTime At(int y, int mo, int d) { return PackDosTime({y, mo, d, 12, 0, 0}); }

class SearchTest : public ::testing::Test {
 protected:
  // The settings written here must not reach later tests.
  void TearDown() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
  }
  void SetUp() override {
    dir = test::MakeTempDir();
    ASSERT_TRUE(cat.CreateCatalog(dir + "/Default.fvd"));
    ASSERT_TRUE(test::StoreTree(cat, {{-1, kKindOptical, "DISC1", 0, At(2005, 1, 1)},
                                      {0, kKindFolder, "tea", 0, At(2003, 1, 1)},
                                      {0, kKindFile, "a.txt", 10, At(2004, 1, 1)},
                                      {0, kKindFile, "b.TXT", 3000000000.0, At(2004, 6, 1)},
                                      {0, kKindFile, "empty.bin", 0, At(2004, 7, 1)},
                                      {1, kKindFile, "a.txt.bak", 5, At(2004, 2, 1)},
                                      {1, kKindFile, "teapot", 6, At(2004, 3, 1)},
                                      {1, kKindFile, "team", 7, At(2004, 4, 1)},
                                      {1, kKindFile, "xyz", 8, At(2004, 5, 1)}}));
    ASSERT_TRUE(test::StoreTree(cat, {{-1, kKindFixed, "TXTDISC", 0, At(2006, 1, 1)},
                                      {0, kKindFile, "potato.txt", 1, At(2004, 1, 1)}}));
  }
  std::vector<std::string> Find(SearchConditions c) {
    if (!c.name_case) {
      c.first_name = text::ToLower(c.first_name);
      c.second_name = text::ToLower(c.second_name);
    }
    RowList results;
    RunSearch(browser, c, {0, 1}, results);
    std::vector<std::string> names;
    for (const TRecord& r : results) names.push_back(r.Name);
    std::sort(names.begin(), names.end());
    return names;
  }
  SearchConditions Name(const std::string& pattern) {
    SearchConditions c;
    c.name_on = true;
    c.first_name = pattern;
    return c;
  }
  using V = std::vector<std::string>;

  test::PlatformScope scope;
  std::string dir;
  Catalog cat;
  Browser browser{cat};
};

TEST_F(SearchTest, WildcardNamesCaseInsensitive) {
  EXPECT_EQ(Find(Name("*.txt")), (V{"a.txt", "b.TXT", "potato.txt"}));
  EXPECT_EQ(Find(Name("tea*")), (V{"team", "teapot"}));  // the folder tea is no file
  EXPECT_EQ(Find(Name("?ea")), V{});
  EXPECT_EQ(Find(Name("x?z")), V{"xyz"});
  EXPECT_EQ(Find(Name("*")).size(), 8u);
  SearchConditions exact = Name("B.txt");
  exact.name_case = true;
  EXPECT_EQ(Find(exact), V{});
}

TEST_F(SearchTest, KindRestriction) {
  SearchConditions c = Name("*t*");
  c.folders_too = true;  // folders and the media roots too
  EXPECT_EQ(Find(c), (V{"TXTDISC", "a.txt", "a.txt.bak", "b.TXT", "empty.bin", "potato.txt", "tea", "team", "teapot"}));
  c.folders_only = true;
  EXPECT_EQ(Find(c), V{"tea"});
  EXPECT_EQ(Find(Name("?ea")), V{});
  c = Name("?ea");
  c.folders_too = true;
  EXPECT_EQ(Find(c), V{"tea"});
}

TEST_F(SearchTest, PartialNamesWithAndOr) {
  SearchConditions c = Name("txt");
  c.partial = true;
  EXPECT_EQ(Find(c), (V{"a.txt", "a.txt.bak", "b.TXT", "potato.txt"}));
  c = Name("tea");
  c.partial = true;
  c.second_name = "pot";
  c.names_and = true;
  EXPECT_EQ(Find(c), V{"teapot"});
  c.names_and = false;
  EXPECT_EQ(Find(c), (V{"potato.txt", "team", "teapot"}));
}

TEST_F(SearchTest, SizeTimeMarkAndComment) {
  SearchConditions c;
  c.size_on = true;
  c.size_min = 0;
  c.size_max = 3e9;  // the largest file of the ranges stands for 2147483647
  EXPECT_EQ(Find(c).size(), 8u);  // the empty file and the file over 2 GiB included
  c.size_min = 6;
  c.size_max = 8;
  EXPECT_EQ(Find(c), (V{"team", "teapot", "xyz"}));
  SearchConditions t;
  t.time_on = true;
  t.time_min = At(2004, 3, 1);
  t.time_max = At(2004, 4, 1);
  EXPECT_EQ(Find(t), (V{"team", "teapot"}));
  t.time_min = At(2005, 1, 1);  // start after end: nothing
  EXPECT_EQ(Find(t), V{});

  RowList rows;
  browser.BuildFileList(MakeEntryId(0, 1));
  TRecord& teapot = browser.file_list[1];
  ASSERT_TRUE(RegisterComment(cat, teapot, Sj("Green Tea")));
  cat.SetMark(0, MakeEntryId(0, 2));  // a.txt
  SearchConditions m;
  m.marked_only = true;
  EXPECT_EQ(Find(m), V{"a.txt"});
  SearchConditions all;
  all.comment_on = true;
  all.comment_and = true;
  EXPECT_EQ(Find(all), V{"teapot"});
  SearchConditions sub = all;
  sub.comment_substring = true;
  sub.comment_text = "green";
  EXPECT_EQ(Find(sub), V{"teapot"});
  sub.comment_case = true;
  EXPECT_EQ(Find(sub), V{});
  SearchConditions either = Name("x?z");
  either.comment_on = true;
  either.comment_and = false;
  EXPECT_EQ(Find(either), (V{"teapot", "xyz"}));
  either.first_name = "*.txt";  // a star and an ending: the comment still adds its entry
  EXPECT_EQ(Find(either), (V{"a.txt", "b.TXT", "potato.txt", "teapot"}));
}

TEST_F(SearchTest, RunTextsResultsAndFormatting) {
  std::vector<std::pair<int, std::string>> panel;
  RowList results;
  int n = RunSearch(browser, Name("*.txt"), {1, 0}, results,
                    [&](int p, const std::string& t) { panel.push_back({p, t}); });
  EXPECT_EQ(n, 3);
  EXPECT_EQ(panel[0], (std::pair<int, std::string>{0, ""}));
  EXPECT_EQ(panel[1].second, Sj("検索中...(1/2メディア中、0件検出)"));
  EXPECT_EQ(panel[2].second, Sj("検索中...(2/2メディア中、1件検出)"));
  EXPECT_EQ(panel.back().second, Sj("3 件検出"));
  EXPECT_EQ(results[0].ParentPath, "TXTDISC");
  ExtensionImages images;
  SortState sort;
  FormatSearchResults(browser, results, images, sort);
  EXPECT_EQ(results[0].Name, "a.txt");
  EXPECT_EQ(results[0].Text(kSearchColPath), "DISC1");
  EXPECT_EQ(results[2].Parent, 2);  // a row knows its position
  panel.clear();
  ClickSearchColumn(results, sort, kSearchColSize, false,
                    [&](int p, const std::string& t) { panel.push_back({p, t}); });
  EXPECT_EQ(results[0].Name, "potato.txt");  // 1 byte
  EXPECT_EQ(results[0].Parent, 0);
  EXPECT_EQ(panel.front().second, Sj("ソート中..."));
  EXPECT_EQ(panel.back().second, "");
}

// Every hit carries its own folder path and full name, long names included,
// however the hits fall across folders and media.
TEST_F(SearchTest, ResultRowsKeepTheirPathsAndLongNames) {
  const std::string long1 = std::string(100, 'L') + ".txt";
  const std::string long2 = std::string(120, 'M') + ".TXT";
  ASSERT_TRUE(test::StoreTree(cat, {{-1, kKindFixed, "LONGDISC"},
                                    {0, kKindFolder, "A"},
                                    {0, kKindFolder, "B"},
                                    {0, kKindFile, "r.txt", 1},
                                    {1, kKindFile, long1, 2},
                                    {1, kKindFile, "s.txt", 3},
                                    {2, kKindFolder, "C"},
                                    {2, kKindFile, "t.txt", 4},
                                    {6, kKindFile, long2, 5},
                                    {6, kKindFile, "u.txt", 6}}));
  RowList results;
  ASSERT_EQ(RunSearch(browser, Name("*.txt"), {2, 1}, results), 7);
  std::vector<std::pair<std::string, std::string>> rows;
  for (const TRecord& r : results) rows.emplace_back(r.ParentPath, r.Name);
  const std::vector<std::pair<std::string, std::string>> want{
      {"LONGDISC", "r.txt"},        {"LONGDISC\\A", long1},      {"LONGDISC\\A", "s.txt"},
      {"LONGDISC\\B", "t.txt"},     {"LONGDISC\\B\\C", long2},  {"LONGDISC\\B\\C", "u.txt"},
      {"TXTDISC", "potato.txt"}};
  EXPECT_EQ(rows, want);
}

TEST_F(SearchTest, FormValidationAndControls) {
  SearchForm f;
  const DateTime now{2010, 5, 20, 8, 30, 0};
  f.Show(cat, "", now);
  EXPECT_EQ(f.media.size(), 2u);
  EXPECT_EQ(f.CounterText(), "2/2");
  EXPECT_EQ(f.media[0].texts[5], "CD/DVD");
  EXPECT_EQ(f.size_min_text, "0");
  EXPECT_EQ(f.size_max_text, "2147483647");
  EXPECT_EQ(f.SizeMaxLabel(), Sj("Byte以上"));
  f.size_max_text = "100";
  f.MaxTyped();
  EXPECT_EQ(f.SizeMaxLabel(), "Byte");
  EXPECT_EQ(f.start.year, 2004);
  EXPECT_EQ(f.end.month, 7);
  f.PastDays(7, now);
  EXPECT_EQ(f.start.day, 13);
  EXPECT_EQ(f.start.hour, 8);
  f.PastDays(21, now);
  EXPECT_EQ(f.start.month, 4);
  EXPECT_EQ(f.start.day, 29);

  f.name_on = true;
  f.first_name = "";
  EXPECT_FALSE(f.Press());
  f.first_name = "a*";
  f.partial = true;
  EXPECT_FALSE(f.Press());
  f.partial = false;
  f.CheckAll(false);
  EXPECT_FALSE(f.Press());
  f.CheckAll(true);
  f.name_on = f.size_on = f.time_on = f.comment_on = false;
  EXPECT_FALSE(f.Press());
  f.comment_on = true;
  f.comment_all = false;
  f.comment_text = "";
  EXPECT_FALSE(f.Press());
  EXPECT_EQ(scope.messages.TextsUtf8(),
            "検索するﾌｧｲﾙ(ﾌｫﾙﾀﾞ)名が不明です\n部分一致検索にワイルドカードの指定は出来ません\n"
            "検索対象メディアが指定されていません\n検索条件が指定されていません\n検索するｺﾒﾝﾄ文字列が不明です\n");
  f.comment_text = "Memo";
  auto c = f.Press();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->comment_text, "memo");
  EXPECT_EQ(ReadSettingString(SettingKey::REG_SearchInfoCommentStr), "Memo");
  f.folders_only = true;
  EXPECT_FALSE(f.Enables().folders_too);
  EXPECT_TRUE(f.Enables().comment_text);

  f.SortMedia(0);  // the first click sorts descending
  EXPECT_EQ(f.media[0].texts[0], "TXTDISC");
  EXPECT_EQ(f.MediaHeaderImage(0), 15);
  f.SortMedia(6);
  EXPECT_EQ(f.MediaHeaderImage(6), 14);
  EXPECT_EQ(f.ChosenMedia(), (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace fv
