#include "settings/settings.h"

#include <charconv>
#include <cstring>

#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace fv {

const SettingRow SettingsTable[kSettingCount] = {
  {"REG_FormatUpdateDateTime", "更新日時の形式文字列", SettingKind::String, 0, "yyyy/mm/dd(aaa) hh:nn"},
  {"REG_BarChartSizeFit", "棒グラフの長さを表示サイズの最大にフィット", SettingKind::Integer, 0, ""},
  {"REG_ChartBarPage", "棒グラフ：ページ最大表示数", SettingKind::Integer, 10, ""},
  {"REG_ChartBarNameLength", "棒グラフ：最大ファイル名", SettingKind::Integer, 20, ""},
  {"REG_ChartCircleMaxFile", "円グラフ：最大表示数", SettingKind::Integer, 10, ""},
  {"REG_ChartCircleNameLength", "円グラフ：最大ファイル名", SettingKind::Integer, 20, ""},
  {"REG_ChartBarSize2Only", "棒グラフ：クラスタサイズのみ表示", SettingKind::Integer, 0, ""},
  {"REG_ChartBarStyle", "棒グラフ：バースタイル", SettingKind::String, 0, "円筒"},
  {"REG_ChartCircleRotate", "円グラフの回転", SettingKind::Integer, 1, ""},
  {"REG_BeforDrive", "直前のドライブ", SettingKind::String, 0, "C"},
  {"REG_VolumeName", "ボリューム名取得", SettingKind::Integer, 1, ""},
  {"REG_GetFileVersion", "ファイルのVersion情報も取得", SettingKind::Integer, 0, ""},
  {"REG_OpenHist01", "管理ファイルのオープン履歴", SettingKind::String, 0, ""},
  {"REG_OpenHist02", "管理ファイルのオープン履歴", SettingKind::String, 0, ""},
  {"REG_OpenHist03", "管理ファイルのオープン履歴", SettingKind::String, 0, ""},
  {"REG_OpenHist04", "管理ファイルのオープン履歴", SettingKind::String, 0, ""},
  {"REG_OpenHist05", "管理ファイルのオープン履歴", SettingKind::String, 0, ""},
  {"REG_SpanCircleRotete", "円グラフの回転間隔", SettingKind::Integer, 300, ""},
  {"REG_Eject", "メディア読込み後にイジェクト", SettingKind::Integer, 1, ""},
  {"REG_ChartCirBkImageFlag", "円グラフ：背景画像の表示", SettingKind::Integer, 0, ""},
  {"REG_ChartCirBkImageFile", "円グラフ：背景画像のファイル名", SettingKind::String, 0, ""},
  {"REG_ChartCirBkImageStyle", "円グラフ：背景画像のスタイル", SettingKind::Integer, 0, ""},
  {"REG_ChartCirBkGradFlag", "円グラフ：背景グラデーションの表示", SettingKind::Integer, 1, ""},
  {"REG_ChartCirBkGradStart", "円グラフ：背景グラデーションの開始色", SettingKind::Integer, 0x00FFB5FF, ""},
  {"REG_ChartCirBkGradEnd", "円グラフ：背景グラデーションの終了色", SettingKind::Integer, 0x00FFFFFF, ""},
  {"REG_ChartCirBkGradDirection", "円グラフ：背景グラデーションの方向", SettingKind::Integer, 3, ""},
  {"REG_ClipBordNameMode", "クリップボードへコピー時の名前変換", SettingKind::Integer, 0, ""},
  {"REG_ClipBordFolder", "クリップボードのパス名区切り記号", SettingKind::Integer, 0, ""},
  {"REG_ClipBordTree", "クリップボード出力をTree形式", SettingKind::Integer, 0, ""},
  {"REG_ClipBordFolderMark", "クリップボード出力のフォルダマーク", SettingKind::Integer, 0, ""},
  {"REG_ClipBordOffsetNo", "クリップボード出力のフォルダ内通番", SettingKind::Integer, 0, ""},
  {"REG_ClipBordTreeNo", "クリップボード出力のTree形式を階層番号", SettingKind::Integer, 0, ""},
  {"REG_ClipBordFolderOnly", "クリップボード出力をフォルダのみとする", SettingKind::Integer, 0, ""},
  {"REG_FileSizeBarColor", "ファイルサイズの棒グラフ表示色", SettingKind::Integer, 0x00FF00FF, ""},
  {"REG_ListViewGridLine", "ListViewに枠線を表示", SettingKind::Integer, 0, ""},
  {"REG_FileSizeBarShow", "ファイルサイズの棒グラフ表示有無", SettingKind::Integer, 1, ""},
  {"REG_ClipBordFileWrite", "クリップボード出力では無くファイルへ出力", SettingKind::Integer, 0, ""},
  {"REG_DupFileColor", "重複ファイルの表示色", SettingKind::Integer, 0x00FF0000, ""},
  {"REG_ClipBordPutItem", "クリップボード出力項目", SettingKind::String, 0, "01000000000000"},
  {"REG_ClipBordItemSep", "クリップボード出力の項目区切り記号", SettingKind::Integer, 0, ""},
  {"REG_ChartCir3D", "円グラフ：3D表示", SettingKind::Integer, 1, ""},
  {"REG_SearchInfoStrKind", "検索条件：ファイル名の大文字と小文字の区別", SettingKind::Integer, 0, ""},
  {"REG_SearchInfoPortion", "検索条件：部分一致", SettingKind::Integer, 0, ""},
  {"REG_SearchInfoFile", "検索条件：ファイル名", SettingKind::Integer, 1, ""},
  {"REG_SearchInfoSize", "検索条件：サイズ", SettingKind::Integer, 1, ""},
  {"REG_SearchInfoDateTime", "検索条件：日時", SettingKind::Integer, 1, ""},
  {"REG_SearchInfoComment", "検索条件：コメント", SettingKind::Integer, 0, ""},
  {"REG_SearchInfoMark", "検索条件：マーク", SettingKind::Integer, 0, ""},
  {"REG_SearchInfoFolder", "検索条件：フォルダ", SettingKind::Integer, 0, ""},
  {"REG_SearchInfoCommentAll", "検索条件：コメント全検索", SettingKind::Integer, 1, ""},
  {"REG_SearchInfoCommentStr", "検索条件：コメント文字列", SettingKind::String, 0, ""},
  {"REG_ListItemPos00", "ListItem表示位置00", SettingKind::Integer, 0, ""},
  {"REG_ListItemPos01", "ListItem表示位置01", SettingKind::Integer, 1, ""},
  {"REG_ListItemPos02", "ListItem表示位置02", SettingKind::Integer, 2, ""},
  {"REG_ListItemPos03", "ListItem表示位置03", SettingKind::Integer, 3, ""},
  {"REG_ListItemPos04", "ListItem表示位置04", SettingKind::Integer, 4, ""},
  {"REG_ListItemPos05", "ListItem表示位置05", SettingKind::Integer, 5, ""},
  {"REG_ListItemPos06", "ListItem表示位置06", SettingKind::Integer, 6, ""},
  {"REG_ListItemPos07", "ListItem表示位置07", SettingKind::Integer, 7, ""},
  {"REG_ListItemPos08", "ListItem表示位置08", SettingKind::Integer, 8, ""},
  {"REG_ListItemSize00", "ListItemサイズ00", SettingKind::Integer, 140, ""},
  {"REG_ListItemSize01", "ListItemサイズ01", SettingKind::Integer, 50, ""},
  {"REG_ListItemSize02", "ListItemサイズ02", SettingKind::Integer, 80, ""},
  {"REG_ListItemSize03", "ListItemサイズ03", SettingKind::Integer, 120, ""},
  {"REG_ListItemSize04", "ListItemサイズ04", SettingKind::Integer, 130, ""},
  {"REG_ListItemSize05", "ListItemサイズ05", SettingKind::Integer, 90, ""},
  {"REG_ListItemSize06", "ListItemサイズ06", SettingKind::Integer, 96, ""},
  {"REG_ListItemSize07", "ListItemサイズ07", SettingKind::Integer, 100, ""},
  {"REG_ListItemSize08", "ListItemサイズ08", SettingKind::Integer, 120, ""},
  {"REG_ListViewPropertyShow", "ListViewプロパティ表示", SettingKind::Integer, 1, ""},
  {"REG_ListViewPropertyPos", "ListViewプロパティ表示位置", SettingKind::Integer, 0, ""},
  {"REG_MainFrameTop", "画面表示位置：Top", SettingKind::Integer, 0, ""},
  {"REG_MainFrameLeft", "画面表示位置：Left", SettingKind::Integer, 0, ""},
  {"REG_MainFrameHeight", "画面表示位置：Height", SettingKind::Integer, 0, ""},
  {"REG_MainFrameWidth", "画面表示位置：Width", SettingKind::Integer, 0, ""},
  {"REG_ChartBarOrthogonal", "棒グラフ：直交表示", SettingKind::Integer, 1, ""},
  {"REG_DupSearchMode", "重複ファイルの高速検索モード", SettingKind::Integer, 0, ""},
  {"REG_ChartBarBkImageFlag", "棒グラフ：背景画像の表示", SettingKind::Integer, 0, ""},
  {"REG_ChartBarBkImageFile", "棒グラフ：背景画像のファイル名", SettingKind::String, 0, ""},
  {"REG_ChartBarBkImageStyle", "棒グラフ：背景画像のスタイル", SettingKind::Integer, 0, ""},
  {"REG_ChartBarBkGradFlag", "棒グラフ：背景グラデーションの表示", SettingKind::Integer, 1, ""},
  {"REG_ChartBarBkGradStart", "棒グラフ：背景グラデーションの開始色", SettingKind::Integer, 0x0080FF80, ""},
  {"REG_ChartBarBkGradEnd", "棒グラフ：背景グラデーションの終了色", SettingKind::Integer, 0x00FFFFFF, ""},
  {"REG_ChartBarBkGradDirection", "棒グラフ：背景グラデーションの方向", SettingKind::Integer, 1, ""},
  {"REG_LikeKey", "似たようなファイルの区切り記号", SettingKind::String, 0, " _-.()[]　、，・（）【】「」"},
  {"REG_ShowCommentSet", "コメント登録の表示/非表示", SettingKind::Integer, 1, ""},
  {"REG_ShowDupInfo", "重複情報の表示/非表示", SettingKind::Integer, 1, ""},
  {"REG_MainTreeViewWidth", "メインTreeViewの幅", SettingKind::Integer, 244, ""},
  {"REG_MainDupPanelHeight", "メイン重複情報表示パネルの高さ", SettingKind::Integer, 103, ""},
  {"REG_RefHistSave", "閲覧履歴の保存", SettingKind::Integer, 1, ""},
  {"REG_RefHistSaveCount", "閲覧履歴の保存数", SettingKind::Integer, 5, ""},
  {"REG_HistListBefor", "直前の履歴の値(閲覧履歴に必要な値）", SettingKind::Integer, 0, ""},
  {"REG_PrefixAreaSub", "保管詳細のプリフックス名称", SettingKind::String, 0, "あそこ_"},
  {"REG_DupListHighSpeedShow", "重複ファイル一覧の高速表示", SettingKind::Integer, 0, ""},
  {"REG_SearchInfoCommentKind", "検索条件：コメント文の大文字と小文字の区別", SettingKind::Integer, 0, ""},
  {"REG_ClipBordDefault", "クリップボード出力のデフォルト形式", SettingKind::Integer, 0, ""},
};

const char* const kDateTimePictures[18] = {
    "yyyy/mm/dd(aaa) hh:nn",           "yyyy/mm/dd(aaa) hh:nn:ss",
    "yyyy/mm/dd hh:nn",                "yyyy/mm/dd hh:nn:ss",
    "yyyy年mm月dd日(aaa) hh時nn分",    "yyyy年mm月dd日(aaa) hh時nn分ss秒",
    "yyyy年mm月dd日 hh時nn分",         "yyyy年mm月dd日 hh時nn分ss秒",
    "gee/mm/dd(aaa) hh:nn",            "gee/mm/dd(aaa) hh:nn:ss",
    "gee/mm/dd hh:nn",                 "gee/mm/dd hh:nn:ss",
    "ggee年mm月dd日(aaa) hh時nn分",    "ggee年mm月dd日(aaa) hh時nn分ss秒",
    "ggee年mm月dd日 hh時nn分",         "ggee年mm月dd日 hh時nn分ss秒",
    "yyyymmdd hhnnss",                 "yyyymmddhhnnss",
};

std::optional<SettingKey> FindSettingKey(std::string_view value_name) {
  for (int i = 0; i < kSettingCount; ++i)
    if (value_name == SettingsTable[i].name) return static_cast<SettingKey>(i);
  return std::nullopt;
}

std::optional<std::int32_t> ParseInt32(std::string_view s) {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty() || s[0] == '+') return std::nullopt;
  std::int32_t v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

std::string ReadSettingString(SettingKey key) {
  const SettingRow& row = SettingRowOf(key);
  if (row.kind != SettingKind::String) return {};
  if (auto v = Platform().settings->Read(row.name)) return *v;
  return text::Utf8ToCp932(row.str_default);
}

std::int32_t ReadSettingInteger(SettingKey key) {
  const SettingRow& row = SettingRowOf(key);
  if (row.kind != SettingKind::Integer) return 0;
  if (auto v = Platform().settings->Read(row.name))
    if (auto n = ParseInt32(*v)) return *n;
  return row.int_default;
}

bool WriteSettingString(SettingKey key, std::string_view value, std::string* err) {
  const SettingRow& row = SettingRowOf(key);
  if (row.kind != SettingKind::String) return false;
  std::string e;
  bool ok = Platform().settings->Write(row.name, value, e);
  if (!ok && err) *err = e;
  return ok;
}

bool WriteSettingInteger(SettingKey key, std::int32_t value, std::string* err) {
  const SettingRow& row = SettingRowOf(key);
  if (row.kind != SettingKind::Integer) return false;
  std::string e;
  bool ok = Platform().settings->Write(row.name, std::to_string(value), e);
  if (!ok && err) *err = e;
  return ok;
}

}  // namespace fv
