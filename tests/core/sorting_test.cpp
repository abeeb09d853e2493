#include "browse/sorting.h"

#include <gtest/gtest.h>

#include "browse/row_format.h"
#include "platform/text.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

TRecord Row(const std::string& name, int kind, double size) {
  TRecord r;
  r.Name = name;
  r.Kind = static_cast<std::int16_t>(kind);
  r.Size = size;
  r.ClusterBytes = size;
  r.AllFiles = 0;
  return r;
}

std::vector<std::string> Names(const RowList& list) {
  std::vector<std::string> out;
  for (const TRecord& r : list) out.push_back(r.Name);
  return out;
}

class SortingTest : public ::testing::Test {
 protected:
  void Format() {
    RowFormatContext ctx;
    ctx.date_picture = "yyyy/mm/dd";
    for (TRecord& r : list) FormatFileRow(r, ctx);
  }
  void Click(int column, bool shift = false) {
    ClickColumn(state, column, shift, FileColumnRightAligned(column, false));
    list.Sort(state, [](int c) { return FileColumnRightAligned(c, false); });
  }
  test::PlatformScope scope;
  RowList list;
  SortState state;
};

TEST_F(SortingTest, SizeColumnSortsNumbersByPaddedText) {
  list.assign({Row("b", kKindFile, 1000), Row("a", kKindFile, 999), Row("c", kKindFile, 25),
               Row("d", kKindFile, 1234567)});
  Format();
  Click(kFileColSize);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"c", "a", "b", "d"}));
  EXPECT_EQ(PadNumericKey("1,000"), std::string(15, ' ') + "1,000");
  EXPECT_EQ(PadNumericKey(std::string(20, '9')), std::string(20, '9'));
  Click(kFileColSize);  // same column again: descending
  EXPECT_TRUE(state.descending);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"d", "b", "a", "c"}));
}

TEST_F(SortingTest, NameColumnPutsFoldersBeforeFilesAscendingAndAfterDescending) {
  list.assign({Row("a.txt", kKindFile, 1), Row("zeta", kKindFolder, 0), Row("B.txt", kKindFile, 2),
               Row("alpha", kKindFolder, 0)});
  Format();
  list.Sort(state, {});  // column 0, ascending
  EXPECT_EQ(Names(list), (std::vector<std::string>{"alpha", "zeta", "a.txt", "B.txt"}));
  Click(kFileColName);  // already the sort column: descending
  EXPECT_EQ(Names(list), (std::vector<std::string>{"B.txt", "a.txt", "zeta", "alpha"}));
}

TEST_F(SortingTest, EqualKeysFallBackToNameInLocaleOrder) {
  // Same size: the name decides, with the locale collation (case-sensitive,
  // lower before upper within the same letter, not byte order).
  list.assign({Row("b", kKindFile, 5), Row("B", kKindFile, 5), Row("a", kKindFile, 5), Row("C", kKindFile, 5)});
  Format();
  Click(kFileColSize);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "B", "C"}));
}

TEST_F(SortingTest, ShiftClickAddsSecondKeyWithHeaderImages) {
  list.assign({Row("x.doc", kKindFile, 10), Row("y.txt", kKindFile, 10), Row("z.doc", kKindFile, 5),
               Row("w.txt", kKindFile, 5)});
  Format();
  Click(kFileColType);  // primary: type
  EXPECT_EQ(HeaderImage(state, kFileColType), kImageSortAscending);
  EXPECT_EQ(HeaderImage(state, kFileColSize), -1);
  Click(kFileColSize, true);  // second key: size
  EXPECT_EQ(state.shift_count, 1);
  EXPECT_EQ(state.primary, kFileColType);
  EXPECT_EQ(state.column, kFileColSize);
  EXPECT_EQ(HeaderImage(state, kFileColType), kImageSortAscending);
  EXPECT_EQ(HeaderImage(state, kFileColSize), kImageSort2Ascending);
  EXPECT_EQ(HeaderImage(state, kFileColName), -1);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"z.doc", "x.doc", "w.txt", "y.txt"}));
  Click(kFileColSize, true);  // shift-click the sort column again: reversed
  EXPECT_EQ(state.shift_count, 2);
  EXPECT_EQ(HeaderImage(state, kFileColType), kImageSortDescending);
  EXPECT_EQ(HeaderImage(state, kFileColSize), kImageSort2Descending);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"y.txt", "w.txt", "x.doc", "z.doc"}));
  Click(kFileColName);  // a plain click returns to one key
  EXPECT_EQ(state.shift_count, 0);
  EXPECT_EQ(HeaderImage(state, kFileColType), -1);
  EXPECT_EQ(HeaderImage(state, kFileColName), kImageSortDescending);
}

TEST_F(SortingTest, KeyTextsAreThoseOfTheListRules) {
  TRecord file = Row("f", kKindFile, 1000);
  TRecord folder = Row("d", kKindFolder, 0);
  RowFormatContext ctx;
  FormatFileRow(file, ctx);
  FormatFileRow(folder, ctx);
  auto right = [](int c) { return FileColumnRightAligned(c, false); };
  SortState s;
  EXPECT_EQ(SortKeyText(file, s, right), "2_f");
  EXPECT_EQ(SortKeyText(folder, s, right), "1_d");
  ClickColumn(s, kFileColSize, false, true);
  EXPECT_EQ(SortKeyText(file, s, right), std::string(15, ' ') + "1,000_f");
  SortState two;
  ClickColumn(two, kFileColSize, true, true);  // primary stays column 0
  EXPECT_EQ(SortKeyText(file, two, right), "2_f_" + std::string(15, ' ') + "1,000_f");
}

// The sort must give the order a plain comparison of the key texts gives,
// whatever shortcut it takes (number columns read before their texts are
// formatted, names ranked through the ASCII tables or collation keys).
void ExpectSortsAgreeWithKeyTexts(RowList& list) {
  auto right = [](int c) { return FileColumnRightAligned(c, false); };
  const int pairs[][2] = {{0, 0}, {2, 2}, {4, 4}, {3, 2}, {0, 2}, {2, 0}, {4, 2}, {1, 5}, {6, 6}, {5, 2}};
  for (const auto& p : pairs) {
    for (bool desc : {false, true}) {
      SortState s;
      s.primary = p[0];
      s.column = p[1];
      s.shift_count = p[0] != p[1] ? 1 : 0;
      s.descending = desc;
      s.right_aligned = right(p[1]);
      list.Sort(s, right);
      for (std::size_t k = 1; k < list.size(); ++k) {
        int c = text::Compare(SortKeyText(list[k - 1], s, right), SortKeyText(list[k], s, right));
        EXPECT_TRUE(desc ? c >= 0 : c <= 0) << p[0] << "/" << p[1] << " desc=" << desc << " at " << k;
      }
    }
  }
}

TEST_F(SortingTest, SortAgreesWithCollationOfKeyTexts) {
  const char* names[] = {"b10", "B1", "a", "A", "表", "ソ", "x.TXT", "x.txt", "_u", "1", "10", "9"};
  int i = 0;
  for (const char* n : names) {
    list.push_back(Row(Sj(n), i % 3 == 0 ? kKindFolder : kKindFile, (i * 7919) % 1500));
    list.back().Time = 0x30000000u + static_cast<std::uint32_t>(i % 4) * 0x10000u;
    ++i;
  }
  Format();
  ExpectSortsAgreeWithKeyTexts(list);
}

// ASCII names alike in their first sixteen characters or only in case, and
// sizes at the edges of the number texts: halves, 15 and 16 digits, a
// cluster size below the size (a negative gap).
TEST_F(SortingTest, AsciiNamesAndEdgeSizesAgreeWithCollationOfKeyTexts) {
  const char* names[] = {"document_number_0001.txt", "document_number_0001.TXT", "Document_number_0001.txt",
                         "document_number_0001", "document_number_000", "document-number_0001.txt",
                         "document_number_0001.txt", "a", "A", "", "zz top", "ZZ TOP"};
  const double sizes[] = {0.5, 1.5, 2.5, 999, 1000, 999999999999999.0, 1e15, 1e16, 2.4999, 0, 1000, 0.5};
  for (int i = 0; i < 12; ++i) {
    list.push_back(Row(names[i], i % 4 == 0 ? kKindFolder : kKindFile, sizes[i]));
    list.back().AllFiles = i * 1000;
    list.back().ClusterBytes = i == 3 ? 10.0 : sizes[i] + 4096 * i;
  }
  Format();
  ExpectSortsAgreeWithKeyTexts(list);
  // Numbers within 15 digits only: the sort takes its shortcuts. 1 and 2
  // tie with the rounded 0.5 and 1.5.
  RowList small;
  for (int i = 0; i < 12; ++i) {
    const double size = i < 6 ? sizes[i] : i == 6 ? 1.0 : i == 7 ? 2.0 : 1000.0 * i;
    small.push_back(Row(names[i], i % 4 == 0 ? kKindFolder : kKindFile, size));
    small.back().ClusterBytes = small.back().Size + 0.5;
  }
  RowFormatContext ctx;
  for (TRecord& r : small) FormatFileRow(r, ctx);
  ExpectSortsAgreeWithKeyTexts(small);
}

// Lists long enough to be filled on two threads, with sizes that mostly
// differ (ties resolved by comparing names), a count column where every file
// ties (ties resolved through name ranks), repeated names, and names of
// ASCII only or not.
TEST_F(SortingTest, LongListsFillInOrderAndAgreeWithCollationOfKeyTexts) {
  const std::string stems[] = {"Report", "report", "IMG_", "photo", Sj("写真"), Sj("ｶﾀｶﾅ"), "a b", "a-b"};
  for (bool ascii : {true, false}) {
    auto name = [&](std::size_t i) {
      const std::string& stem = stems[(i * 7) % (ascii ? 4 : 8)];
      return stem + std::to_string((i * 7919) % 3001) + (i % 3 ? ".txt" : ".TXT");
    };
    RowList rows;
    const std::size_t n = RowStore::kParallelRows + 3000;
    rows.Append(n, [&](std::size_t i, TRecord& r) {
      r = Row(name(i), i % 10 == 0 ? kKindFolder : kKindFile, i % 50 == 0 ? 42.0 : static_cast<double>((i * 7919) % 50000));
    });
    ASSERT_EQ(rows.size(), n);
    bool in_place = true;
    for (std::size_t i = 0; i < n; ++i) in_place = in_place && rows[i].Name == name(i);
    EXPECT_TRUE(in_place);
    RowFormatContext ctx;
    for (TRecord& r : rows) FormatFileRow(r, ctx);
    const auto texts = FileRowTexts(ctx);
    auto right = [](int c) { return FileColumnRightAligned(c, false); };
    for (int column : {kFileColSize, kFileColCount, kFileColName}) {
      for (bool desc : {false, true}) {
        SortState s;
        s.column = s.primary = column;
        s.descending = desc;
        s.right_aligned = right(column);
        // Texts unread before the sort, so that it takes its number shortcuts.
        for (TRecord& r : rows) r.ColumnTexts.SetSource(texts);
        rows.Sort(s, right);
        int wrong = 0;
        for (std::size_t k = 1; k < rows.size(); ++k) {
          int c = text::Compare(SortKeyText(rows[k - 1], s, right), SortKeyText(rows[k], s, right));
          if (desc ? c < 0 : c > 0) ++wrong;
        }
        EXPECT_EQ(wrong, 0) << "ascii=" << ascii << " column " << column << " desc=" << desc;
      }
    }
  }
}

// Names of printable ASCII are ordered through tables instead of
// collation keys: the order must be the collation's, case and punctuation
// included.
TEST(NameCollation, AsciiShortcutAgreesWithTheCollation) {
  std::vector<std::string> names = {"a", "A", "b", "B", "ab", "aB", "Ab", "a b", "a-b", "a_b", "a.b", "a1", "a10",
                                    "a2", "~", "!", "0", "9", "z", "Z", "", " ", "readme", "README", "read.me",
                                    "x.TXT", "x.txt", "x_txt", "[a]", "{a}", "a'b", "a\"b", "a+b", "a=b", "@a"};
  unsigned seed = 12345;
  for (int i = 0; i < 300; ++i) {
    std::string s;
    int len = static_cast<int>((seed >> 16) % 6);
    for (int k = 0; k < len; ++k) {
      seed = seed * 1103515245u + 12345u;
      s.push_back(static_cast<char>(0x20 + (seed >> 16) % 95));
    }
    seed = seed * 1103515245u + 12345u;
    names.push_back(s);
  }
  for (const std::string& a : names)
    for (const std::string& b : names) {
      int want = text::Compare(a, b);
      int got = CompareNames(a, b);
      ASSERT_EQ((want > 0) - (want < 0), (got > 0) - (got < 0)) << "'" << a << "' vs '" << b << "'";
    }
  // Mixed with double-byte names the collation decides.
  EXPECT_LT(CompareNames("z", Sj("表")), 0);
}

}  // namespace
}  // namespace fv
