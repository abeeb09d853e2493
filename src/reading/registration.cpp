#include "reading/registration.h"

#include <algorithm>
#include <new>

#include "catalog/catalog.h"
#include "media_meta/name_lists.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv {

namespace {

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

MsgResult Ask(const std::string& cp932, MsgIcon icon, MsgButtons buttons) {
  return Platform().messages->Show(cp932, "Ferrovan", icon, buttons);
}

std::string GapsText(const ReadGaps& gaps) {
  std::string t = "読めなかったフォルダ: " + std::to_string(gaps.folders);
  if (gaps.files > 0) t += "\r\n読めなかったファイル: " + std::to_string(gaps.files);
  return text::Utf8ToCp932(t);
}

}  // namespace

std::string NowNameText() { return FormatDateTime(Sj("yyyy/mm/dd hh:nn:ss"), NowLocal()); }

Registration::Registration(Catalog& catalog) : catalog_(catalog) {
  char d = DriveLetterOf(ReadSettingString(SettingKey::REG_BeforDrive));
  drive = d ? d : 'C';
  name = NowNameText();
  volume_name = ReadSettingInteger(SettingKey::REG_VolumeName) != 0;
  eject = ReadSettingInteger(SettingKey::REG_Eject) != 0;
  versions = ReadSettingInteger(SettingKey::REG_GetFileVersion) != 0;
  int mode = ReadSettingInteger(SettingKey::REG_DupSearchMode);
  dup_mode = mode >= 0 && mode <= 2 ? mode : 0;
}

std::vector<std::string> Registration::NameChoices() const {
  std::vector<std::string> names;
  for (int m = 0; m < kMediaSlots; ++m)
    if (catalog_.SlotLive(m)) names.push_back(catalog_.Medium(m).Name.str());
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return text::Compare(a, b) < 0;
  });
  return names;
}

std::vector<std::string> Registration::ClassificationChoices() const {
  std::vector<std::string> v{DefaultNameText()};
  const auto& names = TheNameLists().ClassificationNames();
  v.insert(v.end(), names.begin(), names.end());
  return v;
}

std::vector<std::string> Registration::LocationChoices() const { return TheNameLists().LocationNames(); }

void Registration::SelectDrive(char letter) {
  drive = letter;
  volume_ok_ = VolumeInfo(std::string(1, letter), volume_);
  if (volume_ok_ && volume_name) name = volume_.label;
}

void Registration::SetVolumeName(bool ticked) {
  volume_name = ticked;
  if (ticked) name = volume_.label;
}

bool Registration::ReadClicked() {
  WriteSettingInteger(SettingKey::REG_DupSearchMode, dup_mode);
  confirmed = Validate();
  return confirmed;
}

bool Registration::EnterPressed() {
  confirmed = Validate();
  return confirmed;
}

bool Registration::Validate() {
  while (!DriveReady(DriveNumber(drive))) {
    if (Ask(Sj("読込デバイスが準備されていません"), MsgIcon::Error, MsgButtons::RetryCancel) != MsgResult::Retry)
      return false;
  }
  volume_ok_ = VolumeInfo(std::string(1, drive), volume_);

  int old = -1;
  if (name.empty()) {
    name = NowNameText();
  } else {
    // The stored name keeps 91 bytes: compare what will be stored.
    std::string_view stored = std::string_view(name).substr(0, decltype(MediumRecord::Name)::capacity);
    if (!catalog_.FindMediumByName(true, stored)) {
      old = catalog_.FoundMedium();
      bool same = catalog_.SerialNoAt(old) == volume_.serial;
      std::string q = Sj("名前が重複します、上書きしますか\r\n\r\n");
      q += same ? Sj("(同一ﾒﾃﾞｨｱが指定されました)") : Sj("(注：別ﾒﾃﾞｨｱが指定されました)");
      q += "\r\n";
      q += Sj("旧作成日時：");
      q += FormatDosTime(Sj("yyyy/mm/dd(aaa) hh:nn:ss"), catalog_.RegistrationTimeAt(old));
      if (Ask(q, same ? MsgIcon::Question : MsgIcon::Warning, MsgButtons::OkCancel) != MsgResult::Ok)
        return false;
    }
  }

  chosen_class_ = classification == DefaultNameText() ? std::string() : classification;

  WriteSettingString(SettingKey::REG_BeforDrive, std::string(1, drive));
  WriteSettingInteger(SettingKey::REG_VolumeName, volume_name ? 1 : 0);
  WriteSettingInteger(SettingKey::REG_Eject, eject ? 1 : 0);
  WriteSettingInteger(SettingKey::REG_GetFileVersion, versions ? 1 : 0);

  // The medium replaced is deleted only once the new one is stored, so a
  // read or store that fails loses nothing.
  replaced = old;
  return true;
}

ScanChoices Registration::Choices() const {
  ScanChoices c;
  c.medium_name = name;
  c.volume_name = volume_.label;
  c.serial_no = volume_.serial;
  c.classification = chosen_class_;
  c.location = location;
  c.location_detail = detail;
  c.read_versions = versions;
  c.eject = eject;
  return c;
}

ScanTarget ScanTargetOf(char letter) {
  ScanTarget t;
  t.drive = std::string(1, letter);
  t.root_path = Drives().RootPath(letter);
  t.kind = static_cast<std::int16_t>(Drives().Kind(letter));
  t.cluster_size = Drives().ClusterSize(letter);
  t.free_space = Drives().FreeSpace(letter);
  return t;
}

bool AddMediumCommand(Catalog& catalog, Scanner& scanner, const AddMediumHooks& hooks, ReadGaps* gaps) {
  if (gaps) *gaps = ReadGaps{};
  catalog.Recount();
  if (catalog.Counts().UsedSlots >= kMediaSlots) {
    Ask(Sj("メディア管理DBに登録できる最大数を超えました。\r\n不要メディアの削除、\r\nまたは、DBの最適化、\r\n"
           "または、新規DBを作成してください。"),
        MsgIcon::Error, MsgButtons::Ok);
    return false;
  }
  auto busy = [&](bool on) {
    if (hooks.setBusy) hooks.setBusy(on);
  };
  busy(true);
  Registration reg(catalog);
  if (!hooks.runDialog || !hooks.runDialog(reg) || !reg.confirmed) {
    busy(false);
    return false;
  }

  bool stored = false;
  if (hooks.busyCursor) hooks.busyCursor(true);
  scanner.onStatus = hooks.status;
  scanner.onPump = hooks.pump;
  scanner.onEject = [](const std::string& d) { Drives().Eject(DriveLetterOf(d)); };
  ScanChoices choices = reg.Choices();
  choices.first_long_name = catalog.LongNames().RecordCount();
  scanner.ClearScanBuffer();
  try {
    if (scanner.ReadMedium(ScanTargetOf(reg.drive), choices)) {
      if (hooks.status) hooks.status(kStatusPanelMain, Sj("メディア情報書込み中..."));
      ScanSource source = [&scanner](int i, ScannedEntry& out) { scanner.Fill(i, out); };
      stored = catalog.StoreScannedMedium(scanner.Buffer().Count(), source, scanner.MediaInfo());
      if (stored && reg.replaced >= 0 && !catalog.DeleteMedium(reg.replaced)) {
        // Both stay: the old one under the same name until it is deleted.
        Ask(Sj("新しいメディア情報は登録しましたが、置き換える前のメディア情報を削除できませんでした"),
            MsgIcon::Warning, MsgButtons::Ok);
      }
      if (hooks.status) hooks.status(kStatusPanelMain, "");
      if (hooks.rebuildTree) hooks.rebuildTree();
    }
  } catch (const std::bad_alloc&) {
    scanner.ClearScanBuffer();
    Ask(Sj("領域確保失敗\r\n再度メディア読込みを行う場合には\r\nFerrovanを再起動してください"), MsgIcon::Error,
        MsgButtons::Ok);
  }
  if (hooks.busyCursor) hooks.busyCursor(false);

  busy(false);
  // What the read missed is told before anything else runs on the medium.
  if (stored && scanner.Gaps().Any()) {
    if (gaps) *gaps = scanner.Gaps();
    Ask(GapsText(scanner.Gaps()), MsgIcon::Warning, MsgButtons::Ok);
  }
  if (stored && hooks.afterMediaChange) hooks.afterMediaChange();
  if (hooks.updateTabs) hooks.updateTabs();
  return stored;
}

std::string EntryPathBelowRoot(const Catalog& catalog, int e) {
  std::vector<int> chain;
  int n = catalog.LoadedCount();
  for (int k = e; k > 0; k = catalog.Entry(k).Parent) {
    if (k >= n || static_cast<int>(chain.size()) > n) return {};  // broken chain
    chain.push_back(k);
  }
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += '\\';
    path += catalog.LoadedFullName(*it);
  }
  return path;
}

std::string NativePathOnDrive(char letter, std::string_view cp932_path) {
  std::string root = Drives().RootPath(letter);
  // "\" separates components; a trail byte 0x5C inside a double-byte
  // character is part of the name.
  std::string native, part;
  auto flush = [&] {
    if (root.empty() || root.back() != '/') root += '/';
    root += text::Cp932ToUtf8(part);
    part.clear();
  };
  for (std::size_t i = 0; i < cp932_path.size();) {
    std::size_t len = text::CharLen(cp932_path, i);
    if (len == 1 && cp932_path[i] == '\\') {
      flush();
    } else {
      part.append(cp932_path.substr(i, len));
    }
    i += len;
  }
  if (!part.empty()) flush();
  return root;
}

CheckResult CheckMediumInDrive(Catalog& catalog, EntryId id, int purpose, const CheckHooks& hooks,
                               std::string* native_path) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    char letter = DriveLetterOf(catalog.MediumDrive(id));
    std::string path;
    if (id >= 0 && catalog.LoadMedium(MediumOf(id))) path = EntryPathBelowRoot(catalog, EntryOf(id));
    if (path.empty()) continue;

    VolumeText vol;
    bool ok = letter && VolumeInfo(std::string(1, letter), vol);
    if (ok && vol.label == catalog.MediumVolumeName(id) && vol.serial == catalog.MediumSerialNo(id)) {
      std::string native = NativePathOnDrive(letter, path);
      if (native_path) *native_path = native;
      if (purpose == kPurposeOpen && hooks.openFile) hooks.openFile(native);
      return CheckResult::Verified;
    }
    if (ok) {
      const char* what = vol.label != catalog.MediumVolumeName(id) ? "ボリューム名不一致" : "シリアルNo不一致";
      std::string msg = Sj(what) + Sj("\r正しいメディアをマウントするか、\r読込みドライブを変更してください\r\r"
                                      "[はい]　：ドライブ変更\r[いいえ]：処理中止");
      if (Ask(msg, MsgIcon::Warning, MsgButtons::YesNo) == MsgResult::Yes) {
        if (hooks.changeDrive) hooks.changeDrive(id, purpose);
        return CheckResult::ChangeDrive;
      }
      return CheckResult::Stopped;
    }
    std::string msg = std::string(1, letter ? letter : '?') + " " +
                      Sj("ドライブにメディアがマウントされていません\r\r[はい]　：リトライ\r[いいえ]：ドライブ変更\r"
                         "[キャンセル]：処理中止");
    MsgResult r = Ask(msg, MsgIcon::Warning, MsgButtons::YesNoCancel);
    if (r == MsgResult::Yes) continue;
    if (r == MsgResult::No) {
      if (hooks.changeDrive) hooks.changeDrive(id, purpose);
      return CheckResult::ChangeDrive;
    }
    return CheckResult::Stopped;
  }
  return CheckResult::Stopped;
}

}  // namespace fv
