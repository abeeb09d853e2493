#include <gtest/gtest.h>

#include "browse/comments.h"
#include "browse/hierarchy.h"
#include "browse/histogram.h"
#include "browse/properties.h"
#include "browse/search.h"
#include "core/browse_fixture.h"
#include "media_meta/name_lists.h"

namespace fv {
namespace {

using test::Sj;
using test::TreeEntry;

DosTime At(int y, int mo, int d, int h, int mi) { return PackDosTime({y, mo, d, h, mi, 0}); }

// DISC1 (classification A) and DISC2 (classification B).
class BrowseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir();
    ASSERT_TRUE(cat.CreateCatalog(dir + "/Default.fvd"));
    TMediaInfomation a;
    a.Classification = "A";
    a.FreeSpace = 5000;
    const DosTime t = At(2004, 3, 1, 9, 15);
    ASSERT_TRUE(test::StoreTree(cat,
                                {{-1, kKindOptical, "DISC1", 0, At(2005, 1, 1, 0, 0)},
                                 {0, kKindFolder, "Photos", 0, t},
                                 {0, kKindFolder, "x", 0, t},
                                 {0, kKindFolder, Sj("表"), 0, t},
                                 {0, kKindFile, "b.TXT", 999, t},
                                 {0, kKindFile, "a.txt", 1000, t},
                                 {1, kKindFolder, "2004", 0, t},
                                 {1, kKindFile, "readme", 10, t},
                                 {2, kKindFile, "pic.jpg", 5000, t},
                                 {3, kKindFile, "note.txt", 0, t},
                                 {6, kKindFile, "tea.doc", 1, t},
                                 {6, kKindFile, "teapot.txt", 2, t},
                                 {6, kKindFile, "a.txt.bak", 3, t}},
                                a));
    TMediaInfomation b;
    b.Classification = "B";
    ASSERT_TRUE(test::StoreTree(cat,
                                {{-1, kKindFixed, "DISC2", 0, At(2006, 6, 1, 12, 0)},
                                 {0, kKindFile, "team.txt", 4000, t},
                                 {0, kKindFile, "xyz", 5, t}},
                                b));
  }
  EntryId Id(int m, int e) { return MakeEntryId(m, e); }
  std::vector<std::string> Names(const RowList& list) {
    std::vector<std::string> out;
    for (const TRecord& r : list) out.push_back(r.Name);
    return out;
  }

  test::PlatformScope scope;
  std::string dir;
  Catalog cat;
  Browser browser{cat};
};

TEST_F(BrowseTest, ListsMediaFoldersAndTheCurrentNode) {
  EXPECT_EQ(browser.BuildChildList(-1), 2);
  EXPECT_EQ(browser.current.kind, CurrentNode::kCatalog);
  EXPECT_EQ(cat.LoadedMediumIndex(), -1);
  cat.SetClassificationFilter("B");
  EXPECT_EQ(browser.BuildChildList(-1), 1);
  EXPECT_EQ(browser.child_list[0].Id, Id(1, 0));
  cat.SetClassificationFilter("");

  // Medium 0's root is a medium node, its children sorted by name.
  EXPECT_EQ(browser.BuildChildList(Id(0, 0)), 5);
  EXPECT_EQ(browser.current.kind, CurrentNode::kMedium);
  EXPECT_EQ(browser.current.name, "DISC1");
  EXPECT_EQ(Names(browser.child_list), (std::vector<std::string>{"a.txt", "b.TXT", "Photos", "x", Sj("表")}));
  // The file list keeps storage order and the current node.
  EXPECT_EQ(browser.BuildFileList(Id(0, 6)), 3);
  EXPECT_EQ(browser.file_list[0].Name, "tea.doc");
  EXPECT_EQ(browser.current.id, Id(0, 0));

  EXPECT_EQ(browser.BuildChildList(Id(0, 6)), 3);
  EXPECT_EQ(browser.current.kind, CurrentNode::kFolder);
  EXPECT_EQ(browser.current.parent_path, "DISC1\\Photos");
  EXPECT_EQ(browser.current.Path(), "DISC1\\Photos\\2004");
  // An entry index past the medium lists nothing and keeps the node.
  EXPECT_EQ(browser.BuildChildList(Id(0, 999)), 0);
  EXPECT_EQ(browser.current.id, Id(0, 6));

  auto nodes = browser.TreeChildren(Id(0, 0));
  ASSERT_EQ(nodes.size(), 3u);  // folders only
  EXPECT_EQ(nodes[0].text, "Photos");
  EXPECT_TRUE(nodes[0].has_button);
  EXPECT_FALSE(nodes[1].has_button);  // x holds a file but no folder
  EXPECT_EQ(nodes[0].selected_image, kKindFolderOpen);
}

TEST_F(BrowseTest, PathsAndTheirResolution) {
  EXPECT_EQ(browser.EntryPath(0, 10), "DISC1\\Photos\\2004");
  EXPECT_EQ(browser.EntryPath(0, 11), "DISC1\\Photos\\2004");  // cached parent
  EXPECT_EQ(browser.EntryPath(0, 4), "DISC1");
  EXPECT_EQ(browser.EntryPath(0, 0), "");
  EXPECT_EQ(browser.EntryPath(1, 1), "DISC2");  // another medium, no stale path

  auto chain = browser.ResolvePath("DISC1\\x\\");  // one-character folder, final "\" ignored
  ASSERT_TRUE(chain);
  EXPECT_EQ(*chain, (std::vector<EntryId>{Id(0, 0), Id(0, 2)}));
  // 表 ends in the byte "\": it is not a separator.
  chain = browser.ResolvePath(Sj("DISC1\\表"));
  ASSERT_TRUE(chain);
  EXPECT_EQ(chain->back(), Id(0, 3));
  EXPECT_FALSE(browser.ResolvePath("DISC1\\nope"));
  EXPECT_FALSE(browser.ResolvePath("DISC1\\a.txt"));  // files are no tree nodes

  auto loc = browser.LocationOf(Id(0, 11));
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->path, "DISC1\\Photos\\2004\\");
  EXPECT_EQ(loc->name, "teapot.txt");
  browser.PopulateFileList(chain ? Id(0, 6) : -1);
  EXPECT_EQ(browser.FindFileRow("teapot.txt"), 2);  // a.txt.bak, tea.doc, teapot.txt
}

TEST_F(BrowseTest, PopulatedFileListAtCatalogLevelAndInsideAMedium) {
  std::vector<std::string> status;
  EXPECT_EQ(browser.PopulateFileList(-1, [&](const std::string& s) { status.push_back(s); }), 2);
  EXPECT_TRUE(browser.CatalogLevel());
  EXPECT_EQ(browser.VersionColumnCaption(), Sj("空きサイズ"));
  EXPECT_EQ(browser.file_list[0].Text(kFileColVersion), "5,000");
  EXPECT_EQ(status.front(), Sj("(1/2) 個のオブジェクト"));
  EXPECT_EQ(status.back(), Sj("2 個のオブジェクト"));

  browser.PopulateFileList(Id(0, 0));
  EXPECT_FALSE(browser.CatalogLevel());
  EXPECT_EQ(browser.VersionColumnCaption(), "Version");
  // Sorted by name, folders first.
  EXPECT_EQ(Names(browser.file_list), (std::vector<std::string>{"Photos", "x", Sj("表"), "a.txt", "b.TXT"}));
  browser.SortFileList(kFileColSize, false);
  EXPECT_EQ(Names(browser.file_list).back(), "x");       // 5,000 bytes below it
  EXPECT_EQ(browser.file_list[0].Name, Sj("表"));   // 0
  EXPECT_EQ(browser.file_list[2].Name, "b.TXT");    // 999 before 1,000
  EXPECT_EQ(browser.file_list[3].Name, "a.txt");
}

TEST_F(BrowseTest, FolderWithMoreThan100000ChildrenListsThemAll) {
  const int files = 100005;
  ASSERT_TRUE(cat.StoreScannedMedium(
      files + 1,
      [&](int i, ScannedEntry& e) {
        static std::string name;
        name = i == 0 ? "BIG" : "f" + std::to_string(i);
        e = ScannedEntry{};
        e.Parent = i == 0 ? -1 : 0;
        e.FirstChild = i == 0 ? 1 : -1;
        e.Kind = i == 0 ? kKindFixed : kKindFile;
        e.Name = name;
        e.DirectFiles = e.AllFiles = i == 0 ? files : 0;
      },
      TMediaInfomation{}));
  EXPECT_EQ(browser.BuildFileList(Id(2, 0)), files);
  EXPECT_EQ(browser.file_list.back().Name, "f100005");
}

TEST_F(BrowseTest, HistogramOfTheCatalogCountsMediaOfTheClassification) {
  Histogram h;
  h.SetMonthsPerRow(1);
  ASSERT_TRUE(h.Build(cat, -1));
  EXPECT_EQ(h.StartYear(), 2005);
  EXPECT_EQ(h.RowCount() - 1, 24);
  EXPECT_EQ(h.Count(0, 0), 1);        // DISC1, January 2005, 0 o'clock
  EXPECT_EQ(h.Count(12, 12 + 5), 1);  // DISC2, June 2006, 12 o'clock
  cat.SetClassificationFilter("A");
  ASSERT_TRUE(h.Build(cat, -1));
  EXPECT_EQ(h.Count(12, 12 + 5), 0);
  cat.SetClassificationFilter("C");
  EXPECT_FALSE(h.Build(cat, -1));  // nothing passes: the grid stays
  cat.SetClassificationFilter("");
  // A folder node: its subtree within the medium's file-time range.
  ASSERT_TRUE(h.Build(cat, Id(0, 1)));
  EXPECT_EQ(h.LastNode(), Id(0, 1));
  EXPECT_EQ(h.StartYear(), 2004);
  EXPECT_EQ(h.Value(4, 2), 5);  // 2004/3, 9時～: 2004, readme, tea.doc, teapot.txt, a.txt.bak
}

TEST_F(BrowseTest, CatalogPropertiesAndTheirCopy) {
  PropertyView low = CatalogProperties(cat, 2906000, kLowCatalogSpace - 1);
  ASSERT_EQ(low.rows.size(), 7u);
  EXPECT_EQ(low.rows[0].text, "2");
  EXPECT_EQ(low.rows[1].text, "4");   // folders: 4 + 0
  EXPECT_EQ(low.rows[2].text, "10");  // files: 8 + 2
  EXPECT_EQ(low.rows[3].text, "14");
  EXPECT_EQ(low.rows[6].caption, Sj("DBﾄﾞﾗｲﾌﾞ空ｻｲｽﾞ"));
  EXPECT_EQ(low.rows[6].text, Sj("(×)20,971,519 Byte"));
  EXPECT_EQ(CatalogProperties(cat, 1, kLowCatalogSpace).rows[6].text, "20,971,520 Byte");
  EXPECT_EQ(CatalogProperties(cat, 1, -1).rows[6].text, Sj("(×)-1 Byte"));
  EXPECT_TRUE(low.legend.empty());
  std::string copy = low.CopyText();
  EXPECT_EQ(copy.substr(0, 2), "1\t");
  EXPECT_NE(copy.find("\r\n7\t"), std::string::npos);
  EXPECT_EQ(std::count(copy.begin(), copy.end(), '\n'), 7);
  EXPECT_EQ(copy.substr(copy.size() - 2), "\r\n");
  // The real query: the folder of the catalog has some free space.
  PropertyView real = CatalogProperties(cat);
  EXPECT_EQ(real.rows[5].text, "2,908,576 Byte");  // header area + 16 entries
  EXPECT_EQ(real.rows[6].text.find("-1 "), std::string::npos);
}

TEST_F(BrowseTest, NodeAndRowProperties) {
  browser.PopulateFileList(Id(0, 0));
  browser.BuildChildList(Id(0, 0));
  PropertyView medium = NodeProperties(cat, browser.current, 4);
  EXPECT_EQ(medium.view, 2);
  EXPECT_EQ(medium.rows.size(), 25u);
  EXPECT_EQ(medium.rows[22].text, Sj("不要"));
  EXPECT_EQ(medium.rows[24].text, Sj("未登録"));
  ASSERT_EQ(medium.legend.size(), 3u);
  EXPECT_EQ(medium.legend[2].colour, PropertyView::kYellow);
  EXPECT_EQ(medium.legend[2].hint, "5,000 Byte");

  // One folder row and two file rows.
  std::vector<const TRecord*> rows;
  for (const TRecord& r : browser.file_list)
    if (r.Name == "Photos" || r.Name == "a.txt" || r.Name == "b.TXT") rows.push_back(&r);
  PropertyView many = RowProperties(cat, browser.current, rows);
  EXPECT_EQ(many.view, 7);
  EXPECT_EQ(many.name, Sj("3個のｵﾌﾞｼﾞｪｸﾄ"));
  ASSERT_EQ(many.rows.size(), 5u);  // no media row
  EXPECT_EQ(many.rows[3].text, "2");  // Photos' one folder + itself
  EXPECT_EQ(many.rows[4].text, "6");  // its four files + two
  PropertyView file = RowProperties(cat, browser.current, {rows[1]});
  EXPECT_EQ(file.view, 6);
  EXPECT_EQ(file.rows[0].text, "DISC1\\" + rows[1]->Name);
  EXPECT_EQ(file.rows[9].text, Sj("無"));

  browser.PopulateFileList(-1);
  browser.BuildChildList(-1);
  std::vector<const TRecord*> media;
  for (const TRecord& r : browser.file_list) media.push_back(&r);
  PropertyView two_media = RowProperties(cat, browser.current, media);
  EXPECT_EQ(two_media.rows[3].caption, Sj("総ﾒﾃﾞｨｱ数"));
  EXPECT_EQ(two_media.rows[3].text, "2");

  browser.BuildChildList(Id(0, 6));
  PropertyView folder = NodeProperties(cat, browser.current, 8);
  EXPECT_EQ(folder.view, 3);
  EXPECT_EQ(folder.status, "DISC1\\Photos\\2004");
  EXPECT_EQ(folder.rows[8].caption, Sj("その他の総ｸﾗｽﾀｻｲｽﾞ"));
}

TEST_F(BrowseTest, MediumWithCutNamesAsksForARereadAndDeletedPicture) {
  std::string long1(100, 'a'), long2(100, 'b'), long3(100, 'c');
  ASSERT_TRUE(test::StoreTree(cat, {{-1, kKindFixed, "OLD", 0, 0},
                                    {0, kKindFile, long1, 1, 0},
                                    {0, kKindFile, long2, 1, 0},
                                    {0, kKindFile, long3, 1, 0}}));
  ForgetLongNameCounts();
  cat.LongNames().MutableSlot(2).Used = 0;  // read before long names were kept
  cat.LongNames().SetPicturePath(2, dir + "/gone.jpg");
  Browser b(cat);
  b.BuildChildList(Id(2, 0));
  PropertyView v = NodeProperties(cat, b.current, 2);
  EXPECT_EQ(v.rows[22].text, Sj("★★★必要"));
  EXPECT_TRUE(v.reread_banner);
  EXPECT_EQ(v.rows[23].text, Sj("3 件"));
  EXPECT_EQ(v.rows[24].text, Sj("削除?[") + dir + "/gone.jpg]");
}

}  // namespace
}  // namespace fv
