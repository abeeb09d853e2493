#include "browse/histogram.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

namespace {

bool Offered(int v, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), v) != set.end(); }

}  // namespace

bool Histogram::SetMonthsPerRow(int d) {
  if (d == months_ || !Offered(d, {1, 2, 3, 4, 6, 12})) return false;
  months_ = d;
  Sum();
  return true;
}

bool Histogram::SetHoursPerColumn(int h) {
  if (h == hours_ || !Offered(h, {1, 2, 3, 4, 6, 8, 12, 24})) return false;
  hours_ = h;
  Sum();
  return true;
}

void Histogram::Begin(std::uint32_t range_start, std::uint32_t range_end) {
  counts_.assign(static_cast<std::size_t>(kHours) * kMonthSlots, 0);
  DateTime s, e;
  bool has_start = range_start > 0 && UnpackDosTime(range_start, s);
  base_ = has_start ? s.year * 12 + 1 : 0;
  start_year_ = has_start ? s.year : 0;
  month_span_ = 0;
  if (has_start) {
    int end_year = UnpackDosTime(range_end, e) ? e.year : s.year;
    month_span_ = std::max(0, 12 * (end_year - s.year + 1));
  }
  values_.clear();
  totals_.clear();
}

void Histogram::Add(std::uint32_t time) {
  DateTime t;
  if (!UnpackDosTime(time, t)) return;
  int slot = t.year * 12 + t.month - base_;
  if (slot < 0) return;
  if (slot > kMonthSlots - 2) slot = kMonthSlots - 1;
  ++counts_[static_cast<std::size_t>(t.hour) * kMonthSlots + static_cast<std::size_t>(slot)];
}

void Histogram::AddSubtree(const EntryRecord* entries, int count, int e) {
  if (e < 0 || e >= count) return;
  const EntryRecord& top = entries[e];
  if (static_cast<std::int64_t>(top.AllFolders) + top.AllFiles <= 0) return;
  // Iterative walk over the child runs (folders can nest deeply).
  std::vector<int> stack{e};
  while (!stack.empty()) {
    int folder = stack.back();
    stack.pop_back();
    int first = entries[folder].FirstChild;
    if (first < 0) continue;
    for (int c = first; c < count; ++c) {
      const EntryRecord& child = entries[c];
      if (child.Parent != folder || child.Kind == 0) break;
      if (static_cast<std::int32_t>(child.Time) <= 0) continue;
      Add(child.Time);
      if (child.Kind != kKindFile && child.FirstChild > 0) stack.push_back(c);
    }
  }
}

std::int32_t Histogram::Count(int hour, int slot) const {
  if (counts_.empty() || hour < 0 || hour >= kHours || slot < 0 || slot >= kMonthSlots) return 0;
  return counts_[static_cast<std::size_t>(hour) * kMonthSlots + static_cast<std::size_t>(slot)];
}

void Histogram::Sum() {
  const int rows = month_span_ / months_ + 1;
  const int cols = 24 / hours_;
  values_.assign(static_cast<std::size_t>(rows) * cols, 0);
  totals_.assign(static_cast<std::size_t>(rows), 0);
  if (counts_.empty()) return;
  for (int q = 0; q < rows; ++q) {
    for (int k = 1; k <= cols; ++k) {
      std::int32_t v = 0;
      for (int h = (k - 1) * hours_; h < (k - 1) * hours_ + hours_ && h <= 24; ++h)
        for (int m = q * months_; m < q * months_ + months_ && m < kMonthSlots; ++m) v += Count(h, m);
      values_[static_cast<std::size_t>(q) * cols + static_cast<std::size_t>(k - 1)] = v;
      totals_[static_cast<std::size_t>(q)] += v;
    }
  }
}

std::int32_t Histogram::Value(int k, int q) const {
  const int cols = 24 / hours_;
  if (k < 1 || k > cols || q < 0 || static_cast<std::size_t>(q) >= totals_.size()) return 0;
  return values_[static_cast<std::size_t>(q) * cols + static_cast<std::size_t>(k - 1)];
}

std::int32_t Histogram::RowTotal(int q) const {
  return q >= 0 && static_cast<std::size_t>(q) < totals_.size() ? totals_[static_cast<std::size_t>(q)] : 0;
}

std::string Histogram::HeaderText(int k) const {
  std::string t = std::to_string((k - 1) * hours_) + text::Utf8ToCp932("時");
  if (hours_ >= 2) t += text::Utf8ToCp932("～");
  return t;
}

std::string Histogram::RowLabel(int r) const {
  int months = (r - 1) * months_;
  int year = start_year_ + months / 12;
  int month = months % 12 + 1;
  std::string t = std::to_string(year) + "/" + std::to_string(month);
  if (months_ > 1) t += text::Utf8ToCp932("～") + std::to_string(month + months_ - 1);
  return t;
}

std::string Histogram::CellText(int k, int r) const {
  if (r < 1) return k < 1 ? std::string() : HeaderText(k);
  if (k < 1) return RowLabel(r);
  std::int32_t v = Value(k, r - 1);
  return v == 0 ? std::string() : std::to_string(v);
}

std::uint32_t Histogram::CellColour(int k, int r, bool row_selected) const {
  if (k < 1) return RowTotal(r - 1) != 0 ? kBlue : kLightBlue;
  if (row_selected) return kSilver;
  return Value(k, r - 1) != 0 ? kBlue : kBlack;
}

}  // namespace fv
