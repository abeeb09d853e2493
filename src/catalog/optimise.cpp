// Compacting the catalog: live media after the first deleted one move down
// over the deleted blocks, the file is truncated, the long-name file packed.
//
// The pass goes run by run (a run = consecutive live slots). Before a run
// moves, a journal beside the catalog receives what replaying the step
// needs: the header area as it will be afterwards, the media table as it
// is before, the long-name slots the run takes, and where the block goes
// from and to. A block moved over itself is copied into the journal; one
// that moves into a gap at least as large is copied again from its old
// place, which nothing overwrites during the step (and which is cut off
// only after the copy is on disk). Only after the journal is synced are
// the catalog and long-name file touched, and the journal is removed when
// the step is complete.
//
// A journal names the catalog it belongs to: the catalog's size before the
// step and both media tables. It is replayed only onto a catalog whose
// media table is, byte for byte, the one before or the one after the step
// (a table written in part is a mix of the two), by a writer holding the
// catalog alone. A stop at any moment thus leaves the state before the
// step or, after the replay, the state after it.
//
// Between runs the table stays a valid catalog: the moved run sits in the
// slots from the first deleted one on, and the space it left behind is
// described by deleted slots that follow it.

#include <algorithm>
#include <cstring>

#include "catalog/catalog.h"
#include "catalog/catalog_io.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

namespace {

constexpr char kJournalMagic[8] = {'F', 'V', 'O', 'P', 'T', 'J', '0', '2'};
constexpr char kJournalEnd[8] = {'F', 'V', 'O', 'P', 'T', 'E', 'N', 'D'};
constexpr std::size_t kMediaTableBytes = sizeof(MediumRecord) * kMediaSlots;
constexpr std::size_t kCommentTableBytes = sizeof(CommentRecord) * kCommentSlots;
constexpr std::size_t kHeaderAreaBytes = kMediaTableBytes + kCommentTableBytes;
constexpr std::size_t kCopyChunk = 16384 * sizeof(EntryRecord);

#pragma pack(push, 1)
struct JournalHead {
  char magic[8];
  std::int64_t dst;          // where the block goes (byte offset)
  std::int64_t src;          // where it comes from
  std::int64_t move_bytes;   // the block's size
  std::int64_t block_bytes;  // bytes of block stored in the journal (0 = copied from src)
  std::int64_t truncate_to;  // -1 = no truncation
  std::int64_t size_before;  // the catalog's size when the step began
  std::int32_t lfn_first;    // long-name slots to write
  std::int32_t lfn_count;
};
#pragma pack(pop)

// Journal layout: head, header area after, media table before, long-name
// slots, block, end mark.
constexpr std::int64_t kJournalHeaderAt = sizeof(JournalHead);
constexpr std::int64_t kJournalBeforeAt = kJournalHeaderAt + static_cast<std::int64_t>(kHeaderAreaBytes);
constexpr std::int64_t kJournalSlotsAt = kJournalBeforeAt + static_cast<std::int64_t>(kMediaTableBytes);

std::int64_t JournalBlockAt(std::int32_t lfn_count) {
  return kJournalSlotsAt + static_cast<std::int64_t>(lfn_count) * static_cast<std::int64_t>(sizeof(MediaSideRecord));
}
std::int64_t JournalBlockAt(const JournalHead& h) { return JournalBlockAt(h.lfn_count); }

// Copies bytes between two files (or within one, forward, with to <= from)
// through one buffer. err receives the system's text; a short read fails.
// tick (when set) runs after each piece, so a window keeps painting while
// a large block moves.
bool CopyRange(File& from, std::int64_t from_off, File& to, std::int64_t to_off, std::int64_t bytes,
               std::vector<char>& buf, std::string& err, const std::function<void()>& tick = {}) {
  if (buf.size() < kCopyChunk) buf.resize(kCopyChunk);
  while (bytes > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(bytes, static_cast<std::int64_t>(kCopyChunk)));
    std::size_t got = 0;
    if (!from.ReadAt(from_off, buf.data(), n, got)) {
      err = from.LastError();
      return false;
    }
    if (got < n) {
      err = "short read";
      return false;
    }
    if (!to.WriteAt(to_off, buf.data(), n)) {
      err = to.LastError();
      return false;
    }
    from_off += static_cast<std::int64_t>(n);
    to_off += static_cast<std::int64_t>(n);
    bytes -= static_cast<std::int64_t>(n);
    if (tick && bytes > 0) tick();
  }
  return true;
}

void BlankComment(CommentRecord& r) {
  std::memset(&r, 0, sizeof r);
  r.Owner = -1;
}

// Reads and checks a journal: complete (head sane, end mark in place).
bool ReadJournalHead(File& j, JournalHead& h) {
  const std::int64_t size = j.Size();
  if (!j.ReadExact(0, &h, sizeof h) || std::memcmp(h.magic, kJournalMagic, sizeof h.magic) != 0) return false;
  if (h.block_bytes < 0 || h.move_bytes < 0 || h.lfn_count < 0 || h.lfn_first < 0 ||
      h.lfn_first + h.lfn_count > kMediaSlots || h.dst < kEntryAreaOffset || h.src < h.dst ||
      h.size_before < kEntryAreaOffset || (h.block_bytes != 0 && h.block_bytes != h.move_bytes))
    return false;
  const std::int64_t block_at = JournalBlockAt(h);
  char end[8];
  return size == block_at + h.block_bytes + 8 && j.ReadExact(block_at + h.block_bytes, end, sizeof end) &&
         std::memcmp(end, kJournalEnd, sizeof end) == 0;
}

// Whether the catalog f is the one the journal was written for, at the
// step's start or anywhere within it.
bool JournalBelongsTo(File& j, const JournalHead& h, File& f) {
  const std::int64_t size = f.Size();
  if (size != h.size_before && !(h.truncate_to >= 0 && size == h.truncate_to)) return false;
  std::vector<char> disk(kMediaTableBytes), before(kMediaTableBytes), after(kMediaTableBytes);
  if (!f.ReadExact(kMediaTableOffset, disk.data(), disk.size()) ||
      !j.ReadExact(kJournalBeforeAt, before.data(), before.size()) ||
      !j.ReadExact(kJournalHeaderAt, after.data(), after.size()))
    return false;
  for (std::size_t i = 0; i < kMediaTableBytes; ++i)
    if (disk[i] != before[i] && disk[i] != after[i]) return false;
  return true;
}

}  // namespace

bool Catalog::WriteJournal(std::int64_t dst, std::int64_t src, std::int64_t block_bytes, std::int64_t move_bytes,
                           std::int64_t truncate_to, int lfn_first, int lfn_count,
                           const std::vector<MediumRecord>& media, const std::vector<CommentRecord>& comments,
                           File* catalog_file) {
  FileSystem& fs = *Platform().files;
  const std::string jpath = JournalPath(path_);
  std::string err;
  auto j = fs.Open(jpath, OpenMode::CreateTrunc, err);
  if (!j) {
    ReportFileFailure(jpath, err);
    return false;
  }
  JournalHead h{};
  std::memcpy(h.magic, kJournalMagic, sizeof h.magic);
  h.dst = dst;
  h.src = src;
  h.move_bytes = move_bytes;
  h.block_bytes = block_bytes;
  h.truncate_to = truncate_to;
  h.size_before = catalog_file->Size();
  h.lfn_first = lfn_first;
  h.lfn_count = lfn_count;
  std::vector<char> buf;
  const std::int64_t block_at = JournalBlockAt(h);
  bool ok = h.size_before >= kEntryAreaOffset && j->WriteAt(0, &h, sizeof h) &&
            j->WriteAt(kJournalHeaderAt, media.data(), kMediaTableBytes) &&
            j->WriteAt(kJournalHeaderAt + static_cast<std::int64_t>(kMediaTableBytes), comments.data(),
                       kCommentTableBytes) &&
            (lfn_count == 0 || j->WriteAt(kJournalSlotsAt, &long_names_.Slot(lfn_first),
                                          static_cast<std::size_t>(lfn_count) * sizeof(MediaSideRecord)));
  if (!ok) err = h.size_before < kEntryAreaOffset ? catalog_file->LastError() : j->LastError();
  // The table before, as the file holds it.
  if (ok) ok = CopyRange(*catalog_file, kMediaTableOffset, *j, kJournalBeforeAt,
                         static_cast<std::int64_t>(kMediaTableBytes), buf, err);
  if (ok && block_bytes > 0) ok = CopyRange(*catalog_file, src, *j, block_at, block_bytes, buf, err, copy_tick_);
  if (ok) {
    ok = j->WriteAt(block_at + block_bytes, kJournalEnd, sizeof kJournalEnd) && j->Sync() &&
         fs.SyncFolderOf(jpath, err);
    if (!ok && err.empty()) err = j->LastError();
  }
  if (!ok) {
    j.reset();
    RemoveJournal(path_);
    ReportFileFailure(jpath, err);
    return false;
  }
  return true;
}

bool Catalog::RemoveJournal(const std::string& path) {
  FileSystem& fs = *Platform().files;
  std::string err;
  const std::string jpath = JournalPath(path);
  return fs.Remove(jpath, err) && fs.SyncFolderOf(jpath, err);
}

Catalog::JournalState Catalog::InspectJournal(const std::string& path) {
  FileSystem& fs = *Platform().files;
  const std::string jpath = JournalPath(path);
  if (!fs.Exists(jpath)) return JournalState::None;
  std::string err;
  auto j = fs.Open(jpath, OpenMode::Read, err);
  JournalHead h{};
  if (!j || !ReadJournalHead(*j, h)) return JournalState::Incomplete;
  auto f = fs.Open(path, OpenMode::Read, err);
  if (!f || !JournalBelongsTo(*j, h, *f)) return JournalState::Foreign;
  return JournalState::Ours;
}

bool Catalog::RecoverJournal(const std::string& path) {
  FileSystem& fs = *Platform().files;
  const std::string jpath = JournalPath(path);
  std::string err;
  auto j = fs.Open(jpath, OpenMode::Read, err);
  if (!j) {
    ReportFileFailure(jpath, err);
    return false;
  }
  JournalHead h{};
  if (!ReadJournalHead(*j, h)) {
    // Written only partly: the catalog was not touched yet.
    j.reset();
    RemoveJournal(path);
    return true;
  }
  auto f = fs.Open(path, OpenMode::ReadWrite, err);
  if (!f) {
    ReportFileFailure(path, err);
    return false;
  }
  if (!JournalBelongsTo(*j, h, *f)) return true;  // left in place; the caller has said so
  std::vector<char> buf;
  bool ok = true;
  if (h.block_bytes > 0) {
    ok = CopyRange(*j, JournalBlockAt(h), *f, h.dst, h.block_bytes, buf, err);
  } else if (h.move_bytes > 0 && f->Size() >= h.src + h.move_bytes) {
    // The block's old place is still there (the file is cut only after the
    // copy is on disk): copying again is harmless.
    ok = CopyRange(*f, h.src, *f, h.dst, h.move_bytes, buf, err) && f->Sync();
  }
  if (ok && h.lfn_count > 0) {
    const std::string lfn = ChangeExtension(path, ".lfn");
    if (fs.Exists(lfn)) {
      auto lf = fs.Open(lfn, OpenMode::ReadWrite, err);
      ok = lf && CopyRange(*j, kJournalSlotsAt, *lf,
                           kLongNameSlotsOffset + static_cast<std::int64_t>(h.lfn_first) * sizeof(MediaSideRecord),
                           static_cast<std::int64_t>(h.lfn_count) * sizeof(MediaSideRecord), buf, err) &&
           lf->Sync();
      if (!ok && lf) err = lf->LastError();
    }
  }
  if (ok) ok = CopyRange(*j, kJournalHeaderAt, *f, 0, static_cast<std::int64_t>(kHeaderAreaBytes), buf, err);
  if (ok && h.truncate_to >= kEntryAreaOffset) ok = f->Truncate(h.truncate_to);
  if (ok) ok = f->Sync();
  if (!ok) {
    ReportFileFailure(path, err.empty() ? f->LastError() : err);
    return false;
  }
  j.reset();
  RemoveJournal(path);
  return true;
}

bool Catalog::Optimise(const StatusSink& status) {
  optimise_failed_ = false;
  if (!IsOpen()) return false;
  const int used = Recount();
  int d0 = -1;
  int live_after = 0;
  for (int i = 0; i < used; ++i) {
    if (SlotDeleted(i) && d0 < 0) d0 = i;
    if (d0 >= 0 && SlotLive(i)) ++live_after;
  }
  if (d0 < 0) {
    // Nothing deleted; bytes past the last block (left by a pass or an add
    // that stopped before cutting them) are still given back.
    WriteSection section(*this);
    std::string err;
    auto f = section ? Platform().files->Open(path_, OpenMode::ReadWrite, err) : nullptr;
    if (f && !Platform().files->Exists(JournalPath(path_)) && f->Size() > BlockOffset(used)) {
      if (!f->Truncate(BlockOffset(used)) || !f->Sync()) ReportFileError(path_, f->LastError());
    }
    return false;
  }

  WriteSection section(*this);
  if (!section) {
    optimise_failed_ = true;
    return false;
  }
  header_written_ = true;
  FileSystem& fs = *Platform().files;
  std::string err;
  if (fs.Exists(JournalPath(path_))) {
    // Left by another catalog (a journal of this one was finished when it
    // was opened): it is not ours to overwrite.
    ReportCatalogError(text::Utf8ToCp932("最適化の記録ファイルがこのカタログのものではないため、最適化できません\r\n" +
                                         JournalPath(path_)));
    optimise_failed_ = true;
    return false;
  }
  auto f = fs.Open(path_, OpenMode::ReadWrite, err);
  if (!f) {
    ReportFileError(path_, err);
    optimise_failed_ = true;
    return false;
  }
  auto stop = [&](const std::string& why_path, const std::string& why) {
    if (!why.empty()) ReportFileFailure(why_path, why);
    optimise_failed_ = true;
    f.reset();
    // Back to what the disk says (a complete journal is replayed).
    LoadCatalog(path_);
    LoadLongNameFile();
    if (status) status(std::string());
    return false;
  };

  loaded_medium_ = -1;
  loaded_count_ = 0;
  long_names_.ClearLoadedMap();

  std::int32_t deleted_time = 0;
  for (int i = d0; i < used && !deleted_time; ++i)
    if (SlotDeleted(i)) deleted_time = Medium(i).DeletedTime;
  if (!deleted_time) deleted_time = static_cast<std::int32_t>(NowDosTime());
  if (!deleted_time) deleted_time = 1;

  // Comments of removed media are freed; they go out with the first header
  // write.
  std::vector<CommentRecord>& comments = next_comments_;
  comments = comments_;
  for (auto& c : comments) {
    if (c.Owner < 0) continue;
    const int m = MediumOf(c.Owner);
    if (m >= d0 && m < used && SlotDeleted(m)) BlankComment(c);
  }

  const std::int64_t rec = sizeof(EntryRecord);
  std::int64_t w = (BlockOffset(d0) - kEntryAreaOffset) / rec;  // next write position, in entries
  std::int64_t g = 0;                                            // entries of the gap after w
  int k = d0;                                                    // next target slot
  int moved = 0;
  std::vector<char> buf;
  bool tail_done = false;
  // Big blocks move piece by piece; the status is told again between the
  // pieces, which lets a window paint.
  std::string progress;
  const std::function<void()> tick = [&] {
    if (status) status(progress);
  };
  copy_tick_ = tick;
  struct ForgetTick {
    std::function<void()>& t;
    ~ForgetTick() { t = nullptr; }
  } forget{copy_tick_};
  int i = d0;
  while (i < used) {
    if (!SlotLive(i)) {
      g += Medium(i).EntryCount;
      ++i;
      continue;
    }
    int j = i;
    std::int64_t n = 0;
    while (j < used && SlotLive(j)) n += Medium(j++).EntryCount;
    const int r = j - i;
    progress = text::Utf8ToCp932("最適化中...(") + std::to_string(moved + 1) + "/" + std::to_string(live_after) + ")";
    if (status) status(progress);

    // The table after this run.
    std::vector<MediumRecord>& media = next_media_;
    media = media_;
    std::int64_t at = w;
    for (int q = 0; q < r; ++q) {
      media[static_cast<std::size_t>(k + q)] = media_[static_cast<std::size_t>(i + q)];
      media[static_cast<std::size_t>(k + q)].FirstEntry = static_cast<std::int32_t>(at);
      at += media_[static_cast<std::size_t>(i + q)].EntryCount;
    }
    // The last run also ends the pass: the slots after it become free and
    // the file is cut after it, within the same step.
    bool last = true;
    for (int x = j; x < used && last; ++x) last = !SlotLive(x);
    const int gap_slots = last ? 0 : i - k;  // each holds at least one entry of the gap
    if (last)
      for (int x = k + r; x < kMediaSlots; ++x) std::memset(&media[static_cast<std::size_t>(x)], 0, sizeof(MediumRecord));
    for (int p = 0; p < gap_slots; ++p) {
      MediumRecord& d = media[static_cast<std::size_t>(k + r + p)];
      std::memset(&d, 0, sizeof d);
      d.EntryCount = static_cast<std::int32_t>(p == 0 ? g - (gap_slots - 1) : 1);
      d.FirstEntry = static_cast<std::int32_t>(p == 0 ? at : at + g - (gap_slots - 1) + (p - 1));
      d.DeletedTime = deleted_time;
    }
    for (auto& c : comments) {
      if (c.Owner < 0) continue;
      const int m = MediumOf(c.Owner);
      if (m >= i && m < j) c.Owner -= (i - k) * kIdFactor;
    }
    // Long-name slots follow their media.
    for (int q = 0; q < r; ++q)
      long_names_.MutableSlot(k + q) = long_names_.Slot(i + q);

    const std::int64_t src = kEntryAreaOffset + (w + g) * rec;
    const std::int64_t dst = kEntryAreaOffset + w * rec;
    const std::int64_t bytes = n * rec;
    const bool overlap = n > g;
    const std::int64_t cut = last ? dst + bytes : -1;
    if (!WriteJournal(dst, src, overlap ? bytes : 0, bytes, cut, k, r, media, comments, f.get())) {
      return stop(path_, std::string());
    }
    if (!Step("journal")) return false;
    if (overlap) {
      auto jf = fs.Open(JournalPath(path_), OpenMode::Read, err);
      if (!jf || !CopyRange(*jf, JournalBlockAt(r), *f, dst, bytes, buf, err, tick)) return stop(path_, err);
    } else if (!CopyRange(*f, src, *f, dst, bytes, buf, err, tick)) {
      // Nothing referenced was touched: the copy went into the gap.
      RemoveJournal(path_);
      return stop(path_, err);
    }
    // Without the block in the journal, the copy must be on disk before the
    // table names it; with it, a replay redoes the copy, and the table
    // write's sync covers both.
    if (!overlap && !f->Sync()) return stop(path_, f->LastError());
    if (!Step("copy")) return false;
    if (fs.Exists(lfn_path_) && !long_names_.WriteSlots(k, r)) return stop(path_, std::string());
    if (!Step("longnames")) return false;
    media_ = media;
    comments_ = comments;
    if (!f->WriteAt(kMediaTableOffset, media_.data(), kMediaTableBytes) ||
        !f->WriteAt(kCommentTableOffset, comments_.data(), kCommentTableBytes) || (last && !f->Truncate(cut)) ||
        !f->Sync())
      return stop(path_, f->LastError());
    if (!Step("table")) return false;
    RemoveJournal(path_);
    tail_done = last;

    w += n;
    k += r;
    i = j;
    moved += r;
  }

  // Only deleted media after the last run (or no run at all): every slot
  // from k on becomes free and the file ends after the last block. No
  // journal is needed: the bytes of the used slots do not change, so a
  // table written only in part still ends its walk at a blank slot, after
  // which nothing is read; the truncation only drops unreferenced bytes.
  if (!tail_done) {
    std::vector<MediumRecord>& media = next_media_;
    media = media_;
    for (int s = k; s < kMediaSlots; ++s) std::memset(&media[static_cast<std::size_t>(s)], 0, sizeof(MediumRecord));
    const std::int64_t t = kEntryAreaOffset + w * rec;
    media_ = media;
    comments_ = comments;
    if (!f->WriteAt(kMediaTableOffset, media_.data(), kMediaTableBytes) ||
        !f->WriteAt(kCommentTableOffset, comments_.data(), kCommentTableBytes) || !f->Truncate(t) || !f->Sync())
      return stop(path_, f->LastError());
    if (!Step("truncated")) return false;
  }
  f.reset();
  Recount();

  // Long names: the remaining media's records packed in slot order.
  {
    LongNameStore& ln = long_names_;
    std::vector<LongNameRecord> packed;
    for (int s = 0; s < k; ++s) {
      MediaSideRecord& slot = ln.MutableSlot(s);
      if (slot.Used <= 0) {
        slot.First = slot.End = static_cast<std::int32_t>(packed.size());
        continue;
      }
      const std::int32_t first = static_cast<std::int32_t>(packed.size());
      const std::int32_t end = std::min<std::int32_t>(slot.End, ln.RecordCount());
      for (std::int32_t x = std::max(slot.First, 0); x < end; ++x) packed.push_back(ln.Record(x));
      slot.First = first;
      slot.End = static_cast<std::int32_t>(packed.size());
    }
    for (int s = k; s < kMediaSlots; ++s) ln.MutableSlot(s) = MediaSideRecord{};
    ln.MutableRecords() = std::move(packed);
    ln.MutableHeader().RecordCount = static_cast<std::int32_t>(ln.MutableRecords().size());
    ln.MutableHeader().SlotsInUse = k;
    if (!ln.WriteLongNameFile()) optimise_failed_ = true;
  }
  if (onMediaTableSaved) onMediaTableSaved();
  if (status) status(std::string());
  return true;
}

}  // namespace fv
