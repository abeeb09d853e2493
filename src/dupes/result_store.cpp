#include "dupes/result_store.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <future>
#include <numeric>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "dupes/collate.h"
#include "dupes/store_format.h"
#include "platform/files.h"
#include "platform/large_memory.h"
#include "platform/main_thread.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv::dupes {

namespace {

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

// Joins a helper thread when the scope is left (also by an exception).
struct JoinOnExit {
  std::thread& t;
  ~JoinOnExit() {
    if (t.joinable()) t.join();
  }
};

// Records moved per read or write.
constexpr std::size_t kChunkRecords = 4096;

// ---- the run's in-memory tables ----------------------------------------------

// A file of the run: its record fields and its full name, kept in the
// run's arena at an 8-byte aligned offset.
struct FileHead {
  EntryId id;
  std::uint32_t time;
  std::uint32_t size;
  std::uint16_t len;
  std::uint16_t pad;
  std::uint32_t ordinal;  // dense number of the file in the run
  std::uint32_t pad2;
};
static_assert(sizeof(FileHead) == 24);

// Bytes appended at 8-byte aligned offsets, in large memory (read at
// random). Room not yet written costs nothing.
class Arena {
 public:
  const char* data() const { return data_.data(); }
  std::size_t size() const { return size_; }
  void Reserve(std::size_t cap) {
    if (cap <= cap_) return;
    LargeArray<char> bigger(cap);
    if (size_) std::memcpy(bigger.data(), data_.data(), size_);
    data_ = std::move(bigger);
    cap_ = cap;
  }
  // Appends head and tail; returns the offset of head.
  std::size_t Append(const void* head, std::size_t head_len, const void* tail, std::size_t tail_len) {
    const std::size_t off = size_;
    const std::size_t bytes = (head_len + tail_len + 7) & ~static_cast<std::size_t>(7);
    if (off + bytes > cap_) Reserve(std::max(cap_ * 2, off + bytes + 4096));
    std::memcpy(data_.data() + off, head, head_len);
    std::memcpy(data_.data() + off + head_len, tail, tail_len);
    size_ = off + bytes;
    return off;
  }

 private:
  LargeArray<char> data_;
  std::size_t size_ = 0;
  std::size_t cap_ = 0;
};

// A kind (word group): a copy of its first file's head and of its key
// text (in the run's kind_names_), so that the later passes over the kinds
// need not reach into the arena.
struct GroupRec {
  FileHead first;         // the first file's fields
  std::uint64_t name_at;  // key text in kind_names_; its length is first.len
  std::uint64_t hash;     // HashBytes of the folded key
};

struct Pair {
  std::uint32_t group;
  std::uint32_t file;  // ordinal of the file
};

// Order of the texts keys[off[i] .. off[i+1]) compared as byte strings;
// equal texts keep their order. A text that ends where another goes on
// must not tie with it through a NUL byte (collation keys hold none; a NUL
// separator is always followed by text). Sorted 24 bytes at a time: each entry carries the next 24
// bytes of its text, and only runs that tie on them look further, so few
// comparisons touch the texts themselves.
template <typename TextOf>
void SortTexts(const std::size_t n, TextOf text_of, std::vector<std::uint32_t>& order, bool two_threads) {
  struct Entry {
    std::uint64_t p[3];
    std::uint32_t index;
  };
  std::vector<Entry> v(n);
  auto load = [&](Entry& e, std::size_t depth) {
    const std::string_view text = text_of(e.index);
    const std::size_t len = text.size();
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
    for (int w = 0; w < 3; ++w) {
      std::uint64_t p = 0;
      for (std::size_t b = 0; b < 8; ++b) {
        std::size_t at = depth + static_cast<std::size_t>(w) * 8 + b;
        p = p << 8 | (at < len ? t[at] : 0u);
      }
      e.p[w] = p;
    }
  };
  auto len_of = [&](const Entry& e) { return text_of(e.index).size(); };
  auto less = [](const Entry& a, const Entry& b) {
    for (int w = 0; w < 3; ++w)
      if (a.p[w] != b.p[w]) return a.p[w] < b.p[w];
    return false;
  };
  for (std::size_t i = 0; i < n; ++i) {
    v[i].index = static_cast<std::uint32_t>(i);
    load(v[i], 0);
  }
  struct Range {
    std::size_t begin, end, depth;
  };
  auto sort_range = [&](std::size_t begin, std::size_t end) {
    std::vector<Range> todo{{begin, end, 0}};
    while (!todo.empty()) {
      Range r = todo.back();
      todo.pop_back();
      std::sort(v.begin() + static_cast<std::ptrdiff_t>(r.begin), v.begin() + static_cast<std::ptrdiff_t>(r.end),
                less);
      for (std::size_t i = r.begin; i < r.end;) {
        std::size_t j = i + 1;
        while (j < r.end && !less(v[i], v[j])) ++j;
        if (j - i > 1) {
          bool longer = false;
          for (std::size_t k = i; k < j && !longer; ++k) longer = len_of(v[k]) > r.depth + 24;
          if (longer) {
            for (std::size_t k = i; k < j; ++k) load(v[k], r.depth + 24);
            todo.push_back({i, j, r.depth + 24});
          } else {
            // Whole texts tie but for their lengths: shorter first, then
            // the original order.
            std::sort(v.begin() + static_cast<std::ptrdiff_t>(i), v.begin() + static_cast<std::ptrdiff_t>(j),
                      [&](const Entry& a, const Entry& b) {
                        return len_of(a) != len_of(b) ? len_of(a) < len_of(b) : a.index < b.index;
                      });
          }
        }
        i = j;
      }
    }
  };
  // Two threads: the texts are split by their first two bytes near the
  // middle, every text of the first part sorting before every text of the
  // second; each part is sorted on its own thread.
  std::size_t split = 0;
  if (two_threads && n >= 65536) {
    std::vector<std::size_t> count(65536, 0);
    for (const Entry& e : v) ++count[e.p[0] >> 48];
    std::size_t below = 0, bound = 0;
    for (; bound < 65536 && below + count[bound] <= n / 2; ++bound) below += count[bound];
    // The middle bucket goes to whichever part it leaves closer in size.
    if (bound < 65536 && below + count[bound] - n / 2 < n / 2 - below) below += count[bound++];
    if (below > 0 && below < n) {
      split = below;
      std::partition(v.begin(), v.end(), [bound](const Entry& e) { return (e.p[0] >> 48) < bound; });
    }
  }
  if (split > 0) {
    std::exception_ptr failed;
    std::thread helper([&] {
      try {
        sort_range(split, n);
      } catch (...) {
        failed = std::current_exception();
      }
    });
    {
      JoinOnExit join_helper{helper};
      sort_range(0, split);
    }
    if (failed) std::rethrow_exception(failed);
  } else {
    sort_range(0, n);
  }
  order.resize(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = v[i].index;
}

void SortKeyTexts(const std::string& keys, const std::vector<std::uint64_t>& off, std::vector<std::uint32_t>& order,
                  bool two_threads = false) {
  SortTexts(
      off.size() - 1,
      [&](std::size_t i) { return std::string_view(keys.data() + off[i], static_cast<std::size_t>(off[i + 1] - off[i])); },
      order, two_threads);
}

// The second thread of a run. It prepares the next medium when asked (that
// comes first) and otherwise makes the sort keys of the kinds that have
// appeared; the run's own thread makes keys too whenever it would wait.
// Each batch of kinds holds their folded key texts in kind order; the key
// of a kind is its collation key, a NUL, then its folded text.
class RunHelper {
 public:
  RunHelper()
      : thread_([this] {
          // The key tables are made once per process, which takes a while:
          // until then the run's thread prepares its media itself.
          try {
            NoCaseCollator::FastKeys();
          } catch (...) {
            // Fails again, and is reported, where keys are made.
          }
          ready_.store(true);
          Work();
        }) {}
  ~RunHelper() { Close(); }
  RunHelper(const RunHelper&) = delete;
  RunHelper& operator=(const RunHelper&) = delete;

  // Whether the thread takes jobs without delay.
  bool Ready() const { return ready_.load(); }

  // Runs job ahead of any waiting batch of kinds.
  std::future<void> Do(std::function<void()> job) {
    std::packaged_task<void()> task(std::move(job));
    std::future<void> done = task.get_future();
    {
      std::lock_guard<std::mutex> hold(lock_);
      jobs_.push_back(std::move(task));
    }
    wake_.notify_one();
    return done;
  }
  // texts[ends[i-1] .. ends[i]) is the folded key of the batch's i-th kind.
  void AddKinds(std::string&& texts, std::vector<std::uint32_t>&& ends) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      made_.emplace_back();
      batches_.push_back(Batch{made_.size() - 1, std::move(texts), std::move(ends)});
    }
    wake_.notify_one();
  }
  // Waits for a job, making keys of the newest batches meanwhile.
  void WaitFor(std::future<void>& done) {
    Batch b;
    while (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready && Take(true, b))
      MakeKeys(own_coll_, b);
    done.wait();
  }
  // Waits for every batch (helping with them); keys[i] is the key of kind
  // i, kept here until ReleaseKeys.
  void TakeKeys(std::vector<std::string_view>& keys) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      closed_ = true;
    }
    wake_.notify_one();
    Batch b;
    while (Take(true, b)) MakeKeys(own_coll_, b);
    Close();
    if (failed_) std::rethrow_exception(failed_);
    std::size_t count = 0;
    for (const Made& m : made_) count += m.starts.size();
    keys.clear();
    keys.reserve(count);
    for (const Made& m : made_)
      for (std::size_t k = 0; k < m.starts.size(); ++k) {
        const std::size_t end = k + 1 < m.starts.size() ? m.starts[k + 1] : m.keys.size();
        keys.emplace_back(m.keys.data() + m.starts[k], end - m.starts[k]);
      }
  }
  void ReleaseKeys() { made_ = {}; }

 private:
  struct Batch {
    std::size_t number = 0;
    std::string texts;
    std::vector<std::uint32_t> ends;
  };
  struct Made {
    std::string keys;
    std::vector<std::uint32_t> starts;  // of each kind's key in keys
  };
  // The oldest (newest) waiting batch; false when there is none.
  bool Take(bool newest, Batch& b) {
    std::lock_guard<std::mutex> hold(lock_);
    if (batches_.empty()) return false;
    if (newest) {
      b = std::move(batches_.back());
      batches_.pop_back();
    } else {
      b = std::move(batches_.front());
      batches_.pop_front();
    }
    return true;
  }
  void MakeKeys(NoCaseCollator& coll, const Batch& b) {
    Made* out;
    {
      std::lock_guard<std::mutex> hold(lock_);
      out = &made_[b.number];  // a deque: stays in place while batches are added
    }
    out->keys.reserve(b.texts.size() * 4 + b.ends.size() * 16);
    out->starts.reserve(b.ends.size());
    std::uint32_t at = 0;
    for (std::uint32_t end : b.ends) {
      std::string_view t(b.texts.data() + at, end - at);
      out->starts.push_back(static_cast<std::uint32_t>(out->keys.size()));
      coll.AppendFoldedKey(t, out->keys);
      out->keys.push_back('\0');
      out->keys.append(t);
      at = end;
    }
  }
  void Close() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      closed_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }
  void Work() {
    NoCaseCollator coll;
    for (;;) {
      Batch b;
      {
        std::unique_lock<std::mutex> hold(lock_);
        wake_.wait(hold, [this] { return closed_ || !jobs_.empty() || !batches_.empty(); });
        if (!jobs_.empty()) {
          std::packaged_task<void()> job = std::move(jobs_.front());
          jobs_.pop_front();
          hold.unlock();
          job();  // its exception goes to its future
          continue;
        }
        if (batches_.empty()) return;
        b = std::move(batches_.front());
        batches_.pop_front();
      }
      try {
        MakeKeys(coll, b);
      } catch (...) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!failed_) failed_ = std::current_exception();
      }
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<void()>> jobs_;
  std::deque<Batch> batches_;
  std::deque<Made> made_;  // by batch number
  bool closed_ = false;
  std::atomic<bool> ready_{false};
  std::exception_ptr failed_;
  NoCaseCollator own_coll_;  // the run's thread's
  std::thread thread_;       // last, so that it starts after the rest is made
};

// Waits for a job when the scope is left (also by an exception).
struct WaitOnExit {
  std::future<void>& done;
  ~WaitOnExit() {
    if (done.valid()) done.wait();
  }
};

class Run {
 public:
  static constexpr std::uint32_t kNoFile = 0xFFFFFFFFu;

  Run(StoreMode mode, const SeparatorSet& set) : mode_(mode), set_(set) {}

  std::int32_t kinds = 0;
  std::int32_t results = 0;

  // Whether the helper thread takes jobs without delay.
  bool HelperReady() const { return helper_.Ready(); }
  // Runs job on the run's helper thread, ahead of its other work.
  std::future<void> OnHelper(std::function<void()> job) { return helper_.Do(std::move(job)); }
  // Waits for such a job, sharing the helper's other work meanwhile.
  void WaitForHelper(std::future<void>& done) { helper_.WaitFor(done); }

  // Room for a run over about `files` files, so that the big tables are
  // not copied as they grow (untouched room costs no memory).
  // Only a hint: the media table's counts are not trusted that far.
  void Reserve(std::size_t files) {
    files = std::min<std::size_t>(files, std::size_t{1} << 24);
    try {
      arena_.Reserve(files * (sizeof(FileHead) + 32));
      by_ordinal_.reserve(files);
      pairs_.reserve(files);
      groups_.reserve(files / 2);
    } catch (const std::bad_alloc&) {
      // Grows as it goes instead.
    }
  }

  std::string_view KindName(const GroupRec& gr) const {
    return std::string_view(kind_names_.data() + gr.name_at, gr.first.len);
  }
  const FileHead& Head(std::uint32_t f) const {
    return *reinterpret_cast<const FileHead*>(arena_.data() + static_cast<std::size_t>(f) * 8);
  }
  std::string_view Name(std::uint32_t f) const {
    return std::string_view(arena_.data() + static_cast<std::size_t>(f) * 8 + sizeof(FileHead), Head(f).len);
  }

  struct PendingKey {
    std::uint32_t item;
    std::uint16_t pos;
    std::uint16_t len;
    std::size_t fold_off;
    std::uint64_t hash;
  };
  // The files of one medium (their places in the arena) and their keys in
  // order, folded and hashed, so that the look-ups can fetch their table
  // slots ahead of use.
  struct Batch {
    std::vector<std::uint32_t> files;
    std::vector<PendingKey> keys;
    std::string folded;
    std::vector<std::string_view> words;
  };

  // Copies the files of the loaded medium m (folders left out) into the
  // arena: the media source holds one medium at a time. Nothing else may
  // read the arena meanwhile (it may move).
  void Collect(MediaSource& media, int m, Batch& b) {
    b.files.clear();
    const int count = media.LoadedCount();
    std::string long_name;
    for (int e = 1; e < count; ++e) {
      const EntryRecord& r = media.Entry(e);
      if (r.Attributes & 0x10) continue;
      std::string_view name = r.Name.view();
      if (media.LoadedLongName(e, long_name)) name = long_name;
      FileHead h{MakeEntryId(m, e), r.Time, ClampSize32(r.Size), static_cast<std::uint16_t>(name.size()), 0,
                 ordinals_++, 0};
      const std::uint32_t file = static_cast<std::uint32_t>(arena_.Append(&h, sizeof h, name.data(), name.size()) / 8);
      b.files.push_back(file);
      by_ordinal_.push_back(file);
    }
  }

  // Cuts, folds and hashes the keys of a batch. Writes nothing but the
  // batch, so it may run beside the look-ups of the batch before.
  void Prepare(Batch& b) const {
    b.keys.clear();
    b.folded.clear();
    const std::uint32_t count = static_cast<std::uint32_t>(b.files.size());
    for (std::uint32_t i = 0; i < count; ++i) {
      std::string_view name = Name(b.files[i]);
      if (mode_ == StoreMode::Duplicate) {
        b.words.clear();
        if (!name.empty()) b.words.push_back(name);
      } else {
        CutWords(name, kKindFile, set_, b.words);
      }
      for (std::string_view w : b.words) {
        std::size_t off = b.folded.size();
        AppendFolded(w, b.folded);
        b.keys.push_back(PendingKey{i, static_cast<std::uint16_t>(w.data() - name.data()),
                                    static_cast<std::uint16_t>(w.size()), off,
                                    HashBytes(std::string_view(b.folded.data() + off, w.size()))});
      }
    }
  }

  // Examines the files of a prepared batch in entry order.
  // after_key(examined) runs after each key with the number of files
  // examined so far.
  template <typename AfterKey>
  void Examine(Batch& b, std::int32_t examined_before, AfterKey after_key) {
    if (slots_.empty() || (count_ + b.keys.size()) * 2 > slots_.size()) Rehash(count_ + b.keys.size());
    const std::size_t n = b.keys.size();
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < n; ++k) {
      if (k + kAhead < n) __builtin_prefetch(&slots_[b.keys[k + kAhead].hash & mask_]);
      if (k + kAhead / 2 < n) {
        const PendingKey& q = b.keys[k + kAhead / 2];
        const Slot& s = slots_[q.hash & mask_];
        if (s.file != kNoFile && s.tag == static_cast<std::uint32_t>(q.hash >> 32))
          __builtin_prefetch(arena_.data() + static_cast<std::size_t>(s.file) * 8);
      }
      const PendingKey& key = b.keys[k];
      Lookup(b, key);
      after_key(examined_before + static_cast<std::int32_t>(key.item) + 1);
    }
    if (!new_kind_ends_.empty()) {
      helper_.AddKinds(std::move(new_kind_texts_), std::move(new_kind_ends_));
      new_kind_texts_ = {};
      new_kind_ends_ = {};
    }
  }

  // Sorts the kinds by key (case-insensitive collation, then the folded
  // bytes) and lays the pairs out kind by kind, insertion order inside a
  // kind; similar mode then orders each group by file name.
  void Sort() {
    slots_.Reset();
    // Similar mode: the members' names are ranked on a helper thread while
    // the groups are sorted here (both only read the arena).
    std::vector<std::uint32_t> name_rank;
    std::exception_ptr rank_failed;
    std::thread ranker;
    if (mode_ == StoreMode::Similar) {
      std::vector<std::uint8_t> used(ordinals_, 0);
      for (const Pair& p : pairs_) used[p.file] = 1;
      std::vector<std::uint32_t> listed;  // ordinals, so the names are read in arena order
      for (std::uint32_t o = 0; o < ordinals_; ++o)
        if (used[o]) listed.push_back(o);
      ranker = std::thread([this, &name_rank, &rank_failed, listed = std::move(listed)] {
        try {
          name_rank = NameRanks(listed);
        } catch (...) {
          rank_failed = std::current_exception();
        }
      });
    }
    JoinOnExit join_ranker{ranker};
    const std::size_t g = groups_.size();
    std::vector<std::string_view> keys;
    helper_.TakeKeys(keys);
    std::vector<std::uint32_t> group_order;
    // Similar mode ranks the names on the other thread meanwhile.
    SortTexts(
        g, [&keys](std::size_t i) { return keys[i]; }, group_order, mode_ == StoreMode::Duplicate);
    keys = {};
    helper_.ReleaseKeys();

    std::vector<std::uint32_t> rank(g);
    for (std::size_t r = 0; r < g; ++r) rank[group_order[r]] = static_cast<std::uint32_t>(r);
    group_order = {};
    starts_.assign(g + 1, 0);
    for (const Pair& p : pairs_) ++starts_[rank[p.group] + 1];
    for (std::size_t r = 0; r < g; ++r) starts_[r + 1] += starts_[r];
    order_.resize(pairs_.size());
    {
      // Duplicate mode: the members as arena places at once (the pairs'
      // ordinals mostly rise, so by_ordinal_ is read nearly in order).
      const bool to_files = mode_ == StoreMode::Duplicate;
      std::vector<std::uint32_t> fill(starts_.begin(), starts_.end() - 1);
      for (const Pair& p : pairs_) order_[fill[rank[p.group]]++] = to_files ? by_ordinal_[p.file] : p.file;
    }
    pairs_ = {};
    rank_ = std::move(rank);
    if (ranker.joinable()) {
      ranker.join();
      if (rank_failed) std::rethrow_exception(rank_failed);
      OrderMembersByRank(name_rank);
      for (std::uint32_t& q : order_) q = by_ordinal_[q];
    }
  }

  // Moves the kinds and their key texts into store order, so that the
  // passes after the sort read them front to back.
  void PutKindsInStoreOrder() {
    const std::vector<std::uint32_t> rank = std::move(rank_);
    rank_ = {};
    const std::size_t g = groups_.size();
    std::vector<std::uint64_t> at(g + 1, 0);
    for (std::size_t k = 0; k < g; ++k) at[rank[k] + 1] = groups_[k].first.len;
    for (std::size_t r = 0; r < g; ++r) at[r + 1] += at[r];
    std::vector<GroupRec> sorted(g);
    std::string texts(at[g], '\0');
    for (std::size_t k = 0; k < g; ++k) {
      GroupRec gr = groups_[k];
      const std::size_t r = rank[k];
      std::memcpy(texts.data() + at[r], kind_names_.data() + gr.name_at, gr.first.len);
      gr.name_at = at[r];
      sorted[r] = gr;
    }
    groups_.swap(sorted);
    kind_names_.swap(texts);
  }

  // The group list as ReadGroups would read it back from the store. True
  // when every display name is its key (then the list is in order and
  // hashes holds the hashes of the folded names).
  bool MakeGroups(GroupSet& out, const MediaSource* names, std::vector<std::uint64_t>& hashes) const {
    const std::size_t g = groups_.size();
    out.rows.resize(g);
    hashes.resize(g);
    out.names = kind_names_;
    bool as_keys = true;
    for (std::size_t gi = 0; gi < g; ++gi) {
      const GroupRec& gr = groups_[gi];
      std::string_view key = KindName(gr);
      // The store keeps the first 91 bytes; longer names come back whole
      // from the long-name store.
      std::string_view stored = key.substr(0, PString<91>::capacity);
      GroupSet::Row& row = out.rows[gi];
      if (stored.size() >= 90 && names) {
        std::string whole = names->FullName(gr.first.id, stored);
        if (whole != key) as_keys = false;
        row.name_at = out.names.size();
        row.name_len = static_cast<std::uint32_t>(whole.size());
        out.names += whole;
      } else {
        if (stored.size() != key.size()) as_keys = false;
        row.name_at = gr.name_at;
        row.name_len = static_cast<std::uint32_t>(stored.size());
      }
      row.id = gr.first.id;
      row.time = gr.first.time;
      row.size = gr.first.size;
      row.first = static_cast<std::int32_t>(starts_[gi]);
      row.next = static_cast<std::int32_t>(starts_[gi + 1]);
      row.kind_size = row.next - row.first;
      hashes[gi] = gr.hash;
    }
    return as_keys;
  }
  std::int32_t Members() const { return static_cast<std::int32_t>(order_.size()); }

  // Writes the header.
  bool WriteHeader(File& f, const std::string& separators, std::string& err) const {
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
    return true;
  }

  // The records after the header (member section, then group section),
  // kChunkRecords at a time: each caller takes the next chunk nobody has
  // taken, so several threads can share the writing. Stops when `stop` is
  // set; sets it on a failure (err then holds the system's text).
  struct WriteShare {
    std::atomic<std::size_t> next_chunk{0};
    std::atomic<bool> kinds_ready{false};  // the group section waits for it
    std::atomic<bool> stop{false};
    std::mutex err_lock;
    std::string err;
  };
  // Sets kinds_ready when told or, failing that, at the end of its scope
  // (and then stops the writing), so that no writer waits for ever.
  struct KindsReady {
    WriteShare& share;
    void Set() {
      share.kinds_ready.store(true);
      share.kinds_ready.notify_all();
    }
    ~KindsReady() {
      if (share.kinds_ready.load()) return;
      share.stop.store(true);
      Set();
    }
  };
  void WriteChunks(File& f, WriteShare& share) const {
    const std::int64_t header = mode_ == StoreMode::Duplicate ? kDupHeaderSize : kLikeHeaderSize;
    const std::size_t n = order_.size();
    // The kinds counted by starts_: groups_ is rearranged until kinds_ready.
    const std::size_t total = n + (starts_.size() - 1);
    std::vector<StoreRecord> buf(kChunkRecords);
    for (;;) {
      if (share.stop.load(std::memory_order_relaxed)) return;
      const std::size_t begin = share.next_chunk.fetch_add(1) * kChunkRecords;
      if (begin >= total) return;
      const std::size_t end = std::min(total, begin + kChunkRecords);
      if (end > n) {
        share.kinds_ready.wait(false);
        if (share.stop.load()) return;
      }
      std::size_t used = 0;
      // Members: the kind of the first one, then walk.
      std::size_t gi = static_cast<std::size_t>(
          std::upper_bound(starts_.begin(), starts_.end(), static_cast<std::uint32_t>(std::min(begin, n))) -
          starts_.begin() - 1);
      for (std::size_t q = begin; q < std::min(end, n); ++q) {
        while (starts_[gi + 1] <= q) ++gi;
        const std::int32_t first = static_cast<std::int32_t>(starts_[gi]);
        const std::int32_t next = static_cast<std::int32_t>(starts_[gi + 1]);
        std::uint32_t file = order_[q];
        if (q + 16 < n) {
          // The head and the name: often two cache lines.
          const char* ahead = arena_.data() + static_cast<std::size_t>(order_[q + 16]) * 8;
          __builtin_prefetch(ahead);
          __builtin_prefetch(ahead + 63);
        }
        Fill(buf[used++], Head(file), Name(file), static_cast<std::int32_t>(q), next, next - first);
      }
      // Groups: the pair at the kind's start names the group (duplicate
      // mode: the first file's name; similar mode: the word as the second
      // file wrote it) and carries the first file's fields.
      for (std::size_t r = std::max(begin, n); r < end; ++r) {
        const std::size_t k = r - n;
        const std::int32_t first = static_cast<std::int32_t>(starts_[k]);
        const std::int32_t next = static_cast<std::int32_t>(starts_[k + 1]);
        const GroupRec& gr = groups_[k];
        Fill(buf[used++], gr.first, KindName(gr), first, next, next - first);
      }
      if (!f.WriteAt(header + static_cast<std::int64_t>(begin) * kStoreRecordSize, buf.data(),
                     used * sizeof(StoreRecord))) {
        std::lock_guard<std::mutex> hold(share.err_lock);
        if (!share.stop.exchange(true)) share.err = f.LastError();
        return;
      }
    }
  }

 private:
  // A distinct key: where its text lies (file, pos, len) and its group once
  // a second file matched (-1 before).
  struct Slot {
    std::uint32_t tag;
    std::uint32_t low;
    std::uint32_t file;
    std::uint16_t pos;
    std::uint16_t len;
    std::int32_t group;
  };

  void Lookup(Batch& b, const PendingKey& key) {
    std::string_view folded(b.folded.data() + key.fold_off, key.len);
    const std::uint32_t tag = static_cast<std::uint32_t>(key.hash >> 32);
    std::size_t i = key.hash & mask_;
    for (;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.file == kNoFile) break;
      if (s.tag == tag && FoldsTo(Name(s.file).substr(s.pos, s.len), folded)) {
        const std::uint32_t f = b.files[key.item];
        if (s.group < 0) {
          // Second file with this key: the kind starts with the stored file.
          s.group = static_cast<std::int32_t>(groups_.size());
          // Duplicate mode names the kind by the stored file's name; similar
          // mode by the word as this file writes it.
          std::string_view text =
              mode_ == StoreMode::Duplicate ? Name(s.file).substr(s.pos, s.len) : Name(f).substr(key.pos, key.len);
          GroupRec gr{Head(s.file), kind_names_.size(), key.hash};
          gr.first.len = static_cast<std::uint16_t>(text.size());
          kind_names_.append(text);
          groups_.push_back(gr);
          ++kinds;
          new_kind_texts_.append(folded);
          new_kind_ends_.push_back(static_cast<std::uint32_t>(new_kind_texts_.size()));
          pairs_.push_back(Pair{static_cast<std::uint32_t>(s.group), Head(s.file).ordinal});
          ++results;
        }
        pairs_.push_back(Pair{static_cast<std::uint32_t>(s.group), Head(f).ordinal});
        ++results;
        return;
      }
    }
    const std::uint32_t f = b.files[key.item];
    slots_[i] = Slot{tag, static_cast<std::uint32_t>(key.hash), f, key.pos, key.len, -1};
    ++count_;
  }

  void Rehash(std::size_t need) {
    std::size_t cap = 1024;
    while (cap < need * 2) cap <<= 1;
    if (cap <= slots_.size()) return;
    LargeArray<Slot> old = std::move(slots_);
    slots_ = LargeArray<Slot>(cap);
    for (Slot& s : slots_) s = Slot{0, 0, kNoFile, 0, 0, -1};
    mask_ = cap - 1;
    for (const Slot& s : old) {
      if (s.file == kNoFile) continue;
      std::size_t i = s.low & mask_;
      while (slots_[i].file != kNoFile) i = (i + 1) & mask_;
      slots_[i] = s;
    }
  }

  // Ranks of the names of the listed files (ordinals), by ordinal: names
  // that collate equal share a rank.
  std::vector<std::uint32_t> NameRanks(const std::vector<std::uint32_t>& listed) const {
    NoCaseCollator coll;
    // Names that fold alike collate alike: one sort key per folded name.
    std::vector<std::uint32_t> name_of(listed.size());  // distinct folded name of each listed file
    std::vector<std::uint64_t> folded_off{0};
    std::string folded;
    {
      std::vector<std::uint32_t> table;
      std::size_t mask = 1023;
      while (mask + 1 < listed.size() * 2) mask = mask * 2 + 1;
      table.assign(mask + 1, kNoFile);
      std::vector<std::uint32_t> hashes;
      std::vector<std::uint64_t> batch_off;
      constexpr std::size_t kBatch = 4096;
      for (std::size_t b = 0; b < listed.size(); b += kBatch) {
        const std::size_t e = std::min(listed.size(), b + kBatch);
        // Fold and hash a batch ahead of the look-ups, so their slots can
        // be fetched early.
        const std::size_t base = folded.size();
        std::vector<std::uint64_t>& at = batch_off;
        at.clear();
        hashes.clear();
        for (std::size_t i = b; i < e; ++i) {
          at.push_back(folded.size());
          AppendFolded(Name(by_ordinal_[listed[i]]), folded);
          hashes.push_back(static_cast<std::uint32_t>(
              HashBytes(std::string_view(folded.data() + at.back(), folded.size() - at.back()))));
        }
        at.push_back(folded.size());
        std::size_t keep = base;  // the batch's new names are moved down to here
        for (std::size_t i = b; i < e; ++i) {
          const std::size_t k = i - b;
          if (k + 8 < e - b) __builtin_prefetch(&table[hashes[k + 8] & mask]);
          std::string_view t(folded.data() + at[k], at[k + 1] - at[k]);
          std::size_t slot = hashes[k] & mask;
          for (;; slot = (slot + 1) & mask) {
            std::uint32_t d = table[slot];
            if (d == kNoFile) {
              d = static_cast<std::uint32_t>(folded_off.size() - 1);
              table[slot] = d;
              std::memmove(folded.data() + keep, t.data(), t.size());
              keep += t.size();
              folded_off.push_back(keep);
              name_of[i] = d;
              break;
            }
            if (std::string_view(folded.data() + folded_off[d], folded_off[d + 1] - folded_off[d]) == t) {
              name_of[i] = d;
              break;
            }
          }
        }
        folded.resize(keep);
      }
    }
    const std::size_t distinct = folded_off.size() - 1;
    std::vector<std::uint64_t> off(distinct + 1);
    std::string keys;
    for (std::size_t d = 0; d < distinct; ++d) {
      off[d] = keys.size();
      coll.AppendFoldedKey(std::string_view(folded.data() + folded_off[d], folded_off[d + 1] - folded_off[d]), keys);
    }
    off[distinct] = keys.size();
    folded = {};
    folded_off = {};
    std::vector<std::uint32_t> sorted;
    SortKeyTexts(keys, off, sorted);
    // Names whose keys are equal share a rank.
    std::vector<std::uint32_t> name_rank(distinct, 0);
    std::uint32_t r = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      std::uint32_t a = sorted[i];
      if (i > 0) {
        std::uint32_t b = sorted[i - 1];
        if (std::string_view(keys.data() + off[a], off[a + 1] - off[a]) !=
            std::string_view(keys.data() + off[b], off[b + 1] - off[b]))
          ++r;
      }
      name_rank[a] = r;
    }
    std::vector<std::uint32_t> rank(ordinals_, 0);
    for (std::size_t i = 0; i < listed.size(); ++i) rank[listed[i]] = name_rank[name_of[i]];
    return rank;
  }

  // Similar mode: inside each word group the members follow their names'
  // ranks; equal ranks keep their order.
  void OrderMembersByRank(const std::vector<std::uint32_t>& rank) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tmp;
    for (std::size_t gi = 0; gi + 1 < starts_.size(); ++gi) {
      std::size_t b = starts_[gi], e = starts_[gi + 1];
      tmp.clear();
      if (e - b < 2) continue;
      for (std::size_t q = b; q < e; ++q) tmp.emplace_back(rank[order_[q]], order_[q]);
      std::stable_sort(tmp.begin(), tmp.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
      for (std::size_t q = b; q < e; ++q) order_[q] = tmp[q - b].second;
    }
  }

  static void Fill(StoreRecord& r, const FileHead& h, std::string_view name, std::int32_t pos, std::int32_t next,
                   std::int32_t size) {
    // The name field whole: its length, its bytes, zeros after them.
    const std::size_t len = std::min(name.size(), PString<91>::capacity);
    r.Name.len = static_cast<std::uint8_t>(len);
    std::memcpy(r.Name.data, name.data(), len);
    std::memset(r.Name.data + len, 0, PString<91>::capacity - len);
    r.EntryId = h.id;
    r.Time = h.time;
    r.Size32 = h.size;
    r.Position = pos;
    r.NextKind = next;
    r.KindSize = size;
  }

  static bool Failed(File& f, std::string& err) {
    err = f.LastError();
    return false;
  }

  StoreMode mode_;
  const SeparatorSet& set_;
  Arena arena_;
  std::uint32_t ordinals_ = 0;
  std::vector<std::uint32_t> by_ordinal_;  // arena offset / 8 of each file
  LargeArray<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
  std::vector<GroupRec> groups_;
  std::string kind_names_;           // key texts of the kinds, back to back
  std::vector<std::uint32_t> rank_;  // after the sort: place of each kind in store order
  std::vector<Pair> pairs_;
  std::vector<std::uint32_t> starts_;  // after the sort: first member of each kind, in store order
  std::vector<std::uint32_t> order_;   // after the sort: the members, as arena offset / 8
  std::string new_kind_texts_;  // folded keys of the kinds not yet handed to helper_
  std::vector<std::uint32_t> new_kind_ends_;
  RunHelper helper_;
};

// ---- reading records -----------------------------------------------------------

std::string DisplayName(const StoreRecord& r, const MediaSource* names) {
  std::string_view stored = r.Name.view();
  if (stored.size() >= 90 && names) return names->FullName(r.EntryId, stored);
  return std::string(stored);
}

RowFields FieldsOf(const StoreRecord& r) {
  RowFields f;
  f.id = r.EntryId;
  f.time = r.Time;
  f.size = r.Size32;
  f.first = r.Position;
  f.next = r.NextKind;
  f.kind_size = r.KindSize;
  return f;
}

StoreRow RowOf(const StoreRecord& r, const MediaSource* names) {
  StoreRow row;
  static_cast<RowFields&>(row) = FieldsOf(r);
  row.name = DisplayName(r, names);
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

// Puts the rows in the order of their display names: case-insensitive
// collation, then the folded bytes, then file order. A store this program
// wrote is in that order already, apart from long display names.
void SortRows(GroupSet& set) {
  const std::size_t n = set.rows.size();
  NoCaseCollator coll;
  std::vector<std::uint64_t> off(n + 1);
  std::string keys;
  for (std::size_t i = 0; i < n; ++i) {
    off[i] = keys.size();
    coll.AppendKey(set.NameOf(i), keys);
    keys.push_back('\0');
    AppendFolded(set.NameOf(i), keys);
  }
  off[n] = keys.size();
  auto key = [&](std::size_t i) { return std::string_view(keys.data() + off[i], off[i + 1] - off[i]); };
  bool sorted = true;
  for (std::size_t i = 1; i < n && sorted; ++i) sorted = !(key(i) < key(i - 1));
  if (sorted) return;
  std::vector<std::uint32_t> idx;
  SortKeyTexts(keys, off, idx);
  std::vector<GroupSet::Row> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = set.rows[idx[i]];
  set.rows.swap(out);
}

}  // namespace

// ---- GroupSet -------------------------------------------------------------------

void GroupSet::Clear() {
  rows = {};
  names = {};
  lookup.Clear();
  groups = 0;
  members = 0;
  format = 0;
  has_separators = false;
  separators.clear();
}

StoreRow GroupSet::RowAt(std::size_t i) const {
  StoreRow row;
  static_cast<RowFields&>(row) = rows[i];
  row.name = std::string(NameOf(i));
  return row;
}

void GroupSet::BuildLookup() {
  lookup.Clear();
  lookup.Reserve(rows.size());
  // Each name folded once, where it lies in names (folding keeps lengths).
  std::string folded(names.size(), '\0');
  std::vector<std::uint64_t> hashes(rows.size());
  auto folded_of = [&](std::size_t i) { return std::string_view(folded.data() + rows[i].name_at, rows[i].name_len); };
  std::string one;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    one.clear();
    AppendFolded(NameOf(i), one);
    std::memcpy(folded.data() + rows[i].name_at, one.data(), one.size());
    hashes[i] = HashBytes(one);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i + 16 < rows.size()) lookup.Prefetch(hashes[i + 16]);
    lookup.InsertIfAbsent(static_cast<std::uint32_t>(i), folded_of(i), hashes[i],
                          [this](std::uint32_t k) { return NameOf(k); });
  }
}

std::uint32_t GroupSet::Find(std::string_view name) const {
  std::string folded;
  AppendFolded(name, folded);
  return lookup.Find(folded, HashBytes(folded), [this](std::uint32_t k) { return NameOf(k); });
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
    // Group records of the similar store hold words, not file names: the
    // long-name lookup would put a file's name in place of a long word.
    const std::string name = DisplayName(r, mode == StoreMode::Duplicate ? names : nullptr);
    GroupSet::Row row;
    static_cast<RowFields&>(row) = FieldsOf(r);
    row.name_at = out.names.size();
    row.name_len = static_cast<std::uint32_t>(name.size());
    out.names += name;
    out.rows.push_back(row);
    return r.NextKind != 0;
  });
  f.reset();
  SortRows(out);
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
  if (release_.joinable()) release_.join();
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
  row = groups_.RowAt(static_cast<std::size_t>(i));
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
  // The store keeps a word's first 91 bytes.
  std::uint32_t i = groups_.Find(word.substr(0, PString<91>::capacity));
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

std::vector<std::string> ResultStore::WordsOf(std::string_view name, int kind) {
  return CutWords(name, kind, SeparatorSet(Separators()));
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

  auto show_counters = [&](std::int32_t examined) {
    if (progress)
      progress->Counters(FormatNumber(examined), FormatNumber(run.kinds), FormatNumber(run.results));
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
  auto after_key = [&](std::int32_t examined) {
    if (examined % 1000 == 0 && progress) {
      show_counters(examined);
      progress->ProcessEvents();
    }
  };
  std::size_t total_entries = 0;
  for (int m = 0; m < used; ++m)
    if (!media.Medium(m).Name.empty()) total_entries += static_cast<std::size_t>(std::max(0, media.Medium(m).EntryCount));
  run.Reserve(total_entries);
  // While the files of one medium are looked up, those of the next are
  // prepared on a helper thread. The progress texts of a medium are shown
  // when its look-ups begin.
  constexpr std::size_t kThreadedBatch = 4096;  // smaller batches are prepared in line
  Run::Batch batches[2];
  std::vector<std::string> texts[2];  // progress texts to show before each batch
  std::vector<std::string> unshown;   // of media not in a batch yet
  auto show = [&](std::vector<std::string>& t) {
    if (progress)
      for (const std::string& line : t) {
        progress->Status(line);
        progress->ProcessEvents();
      }
    t.clear();
  };
  auto examine = [&](int i) {
    show(texts[i]);
    run.Examine(batches[i], out.examined, after_key);
    out.examined += static_cast<std::int32_t>(batches[i].files.size());
    show_counters(out.examined);
  };
  int waiting = -1, fill = 0;
  int k = 0;
  for (int m = 0; m < used; ++m) {
    if (media.Medium(m).Name.empty()) continue;
    ++k;
    unshown.push_back(searching + std::to_string(k) + "/" + std::to_string(live) + media_text);
    // A medium whose entries cannot be read adds nothing (its identifiers
    // must not name another medium's entries).
    if (!media.LoadMedium(m)) continue;
    Run::Batch& b = batches[fill];
    texts[fill].swap(unshown);
    run.Collect(media, m, b);
    std::future<void> prepared;
    if (waiting >= 0 && b.files.size() >= kThreadedBatch && run.HelperReady())
      prepared = run.OnHelper([&run, &b] { run.Prepare(b); });
    else
      run.Prepare(b);
    {
      WaitOnExit wait_for_helper{prepared};
      if (waiting >= 0) examine(waiting);
      if (prepared.valid()) run.WaitForHelper(prepared);
    }
    if (prepared.valid()) prepared.get();
    waiting = fill;
    fill ^= 1;
  }
  if (waiting >= 0) examine(waiting);
  show(unshown);
  show_counters(out.examined);
  out.kinds = run.kinds;
  out.results = run.results;

  if (progress) {
    progress->Status(FormatNumber(run.results) + Sj("ファイルのソート中..."));
    progress->ProcessEvents();
  }
  run.Sort();

  if (progress) {
    progress->Status(Sj("最後のオマジナイ..."));
    progress->ProcessEvents();
  }
  // Written beside the store and renamed over it only when complete, so an
  // interrupted or failed run never leaves a store that loads as complete.
  FileSystem& fs = *Platform().files;
  if (path_.empty()) {
    out.error = std::strerror(ENOENT);  // no catalog open: nowhere to write
    return out;
  }
  const std::string tmp = path_ + ".tmp";
  const std::string separators = mode_ == StoreMode::Similar ? Separators() : std::string();

  // The group list is what LoadGroups would read back from the new store;
  // it is taken from the run instead. A helper thread starts writing the
  // members meanwhile; this thread puts the kinds in store order, makes the
  // list and then joins the writing.
  GroupSet groups;
  groups.format = mode_ == StoreMode::Duplicate ? kDupFormat : kLikeFormat;
  groups.groups = run.kinds;
  groups.members = run.Members();
  if (mode_ == StoreMode::Similar) {
    groups.has_separators = true;
    groups.separators = std::string(text::CutBytesSafe(separators, 127));
  }
  std::string err;
  auto f = fs.Open(tmp, OpenMode::CreateTrunc, err);
  bool written = f && run.WriteHeader(*f, separators, err);
  if (written) {
    Run::WriteShare share;
    {
      std::thread writer;
      JoinOnExit join_writer{writer};
      Run::KindsReady ready{share};  // also when this thread fails on the way
      // No sync before the rename: the store can always be made again by a
      // run, and the rename alone keeps a half-written file from standing in
      // for a store.
      writer = std::thread([&] { run.WriteChunks(*f, share); });
      run.PutKindsInStoreOrder();
      ready.Set();
      std::vector<std::uint64_t> hashes;
      if (run.MakeGroups(groups, mode_ == StoreMode::Duplicate ? names_ : nullptr, hashes)) {
        groups.lookup.BuildDistinct(hashes);
      } else {
        // Some display name is not its key: order and hash by display names.
        hashes = {};
        SortRows(groups);
        groups.BuildLookup();
      }
      run.WriteChunks(*f, share);
    }
    if (share.stop.load()) {
      written = false;
      err = share.err;
    }
  }
  f.reset();
  // The store it replaces is let go on a helper thread: dropping a big
  // file (its blocks and cached pages) takes a good part of a second.
  std::unique_ptr<File> replaced;
  if (written && fs.Exists(path_)) {
    std::string ignored;
    replaced = fs.Open(path_, OpenMode::Read, ignored);
  }
  if (written) written = fs.Rename(tmp, path_, err);
  if (replaced) {
    if (release_.joinable()) release_.join();
    release_ = std::thread([file = std::move(replaced)]() mutable { file.reset(); });
  }
  if (!written) {
    std::string ignored;
    fs.Remove(tmp, ignored);
    out.error = err;
    // The previous store, if any, is still whole: show it again.
    LoadGroups();
    return out;
  }
  out.ok = true;
  Install(std::move(groups));
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
