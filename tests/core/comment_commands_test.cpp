#include "ui/logic/comment_commands.h"

#include <gtest/gtest.h>

#include "browse/hierarchy.h"
#include "core/catalog_fixture.h"
#include "platform/clipboard.h"
#include "ui/logic/property_pane_texts.h"

namespace fv {
namespace {

using test::Sj;

TEST(CommentEditBox, AnEditOverTheLimitKeepsWhatFitsOfTheInsertedText) {
  const std::string a = Sj("あ");
  auto times = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const struct {
    const char* what;
    std::string before, after, text;
    std::size_t cursor;
  } cases[] = {
      {"within the limit", "", times(a, 127) + "x", times(a, 127) + "x", 255},
      {"set at once", "", std::string(300, 'x'), std::string(255, 'x'), 255},
      {"a double-byte character is never split", "", times(a, 200), times(a, 127), 254},
      {"no room: the typed character is refused", times(a, 127) + "x", times(a, 50) + "y" + times(a, 77) + "x",
       times(a, 127) + "x", 100},
      {"a double-byte character over one free byte", std::string(254, 'x'), std::string(254, 'x') + a,
       std::string(254, 'x'), 254},
      {"pasted into the middle", "ab", "a" + times(a, 200) + "b", "a" + times(a, 126) + "b", 253},
      {"pasted over a selection", "abc", "a" + std::string(300, 'z') + "c", "a" + std::string(253, 'z') + "c", 254},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const FittedText f = FitEditedText(c.before, c.after, kCommentTextBytes);
    EXPECT_EQ(f.text, c.text);
    EXPECT_EQ(f.cursor, c.cursor);
  }
}

class CommentCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = test::MakeTempDir() + "/Default.fvd";
    ASSERT_TRUE(cat.CreateCatalog(path));
    ASSERT_TRUE(test::FakeMedium::Make("DISC1", 121).StoreInto(cat));
    ASSERT_TRUE(test::FakeMedium::Make("DISC2", 3, "g").StoreInto(cat));
    browser.BuildFileList(MakeEntryId(0, 0));
  }
  std::vector<TRecord*> Rows(std::size_t n) {
    std::vector<TRecord*> rows;
    for (std::size_t i = 0; i < n && i < browser.file_list.size(); ++i) rows.push_back(&browser.file_list[i]);
    return rows;
  }

  test::PlatformScope scope;
  std::string path;
  Catalog cat;
  Browser browser{cat};
};

TEST_F(CommentCommandsTest, MarksToggleInStepsWithThePumpBetween) {
  const std::vector<TRecord*> rows = Rows(120);
  ASSERT_EQ(rows.size(), 120u);
  std::vector<int> marked_at_pump;
  std::string busy;
  auto pump = [&] {
    int n = 0;
    for (TRecord* r : rows) n += r->Mark;
    marked_at_pump.push_back(n);
    busy += 'p';
  };
  auto cursor = [&](bool on) { busy += on ? '+' : '-'; };
  EXPECT_EQ(ToggleMarksCommand(cat, rows, pump, cursor), 0);
  EXPECT_EQ(marked_at_pump, (std::vector<int>{50, 100}));
  EXPECT_EQ(busy, "+pp-");
  for (TRecord* r : rows) ASSERT_EQ(r->Mark, 1);

  EXPECT_EQ(ToggleMarksCommand(cat, rows, {}), 0);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  ASSERT_TRUE(fresh.LoadMedium(0));
  for (TRecord* r : rows) {
    EXPECT_EQ(r->Mark, 0);
    EXPECT_EQ(r->StateIndex, -1);
    EXPECT_EQ(fresh.Entry(EntryOf(r->Id)).Mark, 0);
  }
}

TEST_F(CommentCommandsTest, MarksOverACatalogAnotherProgramChangedAreRefusedOnce) {
  {
    Catalog other;  // another program adds a medium meanwhile
    ASSERT_TRUE(other.LoadCatalog(path));
    ASSERT_TRUE(test::FakeMedium::Make("DISC3", 2).StoreInto(other));
  }
  const std::vector<TRecord*> rows = Rows(120);
  EXPECT_EQ(ToggleMarksCommand(cat, rows, {}), 120);
  EXPECT_EQ(scope.messages.shown.size(), 1u) << scope.messages.TextsUtf8();
  for (TRecord* r : rows) ASSERT_EQ(r->Mark, 0);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  ASSERT_TRUE(fresh.LoadMedium(0));
  for (TRecord* r : rows) ASSERT_EQ(fresh.Entry(EntryOf(r->Id)).Mark, 0);
}

TEST_F(CommentCommandsTest, EditorKeepsTheSortAndClosesOnlyWhenSomethingWasRegistered) {
  CommentEditor editor(cat);
  EXPECT_FALSE(editor.Open({}));
  EXPECT_FALSE(editor.Open(Rows(2)));
  ASSERT_EQ(scope.messages.shown.size(), 2u);
  EXPECT_EQ(scope.messages.shown[0].icon, MsgIcon::Warning);

  ASSERT_TRUE(editor.Open(Rows(1)));
  EXPECT_EQ(editor.InitialText(), "");
  EXPECT_FALSE(editor.Register(""));  // stays open, nothing written
  EXPECT_TRUE(editor.Register("zeta"));
  browser.BuildFileList(MakeEntryId(1, 0));
  ASSERT_TRUE(editor.Open(Rows(1)));
  ASSERT_TRUE(editor.Register("alpha"));
  editor.List().Click(3);
  editor.List().Click(3);  // media names descending

  browser.BuildFileList(MakeEntryId(0, 0));
  ASSERT_TRUE(editor.Open(Rows(1)));
  EXPECT_EQ(editor.InitialText(), "zeta");
  ASSERT_EQ(editor.List().Rows().size(), 2u);
  EXPECT_EQ(editor.List().SortColumn(), 3);
  EXPECT_TRUE(editor.List().Descending());
  EXPECT_EQ(editor.List().Rows()[0].texts[3], "DISC2");
}

TEST_F(CommentCommandsTest, FullTableIsToldAndWhatIsStoredShown) {
  for (int k = 0; k < kCommentSlots; ++k) cat.MutableComment(k).Owner = 12345;
  EXPECT_TRUE(RegisterFromPanel(cat, Rows(1), "lost"));
  ASSERT_EQ(scope.messages.shown.size(), 1u);
  EXPECT_EQ(scope.messages.shown[0].text, Sj("コメントの登録数が上限に達しました。"));
  EXPECT_EQ(scope.messages.shown[0].icon, MsgIcon::Information);
  EXPECT_EQ(scope.messages.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(CommentPanelText(Rows(1)), "");
}

TEST(PropertyCopy, RowsGoToTheClipboardInTheirLineFormat) {
  test::PlatformScope scope;
  MemoryClipboard clipboard;
  Platform().clipboard = &clipboard;
  PropertyView view;
  EXPECT_FALSE(CopyProperties(view));
  EXPECT_EQ(clipboard.sets, 0);
  view.rows = {{Sj("項目A"), "1"}, {"B", Sj("内容")}};
  EXPECT_TRUE(CopyProperties(view));
  EXPECT_EQ(clipboard.text, "1\t" + Sj("項目A") + "\t1\r\n2\tB\t" + Sj("内容") + "\r\n");
}

}  // namespace
}  // namespace fv
