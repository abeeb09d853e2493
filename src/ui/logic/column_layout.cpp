#include "ui/logic/column_layout.h"

#include <utility>

#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

namespace {

constexpr int kDesignWidths[kListColumnCount] = {140, 50, 80, 120, 130, 90, 96, 100, 120};
constexpr int kMinStoredWidth = 20;  // narrower stored widths keep the design width

SettingKey PosKey(int position) {
  return static_cast<SettingKey>(static_cast<int>(SettingKey::REG_ListItemPos00) + position);
}
SettingKey SizeKey(int position) {
  return static_cast<SettingKey>(static_cast<int>(SettingKey::REG_ListItemSize00) + position);
}

bool ValidKind(int k) { return k >= 0 && k < kListColumnCount; }

bool IsNameFirstPermutation(const std::array<int, kListColumnCount>& kinds) {
  if (kinds[0] != kFileColName) return false;
  std::array<bool, kListColumnCount> seen{};
  for (int k : kinds) {
    if (!ValidKind(k) || seen[static_cast<std::size_t>(k)]) return false;
    seen[static_cast<std::size_t>(k)] = true;
  }
  return true;
}

std::string J(const char* utf8) { return text::Utf8ToCp932(utf8); }

}  // namespace

int FileColumnDesignWidth(int kind) { return ValidKind(kind) ? kDesignWidths[kind] : 0; }

int FileColumnKindOfCaption(const std::string& caption) {
  for (int k = 0; k < kListColumnCount; ++k)
    if (caption == FileColumnCaption(k, false) || caption == FileColumnCaption(k, true)) return k;
  return -1;
}

ColumnLayout::ColumnLayout() {
  for (int i = 0; i < kListColumnCount; ++i) {
    kinds_[static_cast<std::size_t>(i)] = i;
    widths_[static_cast<std::size_t>(i)] = kDesignWidths[i];
  }
}

void ColumnLayout::Load() {
  *this = ColumnLayout();
  std::array<int, kListColumnCount> kinds{};
  for (int i = 0; i < kListColumnCount; ++i) {
    // The stored kind stands for its caption; the position shows the kind
    // that caption names.
    const int stored = ReadSettingInteger(PosKey(i));
    kinds[static_cast<std::size_t>(i)] = ValidKind(stored) ? FileColumnKindOfCaption(FileColumnCaption(stored, false)) : -1;
  }
  SetOrder(kinds);
  for (int i = 0; i < kListColumnCount; ++i) {
    const int w = ReadSettingInteger(SizeKey(i));
    if (w >= kMinStoredWidth) SetWidthAt(i, w);
  }
}

bool ColumnLayout::Save(std::string* err) const {
  for (int i = 0; i < kListColumnCount; ++i) {
    if (!WriteSettingInteger(PosKey(i), KindAt(i), err)) return false;
    if (!WriteSettingInteger(SizeKey(i), WidthAt(i), err)) return false;
  }
  return true;
}

int ColumnLayout::KindAt(int position) const {
  return ValidKind(position) ? kinds_[static_cast<std::size_t>(position)] : -1;
}

int ColumnLayout::PositionOf(int kind) const {
  for (int i = 0; i < kListColumnCount; ++i)
    if (kinds_[static_cast<std::size_t>(i)] == kind) return i;
  return -1;
}

int ColumnLayout::Width(int kind) const { return ValidKind(kind) ? widths_[static_cast<std::size_t>(kind)] : 0; }

void ColumnLayout::SetWidthAt(int position, int width) {
  const int k = KindAt(position);
  if (k >= 0) widths_[static_cast<std::size_t>(k)] = width;
}

std::string ColumnLayout::CaptionAt(int position, bool catalog_level) const {
  return FileColumnCaption(KindAt(position), catalog_level);
}

bool ColumnLayout::RightAlignedAt(int position, bool catalog_level) const {
  return FileColumnRightAligned(KindAt(position), catalog_level);
}

bool ColumnLayout::SetOrder(const std::array<int, kListColumnCount>& kinds) {
  if (!IsNameFirstPermutation(kinds)) return false;
  kinds_ = kinds;
  return true;
}

// ---- the column order window ----------------------------------------------

std::string ColumnOrderModel::Title() { return J("項目の表示位置変更"); }
std::string ColumnOrderModel::Prompt() { return J("表示する詳細を選択してください。"); }
std::string ColumnOrderModel::ListCaption() { return J("詳細："); }
std::string ColumnOrderModel::UpText() { return J("上へ"); }
std::string ColumnOrderModel::DownText() { return J("下へ"); }
std::string ColumnOrderModel::OkText() { return "OK"; }
std::string ColumnOrderModel::CancelText() { return J("キャンセル"); }

void ColumnOrderModel::Take(const ColumnLayout& layout, bool catalog_level) {
  items_.clear();
  for (int p = 1; p < kListColumnCount; ++p) items_.push_back({layout.CaptionAt(p, catalog_level), layout.WidthAt(p)});
  selected_ = 0;
}

void ColumnOrderModel::Select(int item) {
  if (item >= 0 && item < static_cast<int>(items_.size())) selected_ = item;
}

bool ColumnOrderModel::Swap(int a, int b) {
  const int n = static_cast<int>(items_.size());
  if (a < 0 || b < 0 || a >= n || b >= n) return false;
  std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
  selected_ = b;
  return true;
}

bool ColumnOrderModel::MoveUp() { return Swap(selected_, selected_ - 1); }
bool ColumnOrderModel::MoveDown() { return Swap(selected_, selected_ + 1); }

bool ColumnOrderModel::Apply(ColumnLayout& layout) const {
  if (items_.size() != static_cast<std::size_t>(kListColumnCount - 1)) return false;
  std::array<int, kListColumnCount> kinds{};
  kinds[0] = kFileColName;
  for (std::size_t j = 0; j < items_.size(); ++j) kinds[j + 1] = FileColumnKindOfCaption(items_[j].caption);
  if (!layout.SetOrder(kinds)) return false;
  for (std::size_t j = 0; j < items_.size(); ++j) layout.SetWidthAt(static_cast<int>(j) + 1, items_[j].width);
  return true;
}

}  // namespace fv
