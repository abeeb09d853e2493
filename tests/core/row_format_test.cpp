#include "browse/row_format.h"

#include <gtest/gtest.h>

#include "platform/timefmt.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

TEST(RowFormat, TypeTextsFromDatabaseWithDefaultAndCache) {
  test::PlatformScope scope;
  scope.types.descriptions["QZA"] = Sj("テキスト文書");
  scope.types.descriptions["QZE"] = "";
  TypeTexts texts;
  EXPECT_EQ(texts.Text(kKindFile, "readme"), Sj("ファイル"));
  EXPECT_EQ(texts.Text(kKindFile, "a.qzb"), Sj("QZBファイル"));
  EXPECT_EQ(texts.Text(kKindFile, "a.b.Qza"), Sj("テキスト文書"));
  EXPECT_EQ(texts.Text(kKindFile, "x.qze"), "");  // a known type with an empty description
  EXPECT_EQ(texts.Text(kKindFolder, "a.qza"), Sj("ファイル フォルダ"));
  EXPECT_EQ(texts.Text(kKindRemote, "DISC"), Sj("ネットワーク"));
  int calls = scope.types.describe_calls;
  EXPECT_EQ(texts.Text(kKindFile, "other.QZA"), Sj("テキスト文書"));
  EXPECT_EQ(texts.Text(kKindFile, "other.qzb"), Sj("QZBファイル"));
  EXPECT_EQ(scope.types.describe_calls, calls);  // served from the cache
}

TEST(RowFormat, ExtensionImagesAndProgramRule) {
  test::PlatformScope scope;
  scope.types.icons["RFA"] = "text-x-generic";
  scope.types.icons["RFB"] = "image-png";
  ExtensionImages images, other_list;
  EXPECT_EQ(images.ImageFor("one.rfa"), 18);
  EXPECT_EQ(images.ImageFor("two.RFA"), 18);
  EXPECT_EQ(images.ImageFor("x.rfb"), 19);
  EXPECT_EQ(images.IconNameAt(19), "image-png");
  EXPECT_EQ(other_list.ImageFor("x.rfb"), 18);  // each list has its own table
  int asked = scope.types.icon_calls;
  EXPECT_EQ(images.ImageFor("none.rfz"), kImageFile);
  EXPECT_EQ(other_list.ImageFor("again.RFZ"), kImageFile);  // the no-icon set is shared
  EXPECT_EQ(scope.types.icon_calls, asked + 1);
  EXPECT_EQ(images.ImageFor("readme"), kImageFile);

  EXPECT_EQ(ProgramImage("x.exe", 18), kImageProgram);
  EXPECT_EQ(ProgramImage("Setup.exe", 18), kImageInstaller);
  EXPECT_EQ(ProgramImage("INSTALL.EXE", 10), kImageInstaller);
  EXPECT_EQ(ProgramImage(".exe", 18), 18);
  EXPECT_EQ(ProgramImage("a.exe.txt", 18), 18);
}

TEST(RowFormat, FileRowColumns) {
  test::PlatformScope scope;
  ExtensionImages images;
  RowFormatContext ctx;
  ctx.date_picture = "yyyy/mm/dd hh:nn";
  ctx.images = &images;
  ctx.comment_text = [](int k) { return k == 3 ? Sj("メモ") : std::string(); };
  ctx.dup_count = [](std::string_view name) { return name == "a.txt" ? 4 : 0; };

  TRecord file;
  file.Kind = kKindFile;
  file.Name = "a.txt";
  file.Size = 1234;
  file.ClusterBytes = 4096;
  file.Time = PackDosTime({2004, 3, 5, 9, 15, 0});
  file.Version = "1.2.3.4";
  file.CommentIndex = 3;
  file.Mark = 1;
  FormatFileRow(file, ctx);
  auto c = [&](int k) { return file.Text(k); };
  EXPECT_EQ(c(kFileColName), "a.txt");
  EXPECT_EQ(c(kFileColCount), "1");
  EXPECT_EQ(c(kFileColSize), "1,234");
  EXPECT_EQ(c(kFileColType), Sj("TXTファイル"));
  EXPECT_EQ(c(kFileColTime), "2004/03/05 09:15");
  EXPECT_EQ(c(kFileColClusterSize), "4,096");
  EXPECT_EQ(c(kFileColClusterGap), "2,862");
  EXPECT_EQ(c(kFileColVersion), "1.2.3.4");
  EXPECT_EQ(c(kFileColComment), Sj("メモ"));
  EXPECT_EQ(file.StateIndex, 0);
  EXPECT_EQ(file.ImageIndex, kImageFile);
  EXPECT_EQ(file.DupCount, 4);

  TRecord folder;
  folder.Kind = kKindFolder;
  folder.Name = "d";
  folder.AllFiles = 12345;
  folder.Mark = 2;  // anything but 1 is unmarked
  FormatFileRow(folder, ctx);
  EXPECT_EQ(folder.Text(kFileColCount), "12,345");
  EXPECT_EQ(folder.Text(kFileColTime), "");
  EXPECT_EQ(folder.Text(kFileColComment), "");
  EXPECT_EQ(folder.StateIndex, -1);
  EXPECT_EQ(folder.ImageIndex, kKindFolder);

  // At the catalog level column 7 shows the medium's free space.
  RowFormatContext top = ctx;
  top.catalog_level = true;
  top.free_space = [](int m) { return m == 2 ? 1048576.0 : -1.0; };
  TRecord medium;
  medium.Id = MakeEntryId(2, 0);
  medium.Kind = kKindOptical;
  medium.Name = "DISC";
  FormatFileRow(medium, top);
  EXPECT_EQ(medium.Text(kFileColVersion), "1,048,576");
  EXPECT_EQ(medium.Text(kFileColType), "CD/DVD");
  EXPECT_EQ(FileColumnCaption(kFileColVersion, true), Sj("空きサイズ"));
  EXPECT_TRUE(FileColumnRightAligned(kFileColVersion, true));
  EXPECT_EQ(FileColumnCaption(kFileColVersion, false), "Version");
  EXPECT_FALSE(FileColumnRightAligned(kFileColVersion, false));
}

}  // namespace
}  // namespace fv
