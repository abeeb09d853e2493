#include "ui/logic/type_ahead.h"

#include "platform/text.h"

namespace fv {

const std::string& ShownName(const TRecord& row) {
  // A row that has not been shown yet would format all its texts just to
  // give column 0, which is the row's name.
  if (!row.ColumnTexts.Formatted() && row.ColumnTexts.Source()) return row.Name;
  return row.Text(kFileColName);
}

int FindRowByNamePrefix(const RowList& rows, int start, std::string_view typed) {
  const int n = static_cast<int>(rows.size());
  if (typed.empty() || n == 0) return -1;
  if (start < 0 || start >= n) start = 0;
  const std::string want = text::ToUpper(typed);
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    const std::string& name = ShownName(rows[static_cast<std::size_t>(i)]);
    if (name.size() >= want.size() && text::ToUpper(std::string_view(name).substr(0, want.size())) == want) return i;
  }
  return -1;
}

int TypeAhead::Type(const RowList& rows, int current, std::string_view typed, std::int64_t now_ms) {
  const bool growing = !text_.empty() && now_ms - last_ms_ <= interval_ms_;
  last_ms_ = now_ms;
  if (growing) {
    text_ += typed;
  } else {
    text_.assign(typed);
  }
  const int start = growing ? current : current + 1;
  return FindRowByNamePrefix(rows, start, text_);
}

}  // namespace fv
