#include "reading/scan_buffer.h"

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

TEST(ScanBufferTest, TextsSurviveGrowthAcrossChunks) {
  ScanBuffer b;
  ScanRecord r;
  for (int i = 0; i < 40000; ++i) {
    r.Parent = i - 1;
    r.Kind = i % 3 ? kKindFile : kKindFolder;
    std::string name = "name" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 200), 'x');
    ASSERT_EQ(i, b.Append(r, name, r.Kind == kKindFolder ? "raw" + std::to_string(i) : "",
                          i % 7 ? "" : "1.2.3." + std::to_string(i)));
  }
  ASSERT_EQ(40000, b.Count());
  for (int i = 0; i < 40000; i += 997) {
    EXPECT_EQ("name" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 200), 'x'), b.Name(i));
    EXPECT_EQ(i % 3 ? "" : "raw" + std::to_string(i), b.RawName(i));
    EXPECT_EQ(i % 7 ? "" : "1.2.3." + std::to_string(i), b.Version(i));
    EXPECT_EQ(i - 1, b[i].Parent);
  }
  b.Clear();
  EXPECT_EQ(0, b.Count());
  EXPECT_EQ(0u, b.MemoryBytes());
}

TEST(ScanBufferTest, EntryRecordCutsNameAndVersionAndRowCarriesParentPath) {
  ScanBuffer b;
  ScanRecord r;
  r.Kind = kKindFixed;
  b.Append(r, Sj("ルート"), "", "3(1+2)");
  r.Parent = 0;
  r.Kind = kKindFolder;
  std::string long_name(100, 'a');
  b.Append(r, long_name, long_name, "");
  r.Parent = 1;
  r.Kind = kKindFolder;
  b.Append(r, Sj("下"), "sub", "");
  r.Kind = kKindFile;
  r.Size = 5e9;
  b.Append(r, "f.exe", "", "10.20.30.40.50.60.70.80");

  EntryRecord e;
  b.ToEntryRecord(1, e);
  EXPECT_EQ(std::string(91, 'a'), e.Name.str());
  EXPECT_EQ(-1, e.CommentIndex);
  b.ToEntryRecord(3, e);
  EXPECT_EQ("10.20.30.40.50.60.7", e.Version.str());
  EXPECT_EQ(5e9, e.Size);

  EXPECT_EQ("c:", b.ToTRecord(0, "c").ParentPath);
  EXPECT_EQ("c:", b.ToTRecord(1, "c").ParentPath);
  EXPECT_EQ("c:\\" + long_name, b.ToTRecord(2, "c").ParentPath);
  EXPECT_EQ("", b.ToTRecord(3, "c").ParentPath);
}

}  // namespace
}  // namespace fv
