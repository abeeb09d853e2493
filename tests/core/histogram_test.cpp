#include "browse/histogram.h"

#include <gtest/gtest.h>

#include "platform/timefmt.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

DosTime At(int y, int mo, int d, int h, int mi) { return PackDosTime({y, mo, d, h, mi, 0}); }

TEST(Histogram, TwoFilesInMarch2004) {
  Histogram h;
  ASSERT_FALSE(h.SetMonthsPerRow(12));  // already set
  ASSERT_TRUE(h.SetMonthsPerRow(1));
  ASSERT_FALSE(h.SetMonthsPerRow(1));
  ASSERT_FALSE(h.SetMonthsPerRow(5));  // not offered
  ASSERT_FALSE(h.SetHoursPerColumn(3));
  h.Begin(At(2004, 3, 1, 9, 15), At(2004, 3, 20, 10, 45));
  h.Add(At(2004, 3, 1, 9, 15));
  h.Add(At(2004, 3, 20, 10, 45));
  h.SetHoursPerColumn(1);
  h.SetHoursPerColumn(3);  // re-sums
  EXPECT_EQ(h.ColumnCount(), 9);
  EXPECT_EQ(h.RowCount(), 13);
  EXPECT_EQ(h.CellText(4, 0), Sj("9時～"));
  EXPECT_EQ(h.RowLabel(3), "2004/3");
  for (int r = 1; r < h.RowCount(); ++r) {
    for (int k = 1; k < h.ColumnCount(); ++k) {
      std::string want = (r == 3 && k == 4) ? "2" : "";
      EXPECT_EQ(h.CellText(k, r), want) << "row " << r << " col " << k;
    }
    EXPECT_EQ(h.CellColour(0, r, false), r == 3 ? Histogram::kBlue : Histogram::kLightBlue);
  }
  EXPECT_EQ(h.CellColour(4, 3, false), Histogram::kBlue);
  EXPECT_EQ(h.CellColour(5, 3, false), Histogram::kBlack);
  EXPECT_EQ(h.CellColour(4, 3, true), Histogram::kSilver);
  EXPECT_EQ(h.LabelColumnWidth(), 50);
  EXPECT_EQ(h.DataColumnWidth(), 40);
}

TEST(Histogram, DayColumnHoldsRowTotals) {
  Histogram h;
  h.Begin(At(2004, 1, 1, 0, 0), At(2004, 12, 1, 0, 0));
  h.Add(At(2004, 2, 1, 0, 30));
  h.Add(At(2004, 5, 1, 23, 59));
  h.Add(At(2004, 6, 1, 12, 0));
  h.SetHoursPerColumn(24);
  EXPECT_EQ(h.ColumnCount(), 2);
  EXPECT_EQ(h.HeaderText(1), Sj("0時～"));
  EXPECT_EQ(h.RowCount(), 2);  // one row for the year
  EXPECT_EQ(h.Value(1, 0), 3);
  EXPECT_EQ(h.RowTotal(0), 3);
  EXPECT_EQ(h.RowLabel(1), Sj("2004/1～12"));
  h.SetHoursPerColumn(1);
  EXPECT_EQ(h.HeaderText(1), Sj("0時"));
  EXPECT_EQ(h.HeaderText(24), Sj("23時"));
  EXPECT_EQ(h.DataColumnWidth(), 35);
}

TEST(Histogram, RowsForThreeYearsAndTimesOutsideTheRange) {
  Histogram h;
  h.Begin(At(2001, 4, 1, 0, 0), At(2003, 8, 1, 0, 0));
  h.Add(At(2000, 12, 1, 1, 0));  // before the start year: not counted
  h.Add(At(2001, 1, 1, 1, 0));
  h.Add(At(2099, 1, 1, 1, 0));   // later than the span: counted, not shown
  const std::pair<int, int> rows[] = {{1, 36}, {3, 12}, {12, 3}};
  for (auto [d, n] : rows) {
    h.SetMonthsPerRow(d);
    EXPECT_EQ(h.RowCount() - 1, n) << d;
  }
  h.SetMonthsPerRow(3);
  EXPECT_EQ(h.RowLabel(1), Sj("2001/1～3"));
  EXPECT_EQ(h.RowLabel(4), Sj("2001/10～12"));
  EXPECT_EQ(h.RowLabel(5), Sj("2002/1～3"));
  EXPECT_EQ(h.RowTotal(0), 1);
  EXPECT_EQ(h.Count(1, 12 * (2099 - 2001)), 1);
  EXPECT_EQ(h.LabelColumnWidth(), 70);
}

TEST(Histogram, NoDatedItemGivesHeaderRowOnly) {
  Histogram h;
  h.Begin(0, 0);
  h.Add(At(2004, 3, 1, 9, 0));
  EXPECT_EQ(h.RowCount(), 1);
  EXPECT_EQ(h.Count(9, Histogram::kMonthSlots - 1), 1);
}

TEST(Histogram, SubtreeWalkSkipsUndatedFoldersAndTheirContents) {
  // 0 root: 1 folder A (dated), 2 folder B (undated), 3 file a1 in A,
  // 4 file b1 in B, 5 file in root.
  EntryRecord e[7]{};
  auto set = [&](int i, int parent, int first, int kind, DosTime t) {
    e[i].Parent = parent;
    e[i].FirstChild = first;
    e[i].Kind = static_cast<std::int16_t>(kind);
    e[i].Time = t;
  };
  set(0, -1, 1, kKindFixed, At(2004, 1, 1, 0, 0));
  set(1, 0, 4, kKindFolder, At(2004, 2, 1, 5, 0));
  set(2, 0, 5, kKindFolder, 0);
  set(3, 0, -1, kKindFile, At(2004, 3, 1, 6, 0));
  set(4, 1, -1, kKindFile, At(2004, 4, 1, 7, 0));
  set(5, 2, -1, kKindFile, At(2004, 5, 1, 8, 0));
  set(6, -1, -1, 0, 0);  // end marker
  e[0].AllFolders = 2;
  e[0].AllFiles = 3;
  Histogram h;
  h.SetMonthsPerRow(1);
  h.Begin(At(2004, 1, 1, 0, 0), At(2004, 12, 1, 0, 0));
  h.AddSubtree(e, 6, 0);
  EXPECT_EQ(h.Count(5, 1), 1);  // folder A, February
  EXPECT_EQ(h.Count(6, 2), 1);  // root file, March
  EXPECT_EQ(h.Count(7, 3), 1);  // file in A, April
  EXPECT_EQ(h.Count(8, 4), 0);  // inside the undated folder B
}

}  // namespace
}  // namespace fv
