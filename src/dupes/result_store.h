#pragma once
// The duplicate store (".dup") and the similar store (".lik"): the
// detection runs that write them, the group list loaded from them, the
// member lists of the views, the name lookups of the file list and the
// background loaders MThreadDup and MThreadLike.
//
// One instance per mode for the process: Duplicates() and Similars(). Every
// member function belongs to the main thread; the loader threads work on
// their own lists and hand them over on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "catalog/records.h"
#include "dupes/keys.h"
#include "dupes/media_source.h"

namespace fv::dupes {

enum class StoreMode { Duplicate, Similar };

// The fields of a store record besides its name.
struct RowFields {
  EntryId id = -1;
  std::uint32_t time = 0;      // DOS time
  std::uint32_t size = 0;      // Size32
  std::int32_t first = 0;      // member: its position; group: first member position
  std::int32_t next = 0;       // first member position of the next kind
  std::int32_t kind_size = 0;  // members of the kind
};

// A record of the group list or of a member list.
struct StoreRow : RowFields {
  std::string name;  // display name (cp932)
};

// What the progress dialog shows of a run. Texts are cp932.
class DetectionProgress {
 public:
  virtual ~DetectionProgress() = default;
  // Files examined, kinds, result entries, each "#,##0".
  virtual void Counters(const std::string& examined, const std::string& kinds, const std::string& results) = 0;
  // The status panel; empty clears it.
  virtual void Status(const std::string& text) = 0;
  // Lets the user interface process pending events.
  virtual void ProcessEvents() {}
};

struct RunOutcome {
  bool ok = false;
  std::string error;           // the system's error text when the store could not be written
  std::int32_t examined = 0;
  std::int32_t kinds = 0;
  std::int32_t results = 0;
};

enum class MemberListId { Detail = 0, Panel = 1 };

// The group list as loaded from a store, with its lookup table.
struct GroupSet {
  // A group record without its name; the display names lie back to back
  // in `names`.
  struct Row : RowFields {
    std::uint64_t name_at = 0;
    std::uint32_t name_len = 0;
  };
  std::vector<Row> rows;       // sorted by display name, case-insensitively
  std::string names;
  FoldedTable lookup;          // folded display name -> first row with it
  std::int32_t groups = 0;     // G of the header
  std::int32_t members = 0;    // N of the header
  std::int32_t format = 0;
  bool has_separators = false;
  std::string separators;      // the similar store's recorded set

  void Clear();
  std::string_view NameOf(std::size_t i) const {
    return std::string_view(names.data() + rows[i].name_at, rows[i].name_len);
  }
  StoreRow RowAt(std::size_t i) const;
  void BuildLookup();
  std::uint32_t Find(std::string_view name) const;
};

class StoreLoaderThread;

class ResultStore {
 public:
  explicit ResultStore(StoreMode mode);
  ~ResultStore();
  ResultStore(const ResultStore&) = delete;
  ResultStore& operator=(const ResultStore&) = delete;

  StoreMode Mode() const { return mode_; }

  // The store path is the catalog path with its extension replaced by ".dup"
  // (".lik"). Clears the lists.
  void SetStorePath(const std::string& catalog_path);
  const std::string& StorePath() const { return path_; }
  bool StoreExists() const;
  // Deletes the file and clears the group list and both member lists;
  // returns whether the file was deleted.
  bool DeleteStore();

  // Where display names of long names come from (FullName); may be null.
  void SetNameSource(const MediaSource* names) { names_ = names; }

  // The batch run over every live medium of `media`; writes the store
  // (through a temporary file renamed into place) and loads its groups.
  // A failure to write keeps the previous store and reports the system's
  // error text in the outcome.
  RunOutcome RunDetection(MediaSource& media, DetectionProgress* progress);

  // Reads the group list from the store.
  bool LoadGroups();
  std::int32_t GroupCount() const { return groups_.groups; }
  std::int32_t MemberCount() const { return groups_.members; }
  // Format of the loaded store (0 when none was loaded).
  std::int32_t Format() const { return groups_.format; }
  int LoadedGroupCount() const { return static_cast<int>(groups_.rows.size()); }
  bool GroupAt(int i, StoreRow& row) const;
  void ClearGroups();

  // Fills a member list with member records first .. first + count - 1;
  // false (keeping what was read) on a short read or a negative range.
  bool LoadMembers(MemberListId list, std::int32_t first, std::int32_t count);
  int LoadedMemberCount(MemberListId list) const;
  bool MemberAt(MemberListId list, int i, StoreRow& row) const;
  void ClearMembers(MemberListId list);

  // Case-insensitive exact look-ups in the group list. While a loader runs
  // they find nothing.
  std::int32_t FindKindSize(std::string_view name) const;   // 0 when absent
  std::int32_t FindKindStart(std::string_view name) const;  // -1 when absent
  struct WordGroup {
    std::int32_t first = -1;
    std::int32_t size = 0;
  };
  WordGroup FindWord(std::string_view word) const;

  // The current separator set (similar mode): REG_LikeKey until set,
  // replaced by the set a loaded store recorded.
  const std::string& Separators();
  void SetSeparators(std::string_view text);
  void SetSeparatorsFromSettings();
  // The words of a name under the current set, as a run cuts them (the
  // similar-file panel makes its tabs from them).
  std::vector<std::string> WordsOf(std::string_view name, int kind);

  // Starts the loader thread (MThreadDup / MThreadLike) when the store
  // exists: the group list is empty until on_done runs on the main thread
  // (through PostToMainThread). Returns false when there is no store.
  bool StartLoader(std::function<void(bool ok)> on_done);
  bool Loading() const { return loader_ != nullptr; }
  // Holds the caller back until a running loader has finished and its
  // result is in place (on_done runs here then).
  void WaitForLoader();

 private:
  struct LoaderJob;
  void FinishLoader(std::shared_ptr<LoaderJob> job);
  void Install(GroupSet&& set);
  std::int64_t HeaderSize() const;

  StoreMode mode_;
  std::string path_;
  const MediaSource* names_ = nullptr;
  GroupSet groups_;
  std::vector<StoreRow> members_[2];
  bool separators_set_ = false;
  std::string separators_;
  std::shared_ptr<LoaderJob> loader_;
  std::thread release_;  // lets go of the store a run replaced
};

// Reads the group list of the store at path (the work of LoadGroups and of
// the loader threads). False on a missing or short header, a negative count
// or a short record; `out` keeps what was read.
bool ReadGroups(const std::string& path, StoreMode mode, const MediaSource* names, GroupSet& out);

// Texts of the progress dialog for a mode (cp932).
std::string ProgressCaption(StoreMode mode);
std::string ResultLabel(StoreMode mode);

// Days since 1899-12-30 00:00 local time, fraction = time of day.
double StoreTimestamp();

// The process-wide stores.
ResultStore& Duplicates();
ResultStore& Similars();

}  // namespace fv::dupes
