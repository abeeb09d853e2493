// The in-memory catalog and the catalog file (".fvd").
//
// File layout: 2000 media records, 5000 comment records, then the entry
// blocks of the used media in slot order. A block's position is the sum of
// the entry counts of the slots before it.
//
// Crash safety of adding: the new block is written and synced past the end
// of the used area first, then the long-name file is replaced atomically,
// and only then is the media slot written: its body first (the slot then
// reads as a deleted medium whose block exists), its Name last. A stop at
// any point leaves a catalog whose media table describes only complete
// blocks.

#include "catalog/catalog.h"

#include <algorithm>
#include <cstring>

#include "catalog/catalog_io.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

// ---- error reports -----------------------------------------------------------

void ReportCatalogError(const std::string& cp932_text) {
  Platform().messages->Show(cp932_text, std::string(), MsgIcon::Error, MsgButtons::Ok);
}

void ReportFileFailure(const std::string& path, const std::string& system_error) {
  ReportCatalogError(text::Utf8ToCp932(path) + "\r\n" + text::Utf8ToCp932(system_error));
}

void ReportDamagedFile(const std::string& path, const char* what_utf8) {
  ReportCatalogError(text::Utf8ToCp932(std::string("ファイルの内容が正しくないため読み込めません（") +
                                       what_utf8 + "が不正です）\r\n" + path));
}

void ReportCatalogBusy(const std::string& path, const std::string& why) {
  ReportCatalogError(text::Utf8ToCp932("他のプロセスがこのカタログを更新中です…\r\n" + path + "\r\n" + why));
}

Catalog& TheCatalog() {
  static Catalog* c = new Catalog;  // lives until exit; never destroyed under a worker
  return *c;
}

namespace {

constexpr std::size_t kMediaTableBytes = sizeof(MediumRecord) * kMediaSlots;
constexpr std::size_t kCommentTableBytes = sizeof(CommentRecord) * kCommentSlots;
// Records moved per read or write when a block is streamed.
constexpr std::size_t kChunkRecords = 16384;

void BlankMedium(MediumRecord& r) { std::memset(&r, 0, sizeof r); }

void BlankComment(CommentRecord& r) {
  std::memset(&r, 0, sizeof r);
  r.Owner = -1;
}

bool IsUsed(const MediumRecord& r) { return !r.Name.empty() || r.EntryCount > 0; }

}  // namespace

Catalog::Catalog() : media_(kMediaSlots), comments_(kCommentSlots) {
  // Sentinel room for an empty loaded medium.
  EnsureEntryCapacity(1);
  entries_[0] = EntryRecord{};
  entries_[0].Parent = -1;
  entries_[0].FirstChild = -1;
}

Catalog::~Catalog() = default;

// ---- data model ------------------------------------------------------------------

bool Catalog::SlotUsed(int m) const { return m >= 0 && m < kMediaSlots && IsUsed(Medium(m)); }
bool Catalog::SlotLive(int m) const { return m >= 0 && m < kMediaSlots && !Medium(m).Name.empty(); }
bool Catalog::SlotDeleted(int m) const { return SlotUsed(m) && Medium(m).Name.empty(); }

int Catalog::Recount() {
  counts_ = MediaCounts{};
  for (int i = 0; i < kMediaSlots && SlotUsed(i); ++i) {
    ++counts_.UsedSlots;
    const MediumRecord& r = Medium(i);
    if (r.Name.empty()) continue;
    ++counts_.LiveMedia;
    if (filter_.empty() || r.Classification.view() == filter_) ++counts_.VisibleMedia;
  }
  return counts_.UsedSlots;
}

namespace {
bool InRange(int m) { return m >= 0 && m < kMediaSlots; }
}  // namespace

std::string Catalog::MediumName(EntryId id) const {
  return id >= 0 && InRange(MediumOf(id)) ? Medium(MediumOf(id)).Name.str() : std::string();
}
std::string Catalog::MediumDrive(EntryId id) const {
  return id >= 0 && InRange(MediumOf(id)) ? Medium(MediumOf(id)).Drive.str() : std::string();
}
std::string Catalog::MediumVolumeName(EntryId id) const {
  return id >= 0 && InRange(MediumOf(id)) ? Medium(MediumOf(id)).VolumeName.str() : std::string();
}
std::string Catalog::MediumSerialNo(EntryId id) const {
  return id >= 0 && InRange(MediumOf(id)) ? Medium(MediumOf(id)).SerialNo.str() : std::string();
}

bool Catalog::SetDrive(int m, std::string_view text) {
  if (!InRange(m)) return false;
  MutableMedium(m).Drive = text;
  return true;
}
bool Catalog::SetClassification(int m, std::string_view text) {
  if (!InRange(m)) return false;
  MutableMedium(m).Classification = text;
  return true;
}
bool Catalog::SetLocation(int m, std::string_view text) {
  if (!InRange(m)) return false;
  MutableMedium(m).Location = text;
  return true;
}
bool Catalog::SetLocationDetail(int m, std::string_view text) {
  if (!InRange(m)) return false;
  MutableMedium(m).LocationDetail = text;
  return true;
}

bool Catalog::SetDriveById(EntryId id, std::string_view text) {
  if (id < 0 || !SetDrive(MediumOf(id), text)) return false;
  return SaveMediaTable();
}

bool Catalog::RenameMedium(int m, std::string_view text) {
  if (!InRange(m)) return false;
  MutableMedium(m).Name = text;
  MutableMedium(m).Root.Name = text;
  if (loaded_medium_ == m) entries_[0].Name = text;
  return SaveMediaTable();
}

std::string Catalog::NthLiveMediumName(int n) const {
  if (n < 0) return {};
  for (int i = 0; i < kMediaSlots && SlotUsed(i); ++i) {
    if (Medium(i).Name.empty()) continue;
    if (n-- == 0) return Medium(i).Name.str();
  }
  return {};
}

bool Catalog::FindMediumByName(bool unique, std::string_view name) {
  int matches = 0;
  for (int i = 0; i < kMediaSlots; ++i) {
    if (Medium(i).Name.view() == name) {
      ++matches;
      found_medium_ = i;
    }
  }
  return unique ? matches == 0 : matches <= 1;
}

std::string Catalog::SerialNoAt(int m) const { return InRange(m) ? Medium(m).SerialNo.str() : std::string(); }
std::uint32_t Catalog::RegistrationTimeAt(int m) const { return InRange(m) ? Medium(m).Root.Time : 0; }

MediumRecord Catalog::MediumSnapshot(EntryId id) const {
  MediumRecord r{};
  if (id >= 0 && InRange(MediumOf(id))) r = Medium(MediumOf(id));
  return r;
}

std::int64_t Catalog::BlockOffset(int m) const {
  std::int64_t sum = 0;
  for (int i = 0; i < m && i < kMediaSlots; ++i) {
    const std::int32_t n = Medium(i).EntryCount;  // packed field: copied, never bound to a reference
    if (n > 0) sum += n;
  }
  return kEntryAreaOffset + sum * static_cast<std::int64_t>(sizeof(EntryRecord));
}

bool Catalog::EnsureEntryCapacity(std::int64_t records) {
  if (records > kEntryTableCapacity) return false;
  if (records <= entry_capacity_) return true;
  // Grows in steps so that browsing small media never holds the full table.
  std::int64_t cap = std::max<std::int64_t>(records, std::min<std::int64_t>(entry_capacity_ * 2, kEntryTableCapacity));
  cap = std::max<std::int64_t>(cap, 1024);
  cap = std::min<std::int64_t>(cap, kEntryTableCapacity);
  entries_.reset(new EntryRecord[static_cast<std::size_t>(cap)]);  // contents are filled by the caller
  entry_capacity_ = cap;
  loaded_medium_ = -1;
  loaded_count_ = 0;
  return true;
}

std::string Catalog::LoadedFullName(int e) const {
  if (e < 0 || e >= loaded_count_) return {};
  if (long_names_.HasLongName(e)) return long_names_.LoadedLongName(e);
  return Entry(e).Name.str();
}

int Catalog::MediumNeedsReread(int slot) const {
  if (long_names_.SlotUsed(slot)) return 0;
  int n = 0;
  for (int e = 0; e < loaded_count_; ++e)
    if (Entry(e).Name.view().size() == kStoredNameBytes) ++n;
  return n;
}

int Catalog::LongNameCount(int slot) const {
  if (long_names_.SlotUsed(slot)) return long_names_.RecordedCount(slot);
  return -MediumNeedsReread(slot);
}

// ---- sharing with other processes -------------------------------------------

std::string Catalog::LockPath(const std::string& catalog_path) { return catalog_path + ".lock"; }

bool Catalog::HoldLock(const std::string& path, LockKind kind, int wait_ms, const std::function<void()>& on_wait,
                       std::string& err) {
  held_lock_.reset();
  held_lock_ = Platform().files->TakeLock(LockPath(path), kind, wait_ms, on_wait, err);
  return held_lock_ != nullptr;
}

void Catalog::ReleaseLock() {
  if (!held_lock_) return;
  // Writes after this check the file against what it holds now.
  if (held_lock_->Kind() == LockKind::Exclusive && IsOpen()) RememberDiskHeader();
  held_lock_.reset();
}

bool Catalog::HoldsLock(LockKind kind) const { return HoldsLockOn(path_, kind); }

bool Catalog::HoldsLockOn(const std::string& path, LockKind kind) const {
  auto covers = [&](const std::unique_ptr<FileLock>& l) {
    return l && l->Path() == LockPath(path) && (kind == LockKind::Shared || l->Kind() == LockKind::Exclusive);
  };
  return covers(held_lock_) || covers(section_lock_);
}

bool Catalog::BeginWrite() {
  if (write_depth_++ > 0) return write_ok_;
  write_ok_ = false;
  if (!IsOpen()) return false;
  if (held_lock_) {
    write_ok_ = HoldsLock(LockKind::Exclusive);
    if (!write_ok_) ReportCatalogError(text::Utf8ToCp932("このカタログは読み取りのために開かれています\r\n" + path_));
    return write_ok_;
  }
  std::string err;
  section_lock_ =
      Platform().files->TakeLock(LockPath(path_), LockKind::Exclusive, write_lock_wait_ms, onWaitingForLock, err);
  if (!section_lock_) {
    ReportCatalogBusy(path_, err);
    return false;
  }
  std::string why;
  if (!DiskHeaderUnchanged(why)) {
    section_lock_.reset();
    ReportCatalogError(text::Utf8ToCp932(why));
    if (onChangedElsewhere) onChangedElsewhere();
    return false;
  }
  write_ok_ = true;
  return true;
}

void Catalog::EndWrite() {
  if (--write_depth_ > 0) return;
  if (section_lock_) {
    // Entry writes leave the header area as it was: nothing to read again.
    if (header_written_) RememberDiskHeader();
    section_lock_.reset();
  }
  header_written_ = false;
}

void Catalog::RememberDiskHeader() {
  disk_header_.clear();
  std::string err;
  auto f = Platform().files->Open(path_, OpenMode::Read, err);
  if (!f) return;
  std::vector<char> bytes(kMediaTableBytes + kCommentTableBytes);
  if (f->ReadExact(kMediaTableOffset, bytes.data(), bytes.size())) disk_header_ = std::move(bytes);
}

bool Catalog::DiskHeaderUnchanged(std::string& why) {
  if (disk_header_.empty()) return true;
  std::string err;
  auto f = Platform().files->Open(path_, OpenMode::Read, err);
  std::vector<char> now(disk_header_.size());
  if (!f || !f->ReadExact(kMediaTableOffset, now.data(), now.size())) {
    why = path_ + "\r\n" + (f ? f->LastError() : err);
    return false;
  }
  if (now == disk_header_) return true;
  why = "このカタログは他のプロセスによって変更されました。開き直してください。\r\n" + path_;
  return false;
}

// ---- catalog file -----------------------------------------------------------------

void Catalog::SetCatalogPath(const std::string& path) {
  path_ = path;
  lfn_path_ = ChangeExtension(path, ".lfn");
  dup_path_ = ChangeExtension(path, ".dup");
  lik_path_ = ChangeExtension(path, ".lik");
  long_names_.SetPath(lfn_path_);
}

void Catalog::ReportFileError(const std::string& path, const std::string& err) { ReportFileFailure(path, err); }

bool Catalog::CreateCatalog(const std::string& path) {
  std::vector<MediumRecord> media(kMediaSlots);
  std::vector<CommentRecord> comments(kCommentSlots);
  for (auto& r : media) BlankMedium(r);
  for (auto& r : comments) BlankComment(r);

  FileSystem& fs = *Platform().files;
  std::string err;
  if (!DirName(path).empty() && !fs.IsDirectory(DirName(path)) && !fs.CreateDirs(DirName(path), err)) {
    ReportFileError(path, err);
    return false;
  }
  // Nobody else may be using the file that is replaced.
  std::unique_ptr<FileLock> lock;
  if (!HoldsLockOn(path, LockKind::Exclusive)) {
    lock =
        Platform().files->TakeLock(LockPath(path), LockKind::Exclusive, write_lock_wait_ms, onWaitingForLock, err);
    if (!lock) {
      ReportCatalogBusy(path, err);
      return false;
    }
  }
  if (fs.Exists(path)) {
    if (!fs.Remove(path, err)) {
      ReportFileError(path, err);
      return false;
    }
  }
  {
    auto f = fs.Open(path, OpenMode::CreateTrunc, err);
    if (!f) {
      ReportFileError(path, err);
      return false;
    }
    if (!f->WriteAt(kMediaTableOffset, media.data(), kMediaTableBytes) ||
        !f->WriteAt(kCommentTableOffset, comments.data(), kCommentTableBytes) || !f->Sync()) {
      ReportFileError(path, f->LastError());
      return false;
    }
  }
  fs.SyncFolderOf(path, err);
  // A journal of the file replaced has nothing left to finish.
  if (fs.Exists(JournalPath(path))) RemoveJournal(path);

  media_ = std::move(media);
  comments_ = std::move(comments);
  counts_ = MediaCounts{};
  loaded_medium_ = -1;
  loaded_count_ = 0;
  SetCatalogPath(path);
  RememberDiskHeader();
  const bool ok = long_names_.CreateLongNameFile(lfn_path_);
  Recount();
  if (onMediaTableSaved) onMediaTableSaved();
  return ok;
}

bool Catalog::LoadCatalog(const std::string& path_in, Access access) {
  const std::string path = path_in.empty() ? path_ : path_in;
  last_failure_ = LoadFailure::None;
  FileSystem& fs = *Platform().files;
  if (path.empty() || !fs.Exists(path)) {
    last_failure_ = LoadFailure::Missing;
    return false;
  }
  if (fs.Exists(JournalPath(path))) {
    // An optimisation stopped part-way. Only a writer holding the file
    // alone finishes it; a journal of another catalog is left alone.
    std::unique_ptr<FileLock> lock;
    if (access == Access::Write && !HoldsLockOn(path, LockKind::Exclusive)) {
      std::string err;
      lock =
        Platform().files->TakeLock(LockPath(path), LockKind::Exclusive, write_lock_wait_ms, onWaitingForLock, err);
      if (!lock) {
        ReportCatalogBusy(path, err);
        last_failure_ = LoadFailure::Locked;
        return false;
      }
    }
    switch (InspectJournal(path)) {
      case JournalState::Foreign:
        ReportCatalogError(text::Utf8ToCp932("最適化の記録ファイルがこのカタログのものではないため、使わずに残します\r\n" +
                                             JournalPath(path)));
        break;
      case JournalState::Incomplete:
        // Written only in part: the catalog was not touched yet.
        if (access == Access::Write) RemoveJournal(path);
        break;
      case JournalState::Ours:
        if (access == Access::Read) {
          ReportCatalogError(text::Utf8ToCp932(
              "このカタログの最適化が途中で止まっています。更新できるコマンド（optimise など）で開くと完了します\r\n" +
              path));
          last_failure_ = LoadFailure::Interrupted;
          return false;
        }
        if (!RecoverJournal(path)) {
          last_failure_ = LoadFailure::IoError;
          return false;
        }
        break;
      case JournalState::None:
        break;
    }
  }
  // Read into the spare tables; they become the open ones only on success.
  std::vector<MediumRecord>& media = spare_media_;
  std::vector<CommentRecord>& comments = spare_comments_;
  media.resize(kMediaSlots);
  comments.resize(kCommentSlots);
  {
    std::string err;
    auto f = fs.Open(path, OpenMode::Read, err);
    if (!f) {
      ReportFileError(path, err);
      last_failure_ = LoadFailure::IoError;
      return false;
    }
    std::size_t got1 = 0, got2 = 0;
    if (!f->ReadAt(kMediaTableOffset, media.data(), kMediaTableBytes, got1) ||
        (got1 == kMediaTableBytes && !f->ReadAt(kCommentTableOffset, comments.data(), kCommentTableBytes, got2))) {
      ReportFileError(path, f->LastError());
      last_failure_ = LoadFailure::IoError;
      return false;
    }
    if (got1 < kMediaTableBytes || got2 < kCommentTableBytes) {
      last_failure_ = LoadFailure::TooShort;
      return false;
    }
  }
  // Untrusted counts: a used slot's block must be possible.
  for (int i = 0; i < kMediaSlots && IsUsed(media[static_cast<std::size_t>(i)]); ++i) {
    const MediumRecord& r = media[static_cast<std::size_t>(i)];
    if (r.EntryCount < 0 || r.EntryCount > kMaxScanRecords || (!r.Name.empty() && r.EntryCount < 1)) {
      ReportDamagedFile(path, "メディアの件数");
      last_failure_ = LoadFailure::Invalid;
      return false;
    }
    if (r.FirstEntry < 0) {
      ReportDamagedFile(path, "メディアの開始位置");
      last_failure_ = LoadFailure::Invalid;
      return false;
    }
  }
  const bool other_catalog = path != path_;
  disk_header_.resize(kMediaTableBytes + kCommentTableBytes);
  std::memcpy(disk_header_.data(), media.data(), kMediaTableBytes);
  std::memcpy(disk_header_.data() + kMediaTableBytes, comments.data(), kCommentTableBytes);
  media_.swap(media);
  comments_.swap(comments);
  SetCatalogPath(path);
  loaded_medium_ = -1;
  loaded_count_ = 0;
  long_names_.ClearLoadedMap();
  if (other_catalog) long_names_.ResetLongNames();
  Recount();
  if (onMediaTableSaved) onMediaTableSaved();
  return true;
}

bool Catalog::WriteHeaderArea(bool with_comments) {
  WriteSection section(*this);
  if (!section) return false;
  header_written_ = true;
  std::string err;
  auto f = Platform().files->Open(path_, OpenMode::ReadWrite, err);
  if (!f) {
    ReportFileError(path_, err);
    return false;
  }
  if (!f->WriteAt(kMediaTableOffset, media_.data(), kMediaTableBytes) ||
      (with_comments && !f->WriteAt(kCommentTableOffset, comments_.data(), kCommentTableBytes)) ||
      !f->Sync()) {
    ReportFileError(path_, f->LastError());
    return false;
  }
  return true;
}

bool Catalog::SaveMediaTable() {
  if (!IsOpen()) return false;
  const bool ok = WriteHeaderArea(false);
  if (onMediaTableSaved) onMediaTableSaved();
  return ok;
}

namespace {

bool WriteRecordAt(const std::string& path, std::int64_t offset, const void* rec, std::size_t n) {
  std::string err;
  auto f = Platform().files->Open(path, OpenMode::ReadWrite, err);
  if (!f) {
    ReportFileFailure(path, err);
    return false;
  }
  if (!f->WriteAt(offset, rec, n)) {
    ReportFileFailure(path, f->LastError());
    return false;
  }
  return true;
}

}  // namespace

bool Catalog::SaveComment(int k) {
  if (!IsOpen() || k < 0 || k >= kCommentSlots) return false;
  WriteSection section(*this);
  if (!section) return false;
  header_written_ = true;
  return WriteRecordAt(path_, kCommentTableOffset + static_cast<std::int64_t>(k) * sizeof(CommentRecord),
                       &comments_[static_cast<std::size_t>(k)], sizeof(CommentRecord));
}

bool Catalog::LoadMedium(int m) {
  if (loaded_medium_ == m && m >= 0) return true;
  last_failure_ = LoadFailure::None;
  FileSystem& fs = *Platform().files;
  if (m < 0 || m >= counts_.UsedSlots || !IsOpen() || !fs.Exists(path_)) {
    last_failure_ = LoadFailure::Missing;
    return false;
  }
  const std::int32_t count = Medium(m).EntryCount;
  if (count < 0 || count > kMaxScanRecords) {
    last_failure_ = LoadFailure::Invalid;
    return false;
  }
  // Whatever happens below, the table no longer holds the old medium.
  loaded_medium_ = -1;
  loaded_count_ = 0;
  long_names_.ClearLoadedMap();
  if (!EnsureEntryCapacity(static_cast<std::int64_t>(count) + 1)) {
    last_failure_ = LoadFailure::Invalid;
    return false;
  }
  {
    std::string err;
    auto f = fs.Open(path_, OpenMode::Read, err);
    if (!f) {
      ReportFileError(path_, err);
      last_failure_ = LoadFailure::IoError;
      return false;
    }
    // Straight into the entry table, a large piece at a time, each piece
    // checked while it is still in the cache. Links from the file are
    // untrusted: a link that cannot belong to a breadth-first tree of this
    // block is cut, so no reader leaves the block or walks in a circle.
    constexpr std::int32_t kPiece = 8192;
    const std::int64_t at = BlockOffset(m);
    EntryRecord* e = entries_.get();
    for (std::int32_t from = 0; from < count; from += kPiece) {
      const std::int32_t n = std::min(kPiece, count - from);
      const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(EntryRecord);
      std::size_t got = 0;
      if (!f->ReadAt(at + static_cast<std::int64_t>(from) * static_cast<std::int64_t>(sizeof(EntryRecord)), e + from,
                     bytes, got)) {
        ReportFileError(path_, f->LastError());
        last_failure_ = LoadFailure::IoError;
        return false;
      }
      if (got < bytes) {
        last_failure_ = LoadFailure::TooShort;
        return false;
      }
      for (std::int32_t i = from; i < from + n; ++i) {
        if (i == 0 || e[i].Parent < 0 || e[i].Parent >= i) e[i].Parent = -1;
        if (e[i].FirstChild <= i || e[i].FirstChild >= count) e[i].FirstChild = -1;
      }
    }
  }
  EntryRecord* e = entries_.get();
  EntryRecord& sentinel = e[count];
  std::memset(&sentinel, 0, sizeof sentinel);
  sentinel.Parent = -1;
  sentinel.FirstChild = -1;
  if (count > 0) e[0].Name = Medium(m).Name.view();
  loaded_medium_ = m;
  loaded_count_ = count;
  long_names_.MapLoadedMedium(m, count);
  return true;
}

bool Catalog::SaveEntry(EntryId id) {
  if (id < 0) return false;
  const int m = MediumOf(id), e = EntryOf(id);
  if (m != loaded_medium_ || e >= loaded_count_) return false;
  WriteSection section(*this);
  if (!section) return false;
  if (!WriteRecordAt(path_, BlockOffset(m) + static_cast<std::int64_t>(e) * sizeof(EntryRecord), &entries_[e],
                     sizeof(EntryRecord)))
    return false;
  if (e == 0) {
    MutableMedium(m).Root = entries_[0];
    return SaveMediaTable();
  }
  return true;
}

bool Catalog::SaveRootFromMedia(EntryId id) {
  if (id < 0) return false;
  const int m = MediumOf(id);
  if (!SlotUsed(m) || Medium(m).EntryCount < 1) return false;
  WriteSection section(*this);
  if (!section) return false;
  if (!WriteRecordAt(path_, BlockOffset(m), &Medium(m).Root, sizeof(EntryRecord))) return false;
  return SaveMediaTable();
}

std::uint8_t Catalog::SetMark(int mode, EntryId id) {
  std::uint8_t value = 0;
  SetMark(mode, id, value);
  return value;
}

bool Catalog::SetMark(int mode, EntryId id, std::uint8_t& value) {
  value = 0;
  if (id < 0 || !LoadMedium(MediumOf(id))) return false;
  const int m = MediumOf(id), e = EntryOf(id);
  if (e >= loaded_count_) return false;
  std::uint8_t& mark = e == 0 ? MutableMedium(m).Root.Mark : entries_[e].Mark;
  const std::uint8_t old = mark;
  switch (mode) {
    case 0: mark = mark != 1 ? 1 : 0; break;
    case 1: mark = 1; break;
    case 2: mark = 0; break;
    default: break;
  }
  value = mark;
  if (e > 0 ? SaveEntry(id) : SaveRootFromMedia(id)) return true;
  // Not stored: memory keeps what the file says.
  (e == 0 ? MutableMedium(m).Root.Mark : entries_[e].Mark) = old;
  value = old;
  return false;
}

bool Catalog::SetCommentLink(int k, EntryId id) {
  if (id < 0 || !LoadMedium(MediumOf(id))) return false;
  const int m = MediumOf(id), e = EntryOf(id);
  if (e >= loaded_count_) return false;
  EntryRecord& target = e > 0 ? entries_[e] : MutableMedium(m).Root;
  const std::int32_t old = target.CommentIndex;
  target.CommentIndex = k;
  if (e > 0 ? SaveEntry(id) : SaveRootFromMedia(id)) return true;
  target.CommentIndex = old;  // memory keeps what the file says
  return false;
}

// ---- adding a medium -------------------------------------------------------------

bool Catalog::StoreScannedMedium(const TRecord* records, int count, const TMediaInfomation& info) {
  return StoreScannedMedium(
      count,
      [records](int i, ScannedEntry& out) {
        const TRecord& r = records[i];
        CopyEntryFields(r, out);
        out.Name = r.Name;
        out.Version = r.Version;
      },
      info);
}

bool Catalog::StoreScannedMedium(int count, const ScanSource& source, const TMediaInfomation& info) {
  if (!IsOpen()) return false;
  if (count < 1 || count > kMaxEntriesPerMedium) {
    ReportCatalogError(text::Utf8ToCp932("1つのメディアに登録できるのは1,000,000件までです"));
    return false;
  }
  WriteSection section(*this);
  if (!section) return false;
  header_written_ = true;
  int s = 0;
  while (s < kMediaSlots && SlotUsed(s)) ++s;
  if (s >= kMediaSlots) return false;
  const std::int64_t pos = BlockOffset(s);
  const std::int32_t first_entry =
      static_cast<std::int32_t>((pos - kEntryAreaOffset) / static_cast<std::int64_t>(sizeof(EntryRecord)));

  LongNameStore& ln = long_names_;
  const std::int32_t first_record = ln.RecordCount();
  const LongNameHeader saved_header = ln.Header();
  const MediaSideRecord saved_slot = ln.Slot(s);
  auto rollback_names = [&] {
    ln.TruncateRecords(first_record);
    ln.MutableHeader() = saved_header;
    ln.MutableSlot(s) = saved_slot;
    ln.RebuildIndex();
  };

  // 1. The block, through a buffer, past the end of the used area.
  EntryRecord root{};
  FileSystem& fs = *Platform().files;
  std::string err;
  {
    auto f = fs.Open(path_, OpenMode::ReadWrite, err);
    if (!f) {
      ReportFileError(path_, err);
      return false;
    }
    std::vector<EntryRecord> buf(std::min<std::size_t>(kChunkRecords, static_cast<std::size_t>(count)));
    ScannedEntry se;
    std::int64_t at = pos;
    bool ok = true;
    for (int i = 0; i < count && ok;) {
      const int n = std::min<int>(static_cast<int>(buf.size()), count - i);
      for (int k = 0; k < n; ++k, ++i) {
        se = ScannedEntry{};
        source(i, se);
        EntryRecord& r = buf[static_cast<std::size_t>(k)];
        std::memset(&r, 0, sizeof r);
        CopyEntryFields(se, r);
        r.Name = se.Name;
        if (se.Name.size() > kStoredNameBytes) ln.AddLongName(i, se.Name);
        r.Version = se.Version;
        r.CommentIndex = -1;
        if (i == 0) root = r;
      }
      const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(EntryRecord);
      ok = f->WriteAt(at, buf.data(), bytes);
      at += static_cast<std::int64_t>(bytes);
    }
    if (ok) ok = f->Sync();
    if (!ok) {
      err = f->LastError();
      f->Truncate(pos);  // gives the space back; nothing refers to it
      rollback_names();
      ReportFileError(path_, err);
      return false;
    }
  }
  if (!Step("block")) return false;

  // 2. The media slot in memory, then the long names (file replaced whole).
  MediumRecord rec;
  BlankMedium(rec);
  rec.Name = root.Name.view();
  rec.FirstEntry = first_entry;
  rec.EntryCount = count;
  rec.DeletedTime = 0;
  rec.Root = root;
  rec.Drive = info.Drive;
  rec.DriveTypeName = info.DriveTypeName;
  rec.Classification = info.Classification;
  rec.Location = info.Location;
  rec.LocationDetail = info.LocationDetail;
  rec.ClusterSize = info.ClusterSize;
  rec.FreeSpace = info.FreeSpace;
  rec.VolumeName = info.VolumeName;
  rec.SerialNo = info.SerialNo;
  rec.MinFileTime = info.MinFileTime;
  rec.MaxFileTime = info.MaxFileTime;
  rec.MinFolderTime = info.MinFolderTime;
  rec.MaxFolderTime = info.MaxFolderTime;
  rec.MinFileSize = info.MinFileSize;
  rec.MaxFileSize = info.MaxFileSize;
  // Nothing refers to the bytes after the used area: a failed add gives
  // them back.
  auto cut_block = [&] {
    std::string e;
    if (auto f = fs.Open(path_, OpenMode::ReadWrite, e)) {
      if (f->Size() > pos && f->Truncate(pos)) f->Sync();
    }
  };
  if (!ln.RegisterMediumSlot(s, rec, first_record)) {
    rollback_names();
    cut_block();
    return false;
  }
  if (!Step("longnames")) return false;

  // 3. The slot: body first (reads as deleted), then the name (live).
  {
    auto f = fs.Open(path_, OpenMode::ReadWrite, err);
    const std::int64_t at = kMediaTableOffset + static_cast<std::int64_t>(s) * sizeof(MediumRecord);
    const std::size_t name_bytes = offsetof(MediumRecord, FirstEntry);
    MediumRecord body = rec;
    body.Name.clear();
    const char* p = reinterpret_cast<const char*>(&body);
    bool ok = f && f->WriteAt(at + static_cast<std::int64_t>(name_bytes), p + name_bytes,
                              sizeof(MediumRecord) - name_bytes) && f->Sync();
    if (ok && !Step("slot-body")) return false;
    ok = ok && f->WriteAt(at, &rec, name_bytes) && f->Sync();
    if (!ok) {
      ReportFileError(path_, f ? f->LastError() : err);
      // Put the free slot back on disk; the block beyond the used area is
      // harmless and reused by the next add.
      bool slot_free = false;
      if (f) {
        MediumRecord blank;
        BlankMedium(blank);
        slot_free = f->WriteAt(at, &blank, sizeof blank) && f->Sync();
      }
      rollback_names();
      ln.WriteLongNameFile();
      if (slot_free) cut_block();
      return false;
    }
  }
  media_[static_cast<std::size_t>(s)] = rec;
  loaded_medium_ = -1;
  loaded_count_ = 0;
  ln.ClearLoadedMap();
  Recount();
  if (onMediaTableSaved) onMediaTableSaved();
  return true;
}

// ---- deletion ------------------------------------------------------------------

bool Catalog::DeleteMedium(int m) {
  if (!SlotLive(m)) return false;
  WriteSection section(*this);
  if (!section) return false;
  MediumRecord& r = MutableMedium(m);
  const MediumRecord before = r;
  r.Name.clear();
  r.DeletedTime = static_cast<std::int32_t>(NowDosTime());
  if (r.DeletedTime == 0) r.DeletedTime = 1;
  Recount();
  if (!SaveMediaTable()) {
    r = before;
    Recount();
    return false;
  }
  return true;
}

std::string Catalog::JournalPath(const std::string& catalog_path) { return catalog_path + ".journal"; }

}  // namespace fv
