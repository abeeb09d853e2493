#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/history.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
    Platform().files->Remove(BrowsingHistory::HistoryFilePath(), err);
    Hook(h);
  }

  // Records every navigation request as text.
  void Hook(BrowsingHistory& hist) {
    hist.hooks.select_catalog_node = [this] { calls += "catalog;"; };
    hist.hooks.forget_similar_word = [this] { calls += "forget;"; };
    hist.hooks.medium_classification = [](int m) { return m == 2 ? std::string("CD") : std::string(); };
    hist.hooks.current_classification_tab = [this] { return tab; };
    hist.hooks.select_classification_tab = [this](const std::string& t) {
      tab = t;
      calls += "tab(" + t + ");";
    };
    hist.hooks.go_to_entry = [this](std::int32_t id) { calls += "go(" + std::to_string(id) + ");"; };
    hist.hooks.open_selected_row = [this] { calls += "open;"; };
  }

  static std::string U(const std::string& cp932) { return text::Cp932ToUtf8(cp932); }

  test::PlatformScope scope;
  BrowsingHistory h;
  std::string calls, tab;
};

TEST_F(HistoryTest, RecordingAppendsTruncatesAndSkipsRepeats) {
  h.ResetHistory();
  h.RecordPlace(-1000005, "A");
  h.RecordPlace(1000009, "f");
  h.RecordPlace(-1000012, "B");
  ASSERT_EQ(h.Items().size(), 4u);
  EXPECT_EQ(h.Items()[0].id, 1);
  EXPECT_EQ(h.Items()[0].caption, "Ferrovan");
  EXPECT_EQ(h.Items()[2].id, 1000009);
  EXPECT_EQ(U(h.BackHint()), "戻る[3] f");
  EXPECT_EQ(U(h.ForwardHint()), "進む[0]");

  h.Step(-1);
  h.Step(-1);
  EXPECT_EQ(U(h.ForwardHint()), "進む[2] f");
  h.RecordPlace(-1000020, "C");
  ASSERT_EQ(h.Items().size(), 3u);
  EXPECT_EQ(h.Items()[2].caption, "C");
  EXPECT_EQ(h.Position(), 2);

  // The same place twice, or the same folder as a tree node and as a row.
  h.RecordPlace(2000001, "x");
  h.RecordPlace(2000001, "x");
  h.RecordPlace(-2000003, "D");
  h.RecordPlace(2000003, "D");
  EXPECT_EQ(h.Items().size(), 5u);

  // Nothing is recorded while navigating.
  h.SetNavigating(true);
  h.RecordPlace(-7, "no");
  h.SetNavigating(false);
  EXPECT_EQ(h.Items().size(), 5u);

  h.ResetHistory();
  ASSERT_EQ(h.Items().size(), 1u);
  EXPECT_EQ(U(h.BackHint()), "戻る[0]");
  EXPECT_EQ(U(h.ForwardHint()), "進む[0]");
}

TEST_F(HistoryTest, StepNavigatesThroughTheHooks) {
  h.ResetHistory();
  h.RecordPlace(-2000004, "folder on CD");
  h.RecordPlace(3000007, "file");
  h.RecordPlace(0, "medium 0");
  calls.clear();
  h.Step(-1);  // a file-list row of medium 3 (no classification)
  EXPECT_EQ(calls, "forget;go(3000007);");
  calls.clear();
  h.Step(-1);  // a tree node on medium 2, classified "CD"
  EXPECT_EQ(calls, "forget;tab(CD);go(2000004);open;");
  calls.clear();
  h.Step(-1);
  EXPECT_EQ(calls, "catalog;");
  calls.clear();
  h.Step(-1);  // beyond the front: nothing moves
  EXPECT_EQ(calls, "");
  EXPECT_EQ(h.Position(), 0);
  EXPECT_EQ(U(h.BackHint()), "戻る[0]");
  EXPECT_EQ(U(h.ForwardHint()), "進む[3] folder on CD");
  h.Step(1);
  h.Step(1);
  calls.clear();
  h.Step(1);  // identifier 0: the root of medium 0, opened like its tree node
  EXPECT_EQ(calls, "forget;go(0);open;");
  EXPECT_EQ(h.Position(), 3);

  // A step while a step is running is ignored; recording waits for its end.
  calls.clear();
  h.hooks.go_to_entry = [this](std::int32_t) {
    h.Step(-1);
    h.RecordPlace(-99, "inside");
  };
  h.Step(-1);
  EXPECT_EQ(h.Position(), 2);
  EXPECT_EQ(h.Items().size(), 4u);
}

TEST_F(HistoryTest, HintCaptionsAreCutTo100Bytes) {
  h.ResetHistory();
  const std::string long_name = Sj(std::string(99, 'a') + "あいう");
  h.RecordPlace(5, long_name);
  h.RecordPlace(6, "x");
  EXPECT_EQ(h.BackHint(), Sj("戻る[2] ") + std::string(99, 'a'));
}

TEST_F(HistoryTest, SaveKeepsTheNewestItemsAndRestartLandsOnTheCurrentOne) {
  h.ResetHistory();
  for (int i = 1; i <= 11; ++i) h.RecordPlace(-1000000 * (i % 3) - i - 1, "item" + std::to_string(i));
  ASSERT_EQ(h.Items().size(), 12u);
  ASSERT_TRUE(h.SaveHistory());
  EXPECT_EQ(test::ReadFile(BrowsingHistory::HistoryFilePath()),
            "-1000008,item7\r\n-2000009,item8\r\n-10,item9\r\n-1000011,item10\r\n-2000012,item11\r\n");
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_HistListBefor), 2000012);

  BrowsingHistory next;
  Hook(next);
  auto r = next.LoadHistory();
  EXPECT_EQ(r.kind, BrowsingHistory::LoadResult::Loaded);
  EXPECT_EQ(r.loaded, 5);
  EXPECT_EQ(U(next.BackHint()), "戻る[4] item10");
  EXPECT_TRUE(next.Navigating());
  next.RecordPlace(-5, "start-up selection");  // not recorded before the first step
  next.Step(0);
  EXPECT_FALSE(next.Navigating());
  EXPECT_EQ(calls, "forget;tab(CD);go(2000012);open;");
  next.RecordPlace(-2000012, "same again");  // the saved magnitude holds
  EXPECT_EQ(next.Items().size(), 5u);

  // With the position in the middle, the items ahead are dropped.
  next.Step(-1);
  next.Step(-1);
  ASSERT_TRUE(next.SaveHistory());
  BrowsingHistory third;
  Hook(third);
  third.LoadHistory();
  ASSERT_EQ(third.Items().size(), 3u);
  calls.clear();
  third.Step(0);
  EXPECT_EQ(calls, "forget;go(10);open;");
}

TEST_F(HistoryTest, WhenTheFileIsNotRead) {
  const std::string path = BrowsingHistory::HistoryFilePath();
  std::string err;
  Platform().files->CreateDirs(DirName(path), err);
  test::WriteFile(path, "-5,A\r\n");
  // No saved magnitude: the file is ignored.
  EXPECT_EQ(h.LoadHistory().kind, BrowsingHistory::LoadResult::NoSavedHistory);
  EXPECT_TRUE(h.Items().empty());
  EXPECT_EQ(U(h.BackHint()), "");
  // Saving switched off: the magnitude is cleared and the file left alone.
  WriteSettingInteger(SettingKey::REG_HistListBefor, 5);
  WriteSettingInteger(SettingKey::REG_RefHistSave, 0);
  EXPECT_EQ(h.LoadHistory().kind, BrowsingHistory::LoadResult::Disabled);
  h.ResetHistory();
  h.RecordPlace(-9, "B");
  EXPECT_TRUE(h.SaveHistory());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_HistListBefor), 0);
  EXPECT_EQ(test::ReadFile(path), "-5,A\r\n");
  // A missing file: the history starts empty and the first place is item 0.
  WriteSettingInteger(SettingKey::REG_RefHistSave, 1);
  WriteSettingInteger(SettingKey::REG_HistListBefor, 5);
  Platform().files->Remove(path, err);
  BrowsingHistory fresh;
  EXPECT_EQ(fresh.LoadHistory().kind, BrowsingHistory::LoadResult::Missing);
  fresh.Step(0);
  EXPECT_EQ(U(fresh.BackHint()), "戻る[0]");
  EXPECT_EQ(U(fresh.ForwardHint()), "進む[0]");
  fresh.RecordPlace(-5, "same magnitude as saved");
  EXPECT_TRUE(fresh.Items().empty());
  fresh.RecordPlace(-6, "first");
  EXPECT_EQ(fresh.Items().size(), 1u);
  EXPECT_EQ(fresh.Position(), 0);
}

TEST_F(HistoryTest, DamagedLinesAreSkipped) {
  int skipped = 0;
  auto items = BrowsingHistory::ParseHistory(
      "12,a,b\r\nabc\r\n,x\r\n-3,\r\n99999999999,big\r\n 4,space\r\n+5,plus\n\r\n7\r\n-0,zero\r\n8,last", &skipped);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].caption, "a,b");
  EXPECT_EQ(items[1].id, -3);
  EXPECT_EQ(items[1].caption, "");
  EXPECT_EQ(items[2].id, 5);
  EXPECT_EQ(items[3].id, 0);
  EXPECT_EQ(items[4].caption, "last");
  EXPECT_EQ(skipped, 5);

  // A file with nothing usable loads as an empty history; an oversized one is refused.
  const std::string path = BrowsingHistory::HistoryFilePath();
  std::string err;
  Platform().files->CreateDirs(DirName(path), err);
  WriteSettingInteger(SettingKey::REG_HistListBefor, 5);
  test::WriteFile(path, std::string("\0\0garbage\n\xff\xfe", 13));
  auto r = h.LoadHistory();
  EXPECT_EQ(r.kind, BrowsingHistory::LoadResult::Loaded);
  EXPECT_EQ(r.loaded, 0);
  EXPECT_EQ(r.skipped, 2);
  h.Step(0);
  test::WriteFile(path, std::string(BrowsingHistory::kMaxFileBytes + 1, '1'));
  BrowsingHistory big;
  EXPECT_EQ(big.LoadHistory().kind, BrowsingHistory::LoadResult::TooLarge);
  EXPECT_TRUE(big.Items().empty());
}

TEST_F(HistoryTest, SaveIsAtomicAndLineBreaksInCaptionsDoNotSplitItems) {
  h.ResetHistory();
  h.RecordPlace(-1000001, "two\nlines\r");
  ASSERT_TRUE(h.SaveHistory());
  const std::string path = BrowsingHistory::HistoryFilePath();
  EXPECT_EQ(test::ReadFile(path), "1,Ferrovan\r\n-1000001,two lines \r\n");

  scope.UseFaultyFiles();
  scope.faulty.faults.push_back({test::FaultyFileSystem::Op::Write, "RefHist", 0, -1, 3});
  h.RecordPlace(-2000001, "more");
  std::string err;
  EXPECT_FALSE(h.SaveHistory(&err));
  EXPECT_EQ(err, "No space left on device");
  EXPECT_EQ(test::ReadFile(path), "1,Ferrovan\r\n-1000001,two lines \r\n");  // the old file is whole
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_HistListBefor), 0);
}

}  // namespace
}  // namespace fv
