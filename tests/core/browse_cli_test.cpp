#include <gtest/gtest.h>

#include "core/browse_fixture.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {
namespace {

using test::Sj;

// DISC1: Photos (2004 (tea.doc, teapot.txt)), a.txt; DISC2: b.TXT.
class BrowseCliTest : public ::testing::Test {
 protected:
  // The settings written here must not reach later tests.
  void TearDown() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
  }
  void SetUp() override {
    path = test::MakeTempDir() + "/Default.fvd";
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    const DosTime t1 = PackDosTime({2004, 3, 1, 9, 15, 0}), t2 = PackDosTime({2004, 3, 2, 10, 45, 0});
    ASSERT_TRUE(test::StoreTree(c, {{-1, kKindFixed, "DISC1", 0, t1},
                                    {0, kKindFolder, "Photos", 0, t1},
                                    {0, kKindFile, "a.txt", 1000, t1},
                                    {1, kKindFolder, "2004", 0, t2},
                                    {3, kKindFile, "tea.doc", 999, t1},
                                    {3, kKindFile, "teapot.txt", 5, t2}}));
    ASSERT_TRUE(test::StoreTree(c, {{-1, kKindOptical, "DISC2", 0, t2}, {0, kKindFile, "b.TXT", 7, t2}}));
    WriteSettingString(SettingKey::REG_FormatUpdateDateTime, "yyyy/mm/dd hh:nn");
  }
  std::string Cli(const std::string& args, int* status = nullptr) {
    std::string out;
    const int rc = test::RunCommand(std::string(FERROVAN_CLI_PATH) + " " + args + " 2>/dev/null", &out);
    if (status) *status = rc;
    return out;
  }
  std::string Cat() { return "'" + path + "'"; }
  // The type column comes from the desktop's MIME database: left out.
  static std::string DropColumn(const std::string& out, int column) {
    std::string result, line;
    for (char ch : out) {
      if (ch != '\n') {
        line += ch;
        continue;
      }
      std::size_t start = 0;
      for (int c = 0; c < column && start != std::string::npos; ++c) {
        start = line.find('\t', start);
        if (start != std::string::npos) ++start;
      }
      if (start != std::string::npos) {
        std::size_t end = line.find('\t', start);
        line.erase(start, end == std::string::npos ? std::string::npos : end - start + 1);
      }
      result += line + "\n";
      line.clear();
    }
    return result;
  }

  test::PlatformScope scope;
  std::string path;
};

TEST_F(BrowseCliTest, LsShowsTheNineColumns) {
  std::string top = DropColumn(Cli("ls " + Cat()), 3);
  EXPECT_EQ(top.substr(0, top.find('\n')),
            "名前\t数\tサイズ\t更新日時\tクラスタサイズ\tクラスタギャップ\t空きサイズ\tコメント");
  EXPECT_NE(top.find("\nDISC2\t1\t7\t2004/03/02 10:45\t4,096\t4,089\t-1\t\n"), std::string::npos);
  std::string folder = Cli("ls " + Cat() + " 'DISC1\\Photos\\2004'");
  EXPECT_NE(folder.find("\ntea.doc\t1\t999\t"), std::string::npos);
  EXPECT_LT(folder.find("tea.doc"), folder.find("teapot.txt"));
  int rc = 0;
  Cli("ls " + Cat() + " 'DISC1\\nothing'", &rc);
  EXPECT_NE(rc, 0);
}

TEST_F(BrowseCliTest, SearchPrintsTheThirteenColumns) {
  std::string out = DropColumn(Cli("search " + Cat() + " --name '*.txt'"), 7);
  EXPECT_EQ(out,
            "a.txt\t1\tDISC1\t\t\t\t1,000\t2004/03/01 09:15\t4,096\t3,096\t\t\n"
            "b.TXT\t1\tDISC2\t\t\t\t7\t2004/03/02 10:45\t4,096\t4,089\t\t\n"
            "teapot.txt\t1\tDISC1\\Photos\\2004\t\t\t\t5\t2004/03/02 10:45\t4,096\t4,091\t\t\n");
  EXPECT_EQ(Cli("search " + Cat() + " --name tea --name2 pot --partial --and --media DISC1").substr(0, 11),
            "teapot.txt\t");
  int rc = 0;
  EXPECT_EQ(Cli("search " + Cat() + " --name 'te*' --partial", &rc), "");
  EXPECT_NE(rc, 0);
  EXPECT_EQ(DropColumn(Cli("search " + Cat() + " --min 900 --max 1000 --sort 6 --desc"), 7),
            "a.txt\t1\tDISC1\t\t\t\t1,000\t2004/03/01 09:15\t4,096\t3,096\t\t\n"
            "tea.doc\t1\tDISC1\\Photos\\2004\t\t\t\t999\t2004/03/01 09:15\t4,096\t3,097\t\t\n");
}

TEST_F(BrowseCliTest, CommentMarkAndProps) {
  int rc = 0;
  Cli("comment " + Cat() + " 'DISC1\\a.txt' 'メモ'", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Cli("mark " + Cat() + " 'DISC1\\a.txt'"), "1\n");
  EXPECT_EQ(Cli("mark " + Cat() + " DISC2"), "1\n");  // a medium row
  std::string props = Cli("props " + Cat() + " 'DISC1\\a.txt'");
  EXPECT_NE(props.find("1\tﾌﾙﾊﾟｽ名\tDISC1\\a.txt\r\n2\tﾏｰｸ\t有\r\n"), std::string::npos);
  EXPECT_NE(props.find("\tｺﾒﾝﾄ\tメモ\r\n"), std::string::npos);
  EXPECT_EQ(Cli("search " + Cat() + " --marked --folders").substr(0, 6), "DISC2\t");
  std::string top = Cli("props " + Cat());
  EXPECT_NE(top.find("7\tDBﾄﾞﾗｲﾌﾞ空ｻｲｽﾞ\t"), std::string::npos);
  EXPECT_NE(Cli("props " + Cat() + " 'DISC1\\Photos'").find("1\tﾊﾟｽ名\tDISC1\\Photos\r\n"), std::string::npos);
}

TEST_F(BrowseCliTest, HistogramGrid) {
  std::string out = Cli("histogram " + Cat() + " DISC1 --months 1 --hours 3");
  EXPECT_EQ(out.substr(0, out.find('\n')), "\t0時～\t3時～\t6時～\t9時～\t12時～\t15時～\t18時～\t21時～");
  EXPECT_NE(out.find("\n2004/3\t\t\t\t5\t\t\t\t\n"), std::string::npos);
  int rc = 0;
  Cli("histogram " + Cat() + " --months 5", &rc);
  EXPECT_EQ(rc, 2);
}

}  // namespace
}  // namespace fv
