#include "reading/scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <set>

#include "platform/dir_walk.h"
#include "platform/services.h"
#include "platform/timefmt.h"
#include "support/deep_tree.h"
#include "support/fake_walker.h"
#include "support/pe_image.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

struct ScanFixture : ::testing::Test {
  test::PlatformScope scope;
  test::FaultyWalker walker;
  std::string root = test::MakeTempDir();
  Scanner scanner;
  ScanFixture() { Platform().dirs = &walker; }

  bool Read(int cluster = 4096, bool versions = false) {
    ScanTarget t;
    t.drive = "Q";
    t.root_path = root;
    t.kind = kKindOptical;
    t.cluster_size = cluster;
    t.free_space = 123.0;
    ScanChoices c;
    c.medium_name = Sj("ディスク");
    c.read_versions = versions;
    return scanner.ReadMedium(t, c);
  }
  const ScanBuffer& B() const { return scanner.Buffer(); }
  int Find(const std::string& name) const {
    for (int i = 1; i < B().Count(); ++i)
      if (B().Name(i) == name) return i;
    return -1;
  }
  void Dir(const std::string& rel) { ASSERT_EQ(0, mkdir((root + "/" + rel).c_str(), 0755)); }
};

TEST_F(ScanFixture, OneByteFileFillsOneCluster) {
  test::WriteFile(root + "/a.txt", "x");
  ASSERT_TRUE(Read());
  ASSERT_EQ(2, B().Count());
  EXPECT_EQ(1.0, B()[0].Size);
  EXPECT_EQ(4096.0, B()[0].ClusterBytes);
  EXPECT_EQ("1(0+1)", B().Version(0));
  EXPECT_EQ(4096.0, B()[1].ClusterBytes);
  EXPECT_EQ(Sj("ディスク"), B().Name(0));
  EXPECT_EQ(16, B()[0].Attributes);
  EXPECT_EQ(kKindOptical, B()[0].Kind);
  EXPECT_EQ(-1, B()[0].Parent);
  EXPECT_EQ(1, B()[0].FirstChild);
  const TMediaInfomation& m = scanner.MediaInfo();
  EXPECT_EQ("q", m.Drive);
  EXPECT_EQ("CD/DVD", m.DriveTypeName);
  EXPECT_EQ("CD/DVD", m.Classification);  // default of the kind
  EXPECT_EQ(4096, m.ClusterSize);
  EXPECT_EQ(123.0, m.FreeSpace);
  EXPECT_EQ(1.0, m.MinFileSize);
  EXPECT_EQ(1.0, m.MaxFileSize);
  EXPECT_NE(0u, m.MinFileTime);
  EXPECT_EQ(0u, m.MinFolderTime);
}

TEST_F(ScanFixture, EmptyFolderTakesItsClusterTwiceInTheRoot) {
  Dir("empty");
  Dir("zeros");
  test::WriteFile(root + "/zeros/a", "");
  test::WriteFile(root + "/zeros/b", "");
  ASSERT_TRUE(Read());
  int empty = Find("empty"), zeros = Find("zeros");
  EXPECT_EQ(4096.0, B()[empty].ClusterBytes);
  EXPECT_EQ(-1, B()[empty].FirstChild);
  EXPECT_EQ(0.0, B()[empty].Size);  // not the directory's own st_size
  // Only empty files: the folder still holds one cluster; its files none.
  EXPECT_EQ(4096.0, B()[zeros].ClusterBytes);
  EXPECT_EQ(0.0, B()[Find("a")].ClusterBytes);
  // Each folder: its own cluster plus its ClusterBytes.
  EXPECT_EQ(4 * 4096.0, B()[0].ClusterBytes);
  EXPECT_EQ("4(2+2)", B().Version(0));
  EXPECT_EQ(2, B()[0].DirectFolders);
  EXPECT_EQ(0, B()[0].DirectFiles);
  EXPECT_EQ(2, B()[0].AllFolders);
  EXPECT_EQ(2, B()[0].AllFiles);
  EXPECT_EQ(0.0, scanner.MediaInfo().MinFileSize);
}

TEST_F(ScanFixture, SparseFileKeepsItsFullSize) {
  test::WriteFile(root + "/big.bin", "");
  ASSERT_EQ(0, truncate((root + "/big.bin").c_str(), 5'000'000'000LL));
  ASSERT_TRUE(Read());
  EXPECT_EQ(5'000'000'000.0, B()[1].Size);
  EXPECT_EQ(5'000'003'584.0, B()[1].ClusterBytes);
  EXPECT_EQ(5'000'000'000.0, B()[0].Size);
  EXPECT_EQ(5'000'000'000.0, scanner.MediaInfo().MaxFileSize);
}

TEST_F(ScanFixture, TreeTotalsOrderAndParentLinks) {
  // root: b/ (x.txt 10, c/ (y 5000)), a.txt 3, Z.txt 0
  Dir("b");
  Dir("b/c");
  test::WriteFile(root + "/b/x.txt", std::string(10, 'x'));
  test::WriteFile(root + "/b/c/y", std::string(5000, 'y'));
  test::WriteFile(root + "/a.txt", "abc");
  test::WriteFile(root + "/Z.txt", "");
  ASSERT_TRUE(Read());
  ASSERT_EQ(7, B().Count());
  // Breadth-first, each folder's children sorted together by name.
  std::vector<std::string> names;
  for (int i = 1; i < B().Count(); ++i) names.emplace_back(B().Name(i));
  EXPECT_EQ((std::vector<std::string>{"a.txt", "b", "Z.txt", "c", "x.txt", "y"}), names);
  int b = Find("b"), c = Find("c");
  EXPECT_EQ(4, B()[b].FirstChild);
  EXPECT_EQ(b, B()[c].Parent);
  EXPECT_EQ(6, B()[c].FirstChild);
  EXPECT_EQ(5010.0, B()[b].Size);
  EXPECT_EQ(5013.0, B()[0].Size);
  // c: 8192 for y; b: c's own 4096 + c's 8192 + x 4096.
  EXPECT_EQ(8192.0, B()[c].ClusterBytes);
  EXPECT_EQ(16384.0, B()[b].ClusterBytes);
  EXPECT_EQ(4096 + 16384 + 4096.0, B()[0].ClusterBytes);
  EXPECT_EQ(1, B()[b].DirectFolders);
  EXPECT_EQ(1, B()[b].DirectFiles);
  EXPECT_EQ(1, B()[b].AllFolders);
  EXPECT_EQ(2, B()[b].AllFiles);
  EXPECT_EQ(2, B()[0].AllFolders);
  EXPECT_EQ(4, B()[0].AllFiles);
  EXPECT_EQ("6(2+4)", B().Version(0));
  EXPECT_EQ(0x10, B()[b].Attributes & 0x10);
  EXPECT_EQ(kKindFolder, B()[b].Kind);
  EXPECT_EQ(Sj("q:\\b"), B().ToTRecord(c, "q").ParentPath);
}

TEST_F(ScanFixture, JapaneseNamesAreCp932AndSymlinksAreNotFollowed) {
  Dir("フォルダ");
  test::WriteFile(root + "/フォルダ/ファイル.txt", "abc");
  ASSERT_EQ(0, symlink("フォルダ", (root + "/link").c_str()));
  ASSERT_TRUE(Read());
  EXPECT_EQ(4, B().Count());  // the link is a file, its target not listed twice
  int f = Find(Sj("フォルダ"));
  ASSERT_GT(f, 0);
  EXPECT_EQ(Sj("ファイル.txt"), B().Name(B()[f].FirstChild));
  EXPECT_EQ(kKindFile, B()[Find("link")].Kind);
}

TEST_F(ScanFixture, UnreadableFolderBecomesEmptyFolder) {
  Dir("locked");
  test::WriteFile(root + "/locked/secret", "zzz");
  test::WriteFile(root + "/open.txt", "1");
  walker.locked.insert(root + "/locked");
  ASSERT_TRUE(Read());
  int l = Find("locked");
  EXPECT_EQ(-1, B()[l].FirstChild);
  EXPECT_EQ(4096.0, B()[l].ClusterBytes);
  EXPECT_EQ(-1, Find("secret"));
  EXPECT_EQ("2(1+1)", B().Version(0));
  EXPECT_TRUE(scope.messages.shown.empty());
}

TEST_F(ScanFixture, FoldersAndFilesThatCouldNotBeReadAreCounted) {
  // locked/ cannot be opened, cut/ breaks off after one entry, and part/
  // gives its file and its folder by name only.
  for (const char* d : {"locked", "cut", "part", "part/sub"}) Dir(d);
  test::WriteFile(root + "/locked/secret", "zzz");
  test::WriteFile(root + "/cut/a", "1");
  test::WriteFile(root + "/cut/b", "2");
  test::WriteFile(root + "/part/blind.bin", "12345");
  test::WriteFile(root + "/part/sub/seen", "1");
  test::WriteFile(root + "/plain.txt", "1");
  walker.locked.insert(root + "/locked");
  walker.broken.insert(root + "/cut");
  walker.unstatted = {"blind.bin", "sub"};
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead);
    scanner.listAhead = ahead;
    ASSERT_TRUE(Read());
    // A folder known by name only is counted when its listing fails too;
    // sub's listing works.
    EXPECT_EQ(2, scanner.Gaps().folders);
    EXPECT_EQ(1, scanner.Gaps().files);
    int blind = Find("blind.bin");
    ASSERT_GT(blind, 0);
    EXPECT_EQ(0.0, B()[blind].Size);
    EXPECT_EQ(0u, B()[blind].Time);
    EXPECT_GT(Find("seen"), 0);
  }
  EXPECT_TRUE(scope.messages.shown.empty());  // telling is the add command's part

  walker.locked.clear();
  walker.broken.clear();
  walker.unstatted.clear();
  ASSERT_TRUE(Read());
  EXPECT_FALSE(scanner.Gaps().Any());
}

TEST_F(ScanFixture, TreeDeeperThanAPathCanNameIsReadToTheBottom) {
  const std::string image = test::BuildPeImage();
  const std::string deepest = test::MakeDeepTree(root, 1000, "dddd", image);
  ASSERT_GT(deepest.size(), static_cast<std::size_t>(PATH_MAX));
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead);
    scanner.listAhead = ahead;
    ASSERT_TRUE(Read(4096, true));
    EXPECT_EQ(1002, B().Count());  // the root, 1000 folders and the file
    int bottom = Find("bottom.txt");
    ASSERT_GT(bottom, 0);
    EXPECT_EQ(static_cast<double>(image.size()), B()[bottom].Size);
    EXPECT_EQ("1.2.3.4", B().Version(bottom));
    int depth = 0;
    for (int k = B()[bottom].Parent; k > 0; k = B()[k].Parent) ++depth;
    EXPECT_EQ(1000, depth);
    EXPECT_FALSE(scanner.Gaps().Any());
  }
  EXPECT_TRUE(test::RemoveTree(root + "/dddd"));
}

TEST_F(ScanFixture, EmptyOrUnreadableDriveReadsNothing) {
  EXPECT_FALSE(Read());
  EXPECT_EQ(0, B().Count());
  walker.locked.insert(root);
  test::WriteFile(root + "/x", "1");
  EXPECT_FALSE(Read());
  EXPECT_EQ(0, B().Count());
  EXPECT_TRUE(scope.messages.shown.empty());
}

TEST_F(ScanFixture, VersionsAreReadPerFileWhenAsked) {
  test::WriteFile(root + "/app.exe", "MZ");
  test::WriteFile(root + "/plain.txt", "x");
  std::vector<std::string> asked;
  scanner.readVersion = [&](const std::string& path) {
    asked.push_back(path);
    return path.ends_with(".exe") ? std::string("1.2.3.4") : std::string();
  };
  std::vector<std::string> status;
  scanner.onStatus = [&](int panel, std::string_view t) { status.push_back(std::to_string(panel) + std::string(t)); };
  ASSERT_TRUE(Read(4096, true));
  EXPECT_EQ("1.2.3.4", B().Version(Find("app.exe")));
  EXPECT_EQ("", B().Version(Find("plain.txt")));
  EXPECT_EQ((std::vector<std::string>{root + "/app.exe", root + "/plain.txt"}), asked);
  // Every file reports itself while versions are read.
  EXPECT_NE(std::find(status.begin(), status.end(), "1" + Sj("Q:\\plain.txt")), status.end());
  EXPECT_NE(std::find(status.begin(), status.end(), "0" + Sj("メディア情報読込中...") + "1"), status.end());
  asked.clear();
  ASSERT_TRUE(Read(4096, false));
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ("", B().Version(Find("app.exe")));
}

TEST_F(ScanFixture, PeVersionsFromThePlatformReader) {
  test::WriteFile(root + "/app.exe", test::BuildPeImage());
  test::PeImageLayout no_version;
  no_version.with_resources = false;
  test::WriteFile(root + "/bare.dll", test::BuildPeImage(no_version));
  test::WriteFile(root + "/text.exe", "not a PE image");
  ASSERT_TRUE(Read(4096, true));
  EXPECT_EQ("1.2.3.4", B().Version(Find("app.exe")));
  EXPECT_EQ("", B().Version(Find("bare.dll")));
  EXPECT_EQ("", B().Version(Find("text.exe")));
}

TEST_F(ScanFixture, ProgressEvery100Records) {
  for (int i = 0; i < 250; ++i) test::WriteFile(root + "/f" + std::to_string(i), "");
  std::vector<std::string> main_panel;
  int pumps = 0;
  scanner.onStatus = [&](int panel, std::string_view t) {
    if (panel == kStatusPanelMain) main_panel.emplace_back(t);
  };
  scanner.onPump = [&] { ++pumps; };
  ASSERT_TRUE(Read());
  std::string r = Sj("メディア情報読込中...");
  EXPECT_EQ((std::vector<std::string>{r + "0", r + "100", r + "200", r, ""}), main_panel);
  EXPECT_GE(pumps, 5);
}

TEST_F(ScanFixture, CapacityCutsTheMediumAndSaysSo) {
  Dir("a");
  Dir("b");
  for (int i = 0; i < 5; ++i) test::WriteFile(root + "/a/f" + std::to_string(i), "1");
  test::WriteFile(root + "/b/g", "1");
  scanner.capacity = 5;  // root, a, b, and 2 of a's files
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead);
    scope.messages.shown.clear();
    scanner.listAhead = ahead;
    ASSERT_TRUE(Read());
  ASSERT_EQ(5, B().Count());
  EXPECT_EQ(3, B()[Find("a")].FirstChild);
  EXPECT_EQ(-1, B()[Find("b")].FirstChild);  // nothing of b was stored
  for (int i = 0; i < B().Count(); ++i) EXPECT_LT(B()[i].FirstChild, B().Count());
  EXPECT_EQ(4, scanner.SkippedEntries());
  EXPECT_EQ("4(2+2)", B().Version(0));
  ASSERT_EQ(1u, scope.messages.shown.size());
  EXPECT_NE(std::string::npos, scope.messages.TextsUtf8().find("(5件)"));
    EXPECT_EQ(MsgIcon::Warning, scope.messages.shown[0].icon);
  }
}

TEST_F(ScanFixture, SameTreeReadsTheSameEntries) {
  Dir("d1");
  Dir("d1/d2");
  for (int i = 0; i < 30; ++i) {
    test::WriteFile(root + "/d1/名前" + std::to_string(i), std::string(static_cast<std::size_t>(i), 'x'));
    test::WriteFile(root + "/d1/d2/File" + std::to_string(i), "abc");
  }
  auto block = [&] {
    std::string bytes;
    for (int i = 1; i < B().Count(); ++i) {  // the root carries the time of the read
      EntryRecord e;
      B().ToEntryRecord(i, e);
      bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
    }
    return bytes;
  };
  scanner.listAhead = true;
  ASSERT_TRUE(Read());
  std::string first = block();
  EntryRecord root1;
  B().ToEntryRecord(0, root1);
  ASSERT_TRUE(Read());
  EXPECT_EQ(first, block());
  scanner.listAhead = false;  // listing on this thread gives the same records
  ASSERT_TRUE(Read());
  EXPECT_EQ(first, block());
  EntryRecord root2;
  B().ToEntryRecord(0, root2);
  root1.Time = root2.Time = 0;
  EXPECT_EQ(0, std::memcmp(&root1, &root2, sizeof root1));
}

// SumSizes and CountFolders on hand-built buffers.
TEST(ScanTotalsTest, ZeroClusterSizeDoesNotDivide) {
  ScanBuffer b;
  ScanRecord r;
  r.Kind = kKindFixed;
  b.Append(r, "root", "", "");
  r.Parent = 0;
  r.Kind = kKindFile;
  r.Size = 1000;
  b.Append(r, "f", "", "");
  SumSizes(b, 0);
  EXPECT_EQ(1000.0, b[1].ClusterBytes);
  EXPECT_EQ(1000.0, b[0].ClusterBytes);
}

TEST(ScanTotalsTest, FolderCountsSaturate) {
  ScanBuffer b;
  ScanRecord r;
  r.Kind = kKindFixed;
  b.Append(r, "root", "", "");
  r.Parent = 0;
  r.Kind = kKindFolder;
  for (int i = 0; i < 40000; ++i) b.Append(r, "d", "d", "");
  CountFolders(b);
  EXPECT_EQ(32767, b[0].DirectFolders);
  EXPECT_EQ(32767, b[0].AllFolders);
  EXPECT_EQ(0, b[0].AllFiles);
}

TEST(ScanTotalsTest, CountText) {
  EXPECT_EQ("1234(56+1178)", CountText(56, 1178));
  EXPECT_EQ("0(0+0)", CountText(0, 0));
}

}  // namespace
}  // namespace fv
