#pragma once
// Typing in the file list goes to the first row whose name begins with
// what was typed, without regard to case.

#include <cstdint>
#include <string>
#include <string_view>

#include "browse/sorting.h"

namespace fv {

// The name a row shows in column 0 (cp932).
const std::string& ShownName(const TRecord& row);

// The first row from `start` to the end, then from row 0 up to the row
// before `start`, whose name begins with `typed` (cp932), both upper-cased
// as the system cases cp932. -1 when none does or typed is empty; a start
// outside the list starts at row 0.
int FindRowByNamePrefix(const RowList& rows, int start, std::string_view typed);

// Keys typed in quick succession build one text; a pause longer than the
// interval starts a new one. A new text is looked for from the row after
// the current one (so the same letter again goes on to the next match), a
// growing text from the current row.
class TypeAhead {
 public:
  explicit TypeAhead(int interval_ms = 400) : interval_ms_(interval_ms) {}
  void SetInterval(int ms) { interval_ms_ = ms; }
  // The row to select after `typed` arrived at now_ms, or -1.
  int Type(const RowList& rows, int current, std::string_view typed, std::int64_t now_ms);
  const std::string& Text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  int interval_ms_;
  std::string text_;  // cp932
  std::int64_t last_ms_ = 0;
};

}  // namespace fv
