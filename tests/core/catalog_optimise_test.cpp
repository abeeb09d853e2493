// Deleting media and compacting the catalog, including a stop at any point
// of adding or compacting.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "catalog/catalog.h"
#include "catalog_fixture.h"
#include "platform/files.h"
#include "support/test_env.h"

namespace fv::test {
namespace {

constexpr std::int64_t kRec = sizeof(EntryRecord);

// A medium whose file names carry its own name; every third one is longer
// than the Name field.
FakeMedium Named(const std::string& name, int entries) {
  FakeMedium m = FakeMedium::Make(name, entries);
  for (int i = 1; i < entries; ++i)
    m.names[static_cast<std::size_t>(i)] =
        name + "-" + (i % 3 == 0 ? std::string(95, 'x') : std::string()) + std::to_string(i);
  return m;
}

// The live media of the catalog on disk, in slot order, are exactly these,
// every entry with its full name.
void ExpectCatalog(const std::string& path, const std::vector<FakeMedium>& media) {
  Catalog c;
  ASSERT_TRUE(c.LoadCatalog(path));
  c.LoadLongNameFile();
  ASSERT_EQ(c.Counts().LiveMedia, static_cast<int>(media.size()));
  std::size_t live = 0;
  for (int s = 0; s < c.Counts().UsedSlots; ++s) {
    if (!c.SlotLive(s)) continue;
    const FakeMedium& m = media[live++];
    ASSERT_EQ(c.Medium(s).Name.str(), m.names[0]);
    ASSERT_TRUE(c.LoadMedium(s)) << m.names[0];
    ASSERT_EQ(c.LoadedCount(), static_cast<int>(m.names.size())) << m.names[0];
    for (int e = 0; e < c.LoadedCount(); ++e) {
      EXPECT_EQ(c.LoadedFullName(e), m.names[static_cast<std::size_t>(e)]) << m.names[0] << " " << e;
      EXPECT_EQ(c.FullName(MakeEntryId(s, e), c.Entry(e).Name.view()), m.names[static_cast<std::size_t>(e)]);
    }
  }
}

class OptimiseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir();
    path = dir + "/Default.fvd";
  }
  // Creates a catalog, adds the media and deletes those named.
  void Build(Catalog& c, const std::vector<FakeMedium>& media, const std::vector<int>& deleted) {
    ASSERT_TRUE(c.CreateCatalog(path));
    for (const FakeMedium& m : media) ASSERT_TRUE(m.StoreInto(c));
    for (int d : deleted) ASSERT_TRUE(c.DeleteMedium(d));
  }
  PlatformScope scope;
  std::string dir, path;
};

TEST_F(OptimiseTest, MiddleMediumRemovedLaterOneMovesWithItsNamesPictureAndComments) {
  Catalog c;
  const FakeMedium P = Named("P", 100), Q = Named("Q", 50), R = Named("R", 20);
  Build(c, {P, Q, R}, {});
  ASSERT_TRUE(c.LongNames().SetPicturePath(2, "/pics/r.jpg"));
  // Comments on an entry of R and of Q.
  c.MutableComment(0).Owner = MakeEntryId(2, 7);
  c.MutableComment(0).Text = "r7";
  c.MutableComment(1).Owner = MakeEntryId(1, 3);
  c.MutableComment(1).Text = "q3";
  ASSERT_TRUE(c.SaveComment(0));
  ASSERT_TRUE(c.SaveComment(1));
  ASSERT_TRUE(c.DeleteMedium(1));

  // R's block starts after P's and Q's.
  std::string bytes = ReadFile(path);
  EntryRecord root;
  std::memcpy(&root, bytes.data() + 2906000 + kRec * 150, sizeof root);
  EXPECT_EQ(root.Name.str(), "R");
  const std::int64_t before = static_cast<std::int64_t>(bytes.size());
  const std::int32_t q_first = c.Medium(1).FirstEntry;
  EXPECT_EQ(q_first, 100);

  std::vector<std::string> progress;
  ASSERT_TRUE(c.Optimise([&](const std::string& t) { progress.push_back(t); }));
  EXPECT_EQ(progress.front(), Sj("最適化中...(1/1)"));
  EXPECT_EQ(progress.back(), "");

  EXPECT_EQ(c.Medium(1).Name.str(), "R");
  EXPECT_EQ(c.Medium(1).FirstEntry, q_first);
  EXPECT_EQ(c.Counts().UsedSlots, 2);
  EXPECT_FALSE(c.SlotUsed(2));
  EXPECT_EQ(static_cast<std::int64_t>(ReadFile(path).size()), before - kRec * 50);
  EXPECT_EQ(c.LongNames().PicturePath(1), "/pics/r.jpg");
  EXPECT_EQ(c.LongNames().PicturePath(2), "");
  EXPECT_EQ(c.LongNames().Header().SlotsInUse, 2);
  EXPECT_EQ(c.Comment(0).Owner, MakeEntryId(1, 7));
  EXPECT_EQ(c.Comment(1).Owner, -1);
  EXPECT_TRUE(c.Comment(1).Text.empty());
  EXPECT_FALSE(Platform().files->Exists(Catalog::JournalPath(path)));

  ExpectCatalog(path, {P, R});
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  fresh.LoadLongNameFile();
  EXPECT_EQ(fresh.Comment(0).Owner, MakeEntryId(1, 7));
  EXPECT_EQ(fresh.LongNames().PicturePath(1), "/pics/r.jpg");
  // P's and R's long names, packed.
  EXPECT_EQ(fresh.LongNames().RecordCount(), 33 + 6);
}

TEST_F(OptimiseTest, OnlyTheLastMediumDeletedTruncatesAfterThePreviousBlock) {
  Catalog c;
  const FakeMedium A = Named("A", 10), B = Named("B", 12);
  Build(c, {A, B}, {1});
  ASSERT_TRUE(c.Optimise());
  EXPECT_EQ(ReadFile(path).size(), 2906000u + 10 * kRec);
  EXPECT_EQ(c.Counts().UsedSlots, 1);
  EXPECT_EQ(c.LongNames().Header().SlotsInUse, 1);
  EXPECT_EQ(c.LongNames().RecordCount(), 3);
  ExpectCatalog(path, {A});
}

TEST_F(OptimiseTest, ABigBlockMovesPieceByPieceTellingTheStatusBetween) {
  Catalog c;
  const FakeMedium A = Named("A", 5), B = Named("B", 3), C = Named("C", 60000);
  Build(c, {A, B, C}, {1});
  std::vector<std::string> told;
  ASSERT_TRUE(c.Optimise([&](const std::string& t) { told.push_back(t); }));
  // One run, 9.6 MB moved over itself: copied into the journal and back in
  // pieces, the status told again between them, then cleared.
  EXPECT_GE(told.size(), 6u);
  for (std::size_t i = 0; i + 1 < told.size(); ++i) EXPECT_EQ(told[i], Sj("最適化中...(1/1)"));
  EXPECT_EQ(told.back(), "");
  ExpectCatalog(path, {A, C});
}

TEST_F(OptimiseTest, NothingDeletedChangesNothing) {
  Catalog c;
  Build(c, {Named("A", 4)}, {});
  const std::string before = ReadFile(path);
  EXPECT_FALSE(c.Optimise());
  EXPECT_FALSE(c.OptimiseFailed());
  EXPECT_EQ(ReadFile(path), before);
}

TEST_F(OptimiseTest, RunsOfMediaMoveOverSeveralGapsAndOverThemselves) {
  Catalog c;
  // B and E deleted; C+D move over B (overlapping their old place), F over
  // B and E.
  const FakeMedium A = Named("A", 3), B = Named("B", 4), C = Named("C", 25), D = Named("D", 6),
                   E = Named("E", 2), F = Named("F", 30);
  Build(c, {A, B, C, D, E, F}, {1, 4});
  ASSERT_TRUE(c.Optimise());
  EXPECT_EQ(ReadFile(path).size(), 2906000u + (3 + 25 + 6 + 30) * kRec);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(c.Medium(s).FirstEntry, (c.BlockOffset(s) - 2906000) / kRec);
  ExpectCatalog(path, {A, C, D, F});
  // A second deletion and pass on the compacted catalog.
  ASSERT_TRUE(c.DeleteMedium(0));
  ASSERT_TRUE(c.Optimise());
  ExpectCatalog(path, {C, D, F});
}

TEST_F(OptimiseTest, DeletingTheFirstOfTwoKeepsTheSecondsLongNames) {
  Catalog c;
  const FakeMedium A = Named("A", 10), B = Named("B", 40);
  Build(c, {A, B}, {0});
  ASSERT_TRUE(c.Optimise());
  ExpectCatalog(path, {B});
}

// A stop (the process killed) at every step of a pass leaves a catalog
// that loads with every medium its table names complete; loading it again
// finishes or drops the interrupted step.
TEST_F(OptimiseTest, AStopAtAnyStepLeavesACompleteCatalog) {
  const FakeMedium A = Named("A", 3), B = Named("B", 4), C = Named("C", 25), D = Named("D", 6),
                   E = Named("E", 2), F = Named("F", 30);
  for (int stop_at = 0;; ++stop_at) {
    Catalog c;
    Build(c, {A, B, C, D, E, F}, {1, 4});
    int step = 0;
    std::string stopped;
    c.crashPoint = [&](const char* name) {
      if (step++ != stop_at) return true;
      stopped = name;
      return false;
    };
    const bool finished = c.Optimise();
    ExpectCatalog(path, {A, C, D, F});
    if (finished) {
      EXPECT_EQ(stop_at, 8);  // two runs of four steps; the last one cuts the file
      break;
    }
    ASSERT_FALSE(stopped.empty());
    // The next pass completes the work.
    Catalog again;
    ASSERT_TRUE(again.LoadCatalog(path));
    again.LoadLongNameFile();
    again.Optimise();
    EXPECT_EQ(again.Counts().UsedSlots, 4) << "stopped at " << stopped;
    EXPECT_EQ(ReadFile(path).size(), 2906000u + 64 * kRec) << "stopped at " << stopped;
    ExpectCatalog(path, {A, C, D, F});
  }
}

// The same with a real process death: while a large block moves over
// itself, and, for a block that moves into a larger gap, right after the
// journal is on disk and before anything is copied (-1).
TEST_F(OptimiseTest, AProcessKilledWhileMovingLeavesACompleteCatalog) {
  const FakeMedium A = Named("A", 5), B = Named("B", 3), C = Named("C", 60000), D = Named("D", 7);
  struct Kill {
    std::vector<FakeMedium> media;
    int deleted;
    int delay_us;
  };
  for (const Kill& k : {Kill{{A, B, C}, 1, 0}, Kill{{A, B, C}, 1, 1000}, Kill{{A, B, C}, 1, 3000},
                        Kill{{A, C, D}, 1, -1}, Kill{{A, C, D}, 1, 0}}) {
    const int delay_us = k.delay_us;
    {
      Catalog c;
      Build(c, k.media, {k.deleted});
    }
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      Catalog c;
      c.LoadCatalog(path);
      c.LoadLongNameFile();
      c.crashPoint = [&](const char* step) {
        if (std::string(step) == "journal") {
          if (write(fds[1], "j", 1) != 1) _exit(2);
          if (delay_us < 0) pause();
          usleep(static_cast<useconds_t>(delay_us));
        }
        return true;
      };
      c.Optimise();
      pause();  // killed here at the latest
      _exit(0);
    }
    char ch = 0;
    ASSERT_EQ(read(fds[0], &ch, 1), 1);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(fds[0]);
    close(fds[1]);
    std::vector<FakeMedium> kept = k.media;
    kept.erase(kept.begin() + k.deleted);
    ExpectCatalog(path, kept);
  }
}

// Stopping the process at every change the file layer sees (each write,
// truncation, sync, rename, removal and folder sync), with the write it
// stops in done in full or torn in half: the catalog then loads with every
// medium it lists complete, and a later pass finishes the work.
struct StopCase {
  const char* what;
  std::vector<int> sizes;    // media A, B, C, ... with these entry counts
  std::vector<int> deleted;  // slots deleted before the pass
  friend void PrintTo(const StopCase& c, std::ostream* os) { *os << c.what; }
};

class StopEverywhereTest : public OptimiseTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopEverywhereTest, OptimiseLeavesTheStateBeforeOrAfterEachStep) {
  const StopCase& sc = GetParam();
  std::vector<FakeMedium> all, kept;
  for (std::size_t i = 0; i < sc.sizes.size(); ++i) {
    all.push_back(Named(std::string(1, static_cast<char>('A' + i)), sc.sizes[i]));
    if (std::find(sc.deleted.begin(), sc.deleted.end(), static_cast<int>(i)) == sc.deleted.end())
      kept.push_back(all.back());
  }
  std::int64_t entries = 0;
  for (const FakeMedium& m : kept) entries += static_cast<std::int64_t>(m.names.size());
  scope.UseFaultyFiles();
  for (bool tear : {false, true}) {
    for (int stop_at = 0;; ++stop_at) {
      SCOPED_TRACE(std::string(sc.what) + (tear ? " torn" : "") + " stop " + std::to_string(stop_at));
      scope.faulty.stop_at = -1;
      {
        Catalog c;
        Build(c, all, sc.deleted);
      }
      Catalog c;
      ASSERT_TRUE(c.LoadCatalog(path));
      c.LoadLongNameFile();
      scope.faulty.stop_at = stop_at;
      scope.faulty.tear = tear;
      scope.faulty.changes = 0;
      bool stopped = false;
      try {
        c.Optimise();
      } catch (const ProcessStopped&) {
        stopped = true;
      }
      scope.faulty.stop_at = -1;
      SCOPED_TRACE("at " + scope.faulty.stopped_at);
      ExpectCatalog(path, kept);
      if (!stopped) break;
      Catalog again;
      ASSERT_TRUE(again.LoadCatalog(path));
      again.LoadLongNameFile();
      again.Optimise();
      EXPECT_EQ(again.Counts().UsedSlots, static_cast<int>(kept.size()));
      EXPECT_EQ(static_cast<std::int64_t>(ReadFile(path).size()), 2906000 + entries * kRec);
      ExpectCatalog(path, kept);
      EXPECT_FALSE(Platform().files->Exists(Catalog::JournalPath(path)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Moves, StopEverywhereTest,
    ::testing::Values(StopCase{"runs over themselves and over gaps", {3, 4, 25, 6, 2, 30}, {1, 4}},
                      // A small block moves into the larger gap it is not part of.
                      StopCase{"into a larger gap", {5, 40, 3}, {1}},
                      StopCase{"gap, then over itself", {5, 40, 3, 2, 60}, {1, 3}},
                      StopCase{"only the tail deleted", {5, 6, 7}, {1, 2}}),
    [](const ::testing::TestParamInfo<StopCase>& i) { return "Case" + std::to_string(i.index); });

TEST_F(OptimiseTest, StopsAtEveryChangeOfAddingAndDeleting) {
  const FakeMedium A = Named("A", 5), B = Named("B", 40);
  scope.UseFaultyFiles();
  for (bool tear : {false, true}) {
    for (int stop_at = 0;; ++stop_at) {
      SCOPED_TRACE(std::to_string(stop_at) + (tear ? " torn" : ""));
      scope.faulty.stop_at = -1;
      Catalog c;
      Build(c, {A}, {});
      scope.faulty.stop_at = stop_at;
      scope.faulty.tear = tear;
      scope.faulty.changes = 0;
      bool stopped = false;
      try {
        ASSERT_TRUE(B.StoreInto(c));
        ASSERT_TRUE(c.DeleteMedium(0));
      } catch (const ProcessStopped&) {
        stopped = true;
      }
      scope.faulty.stop_at = -1;
      SCOPED_TRACE("at " + scope.faulty.stopped_at);
      Catalog fresh;
      ASSERT_TRUE(fresh.LoadCatalog(path));
      // A is deleted only after B is complete; B is there or not at all.
      const int live = fresh.Counts().LiveMedia;
      if (live == 2) {
        ExpectCatalog(path, {A, B});
      } else if (live == 1 && fresh.SlotLive(0)) {
        ExpectCatalog(path, {A});
      } else {
        ExpectCatalog(path, {B});
      }
      if (!stopped) {
        EXPECT_EQ(live, 1);
        EXPECT_FALSE(fresh.SlotLive(0));
        break;
      }
    }
  }
}

TEST_F(OptimiseTest, AStopAtAnyStepOfAddingLeavesTheEarlierMedia) {
  const FakeMedium A = Named("A", 5), B = Named("B", 9);
  for (int stop_at = 0;; ++stop_at) {
    Catalog c;
    Build(c, {A}, {});
    int step = 0;
    c.crashPoint = [&](const char*) { return step++ != stop_at; };
    const bool finished = B.StoreInto(c);
    if (finished) {
      ExpectCatalog(path, {A, B});
      break;
    }
    Catalog fresh;
    ASSERT_TRUE(fresh.LoadCatalog(path));
    fresh.LoadLongNameFile();
    EXPECT_EQ(fresh.Counts().LiveMedia, 1);
    ExpectCatalog(path, {A});
    // Adding again after the stop works and keeps everything.
    ASSERT_TRUE(B.StoreInto(fresh));
    ExpectCatalog(path, {A, B});
  }
}

TEST_F(OptimiseTest, AFailedAddGivesTheFileItsLengthBack) {
  Catalog c;
  Build(c, {Named("A", 5)}, {});
  const std::string before = ReadFile(path);
  scope.UseFaultyFiles();
  // The long names (B has some) cannot be written: the block was already.
  scope.faulty.faults = {{FaultyFileSystem::Op::Rename, ".lfn", 0, -1, 0, "No space left on device"}};
  EXPECT_FALSE(Named("B", 40).StoreInto(c));
  scope.faulty.faults.clear();
  EXPECT_EQ(ReadFile(path), before);
  ExpectCatalog(path, {Named("A", 5)});
}

TEST_F(OptimiseTest, AShortReadWhileMovingStopsWithoutLosingData) {
  Catalog c;
  const FakeMedium A = Named("A", 3), B = Named("B", 4), C = Named("C", 25), D = Named("D", 6),
                   E = Named("E", 2), F = Named("F", 30);
  Build(c, {A, B, C, D, E, F}, {1, 4});
  scope.UseFaultyFiles();
  // The first run moves; reading the second run's block fails.
  scope.faulty.faults = {{FaultyFileSystem::Op::Read, "Default.fvd", 1, 1, 0, "Input/output error"}};
  EXPECT_FALSE(c.Optimise());
  EXPECT_TRUE(c.OptimiseFailed());
  EXPECT_NE(scope.messages.TextsUtf8().find("Input/output error"), std::string::npos);
  scope.faulty.faults.clear();
  ExpectCatalog(path, {A, C, D, F});
  EXPECT_GT(c.Counts().UsedSlots - c.Counts().LiveMedia, 0);  // still something to do
  ASSERT_TRUE(c.Optimise());
  ExpectCatalog(path, {A, C, D, F});
}

TEST_F(OptimiseTest, DeleteMarksTheSlot) {
  Catalog c;
  Build(c, {Named("A", 3), Named("B", 3)}, {});
  EXPECT_FALSE(c.DeleteMedium(5));
  ASSERT_TRUE(c.DeleteMediumById(MakeEntryId(0, 2)));
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  EXPECT_TRUE(fresh.SlotDeleted(0));
  EXPECT_NE(fresh.Medium(0).DeletedTime, 0);
  EXPECT_EQ(fresh.Medium(0).EntryCount, 3);
  EXPECT_EQ(fresh.Counts().UsedSlots, 2);
  EXPECT_EQ(fresh.Counts().LiveMedia, 1);
  ASSERT_TRUE(fresh.LoadMedium(1));
  EXPECT_EQ(fresh.Entry(0).Name.str(), "B");
}

}  // namespace
}  // namespace fv::test
