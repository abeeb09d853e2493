#pragma once
// How the file list draws its rows: grid lines, size bars and their colour,
// the colour of duplicated files, and the view mode. The four display
// values live in the settings; colours are stored as red in bits 0-7,
// green in 8-15 and blue in 16-23.

#include <cstdint>
#include <string>

namespace fv {

enum class ViewMode { LargeIcons, SmallIcons, List, Details };

class FileListDisplay {
 public:
  // Reads REG_ListViewGridLine, REG_FileSizeBarShow, REG_FileSizeBarColor
  // and REG_DupFileColor.
  void Load();

  bool GridLines() const { return grid_lines_; }
  bool SizeBars() const { return size_bars_; }
  std::uint32_t BarColor() const { return bar_color_; }
  std::uint32_t DupColor() const { return dup_color_; }

  // "項目の区切り線(&G)" and "サイズに棒グラフも表示(&B)": flip the value
  // and store it. The value flips even when it cannot be stored (false,
  // with the system's error text in *err).
  bool ToggleGridLines(std::string* err = nullptr);
  bool ToggleSizeBars(std::string* err = nullptr);
  // "サイズの棒グラフ色(&H)..." and "重複ファイル表示色(&C)...": the colour
  // dialog opens on the current colour; a colour chosen is kept and stored.
  // True when one was chosen.
  bool ChooseBarColor();
  bool ChooseDupColor();

 private:
  bool grid_lines_ = false;
  bool size_bars_ = true;
  std::uint32_t bar_color_ = 0xFF00FF;  // fuchsia
  std::uint32_t dup_color_ = 0xFF0000;  // blue
};

}  // namespace fv
