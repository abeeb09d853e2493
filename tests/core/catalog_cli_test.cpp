// ferrovan-cli create / media / delete / optimise.

#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "catalog_fixture.h"
#include "support/test_env.h"

namespace fv::test {
namespace {

std::string Cli(const std::string& args, int* rc = nullptr) {
  std::string out;
  int r = RunCommand(std::string(FERROVAN_CLI_PATH) + " " + args + " 2>&1", &out);
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

}  // namespace
}  // namespace fv::test
