#pragma once
// The size bar the file list draws in its size column: a bar as long as
// the row's size is against the largest size of the list, over a blue
// shadow one pixel down and to the right.

#include "browse/sorting.h"

namespace fv {

// A rectangle with exclusive right and bottom edges.
struct BarRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const BarRect&) const = default;
};

struct SizeBarShape {
  BarRect shadow;  // blue
  BarRect bar;     // the bar colour
};

// The shape of a bar of `length` pixels in a cell whose left edge is x and
// whose row starts at y.
SizeBarShape SizeBarRects(int x, int y, int length);

// The scale of one fill of the list: measured once when the rows change,
// then asked for every painted row.
class SizeBarScale {
 public:
  void Measure(const RowList& rows);
  // Pixel length of a row's bar in a size column `column_width` wide: 0
  // for an empty list, a size of 0 or less, or a list whose largest size is
  // 0 or less; else size * (column_width - 2) / largest, at least 1, rounded
  // to the nearest pixel (halves to the even one).
  int Length(double size, int column_width) const;
  double Largest() const { return largest_; }

 private:
  bool has_rows_ = false;
  double largest_ = 0;
};

}  // namespace fv
