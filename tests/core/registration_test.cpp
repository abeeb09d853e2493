#include "reading/registration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "catalog/catalog.h"
#include "media_meta/name_lists.h"
#include "platform/services.h"
#include "platform/timefmt.h"
#include "settings/settings.h"
#include "support/fake_walker.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

class FakeDrives : public DriveQueries {
 public:
  struct Drive {
    int kind = kKindFixed;
    std::string root;
    std::int32_t cluster = 4096;
    double free = 1e9;
    bool volume_ok = true;
    VolumeText volume;
  };
  std::map<char, Drive> drives;
  int ejected = 0;

  int Kind(char letter) override {
    auto it = drives.find(letter);
    return it == drives.end() ? 0 : it->second.kind;
  }
  std::string RootPath(char letter) override {
    auto it = drives.find(letter);
    return it == drives.end() ? std::string() : it->second.root;
  }
  bool Volume(char letter, VolumeText& out) override {
    auto it = drives.find(letter);
    if (it == drives.end() || !it->second.volume_ok) return false;
    out = it->second.volume;
    return true;
  }
  std::int32_t ClusterSize(char letter) override {
    auto it = drives.find(letter);
    return it == drives.end() ? 0 : it->second.cluster;
  }
  double FreeSpace(char letter) override {
    auto it = drives.find(letter);
    return it == drives.end() ? -1.0 : it->second.free;
  }
  void Eject(char) override { ++ejected; }
};

struct RegistrationFixture : ::testing::Test {
  test::PlatformScope scope;
  FakeDrives fake;
  std::string dir = test::MakeTempDir();
  std::string tree = test::MakeTempDir();
  Catalog cat;
  Scanner scanner;
  test::FaultyWalker walker;

  ~RegistrationFixture() { SetDriveQueries(nullptr); }
  RegistrationFixture() {
    SetDriveQueries(&fake);
    Platform().dirs = &walker;
    FakeDrives::Drive q;
    q.kind = kKindOptical;
    q.root = tree;
    q.volume.label = Sj("ラベル");
    q.volume.serial = "ABCD1234";
    q.volume.max_length = "255";
    fake.drives['Q'] = q;
    EXPECT_TRUE(cat.CreateCatalog(dir + "/Default.fvd"));
    test::WriteFile(tree + "/a.txt", "hello");
  }

  // Adds through the command, answering the dialog with `fill`.
  bool Add(const std::function<void(Registration&)>& fill, bool enter = true, ReadGaps* gaps = nullptr) {
    AddMediumHooks h;
    h.runDialog = [&](Registration& r) {
      r.SelectDrive('Q');
      fill(r);
      return enter ? r.EnterPressed() : r.ReadClicked();
    };
    return AddMediumCommand(cat, scanner, h, gaps);
  }
  int LiveCount() {
    cat.Recount();
    return cat.Counts().LiveMedia;
  }
};

TEST_F(RegistrationFixture, InitialDriveComesFromTheLastOne) {
  struct Case {
    const char* stored;
    char drive;
  } cases[] = {{"q", 'Q'}, {"D:", 'D'}, {"1", 'C'}, {"", 'C'}};
  for (const Case& c : cases) {
    WriteSettingString(SettingKey::REG_BeforDrive, c.stored);
    EXPECT_EQ(c.drive, Registration(cat).drive) << c.stored;
  }
}

TEST_F(RegistrationFixture, AddStoresTheMediumWithVolumeAndDefaultClassification) {
  WriteSettingInteger(SettingKey::REG_VolumeName, 1);
  ASSERT_TRUE(Add([](Registration& r) { r.classification = Sj("デフォルト"); }));
  ASSERT_EQ(1, LiveCount());
  const MediumRecord& m = cat.Medium(0);
  EXPECT_EQ(Sj("ラベル"), m.Name.str());  // the label became the name
  EXPECT_EQ("CD/DVD", m.Classification.str());
  EXPECT_EQ("CD/DVD", m.DriveTypeName.str());
  EXPECT_EQ("q", m.Drive.str());
  EXPECT_EQ("ABCD1234", m.SerialNo.str());
  EXPECT_EQ(Sj("ラベル"), m.VolumeName.str());
  EXPECT_EQ(4096, m.ClusterSize);
  EXPECT_EQ(2, m.EntryCount);
  EXPECT_EQ("1(0+1)", m.Root.Version.str());
  EXPECT_EQ(kKindOptical, m.Root.Kind);
  // The choices are remembered.
  EXPECT_EQ("Q", ReadSettingString(SettingKey::REG_BeforDrive));
  EXPECT_EQ(1, fake.ejected);  // REG_Eject defaults to on, and Q is a CD/DVD drive
}

TEST_F(RegistrationFixture, EmptyNameBecomesTheDateAndTime) {
  ASSERT_TRUE(Add([](Registration& r) { r.name.clear(); }));
  std::string name = cat.Medium(0).Name.str();
  ASSERT_EQ(19u, name.size());
  EXPECT_EQ('/', name[4]);
  EXPECT_EQ(':', name[13]);
}

TEST_F(RegistrationFixture, DuplicateNameAsksWithTheRightVariant) {
  ASSERT_TRUE(Add([](Registration& r) { r.name = "disc"; }));
  std::uint32_t old_time = cat.Medium(0).Root.Time;

  // Same disc: confirmation; cancel keeps everything.
  scope.messages.answers = {MsgResult::Cancel};
  EXPECT_FALSE(Add([](Registration& r) { r.name = "disc"; }));
  ASSERT_EQ(1u, scope.messages.shown.size());
  EXPECT_EQ(MsgIcon::Question, scope.messages.shown[0].icon);
  EXPECT_EQ(MsgButtons::OkCancel, scope.messages.shown[0].buttons);
  EXPECT_EQ(Sj("名前が重複します、上書きしますか\r\n\r\n(同一ﾒﾃﾞｨｱが指定されました)\r\n旧作成日時：") +
                FormatDosTime(Sj("yyyy/mm/dd(aaa) hh:nn:ss"), old_time),
            scope.messages.shown[0].text);
  EXPECT_EQ(1, LiveCount());

  // Another disc in the drive: warning; OK replaces (delete, then add).
  fake.drives['Q'].volume.serial = "0000FFFF";
  scope.messages.shown.clear();
  scope.messages.answers = {MsgResult::Ok};
  ASSERT_TRUE(Add([](Registration& r) { r.name = "disc"; }));
  ASSERT_EQ(1u, scope.messages.shown.size());
  EXPECT_EQ(MsgIcon::Warning, scope.messages.shown[0].icon);
  EXPECT_NE(std::string::npos, scope.messages.shown[0].text.find(Sj("(注：別ﾒﾃﾞｨｱが指定されました)")));
  EXPECT_EQ(1, LiveCount());
  EXPECT_TRUE(cat.SlotDeleted(0));
  EXPECT_TRUE(cat.SlotLive(1));
  EXPECT_EQ("0000FFFF", cat.Medium(1).SerialNo.str());
}

TEST_F(RegistrationFixture, AReplacementThatCannotBeStoredKeepsTheOldMedium) {
  ASSERT_TRUE(Add([](Registration& r) { r.name = "disc"; }));
  const std::string before = test::ReadFile(dir + "/Default.fvd");
  scope.UseFaultyFiles();
  // The disk is full when the new block is written.
  scope.faulty.faults = {{test::FaultyFileSystem::Op::Write, "Default.fvd", 0, -1, 100, "No space left on device"}};
  scope.messages.answers = {MsgResult::Ok};
  EXPECT_FALSE(Add([](Registration& r) { r.name = "disc"; }));
  EXPECT_NE(scope.messages.TextsUtf8().find("No space left on device"), std::string::npos);
  scope.faulty.faults.clear();
  EXPECT_EQ(test::ReadFile(dir + "/Default.fvd"), before);
  Catalog fresh;
  ASSERT_TRUE(fresh.LoadCatalog(dir + "/Default.fvd"));
  EXPECT_EQ(fresh.Counts().UsedSlots, 1);
  EXPECT_TRUE(fresh.SlotLive(0));
  // Stored, it replaces the old one.
  scope.messages.answers = {MsgResult::Ok};
  ASSERT_TRUE(Add([](Registration& r) { r.name = "disc"; }));
  EXPECT_TRUE(cat.SlotDeleted(0));
  EXPECT_EQ(cat.Medium(1).Name.str(), "disc");
}

TEST_F(RegistrationFixture, ReadButtonStoresTheRadioChoiceEnterDoesNot) {
  WriteSettingInteger(SettingKey::REG_DupSearchMode, 0);
  ASSERT_TRUE(Add([](Registration& r) {
    r.name = "one";
    r.dup_mode = 2;
    r.eject = false;
    r.versions = true;
  }));
  EXPECT_EQ(0, ReadSettingInteger(SettingKey::REG_DupSearchMode));
  EXPECT_EQ(0, ReadSettingInteger(SettingKey::REG_Eject));
  EXPECT_EQ(1, ReadSettingInteger(SettingKey::REG_GetFileVersion));
  EXPECT_EQ(0, fake.ejected);
  ASSERT_TRUE(Add([](Registration& r) {
    r.name = "two";
    r.dup_mode = 2;
  }, false));
  EXPECT_EQ(2, ReadSettingInteger(SettingKey::REG_DupSearchMode));
}

TEST_F(RegistrationFixture, DriveNotReadyRetriesUntilCancelled) {
  fake.drives['Q'].cluster = 0;
  scope.messages.answers = {MsgResult::Retry, MsgResult::Cancel};
  EXPECT_FALSE(Add([](Registration& r) { r.name = "x"; }));
  ASSERT_EQ(2u, scope.messages.shown.size());
  EXPECT_EQ(Sj("読込デバイスが準備されていません"), scope.messages.shown[0].text);
  EXPECT_EQ(MsgButtons::RetryCancel, scope.messages.shown[0].buttons);
  EXPECT_EQ(0, LiveCount());
}

TEST_F(RegistrationFixture, EmptyDriveStoresNothing) {
  std::remove((tree + "/a.txt").c_str());
  EXPECT_FALSE(Add([](Registration& r) { r.name = "x"; }));
  EXPECT_EQ(0, LiveCount());
  EXPECT_TRUE(scope.messages.shown.empty());
}

TEST_F(RegistrationFixture, WhatCouldNotBeReadIsToldAndTheMediumStored) {
  mkdir((tree + "/locked").c_str(), 0755);
  test::WriteFile(tree + "/locked/secret", "x");
  walker.locked.insert(tree + "/locked");
  struct Case {
    bool blind_file;
    const char* text;
  } cases[] = {
      {false, "読めなかったフォルダ: 1"},
      {true, "読めなかったフォルダ: 1\r\n読めなかったファイル: 1"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    walker.unstatted.clear();
    if (c.blind_file) walker.unstatted.insert("a.txt");
    scope.messages.shown.clear();
    ReadGaps gaps;
    ASSERT_TRUE(Add([&](Registration& r) { r.name = "disc" + std::to_string(n); }, true, &gaps));
    EXPECT_EQ(++n, LiveCount());
    EXPECT_EQ(1, gaps.folders);
    EXPECT_EQ(c.blind_file ? 1 : 0, gaps.files);
    ASSERT_EQ(1u, scope.messages.shown.size());
    EXPECT_EQ(Sj(c.text), scope.messages.shown[0].text);
    EXPECT_EQ(MsgIcon::Warning, scope.messages.shown[0].icon);
    EXPECT_EQ(MsgButtons::Ok, scope.messages.shown[0].buttons);
  }

  // A clean read tells nothing and empties the counts; so does a read
  // that stores nothing.
  walker.locked.clear();
  walker.unstatted.clear();
  scope.messages.shown.clear();
  ReadGaps gaps{5, 5};
  ASSERT_TRUE(Add([](Registration& r) { r.name = "clean"; }, true, &gaps));
  EXPECT_FALSE(gaps.Any());
  EXPECT_TRUE(scope.messages.shown.empty());
  walker.locked.insert(tree);
  gaps = {5, 5};
  EXPECT_FALSE(Add([](Registration& r) { r.name = "none"; }, true, &gaps));
  EXPECT_FALSE(gaps.Any());
}

TEST_F(RegistrationFixture, FullMediaTableRefusesAndLastSlotStillWorks) {
  for (int m = 0; m < kMediaSlots - 1; ++m) {
    MediumRecord& r = cat.MutableMedium(m);
    r.Name.assign("m" + std::to_string(m));
    r.FirstEntry = m;
    r.EntryCount = 1;
  }
  EXPECT_TRUE(Add([](Registration& r) { r.name = "last"; }));
  EXPECT_EQ(kMediaSlots, LiveCount());
  EXPECT_FALSE(Add([](Registration& r) { r.name = "more"; }));
  ASSERT_EQ(1u, scope.messages.shown.size());
  EXPECT_EQ(Sj("メディア管理DBに登録できる最大数を超えました。\r\n不要メディアの削除、\r\nまたは、DBの最適化、\r\n"
               "または、新規DBを作成してください。"),
            scope.messages.shown[0].text);
  EXPECT_EQ(MsgIcon::Error, scope.messages.shown[0].icon);
}

TEST_F(RegistrationFixture, DriveQueriesByLetterAndNumber) {
  EXPECT_EQ(kKindOptical, DriveKindOf("q"));
  EXPECT_EQ(kKindOptical, DriveKindOf("Q:\\"));
  EXPECT_EQ(0, DriveKindOf("1"));
  EXPECT_TRUE(DriveReady(17));  // Q
  EXPECT_FALSE(DriveReady(3));  // C: no drive
  VolumeText v;
  EXPECT_TRUE(VolumeInfo("q", v));
  EXPECT_EQ("255", v.max_length);
  fake.drives['Q'].volume_ok = false;
  EXPECT_FALSE(VolumeInfo("q", v));
  EXPECT_EQ("", v.label);
  // "表" ends with the byte of "\": only a separator on its own splits.
  EXPECT_EQ(tree + "/表/ソ.txt", NativePathOnDrive('Q', Sj("表\\ソ.txt")));
  EXPECT_EQ(Sj("RAM-DISK"), DefaultClassification(6));
  EXPECT_EQ("", DefaultClassification(0));
}

TEST_F(RegistrationFixture, CheckMediumInDrive) {
  mkdir((tree + "/sub").c_str(), 0755);
  test::WriteFile(tree + "/sub/" + "ファイル.txt", "x");
  ASSERT_TRUE(Add([](Registration& r) { r.name = "disc"; }));
  ASSERT_TRUE(cat.LoadMedium(0));
  int file = -1;
  for (int e = 1; e < cat.LoadedCount(); ++e)
    if (cat.Entry(e).Name.str() == Sj("ファイル.txt")) file = e;
  ASSERT_GT(file, 0);
  EntryId id = MakeEntryId(0, file);
  EXPECT_EQ(Sj("sub\\ファイル.txt"), EntryPathBelowRoot(cat, file));

  std::string opened;
  CheckHooks hooks;
  hooks.openFile = [&](const std::string& p) { opened = p; };
  int changes = 0;
  hooks.changeDrive = [&](EntryId, int) { ++changes; };
  EXPECT_EQ(CheckResult::Verified, CheckMediumInDrive(cat, id, kPurposeOpen, hooks));
  EXPECT_EQ(tree + "/sub/ファイル.txt", opened);

  fake.drives['Q'].volume.label = "OTHER";
  scope.messages.answers = {MsgResult::Yes};
  EXPECT_EQ(CheckResult::ChangeDrive, CheckMediumInDrive(cat, id, kPurposeCopy, hooks));
  EXPECT_EQ(1, changes);
  EXPECT_EQ(0u, scope.messages.shown.back().text.find(Sj("ボリューム名不一致\r")));

  fake.drives['Q'].volume.label = Sj("ラベル");
  fake.drives['Q'].volume.serial = "1111";
  scope.messages.answers = {MsgResult::No};
  EXPECT_EQ(CheckResult::Stopped, CheckMediumInDrive(cat, id, kPurposeCopy, hooks));
  EXPECT_EQ(0u, scope.messages.shown.back().text.find(Sj("シリアルNo不一致\r")));

  // No medium: Yes retries, three attempts at most.
  fake.drives['Q'].volume_ok = false;
  scope.messages.shown.clear();
  scope.messages.answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Yes, MsgResult::Yes};
  EXPECT_EQ(CheckResult::Stopped, CheckMediumInDrive(cat, id, kPurposeOpen, hooks));
  ASSERT_EQ(3u, scope.messages.shown.size());
  EXPECT_EQ(Sj("Q ドライブにメディアがマウントされていません\r\r[はい]　：リトライ\r[いいえ]：ドライブ変更\r"
               "[キャンセル]：処理中止"),
            scope.messages.shown[0].text);
  EXPECT_EQ(MsgButtons::YesNoCancel, scope.messages.shown[0].buttons);
}

// ---- classification and location lists --------------------------------------

struct NameListFixture : ::testing::Test {
  test::PlatformScope scope;
  Catalog cat;
  MediaNameLists lists;
  void Medium(int m, const std::string& name, const std::string& cls, const std::string& loc) {
    MediumRecord& r = cat.MutableMedium(m);
    r.Name.assign(name);
    r.Root.Name.assign(name);
    r.EntryCount = 1;
    r.Classification.assign(cls);
    r.Location.assign(loc);
  }
};

TEST_F(NameListFixture, NamesAreUniqueWithoutCaseSortedAndCapped) {
  Medium(0, "a", "beta", "Shelf");
  Medium(1, "b", "Alpha", "");
  Medium(2, "c", "BETA", "shelf");
  Medium(3, "", "ghost", "ghost");  // not live
  Medium(4, "d", "", "Box");
  lists.RebuildAll(cat);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta"}), lists.ClassificationNames());
  EXPECT_EQ((std::vector<std::string>{"Box", "Shelf"}), lists.LocationNames());
  EXPECT_EQ("", lists.ClassificationName(2));
  EXPECT_EQ("", lists.LocationName(-1));

  for (int m = 0; m < 150; ++m) Medium(m, "m", "c" + std::to_string(1000 + m), "");
  lists.RebuildClassificationNames(cat);
  ASSERT_EQ(kMaxListNames, lists.ClassificationCount());
  EXPECT_EQ("c1099", lists.ClassificationName(99));  // the first 100 met
}

TEST_F(NameListFixture, SelectionsAndFilters) {
  Medium(0, "a", "beta", "Shelf");
  Medium(1, "b", "BETA", "");
  Medium(2, "c", "", "");
  EXPECT_EQ(1, lists.SelectMediaByClassification(cat, 0, "beta"));  // exact bytes
  EXPECT_EQ(3, lists.SelectMediaByClassification(cat, 1, Sj("すべて")));
  EXPECT_EQ(2, lists.SelectMediaByLocation(cat, 2, Sj("保管場所未登録")));
  EXPECT_EQ(1, lists.Selection(2)[0].MediumIndex);
  EXPECT_EQ("BETA", lists.Selection(2)[0].Classification);
  EXPECT_EQ(1u, lists.Selection(0).size());
  EXPECT_EQ("a", lists.Selection(0)[0].Name);
  EXPECT_TRUE(InLocation(cat, "", 0));
  EXPECT_FALSE(InLocation(cat, "shelf", 0));
  SetClassificationFilter(cat, Sj("すべて"));
  EXPECT_EQ("", cat.ClassificationFilter());
  SetClassificationFilter(cat, "beta");
  EXPECT_EQ("beta", cat.ClassificationFilter());
}

}  // namespace
}  // namespace fv
