// Several processes on one catalog: the lock, the check that the tables in
// memory are still those on disk, and journals that belong to another
// catalog or are met by a reader.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "catalog/catalog.h"
#include "catalog_fixture.h"
#include "platform/files.h"
#include "support/test_env.h"

namespace fv::test {
namespace {

class SharingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir();
    path = dir + "/Default.fvd";
  }
  // A catalog of A (4 entries), B (30, deleted) and C (3): optimising moves
  // C into B's gap. With stop, the pass is stopped right after its journal
  // is written.
  void Build(const std::string& at, bool stop) {
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(at));
    for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(FakeMedium::Make(n, n[0] == 'B' ? 30 : n[0] == 'A' ? 4 : 3).StoreInto(c));
    ASSERT_TRUE(c.DeleteMedium(1));
    if (!stop) return;
    c.crashPoint = [](const char* step) { return std::string(step) != "journal"; };
    c.Optimise();
    ASSERT_TRUE(Platform().files->Exists(Catalog::JournalPath(at)));
  }
  PlatformScope scope;
  std::string dir, path;
};

// A child process that takes the lock and holds it until told to go.
class Holder {
 public:
  Holder(const std::string& path, LockKind kind) {
    EXPECT_EQ(pipe(ready_), 0);
    EXPECT_EQ(pipe(go_), 0);
    pid_ = fork();
    if (pid_ == 0) {
      Catalog c;
      std::string err;
      const bool ok = c.HoldLock(path, kind, 0, {}, err);
      if (write(ready_[1], ok ? "1" : "0", 1) != 1) _exit(2);
      char ch;
      if (read(go_[0], &ch, 1) != 1) _exit(3);
      _exit(0);
    }
    char ch = 0;
    EXPECT_EQ(read(ready_[0], &ch, 1), 1);
    EXPECT_EQ(ch, '1');
  }
  ~Holder() {
    if (write(go_[1], "x", 1) != 1) kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    for (int fd : {ready_[0], ready_[1], go_[0], go_[1]}) close(fd);
  }

 private:
  int ready_[2], go_[2];
  pid_t pid_;
};

TEST_F(SharingTest, WritersExcludeEachOtherAndReaders) {
  Build(path, false);
  Catalog c;
  std::string err;
  {
    Holder writer(path, LockKind::Exclusive);
    int waited = 0;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(c.HoldLock(path, LockKind::Shared, 200, [&] { ++waited; }, err));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(200));
    EXPECT_EQ(waited, 1);
    // Without a lock of its own a write waits for the holder and then fails,
    // leaving the file as it was.
    ASSERT_TRUE(c.LoadCatalog(path));
    const std::string before = ReadFile(path);
    c.write_lock_wait_ms = 100;
    EXPECT_FALSE(c.DeleteMedium(0));
    EXPECT_TRUE(c.SlotLive(0));
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_NE(scope.messages.TextsUtf8().find("他のプロセスがこのカタログを更新中です"), std::string::npos);
  }
  {
    // Readers share; a writer waits for them.
    Holder reader(path, LockKind::Shared);
    EXPECT_TRUE(c.HoldLock(path, LockKind::Shared, 0, {}, err));
    c.ReleaseLock();
    EXPECT_FALSE(c.HoldLock(path, LockKind::Exclusive, 0, {}, err));
  }
  EXPECT_TRUE(c.HoldLock(path, LockKind::Exclusive, 0, {}, err)) << err;
  EXPECT_TRUE(c.DeleteMedium(0));
  c.ReleaseLock();
}

TEST_F(SharingTest, AWriteOverTablesAnotherProcessChangedIsRefused) {
  Build(path, false);
  Catalog window;  // loaded long ago, idle since
  ASSERT_TRUE(window.LoadCatalog(path));
  ASSERT_TRUE(window.LoadMedium(0));
  {
    Catalog other;  // another program adds a medium meanwhile
    ASSERT_TRUE(other.LoadCatalog(path));
    ASSERT_TRUE(FakeMedium::Make("D", 5).StoreInto(other));
  }
  // Writing the old table would drop D.
  EXPECT_FALSE(window.DeleteMedium(0));
  EXPECT_NE(scope.messages.TextsUtf8().find("他のプロセスによって変更されました"), std::string::npos);
  std::uint8_t mark = 9;
  EXPECT_FALSE(window.SetMark(0, MakeEntryId(0, 1), mark));
  EXPECT_EQ(mark, 0);
  EXPECT_EQ(window.Entry(1).Mark, 0);
  Catalog check;
  ASSERT_TRUE(check.LoadCatalog(path));
  EXPECT_EQ(check.Counts().LiveMedia, 3);
  // Opened again, it writes.
  ASSERT_TRUE(window.LoadCatalog(path));
  EXPECT_TRUE(window.DeleteMedium(0));
  EXPECT_EQ(window.SetMark(0, MakeEntryId(2, 1)), 1);
}

TEST_F(SharingTest, AJournalOfAnotherCatalogIsLeftAloneAndReported) {
  const std::string other = dir + "/Other.fvd";
  Build(other, true);
  Build(path, false);
  {
    Catalog c;  // a second, different pass on the target, so the tables differ
    ASSERT_TRUE(c.LoadCatalog(path));
    ASSERT_TRUE(FakeMedium::Make("E", 2).StoreInto(c));
  }
  WriteFile(Catalog::JournalPath(path), ReadFile(Catalog::JournalPath(other)));
  const std::string before = ReadFile(path);
  Catalog c;
  ASSERT_TRUE(c.LoadCatalog(path));
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_TRUE(Platform().files->Exists(Catalog::JournalPath(path)));
  EXPECT_NE(scope.messages.TextsUtf8().find("このカタログのものではない"), std::string::npos);
  EXPECT_EQ(c.Counts().LiveMedia, 3);
  // Optimising would overwrite it: refused.
  EXPECT_FALSE(c.Optimise());
  EXPECT_TRUE(c.OptimiseFailed());
  EXPECT_EQ(ReadFile(path), before);
  // The other catalog still finishes its own pass.
  Catalog o;
  ASSERT_TRUE(o.LoadCatalog(other));
  EXPECT_EQ(o.Counts().UsedSlots, 2);
  ASSERT_TRUE(o.LoadMedium(1));
  EXPECT_EQ(o.Entry(0).Name.str(), "C");
  EXPECT_EQ(o.LoadedCount(), 3);
}

TEST_F(SharingTest, AReaderNeitherReplaysNorRemovesAJournal) {
  Build(path, true);
  const std::string catalog = ReadFile(path), journal = ReadFile(Catalog::JournalPath(path));
  Catalog reader;
  EXPECT_FALSE(reader.LoadCatalog(path, Access::Read));
  EXPECT_EQ(reader.LastLoadFailure(), LoadFailure::Interrupted);
  EXPECT_EQ(ReadFile(path), catalog);
  EXPECT_EQ(ReadFile(Catalog::JournalPath(path)), journal);
  // A writer finishes the step.
  Catalog writer;
  ASSERT_TRUE(writer.LoadCatalog(path));
  EXPECT_FALSE(Platform().files->Exists(Catalog::JournalPath(path)));
  EXPECT_EQ(writer.Counts().UsedSlots, 2);
  ASSERT_TRUE(writer.LoadMedium(1));
  EXPECT_EQ(writer.Entry(0).Name.str(), "C");
  EXPECT_TRUE(reader.LoadCatalog(path, Access::Read));
}

TEST_F(SharingTest, AJournalWrittenOnlyInPartLeavesTheCatalogReadable) {
  Build(path, true);
  const std::string journal = ReadFile(Catalog::JournalPath(path));
  WriteFile(Catalog::JournalPath(path), journal.substr(0, journal.size() / 2));
  const std::string catalog = ReadFile(path);
  Catalog reader;
  EXPECT_TRUE(reader.LoadCatalog(path, Access::Read));
  EXPECT_TRUE(Platform().files->Exists(Catalog::JournalPath(path)));
  Catalog writer;
  ASSERT_TRUE(writer.LoadCatalog(path));
  EXPECT_FALSE(Platform().files->Exists(Catalog::JournalPath(path)));
  EXPECT_EQ(ReadFile(path), catalog);
  EXPECT_EQ(writer.Counts().UsedSlots, 3);
}

TEST_F(SharingTest, JournalsAndReplacedFilesAreMadeDurableInTheirFolder) {
  Build(path, false);
  scope.UseFaultyFiles();
  Catalog c;
  ASSERT_TRUE(c.LoadCatalog(path));
  c.LoadLongNameFile();
  ASSERT_TRUE(c.Optimise());
  // One run: the journal's creation and its removal.
  EXPECT_GE(scope.faulty.calls(FaultyFileSystem::Op::SyncFolder), 2);
}

TEST_F(SharingTest, AnythingButARegularFileIsRefusedWithoutBlocking) {
  const std::string fifo = dir + "/pipe.fvd";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  Catalog c;
  EXPECT_FALSE(c.LoadCatalog(fifo));  // would block forever on a plain open
  EXPECT_EQ(c.LastLoadFailure(), LoadFailure::IoError);
  EXPECT_NE(scope.messages.TextsUtf8().find("Not a regular file"), std::string::npos);
  EXPECT_FALSE(c.LoadCatalog(dir));
}

}  // namespace
}  // namespace fv::test
