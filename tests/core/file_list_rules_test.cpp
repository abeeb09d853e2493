#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "browse/row_format.h"
#include "browse/sorting.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "ui/logic/column_layout.h"
#include "ui/logic/file_list_display.h"
#include "ui/logic/size_bar.h"
#include "ui/logic/type_ahead.h"

namespace fv {
namespace {

using test::Sj;
using Order = std::array<int, kListColumnCount>;
constexpr Order kIdentity = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<int, kListColumnCount> kDesign = {140, 50, 80, 120, 130, 90, 96, 100, 120};

SettingKey Key(SettingKey first, int i) { return static_cast<SettingKey>(static_cast<int>(first) + i); }

class FileListRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
  }
  static void Store(const Order& kinds, const std::array<int, kListColumnCount>& widths) {
    for (int i = 0; i < kListColumnCount; ++i) {
      WriteSettingInteger(Key(SettingKey::REG_ListItemPos00, i), kinds[static_cast<std::size_t>(i)]);
      WriteSettingInteger(Key(SettingKey::REG_ListItemSize00, i), widths[static_cast<std::size_t>(i)]);
    }
  }
  static std::vector<int> Widths(const ColumnLayout& l) {
    std::vector<int> w;
    for (int k = 0; k < kListColumnCount; ++k) w.push_back(l.Width(k));
    return w;
  }
  test::PlatformScope scope;
};

// ---- column layout ---------------------------------------------------------------

TEST_F(FileListRulesTest, LayoutLoadsStoredOrderAndWidthsWiderThanNineteen) {
  ColumnLayout fresh;
  fresh.Load();
  EXPECT_EQ(fresh.Order(), kIdentity);
  EXPECT_EQ(Widths(fresh), std::vector<int>(kDesign.begin(), kDesign.end()));

  // Position 1 shows the size, position 2 the count; widths belong to the
  // position they were stored at, so the size (at 1) gets 61.
  Store({0, 2, 1, 3, 4, 5, 6, 8, 7}, {200, 61, 19, 20, 0, -5, 96, 300, 45});
  ColumnLayout l;
  l.Load();
  EXPECT_EQ(l.Order(), (Order{0, 2, 1, 3, 4, 5, 6, 8, 7}));
  EXPECT_EQ(l.KindAt(1), kFileColSize);
  EXPECT_EQ(l.PositionOf(kFileColComment), 7);
  EXPECT_EQ(l.Width(kFileColName), 200);
  EXPECT_EQ(l.Width(kFileColSize), 61);
  EXPECT_EQ(l.Width(kFileColCount), 50);   // 19 keeps the design width
  EXPECT_EQ(l.Width(kFileColType), 20);    // 20 is taken
  EXPECT_EQ(l.Width(kFileColTime), 130);
  EXPECT_EQ(l.Width(kFileColClusterSize), 90);
  EXPECT_EQ(l.WidthAt(7), 300);
  EXPECT_EQ(l.Width(kFileColVersion), 45);
}

TEST_F(FileListRulesTest, LayoutFallsBackToIdentityForBadStoredOrders) {
  const Order bad[] = {
      {0, 1, 2, 3, 4, 5, 6, 7, 9},   // no such kind
      {0, 1, 2, 3, 4, 5, 6, 7, -1},
      {0, 1, 2, 2, 4, 5, 6, 7, 8},   // a kind twice, one missing
      {1, 0, 2, 3, 4, 5, 6, 7, 8},   // the name not first
  };
  for (const Order& o : bad) {
    Store(o, {150, 60, 81, 121, 131, 91, 97, 101, 121});
    ColumnLayout l;
    l.Load();
    EXPECT_EQ(l.Order(), kIdentity) << o[0] << o[3] << o[8];
    EXPECT_EQ(l.WidthAt(2), 81);
  }
}

TEST_F(FileListRulesTest, LayoutSavesKindAndWidthPerPositionAndReadsThemBack) {
  ColumnLayout l;
  ASSERT_TRUE(l.SetOrder({0, 8, 7, 6, 5, 4, 3, 2, 1}));
  l.SetWidthAt(1, 333);  // the comment
  l.SetWidthAt(7, 77);   // the size
  ASSERT_TRUE(l.Save());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemPos01), 8);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemSize01), 333);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemPos07), 2);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListItemSize07), 77);
  ColumnLayout back;
  back.Load();
  EXPECT_EQ(back.Order(), l.Order());
  EXPECT_EQ(Widths(back), Widths(l));

  EXPECT_FALSE(l.SetOrder({0, 1, 1, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(l.KindAt(1), kFileColComment);  // a refused order changes nothing
}

TEST_F(FileListRulesTest, VersionColumnReadsFreeSpaceWhileMediaAreListed) {
  ColumnLayout l;
  ASSERT_TRUE(l.SetOrder({0, 7, 1, 2, 3, 4, 5, 6, 8}));
  EXPECT_EQ(l.CaptionAt(1, true), Sj("空きサイズ"));
  EXPECT_TRUE(l.RightAlignedAt(1, true));
  EXPECT_EQ(l.CaptionAt(1, false), "Version");
  EXPECT_FALSE(l.RightAlignedAt(1, false));
  EXPECT_EQ(l.CaptionAt(3, true), Sj("サイズ"));
  EXPECT_TRUE(l.RightAlignedAt(3, false));
  EXPECT_EQ(FileColumnKindOfCaption(Sj("空きサイズ")), kFileColVersion);
  EXPECT_EQ(FileColumnKindOfCaption("Version"), kFileColVersion);
  EXPECT_EQ(FileColumnKindOfCaption(Sj("クラスタギャップ")), kFileColClusterGap);
  EXPECT_EQ(FileColumnKindOfCaption("version"), -1);
}

// ---- column order window -----------------------------------------------------

std::vector<std::string> Captions(const ColumnOrderModel& m) {
  std::vector<std::string> out;
  for (const auto& item : m.Items()) out.push_back(text::Cp932ToUtf8(item.caption));
  return out;
}

TEST_F(FileListRulesTest, OrderWindowMovesTheSelectedCaptionAndStopsAtTheEnds) {
  ColumnLayout l;
  ColumnOrderModel m;
  m.Take(l, false);
  EXPECT_EQ(Captions(m), (std::vector<std::string>{"数", "サイズ", "ファイルの種類", "更新日時", "クラスタサイズ",
                                                   "クラスタギャップ", "Version", "コメント"}));
  EXPECT_EQ(m.Selected(), 0);
  EXPECT_FALSE(m.MoveUp());
  EXPECT_EQ(m.Selected(), 0);
  EXPECT_EQ(Captions(m)[0], "数");

  m.Select(1);  // サイズ
  EXPECT_TRUE(m.MoveDown());
  EXPECT_TRUE(m.MoveDown());
  EXPECT_EQ(m.Selected(), 3);
  EXPECT_EQ(Captions(m)[3], "サイズ");
  EXPECT_EQ(m.Items()[3].width, 80);
  m.Select(7);
  EXPECT_FALSE(m.MoveDown());
  EXPECT_TRUE(m.MoveUp());
  EXPECT_EQ(m.Selected(), 6);
  EXPECT_EQ(Captions(m)[6], "コメント");
  m.Select(42);  // outside the list: the selection stays
  EXPECT_EQ(m.Selected(), 6);

  // Until OK the layout is untouched; then each kind keeps its width.
  EXPECT_EQ(l.Order(), kIdentity);
  ASSERT_TRUE(m.Apply(l));
  EXPECT_EQ(l.Order(), (Order{0, 1, 3, 4, 2, 5, 6, 8, 7}));
  EXPECT_EQ(l.WidthAt(4), 80);
  EXPECT_EQ(l.WidthAt(7), 120);
}

TEST_F(FileListRulesTest, OrderWindowAtTheCatalogLevelMapsFreeSpaceToTheVersionColumn) {
  ColumnLayout l;
  ASSERT_TRUE(l.SetOrder({0, 7, 1, 2, 3, 4, 5, 6, 8}));
  ColumnOrderModel m;
  m.Take(l, true);
  EXPECT_EQ(Captions(m)[0], "空きサイズ");
  EXPECT_TRUE(m.MoveDown());
  ASSERT_TRUE(m.Apply(l));
  EXPECT_EQ(l.Order(), (Order{0, 1, 7, 2, 3, 4, 5, 6, 8}));
}

// ---- size bars -------------------------------------------------------------------

RowList Sized(const std::vector<double>& sizes) {
  RowList rows;
  for (double s : sizes) rows.emplace_back().Size = s;
  return rows;
}

TEST_F(FileListRulesTest, SizeBarLengths) {
  struct Case {
    std::vector<double> list;
    double size;
    int width;
    int expected;
  } cases[] = {
      {{}, 100, 82, 0},                  // no rows
      {{0, 0}, 0, 82, 0},                // nothing has a size
      {{-5, -1}, 10, 82, 0},             // largest below zero
      {{10, 1000}, 0, 82, 0},
      {{10, 1000}, -3, 82, 0},
      {{10, 1000}, 1000, 82, 80},        // the largest fills width - 2
      {{10, 1000}, 1, 82, 1},            // 0.08 is raised to 1
      {{10, 1000}, 333, 82, 27},         // 26.64
      {{10, 1000}, 331, 82, 26},         // 26.48
      {{10, 1000}, 312.5, 82, 25},       // 25.0
      {{10, 1000}, 306.25, 82, 24},      // 24.5: halves to the even length
      {{10, 1000}, 318.75, 82, 26},      // 25.5
      {{1e15, 3e15}, 1.5e15, 202, 100},  // sizes beyond 32 bits
  };
  for (const Case& c : cases) {
    SizeBarScale scale;
    scale.Measure(Sized(c.list));
    EXPECT_EQ(scale.Length(c.size, c.width), c.expected) << c.size << " of " << c.list.size() << " rows";
  }
  SizeBarScale scale;
  scale.Measure(Sized({7, 3e9, 12}));
  EXPECT_EQ(scale.Largest(), 3e9);
}

TEST_F(FileListRulesTest, SizeBarShadowSitsOnePixelDownAndRight) {
  const SizeBarShape s = SizeBarRects(100, 40, 25);
  EXPECT_EQ(s.bar, (BarRect{100, 52, 125, 55}));
  EXPECT_EQ(s.shadow, (BarRect{101, 53, 126, 56}));
}

// ---- typing in the list --------------------------------------------------------------

RowList Named(const std::vector<std::string>& names) {
  RowList rows;
  RowFormatContext ctx;
  const auto texts = FileRowTexts(ctx);
  for (const std::string& n : names) {
    TRecord& r = rows.emplace_back();
    r.Name = n;
    r.Kind = kKindFile;
    r.ColumnTexts.SetSource(texts);
  }
  return rows;
}

TEST_F(FileListRulesTest, TypedPrefixFindsRowsWithoutCaseAndWraps) {
  const RowList rows = Named({"apple", "Banana", "avocado", Sj("ｂｅｅ"), Sj("表計算"), Sj("表示"), Sj("ヂ"), "zz"});
  struct Case {
    int start;
    std::string typed;
    int expected;
  } cases[] = {
      {0, "a", 0},           // the start row itself counts
      {1, "A", 2},           // case does not matter
      {3, "a", 0},           // past the end: wraps to row 0
      {0, "BAN", 1},
      {0, "b", 1},
      {2, "b", 1},           // wraps; a full-width ｂ is no b
      {0, Sj("Ｂｅ"), 3},    // full-width letters fold among themselves
      {0, Sj("表"), 4},      // the trail byte of 表 is "\"
      {5, Sj("表"), 5},
      {6, Sj("表計"), 4},
      {0, Sj("ア"), -1},     // ヂ's trail byte is "a": it is not upper-cased into ア
      {0, "q", -1},
      {7, "apples", -1},
      {0, "", -1},
      {-1, "zz", 7},         // no current row: from the top
      {99, "apple", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindRowByNamePrefix(rows, c.start, c.typed), c.expected) << c.start << " " << text::Cp932ToUtf8(c.typed);
  EXPECT_EQ(FindRowByNamePrefix(RowList(), 0, "a"), -1);
  // Looking through unshown rows formats none of their texts.
  for (const TRecord& r : rows) EXPECT_FALSE(r.ColumnTexts.Formatted());
}

TEST_F(FileListRulesTest, RowsWithSetTextsAreFoundByTheirShownName) {
  RowList rows;
  rows.emplace_back().SetText(kFileColName, "Shown");
  rows.back().Name = "stored";
  EXPECT_EQ(FindRowByNamePrefix(rows, 0, "sho"), 0);
  EXPECT_EQ(FindRowByNamePrefix(rows, 0, "sto"), -1);
}

TEST_F(FileListRulesTest, QuickKeysBuildOneTextAndAPauseStartsAnew) {
  const RowList rows = Named({"bat", "Ball", "bell", "cab", "bake"});
  TypeAhead t(500);
  EXPECT_EQ(t.Type(rows, 0, "b", 1000), 1);  // a new text starts after the current row
  EXPECT_EQ(t.Type(rows, 1, "e", 1200), 2);  // "be", from the current row
  EXPECT_EQ(t.Text(), "be");
  EXPECT_EQ(t.Type(rows, 2, "x", 1300), -1);
  EXPECT_EQ(t.Type(rows, 2, "b", 2000), 4);  // after a pause: "b" again, next one on
  EXPECT_EQ(t.Type(rows, 4, "b", 2700), 0);  // and around
  EXPECT_EQ(t.Type(rows, 0, "a", 2800), 0);  // "ba" keeps the current row
  EXPECT_EQ(t.Type(rows, 0, "l", 2900), 1);
}

// ---- display settings ---------------------------------------------------------------

TEST_F(FileListRulesTest, DisplaySettingsLoadToggleAndStore) {
  FileListDisplay d;
  d.Load();
  EXPECT_FALSE(d.GridLines());
  EXPECT_TRUE(d.SizeBars());
  EXPECT_EQ(d.BarColor(), 0xFF00FFu);
  EXPECT_EQ(d.DupColor(), 0xFF0000u);

  EXPECT_TRUE(d.ToggleGridLines());
  EXPECT_TRUE(d.ToggleSizeBars());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ListViewGridLine), 1);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_FileSizeBarShow), 0);
  FileListDisplay again;
  again.Load();
  EXPECT_TRUE(again.GridLines());
  EXPECT_FALSE(again.SizeBars());

  // Colours keep only their 24 colour bits.
  WriteSettingInteger(SettingKey::REG_DupFileColor, -1);
  again.Load();
  EXPECT_EQ(again.DupColor(), 0xFFFFFFu);
}

TEST_F(FileListRulesTest, ColourDialogsOpenOnTheColourAndStoreWhatIsChosen) {
  FileListDisplay d;
  d.Load();
  scope.dialogs.colors = {0x00FF00, std::nullopt, 0x123456};
  EXPECT_TRUE(d.ChooseBarColor());
  EXPECT_EQ(d.BarColor(), 0x00FF00u);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_FileSizeBarColor), 0x00FF00);

  EXPECT_FALSE(d.ChooseDupColor());  // cancelled: nothing kept, nothing stored
  EXPECT_EQ(d.DupColor(), 0xFF0000u);
  EXPECT_EQ(test::ReadFile(SettingsFilePath()).find("REG_DupFileColor"), std::string::npos);
  EXPECT_TRUE(d.ChooseDupColor());
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_DupFileColor), 0x123456);

  ASSERT_EQ(scope.dialogs.color_requests.size(), 3u);
  EXPECT_EQ(scope.dialogs.color_requests[0].initial, 0xFF00FFu);
  EXPECT_EQ(scope.dialogs.color_requests[1].initial, 0xFF0000u);
  EXPECT_EQ(scope.dialogs.color_requests[2].initial, 0xFF0000u);
}

}  // namespace
}  // namespace fv
