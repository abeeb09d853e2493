// ferrovan-cli on a terminal and in a script: what names may hold is shown,
// never acted on; progress goes to a terminal only.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/browse_fixture.h"
#include "platform/text.h"

namespace fv {
namespace {

using test::Sj;

// DISC1: ESC[31mred, a<LF>b, t<TAB>ab, del<DEL>, ソ表.txt (both trail bytes
// are backslashes); DISC2: a<LF>b, b.TXT; x<ESC>y: plain.
class CliOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = test::MakeTempDir() + "/Default.fvd";
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    const DosTime t = PackDosTime({2004, 3, 1, 9, 15, 0});
    ASSERT_TRUE(test::StoreTree(c, {{-1, kKindFixed, "DISC1", 0, t},
                                    {0, kKindFile, "\x1b[31mred", 1, t},
                                    {0, kKindFile, "a\nb", 7, t},
                                    {0, kKindFile, "t\tab", 2, t},
                                    {0, kKindFile, "del\x7f", 3, t},
                                    {0, kKindFile, Sj("ソ表.txt"), 4, t}}));
    ASSERT_TRUE(test::StoreTree(c, {{-1, kKindFixed, "DISC2", 0, t},
                                    {0, kKindFile, "a\nb", 7, t},
                                    {0, kKindFile, "b.TXT", 5, t}}));
    ASSERT_TRUE(test::StoreTree(c, {{-1, kKindFixed, "x\x1by", 0, t}, {0, kKindFile, "plain", 6, t}}));
  }
  // stdout of a command line that ends with its own redirections.
  std::string Cli(const std::string& args, int* status = nullptr) {
    std::string out;
    const int rc = test::RunCommand(std::string(FERROVAN_CLI_PATH) + " " + args, &out);
    if (status) *status = rc;
    return out;
  }
  std::string Cat() const { return "'" + path + "'"; }

  test::PlatformScope scope;
  std::string path;
};

TEST_F(CliOutputTest, ControlCharactersInNamesAreShownEscaped) {
  struct Case {
    std::string args;
    std::vector<std::string> shown;
  } cases[] = {
      {"ls " + Cat() + " DISC1 2>/dev/null", {"\\x1b[31mred\t", "a\\nb\t", "t\\tab\t", "del\\x7f\t", "ソ表.txt\t"}},
      {"search " + Cat() + " --name '*' 2>/dev/null", {"\\x1b[31mred\t", "a\\nb\t", "\tx\\x1by\t", "ソ表.txt\t"}},
      {"media " + Cat() + " 2>/dev/null", {"\tx\\x1by\t"}},
      {"props " + Cat() + " \"$(printf 'x\\033y')\" 2>/dev/null", {"x\\x1by\n", "\tx\\x1by\r\n"}},
      {"dups " + Cat() + " 2>/dev/null", {"a\\nb (2)\n", "\tDISC1\ta\\nb\t7\t", "\tDISC2\ta\\nb\t7\t"}},
      {"groups " + Cat() + " dup 2>/dev/null", {"a\\nb (2)\n"}},
      // Errors name what they could not find the same way.
      {"ls " + Cat() + " \"$(printf 'no\\033such')\" 2>&1", {"'no\\x1bsuch'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string out = Cli(c.args);
    for (const std::string& s : c.shown) EXPECT_NE(out.find(s), std::string::npos) << out;
    for (const char* raw : {"\x1b", "\x7f", "a\nb", "t\tab"}) EXPECT_EQ(out.find(raw), std::string::npos) << out;
  }
}

TEST_F(CliOutputTest, DriveRootsAreShownEscaped) {
  // The drive map of this run stays in a folder of its own.
  const std::string dir = test::MakeTempDir(), folder = dir + "/a\x1b" "b";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string cli = "XDG_CONFIG_HOME='" + dir + "/config' " + FERROVAN_CLI_PATH;
  ASSERT_EQ(test::RunCommand(cli + " bind Q '" + folder + "' 2>/dev/null"), 0);
  std::string out;
  ASSERT_EQ(test::RunCommand(cli + " drives 2>/dev/null", &out), 0);
  EXPECT_NE(out.find("\t" + dir + "/a\\x1bb\t"), std::string::npos) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
}

TEST_F(CliOutputTest, ExportWritesNamesAsTheyAre) {
  const std::string out = Cli("export " + Cat() + " DISC1 --form 2 2>/dev/null");
  for (const char* raw : {"\x1b[31mred", "a\nb", "t\tab", "del\x7f", "ソ表.txt"})
    EXPECT_NE(out.find(raw), std::string::npos) << raw;
}

TEST_F(CliOutputTest, NoProgressWhenStandardErrorIsNotATerminal) {
  const std::string err = test::MakeTempDir() + "/stderr.txt";
  for (const char* args : {"search %s --name '*'", "dups %s", "similar %s", "optimise %s"}) {
    char line[512];
    std::snprintf(line, sizeof line, args, Cat().c_str());
    SCOPED_TRACE(line);
    int rc = -1;
    Cli(line + std::string(" 2>'") + err + "'", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(test::ReadFile(err), "");
  }
}

TEST_F(CliOutputTest, ProgressIsOneLineRewrittenOnATerminal) {
  if (test::RunCommand("command -v script >/dev/null") != 0) GTEST_SKIP() << "no script(1) for a terminal";
  // script(1) runs the command on a pseudo-terminal; the terminal turns
  // every line end into CR LF.
  std::string tty;
  test::RunCommand("script -qec \"" + std::string(FERROVAN_CLI_PATH) + " search " + Cat() + " --name b.TXT\" /dev/null",
                   &tty);
  EXPECT_NE(tty.find("\r" + std::string("検索中...(3/3メディア中、1件検出)") + "\x1b[K"), std::string::npos) << tty;
  // The line is cleared before the results come, and no progress ends a line.
  EXPECT_NE(tty.find("\r\x1b[Kb.TXT\t"), std::string::npos) << tty;
  EXPECT_EQ(tty.find("検出)\r\n"), std::string::npos) << tty;
}

}  // namespace
}  // namespace fv
