#pragma once
// Every user preference of the program: the settings table with its value
// names, kinds and defaults, and the four accessors. Nothing else names a
// value; everything goes through SettingKey.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fv {

enum class SettingKind { Integer, String };

// One enumerator per table row, in table order.
enum class SettingKey : int {
  REG_FormatUpdateDateTime,
  REG_BarChartSizeFit,
  REG_ChartBarPage,
  REG_ChartBarNameLength,
  REG_ChartCircleMaxFile,
  REG_ChartCircleNameLength,
  REG_ChartBarSize2Only,
  REG_ChartBarStyle,
  REG_ChartCircleRotate,
  REG_BeforDrive,
  REG_VolumeName,
  REG_GetFileVersion,
  REG_OpenHist01,
  REG_OpenHist02,
  REG_OpenHist03,
  REG_OpenHist04,
  REG_OpenHist05,
  REG_SpanCircleRotete,
  REG_Eject,
  REG_ChartCirBkImageFlag,
  REG_ChartCirBkImageFile,
  REG_ChartCirBkImageStyle,
  REG_ChartCirBkGradFlag,
  REG_ChartCirBkGradStart,
  REG_ChartCirBkGradEnd,
  REG_ChartCirBkGradDirection,
  REG_ClipBordNameMode,
  REG_ClipBordFolder,
  REG_ClipBordTree,
  REG_ClipBordFolderMark,
  REG_ClipBordOffsetNo,
  REG_ClipBordTreeNo,
  REG_ClipBordFolderOnly,
  REG_FileSizeBarColor,
  REG_ListViewGridLine,
  REG_FileSizeBarShow,
  REG_ClipBordFileWrite,
  REG_DupFileColor,
  REG_ClipBordPutItem,
  REG_ClipBordItemSep,
  REG_ChartCir3D,
  REG_SearchInfoStrKind,
  REG_SearchInfoPortion,
  REG_SearchInfoFile,
  REG_SearchInfoSize,
  REG_SearchInfoDateTime,
  REG_SearchInfoComment,
  REG_SearchInfoMark,
  REG_SearchInfoFolder,
  REG_SearchInfoCommentAll,
  REG_SearchInfoCommentStr,
  REG_ListItemPos00,
  REG_ListItemPos01,
  REG_ListItemPos02,
  REG_ListItemPos03,
  REG_ListItemPos04,
  REG_ListItemPos05,
  REG_ListItemPos06,
  REG_ListItemPos07,
  REG_ListItemPos08,
  REG_ListItemSize00,
  REG_ListItemSize01,
  REG_ListItemSize02,
  REG_ListItemSize03,
  REG_ListItemSize04,
  REG_ListItemSize05,
  REG_ListItemSize06,
  REG_ListItemSize07,
  REG_ListItemSize08,
  REG_ListViewPropertyShow,
  REG_ListViewPropertyPos,
  REG_MainFrameTop,
  REG_MainFrameLeft,
  REG_MainFrameHeight,
  REG_MainFrameWidth,
  REG_ChartBarOrthogonal,
  REG_DupSearchMode,
  REG_ChartBarBkImageFlag,
  REG_ChartBarBkImageFile,
  REG_ChartBarBkImageStyle,
  REG_ChartBarBkGradFlag,
  REG_ChartBarBkGradStart,
  REG_ChartBarBkGradEnd,
  REG_ChartBarBkGradDirection,
  REG_LikeKey,
  REG_ShowCommentSet,
  REG_ShowDupInfo,
  REG_MainTreeViewWidth,
  REG_MainDupPanelHeight,
  REG_RefHistSave,
  REG_RefHistSaveCount,
  REG_HistListBefor,
  REG_PrefixAreaSub,
  REG_DupListHighSpeedShow,
  REG_SearchInfoCommentKind,
  REG_ClipBordDefault,
  Count_
};

struct SettingRow {
  const char* name;         // value name, ASCII
  const char* description;  // UTF-8, for documentation only
  SettingKind kind;
  std::int32_t int_default;
  const char* str_default;  // UTF-8
};

constexpr int kSettingCount = static_cast<int>(SettingKey::Count_);
extern const SettingRow SettingsTable[kSettingCount];

inline const SettingRow& SettingRowOf(SettingKey k) { return SettingsTable[static_cast<int>(k)]; }
std::optional<SettingKey> FindSettingKey(std::string_view value_name);

// The stored text (cp932); the row's default when absent; empty for an
// integer row.
std::string ReadSettingString(SettingKey key);
// The stored text as a signed decimal integer; the default when absent or
// not an integer; 0 for a string row.
std::int32_t ReadSettingInteger(SettingKey key);
// Store a value; nothing happens for a row of the other kind (false). A
// failure to store returns false with the system's error text in *err.
bool WriteSettingString(SettingKey key, std::string_view value, std::string* err = nullptr);
bool WriteSettingInteger(SettingKey key, std::int32_t value, std::string* err = nullptr);

// Parses a whole signed decimal int32 ("+5", "-12"); nothing else.
std::optional<std::int32_t> ParseInt32(std::string_view s);

// The eighteen date-time pictures the environment dialog offers (UTF-8).
extern const char* const kDateTimePictures[18];

}  // namespace fv
