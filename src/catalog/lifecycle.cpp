#include "catalog/lifecycle.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv {

namespace {

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

constexpr SettingKey kHistory[5] = {SettingKey::REG_OpenHist01, SettingKey::REG_OpenHist02,
                                    SettingKey::REG_OpenHist03, SettingKey::REG_OpenHist04,
                                    SettingKey::REG_OpenHist05};
constexpr const char* kDefaultName = "Default.fvd";
constexpr const char* kUtf8Prefix = "utf8:";

MsgResult Ask(const std::string& text, MsgIcon icon, MsgButtons buttons) {
  return Platform().messages->Show(text, std::string(), icon, buttons);
}

}  // namespace

std::string WithCatalogExtension(const std::string& path) {
  std::string up = path;
  for (char& ch : up)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return up.find(".FVD") != std::string::npos ? path : path + ".fvd";
}

std::string CatalogFileFilter() {
  return Sj("メディア管理DBファイル(*.fvd)|*.fvd|すべてのファイル(*.*)|*.*");
}

CatalogLifecycle& TheLifecycle() {
  static CatalogLifecycle* l = new CatalogLifecycle(TheCatalog());
  return *l;
}

std::string CatalogLifecycle::ProgramFolder() {
  // Made on first use so the dialogs can start in it.
  const std::string dir = ProgramDataDir();
  std::string err;
  Platform().files->CreateDirs(dir, err);
  return dir;
}

namespace {

// The catalog file dialog as every command opens it; it starts in the folder
// of the last catalog, or the program's folder.
FileDialogRequest CatalogDialogRequest(const char* title_utf8, const std::string& last,
                                       const std::string& fallback_dir) {
  FileDialogRequest req;
  req.title = Sj(title_utf8);
  req.filter = CatalogFileFilter();
  req.initial_name = kDefaultName;
  req.default_ext = "fvd";
  req.must_exist = false;
  req.initial_dir = last.empty() || DirName(last).empty() ? fallback_dir : DirName(last);
  return req;
}

}  // namespace

std::string CatalogLifecycle::EncodeHistoryPath(const std::string& native) {
  const std::string cp = text::Utf8ToCp932(native);
  if (text::Cp932ToUtf8(cp) == native && native.rfind(kUtf8Prefix, 0) != 0) return cp;
  std::string out = kUtf8Prefix;
  for (unsigned char ch : native) {
    if (ch >= 0x80 || ch == '%') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", ch);
      out += buf;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

std::string CatalogLifecycle::DecodeHistoryPath(const std::string& stored) {
  if (stored.rfind(kUtf8Prefix, 0) != 0) return text::Cp932ToUtf8(stored);
  auto hex = [](char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = std::string_view(kUtf8Prefix).size(); i < stored.size(); ++i) {
    if (stored[i] == '%' && i + 2 < stored.size() && hex(stored[i + 1]) >= 0 && hex(stored[i + 2]) >= 0) {
      out += static_cast<char>(hex(stored[i + 1]) * 16 + hex(stored[i + 2]));
      i += 2;
    } else {
      out += stored[i];
    }
  }
  return out;
}

void CatalogLifecycle::RememberCatalog(const std::string& path) {
  const std::string value = EncodeHistoryPath(path);
  std::string entries[5];
  int n = 0;
  for (; n < 5; ++n) {
    entries[n] = ReadSettingString(kHistory[n]);
    if (entries[n].empty()) break;
  }
  int found = -1;
  for (int k = 0; k < n; ++k)
    if (entries[k] == value) {
      found = k;
      break;
    }
  const int last = found >= 0 ? found - 1 : std::min(n, 4) - 1;  // 0-based highest entry moved down
  for (int j = last; j >= 0; --j) WriteSettingString(kHistory[j + 1], entries[j]);
  WriteSettingString(kHistory[0], value);
}

std::string CatalogLifecycle::ChooseStartupCatalog() {
  FileDialogRequest req = CatalogDialogRequest("メディア管理DBファイルを指定してください", {}, ProgramFolder());
  const std::string stored = ReadSettingString(SettingKey::REG_OpenHist01);
  std::string result;
  if (stored.empty()) {
    req.title = Sj("◆メディア管理DBファイルの作成");
    result = Platform().dialogs->OpenFile(req).value_or(std::string());
  } else {
    const std::string last = DecodeHistoryPath(stored);
    if (!Platform().files->Exists(last)) {
      Hook(hooks.resetHistory);
      req.title = Sj("◆最後に開いたメディア管理DBファイルが存在しません、メディア管理DBファイルを指定してください");
      if (!DirName(last).empty()) req.initial_dir = DirName(last);
      result = Platform().dialogs->OpenFile(req).value_or(std::string());
    } else {
      result = last;
    }
  }
  if (!result.empty()) display_path_ = result;
  return result;
}

bool CatalogLifecycle::OpenStartupCatalog() {
  display_path_.clear();
  std::string path = ChooseStartupCatalog();
  if (path.empty()) return false;
  RememberCatalog(path);
  for (;;) {
    if (cat_.LoadCatalog(path)) {
      cat_.LoadLongNameFile();
      break;
    }
    // Only a file that is not there is created; one that cannot be read is
    // the user's catalog all the same: say why and let another be chosen.
    if (cat_.LastLoadFailure() == LoadFailure::Missing) {
      if (!CreateCatalogAt(path)) return false;
      break;
    }
    Ask(LoadFailureText(path, cat_.LastLoadFailure()), MsgIcon::Error, MsgButtons::Ok);
    FileDialogRequest req = CatalogDialogRequest("メディア管理DBファイルを指定してください", path, ProgramFolder());
    const std::optional<std::string> chosen = Platform().dialogs->OpenFile(req);
    if (!chosen || chosen->empty()) return false;
    path = *chosen;
    display_path_ = path;
    RememberCatalog(path);
  }
  UpdateOptimiseButton();
  Hook(hooks.updateDupLikeViews);
  Hook(hooks.rebuildTree);
  return true;
}

void CatalogLifecycle::OpenCatalogCommand() {
  if (hooks.workersRunning && hooks.workersRunning()) return;
  const std::string last = DecodeHistoryPath(ReadSettingString(SettingKey::REG_OpenHist01));
  FileDialogRequest req = CatalogDialogRequest("メディア管理DBファイルを指定してください", last, ProgramFolder());

  std::optional<std::string> path = Platform().dialogs->OpenFile(req);
  if (path && !path->empty() && !Platform().files->Exists(*path)) {
    if (Ask(Sj("新規メディア管理DBファイルを作成しますか？"), MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes)
      path = CreateAt(*path);
    else
      path.reset();
  }
  if (!path || path->empty()) {
    Hook(hooks.resetHistory);
    return;
  }
  const std::string previous_display = display_path_;
  display_path_ = *path;
  Hook(hooks.switchTreeToFirstTab);
  Hook(hooks.clearDupView);
  Hook(hooks.clearLikeView);
  if (!cat_.LoadCatalog(*path)) {
    // The open catalog stays as it was; so does what is shown of it.
    display_path_ = previous_display;
    Ask(LoadFailureText(*path, cat_.LastLoadFailure()), MsgIcon::Error, MsgButtons::Ok);
    return;
  }
  cat_.LoadLongNameFile();
  UpdateOptimiseButton();
  Hook(hooks.rebuildTree);
  RememberCatalog(*path);
  Hook(hooks.updateDupLikeViews);
  Hook(hooks.resetHistory);
}

std::string LoadFailureText(const std::string& path, LoadFailure why) {
  std::string reason;
  switch (why) {
    case LoadFailure::Missing: reason = "ファイルがありません"; break;
    case LoadFailure::TooShort: reason = "ファイルが短すぎます（メディア管理DBファイルでないか、途中で切れています）"; break;
    case LoadFailure::Invalid: reason = "ファイルの内容が正しくありません"; break;
    case LoadFailure::Locked: reason = "他のプロセスが使用中です"; break;
    case LoadFailure::Interrupted: reason = "最適化が途中で止まっています"; break;
    case LoadFailure::IoError:
    case LoadFailure::None: reason = "ファイルを読み込めません"; break;
  }
  return Sj("メディア管理DBファイルを開けませんでした\r\n") + text::Utf8ToCp932(path) + "\r\n" + text::Utf8ToCp932(reason);
}

std::string BackupPath(const std::string& path, std::uint32_t dos_time, const std::string& ext, int n) {
  std::string name = ChangeExtension(path, "") + "-backup-" + FormatDosTime("yyyymmdd-hhnnss", dos_time);
  if (n > 1) name += "-" + std::to_string(n);
  return name + ext;
}

bool BackUpCatalog(const std::string& path, std::uint32_t dos_time, std::string& err) {
  FileSystem& fs = *Platform().files;
  std::string ext = ".fvd";
  const std::size_t slash = path.find_last_of('/'), dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ext = path.substr(dot);
  const std::string exts[] = {ext, ".lfn", ".dup", ".lik"};
  // A name no earlier backup has (two in one second get -2, -3, ...).
  int n = 1;
  for (;; ++n) {
    bool taken = false;
    for (const std::string& e : exts) taken = taken || fs.Exists(BackupPath(path, dos_time, e, n));
    if (!taken) break;
  }
  for (const std::string& e : exts) {
    const std::string from = e == ext ? path : ChangeExtension(path, e);
    if (!fs.Exists(from)) continue;
    if (!fs.Rename(from, BackupPath(path, dos_time, e, n), err)) return false;
  }
  return true;
}

std::optional<std::string> CatalogLifecycle::CreateAt(const std::string& path_in) {
  Cursor(true);
  Hook(hooks.clearDupView);
  const std::string path = WithCatalogExtension(path_in);
  if (Platform().files->Exists(path)) {
    if (Ask(Sj("上書きしますか？"), MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes) {
      Cursor(false);
      return std::nullopt;
    }
    // The catalog overwritten is kept beside the new one, side files too.
    std::string err;
    if (!BackUpCatalog(path, NowDosTime(), err)) {
      Cursor(false);
      Ask(Sj("元のメディア管理DBファイルを退避できないため、作成を中止しました\r\n") + text::Utf8ToCp932(path + "\r\n" + err),
          MsgIcon::Error, MsgButtons::Ok);
      return std::nullopt;
    }
  }
  if (!cat_.CreateCatalog(path)) {
    Cursor(false);
    return std::nullopt;
  }
  display_path_ = path;
  RememberCatalog(path);
  Hook(hooks.clearNameLists);
  UpdateOptimiseButton();
  Hook(hooks.rebuildTree);
  Cursor(false);
  Hook(hooks.resetHistory);
  return path;
}

bool CatalogLifecycle::CreateCatalogAt(const std::string& path) {
  if (path.empty()) {
    if (hooks.workersRunning && hooks.workersRunning()) return true;
    const std::string last = DecodeHistoryPath(ReadSettingString(SettingKey::REG_OpenHist01));
    FileDialogRequest req = CatalogDialogRequest("新規DBファイルの作成", last, ProgramFolder());
    req.confirm_overwrite = false;  // asked below
    std::optional<std::string> chosen = Platform().dialogs->SaveFile(req);
    if (!chosen || chosen->empty()) {
      Hook(hooks.resetHistory);
      return true;
    }
    return CreateAt(*chosen).has_value();
  }
  return CreateAt(path).has_value();
}

bool CatalogLifecycle::CloseRequest() {
  if (busy_) {
    Ask(Sj("処理中...\r\n処理が完了してから終了してください"), MsgIcon::Warning, MsgButtons::Ok);
    return false;
  }
  Hook(hooks.saveWindowLayout);
  Hook(hooks.saveListColumns);
  Hook(hooks.saveHistory);
  Hook(hooks.freeScanBuffer);
  return true;
}

OptimiseButtonState CatalogLifecycle::UpdateOptimiseButton() {
  cat_.Recount();
  const int deleted = cat_.Counts().UsedSlots - cat_.Counts().LiveMedia;
  OptimiseButtonState s;
  s.enabled = deleted > 0;
  s.hint = Sj("DB最適化");
  if (deleted > 0) s.hint += Sj("(削除済みメディア数=") + std::to_string(deleted) + ")";
  if (onOptimiseButton) onOptimiseButton(s);
  return s;
}

void CatalogLifecycle::AfterMediaChange() {
  const std::int32_t mode = ReadSettingInteger(SettingKey::REG_DupSearchMode);
  bool yes;
  if (mode == 0) {
    yes = Ask(Sj("「重複ファイル」と「似たようなファイル」の検索処理を行いますか？\r\r"
                 "続けてメディアの追加/削除を行う場合には[いいえ]、\r"
                 "続けてメディアの追加/削除を行わない場合には[はい]を推奨。"),
              MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
  } else {
    yes = mode != 1;
  }
  if (yes) {
    Hook(hooks.runDupSearch);
    Hook(hooks.runLikeSearch);
  } else {
    Hook(hooks.clearDupStore);
    Hook(hooks.clearDupView);
    Hook(hooks.clearLikeStore);
    Hook(hooks.clearLikeView);
    Hook(hooks.showSearchCommands);
  }
}

void CatalogLifecycle::DeleteCurrentMediumCommand(std::optional<EntryId> selected) {
  if (!selected) return;
  if (hooks.workersRunning && hooks.workersRunning()) return;
  if (*selected < 0) {
    Ask(Sj("削除するメディアが不明です"), MsgIcon::Warning, MsgButtons::Ok);
    return;
  }
  const int m = MediumOf(*selected);
  if (Ask(Sj("下記のメディア情報を削除しますか？\r\n\r\n") + cat_.MediumName(*selected), MsgIcon::Question,
          MsgButtons::YesNo) != MsgResult::Yes)
    return;
  Cursor(true);
  const bool deleted = cat_.DeleteMedium(m);
  Hook(hooks.rebuildTree);
  Cursor(false);
  if (!deleted) return;
  if (cat_.Counts().VisibleMedia < 1) {
    Hook(hooks.clearDupStore);
    Hook(hooks.clearLikeStore);
  } else {
    AfterMediaChange();
  }
  UpdateOptimiseButton();
  Hook(hooks.updateDupLikeViews);
  Hook(hooks.resetHistory);
}

void CatalogLifecycle::OptimiseCommand(const StatusSink& status) {
  if (hooks.workersRunning && hooks.workersRunning()) return;
  SetBusy(true);
  Cursor(true);
  const bool done = cat_.Optimise(status);
  Cursor(false);
  Hook(hooks.rebuildTree);
  SetBusy(false);
  if (done) AfterMediaChange();
  UpdateOptimiseButton();
  Hook(hooks.updateDupLikeViews);
  Hook(hooks.resetHistory);
}

}  // namespace fv
