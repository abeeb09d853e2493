#pragma once
// Update-time histogram: items counted by month (rows of D months) and
// hour of the day (columns of H hours). For a medium or folder the items
// are the folders and files below the node, for the catalog the media by
// registration time.

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/records.h"

namespace fv {

class Catalog;

class Histogram {
 public:
  static constexpr int kHours = 25;         // hour rows 0..24
  static constexpr int kMonthSlots = 12013;  // slot 12,012 collects later months
  static constexpr std::uint32_t kBlue = 0x0000FF;
  static constexpr std::uint32_t kLightBlue = 0xA6CAF0;
  static constexpr std::uint32_t kBlack = 0x000000;
  static constexpr std::uint32_t kSilver = 0xC0C0C0;

  // Periods. Set* return false (and change nothing) for the value already
  // set or a value not offered; the caller then rebuilds for LastNode().
  int MonthsPerRow() const { return months_; }
  int HoursPerColumn() const { return hours_; }
  bool SetMonthsPerRow(int d);
  bool SetHoursPerColumn(int h);

  // Counting, low level: start a count for the range [start, end] (DOS
  // times), then add times.
  void Begin(std::uint32_t range_start, std::uint32_t range_end);
  void Add(std::uint32_t time);
  // Adds the times of the subtree below entry e of an entry block (count
  // entries, children in runs): every child with a time above 0 (as signed
  // 32-bit) is counted and, unless it is a file, entered when it has
  // children. Nothing when the entry has no folders and files below.
  void AddSubtree(const EntryRecord* entries, int count, int e);

  // Builds for a tree node of the catalog: the catalog (-1) counts the
  // registration times of the live media passing the classification filter;
  // a node of medium m counts its subtree within m's range of file times.
  // False (grid unchanged) when no live medium passes the filter or the
  // medium cannot be loaded.
  bool Build(Catalog& catalog, EntryId node);
  EntryId LastNode() const { return last_node_; }

  // The grid: 24/H + 1 columns, span/D + 1 rows (row 0 and column 0 are
  // the header row and the label column).
  int ColumnCount() const { return 24 / hours_ + 1; }
  int RowCount() const { return month_span_ / months_ + 1; }
  int StartYear() const { return start_year_; }
  // Data value of column k >= 1, data row q >= 0 (grid row q + 1).
  std::int32_t Value(int k, int q) const;
  std::int32_t RowTotal(int q) const;
  // Texts (cp932): header of column k >= 1 ("0時～"), label of grid row
  // r >= 1 ("2003/1～3"), cell of column k and grid row r (empty for 0).
  std::string HeaderText(int k) const;
  std::string RowLabel(int r) const;
  std::string CellText(int k, int r) const;
  int LabelColumnWidth() const { return months_ < 2 ? 50 : 70; }
  int DataColumnWidth() const { return hours_ < 2 ? 35 : 40; }
  static constexpr int kRowHeight = 16;
  // Text colour (RGB) of a cell below the header row.
  std::uint32_t CellColour(int k, int r, bool row_selected) const;

  std::int32_t Count(int hour, int slot) const;

 private:
  void Sum();
  int months_ = 12;
  int hours_ = 3;
  EntryId last_node_ = -1;
  int base_ = 0;
  int start_year_ = 0;
  int month_span_ = 0;
  std::vector<std::int32_t> counts_;  // kHours x kMonthSlots
  std::vector<std::int32_t> values_;  // per data row and column, after Sum
  std::vector<std::int32_t> totals_;
};

}  // namespace fv
