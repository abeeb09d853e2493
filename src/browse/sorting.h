#pragma once
// Sorting of the file list and the search result list: one key or, after
// shift-clicks, two keys; right-aligned (numeric) columns compare as texts
// left-padded with spaces to 20 characters; the name breaks ties.

#include <functional>
#include <string>
#include <vector>

#include "browse/row_format.h"
#include "reading/trecord.h"

namespace fv {

// Sort state of one list; columns are data columns.
struct SortState {
  int column = 0;        // the sort column (second key while shift_count > 0)
  int primary = 0;       // the first key when two keys are in use
  int shift_count = 0;   // 0 = one key
  bool descending = false;
  bool right_aligned = false;  // of the sort column
};

// A header click: the sort column clicked again reverses the direction;
// with Shift the primary column stays and the shift count grows, without it
// the clicked column becomes the primary and the count returns to 0.
void ClickColumn(SortState& s, int column, bool shift, bool right_aligned);

// Header image of a column: 14/15 on the sort column (ascending/
// descending); with two keys 14/15 on the primary and 16/17 on the sort
// column; -1 for the others.
int HeaderImage(const SortState& s, int column);

// The text a right-aligned column compares by: left-padded with spaces to
// 20 characters (a text of 20 or more characters stays as it is).
std::string PadNumericKey(const std::string& text);

// The comparison key text of a row, exactly as the lists compare it with
// the locale collation: k1 + "_" + name, and with two keys k0 + "_" + key.
// For column 0 k1 is "1" for a folder or medium row and "2" for a file row
// (image index above 9).
std::string SortKeyText(const TRecord& row, const SortState& s, const std::function<bool(int)>& right_aligned);

// A list of rows that keeps, beside the rows, each row's collation key of
// its name so repeated sorts do not compute them again.
class RowList {
 public:
  std::vector<TRecord> rows;

  // Sorts the rows with the state. right_aligned tells whether a data
  // column is right-aligned (the primary column's padding follows it).
  void Sort(const SortState& s, const std::function<bool(int)>& right_aligned);
  // The child list's order: by name alone, ascending.
  void SortByName();
  // Drops the cached keys (call after changing rows other than by Sort).
  void Invalidate() { name_keys_.clear(); }
  void Clear() {
    rows.clear();
    name_keys_.clear();
  }

 private:
  void EnsureNameKeys();
  void ApplyOrder(std::vector<int>& order);
  std::vector<std::string> name_keys_;
};

}  // namespace fv
