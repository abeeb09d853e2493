#include <gtest/gtest.h>

#include "dupes/detail_copy.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv::dupes {
namespace {

using test::Sj;

class DupSubClipbordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
    rows.push_back(Row(1, "a.txt", "2024/01/02(火) 03:04", 1234, "DISC1", "分類A"));
    rows.push_back(Row(2, "say \"hi\".TXT", "", 5, "ＤＩＳＣ２", ""));
  }
  void TearDown() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
  }
  static DetailRow Row(int no, const char* name, const char* time, std::uint32_t size, const char* medium,
                       const char* cls) {
    DetailRow r;
    r.no = no;
    r.name = Sj(name);
    r.time = Sj(time);
    r.size = size;
    r.medium = Sj(medium);
    r.classification = Sj(cls);
    r.location = Sj("棚");
    r.location_detail = "1";
    return r;
  }
  std::string Text() { return text::Cp932ToUtf8(dialog.BuildText(rows)); }

  test::PlatformScope scope;
  DupSubClipbord dialog;
  std::vector<DetailRow> rows;
};

TEST_F(DupSubClipbordTest, CsvQuotesTextColumnsAndDoublesQuotesInside) {
  dialog.Open(DetailGrid::GridView2, false);
  EXPECT_EQ(text::Cp932ToUtf8(dialog.Caption()), "コピー（重複ファイル詳細）");
  ASSERT_EQ(dialog.Columns().size(), 7u);  // 名前 .. 保管詳細 without the hidden パス名
  EXPECT_EQ(Text(),
            "名前,更新日時,サイズ,メディア名,分類,保管場所,保管詳細\r\n"
            "\"a.txt\",2024/01/02(火) 03:04,1234,\"DISC1\",\"分類A\",\"棚\",\"1\"\r\n"
            "\"say \"\"hi\"\".TXT\",,5,\"ＤＩＳＣ２\",\"\",\"棚\",\"1\"\r\n");
  // Name and time only: a quoted name, a comma and an unquoted time.
  dialog.AllOff();
  dialog.Tick(0, true);
  dialog.Tick(1, true);
  dialog.title_line = false;
  EXPECT_EQ(Text(), "\"a.txt\",2024/01/02(火) 03:04\r\n\"say \"\"hi\"\".TXT\",\r\n");
}

TEST_F(DupSubClipbordTest, TabsCaseChangeAndColumnOrder) {
  dialog.Open(DetailGrid::GridView12, true);
  EXPECT_EQ(text::Cp932ToUtf8(dialog.Caption()), "コピー（似たようなファイル詳細）");
  ASSERT_EQ(dialog.Columns().size(), 9u);
  EXPECT_EQ(dialog.Columns()[0].column, DetailColumn::No);
  dialog.comma = false;
  dialog.AllOff();
  dialog.Tick(0, true);  // No
  dialog.Tick(1, true);  // 名前
  dialog.Tick(4, true);  // メディア名
  EXPECT_EQ(dialog.MoveUp(4), 3);    // メディア名 up twice
  EXPECT_EQ(dialog.MoveUp(3), 2);
  EXPECT_EQ(dialog.MoveDown(0), 1);  // No below 名前
  EXPECT_EQ(dialog.MoveUp(0), 0);    // the first stays
  // Moves keep the ticks with their columns.
  std::vector<DetailColumn> order;
  for (const auto& c : dialog.Columns())
    if (c.ticked) order.push_back(c.column);
  EXPECT_EQ(order, (std::vector<DetailColumn>{DetailColumn::Name, DetailColumn::No, DetailColumn::Medium}));
  dialog.case_mode = 2;
  EXPECT_EQ(Text(), "名前\tNo\tメディア名\r\nA.TXT\t1\tDISC1\r\nSAY \"HI\".TXT\t2\tＤＩＳＣ２\r\n");
  dialog.case_mode = 1;
  EXPECT_EQ(Text(), "名前\tNo\tメディア名\r\na.txt\t1\tdisc1\r\nsay \"hi\".txt\t2\tｄｉｓｃ２\r\n");
  // Reopening for the same grid keeps the list; another grid rebuilds it.
  dialog.Open(DetailGrid::GridView12, false);
  EXPECT_EQ(dialog.Columns()[0].column, DetailColumn::Name);
  dialog.Open(DetailGrid::GridView4, false, false);
  EXPECT_EQ(dialog.Columns().size(), 7u);
  EXPECT_EQ(dialog.Columns()[0].column, DetailColumn::Name);
  EXPECT_TRUE(dialog.Columns()[0].ticked);
  dialog.AllOff();
  EXPECT_EQ(Text(), "");
}

TEST_F(DupSubClipbordTest, CopyGoesToTheClipboardOrAFile) {
  ASSERT_TRUE(WriteSettingInteger(SettingKey::REG_ClipBordNameMode, 1));
  dialog.Open(DetailGrid::GridView2, false);
  EXPECT_EQ(dialog.case_mode, 1);
  dialog.case_mode = 0;
  std::string clip;
  auto sink = [&](const std::string& t) { clip = t; };
  ExportOutcome out = dialog.Copy(rows, sink);
  EXPECT_EQ(out.kind, ExportOutcome::Clipboard);
  EXPECT_EQ(clip, out.text);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ClipBordNameMode), 0);  // the case choice is stored

  // To a file: the proposed name, ".csv" added, CR LF lines.
  std::string dir = test::MakeTempDir();
  dialog.to_file = true;
  scope.dialogs.answers = {dir + "/out", dir + "/x.Csv.bak", std::nullopt};
  DateTime now{2024, 5, 6, 7, 8, 9};
  out = dialog.Copy(rows, sink, now);
  ASSERT_EQ(out.kind, ExportOutcome::File);
  EXPECT_EQ(scope.dialogs.requests[0].initial_name, "20240506070809_重複ファイル詳細.csv");
  EXPECT_EQ(out.path, dir + "/out.csv");
  EXPECT_EQ(test::ReadFile(dir + "/out.csv"), out.text);
  out = dialog.Copy(rows, sink, now);
  EXPECT_EQ(out.path, dir + "/x.Csv.bak");
  EXPECT_EQ(dialog.Copy(rows, sink, now).kind, ExportOutcome::Cancelled);

  // A write failure is reported with the system's text.
  scope.UseFaultyFiles();
  scope.faulty.faults.push_back({test::FaultyFileSystem::Op::Write, "fail", 0, -1, 0});
  scope.dialogs.answers = {dir + "/fail.csv"};
  out = dialog.Copy(rows, sink, now);
  EXPECT_EQ(out.kind, ExportOutcome::Failed);
  EXPECT_EQ(scope.messages.TextsUtf8(), "No space left on device\n");
  EXPECT_FALSE(Platform().files->Exists(dir + "/fail.csv"));

  // Nothing ticked: nothing happens.
  dialog.to_file = false;
  dialog.AllOff();
  clip = "kept";
  EXPECT_EQ(dialog.Copy(rows, sink).kind, ExportOutcome::NothingSelected);
  EXPECT_EQ(clip, "kept");
}

TEST_F(DupSubClipbordTest, RowsFromMemberRecords) {
  MediumRecord m;
  std::memset(&m, 0, sizeof m);
  m.Name = Sj("ディスク");
  m.Classification = Sj("音楽");
  m.Location = "A";
  m.LocationDetail = "B";
  StoreRow member;
  member.name = "x.mp3";
  member.size = 4294967295u;
  member.time = 0;
  DetailRow r = MakeDetailRow(member, 3, m, Sj("yyyy/mm/dd"));
  EXPECT_EQ(r.no, 3);
  EXPECT_EQ(r.time, "");
  EXPECT_EQ(text::Cp932ToUtf8(r.medium), "ディスク");
  dialog.Open(DetailGrid::GridView2, false);
  EXPECT_EQ(text::Cp932ToUtf8(dialog.BuildText({r})),
            "名前,更新日時,サイズ,メディア名,分類,保管場所,保管詳細\r\n\"x.mp3\",,4294967295,\"ディスク\",\"音楽\",\"A\",\"B\"\r\n");
}

}  // namespace
}  // namespace fv::dupes
