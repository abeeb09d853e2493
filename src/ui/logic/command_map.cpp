#include "ui/logic/command_map.h"

#include "platform/text.h"

namespace fv {

namespace {

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

struct Def {
  Cmd cmd;
  Place place;
  const char* caption;
  const char* shortcut = "";
  bool checkable = false;
  bool checked = false;
  bool separator_before = false;
  bool switch_to_standard = false;
  bool hidden = false;
  const char* icon = "";
};

// The command map, place by place in the order the user sees it.
const Def kDefs[] = {
    // menu bar
    {Cmd::NewCatalog, Place::MenuFile, "DBの新規作成(&N)...", "Ctrl+N", false, false, false, true, false, "document-new"},
    {Cmd::OpenCatalog, Place::MenuFile, "DBを開く(&O)...", "Ctrl+O", false, false, false, true, false, "document-open"},
    {Cmd::Optimise, Place::MenuFile, "DBの最適化(&P)", "Ctrl+P", false, false, false, true},
    {Cmd::Settings, Place::MenuFile, "環境設定(&E)...", "Ctrl+E", false, false, true, false, false, "preferences-system"},
    {Cmd::Exit, Place::MenuFile, "終了(&X)", "Ctrl+X", false, false, true, false, false, "application-exit"},
    {Cmd::ReadMedium, Place::MenuMedia, "メディア情報の追加/更新(&R)...", "Ctrl+R", false, false, false, true},
    {Cmd::DeleteMedium, Place::MenuMedia, "カレントのメディア情報を削除(&D)", "Ctrl+D", false, false, false, true},
    {Cmd::Search, Place::MenuSearch, "検索(&F)...", "Ctrl+F", false, false, false, false, false, "edit-find"},
    {Cmd::DupSearch, Place::MenuDup, "重複ファイル検索(&S)...", "Ctrl+S"},
    {Cmd::DupColor, Place::MenuDup, "重複ファイル表示色(&C)...", "Ctrl+C"},
    {Cmd::DupResearch, Place::MenuDup, "重複ファイル再検索(&K)...", "Ctrl+K"},
    // Ctrl+N belongs to "DBの新規作成(&N)...", the first in menu order.
    {Cmd::LikeSearch, Place::MenuDup, "似たようなファイル検索(&N)...", "", false, false, true},
    {Cmd::LikeResearch, Place::MenuDup, "似たようなファイル再検索(&L)...", "Ctrl+L"},
    {Cmd::Help, Place::MenuHelp, "Ferrovanヘルプ(&H)", "", false, false, false, false, false, "help-contents"},
    {Cmd::About, Place::MenuHelp, "バージョン情報(&A)...", "", false, false, false, false, false, "help-about"},
    // main tool bar
    {Cmd::OpenCatalog, Place::MainTools, "DBを開く", "", false, false, false, false, false, "document-open"},
    {Cmd::NewCatalog, Place::MainTools, "DBの新規作成", "", false, false, false, false, false, "document-new"},
    {Cmd::Optimise, Place::MainTools, "DBの最適化", "", false, false, false, false, false, "edit-clear"},
    {Cmd::DupSearch, Place::MainTools, "重複ファイル検索", "", false, false, true, false, true, "edit-copy"},
    {Cmd::LikeSearch, Place::MainTools, "似たようなファイル検索", "", false, false, true, false, false, "edit-find-replace"},
    // tree tool bar
    {Cmd::ReadMedium, Place::TreeTools, "メディア情報の追加/更新", "", false, false, false, false, false, "list-add"},
    {Cmd::DeleteMedium, Place::TreeTools, "カレントのメディア情報を削除", "", false, false, false, false, false, "list-remove"},
    {Cmd::ChangeClassification, Place::TreeTools, "メディアの分類を変更...", "", false, false, true, false, false, "folder-new"},
    {Cmd::ChangeLocation, Place::TreeTools, "メディアの保管場所を変更...", "", false, false, false, false, false, "go-jump"},
    {Cmd::RenameMedium, Place::TreeTools, "メディア名称の変更", "", false, false, true, false, false, "edit-rename"},
    {Cmd::PictureList, Place::TreeTools, "メディアにリンクされた画像一覧", "", false, false, false, false, false, "image-x-generic"},
    // media pop-up menu
    {Cmd::ReadMedium, Place::MediaPopup, "メディア情報の追加/更新(&R)", "Ctrl+R"},
    {Cmd::DeleteMedium, Place::MediaPopup, "カレントのメディア情報を削除(&D)", "Ctrl+D"},
    {Cmd::ChangeClassification, Place::MediaPopup, "メディアの分類を変更(&M)...", "", false, false, true},
    {Cmd::WrapTabs, Place::MediaPopup, "メディアの分類をすべて表示(&S)", "", true, true},
    {Cmd::ChangeLocation, Place::MediaPopup, "メディアの保管場所を変更(&A)...", "", false, false, true},
    {Cmd::ChangeDetail, Place::MediaPopup, "メディアの保管場所詳細を変更(&B)..."},
    {Cmd::TabTop, Place::MediaPopupTabs, "上(&U)", "", true, true},
    {Cmd::TabBottom, Place::MediaPopupTabs, "下(&D)", "", true},
    {Cmd::TabLeft, Place::MediaPopupTabs, "左(&L)", "", true},
    {Cmd::TabRight, Place::MediaPopupTabs, "右(&R)", "", true},
    {Cmd::RenameMedium, Place::MediaPopup, "メディア名称の変更(&N)", "F2", false, false, true},
    {Cmd::ChangeReadDrive, Place::MediaPopup, "読込みドライブ名変更(&C)"},
    // list tool bar
    {Cmd::Back, Place::ListTools, "戻る", "", false, false, false, false, false, "go-previous"},
    {Cmd::Forward, Place::ListTools, "進む", "", false, false, false, false, false, "go-next"},
    {Cmd::Up, Place::ListTools, "上へ移動", "", false, false, false, false, false, "go-up"},
    {Cmd::ToggleMark, Place::ListTools, "マークを付ける/消す", "", false, false, true, false, false, "emblem-important"},
    {Cmd::Comment, Place::ListTools, "コメント文書込み/修正", "", false, false, false, false, false, "document-edit"},
    {Cmd::Explorer, Place::ListTools, "エクスプローラ起動...", "", false, false, false, false, false, "system-file-manager"},
    {Cmd::CopyToClipboard, Place::ListTools, "クリップボードへコピー", "", false, false, true, false, false, "edit-copy"},
    {Cmd::ToggleProperty, Place::ListTools, "プロパティ表示", "", true, true, true, false, false, "document-properties"},
    {Cmd::ViewLarge, Place::ListTools, "大きいアイコン表示", "", true, false, true, false, false, "view-list-icons"},
    {Cmd::ViewSmall, Place::ListTools, "小さいアイコン表示", "", true, false, false, false, false, "view-grid"},
    {Cmd::ViewList, Place::ListTools, "一覧表示", "", true, false, false, false, false, "view-list-compact"},
    {Cmd::ViewDetails, Place::ListTools, "詳細表示", "", true, true, false, false, false, "view-list-details"},
    {Cmd::ShowComment, Place::ListTools, "コメント", "", true, true},
    {Cmd::ShowDup, Place::ListTools, "重複", "", true, true},
    // file list pop-up menu
    {Cmd::Up, Place::ListPopup, "上へ移動(&U)"},
    {Cmd::Open, Place::ListPopup, "開く[ダブルクリック](&O)"},
    {Cmd::ToggleMark, Place::ListPopup, "マークを付ける/消す(&M)", "", false, false, true},
    {Cmd::Comment, Place::ListPopup, "コメント文書込み/修正(&C)"},
    {Cmd::Explorer, Place::ListPopup, "エクスプローラ起動(&E)..."},
    {Cmd::CopyNameSimple, Place::ListPopupCopy, "ファイル名[シンプル版]"},
    {Cmd::CopyPathSimple, Place::ListPopupCopy, "フルパス名[シンプル版]"},
    {Cmd::CopyName, Place::ListPopupCopy, "ファイル名(&N)", "", false, false, true},
    {Cmd::CopyPath, Place::ListPopupCopy, "フルパス名(&F)"},
    {Cmd::CopyFolderAll, Place::ListPopupCopy, "フォルダ配下すべて(&A)"},
    {Cmd::CopyMediumAll, Place::ListPopupCopy, "カレントのメディア情報すべて(&M)"},
    {Cmd::ClipboardSettings, Place::ListPopup, "クリップボード関連の環境設定(&Y)...", "Ctrl+Y"},
    {Cmd::CopyFile, Place::ListPopup, "ファイルのコピー(&F)...", "", false, false, true},
    {Cmd::ToggleProperty, Place::ListPopup, "プロパティ表示(&P)", "", true, true, true},
    {Cmd::ViewLarge, Place::ListPopupView, "大きいアイコン(&B)", "", true},
    {Cmd::ViewSmall, Place::ListPopupView, "小さいアイコン(&S)", "", true},
    {Cmd::ViewList, Place::ListPopupView, "一覧リスト(&L)", "", true},
    {Cmd::ViewDetails, Place::ListPopupView, "詳細表示(&R)", "", true, true},
    {Cmd::GridLines, Place::ListPopup, "項目の区切り線(&G)", "", true, false, true},
    {Cmd::SizeBars, Place::ListPopup, "サイズに棒グラフも表示(&B)", "", true, true},
    {Cmd::BarColor, Place::ListPopup, "サイズの棒グラフ色(&H)..."},
    {Cmd::ColumnOrder, Place::ListPopup, "項目の表示位置を変更(&K)", "", false, false, true},
    // property pane tool bar
    {Cmd::PropertyRight, Place::PropertyTools, "プロパティ情報を右側へ表示", "", false, false, false, false, false, "go-last"},
    {Cmd::PropertyLeft, Place::PropertyTools, "プロパティ情報を左側へ表示", "", false, false, false, false, false, "go-first"},
    {Cmd::RegisterPicture, Place::PropertyTools, "カレントのメディアに画像を登録", "", false, false, true, false, false, "insert-image"},
    {Cmd::CopyProperties, Place::PropertyTools, "プロパティのコピー", "", false, false, false, false, false, "edit-copy"},
    // search page
    {Cmd::Search, Place::SearchTools, "検索...", "", false, false, false, false, false, "edit-find"},
    {Cmd::SearchShowStandard, Place::SearchTools, "メディアの標準へ遷移", "", false, false, true, false, false, "go-jump"},
    {Cmd::ToggleMark, Place::SearchTools, "マークを付ける/消す", "", false, false, true, false, false, "emblem-important"},
    {Cmd::SearchCopyFullPath, Place::SearchTools, "フルパス名をクリップボードへコピー", "", false, false, false, false, false, "edit-copy"},
    {Cmd::SearchViewLarge, Place::SearchTools, "大きいアイコン表示", "", true, false, true, false, false, "view-list-icons"},
    {Cmd::SearchViewSmall, Place::SearchTools, "小さいアイコン表示", "", true, false, false, false, false, "view-grid"},
    {Cmd::SearchViewList, Place::SearchTools, "一覧表示", "", true, false, false, false, false, "view-list-compact"},
    {Cmd::SearchViewDetails, Place::SearchTools, "詳細表示", "", true, true, false, false, false, "view-list-details"},
    {Cmd::Search, Place::SearchPopup, "検索(&F)..."},
    {Cmd::SearchShowStandard, Place::SearchPopup, "メディアの標準へ遷移(&I)"},
    {Cmd::ToggleMark, Place::SearchPopup, "マークを付ける/消す(&M)"},
    {Cmd::SearchCopyName, Place::SearchPopup, "ファイル名をクリップボードへコピー(&N)", "", false, false, true},
    {Cmd::SearchCopyFullPath, Place::SearchPopup, "フルパス名をクリップボードへコピー(&C)"},
    {Cmd::SearchCopyAll, Place::SearchPopup, "全項目をクリップボードへコピー(&A)"},
    {Cmd::SearchViewLarge, Place::SearchPopupView, "大きいアイコン(&B)", "", true},
    {Cmd::SearchViewSmall, Place::SearchPopupView, "小さいアイコン(&S)", "", true},
    {Cmd::SearchViewList, Place::SearchPopupView, "一覧リスト(&L)", "", true},
    {Cmd::SearchViewDetails, Place::SearchPopupView, "詳細表示(&R)", "", true, true},
};

}  // namespace

const std::vector<CommandRow>& CommandTable() {
  static const std::vector<CommandRow> rows = [] {
    std::vector<CommandRow> v;
    for (const Def& d : kDefs)
      v.push_back(CommandRow{d.cmd, d.place, Sj(d.caption), d.shortcut, d.checkable, d.checked, d.separator_before,
                             d.switch_to_standard, d.hidden, d.icon});
    return v;
  }();
  return rows;
}

const std::vector<MenuTitle>& MenuTitles() {
  static const std::vector<MenuTitle> titles = {
      {Place::MenuFile, Sj("ファイル(&F)"), "Ctrl+Alt+F"},   {Place::MenuMedia, Sj("メディア(&M)"), "Ctrl+Alt+M"},
      {Place::MenuSearch, Sj("検索(&S)"), "Ctrl+Alt+S"},     {Place::MenuDup, Sj("重複(&D)"), "Ctrl+Alt+D"},
      {Place::MenuHelp, Sj("ヘルプ(&H)"), "Ctrl+Alt+H"},
  };
  return titles;
}

std::string SubmenuCaption(Place sub) {
  switch (sub) {
    case Place::MediaPopupTabs: return Sj("タブ位置の変更(&T)");
    case Place::ListPopupCopy: return Sj("名前をクリップボードへコピー(&N)");
    case Place::ListPopupView:
    case Place::SearchPopupView: return Sj("表示(&S)");
    default: return {};
  }
}

bool CommandBuilt(Cmd c) {
  switch (c) {
    case Cmd::NewCatalog: case Cmd::OpenCatalog: case Cmd::Optimise: case Cmd::Exit:
    case Cmd::DeleteMedium: case Cmd::WrapTabs: case Cmd::TabTop: case Cmd::TabBottom: case Cmd::TabLeft:
    case Cmd::TabRight: case Cmd::RenameMedium: case Cmd::Help: case Cmd::About:
    case Cmd::Back: case Cmd::Forward: case Cmd::Up: case Cmd::Open: case Cmd::ToggleMark: case Cmd::Comment:
    case Cmd::ToggleProperty: case Cmd::ViewLarge: case Cmd::ViewSmall: case Cmd::ViewList: case Cmd::ViewDetails:
    case Cmd::ShowComment: case Cmd::ShowDup: case Cmd::GridLines: case Cmd::SizeBars: case Cmd::BarColor:
    case Cmd::DupColor: case Cmd::ColumnOrder: case Cmd::PropertyRight: case Cmd::PropertyLeft:
    case Cmd::CopyProperties:
      return true;
    default:
      return false;
  }
}

std::string NotBuiltHint() { return Sj("この機能はまだ使えません"); }

bool ChangesCatalog(Cmd c) {
  switch (c) {
    case Cmd::NewCatalog: case Cmd::OpenCatalog: case Cmd::Optimise: case Cmd::Settings:
    case Cmd::ReadMedium: case Cmd::DeleteMedium: case Cmd::ChangeClassification: case Cmd::ChangeLocation:
    case Cmd::ChangeDetail: case Cmd::RenameMedium: case Cmd::ChangeReadDrive: case Cmd::PictureList:
    case Cmd::Search: case Cmd::DupSearch: case Cmd::DupResearch: case Cmd::LikeSearch: case Cmd::LikeResearch:
    case Cmd::ToggleMark: case Cmd::Comment: case Cmd::RegisterPicture: case Cmd::Back: case Cmd::Forward:
    case Cmd::Up: case Cmd::Open: case Cmd::SearchShowStandard: case Cmd::CopyFile:
      return true;
    default:
      return false;
  }
}

bool CommandEnabled(Cmd c, const WindowState& s) {
  if (!CommandBuilt(c)) return false;
  if (s.busy && ChangesCatalog(c)) return false;
  switch (c) {
    case Cmd::NewCatalog:
    case Cmd::OpenCatalog:
    case Cmd::Optimise:
    case Cmd::ReadMedium:
    case Cmd::DeleteMedium:
      return !s.workers_running;
    case Cmd::Search:
      return s.has_media;
    case Cmd::Back:
      return s.can_go_back;
    case Cmd::Forward:
      return s.can_go_forward;
    case Cmd::Up:
      return !s.at_catalog_root;
    case Cmd::WrapTabs:
      return s.tab_position <= 1;
    case Cmd::TabLeft:
    case Cmd::TabRight:
      return s.tabs_wrap;
    default:
      return true;
  }
}

bool RowEnabled(const CommandRow& row, const WindowState& s) {
  if (row.cmd == Cmd::Optimise && row.place == Place::MainTools && s.deleted_media <= 0) return false;
  return CommandEnabled(row.cmd, s);
}

}  // namespace fv
