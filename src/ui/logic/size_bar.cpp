#include "ui/logic/size_bar.h"

#include <algorithm>
#include <cmath>

namespace fv {

SizeBarShape SizeBarRects(int x, int y, int length) {
  return {{x + 1, y + 13, x + length + 1, y + 16}, {x, y + 12, x + length, y + 15}};
}

void SizeBarScale::Measure(const RowList& rows) {
  has_rows_ = !rows.empty();
  largest_ = 0;
  for (const TRecord& r : rows) largest_ = std::max(largest_, r.Size);
}

int SizeBarScale::Length(double size, int column_width) const {
  if (!has_rows_ || !(size > 0) || !(largest_ > 0)) return 0;
  const double length = std::max(1.0, size * (column_width - 2) / largest_);
  return static_cast<int>(std::nearbyint(length));
}

}  // namespace fv
