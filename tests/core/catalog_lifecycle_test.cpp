// Start-up choice, open and create commands, open history, busy flag,
// deletion command, optimisation button and the follow-up question.

#include "catalog/lifecycle.h"

#include <gtest/gtest.h>

#include "catalog_fixture.h"
#include "platform/files.h"
#include "platform/single_instance.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv::test {
namespace {

const SettingKey kHist[5] = {SettingKey::REG_OpenHist01, SettingKey::REG_OpenHist02, SettingKey::REG_OpenHist03,
                             SettingKey::REG_OpenHist04, SettingKey::REG_OpenHist05};

std::vector<std::string> History() {
  std::vector<std::string> h;
  for (SettingKey k : kHist) h.push_back(CatalogLifecycle::DecodeHistoryPath(ReadSettingString(k)));
  return h;
}

void SetHistory(const std::vector<std::string>& h) {
  for (int i = 0; i < 5; ++i)
    WriteSettingString(kHist[i], i < static_cast<int>(h.size()) ? CatalogLifecycle::EncodeHistoryPath(h[i]) : "");
}

class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir();
    SetHistory({});
    WriteSettingInteger(SettingKey::REG_DupSearchMode, 0);
    life.hooks.resetHistory = [this] { calls += "reset;"; };
    life.hooks.rebuildTree = [this] { calls += "tree;"; };
    life.hooks.runDupSearch = [this] { calls += "dup;"; };
    life.hooks.runLikeSearch = [this] { calls += "like;"; };
    life.hooks.clearDupStore = [this] { calls += "cleardup;"; };
    life.hooks.clearLikeStore = [this] { calls += "clearlike;"; };
    life.hooks.showSearchCommands = [this] { calls += "show;"; };
  }
  PlatformScope scope;
  Catalog cat;
  CatalogLifecycle life{cat};
  std::string dir, calls;
};

TEST_F(LifecycleTest, OpenHistoryMovesTheOpenedCatalogToTheFront) {
  struct Case {
    std::vector<std::string> before;
    std::string opened;
    std::vector<std::string> after;
  } cases[] = {
      {{"P", "Q", "R"}, "Q", {"Q", "P", "R", "", ""}},
      {{"P", "Q", "R"}, "P", {"P", "Q", "R", "", ""}},
      {{"A", "B", "C", "D", "E"}, "F", {"F", "A", "B", "C", "D"}},
      {{"A", "B", "C", "D", "E"}, "E", {"E", "A", "B", "C", "D"}},
      {{}, "X", {"X", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SetHistory(c.before);
    life.RememberCatalog(c.opened);
    EXPECT_EQ(History(), c.after) << c.opened;
  }
}

TEST_F(LifecycleTest, PathsCp932CannotHoldSurviveTheHistory) {
  const std::string jp = dir + "/メディア.fvd", odd = dir + "/café😀%.fvd";
  EXPECT_EQ(CatalogLifecycle::EncodeHistoryPath(jp), Sj(jp));
  life.RememberCatalog(odd);
  life.RememberCatalog(jp);
  EXPECT_EQ(History()[0], jp);
  EXPECT_EQ(History()[1], odd);
  EXPECT_EQ(ReadSettingString(SettingKey::REG_OpenHist02).rfind("utf8:", 0), 0u);
}

TEST_F(LifecycleTest, FirstStartAsksForTheCatalogAndCreatesIt) {
  const std::string chosen = dir + "/first/mine";
  scope.dialogs.answers = {chosen};
  ASSERT_TRUE(life.OpenStartupCatalog());
  ASSERT_EQ(scope.dialogs.requests.size(), 1u);
  EXPECT_EQ(scope.dialogs.requests[0].title, Sj("◆メディア管理DBファイルの作成"));
  EXPECT_EQ(scope.dialogs.requests[0].initial_name, "Default.fvd");
  EXPECT_TRUE(Platform().files->Exists(chosen + ".fvd"));
  EXPECT_EQ(cat.CatalogPath(), chosen + ".fvd");
  EXPECT_EQ(life.DisplayPath(), chosen + ".fvd");
  EXPECT_EQ(History()[0], chosen + ".fvd");
}

TEST_F(LifecycleTest, StartUpOpensTheLastCatalogWithoutAsking) {
  const std::string p = dir + "/last.fvd";
  ASSERT_TRUE(cat.CreateCatalog(p));
  ASSERT_TRUE(FakeMedium::Make("M", 2).StoreInto(cat));
  Catalog other;
  CatalogLifecycle l2(other);
  SetHistory({p});
  ASSERT_TRUE(l2.OpenStartupCatalog());
  EXPECT_TRUE(scope.dialogs.requests.empty());
  EXPECT_EQ(other.Counts().LiveMedia, 1);
}

TEST_F(LifecycleTest, AMissingLastCatalogAsksAgainAndCancellingEndsTheProgram) {
  SetHistory({dir + "/gone.fvd"});
  EXPECT_FALSE(life.OpenStartupCatalog());
  ASSERT_EQ(scope.dialogs.requests.size(), 1u);
  EXPECT_EQ(scope.dialogs.requests[0].title,
            Sj("◆最後に開いたメディア管理DBファイルが存在しません、メディア管理DBファイルを指定してください"));
  EXPECT_EQ(calls, "reset;");
}

TEST_F(LifecycleTest, ALastCatalogThatCannotBeReadIsNeverCreatedOver) {
  const std::string last = dir + "/last.fvd", other = dir + "/other.fvd";
  WriteFile(last, std::string(5000, 'x'));  // cut short
  ASSERT_TRUE(cat.CreateCatalog(other));
  ASSERT_TRUE(FakeMedium::Make("M", 2).StoreInto(cat));
  // Says why, then offers the open dialog; cancelling ends the program.
  SetHistory({last});
  Catalog c1;
  CatalogLifecycle l1(c1);
  EXPECT_FALSE(l1.OpenStartupCatalog());
  EXPECT_EQ(scope.messages.TextsUtf8(), "メディア管理DBファイルを開けませんでした\r\n" + last +
                                            "\r\nファイルが短すぎます（メディア管理DBファイルでないか、途中で切れています）\n");
  ASSERT_EQ(scope.dialogs.requests.size(), 1u);
  EXPECT_EQ(ReadFile(last), std::string(5000, 'x'));
  // Another catalog chosen there opens and becomes the last one.
  scope.dialogs.answers = {other};
  Catalog c2;
  CatalogLifecycle l2(c2);
  ASSERT_TRUE(l2.OpenStartupCatalog());
  EXPECT_EQ(c2.CatalogPath(), other);
  EXPECT_EQ(c2.Counts().LiveMedia, 1);
  EXPECT_EQ(History()[0], other);
  EXPECT_EQ(ReadFile(last), std::string(5000, 'x'));
}

TEST_F(LifecycleTest, CreatingOverACatalogKeepsTheOldOneAsABackup) {
  const std::string p = dir + "/mine.fvd";
  ASSERT_TRUE(life.CreateCatalogAt(p));
  ASSERT_TRUE(FakeMedium::Make("M", 2).StoreInto(cat));
  const std::string old_fvd = ReadFile(p), old_lfn = ReadFile(dir + "/mine.lfn");
  for (int round = 1; round <= 2; ++round) {
    scope.messages.answers = {MsgResult::Yes};
    ASSERT_TRUE(life.CreateCatalogAt(p));
    EXPECT_EQ(cat.Counts().UsedSlots, 0);
  }
  // Two backups in the same second get their own names.
  std::vector<std::string> backups;
  std::string listing;
  RunCommand("ls " + dir, &listing);
  for (std::size_t a = 0, b; (b = listing.find('\n', a)) != std::string::npos; a = b + 1)
    if (listing.compare(a, 12, "mine-backup-") == 0) backups.push_back(listing.substr(a, b - a));
  ASSERT_EQ(backups.size(), 4u) << listing;  // .fvd and .lfn of each
  Catalog kept;
  const std::string first = dir + "/" + (backups[0].size() < backups[2].size() ? backups[0] : backups[2]);
  ASSERT_TRUE(kept.LoadCatalog(first.substr(0, first.size() - 4) + ".fvd")) << first;
  EXPECT_EQ(kept.Counts().LiveMedia, 1);
  EXPECT_EQ(ReadFile(first.substr(0, first.size() - 4) + ".fvd"), old_fvd);
  EXPECT_EQ(ReadFile(first.substr(0, first.size() - 4) + ".lfn"), old_lfn);
}

TEST_F(LifecycleTest, CreatePathsGetTheExtensionOnlyWhenMissing) {
  struct Case {
    std::string given, created;
  } cases[] = {{"/data/mine", "/data/mine.fvd"}, {"/x.FVD.old/new", "/x.FVD.old/new"}, {"/a/b.fvd", "/a/b.fvd"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(life.CreateCatalogAt(dir + c.given)) << c.given;
    EXPECT_TRUE(Platform().files->Exists(dir + c.created)) << c.given;
  }
  // An existing file is overwritten only when the user agrees.
  scope.messages.answers = {MsgResult::No};
  EXPECT_FALSE(life.CreateCatalogAt(dir + "/a/b.fvd"));
  EXPECT_EQ(scope.messages.TextsUtf8(), "上書きしますか？\n");
  // Cancelling the save dialog is no failure.
  EXPECT_TRUE(life.CreateCatalogAt(""));
  EXPECT_EQ(scope.dialogs.requests.back().title, Sj("新規DBファイルの作成"));
}

TEST_F(LifecycleTest, OpeningAMissingFileOffersToCreateIt) {
  scope.dialogs.answers = {dir + "/new.fvd"};
  scope.messages.answers = {MsgResult::No};
  life.OpenCatalogCommand();
  EXPECT_EQ(scope.messages.TextsUtf8(), "新規メディア管理DBファイルを作成しますか？\n");
  EXPECT_FALSE(Platform().files->Exists(dir + "/new.fvd"));
  EXPECT_EQ(calls, "reset;");

  // Yes, with a name the dialog left without the extension.
  scope.dialogs.answers = {dir + "/made"};
  scope.messages.answers = {MsgResult::Yes};
  life.OpenCatalogCommand();
  EXPECT_EQ(cat.CatalogPath(), dir + "/made.fvd");
  EXPECT_EQ(History()[0], dir + "/made.fvd");
  EXPECT_EQ(scope.dialogs.requests.back().initial_dir, CatalogLifecycle::ProgramFolder());
  // The next dialog starts in the last catalog's folder.
  life.OpenCatalogCommand();
  EXPECT_EQ(scope.dialogs.requests.back().initial_dir, dir);
}

TEST_F(LifecycleTest, OpeningAShortFileSaysWhyAndKeepsTheOpenCatalog) {
  const std::string good = dir + "/good.fvd", cut = dir + "/cut.fvd";
  ASSERT_TRUE(life.CreateCatalogAt(good));
  ASSERT_TRUE(FakeMedium::Make("M", 2).StoreInto(cat));
  WriteFile(cut, std::string(1000, '\0'));
  scope.dialogs.answers = {cut};
  scope.messages.shown.clear();
  life.OpenCatalogCommand();
  ASSERT_EQ(scope.messages.shown.size(), 1u);
  EXPECT_EQ(scope.messages.shown[0].text, LoadFailureText(cut, LoadFailure::TooShort));
  EXPECT_NE(scope.messages.TextsUtf8().find("メディア管理DBファイルを開けませんでした\r\n" + cut + "\r\nファイルが短すぎます"),
            std::string::npos);
  EXPECT_EQ(scope.messages.shown[0].icon, MsgIcon::Error);
  EXPECT_EQ(cat.CatalogPath(), good);
  EXPECT_EQ(life.DisplayPath(), good);
  EXPECT_EQ(cat.Counts().LiveMedia, 1);
  EXPECT_EQ(History()[0], good);
}

TEST_F(LifecycleTest, ClosingIsRefusedWhileBusy) {
  life.SetBusy(true);
  EXPECT_FALSE(life.CloseRequest());
  EXPECT_EQ(scope.messages.TextsUtf8(), "処理中...\r\n処理が完了してから終了してください\n");
  EXPECT_EQ(scope.messages.shown[0].icon, MsgIcon::Warning);
  life.SetBusy(false);
  EXPECT_TRUE(life.CloseRequest());
}

TEST_F(LifecycleTest, OptimiseButtonCountsDeletedMedia) {
  ASSERT_TRUE(life.CreateCatalogAt(dir + "/c.fvd"));
  EXPECT_FALSE(life.UpdateOptimiseButton().enabled);
  EXPECT_EQ(life.UpdateOptimiseButton().hint, Sj("DB最適化"));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(FakeMedium::Make("M" + std::to_string(i), 2).StoreInto(cat));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(cat.DeleteMedium(i));
  EXPECT_TRUE(life.UpdateOptimiseButton().enabled);
  EXPECT_EQ(life.UpdateOptimiseButton().hint, Sj("DB最適化(削除済みメディア数=3)"));
}

TEST_F(LifecycleTest, DeleteCommandConfirmsWithTheMediumNameAndFollowsUp) {
  ASSERT_TRUE(life.CreateCatalogAt(dir + "/c.fvd"));
  ASSERT_TRUE(FakeMedium::Make(Sj("ディスクA"), 3).StoreInto(cat));
  ASSERT_TRUE(FakeMedium::Make("B", 3).StoreInto(cat));

  life.DeleteCurrentMediumCommand(-1);
  EXPECT_EQ(scope.messages.TextsUtf8(), "削除するメディアが不明です\n");
  scope.messages.shown.clear();

  // A folder of the medium names the whole medium; No keeps it.
  scope.messages.answers = {MsgResult::No};
  life.DeleteCurrentMediumCommand(MakeEntryId(0, 2));
  EXPECT_EQ(scope.messages.TextsUtf8(), "下記のメディア情報を削除しますか？\r\n\r\nディスクA\n");
  EXPECT_TRUE(cat.SlotLive(0));

  calls.clear();
  scope.messages.answers = {MsgResult::Yes, MsgResult::No};  // delete; don't search now
  life.DeleteCurrentMediumCommand(MakeEntryId(0, 2));
  EXPECT_TRUE(cat.SlotDeleted(0));
  EXPECT_EQ(calls, "tree;cleardup;clearlike;show;reset;");

  // The last visible medium: the stores are cleared without asking.
  calls.clear();
  scope.messages.shown.clear();
  life.DeleteCurrentMediumCommand(MakeEntryId(1, 0));
  EXPECT_EQ(scope.messages.shown.size(), 1u);
  EXPECT_EQ(calls, "tree;cleardup;clearlike;reset;");
}

TEST_F(LifecycleTest, AfterMediaChangeFollowsTheSearchMode) {
  struct Case {
    int mode;
    std::vector<MsgResult> answers;
    std::size_t asked;
    std::string calls;
  } cases[] = {{0, {MsgResult::Yes}, 1, "dup;like;"},
               {0, {MsgResult::No}, 1, "cleardup;clearlike;show;"},
               {1, {}, 0, "cleardup;clearlike;show;"},
               {2, {}, 0, "dup;like;"}};
  for (const Case& c : cases) {
    WriteSettingInteger(SettingKey::REG_DupSearchMode, c.mode);
    scope.messages.shown.clear();
    scope.messages.answers = c.answers;
    calls.clear();
    life.AfterMediaChange();
    EXPECT_EQ(scope.messages.shown.size(), c.asked) << c.mode;
    EXPECT_EQ(calls, c.calls) << c.mode;
  }
}

TEST_F(LifecycleTest, OptimiseCommandHoldsTheBusyFlag) {
  ASSERT_TRUE(life.CreateCatalogAt(dir + "/c.fvd"));
  ASSERT_TRUE(FakeMedium::Make("A", 3).StoreInto(cat));
  ASSERT_TRUE(FakeMedium::Make("B", 3).StoreInto(cat));
  ASSERT_TRUE(cat.DeleteMedium(0));
  bool busy_seen = false;
  WriteSettingInteger(SettingKey::REG_DupSearchMode, 1);
  life.OptimiseCommand([&](const std::string&) { busy_seen = busy_seen || life.Busy(); });
  EXPECT_TRUE(busy_seen);
  EXPECT_FALSE(life.Busy());
  EXPECT_EQ(cat.Counts().UsedSlots, 1);
  EXPECT_FALSE(life.UpdateOptimiseButton().enabled);
}

TEST(SingleInstanceTest, ASecondHolderIsTurnedAwayUntilTheFirstEnds) {
  {
    SingleInstance first("EX_Ferrovan_test");
    EXPECT_FALSE(first.OtherInstanceRunning());
    SingleInstance second("EX_Ferrovan_test");
    EXPECT_TRUE(second.OtherInstanceRunning());
  }
  SingleInstance again("EX_Ferrovan_test");
  EXPECT_FALSE(again.OtherInstanceRunning());
}

}  // namespace
}  // namespace fv::test
