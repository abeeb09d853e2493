#include "dupes/result_store.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <numeric>
#include <thread>
#include <utility>

#include "dupes/store_format.h"
#include "platform/files.h"
#include "platform/main_thread.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv::dupes {

namespace {

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

// Records moved per read or write.
constexpr std::size_t kChunkRecords = 4096;

// ---- the run's in-memory tables ----------------------------------------------

// A file that entered the index or the result list; its full name lives in
// the run's name arena.
struct RunFile {
  std::uint64_t name_off;
  std::uint32_t name_len;
  EntryId id;
  std::uint32_t time;
  std::uint32_t size;
};

// One distinct key: the file it came from first, where the key lies in that
// file's name, and its group once a second file matched (-1 before).
struct KeyRec {
  std::uint32_t file;
  std::uint16_t pos;
  std::uint16_t len;
  std::int32_t group;
};

// A kind (word group) and the key text of its first pair.
struct GroupRec {
  std::uint32_t file;
  std::uint16_t pos;
  std::uint16_t len;
};

struct Pair {
  std::uint32_t group;
  std::uint32_t file;
};

class Run {
 public:
  Run(StoreMode mode, const SeparatorSet& set) : mode_(mode), set_(set) {}

  std::string_view Name(std::uint32_t f) const {
    const RunFile& r = files_[f];
    return std::string_view(names_.data() + r.name_off, r.name_len);
  }
  std::string_view KeyText(std::uint32_t f, std::uint16_t pos, std::uint16_t len) const {
    return Name(f).substr(pos, len);
  }

  // Examines one file; returns the number of keys it yielded.
  void AddFile(std::string_view name, EntryId id, std::uint32_t time, std::uint32_t size,
               const std::function<void()>& after_key) {
    cur_file_ = kNoFile;
    if (mode_ == StoreMode::Duplicate) {
      words_.clear();
      if (!name.empty()) words_.push_back(name);
    } else {
      CutWords(name, kKindFile, set_, words_);
    }
    for (std::string_view w : words_) {
      folded_.clear();
      AppendFolded(w, folded_);
      std::uint64_t h = HashBytes(folded_);
      std::uint32_t k = table_.Find(folded_, h, [this](std::uint32_t i) {
        const KeyRec& r = keys_[i];
        return KeyText(r.file, r.pos, r.len);
      });
      std::uint16_t pos = static_cast<std::uint16_t>(w.data() - name.data());
      std::uint16_t len = static_cast<std::uint16_t>(w.size());
      if (k == FoldedTable::kNone) {
        std::uint32_t f = CurrentFile(name, id, time, size);
        keys_.push_back(KeyRec{f, pos, len, -1});
        table_.Insert(static_cast<std::uint32_t>(keys_.size() - 1), h);
      } else {
        KeyRec& r = keys_[k];
        std::uint32_t f = CurrentFile(name, id, time, size);
        if (r.group < 0) {
          // Second file with this key: the kind starts with the stored file.
          r.group = static_cast<std::int32_t>(groups_.size());
          if (mode_ == StoreMode::Duplicate)
            groups_.push_back(GroupRec{r.file, r.pos, r.len});  // the first file's written form
          else
            groups_.push_back(GroupRec{f, pos, len});  // the word as the second file writes it
          ++kinds;
          pairs_.push_back(Pair{static_cast<std::uint32_t>(r.group), r.file});
          ++results;
        }
        pairs_.push_back(Pair{static_cast<std::uint32_t>(r.group), f});
        ++results;
      }
      if (after_key) after_key();
    }
  }

  // Sorts the kinds by key (case-insensitive collation) and lays the pairs
  // out kind by kind: order_ holds the files in store order, sizes_ the kind
  // sizes in that order, group_order_ the kinds.
  void Sort() {
    keys_ = {};
    table_.Clear();
    const std::size_t g = groups_.size();
    // Collation keys of the kinds, then the folded text to keep kinds whose
    // keys collate equal apart and in a fixed order.
    std::vector<std::uint64_t> key_off(g + 1);
    std::string keys;
    for (std::size_t i = 0; i < g; ++i) {
      key_off[i] = keys.size();
      std::string_view t = KeyText(groups_[i].file, groups_[i].pos, groups_[i].len);
      text::AppendSortKey(t, keys, true);
      keys.push_back('\0');
      AppendFolded(t, keys);
    }
    key_off[g] = keys.size();
    group_order_.resize(g);
    std::iota(group_order_.begin(), group_order_.end(), 0u);
    auto key_of = [&](std::uint32_t i) {
      return std::string_view(keys.data() + key_off[i], key_off[i + 1] - key_off[i]);
    };
    std::sort(group_order_.begin(), group_order_.end(),
              [&](std::uint32_t a, std::uint32_t b) { return key_of(a) < key_of(b); });
    keys = {};
    key_off = {};

    // Counting sort of the pairs by the kind's rank keeps insertion order
    // inside a kind.
    std::vector<std::uint32_t> rank(g);
    for (std::size_t r = 0; r < g; ++r) rank[group_order_[r]] = static_cast<std::uint32_t>(r);
    starts_.assign(g + 1, 0);
    for (const Pair& p : pairs_) ++starts_[rank[p.group] + 1];
    for (std::size_t r = 0; r < g; ++r) starts_[r + 1] += starts_[r];
    order_.resize(pairs_.size());
    {
      std::vector<std::uint32_t> fill(starts_.begin(), starts_.end() - 1);
      for (const Pair& p : pairs_) order_[fill[rank[p.group]]++] = p.file;
    }
    pairs_ = {};

    if (mode_ == StoreMode::Similar) OrderMembersByName();
  }

  // Similar mode: inside each word group the members follow their file
  // names, case-insensitively.
  void OrderMembersByName() {
    const std::size_t nf = files_.size();
    std::vector<std::uint8_t> used(nf, 0);
    for (std::uint32_t f : order_) used[f] = 1;
    std::vector<std::uint32_t> listed;
    for (std::uint32_t f = 0; f < nf; ++f)
      if (used[f]) listed.push_back(f);
    used = {};
    std::vector<std::uint64_t> off(listed.size() + 1);
    std::string keys;
    for (std::size_t i = 0; i < listed.size(); ++i) {
      off[i] = keys.size();
      text::AppendSortKey(Name(listed[i]), keys, true);
    }
    off[listed.size()] = keys.size();
    std::vector<std::uint32_t> idx(listed.size());
    std::iota(idx.begin(), idx.end(), 0u);
    std::stable_sort(idx.begin(), idx.end(), [&](std::uint32_t a, std::uint32_t b) {
      return std::string_view(keys.data() + off[a], off[a + 1] - off[a]) <
             std::string_view(keys.data() + off[b], off[b + 1] - off[b]);
    });
    keys = {};
    off = {};
    // Files with equal collation keys share a rank, so they keep their
    // order inside a group.
    std::vector<std::uint32_t> file_rank(nf, 0);
    std::uint32_t r = 0;
    for (std::size_t i = 0; i < idx.size(); ++i) {
      if (i > 0 && SortKeyDiffers(listed[idx[i - 1]], listed[idx[i]])) ++r;
      file_rank[listed[idx[i]]] = r;
    }
    for (std::size_t gi = 0; gi + 1 < starts_.size(); ++gi) {
      auto b = order_.begin() + starts_[gi];
      auto e = order_.begin() + starts_[gi + 1];
      std::stable_sort(b, e, [&](std::uint32_t x, std::uint32_t y) { return file_rank[x] < file_rank[y]; });
    }
  }

  bool SortKeyDiffers(std::uint32_t a, std::uint32_t b) const {
    return text::CompareNoCase(Name(a), Name(b)) != 0;
  }

  // Writes header, member section and group section to file.
  bool Write(File& f, const std::string& separators, std::string& err) {
    const std::int64_t header = mode_ == StoreMode::Duplicate ? kDupHeaderSize : kLikeHeaderSize;
    const std::size_t g = group_order_.size();
    const std::size_t n = order_.size();
    if (mode_ == StoreMode::Duplicate) {
      StoreHeader h{};
      h.Format = kDupFormat;
      h.Groups = kinds;
      h.Members = static_cast<std::int32_t>(n);
      h.Written = StoreTimestamp();
      if (!f.WriteAt(0, &h, sizeof h)) return Failed(f, err);
    } else {
      auto h = std::make_unique<LikeStoreHeader>();
      std::memset(h.get(), 0, sizeof *h);
      h->Head.Format = kLikeFormat;
      h->Head.Groups = kinds;
      h->Head.Members = static_cast<std::int32_t>(n);
      h->Head.Written = StoreTimestamp();
      h->Separators.assign(text::CutBytesSafe(separators, 127));
      if (!f.WriteAt(0, h.get(), sizeof *h)) return Failed(f, err);
    }
    std::vector<StoreRecord> buf;
    buf.reserve(kChunkRecords);
    std::int64_t at = header;
    auto flush = [&]() {
      if (buf.empty()) return true;
      std::size_t bytes = buf.size() * sizeof(StoreRecord);
      if (!f.WriteAt(at, buf.data(), bytes)) return false;
      at += static_cast<std::int64_t>(bytes);
      buf.clear();
      return true;
    };
    auto put = [&](const StoreRecord& r) { buf.push_back(r); return buf.size() < kChunkRecords || flush(); };

    for (std::size_t gi = 0; gi < g; ++gi) {
      std::int32_t first = static_cast<std::int32_t>(starts_[gi]);
      std::int32_t next = static_cast<std::int32_t>(starts_[gi + 1]);
      for (std::int32_t q = first; q < next; ++q) {
        StoreRecord r;
        Fill(r, order_[static_cast<std::size_t>(q)], Name(order_[static_cast<std::size_t>(q)]));
        r.Position = q;
        r.NextKind = next;
        r.KindSize = next - first;
        if (!put(r)) return Failed(f, err);
      }
    }
    for (std::size_t gi = 0; gi < g; ++gi) {
      std::int32_t first = static_cast<std::int32_t>(starts_[gi]);
      std::int32_t next = static_cast<std::int32_t>(starts_[gi + 1]);
      const GroupRec& gr = groups_[group_order_[gi]];
      StoreRecord r;
      // The pair at the kind's start: in both modes the first file of the
      // kind; its key names the group.
      std::uint32_t first_file = FirstFileOf(group_order_[gi]);
      Fill(r, first_file, KeyText(gr.file, gr.pos, gr.len));
      r.Position = first;
      r.NextKind = next;
      r.KindSize = next - first;
      if (!put(r)) return Failed(f, err);
    }
    if (!flush()) return Failed(f, err);
    return true;
  }

  std::int32_t kinds = 0;
  std::int32_t results = 0;

  void SetFirstFiles() {
    first_file_.resize(groups_.size());
    // Filled while the pairs are still in insertion order.
    std::vector<std::uint8_t> seen(groups_.size(), 0);
    for (const Pair& p : pairs_)
      if (!seen[p.group]) {
        seen[p.group] = 1;
        first_file_[p.group] = p.file;
      }
  }

 private:
  static constexpr std::uint32_t kNoFile = 0xFFFFFFFFu;

  std::uint32_t FirstFileOf(std::uint32_t group) const { return first_file_[group]; }

  void Fill(StoreRecord& r, std::uint32_t f, std::string_view name) const {
    std::memset(&r, 0, sizeof r);
    r.Name.assign(name);
    r.EntryId = files_[f].id;
    r.Time = files_[f].time;
    r.Size32 = files_[f].size;
  }

  static bool Failed(File& f, std::string& err) {
    err = f.LastError();
    return false;
  }

  std::uint32_t CurrentFile(std::string_view name, EntryId id, std::uint32_t time, std::uint32_t size) {
    if (cur_file_ == kNoFile) {
      RunFile r{names_.size(), static_cast<std::uint32_t>(name.size()), id, time, size};
      names_.append(name);
      files_.push_back(r);
      cur_file_ = static_cast<std::uint32_t>(files_.size() - 1);
    }
    return cur_file_;
  }

  StoreMode mode_;
  const SeparatorSet& set_;
  std::string names_;
  std::vector<RunFile> files_;
  std::vector<KeyRec> keys_;
  FoldedTable table_;
  std::vector<GroupRec> groups_;
  std::vector<Pair> pairs_;
  std::vector<std::uint32_t> first_file_;
  std::vector<std::uint32_t> group_order_;
  std::vector<std::uint32_t> starts_;
  std::vector<std::uint32_t> order_;
  std::vector<std::string_view> words_;
  std::string folded_;
  std::uint32_t cur_file_ = kNoFile;
};

// ---- reading records -----------------------------------------------------------

std::string DisplayName(const StoreRecord& r, const MediaSource* names) {
  std::string_view stored = r.Name.view();
  if (stored.size() >= 90 && names) return names->FullName(r.EntryId, stored);
  return std::string(stored);
}

StoreRow RowOf(const StoreRecord& r, const MediaSource* names) {
  StoreRow row;
  row.name = DisplayName(r, names);
  row.id = r.EntryId;
  row.time = r.Time;
  row.size = r.Size32;
  row.first = r.Position;
  row.next = r.NextKind;
  row.kind_size = r.KindSize;
  return row;
}

// Reads records from `offset` on, count at most, handing each to take
// (which returns false to stop). False on a short read.
template <typename Take>
bool ReadRecords(File& f, std::int64_t offset, std::int64_t count, Take take) {
  std::vector<StoreRecord> buf;
  while (count > 0) {
    std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(count, kChunkRecords));
    buf.resize(want);
    std::size_t got = 0;
    if (!f.ReadAt(offset, buf.data(), want * sizeof(StoreRecord), got)) return false;
    std::size_t whole = got / sizeof(StoreRecord);
    for (std::size_t i = 0; i < whole; ++i)
      if (!take(buf[i])) return true;
    if (whole < want) return false;
    offset += static_cast<std::int64_t>(got);
    count -= static_cast<std::int64_t>(want);
  }
  return true;
}

void SortRows(std::vector<StoreRow>& rows) {
  // Case-insensitive collation, then the folded bytes, then file order.
  std::vector<std::uint64_t> off(rows.size() + 1);
  std::string keys;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    off[i] = keys.size();
    text::AppendSortKey(rows[i].name, keys, true);
    keys.push_back('\0');
    AppendFolded(rows[i].name, keys);
  }
  off[rows.size()] = keys.size();
  auto key = [&](std::size_t i) { return std::string_view(keys.data() + off[i], off[i + 1] - off[i]); };
  bool sorted = true;
  for (std::size_t i = 1; i < rows.size() && sorted; ++i) sorted = !(key(i) < key(i - 1));
  if (sorted) return;
  std::vector<std::uint32_t> idx(rows.size());
  std::iota(idx.begin(), idx.end(), 0u);
  std::stable_sort(idx.begin(), idx.end(), [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
  std::vector<StoreRow> out;
  out.reserve(rows.size());
  for (std::uint32_t i : idx) out.push_back(std::move(rows[i]));
  rows.swap(out);
}

}  // namespace

// ---- GroupSet -------------------------------------------------------------------

void GroupSet::Clear() {
  rows.clear();
  rows.shrink_to_fit();
  lookup.Clear();
  groups = 0;
  members = 0;
  format = 0;
  has_separators = false;
  separators.clear();
}

void GroupSet::BuildLookup() {
  lookup.Clear();
  lookup.Reserve(rows.size());
  std::string folded;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    folded.clear();
    AppendFolded(rows[i].name, folded);
    std::uint64_t h = HashBytes(folded);
    if (lookup.Find(folded, h, [this](std::uint32_t k) { return std::string_view(rows[k].name); }) ==
        FoldedTable::kNone)
      lookup.Insert(static_cast<std::uint32_t>(i), h);
  }
}

std::uint32_t GroupSet::Find(std::string_view name) const {
  std::string folded;
  AppendFolded(name, folded);
  return lookup.Find(folded, HashBytes(folded), [this](std::uint32_t k) { return std::string_view(rows[k].name); });
}

bool ReadGroups(const std::string& path, StoreMode mode, const MediaSource* names, GroupSet& out) {
  out.Clear();
  if (path.empty()) return false;
  std::string err;
  auto f = Platform().files->Open(path, OpenMode::Read, err);
  if (!f) return false;
  std::int64_t header_size = mode == StoreMode::Duplicate ? kDupHeaderSize : kLikeHeaderSize;
  std::int64_t first_group;
  if (mode == StoreMode::Duplicate) {
    StoreHeader h;
    if (!f->ReadExact(0, &h, sizeof h)) return false;
    out.format = h.Format;
    out.groups = h.Groups;
    out.members = h.Members;
  } else {
    auto h = std::make_unique<LikeStoreHeader>();
    if (!f->ReadExact(0, h.get(), sizeof *h)) return false;
    out.format = h->Head.Format;
    out.groups = h->Head.Groups;
    out.members = h->Head.Members;
    out.has_separators = true;
    out.separators = std::string(h->Separators.view());  // a length above 127 reads as 127
  }
  if (out.groups < 0 || out.members < 0) {
    // Negative counts describe no store this program writes: no kinds.
    out.groups = 0;
    out.members = 0;
    return false;
  }
  first_group = header_size + static_cast<std::int64_t>(out.members) * kStoreRecordSize;
  bool ok = ReadRecords(*f, first_group, out.groups, [&](const StoreRecord& r) {
    out.rows.push_back(RowOf(r, names));
    return r.NextKind != 0;
  });
  f.reset();
  SortRows(out.rows);
  out.BuildLookup();
  return ok;
}

// ---- loader threads -------------------------------------------------------------

class StoreLoaderThread {
 public:
  StoreLoaderThread(std::string path, StoreMode mode, const MediaSource* names)
      : path_(std::move(path)), mode_(mode), names_(names) {}
  virtual ~StoreLoaderThread() { Join(); }

  void Start(std::function<void()> done) {
    thread_ = std::thread([this, done = std::move(done)] {
      ok = ReadGroups(path_, mode_, names_, result);
      done();
    });
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  GroupSet result;
  bool ok = false;

 private:
  std::string path_;
  StoreMode mode_;
  const MediaSource* names_;
  std::thread thread_;
};

// Loads the duplicate store's group list after a catalog was opened.
class MThreadDup final : public StoreLoaderThread {
 public:
  MThreadDup(std::string path, const MediaSource* names)
      : StoreLoaderThread(std::move(path), StoreMode::Duplicate, names) {}
};

// Loads the similar store's group list after a catalog was opened.
class MThreadLike final : public StoreLoaderThread {
 public:
  MThreadLike(std::string path, const MediaSource* names)
      : StoreLoaderThread(std::move(path), StoreMode::Similar, names) {}
};

struct ResultStore::LoaderJob {
  ResultStore* store = nullptr;
  std::unique_ptr<StoreLoaderThread> thread;
  std::function<void(bool)> on_done;
};

// ---- ResultStore ----------------------------------------------------------------

ResultStore::ResultStore(StoreMode mode) : mode_(mode) {}

ResultStore::~ResultStore() {
  if (loader_) {
    loader_->thread->Join();
    loader_->store = nullptr;
  }
}

std::int64_t ResultStore::HeaderSize() const {
  return mode_ == StoreMode::Duplicate ? kDupHeaderSize : kLikeHeaderSize;
}

void ResultStore::SetStorePath(const std::string& catalog_path) {
  WaitForLoader();
  path_ = ChangeExtension(catalog_path, mode_ == StoreMode::Duplicate ? ".dup" : ".lik");
  ClearGroups();
  ClearMembers(MemberListId::Detail);
  ClearMembers(MemberListId::Panel);
}

bool ResultStore::StoreExists() const { return !path_.empty() && Platform().files->Exists(path_); }

bool ResultStore::DeleteStore() {
  WaitForLoader();
  ClearGroups();
  ClearMembers(MemberListId::Detail);
  ClearMembers(MemberListId::Panel);
  if (path_.empty()) return false;
  std::string err;
  return Platform().files->Remove(path_, err);
}

void ResultStore::Install(GroupSet&& set) {
  groups_ = std::move(set);
  if (mode_ == StoreMode::Similar && groups_.has_separators) {
    separators_ = groups_.separators;
    separators_set_ = true;
  }
}

bool ResultStore::LoadGroups() {
  GroupSet set;
  bool ok = ReadGroups(path_, mode_, names_, set);
  Install(std::move(set));  // a short header leaves the separator set as it is
  return ok;
}

bool ResultStore::GroupAt(int i, StoreRow& row) const {
  if (i < 0 || i >= static_cast<int>(groups_.rows.size())) return false;
  row = groups_.rows[static_cast<std::size_t>(i)];
  return true;
}

void ResultStore::ClearGroups() { groups_.Clear(); }

bool ResultStore::LoadMembers(MemberListId list, std::int32_t first, std::int32_t count) {
  std::vector<StoreRow>& rows = members_[static_cast<int>(list)];
  rows.clear();
  if (first < 0 || count < 0 || path_.empty()) return false;
  std::string err;
  auto f = Platform().files->Open(path_, OpenMode::Read, err);
  if (!f) return false;
  return ReadRecords(*f, HeaderSize() + static_cast<std::int64_t>(first) * kStoreRecordSize, count,
                     [&](const StoreRecord& r) {
                       rows.push_back(RowOf(r, names_));
                       return true;
                     });
}

int ResultStore::LoadedMemberCount(MemberListId list) const {
  return static_cast<int>(members_[static_cast<int>(list)].size());
}

bool ResultStore::MemberAt(MemberListId list, int i, StoreRow& row) const {
  const std::vector<StoreRow>& rows = members_[static_cast<int>(list)];
  if (i < 0 || i >= static_cast<int>(rows.size())) return false;
  row = rows[static_cast<std::size_t>(i)];
  return true;
}

void ResultStore::ClearMembers(MemberListId list) {
  members_[static_cast<int>(list)].clear();
  members_[static_cast<int>(list)].shrink_to_fit();
}

std::int32_t ResultStore::FindKindSize(std::string_view name) const {
  std::uint32_t i = groups_.Find(name);
  return i == FoldedTable::kNone ? 0 : groups_.rows[i].kind_size;
}

std::int32_t ResultStore::FindKindStart(std::string_view name) const {
  std::uint32_t i = groups_.Find(name);
  return i == FoldedTable::kNone ? -1 : groups_.rows[i].first;
}

ResultStore::WordGroup ResultStore::FindWord(std::string_view word) const {
  std::uint32_t i = groups_.Find(word);
  if (i == FoldedTable::kNone) return {};
  return WordGroup{groups_.rows[i].first, groups_.rows[i].kind_size};
}

const std::string& ResultStore::Separators() {
  if (!separators_set_) SetSeparatorsFromSettings();
  return separators_;
}

void ResultStore::SetSeparators(std::string_view text) {
  separators_ = std::string(text);
  separators_set_ = true;
}

void ResultStore::SetSeparatorsFromSettings() { SetSeparators(ReadSettingString(SettingKey::REG_LikeKey)); }

bool ResultStore::StartLoader(std::function<void(bool ok)> on_done) {
  WaitForLoader();
  if (!StoreExists()) return false;
  ClearGroups();
  auto job = std::make_shared<LoaderJob>();
  job->store = this;
  job->on_done = std::move(on_done);
  if (mode_ == StoreMode::Duplicate)
    job->thread = std::make_unique<MThreadDup>(path_, names_);
  else
    job->thread = std::make_unique<MThreadLike>(path_, names_);
  loader_ = job;
  // The completion handler is in place before the thread starts.
  job->thread->Start([job] {
    PostToMainThread([job] {
      if (job->store) job->store->FinishLoader(job);
    });
  });
  return true;
}

void ResultStore::FinishLoader(std::shared_ptr<LoaderJob> job) {
  if (loader_ != job) return;  // already finished by WaitForLoader
  job->thread->Join();
  bool ok = job->thread->ok;
  Install(std::move(job->thread->result));
  loader_.reset();
  job->store = nullptr;
  if (job->on_done) job->on_done(ok);
}

void ResultStore::WaitForLoader() {
  if (loader_) FinishLoader(loader_);
}

// ---- the detection run --------------------------------------------------------------

RunOutcome ResultStore::RunDetection(MediaSource& media, DetectionProgress* progress) {
  WaitForLoader();
  RunOutcome out;
  groups_.groups = 0;
  SeparatorSet set(mode_ == StoreMode::Similar ? std::string_view(Separators()) : std::string_view());
  // Duplicate mode: every name is one key (the run ignores the set).
  Run run(mode_, set);

  auto show_counters = [&] {
    if (progress)
      progress->Counters(FormatNumber(out.examined), FormatNumber(run.kinds), FormatNumber(run.results));
  };
  if (progress) {
    progress->Counters("0", "0", "0");
    progress->Status("");
  }

  // Live media: the used prefix of the table, deleted slots left out.
  int used = 0, live = 0;
  for (; used < kMediaSlots; ++used) {
    const MediumRecord& m = media.Medium(used);
    if (m.Name.empty() && m.EntryCount == 0) break;
    if (!m.Name.empty()) ++live;
  }

  const std::string searching = Sj("検索中...(");
  const std::string media_text = Sj("メディア)");
  std::function<void()> after_key = [&] {
    if (out.examined % 1000 == 0 && progress) {
      show_counters();
      progress->ProcessEvents();
    }
  };
  std::string long_name;
  int k = 0;
  for (int m = 0; m < used; ++m) {
    if (media.Medium(m).Name.empty()) continue;
    ++k;
    if (progress) {
      progress->Status(searching + std::to_string(k) + "/" + std::to_string(live) + media_text);
      progress->ProcessEvents();
    }
    // A medium whose entries cannot be read adds nothing (its identifiers
    // must not name another medium's entries).
    if (!media.LoadMedium(m)) continue;
    const int count = media.LoadedCount();
    for (int e = 1; e < count; ++e) {
      const EntryRecord& r = media.Entry(e);
      if (r.Attributes & 0x10) continue;
      ++out.examined;
      std::string_view name = r.Name.view();
      if (media.LoadedLongName(e, long_name)) name = long_name;
      run.AddFile(name, MakeEntryId(m, e), r.Time, ClampSize32(r.Size), after_key);
    }
    show_counters();
  }
  show_counters();
  out.kinds = run.kinds;
  out.results = run.results;

  if (progress) {
    progress->Status(FormatNumber(run.results) + Sj("ファイルのソート中..."));
    progress->ProcessEvents();
  }
  run.SetFirstFiles();
  run.Sort();

  if (progress) {
    progress->Status(Sj("最後のオマジナイ..."));
    progress->ProcessEvents();
  }
  // Written beside the store and renamed over it only when complete, so an
  // interrupted or failed run never leaves a store that loads as complete.
  FileSystem& fs = *Platform().files;
  const std::string tmp = path_ + ".tmp";
  std::string err;
  bool written = false;
  {
    auto f = fs.Open(tmp, OpenMode::CreateTrunc, err);
    if (f) {
      written = run.Write(*f, mode_ == StoreMode::Similar ? Separators() : std::string(), err);
      if (written && !f->Sync()) {
        err = f->LastError();
        written = false;
      }
    }
  }
  if (written) written = fs.Rename(tmp, path_, err);
  if (!written) {
    std::string ignored;
    fs.Remove(tmp, ignored);
    out.error = err;
    // The previous store, if any, is still whole: show it again.
    LoadGroups();
    return out;
  }
  out.ok = true;
  LoadGroups();
  return out;
}

// ---- texts -----------------------------------------------------------------------

std::string ProgressCaption(StoreMode mode) {
  return Sj(mode == StoreMode::Duplicate ? "重複ファイルの検索中" : "似たようなファイルの検索中");
}

std::string ResultLabel(StoreMode mode) {
  return Sj(mode == StoreMode::Duplicate ? "件の重複ファイルを検出" : "件の似たようなファイルを検出");
}

double StoreTimestamp() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  double ms = static_cast<double>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  // Days from 1899-12-30 to the civil date (proleptic Gregorian).
  auto days_from_civil = [](int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
  };
  int days = days_from_civil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday)) -
             days_from_civil(1899, 12, 30);
  double secs = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + (tm.tm_sec > 59 ? 59 : tm.tm_sec) + ms / 1000.0;
  return days + secs / 86400.0;
}

ResultStore& Duplicates() {
  static ResultStore s(StoreMode::Duplicate);
  return s;
}

ResultStore& Similars() {
  static ResultStore s(StoreMode::Similar);
  return s;
}

}  // namespace fv::dupes
