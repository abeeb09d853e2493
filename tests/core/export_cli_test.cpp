#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

// DISC1 holding F (file1, ソsub (a.txt, b.txt), file2), stored as a read stores it. The
// second byte of ソ is a backslash.
class ExportCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
    path = test::MakeTempDir() + "/Default.fvd";
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    struct Row {
      int parent, first;
      bool folder;
      const char* name;
    } rows[] = {{-1, 1, true, "DISC1"}, {0, 2, true, "F"},      {1, -1, false, "file1"}, {1, 5, true, "ソsub"},
                {1, -1, false, "file2"}, {3, -1, false, "a.txt"}, {3, -1, false, "b.txt"}};
    std::vector<std::string> names;
    for (const Row& r : rows) names.push_back(Sj(r.name));
    TMediaInfomation info;
    info.Drive = "c";
    ASSERT_TRUE(c.StoreScannedMedium(
        7,
        [&](int i, ScannedEntry& e) {
          const Row& r = rows[i];
          e.Parent = r.parent;
          e.FirstChild = r.first;
          e.Kind = i == 0 ? kKindFixed : r.folder ? kKindFolder : kKindFile;
          e.Attributes = r.folder ? 0x10 : 0x20;
          e.Name = names[static_cast<std::size_t>(i)];
        },
        info));
  }

  std::string Cli(const std::string& args, int* status = nullptr) {
    std::string out;
    const int rc = test::RunCommand(std::string(FERROVAN_CLI_PATH) + " export '" + path + "' " + args, &out);
    if (status) *status = rc;
    return out;
  }

  test::PlatformScope scope;
  std::string path;
};

TEST_F(ExportCliTest, WritesTheExportOfTheNamedRows) {
  WriteSettingInteger(SettingKey::REG_ClipBordTree, 1);
  EXPECT_EQ(Cli("'DISC1\\F' --form 2"),
            "F\r\n  ├  file1\r\n  ├  ソsub\r\n  │     ├  a.txt\r\n  │     └  b.txt\r\n  └  file2\r\n");
  WriteSettingInteger(SettingKey::REG_ClipBordTree, 0);
  WriteSettingInteger(SettingKey::REG_ClipBordFolder, 1);
  EXPECT_EQ(Cli("'DISC1\\F\\ソsub\\a.txt' 'DISC1\\F\\ソsub\\b.txt' --form 1 --simple --cp932"),
            Sj("F/ソsub/a.txt\r\nF/ソsub/b.txt\r\n"));
  EXPECT_EQ(Cli("'DISC1\\F\\file2' --form 3"), "\"名前\"\r\n[メディア名：DISC1]\r\n\"F/file1\"\r\n\"F/ソsub/a.txt\"\r\n"
                                               "\"F/ソsub/b.txt\"\r\n\"F/file2\"\r\n\r\n");
  EXPECT_EQ(text::Cp932ToUtf8(Cli("DISC1 --form 3 --cp932")),
            "\"名前\"\r\n【メディア名：DISC1】\r\n\"F/file1\"\r\n\"F/ソsub/a.txt\"\r\n\"F/ソsub/b.txt\"\r\n\"F/file2\"\r\n\r\n");
}

TEST_F(ExportCliTest, RefusesBadArguments) {
  int rc = 0;
  Cli("'DISC1\\F' --form 7", &rc);
  EXPECT_EQ(rc, 2);
  Cli("'DISC1\\F' --form 2 --simple", &rc);
  EXPECT_EQ(rc, 2);
  Cli("'DISC1\\F\\file1' 'DISC1\\F\\ソsub\\a.txt' --form 0", &rc);
  EXPECT_EQ(rc, 2);
  Cli("'DISC1\\nothing' --form 0", &rc);
  EXPECT_EQ(rc, 1);
  Cli("'DISC2' --form 0", &rc);
  EXPECT_EQ(rc, 1);
}

}  // namespace
}  // namespace fv
