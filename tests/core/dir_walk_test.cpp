#include "platform/dir_walk.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>

#include "support/deep_tree.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

std::map<std::string, DirEntry> ListByRawName(const std::string& dir) {
  PosixDirectoryWalker w;
  std::vector<DirEntry> v;
  EXPECT_TRUE(w.ListAll(dir, v));
  std::map<std::string, DirEntry> m;
  for (auto& e : v) m[e.raw_name] = e;
  EXPECT_EQ(m.size(), v.size());
  return m;
}

TEST(DirWalkTest, ListsEveryEntryWithSizesTypesAndNames) {
  std::string d = test::MakeTempDir();
  test::WriteFile(d + "/plain.txt", "12345");
  test::WriteFile(d + "/日本語の名前.txt", "x");
  test::WriteFile(d + "/emoji😀.txt", "");
  test::WriteFile(d + "/bad\xff\xfe.bin", "ab");  // not UTF-8
  mkdir((d + "/sub").c_str(), 0755);
  ASSERT_EQ(symlink("sub", (d + "/link").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/target", (d + "/dangling").c_str()), 0);
  // Sparse: 5,000,000,000 bytes, nothing allocated.
  ASSERT_EQ(truncate((d + "/plain.txt").c_str(), 5'000'000'000LL), 0);
  struct timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 250}};
  ASSERT_EQ(utimensat(AT_FDCWD, (d + "/sub").c_str(), times, 0), 0);

  auto m = ListByRawName(d);
  ASSERT_EQ(m.size(), 7u);
  EXPECT_FALSE(m.count(".") || m.count(".."));

  EXPECT_EQ(m["plain.txt"].size, 5'000'000'000LL);
  EXPECT_LT(m["plain.txt"].allocated, 1'000'000);
  EXPECT_EQ(m["plain.txt"].name, "plain.txt");
  EXPECT_EQ(m["日本語の名前.txt"].name, Sj("日本語の名前.txt"));
  EXPECT_EQ(m["emoji😀.txt"].name, "emoji?.txt");
  EXPECT_EQ(m["bad\xff\xfe.bin"].name.substr(0, 3), "bad");
  EXPECT_NE(m["bad\xff\xfe.bin"].name.find('?'), std::string::npos);
  EXPECT_EQ(m["bad\xff\xfe.bin"].size, 2);

  EXPECT_TRUE(m["sub"].is_dir);
  EXPECT_EQ(m["sub"].mtime, 1'000'000'000);
  EXPECT_EQ(m["sub"].mtime_nsec, 250);
  // Links are recorded as themselves and not followed.
  EXPECT_TRUE(m["link"].is_symlink);
  EXPECT_FALSE(m["link"].is_dir);
  EXPECT_EQ(m["link"].size, 3);  // the length of "sub"
  EXPECT_TRUE(m["dangling"].is_symlink);
  EXPECT_TRUE(m["dangling"].stat_ok);
}

TEST(DirWalkTest, AttributeByte) {
  struct {
    std::uint32_t mode;
    bool dir, link;
    const char* name;
    std::uint8_t expected;
  } cases[] = {
      {S_IFREG | 0644, false, false, "a.txt", 0x20},
      {S_IFREG | 0444, false, false, "a.txt", 0x21},
      {S_IFREG | 0600, false, false, ".profile", 0x22},
      {S_IFREG | 0400, false, false, ".ro", 0x23},
      {S_IFDIR | 0755, true, false, "dir", 0x10},
      {S_IFDIR | 0555, true, false, ".git", 0x13},
      {S_IFLNK | 0777, false, true, "link", 0x20},
      {S_IFIFO | 0644, false, false, "fifo", 0x80},
      {S_IFSOCK | 0444, false, false, "sock", 0x01},
      {S_IFCHR | 0620, false, false, ".tty", 0x02},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AttributesOf(c.mode, c.dir, c.link, c.name), c.expected) << c.name << " " << std::oct << c.mode;

  // The walk applies the same mapping.
  std::string d = test::MakeTempDir();
  test::WriteFile(d + "/.hidden", "");
  chmod((d + "/.hidden").c_str(), 0444);
  mkfifo((d + "/fifo").c_str(), 0644);
  auto m = ListByRawName(d);
  EXPECT_EQ(m[".hidden"].attributes, 0x23);
  EXPECT_EQ(m["fifo"].attributes, 0x80);
}

TEST(DirWalkTest, FolderThatCannotBeListedFailsAndDeliversNothing) {
  std::string d = test::MakeTempDir();
  test::WriteFile(d + "/file", "x");
  PosixDirectoryWalker w;
  for (std::string p : {d + "/missing", d + "/file", std::string()}) {
    int calls = 0;
    std::string err;
    EXPECT_FALSE(w.List(p, [&](const DirEntry&) { ++calls; }, &err)) << p;
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(err.empty());
  }
  // An empty folder lists fine with no entries.
  std::vector<DirEntry> v;
  EXPECT_TRUE(w.ListAll(test::MakeTempDir(), v));
  EXPECT_TRUE(v.empty());
}

TEST(DirWalkTest, FolderDeeperThanAPathCanNameIsListed) {
  const std::string d = test::MakeTempDir();
  const std::string deepest = test::MakeDeepTree(d, 1000, "dddd");
  ASSERT_GT(deepest.size(), static_cast<std::size_t>(PATH_MAX));
  PosixDirectoryWalker w;
  std::vector<DirEntry> v;
  std::string err;
  ASSERT_TRUE(w.ListAll(deepest, v, &err)) << err;
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].raw_name, "bottom.txt");
  EXPECT_TRUE(v[0].stat_ok);
  EXPECT_EQ(v[0].size, 3);
  // A relative path goes the same way, and a missing folder still fails.
  const int cwd = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(chdir(d.c_str()), 0);
  EXPECT_TRUE(w.ListAll(deepest.substr(d.size() + 1), v, &err)) << err;
  EXPECT_EQ(v.size(), 1u);
  ASSERT_EQ(fchdir(cwd), 0);
  close(cwd);
  EXPECT_FALSE(w.ListAll(deepest + "/missing", v, &err));
  EXPECT_FALSE(w.ListAll(deepest + "/bottom.txt", v, &err));
  EXPECT_TRUE(test::RemoveTree(d + "/dddd"));
}

TEST(DirWalkTest, LargeFolderNeedsSeveralReads) {
  std::string d = test::MakeTempDir();
  // Long names so the listing spans several 32 KiB kernel reads.
  std::string pad(150, 'n');
  for (int i = 0; i < 1200; ++i) test::WriteFile(d + "/" + pad + std::to_string(i), "");
  PosixDirectoryWalker w;
  std::vector<DirEntry> v;
  ASSERT_TRUE(w.ListAll(d, v));
  ASSERT_EQ(v.size(), 1200u);
  std::vector<std::string> names;
  for (auto& e : v) names.push_back(e.raw_name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
}

}  // namespace
}  // namespace fv
