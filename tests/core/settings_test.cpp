#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
  }
  test::PlatformScope scope;
};

TEST_F(SettingsTest, FreshUserReadsDefaultsAndFirstWriteCreatesTheFile) {
  EXPECT_FALSE(Platform().files->Exists(SettingsFilePath()));
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingRow& row = SettingsTable[i];
    auto key = static_cast<SettingKey>(i);
    if (row.kind == SettingKind::Integer)
      EXPECT_EQ(ReadSettingInteger(key), row.int_default) << row.name;
    else
      EXPECT_EQ(ReadSettingString(key), Sj(row.str_default)) << row.name;
  }
  EXPECT_EQ(text::Cp932ToUtf8(ReadSettingString(SettingKey::REG_FormatUpdateDateTime)), "yyyy/mm/dd(aaa) hh:nn");
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ChartCirBkGradStart), 0x00FFB5FF);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemSize06), 96);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemPos08), 8);
  EXPECT_EQ(text::Cp932ToUtf8(ReadSettingString(SettingKey::REG_LikeKey)), " _-.()[]　、，・（）【】「」");
  EXPECT_FALSE(Platform().files->Exists(SettingsFilePath()));  // reads create nothing

  EXPECT_TRUE(WriteSettingInteger(SettingKey::REG_Eject, 0));
  EXPECT_TRUE(Platform().files->Exists(SettingsFilePath()));
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_Eject), 0);
}

TEST_F(SettingsTest, IntegerTextAndWrongKindAccess) {
  struct {
    const char* stored;
    int expected;
  } cases[] = {{"x9", 10}, {"0", 0}, {"", 10}, {"-3", -3}, {"12abc", 10}, {"99999999999", 10}, {" 5", 10}};
  for (const auto& c : cases) {
    WriteSettingString(SettingKey::REG_BeforDrive, "D");  // unrelated value kept alongside
    test::WriteFile(SettingsFilePath(), std::string("REG_ChartBarPage=") + c.stored + "\nREG_BeforDrive=D\n");
    EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ChartBarPage), c.expected) << c.stored;
  }
  // An integer written, then read as a string row: empty, not the digits.
  WriteSettingInteger(SettingKey::REG_ChartBarPage, 25);
  EXPECT_EQ(ReadSettingString(SettingKey::REG_ChartBarPage), "");
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ChartBarPage), 25);
  // Wrong-kind writes store nothing.
  std::string before = test::ReadFile(SettingsFilePath());
  EXPECT_FALSE(WriteSettingString(SettingKey::REG_ChartBarPage, "7"));
  EXPECT_FALSE(WriteSettingInteger(SettingKey::REG_LikeKey, 7));
  EXPECT_EQ(test::ReadFile(SettingsFilePath()), before);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_LikeKey), 0);
}

TEST_F(SettingsTest, FileKeepsUnknownLinesSkipsMalformedOnesAndHoldsJapanese) {
  test::WriteFile(SettingsFilePath(),
                  "# a comment\nnot a setting line\nREG_Unknown=keep me\n=novalue\nREG_PrefixAreaSub=棚_\n");
  EXPECT_EQ(text::Cp932ToUtf8(ReadSettingString(SettingKey::REG_PrefixAreaSub)), "棚_");
  EXPECT_TRUE(WriteSettingString(SettingKey::REG_OpenHist01, Sj("/home/u/カタログ.fvd")));
  EXPECT_TRUE(WriteSettingString(SettingKey::REG_PrefixAreaSub, Sj("箱=1\\2")));
  std::string file = test::ReadFile(SettingsFilePath());
  EXPECT_NE(file.find("REG_Unknown=keep me\n"), std::string::npos);
  EXPECT_NE(file.find("# a comment\n"), std::string::npos);
  EXPECT_NE(file.find("REG_OpenHist01=/home/u/カタログ.fvd\n"), std::string::npos);  // UTF-8 on disk
  EXPECT_EQ(text::Cp932ToUtf8(ReadSettingString(SettingKey::REG_PrefixAreaSub)), "箱=1\\2");
  EXPECT_EQ(text::Cp932ToUtf8(ReadSettingString(SettingKey::REG_OpenHist01)), "/home/u/カタログ.fvd");
}

TEST_F(SettingsTest, AWriteInterruptedBeforeItsRenameLeavesTheOldFile) {
  ASSERT_TRUE(WriteSettingInteger(SettingKey::REG_ChartBarPage, 12));
  const std::string before = test::ReadFile(SettingsFilePath());
  scope.UseFaultyFiles();
  for (auto op : {test::FaultyFileSystem::Op::Rename, test::FaultyFileSystem::Op::Write}) {
    scope.faulty.faults = {{op, "Ferrovan.conf", 0, -1, 3, "No space left on device"}};
    std::string err;
    EXPECT_FALSE(WriteSettingInteger(SettingKey::REG_ChartBarPage, 99, &err));
    EXPECT_EQ(err, "No space left on device");
    EXPECT_EQ(test::ReadFile(SettingsFilePath()), before);
    EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ChartBarPage), 12);
  }
}

TEST_F(SettingsTest, CommandLineGetAndSet) {
  std::string out;
  const std::string cli = FERROVAN_CLI_PATH;
  EXPECT_EQ(test::RunCommand(cli + " settings get REG_ChartBarPage", &out), 0);
  EXPECT_EQ(out, "10\n");
  EXPECT_EQ(test::RunCommand(cli + " settings set REG_PrefixAreaSub 'たな_'", &out), 0);
  EXPECT_EQ(test::RunCommand(cli + " settings get REG_PrefixAreaSub", &out), 0);
  EXPECT_EQ(out, "たな_\n");
  EXPECT_EQ(test::RunCommand(cli + " settings get REG_NoSuchValue 2>/dev/null", &out), 2);
  EXPECT_EQ(test::RunCommand(cli + " settings set REG_ChartBarPage many 2>/dev/null", &out), 2);
}

}  // namespace
}  // namespace fv

namespace fv {
namespace {

TEST(Files, WholeFileReadsPastAReportedSizeOfZero) {
  std::string out, err;
  ASSERT_TRUE(Platform().files->ReadWholeFile("/proc/self/mountinfo", out, err)) << err;
  EXPECT_FALSE(out.empty());
  const std::string path = test::MakeTempDir() + "/f.bin";
  test::WriteFile(path, std::string(10000, 'z'));
  ASSERT_TRUE(Platform().files->ReadWholeFile(path, out, err));
  EXPECT_EQ(out, std::string(10000, 'z'));
}

}  // namespace
}  // namespace fv
