// The catalog file and its long-name file: layout, loading, writing through,
// damaged input and failing writes.

#include "catalog/catalog.h"

#include <gtest/gtest.h>

#include <cstring>

#include "catalog_fixture.h"
#include "platform/files.h"
#include "support/test_env.h"

namespace fv::test {
namespace {

constexpr std::int64_t kRec = sizeof(EntryRecord);

EntryRecord EntryAt(const std::string& bytes, std::int64_t offset) {
  EntryRecord r;
  std::memcpy(&r, bytes.data() + offset, sizeof r);
  return r;
}

MediumRecord SlotAt(const std::string& bytes, int s) {
  MediumRecord r;
  std::memcpy(&r, bytes.data() + s * sizeof(MediumRecord), sizeof r);
  return r;
}

class CatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir();
    path = dir + "/Default.fvd";
    ASSERT_TRUE(cat.CreateCatalog(path));
  }
  // A second instance that sees only what is on disk.
  static bool Reload(Catalog& fresh, const std::string& p) {
    if (!fresh.LoadCatalog(p)) return false;
    fresh.LoadLongNameFile();
    return true;
  }
  PlatformScope scope;
  std::string dir, path;
  Catalog cat;
};

TEST_F(CatalogTest, FreshFilesHaveTheirExactSizes) {
  EXPECT_EQ(ReadFile(path).size(), 2906000u);
  EXPECT_EQ(ReadFile(dir + "/Default.lfn").size(), 2624512u);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  EXPECT_EQ(fresh.Counts().UsedSlots, 0);
  EXPECT_EQ(fresh.Comment(4999).Owner, -1);
}

TEST_F(CatalogTest, FirstMediumStartsTheEntryArea) {
  ASSERT_TRUE(FakeMedium::Make(Sj("ディスク1"), 3).StoreInto(cat));
  EXPECT_EQ(cat.Medium(0).FirstEntry, 0);
  EXPECT_EQ(cat.Medium(0).EntryCount, 3);
  EXPECT_EQ(cat.LoadedMediumIndex(), -1);
  const std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 2906000u + 3 * kRec);
  EXPECT_EQ(EntryAt(bytes, 2906000).Name.str(), Sj("ディスク1"));
  EXPECT_EQ(EntryAt(bytes, 2906000 + 2 * kRec).Name.str(), "f2");
  EXPECT_EQ(EntryAt(bytes, 2906000 + 2 * kRec).CommentIndex, -1);
  EXPECT_EQ(SlotAt(bytes, 0).Name.str(), Sj("ディスク1"));
  EXPECT_EQ(SlotAt(bytes, 0).SerialNo.str(), "ABCD");
}

TEST_F(CatalogTest, LoadCatalogNeedsTheWholeHeaderAndKeepsTheOpenCatalogOtherwise) {
  ASSERT_TRUE(FakeMedium::Make("P", 4).StoreInto(cat));
  const std::string full = dir + "/full.fvd", cut = dir + "/cut.fvd";
  WriteFile(full, std::string(2906000, '\0'));
  WriteFile(cut, std::string(2905999, '\0'));

  EXPECT_FALSE(cat.LoadCatalog(cut));
  EXPECT_EQ(cat.LastLoadFailure(), LoadFailure::TooShort);
  EXPECT_EQ(cat.CatalogPath(), path);
  EXPECT_EQ(cat.Medium(0).Name.str(), "P");
  EXPECT_TRUE(cat.LoadMedium(0));

  EXPECT_FALSE(cat.LoadCatalog(dir + "/missing.fvd"));
  EXPECT_EQ(cat.LastLoadFailure(), LoadFailure::Missing);

  EXPECT_TRUE(cat.LoadCatalog(full));
  EXPECT_EQ(cat.Counts().UsedSlots, 0);
  EXPECT_TRUE(scope.messages.shown.empty());
}

TEST_F(CatalogTest, RenameShowsTheNewNameWhileTheStoredRootKeepsTheOld) {
  ASSERT_TRUE(FakeMedium::Make("old", 3).StoreInto(cat));
  ASSERT_TRUE(cat.RenameMedium(0, "new"));
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  ASSERT_TRUE(fresh.LoadMedium(0));
  EXPECT_EQ(fresh.Entry(0).Name.str(), "new");
  EXPECT_EQ(EntryAt(ReadFile(path), 2906000).Name.str(), "old");
  // The sentinel follows the last entry.
  EXPECT_EQ(fresh.Entry(3).Parent, -1);
  EXPECT_EQ(fresh.Entry(3).FirstChild, -1);
}

TEST_F(CatalogTest, SetMarkModesAndWriteThrough) {
  ASSERT_TRUE(FakeMedium::Make("M", 3).StoreInto(cat));
  struct Case {
    std::uint8_t before;
    int mode;
    std::uint8_t after;
  } cases[] = {{1, 0, 0}, {0, 0, 1}, {7, 0, 1}, {0, 1, 1}, {1, 2, 0}, {7, 9, 7}};
  const EntryId id = MakeEntryId(0, 2);
  for (const Case& c : cases) {
    ASSERT_TRUE(cat.LoadMedium(0));
    cat.MutableEntry(2).Mark = c.before;
    EXPECT_EQ(cat.SetMark(c.mode, id), c.after) << int(c.before) << " mode " << c.mode;
    EXPECT_EQ(EntryAt(ReadFile(path), 2906000 + 2 * kRec).Mark, c.after);
  }
  // A medium's own mark lives in the media table and its stored root.
  EXPECT_EQ(cat.SetMark(0, MakeEntryId(0, 0)), 1);
  EXPECT_EQ(SlotAt(ReadFile(path), 0).Root.Mark, 1);
  EXPECT_EQ(EntryAt(ReadFile(path), 2906000).Mark, 1);

  ASSERT_TRUE(cat.SetCommentLink(42, id));
  EXPECT_EQ(EntryAt(ReadFile(path), 2906000 + 2 * kRec).CommentIndex, 42);
}

TEST_F(CatalogTest, SlotStatesAndNameLookup) {
  cat.MutableMedium(0).Name = "A";
  cat.MutableMedium(0).EntryCount = 1;
  cat.MutableMedium(1).EntryCount = 5;  // deleted
  cat.MutableMedium(2).Name = "A";
  cat.MutableMedium(2).EntryCount = 1;
  cat.MutableMedium(4).Name = "behind a free slot";
  cat.MutableMedium(4).EntryCount = 1;
  cat.Recount();
  EXPECT_EQ(cat.Counts().UsedSlots, 3);
  EXPECT_EQ(cat.Counts().LiveMedia, 2);
  EXPECT_EQ(cat.NthLiveMediumName(1), "A");
  EXPECT_EQ(cat.NthLiveMediumName(2), "");
  EXPECT_FALSE(cat.FindMediumByName(true, "A"));
  EXPECT_FALSE(cat.FindMediumByName(false, "A"));
  EXPECT_EQ(cat.FoundMedium(), 2);
  EXPECT_TRUE(cat.FindMediumByName(true, "B"));
  cat.SetClassificationFilter("x");
  cat.MutableMedium(2).Classification = "x";
  cat.Recount();
  EXPECT_EQ(cat.Counts().VisibleMedia, 1);
  EXPECT_EQ(MediumOf(3000017), 3);
  EXPECT_EQ(EntryOf(3000017), 17);
  EXPECT_EQ(EntryOf(3000000), 0);
  EXPECT_FALSE(cat.SetDrive(2000, "d"));
  EXPECT_EQ(cat.SerialNoAt(-1), "");
}

// ---- long names ------------------------------------------------------------------

TEST_F(CatalogTest, NamesBeyondNinetyOneBytesGoToTheLongNameFile) {
  FakeMedium m = FakeMedium::Make("L", 3);
  m.names[1] = std::string(91, 'a');
  m.names[2] = std::string(92, 'b');
  ASSERT_TRUE(m.StoreInto(cat));
  EXPECT_EQ(cat.LongNames().RecordCount(), 1);
  EXPECT_EQ(ReadFile(dir + "/Default.lfn").size(), 2624512u + 516u);

  Catalog fresh;
  ASSERT_TRUE(Reload(fresh, path));
  ASSERT_TRUE(fresh.LoadMedium(0));
  EXPECT_FALSE(fresh.LongNames().HasLongName(1));
  EXPECT_EQ(fresh.LoadedFullName(1), std::string(91, 'a'));
  EXPECT_TRUE(fresh.LongNames().HasLongName(2));
  EXPECT_EQ(fresh.LoadedFullName(2), std::string(92, 'b'));
  EXPECT_EQ(fresh.Entry(2).Name.str(), std::string(91, 'b'));
  EXPECT_EQ(fresh.FullName(MakeEntryId(0, 2), fresh.Entry(2).Name.view()), std::string(92, 'b'));
  // Short stored names never consult the index.
  EXPECT_EQ(fresh.FullName(MakeEntryId(0, 2), "short"), "short");
  EXPECT_EQ(fresh.MediumNeedsReread(0), 0);
  EXPECT_EQ(fresh.LongNameCount(0), 1);
}

TEST_F(CatalogTest, WithoutTheLongNameFileNamesStayCutAndAreCounted) {
  FakeMedium m = FakeMedium::Make("L", 3);
  m.names[2] = std::string(95, 'b');
  ASSERT_TRUE(m.StoreInto(cat));
  std::string err;
  ASSERT_TRUE(Platform().files->Remove(dir + "/Default.lfn", err));
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  EXPECT_FALSE(fresh.LoadLongNameFile());
  ASSERT_TRUE(fresh.LoadMedium(0));
  EXPECT_EQ(fresh.LoadedFullName(2), std::string(91, 'b'));
  EXPECT_EQ(fresh.MediumNeedsReread(0), 1);
  EXPECT_EQ(fresh.LongNameCount(0), -1);
}

TEST_F(CatalogTest, TheHundredThousandAndFirstLongNameIsDroppedSilently) {
  LongNameStore& ln = cat.LongNames();
  const std::string name(100, 'n');
  for (int i = 0; i < kMaxLongNames; ++i) ASSERT_TRUE(ln.AddLongName(i, name));
  EXPECT_FALSE(ln.AddLongName(kMaxLongNames, name));
  EXPECT_EQ(ln.RecordCount(), kMaxLongNames);
  ln.TruncateRecords(0);

  // The same through an add: the medium is stored, its extra names are cut.
  for (int i = 0; i < kMaxLongNames - 1; ++i) ln.AddLongName(i, name);
  FakeMedium m = FakeMedium::Make("L", 3);
  m.names[1] = std::string(92, 'x');
  m.names[2] = std::string(93, 'y');
  ASSERT_TRUE(m.StoreInto(cat));
  EXPECT_EQ(ln.RecordCount(), kMaxLongNames);
  ASSERT_TRUE(cat.LoadMedium(0));
  EXPECT_TRUE(ln.HasLongName(1));
  EXPECT_FALSE(ln.HasLongName(2));
  EXPECT_TRUE(scope.messages.shown.empty());
}

TEST_F(CatalogTest, PicturePathIsKeptPerSlot) {
  ASSERT_TRUE(FakeMedium::Make("P", 2).StoreInto(cat));
  ASSERT_TRUE(cat.LongNames().SetPicturePath(0, std::string(1500, 'p')));
  Catalog fresh;
  ASSERT_TRUE(Reload(fresh, path));
  EXPECT_EQ(fresh.LongNames().PicturePath(0), std::string(1011, 'p'));
}

// ---- damaged files -----------------------------------------------------------------

TEST_F(CatalogTest, ImpossibleCountsAreRefusedNamingTheFileAndNothingIsLost) {
  ASSERT_TRUE(FakeMedium::Make("keep", 2).StoreInto(cat));
  struct Case {
    const char* what;
    std::int32_t first, count;
    const char* name;
  } cases[] = {{"negative count", 0, -3, "x"},
               {"live without entries", 0, 0, "x"},
               {"huge count", 0, 2000002, "x"},
               {"negative first", -1, 3, "x"}};
  for (const Case& c : cases) {
    std::string bytes(2906000, '\0');
    MediumRecord r{};
    r.Name = c.name;
    r.FirstEntry = c.first;
    r.EntryCount = c.count;
    std::memcpy(bytes.data(), &r, sizeof r);
    const std::string bad = dir + "/bad.fvd";
    WriteFile(bad, bytes);
    scope.messages.shown.clear();
    EXPECT_FALSE(cat.LoadCatalog(bad)) << c.what;
    EXPECT_EQ(cat.LastLoadFailure(), LoadFailure::Invalid) << c.what;
    ASSERT_EQ(scope.messages.shown.size(), 1u) << c.what;
    EXPECT_NE(scope.messages.TextsUtf8().find("bad.fvd"), std::string::npos);
    EXPECT_EQ(cat.CatalogPath(), path);
    EXPECT_EQ(cat.Medium(0).Name.str(), "keep");
  }
}

TEST_F(CatalogTest, DamagedBlockLinksAndLengthsStayInsideTheBlock) {
  ASSERT_TRUE(FakeMedium::Make("M", 4).StoreInto(cat));
  std::string bytes = ReadFile(path);
  auto patch = [&](int e, auto&& fn) {
    EntryRecord r = EntryAt(bytes, 2906000 + e * kRec);
    fn(r);
    std::memcpy(bytes.data() + 2906000 + e * kRec, &r, sizeof r);
  };
  patch(0, [](EntryRecord& r) { r.FirstChild = 999999; });
  patch(1, [](EntryRecord& r) { r.Parent = 3; r.FirstChild = 1; r.Name.len = 250; });
  patch(2, [](EntryRecord& r) { r.Parent = -77; r.FirstChild = -5; r.Version.len = 200; });
  WriteFile(path, bytes);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  ASSERT_TRUE(fresh.LoadMedium(0));
  EXPECT_EQ(fresh.Entry(0).FirstChild, -1);
  EXPECT_EQ(fresh.Entry(1).Parent, -1);
  EXPECT_EQ(fresh.Entry(1).FirstChild, -1);
  EXPECT_EQ(fresh.Entry(1).Name.view().size(), 91u);
  EXPECT_EQ(fresh.Entry(2).Parent, -1);
  EXPECT_EQ(fresh.Entry(2).FirstChild, -1);
  EXPECT_EQ(fresh.Entry(2).Version.view().size(), 19u);
  EXPECT_EQ(fresh.Entry(3).Parent, 0);
}

TEST_F(CatalogTest, ShortBlockLeavesNoMediumLoaded) {
  ASSERT_TRUE(FakeMedium::Make("A", 3).StoreInto(cat));
  ASSERT_TRUE(FakeMedium::Make("B", 5).StoreInto(cat));
  ASSERT_TRUE(cat.LoadMedium(0));
  std::string bytes = ReadFile(path);
  WriteFile(path, bytes.substr(0, bytes.size() - 10));
  EXPECT_FALSE(cat.LoadMedium(1));
  EXPECT_EQ(cat.LastLoadFailure(), LoadFailure::TooShort);
  EXPECT_EQ(cat.LoadedMediumIndex(), -1);
  EXPECT_TRUE(cat.LoadMedium(0));
}

TEST_F(CatalogTest, DamagedLongNameHeaderIsRefusedWithAMessage) {
  FakeMedium m = FakeMedium::Make("L", 2);
  m.names[1] = std::string(120, 'z');
  ASSERT_TRUE(m.StoreInto(cat));
  const std::string lfn = dir + "/Default.lfn";
  const std::string good = ReadFile(lfn);
  struct Case {
    std::size_t offset;
    std::int32_t value;
  } cases[] = {{12, -1}, {12, 100003}, {8, 2001}, {8, -2}, {512 + 296, 5}, {512 + 292, -1}};
  for (const Case& c : cases) {
    std::string bytes = good;
    std::memcpy(bytes.data() + c.offset, &c.value, 4);
    WriteFile(lfn, bytes);
    scope.messages.shown.clear();
    Catalog fresh;
    ASSERT_TRUE(fresh.LoadCatalog(path));
    EXPECT_FALSE(fresh.LoadLongNameFile()) << c.offset;
    EXPECT_EQ(scope.messages.shown.size(), 1u) << c.offset;
    EXPECT_NE(scope.messages.TextsUtf8().find("Default.lfn"), std::string::npos);
    ASSERT_TRUE(fresh.LoadMedium(0));
    EXPECT_EQ(fresh.LoadedFullName(1), std::string(91, 'z'));
  }
  // A record that names an entry outside the medium is ignored.
  std::string bytes = good;
  std::int32_t far = 1999999;
  std::memcpy(bytes.data() + 2624512, &far, 4);
  WriteFile(lfn, bytes);
  Catalog fresh;
  ASSERT_TRUE(Reload(fresh, path));
  ASSERT_TRUE(fresh.LoadMedium(0));
  EXPECT_FALSE(fresh.LongNames().HasLongName(1));
}

// ---- failing writes ---------------------------------------------------------------

// Every medium the file described before is still there, complete.
void ExpectIntact(const std::string& path, const std::vector<std::pair<std::string, int>>& media) {
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(path));
  fresh.LoadLongNameFile();
  ASSERT_EQ(fresh.Counts().LiveMedia, static_cast<int>(media.size()));
  for (std::size_t s = 0, live = 0; live < media.size(); ++s) {
    if (!fresh.SlotLive(static_cast<int>(s))) continue;
    EXPECT_EQ(fresh.Medium(static_cast<int>(s)).Name.str(), media[live].first);
    ASSERT_TRUE(fresh.LoadMedium(static_cast<int>(s))) << media[live].first;
    ASSERT_EQ(fresh.LoadedCount(), media[live].second);
    EXPECT_EQ(fresh.Entry(0).Name.str(), media[live].first);
    for (int e = 1; e < media[live].second; ++e) {
      EXPECT_EQ(fresh.Entry(e).Parent, 0);
      EXPECT_EQ(fresh.LoadedFullName(e).substr(0, 1), media[live].first.substr(0, 1) == "L" ? "L" : "f")
          << media[live].first << " " << e;
    }
    ++live;
  }
}

TEST_F(CatalogTest, AFailingWriteWhileAddingReportsAndKeepsTheCatalog) {
  ASSERT_TRUE(FakeMedium::Make("A", 3).StoreInto(cat));
  scope.UseFaultyFiles();
  using Op = FaultyFileSystem::Op;
  struct Case {
    const char* what;
    FaultyFileSystem::Fault fault;
  } cases[] = {
      {"block write, disk full", {Op::Write, "Default.fvd", 0, 1, 200}},
      {"block sync", {Op::Sync, "Default.fvd", 0, 1}},
      {"long-name file", {Op::Rename, "Default.lfn", 0, 1}},
      {"slot write, partly", {Op::Write, "Default.fvd", 1, 1, 100}},
      {"name write", {Op::Write, "Default.fvd", 2, 1, 1}},
      {"catalog vanished", {Op::Open, "Default.fvd", 0, 1, 0, "No such file or directory"}},
  };
  for (const Case& c : cases) {
    scope.faulty.faults = {c.fault};
    scope.messages.shown.clear();
    EXPECT_FALSE(FakeMedium::Make("B", 4).StoreInto(cat)) << c.what;
    ASSERT_EQ(scope.messages.shown.size(), 1u) << c.what;
    EXPECT_NE(scope.messages.TextsUtf8().find(c.fault.error), std::string::npos) << c.what;
    EXPECT_EQ(cat.Counts().UsedSlots, 1) << c.what;
    EXPECT_EQ(cat.LongNames().RecordCount(), 0);
    scope.faulty.faults.clear();
    ExpectIntact(path, {{"A", 3}});
  }
  // And the next add works.
  EXPECT_TRUE(FakeMedium::Make("B", 4).StoreInto(cat));
  ExpectIntact(path, {{"A", 3}, {"B", 4}});
}

TEST_F(CatalogTest, AFailingTableWriteReportsTheSystemText) {
  ASSERT_TRUE(FakeMedium::Make("A", 3).StoreInto(cat));
  scope.UseFaultyFiles();
  scope.faulty.faults = {{FaultyFileSystem::Op::Open, "Default.fvd", 0, 1, 0, "Read-only file system"}};
  EXPECT_FALSE(cat.RenameMedium(0, "Z"));
  EXPECT_NE(scope.messages.TextsUtf8().find("Read-only file system"), std::string::npos);
  ExpectIntact(path, {{"A", 3}});
}

}  // namespace
}  // namespace fv::test
