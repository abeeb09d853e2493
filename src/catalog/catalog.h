#pragma once
// The in-memory catalog: the media table, the comment table, the entries of
// the one loaded medium and the long-name store, with every operation that
// reads or writes the catalog file (".fvd") and its long-name file (".lfn").
//
// One process-wide instance, owned by the main thread: TheCatalog().
// Texts are cp932 bytes; paths are native paths.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/records.h"
#include "platform/file_lock.h"
#include "reading/trecord.h"

namespace fv {

class File;

// One scanned folder or file as the reader hands it over. Name is the full
// name (any length); Version is cut to 19 bytes when stored.
struct ScannedEntry {
  std::int32_t Parent = -1;
  std::int32_t FirstChild = -1;
  std::int16_t Kind = 0;
  std::int16_t Attributes = 0;
  std::string_view Name;
  double Size = 0;
  std::uint32_t Time = 0;
  std::uint8_t Mark = 0;
  std::string_view Version;
  std::int16_t DirectFolders = 0;
  std::int32_t DirectFiles = 0;
  std::int16_t AllFolders = 0;
  std::int32_t AllFiles = 0;
  double ClusterBytes = 0;
};

// Fills `out` with scan record `index` (0 = the root). The views in `out`
// need to stay valid only until the next call.
using ScanSource = std::function<void(int index, ScannedEntry& out)>;

// Progress text for status panel 1 (cp932; empty clears it). Also the place
// to pump pending window events.
using StatusSink = std::function<void(const std::string& text)>;

// Why the last LoadCatalog / LoadMedium failed.
enum class LoadFailure {
  None,
  Missing,   // the file does not exist
  TooShort,  // the header area (or the medium's block) is incomplete
  Invalid,   // impossible counts; already reported to the user
  IoError,   // open or read failed; already reported to the user
  Interrupted,  // an optimisation stopped part-way needs a command that may
                // write to finish it; already reported to the user
  Locked,    // another process holds the catalog; already reported
};

// What a load may do: a reader never changes the file (an interrupted
// optimisation is left for a writer to finish).
enum class Access { Write, Read };

// ---- long-name store (".lfn") ----------------------------------------------

class LongNameStore {
 public:
  LongNameStore();

  // Header to format 2, 2000 slots, none in use, no records; every slot
  // cleared (used 0, first 0, end 0, no picture).
  void ResetLongNames();
  // ResetLongNames, delete an existing file, write header and slots.
  bool CreateLongNameFile(const std::string& path);
  // Reads the file at Path(). A missing, short or damaged file gives false
  // and leaves the store empty (names stay cut). Never shows a message.
  bool LoadLongNameFile();
  // Rewrites the whole file (atomically) and rebuilds the EntryId index.
  // On failure reports the system's error text and returns false.
  bool WriteLongNameFile();

  // Appends a record while fewer than 100,000 exist; beyond that the name is
  // silently not stored. Returns whether it was stored.
  bool AddLongName(std::int32_t entry_index, std::string_view full_name);
  // Records media slot s (taken from `medium`) after a medium was added:
  // first = first_record, end = the current record count; then
  // WriteLongNameFile.
  bool RegisterMediumSlot(int s, const MediumRecord& medium, std::int32_t first_record);

  // Loaded-medium map: entry index -> record, for medium m with `count`
  // entries.
  void MapLoadedMedium(int m, std::int32_t count);
  void ClearLoadedMap();
  bool HasLongName(std::int32_t entry_index) const;
  std::string LoadedLongName(std::int32_t entry_index) const;

  // The stored name, unless it is 90 bytes or longer and the EntryId index
  // holds the id: then the full name. Safe to call from worker threads while
  // the main thread leaves the store unchanged.
  std::string FullName(EntryId id, std::string_view stored) const;

  // Stores the path (cut to 1011 bytes) and rewrites header and slots in place.
  bool SetPicturePath(int slot, std::string_view path);
  std::string PicturePath(int slot) const;

  // Number of long names recorded for a slot (end - first), 0 when unused.
  int RecordedCount(int slot) const;
  bool SlotUsed(int slot) const;

  const LongNameHeader& Header() const { return header_; }
  const MediaSideRecord& Slot(int s) const { return slots_[static_cast<std::size_t>(s)]; }
  std::int32_t RecordCount() const { return header_.RecordCount; }
  const LongNameRecord& Record(int j) const { return records_[static_cast<std::size_t>(j)]; }

  void SetPath(const std::string& path) { path_ = path; }
  const std::string& Path() const { return path_; }

  // Used by optimisation and by the add rollback.
  MediaSideRecord& MutableSlot(int s) { return slots_[static_cast<std::size_t>(s)]; }
  LongNameHeader& MutableHeader() { return header_; }
  std::vector<LongNameRecord>& MutableRecords() { return records_; }
  void TruncateRecords(std::int32_t count);
  void RebuildIndex();
  // Writes only header and slots in place (picture links, optimisation).
  bool WriteHeaderAndSlots();
  // Writes the header and slots first..first+count-1 in place.
  bool WriteSlots(int first, int count);

 private:
  // The file opened for an in-place update; a failure is reported.
  std::unique_ptr<File> OpenForUpdate();
  std::string path_;
  LongNameHeader header_{};
  std::vector<MediaSideRecord> slots_;
  std::vector<MediaSideRecord> spare_slots_;  // LoadLongNameFile reads here first
  std::vector<LongNameRecord> records_;  // RecordCount used; grows with data
  std::vector<std::pair<EntryId, std::int32_t>> index_;  // sorted by id
  std::vector<std::int32_t> loaded_map_;                  // per entry index, -1 = none
};

// ---- the catalog -------------------------------------------------------------

class Catalog {
 public:
  Catalog();
  ~Catalog();
  Catalog(const Catalog&) = delete;
  Catalog& operator=(const Catalog&) = delete;

  // ---- data model -------------------------------------------------------------
  struct MediaCounts {
    std::int32_t UsedSlots = 0;
    std::int32_t LiveMedia = 0;
    std::int32_t VisibleMedia = 0;
  };

  // Walks the used prefix of the media table; returns UsedSlots.
  int Recount();
  MediaCounts Counts() const { return counts_; }
  int LoadedMediumIndex() const { return loaded_medium_; }
  // The next LoadMedium reads the file again, whichever medium it names.
  void ForgetLoadedMedium() { loaded_medium_ = -1; }
  int LoadedCount() const { return loaded_count_; }

  std::string MediumName(EntryId id) const;
  std::string MediumDrive(EntryId id) const;
  std::string MediumVolumeName(EntryId id) const;
  std::string MediumSerialNo(EntryId id) const;
  // Memory only; false outside 0..1999.
  bool SetDrive(int m, std::string_view text);
  bool SetClassification(int m, std::string_view text);
  bool SetLocation(int m, std::string_view text);
  bool SetLocationDetail(int m, std::string_view text);
  // Stores the drive letter of the id's medium and saves the media table.
  bool SetDriveById(EntryId id, std::string_view text);
  // Name and Root.Name (91 bytes), then saves the media table.
  bool RenameMedium(int m, std::string_view text);
  std::string NthLiveMediumName(int n) const;
  bool FindMediumByName(bool unique, std::string_view name);
  int FoundMedium() const { return found_medium_; }
  std::string SerialNoAt(int m) const;
  std::uint32_t RegistrationTimeAt(int m) const;
  MediumRecord MediumSnapshot(EntryId id) const;

  // Slot states.
  bool SlotUsed(int m) const;   // live or deleted
  bool SlotLive(int m) const;
  bool SlotDeleted(int m) const;

  // Direct table access (0..1999, 0..4999, 0..LoadedCount() where the last
  // is the sentinel). Changes through the Mutable accessors are memory only
  // until the matching Save operation.
  const MediumRecord& Medium(int m) const { return media_[static_cast<std::size_t>(m)]; }
  MediumRecord& MutableMedium(int m) { return media_[static_cast<std::size_t>(m)]; }
  const CommentRecord& Comment(int k) const { return comments_[static_cast<std::size_t>(k)]; }
  CommentRecord& MutableComment(int k) { return comments_[static_cast<std::size_t>(k)]; }
  const EntryRecord& Entry(int e) const { return entries_[static_cast<std::size_t>(e)]; }
  EntryRecord& MutableEntry(int e) { return entries_[static_cast<std::size_t>(e)]; }
  const EntryRecord* Entries() const { return entries_.get(); }

  // Classification filter feeding VisibleMedia (empty = all).
  void SetClassificationFilter(std::string filter) { filter_ = std::move(filter); }
  const std::string& ClassificationFilter() const { return filter_; }

  // Called after every save of the media table (the classification and
  // location lists rebuild themselves from it).
  std::function<void()> onMediaTableSaved;

  // ---- catalog file -----------------------------------------------------------
  // New empty catalog and long-name file; becomes the open catalog.
  bool CreateCatalog(const std::string& path);
  // Reads media and comment tables (empty path = the open catalog). On any
  // failure the tables in memory stay as they were. A writer first
  // finishes an optimisation that was stopped part-way (under the
  // exclusive lock); a reader refuses such a catalog.
  bool LoadCatalog(const std::string& path = {}, Access access = Access::Write);
  LoadFailure LastLoadFailure() const { return last_failure_; }
  bool SaveMediaTable();
  bool SaveComment(int k);
  bool LoadMedium(int m);
  bool SaveEntry(EntryId id);
  bool SaveRootFromMedia(EntryId id);
  // mode 0 toggles, 1 sets, 2 clears, other modes keep; returns the new value.
  std::uint8_t SetMark(int mode, EntryId id);
  // The same; false (memory unchanged, value = the stored mark) when it
  // could not be written.
  bool SetMark(int mode, EntryId id, std::uint8_t& value);
  bool SetCommentLink(int k, EntryId id);
  // Appends the scanned medium (count records, the root first; at most
  // 1,000,000) to the file, takes the first free slot, records its long
  // names. False (with a message) when nothing was added.
  // info.FirstLongName is not needed: the store takes the record count at
  // the moment it starts.
  bool StoreScannedMedium(int count, const ScanSource& source, const TMediaInfomation& info);
  // The same from the scan buffer's TRecords (records[0] is the root).
  bool StoreScannedMedium(const TRecord* records, int count, const TMediaInfomation& info);
  void SetCatalogPath(const std::string& path);
  const std::string& CatalogPath() const { return path_; }
  const std::string& LongNamePath() const { return lfn_path_; }
  const std::string& DupPath() const { return dup_path_; }
  const std::string& LikePath() const { return lik_path_; }
  bool IsOpen() const { return !path_.empty(); }

  // Byte offset of medium m's block in the catalog file (by the sum of the
  // counts of the slots before it).
  std::int64_t BlockOffset(int m) const;

  // ---- long names -----------------------------------------------------------
  LongNameStore& LongNames() { return long_names_; }
  const LongNameStore& LongNames() const { return long_names_; }
  bool LoadLongNameFile() { return long_names_.LoadLongNameFile(); }
  std::string FullName(EntryId id, std::string_view stored) const {
    return long_names_.FullName(id, stored);
  }
  // Full name of entry e of the loaded medium.
  std::string LoadedFullName(int e) const;
  // 0 when the slot's long names are recorded; else the number of entries
  // of the loaded medium whose stored Name is 91 bytes long.
  int MediumNeedsReread(int slot) const;
  // end - first when recorded; else minus the cut-name count above.
  int LongNameCount(int slot) const;

  // ---- deletion and optimisation ----------------------------------------------
  // Name emptied, DeletedTime = now, Recount, SaveMediaTable.
  bool DeleteMedium(int m);
  bool DeleteMediumById(EntryId id) { return id >= 0 && DeleteMedium(MediumOf(id)); }
  // Compacts the file over the deleted media; false when nothing was to do
  // or the pass stopped (then with a message, the catalog still complete).
  bool Optimise(const StatusSink& status = {});
  // Whether the last Optimise stopped early on an error.
  bool OptimiseFailed() const { return optimise_failed_; }

  // Test hook: called with a step name at each point where the process may
  // be stopped; returning false stops the operation there as if killed.
  std::function<bool(const char* step)> crashPoint;

  // Path of the recovery journal that optimisation writes while a block is
  // moved over itself.
  static std::string JournalPath(const std::string& catalog_path);

  // ---- sharing the catalog with other processes ------------------------------
  // Every process that writes a catalog holds the exclusive lock on its
  // lock file (LockPath) meanwhile; readers hold the shared one.
  static std::string LockPath(const std::string& catalog_path);
  // Takes the lock for a whole command on path and keeps it until
  // ReleaseLock. While it is held the catalog's writes take no lock of
  // their own and trust the tables in memory. on_wait is called once when
  // another process holds it. False with err set when it could not be had
  // within wait_ms.
  bool HoldLock(const std::string& path, LockKind kind, int wait_ms, const std::function<void()>& on_wait,
                std::string& err);
  void ReleaseLock();
  bool HoldsLock(LockKind kind) const;
  // Without a held lock each write takes the exclusive lock for its own
  // length (waiting at most this long), and first checks that no other
  // process changed the tables since this one read or wrote them.
  int write_lock_wait_ms = 10000;
  // Called once when a write has to wait for another process.
  std::function<void()> onWaitingForLock;
  // Called after a write was refused because another process changed the
  // catalog since this one read it (the window opens it again).
  std::function<void()> onChangedElsewhere;

  // One write operation's hold on the file: the exclusive lock (unless one
  // is held for the command) and the check that the tables in memory are
  // still those on disk. Nested sections share the outermost one, so a run
  // of writes (marking many rows) takes the lock and checks once.
  class WriteSection {
   public:
    explicit WriteSection(Catalog& c) : c_(c), ok_(c.BeginWrite()) {}
    ~WriteSection() { c_.EndWrite(); }
    WriteSection(const WriteSection&) = delete;
    WriteSection& operator=(const WriteSection&) = delete;
    explicit operator bool() const { return ok_; }

   private:
    Catalog& c_;
    bool ok_;
  };

 private:
  bool HoldsLockOn(const std::string& path, LockKind kind) const;
  bool BeginWrite();
  void EndWrite();
  // The header area as this process last read or wrote it (empty when
  // unknown), taken again from the file.
  void RememberDiskHeader();
  bool DiskHeaderUnchanged(std::string& why);

  friend class CatalogOptimiser;
  bool EnsureEntryCapacity(std::int64_t records);
  bool Step(const char* name) { return !crashPoint || crashPoint(name); }
  bool WriteHeaderArea(bool with_comments);
  // What a journal found beside a catalog means for it.
  enum class JournalState { None, Incomplete, Foreign, Ours };
  JournalState InspectJournal(const std::string& path);
  bool RecoverJournal(const std::string& path);
  bool RemoveJournal(const std::string& path);
  bool WriteJournal(std::int64_t dst, std::int64_t src, std::int64_t block_bytes, std::int64_t move_bytes,
                    std::int64_t truncate_to, int lfn_first, int lfn_count, const std::vector<MediumRecord>& media,
                    const std::vector<CommentRecord>& comments, File* catalog_file);
  void ReportFileError(const std::string& path, const std::string& err);

  std::string path_, lfn_path_, dup_path_, lik_path_;
  std::vector<MediumRecord> media_;
  std::vector<CommentRecord> comments_;
  std::vector<MediumRecord> spare_media_;  // LoadCatalog reads here first
  std::vector<CommentRecord> spare_comments_;
  std::vector<MediumRecord> next_media_;  // optimisation's next table
  std::vector<CommentRecord> next_comments_;
  std::unique_ptr<EntryRecord[]> entries_;
  std::int64_t entry_capacity_ = 0;
  MediaCounts counts_;
  int loaded_medium_ = -1;
  int loaded_count_ = 0;
  int found_medium_ = -1;
  std::string filter_;
  LoadFailure last_failure_ = LoadFailure::None;
  bool optimise_failed_ = false;
  std::function<void()> copy_tick_;  // while optimising: between copied pieces
  LongNameStore long_names_;
  std::unique_ptr<FileLock> held_lock_;     // held for a command
  std::unique_ptr<FileLock> section_lock_;  // taken by the outermost write
  int write_depth_ = 0;
  bool write_ok_ = true;
  bool header_written_ = false;  // within the outermost section
  std::vector<char> disk_header_;  // header area as last seen on disk
};

// The process-wide catalog.
Catalog& TheCatalog();

// Reports a failed file operation: the program's generic error message box
// carrying the system's error text (cp932 message; path native).
void ReportCatalogError(const std::string& cp932_text);

}  // namespace fv
