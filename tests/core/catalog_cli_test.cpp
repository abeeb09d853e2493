// ferrovan-cli create / media / delete / optimise.

#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/catalog.h"
#include "catalog_fixture.h"
#include "platform/files.h"
#include "support/test_env.h"

namespace fv::test {
namespace {

// home: a folder for the run's settings and drive map (adding binds letters).
std::string Cli(const std::string& args, int* rc = nullptr, const std::string& home = {}) {
  std::string out;
  const std::string env = home.empty() ? std::string() : "XDG_CONFIG_HOME='" + home + "/config' ";
  int r = RunCommand(env + FERROVAN_CLI_PATH + " " + args + " 2>&1", &out);
  if (rc) *rc = r;
  return out;
}

TEST(CatalogCli, CreateListDeleteOptimise) {
  PlatformScope scope;
  const std::string dir = MakeTempDir();
  int rc = -1;
  EXPECT_EQ(Cli("create " + dir + "/c", &rc), dir + "/c.fvd\n");
  EXPECT_EQ(rc, 0);
  const std::string path = dir + "/c.fvd";
  EXPECT_EQ(Cli("media " + path, &rc), "");
  EXPECT_EQ(rc, 0);

  Catalog c;
  ASSERT_TRUE(c.LoadCatalog(path));
  FakeMedium a = FakeMedium::Make(Sj("ディスクA"), 3);
  a.info.Classification = Sj("写真");
  a.info.Location = Sj("棚");
  a.info.LocationDetail = "12";
  ASSERT_TRUE(a.StoreInto(c));
  ASSERT_TRUE(FakeMedium::Make("B", 5).StoreInto(c));

  const std::string listed = Cli("media " + path);
  EXPECT_EQ(listed.rfind("0\tlive\tディスクA\t0\t3\t写真\t棚\t12\t2025/01/01(", 0), 0u) << listed;
  EXPECT_NE(listed.find("1\tlive\tB\t3\t5\t"), std::string::npos) << listed;
  // The registration time in the configured picture: 2025/01/01(...) ...
  EXPECT_NE(listed.find("2025/01/01("), std::string::npos) << listed;

  EXPECT_NE(Cli("delete " + path + " nobody", &rc).find("no medium named"), std::string::npos);
  EXPECT_EQ(rc, 1);
  Cli("delete " + path + " ディスクA", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_NE(Cli("media " + path).find("0\tdeleted\t\t0\t3\t"), std::string::npos);

  Cli("optimise " + path, &rc);
  EXPECT_EQ(rc, 0);
  const std::string after = Cli("media " + path);
  EXPECT_EQ(after.substr(0, 15), "0\tlive\tB\t0\t5\t\t\t");
  EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 1);

  EXPECT_NE(Cli("media " + dir + "/missing.fvd", &rc).find("no catalog"), std::string::npos);
  EXPECT_EQ(rc, 1);
}

long Lines(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }

// A catalog of two media at dir/c.fvd, for the commands below.
std::string TwoMediaCatalog(const std::string& dir) {
  const std::string path = dir + "/c.fvd";
  Catalog c;
  EXPECT_TRUE(c.CreateCatalog(path));
  EXPECT_TRUE(FakeMedium::Make("A", 3).StoreInto(c));
  EXPECT_TRUE(FakeMedium::Make("B", 4).StoreInto(c));
  return path;
}

TEST(CatalogCli, EveryCommandTakesTheNameWithoutItsExtensionAndNeverCreatesOverACatalog) {
  PlatformScope scope;
  const std::string dir = MakeTempDir(), tree = MakeTempDir();
  WriteFile(tree + "/x.txt", "x");
  const std::string path = TwoMediaCatalog(dir);
  int rc = -1;
  // "c" names c.fvd: the medium is added to it, nothing is created over it.
  Cli("--wait 5 add " + dir + "/c " + tree + " --name T", &rc, dir);
  EXPECT_EQ(rc, 0);
  EXPECT_FALSE(Platform().files->Exists(dir + "/c"));
  const std::string listed = Cli("media " + dir + "/c", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Lines(listed), 3) << listed;
  // create refuses an existing catalog unless told to overwrite it.
  EXPECT_NE(Cli("create " + dir + "/c", &rc).find("exists already"), std::string::npos);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(Lines(Cli("media " + path)), 3);
  Cli("create " + dir + "/c --overwrite", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Cli("media " + path), "");
  // Anything but a regular file is refused at once (a FIFO would block).
  ASSERT_EQ(RunCommand("mkfifo " + dir + "/p.fvd"), 0);
  for (const char* cmd : {"media", "ls", "optimise"}) {
    EXPECT_NE(Cli(std::string("--wait 0 ") + cmd + " " + dir + "/p.fvd", &rc).find("not a regular file"),
              std::string::npos)
        << cmd;
    EXPECT_EQ(rc, 1) << cmd;
  }
}

TEST(CatalogCli, ConcurrentAddsBothStoreTheirMedium) {
  PlatformScope scope;
  const std::string dir = MakeTempDir();
  const std::string path = TwoMediaCatalog(dir);
  std::string script = "cd '" + dir + "' && export XDG_CONFIG_HOME='" + dir + "/config'; ";
  for (int i = 0; i < 4; ++i) {
    const std::string t = dir + "/t" + std::to_string(i);
    ASSERT_EQ(RunCommand("mkdir -p " + t + "/sub && seq 1 300 | sed 's|^|" + t + "/sub/f|' | xargs touch"), 0);
    script += std::string(FERROVAN_CLI_PATH) + " add " + path + " " + t + " --name M" + std::to_string(i) +
              " >/dev/null 2>&1 & ";
  }
  script += "fail=0; for j in $(jobs -p); do wait $j || fail=1; done; exit $fail\n";
  WriteFile(dir + "/adds.sh", script);
  ASSERT_EQ(RunCommand("bash " + dir + "/adds.sh"), 0);
  Catalog c;
  ASSERT_TRUE(c.LoadCatalog(path));
  c.LoadLongNameFile();
  EXPECT_EQ(c.Counts().LiveMedia, 6);
  for (int s = 0; s < c.Counts().UsedSlots; ++s) {
    ASSERT_TRUE(c.LoadMedium(s));
    const std::string name = c.Medium(s).Name.str();
    EXPECT_EQ(c.LoadedCount(), name == "A" ? 3 : name == "B" ? 4 : 302) << name;
  }
}

TEST(CatalogCli, AWriterWaitsForTheLockOrSaysWhyNot) {
  PlatformScope scope;
  const std::string dir = MakeTempDir();
  const std::string path = TwoMediaCatalog(dir);
  Catalog holder;
  std::string err;
  ASSERT_TRUE(holder.HoldLock(path, LockKind::Shared, 0, {}, err));
  int rc = -1;
  const std::string out = Cli("--wait 1 delete " + path + " A", &rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("他のプロセスがこのカタログを更新中です…"), std::string::npos) << out;
  EXPECT_NE(out.find("in use by another process"), std::string::npos) << out;
  // Readers share the lock.
  EXPECT_EQ(Lines(Cli("media " + path, &rc)), 2);
  EXPECT_EQ(rc, 0);
  holder.ReleaseLock();
  Cli("delete " + path + " A", &rc);
  EXPECT_EQ(rc, 0);
}

TEST(CatalogCli, ACommentOrMarkThatCannotBeWrittenFails) {
  PlatformScope scope;
  const std::string dir = MakeTempDir();
  const std::string path = TwoMediaCatalog(dir);
  // Even root cannot write an immutable file.
  if (RunCommand("chattr +i " + path + " 2>/dev/null") != 0) GTEST_SKIP() << "no immutable files here";
  int rc = -1;
  const std::string comment = Cli("comment " + path + " 'A\\f1' hello", &rc);
  EXPECT_EQ(rc, 1) << comment;
  const std::string mark = Cli("mark " + path + " 'A\\f2'", &rc);
  EXPECT_EQ(rc, 1) << mark;
  RunCommand("chattr -i " + path);
  Catalog c;
  ASSERT_TRUE(c.LoadCatalog(path));
  EXPECT_EQ(c.Comment(0).Owner, -1);
  ASSERT_TRUE(c.LoadMedium(0));
  EXPECT_EQ(c.Entry(2).Mark, 0);
  EXPECT_EQ(c.Entry(1).CommentIndex, -1);
  Cli("comment " + path + " 'A\\f1' hello", &rc);
  EXPECT_EQ(rc, 0);
}

}  // namespace
}  // namespace fv::test
