#pragma once
// Registering a medium: the state and rules of the registration dialog
// (読込みドライブ), the add command's flow around the scanner and the
// catalog, and the check that the right medium is in a drive before a
// catalogued file is used. Windows are thin shells over these classes.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/records.h"
#include "reading/scanner.h"
#include "reading/volumes.h"

namespace fv {

class Catalog;

// The registration dialog's state. Texts are cp932.
class Registration {
 public:
  // Initial values from the settings and the catalog.
  explicit Registration(Catalog& catalog);

  // Drive letter (upper case).
  char drive = 'C';
  std::string name;
  bool volume_name = true;  // "ボリューム名取得"
  bool eject = true;        // "読込み後にメディア(CD-ROM)を取り出す"
  bool versions = false;    // "ファイルからVersion情報も取得(注：低速)"
  int dup_mode = 0;         // radio group, 0..2
  std::string classification;
  std::string location;
  std::string detail;

  // Lists of the three combo boxes.
  std::vector<std::string> NameChoices() const;            // live media names, sorted
  std::vector<std::string> ClassificationChoices() const;  // "デフォルト" + the catalog's
  std::vector<std::string> LocationChoices() const;

  // A new drive was chosen: query its volume; the label becomes the name
  // when "ボリューム名取得" is ticked.
  void SelectDrive(char letter);
  // Ticking "ボリューム名取得" puts the last label into the name.
  void SetVolumeName(bool ticked);

  // "読込む": stores the radio choice, validates; the dialog closes either
  // way. Returns whether it was confirmed.
  bool ReadClicked();
  // Enter in the name, classification or location field: validates without
  // storing the radio choice; the dialog closes only when this is true.
  bool EnterPressed();
  // The validation steps (drive ready, volume, name, duplicate question,
  // settings). A medium to be replaced is named in `replaced`; the add
  // command deletes it once the new one is stored.
  bool Validate();

  bool confirmed = false;
  int replaced = -1;  // medium the new one replaces, -1 = none
  const VolumeText& Volume() const { return volume_; }
  bool VolumeOk() const { return volume_ok_; }

  // The choices as the scanner takes them (classification empty = default).
  ScanChoices Choices() const;

 private:
  Catalog& catalog_;
  VolumeText volume_;
  bool volume_ok_ = false;
  std::string chosen_class_;
};

// The current local time as "yyyy/mm/dd hh:nn:ss" (cp932).
std::string NowNameText();

// Everything the add command needs from around it. Unset hooks do nothing,
// except runDialog, without which nothing is read.
struct AddMediumHooks {
  std::function<bool(Registration&)> runDialog;  // true when confirmed
  std::function<void(bool busy)> setBusy;
  std::function<void(int panel, std::string_view text)> status;
  std::function<void()> pump;
  std::function<void(bool busy)> busyCursor;
  std::function<void()> rebuildTree;
  std::function<void()> afterMediaChange;  // duplicate/similar question
  std::function<void()> updateTabs;
};

// "メディア情報の追加/更新": refuses on a full media table, runs the dialog,
// reads and stores. True when a medium was stored. When the read could not
// see into some folders or files the user is told so and gaps (when given)
// receives the counts; it is emptied when nothing was stored.
bool AddMediumCommand(Catalog& catalog, Scanner& scanner, const AddMediumHooks& hooks,
                      ReadGaps* gaps = nullptr);

// The scanner's view of a drive letter.
ScanTarget ScanTargetOf(char letter);

// Why CheckMediumInDrive stopped.
enum class CheckResult {
  Verified,     // right medium: purpose 1 opened the file, purpose 2 may copy
  ChangeDrive,  // the user asked for the drive-change dialog (already run)
  Stopped,      // cancelled, or no path after three attempts
};

struct CheckHooks {
  std::function<void(const std::string& native_path)> openFile;  // purpose 1
  std::function<void(EntryId id, int purpose)> changeDrive;       // drive-change dialog
};

constexpr int kPurposeOpen = 1;
constexpr int kPurposeCopy = 2;

// Verifies volume label and serial of the id's medium against its drive,
// at most three attempts. native_path receives the file's path on the drive.
CheckResult CheckMediumInDrive(Catalog& catalog, EntryId id, int purpose, const CheckHooks& hooks,
                               std::string* native_path = nullptr);

// Path of entry e of the loaded medium below its root, joined with "\"
// (full names); empty for the root or a broken chain.
std::string EntryPathBelowRoot(const Catalog& catalog, int e);
// A drive's native path for a cp932 path below its root ("a\b.txt").
std::string NativePathOnDrive(char letter, std::string_view cp932_path);

}  // namespace fv
