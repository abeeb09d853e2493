#pragma once
// The file list's columns: which data column (kind 0..8, see FileColumn)
// each display position shows, the width of every kind, their load from and
// store to the settings, and the column order window (TfrmListItem) that
// rearranges positions 1..8. Position 0 always shows the name.

#include <array>
#include <string>
#include <vector>

#include "browse/row_format.h"

namespace fv {

constexpr int kListColumnCount = kFileColumnCount;

// Width a kind has when nothing else is stored (140, 50, 80, ...).
int FileColumnDesignWidth(int kind);
// The kind whose caption is `caption` (cp932) at either level: "空きサイズ"
// and "Version" both give 7. -1 for any other text.
int FileColumnKindOfCaption(const std::string& caption);

class ColumnLayout {
 public:
  // Identity order, design widths.
  ColumnLayout();

  // REG_ListItemPos0i names the kind shown at position i and
  // REG_ListItemSize0i its width (a width of 19 or less keeps the design
  // width). An order that is not a permutation with the name first
  // falls back to the identity.
  void Load();
  // Stores each position's kind and width. False with the system's error
  // text when the store could not be written.
  bool Save(std::string* err = nullptr) const;

  int KindAt(int position) const;     // -1 outside 0..8
  int PositionOf(int kind) const;     // -1 outside 0..8
  int Width(int kind) const;          // of a kind; 0 outside 0..8
  int WidthAt(int position) const { return Width(KindAt(position)); }
  void SetWidthAt(int position, int width);
  // Caption (cp932) and alignment of a position; kind 7 reads "空きサイズ",
  // right-aligned, while the list shows media.
  std::string CaptionAt(int position, bool catalog_level) const;
  bool RightAlignedAt(int position, bool catalog_level) const;

  // Position i shows kinds[i]. False (and nothing changes) unless kinds is
  // a permutation of 0..8 that starts with 0.
  bool SetOrder(const std::array<int, kListColumnCount>& kinds);
  const std::array<int, kListColumnCount>& Order() const { return kinds_; }

 private:
  std::array<int, kListColumnCount> kinds_;   // position -> kind
  std::array<int, kListColumnCount> widths_;  // kind -> width
};

// The column order window: the captions of positions 1..8 in a list, one
// of them selected, moved up and down one place at a time.
class ColumnOrderModel {
 public:
  struct Item {
    std::string caption;  // cp932
    int width = 0;
  };
  // Window texts (cp932).
  static std::string Title();       // "項目の表示位置変更"
  static std::string Prompt();      // "表示する詳細を選択してください。"
  static std::string ListCaption(); // "詳細："
  static std::string UpText();      // "上へ"
  static std::string DownText();    // "下へ"
  static std::string OkText();      // "OK"
  static std::string CancelText();  // "キャンセル"

  // Takes every position's caption and width as the list shows them now;
  // the first item is selected.
  void Take(const ColumnLayout& layout, bool catalog_level);
  const std::vector<Item>& Items() const { return items_; }
  int Selected() const { return selected_; }
  void Select(int item);  // ignored outside the list
  // Move the selected item one place, keeping it selected; false at the
  // top (bottom) where nothing moves.
  bool MoveUp();
  bool MoveDown();
  // OK: item j makes position j + 1 show the kind of its caption; each
  // kind keeps its width. False when the captions no longer name the
  // eight kinds (nothing changes then).
  bool Apply(ColumnLayout& layout) const;

 private:
  bool Swap(int a, int b);
  std::vector<Item> items_;
  int selected_ = -1;
};

}  // namespace fv
