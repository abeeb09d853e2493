#include "browse/comments.h"

#include <gtest/gtest.h>

#include "browse/hierarchy.h"
#include "core/browse_fixture.h"

namespace fv {
namespace {

using test::Sj;

class CommentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir();
    path = dir + "/Default.fvd";
    ASSERT_TRUE(cat.CreateCatalog(path));
    ASSERT_TRUE(test::StoreTree(cat, {{-1, kKindFixed, "DISC1", 0, 0},
                                      {0, kKindFile, "a.txt", 1, 0},
                                      {0, kKindFile, "b.txt", 2, 0}}));
    ASSERT_TRUE(test::StoreTree(cat, {{-1, kKindFixed, "DISC2", 0, 0}, {0, kKindFile, "c.txt", 1, 0}}));
    browser.BuildFileList(MakeEntryId(0, 0));
  }
  TRecord& Row(int i) { return browser.file_list[static_cast<std::size_t>(i)]; }
  // The entry as the catalog file holds it.
  EntryRecord Stored(EntryId id) {
    Catalog fresh;
    EXPECT_TRUE(fresh.LoadCatalog(path));
    EXPECT_TRUE(fresh.LoadMedium(MediumOf(id)));
    return EntryOf(id) == 0 ? fresh.Medium(MediumOf(id)).Root : fresh.Entry(EntryOf(id));
  }

  test::PlatformScope scope;
  std::string dir, path;
  Catalog cat;
  Browser browser{cat};
};

TEST_F(CommentsTest, RegisterTheFourCasesWrittenThrough) {
  EXPECT_FALSE(RegisterComment(cat, Row(0), ""));  // nothing to do: nothing written
  ASSERT_TRUE(RegisterComment(cat, Row(0), Sj("最初")));
  EXPECT_EQ(Row(0).CommentIndex, 0);
  EXPECT_EQ(Row(0).Text(kFileColComment), Sj("最初"));
  EXPECT_EQ(Stored(Row(0).Id).CommentIndex, 0);
  const CommentRecord first = cat.Comment(0);
  EXPECT_EQ(first.Owner, Row(0).Id);
  EXPECT_EQ(first.EntryName.str(), "a.txt");
  EXPECT_EQ(first.EntryKind, kKindFile);
  EXPECT_NE(first.Time, 0u);

  ASSERT_TRUE(RegisterComment(cat, Row(1), "second"));
  EXPECT_EQ(Row(1).CommentIndex, 1);
  // Updating keeps the name and kind recorded first.
  cat.MutableComment(0).EntryName.assign("kept");
  cat.MutableComment(0).EntryKind = kKindFolder;
  ASSERT_TRUE(RegisterComment(cat, Row(0), std::string(300, 'x')));
  EXPECT_EQ(cat.Comment(0).EntryName.str(), "kept");
  EXPECT_EQ(cat.Comment(0).EntryKind, kKindFolder);
  EXPECT_EQ(CommentText(cat, 0), std::string(255, 'x'));
  // Deleting frees the slot; the next comment takes the lowest free one.
  ASSERT_TRUE(RegisterComment(cat, Row(0), ""));
  EXPECT_EQ(Row(0).CommentIndex, -1);
  EXPECT_EQ(cat.Comment(0).Owner, -1);
  EXPECT_EQ(Stored(Row(0).Id).CommentIndex, -1);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  EXPECT_EQ(fresh.Comment(0).Owner, -1);
  EXPECT_EQ(fresh.Comment(1).Text.str(), "second");
  TRecord medium;
  browser.BuildFileList(-1);
  ASSERT_TRUE(RegisterComment(cat, Row(1), "medium"));
  EXPECT_EQ(Row(1).CommentIndex, 0);
  EXPECT_EQ(Stored(MakeEntryId(1, 0)).CommentIndex, 0);
  EXPECT_EQ(CommentText(cat, -1), "");
  EXPECT_EQ(CommentText(cat, 5000), "");
}

TEST_F(CommentsTest, FullTableRefusesOnlyNewComments) {
  ASSERT_EQ(RegisterRowComment(cat, Row(1), "old"), CommentResult::Stored);  // slot 0
  for (int k = 1; k < kCommentSlots; ++k) cat.MutableComment(k).Owner = 12345;
  const std::string before = test::ReadFile(path);
  EXPECT_EQ(RegisterRowComment(cat, Row(0), "lost"), CommentResult::TableFull);
  EXPECT_EQ(Row(0).CommentIndex, -1);
  EXPECT_EQ(Row(0).Text(kFileColComment), "");
  EXPECT_EQ(test::ReadFile(path), before);
  // A row that has a comment still changes it, and a freed slot is taken
  // by the next new comment.
  EXPECT_EQ(RegisterRowComment(cat, Row(1), "new"), CommentResult::Stored);
  EXPECT_EQ(CommentText(cat, 0), "new");
  EXPECT_EQ(RegisterRowComment(cat, Row(1), ""), CommentResult::Stored);
  EXPECT_EQ(RegisterRowComment(cat, Row(0), "fits"), CommentResult::Stored);
  EXPECT_EQ(Row(0).CommentIndex, 0);
  EXPECT_EQ(Stored(Row(0).Id).CommentIndex, 0);
}

TEST_F(CommentsTest, EmptyTextWithoutCommentWritesNothing) {
  const std::string before = test::ReadFile(path);
  EXPECT_EQ(RegisterRowComment(cat, Row(0), ""), CommentResult::Unchanged);
  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(cat.Comment(0).Owner, -1);
}

TEST_F(CommentsTest, FailedWriteIsToldOnceAndTheRowShowsWhatIsStored) {
  ASSERT_EQ(RegisterRowComment(cat, Row(1), "old"), CommentResult::Stored);
  scope.UseFaultyFiles();
  scope.faulty.faults.push_back({test::FaultyFileSystem::Op::Write, "Default.fvd"});
  // An update, a deletion and a new comment.
  const struct {
    int row;
    const char* text;
  } cases[] = {{1, "new"}, {1, ""}, {0, "other"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    scope.messages.shown.clear();
    EXPECT_EQ(RegisterRowComment(cat, Row(c.row), c.text), CommentResult::WriteFailed);
    EXPECT_EQ(scope.messages.shown.size(), 1u) << scope.messages.TextsUtf8();
  }
  EXPECT_EQ(Row(1).Text(kFileColComment), "old");
  EXPECT_EQ(Row(1).CommentIndex, 0);
  EXPECT_EQ(Row(0).CommentIndex, -1);
  EXPECT_EQ(Row(0).Text(kFileColComment), "");
  EXPECT_EQ(cat.Comment(1).Owner, -1);
}

TEST_F(CommentsTest, TargetProblems) {
  EXPECT_EQ(CommentTargetProblem(0), Sj("コメントを書込むファイルが不明です"));
  EXPECT_EQ(CommentTargetProblem(2), Sj("複数ファイルにコメントは登録出来ません"));
  EXPECT_EQ(CommentTargetProblem(1), "");
}

TEST_F(CommentsTest, MarksToggleAndWriteThrough) {
  ToggleMarks(cat, {&Row(0), &Row(1)});
  EXPECT_EQ(Row(0).Mark, 1);
  EXPECT_EQ(Row(0).StateIndex, 0);
  EXPECT_EQ(Stored(Row(1).Id).Mark, 1);
  ToggleMarks(cat, {&Row(0)});
  EXPECT_EQ(Row(0).Mark, 0);
  EXPECT_EQ(Row(0).StateIndex, -1);
  // A stored value other than 0 or 1 counts as unmarked.
  cat.LoadMedium(0);
  cat.MutableEntry(2).Mark = 7;  // b.txt
  ToggleMarks(cat, {&Row(1)});
  EXPECT_EQ(Row(1).Mark, 1);
  // A medium row: the media table is rewritten.
  browser.BuildFileList(-1);
  ToggleMarks(cat, {&Row(1)});
  EXPECT_EQ(Stored(MakeEntryId(1, 0)).Mark, 1);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  EXPECT_EQ(fresh.Medium(1).Root.Mark, 1);
}

TEST_F(CommentsTest, CommentListNamesMediaAndSorts) {
  CommentList list;
  list.Rebuild(cat);
  EXPECT_TRUE(list.Rows().empty());
  ASSERT_TRUE(RegisterComment(cat, Row(0), "beta"));
  browser.BuildFileList(MakeEntryId(1, 0));
  ASSERT_TRUE(RegisterComment(cat, Row(0), "alpha"));
  list.Rebuild(cat);
  ASSERT_EQ(list.Rows().size(), 2u);
  EXPECT_EQ(list.Rows()[0].texts[0], "alpha");
  EXPECT_EQ(list.Rows()[0].texts[2], "c.txt");
  EXPECT_EQ(list.Rows()[0].texts[3], "DISC2");
  EXPECT_EQ(list.Rows()[1].texts[3], "DISC1");
  EXPECT_EQ(list.Rows()[0].texts[1].size(), 19u);  // yyyy/mm/dd hh:nn:ss
  EXPECT_EQ(list.HeaderImage(0), 14);
  list.Click(0);
  EXPECT_EQ(list.Rows()[0].texts[0], "beta");
  EXPECT_EQ(list.HeaderImage(0), 15);
  list.Click(3);  // another column keeps the direction
  EXPECT_TRUE(list.Descending());
  EXPECT_EQ(list.Rows()[0].texts[3], "DISC2");
  EXPECT_EQ(list.HeaderImage(0), -1);
}

}  // namespace
}  // namespace fv
