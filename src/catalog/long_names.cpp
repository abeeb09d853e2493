// The long-name side file (".lfn"): names longer than the 91-byte Name field,
// and per media slot a copy of the medium's attributes and its picture path.

#include <algorithm>
#include <cstring>

#include "catalog/catalog.h"
#include "catalog/catalog_io.h"
#include "platform/files.h"
#include "platform/services.h"

namespace fv {

LongNameStore::LongNameStore() { ResetLongNames(); }

void LongNameStore::ResetLongNames() {
  header_ = LongNameHeader{};
  header_.Format = kLongNameFormat;
  header_.SlotCount = kMediaSlots;
  slots_.assign(kMediaSlots, MediaSideRecord{});
  records_.clear();
  index_.clear();
  loaded_map_.clear();
}

bool LongNameStore::CreateLongNameFile(const std::string& path) {
  ResetLongNames();
  std::string err;
  FileSystem& fs = *Platform().files;
  if (fs.Exists(path) && !fs.Remove(path, err)) {
    ReportFileFailure(path, err);
    return false;
  }
  auto f = fs.Open(path, OpenMode::CreateTrunc, err);
  if (!f) {
    ReportFileFailure(path, err);
    return false;
  }
  if (!f->WriteAt(0, &header_, sizeof header_) ||
      !f->WriteAt(kLongNameSlotsOffset, slots_.data(), slots_.size() * sizeof(MediaSideRecord)) ||
      !f->Sync()) {
    ReportFileFailure(path, f->LastError());
    return false;
  }
  return true;
}

bool LongNameStore::LoadLongNameFile() {
  index_.clear();
  loaded_map_.clear();
  FileSystem& fs = *Platform().files;
  if (path_.empty() || !fs.Exists(path_)) {
    ResetLongNames();
    return false;
  }
  std::string err;
  auto f = fs.Open(path_, OpenMode::Read, err);
  if (!f) {
    ResetLongNames();
    return false;
  }
  LongNameHeader header;
  std::vector<MediaSideRecord>& slots = spare_slots_;
  slots.resize(kMediaSlots);
  if (!f->ReadExact(0, &header, sizeof header) ||
      !f->ReadExact(kLongNameSlotsOffset, slots.data(), slots.size() * sizeof(MediaSideRecord))) {
    ResetLongNames();
    return false;
  }
  // Untrusted counts: refuse what cannot be, keep the names cut.
  auto refuse = [&](const char* what) {
    ReportDamagedFile(path_, what);
    ResetLongNames();
    return false;
  };
  if (header.RecordCount < 0 || header.RecordCount > kMaxLongNames + 2) return refuse("長い名前の件数");
  if (header.SlotsInUse < 0 || header.SlotsInUse > kMediaSlots) return refuse("使用中のメディア数");
  for (int s = 0; s < kMediaSlots; ++s) {
    const MediaSideRecord& r = slots[static_cast<std::size_t>(s)];
    if (r.Used <= 0) continue;
    if (r.First < 0 || r.End < r.First || r.End > header.RecordCount) return refuse("メディアの長い名前の範囲");
  }
  std::vector<LongNameRecord> records(static_cast<std::size_t>(header.RecordCount));
  if (!records.empty() &&
      !f->ReadExact(kLongNameRecordsOffset, records.data(), records.size() * sizeof(LongNameRecord))) {
    ResetLongNames();
    return false;
  }
  header_ = header;
  slots_.swap(slots);
  records_ = std::move(records);
  RebuildIndex();
  return true;
}

namespace {

bool WriteAll(File& f, const LongNameHeader& h, const std::vector<MediaSideRecord>& slots,
              const std::vector<LongNameRecord>* records) {
  if (!f.WriteAt(0, &h, sizeof h)) return false;
  if (!f.WriteAt(kLongNameSlotsOffset, slots.data(), slots.size() * sizeof(MediaSideRecord))) return false;
  if (records && !records->empty() &&
      !f.WriteAt(kLongNameRecordsOffset, records->data(), records->size() * sizeof(LongNameRecord)))
    return false;
  return f.Sync();
}

}  // namespace

bool LongNameStore::WriteLongNameFile() {
  FileSystem& fs = *Platform().files;
  std::string err;
  const std::string tmp = path_ + ".tmp";
  {
    auto f = fs.Open(tmp, OpenMode::CreateTrunc, err);
    if (!f) {
      ReportFileFailure(path_, err);
      return false;
    }
    if (!WriteAll(*f, header_, slots_, &records_)) {
      err = f->LastError();
      f.reset();
      std::string ignored;
      fs.Remove(tmp, ignored);
      ReportFileFailure(path_, err);
      return false;
    }
  }
  if (!fs.Rename(tmp, path_, err)) {
    std::string ignored;
    fs.Remove(tmp, ignored);
    ReportFileFailure(path_, err);
    return false;
  }
  RebuildIndex();
  return true;
}

std::unique_ptr<File> LongNameStore::OpenForUpdate() {
  std::string err;
  auto f = Platform().files->Open(path_, OpenMode::ReadWrite, err);
  if (!f) ReportFileFailure(path_, err);
  return f;
}

bool LongNameStore::WriteHeaderAndSlots() {
  if (!Platform().files->Exists(path_)) return WriteLongNameFile();
  auto f = OpenForUpdate();
  if (!f) return false;
  if (!WriteAll(*f, header_, slots_, nullptr)) {
    ReportFileFailure(path_, f->LastError());
    return false;
  }
  return true;
}

bool LongNameStore::WriteSlots(int first, int count) {
  if (first < 0 || count < 0 || first + count > kMediaSlots) return false;
  if (!Platform().files->Exists(path_)) return WriteLongNameFile();
  auto f = OpenForUpdate();
  if (!f) return false;
  const std::int64_t at = kLongNameSlotsOffset + static_cast<std::int64_t>(first) * sizeof(MediaSideRecord);
  if (!f->WriteAt(0, &header_, sizeof header_) ||
      !f->WriteAt(at, &slots_[static_cast<std::size_t>(first)], sizeof(MediaSideRecord) * static_cast<std::size_t>(count)) ||
      !f->Sync()) {
    ReportFileFailure(path_, f->LastError());
    return false;
  }
  return true;
}

bool LongNameStore::AddLongName(std::int32_t entry_index, std::string_view full_name) {
  if (header_.RecordCount >= kMaxLongNames) return false;
  LongNameRecord r{};
  r.EntryIndex = entry_index;
  std::size_t n = std::min(full_name.size(), kMaxLongNameBytes);
  std::memcpy(r.Name, full_name.data(), n);
  records_.push_back(r);
  header_.RecordCount = static_cast<std::int32_t>(records_.size());
  return true;
}

void LongNameStore::TruncateRecords(std::int32_t count) {
  if (count < 0) count = 0;
  if (static_cast<std::size_t>(count) < records_.size()) records_.resize(static_cast<std::size_t>(count));
  header_.RecordCount = static_cast<std::int32_t>(records_.size());
}

bool LongNameStore::RegisterMediumSlot(int s, const MediumRecord& medium, std::int32_t first_record) {
  if (s < 0 || s >= kMediaSlots || header_.SlotsInUse >= kMediaSlots) return true;
  MediaSideRecord& slot = slots_[static_cast<std::size_t>(s)];
  std::memcpy(slot.MediaCopy, reinterpret_cast<const char*>(&medium) + offsetof(MediumRecord, Drive),
              sizeof slot.MediaCopy);
  slot.Used = 1;
  slot.First = first_record;
  slot.End = header_.RecordCount;
  header_.SlotsInUse = s + 1;
  return WriteLongNameFile();
}

void LongNameStore::MapLoadedMedium(int m, std::int32_t count) {
  loaded_map_.assign(static_cast<std::size_t>(std::max(count, 0)), -1);
  if (m < 0 || m >= kMediaSlots) return;
  const MediaSideRecord& slot = slots_[static_cast<std::size_t>(m)];
  if (slot.Used <= 0) return;
  const std::int32_t end = std::min<std::int32_t>(slot.End, header_.RecordCount);
  for (std::int32_t j = std::max(slot.First, 0); j < end; ++j) {
    std::int32_t e = records_[static_cast<std::size_t>(j)].EntryIndex;
    if (e >= 0 && e < count) loaded_map_[static_cast<std::size_t>(e)] = j;
  }
}

void LongNameStore::ClearLoadedMap() { loaded_map_.clear(); }

bool LongNameStore::HasLongName(std::int32_t e) const {
  return e >= 0 && static_cast<std::size_t>(e) < loaded_map_.size() && loaded_map_[static_cast<std::size_t>(e)] >= 0;
}

namespace {
std::string RecordName(const LongNameRecord& r) { return std::string(r.Name, strnlen(r.Name, sizeof r.Name)); }
}  // namespace

std::string LongNameStore::LoadedLongName(std::int32_t e) const {
  if (!HasLongName(e)) return {};
  return RecordName(records_[static_cast<std::size_t>(loaded_map_[static_cast<std::size_t>(e)])]);
}

void LongNameStore::RebuildIndex() {
  index_.clear();
  const int in_use = std::clamp(header_.SlotsInUse, 0, kMediaSlots);
  for (int s = 0; s < in_use; ++s) {
    const MediaSideRecord& slot = slots_[static_cast<std::size_t>(s)];
    if (slot.Used <= 0) continue;
    const std::int32_t end = std::min<std::int32_t>(slot.End, header_.RecordCount);
    for (std::int32_t j = std::max(slot.First, 0); j < end; ++j) {
      std::int32_t e = records_[static_cast<std::size_t>(j)].EntryIndex;
      if (e >= 0 && e < kIdFactor) index_.emplace_back(MakeEntryId(s, e), j);
    }
  }
  std::stable_sort(index_.begin(), index_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::string LongNameStore::FullName(EntryId id, std::string_view stored) const {
  if (stored.size() < kCutNameTrigger) return std::string(stored);
  auto it = std::lower_bound(index_.begin(), index_.end(), id,
                             [](const auto& a, EntryId v) { return a.first < v; });
  if (it == index_.end() || it->first != id) return std::string(stored);
  return RecordName(records_[static_cast<std::size_t>(it->second)]);
}

bool LongNameStore::SetPicturePath(int slot, std::string_view path) {
  if (slot < 0 || slot >= kMediaSlots) return false;
  MediaSideRecord& r = slots_[static_cast<std::size_t>(slot)];
  std::memset(r.PicturePath, 0, sizeof r.PicturePath);
  std::memcpy(r.PicturePath, path.data(), std::min(path.size(), kMaxPicturePathBytes));
  return WriteHeaderAndSlots();
}

std::string LongNameStore::PicturePath(int slot) const {
  if (slot < 0 || slot >= kMediaSlots) return {};
  const MediaSideRecord& r = slots_[static_cast<std::size_t>(slot)];
  return std::string(r.PicturePath, strnlen(r.PicturePath, sizeof r.PicturePath));
}

int LongNameStore::RecordedCount(int slot) const {
  if (!SlotUsed(slot)) return 0;
  const MediaSideRecord& r = slots_[static_cast<std::size_t>(slot)];
  return r.End - r.First;
}

bool LongNameStore::SlotUsed(int slot) const {
  return slot >= 0 && slot < kMediaSlots && slots_[static_cast<std::size_t>(slot)].Used == 1;
}

}  // namespace fv
