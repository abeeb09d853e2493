#include "reading/scanner.h"

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <cstring>
#include <numeric>
#include <vector>

#include "platform/dir_walk.h"
#include "platform/file_version.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

namespace {

const std::string& ReadingText() {
  static const std::string t = text::Utf8ToCp932("メディア情報読込中...");
  return t;
}

std::string CutMessage(int capacity) {
  return text::Utf8ToCp932("フォルダとファイルの数が登録できる上限(" + FormatNumber(capacity) +
                           "件)に達しました。\r\n上限を超えた分は登録されません。");
}

}  // namespace

std::string CountText(int folders, int files) {
  return std::to_string(folders + files) + "(" + std::to_string(folders) + "+" + std::to_string(files) + ")";
}

std::string DriveKindName(int kind) {
  static const char* const kNames[] = {"管理ファイル", "FD", "HD", "リムーバブル", "CD/DVD", "ネットワーク", "RAM-DISK", "???"};
  return text::Utf8ToCp932(kind >= 0 && kind <= 7 ? kNames[kind] : kNames[7]);
}

std::string DefaultClassification(int kind) {
  static const char* const kNames[] = {"", "FD", "HD", "リムーバブル", "CD/DVD", "ネットワーク", "RAM-DISK", "???"};
  if (kind < 0 || kind > 7) return {};
  return text::Utf8ToCp932(kNames[kind]);
}

// Last-write times repeat a lot within a tree; converting each to local
// time is the costly part, so remember the last few seconds seen.
class Scanner::TimeCache {
 public:
  DosTime Get(std::int64_t t) {
    if (t == 0) return 0;
    Slot& s = slots_[static_cast<std::uint64_t>(t) % kSlots];
    if (s.valid && s.t == t) return s.v;
    s.valid = true;
    s.t = t;
    s.v = DosTimeFromUnix(static_cast<std::time_t>(t));
    return s.v;
  }

 private:
  struct Slot {
    std::int64_t t = 0;
    DosTime v = 0;
    bool valid = false;
  };
  static constexpr std::size_t kSlots = 4096;
  Slot slots_[kSlots];
};


struct Scanner::Pending {
  ScanRecord rec;
  std::string name;  // cp932
  std::string raw;   // native
  bool stat_ok = true;
  std::size_t key_off = 0, key_len = 0;
};

// One folder's entries, sorted by name.
struct Scanner::Listing {
  std::string path;  // native
  bool listed = false;
  bool complete = false;  // listed to the end
  std::size_t n = 0;
  std::vector<Pending> entries;  // [0, n) in use; reused between folders
  std::vector<int> order;        // sorted positions
  std::string keys;
};

Scanner::Scanner() = default;
Scanner::~Scanner() = default;

namespace {

// Whether a listed entry's own folder is walked later: folders on another
// filesystem are mount points of other drives, recorded but not walked.
bool Walked(const ScanRecord& r) { return r.Kind == kKindFolder && r.FirstChild != -2; }

std::string JoinNative(const std::string& folder, std::string_view name) {
  std::string p = folder;
  if (p.empty() || p.back() != '/') p += '/';
  p += name;
  return p;
}

}  // namespace

// Lists one folder (not recursive) and sorts its entries. Runs on the
// listing thread when there is one, so it touches nothing of the scanner
// but its arguments.
void Scanner::ListInto(Listing& l, const std::string& path, bool check_dev, std::uint64_t root_dev,
                       TimeCache& times) {
  l.path = path;
  l.n = 0;
  std::size_t& n = l.n;
  auto& pending = l.entries;
  std::string err;
  l.listed = Platform().dirs->List(path, [&](const DirEntry& e) {
    if (n == pending.size()) pending.emplace_back();
    Pending& p = pending[n++];
    ScanRecord& r = p.rec;
    r = ScanRecord{};
    bool folder = (e.attributes & 0x10) != 0;
    r.Kind = folder ? kKindFolder : kKindFile;
    r.Attributes = static_cast<std::int16_t>(static_cast<std::int8_t>(e.attributes));
    // A folder's size is what its files hold; the directory's own size
    // counts only as its cluster.
    r.Size = folder ? 0.0 : static_cast<double>(e.size);
    r.Time = e.stat_ok ? times.Get(e.mtime) : 0;
    p.name = e.name;
    p.raw = e.raw_name;
    p.stat_ok = e.stat_ok;
    if (folder && check_dev && e.stat_ok && e.dev != 0 && e.dev != root_dev) r.FirstChild = -2;
  }, &err);
  if (!l.listed) n = 0;
  l.complete = l.listed && err.empty();
}

// Sorts the entries of a listing (or only the folders to walk) by the
// collation's keys; equal keys keep a fixed order by the names' bytes so
// that the same tree always reads the same.
void Scanner::SortOrder(Listing& l, std::vector<int>& order, std::string& keys, bool walked_only) {
  auto& pending = l.entries;
  order.clear();
  for (std::size_t i = 0; i < l.n; ++i)
    if (!walked_only || Walked(pending[i].rec)) order.push_back(static_cast<int>(i));
  if (order.size() < 2) return;
  keys.clear();
  for (int i : order) {
    Pending& p = pending[static_cast<std::size_t>(i)];
    p.key_off = keys.size();
    text::AppendSortKey(p.name, keys);
    p.key_len = keys.size() - p.key_off;
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const Pending& pa = pending[static_cast<std::size_t>(a)];
    const Pending& pb = pending[static_cast<std::size_t>(b)];
    std::string_view ka(keys.data() + pa.key_off, pa.key_len), kb(keys.data() + pb.key_off, pb.key_len);
    int c = ka.compare(kb);
    if (c != 0) return c < 0;
    c = pa.name.compare(pb.name);
    if (c != 0) return c < 0;
    return pa.raw < pb.raw || (pa.raw == pb.raw && a < b);
  });
}

// Hands listings from a thread that walks the tree breadth-first (in the
// order the scanner asks for them) to the scanner, a bounded number ahead.
// The thread lists every folder it meets, so the scanner consumes (and
// drops) the listings of folders it did not store as well.
class Scanner::ListingThread {
 public:
  ListingThread(const std::string& root, bool check_dev, std::uint64_t root_dev)
      : thread_([this, root, check_dev, root_dev] {
          try {
            Run(root, check_dev, root_dev);
          } catch (...) {  // out of memory: the reader gives up on the read
            std::lock_guard lock(mu_);
            failed_ = true;
          }
          cv_.notify_all();
        }) {}
  ~ListingThread() {
    {
      std::lock_guard lock(mu_);
      stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

  // The next listing, in breadth-first order; give it back with Recycle.
  std::unique_ptr<Listing> Next() {
    std::unique_lock lock(mu_);
    if (ready_.empty()) {
      consumer_waits_ = true;
      cv_.wait(lock, [this] { return !ready_.empty() || failed_; });
      consumer_waits_ = false;
      if (ready_.empty()) throw std::bad_alloc();
    }
    auto l = std::move(ready_.front());
    ready_.pop_front();
    in_flight_ -= l->n + 1;
    // Wake the lister only when it waits for room.
    if (producer_waits_ && in_flight_ < kMaxInFlight) cv_.notify_all();
    return l;
  }
  void Recycle(std::unique_ptr<Listing> l) {
    std::lock_guard lock(mu_);
    free_.push_back(std::move(l));
  }

 private:
  static constexpr std::size_t kMaxInFlight = 1 << 14;  // entries listed ahead

  void Run(const std::string& root, bool check_dev, std::uint64_t root_dev) {
    TimeCache times;
    std::vector<int> folders;
    std::string keys;
    std::deque<std::string> paths{root};
    while (!paths.empty()) {
      std::unique_ptr<Listing> l;
      {
        std::unique_lock lock(mu_);
        if (!stop_ && in_flight_ >= kMaxInFlight) {
          producer_waits_ = true;
          cv_.wait(lock, [this] { return stop_ || in_flight_ < kMaxInFlight; });
          producer_waits_ = false;
        }
        if (stop_) return;
        if (!free_.empty()) {
          l = std::move(free_.back());
          free_.pop_back();
        }
      }
      if (!l) l = std::make_unique<Listing>();
      ListInto(*l, paths.front(), check_dev, root_dev, times);
      paths.pop_front();
      // The folders in the order the scanner will store them; sorting the
      // whole listing is left to the scanner's thread.
      SortOrder(*l, folders, keys, true);
      for (int i : folders) paths.push_back(JoinNative(l->path, l->entries[static_cast<std::size_t>(i)].raw));
      bool wake;
      {
        std::lock_guard lock(mu_);
        in_flight_ += l->n + 1;
        ready_.push_back(std::move(l));
        wake = consumer_waits_;
      }
      if (wake) cv_.notify_all();
    }
  }

  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::unique_ptr<Listing>> ready_;
  std::vector<std::unique_ptr<Listing>> free_;
  std::size_t in_flight_ = 0;
  bool stop_ = false;
  bool failed_ = false;
  bool consumer_waits_ = false;
  bool producer_waits_ = false;
  std::thread thread_;
};

void Scanner::Status(int panel, std::string_view t) {
  if (onStatus) onStatus(panel, t);
}

void Scanner::Pump() {
  if (onPump) onPump();
}

// Stores a folder's listing after the last record. `walk` receives, for
// every entry whose folder is walked later, its record index (-1 when it
// was not stored) in the order the listings will come. True when the
// folder had any entry (stored or not).
bool Scanner::StoreListing(Listing& l, int parent, std::deque<int>& walk, bool all) {
  if (parent >= 0 && !l.complete) ++gaps_.folders;
  SortOrder(l, l.order, l.keys, false);
  std::string version;
  for (std::size_t j = 0; j < l.n; ++j) {
    const Pending& p = l.entries[static_cast<std::size_t>(l.order[j])];
    if (parent < 0 || buffer_.Count() >= capacity) {
      if (parent >= 0) ++skipped_;
      if (all && Walked(p.rec)) walk.push_back(-1);
      continue;
    }
    ScanRecord r = p.rec;
    r.Parent = parent;
    int k = buffer_.Count();
    version.clear();
    if (r.Kind == kKindFolder) {
      ++folders_;
      if (r.Time) {
        if (info_.MinFolderTime == 0 || r.Time < info_.MinFolderTime) info_.MinFolderTime = r.Time;
        if (info_.MaxFolderTime == 0 || r.Time > info_.MaxFolderTime) info_.MaxFolderTime = r.Time;
      }
    } else {
      ++files_;
      if (!p.stat_ok) ++gaps_.files;
      if (read_versions_) {
        Status(kStatusPanelMain, ReadingText() + std::to_string(k - 1));
        Status(kStatusPanelPath, buffer_.FolderPath(parent, target_.drive) + "\\" + p.name);
        Pump();
        std::string file_path = JoinNative(l.path, p.raw);
        version = readVersion ? readVersion(file_path) : Platform().versions->FileVersion(file_path);
      }
      if (r.Time) {
        if (info_.MinFileTime == 0 || r.Time < info_.MinFileTime) info_.MinFileTime = r.Time;
        if (info_.MaxFileTime == 0 || r.Time > info_.MaxFileTime) info_.MaxFileTime = r.Time;
      }
      if (info_.MinFileSize == -1.0 || info_.MinFileSize > r.Size) info_.MinFileSize = r.Size;
      if (info_.MaxFileSize < r.Size) info_.MaxFileSize = r.Size;
    }
    if (!read_versions_ && (k - 1) % 100 == 0) {
      Status(kStatusPanelMain, ReadingText() + std::to_string(k - 1));
      Status(kStatusPanelPath, buffer_.FolderPath(parent, target_.drive));
      Pump();
    }
    if (Walked(r)) walk.push_back(k);
    if (r.FirstChild == -2) r.FirstChild = -1;  // another filesystem: not walked
    buffer_.Append(r, p.name, r.Kind == kKindFolder ? std::string_view(p.raw) : std::string_view(), version);
  }
  return l.n > 0;
}

bool Scanner::ReadMedium(const ScanTarget& target, const ScanChoices& choices) {
  Pump();
  target_ = target;
  buffer_.Clear();
  info_ = TMediaInfomation{};
  info_.FirstLongName = choices.first_long_name;
  skipped_ = 0;
  gaps_ = ReadGaps{};
  folders_ = files_ = 0;
  read_versions_ = choices.read_versions;
  std::string drive = target.drive.substr(0, 1);

  struct stat st;
  bool check_dev = ::stat(target.root_path.c_str(), &st) == 0;
  std::uint64_t root_dev = check_dev ? static_cast<std::uint64_t>(st.st_dev) : 0;

  // Listings come from a thread that walks ahead, or are made here in turn.
  std::unique_ptr<ListingThread> ahead;
  if (listAhead) ahead = std::make_unique<ListingThread>(target.root_path, check_dev, root_dev);
  Listing local;
  TimeCache times;
  auto next = [&](const std::string& path) -> Listing& {
    if (ahead) {
      current_ = ahead->Next();
      return *current_;
    }
    ListInto(local, path, check_dev, root_dev, times);
    return local;
  };
  auto done = [&] {
    if (ahead && current_) ahead->Recycle(std::move(current_));
  };

  ScanRecord root;
  root.Parent = -1;
  root.FirstChild = 1;
  root.Kind = target.kind;
  root.Attributes = 16;
  root.Time = NowDosTime();
  buffer_.Append(root, choices.medium_name, "", "");

  std::deque<int> walk;  // folders to list, in order: record index or -1
  bool found = StoreListing(next(target.root_path), 0, walk, ahead != nullptr);
  done();
  if (!found || buffer_.Count() == 1) {
    ahead.reset();
    buffer_.Clear();
    gaps_ = ReadGaps{};
    Status(kStatusPanelPath, "");
    return false;
  }

  Status(kStatusPanelMain, ReadingText());
  info_.Drive = text::ToLower(drive);
  info_.DriveTypeName = DriveKindName(target.kind);
  info_.Classification = choices.classification.empty() ? DefaultClassification(target.kind)
                                                        : choices.classification;
  info_.Location = choices.location;
  info_.LocationDetail = choices.location_detail;
  info_.ClusterSize = target.cluster_size;
  info_.FreeSpace = target.free_space;
  info_.VolumeName = choices.volume_name;
  info_.SerialNo = choices.serial_no;

  // Breadth-first: every stored folder is listed in the order it was
  // stored, its entries appended after the last record.
  std::vector<int> chain;
  std::string path;
  while (!walk.empty()) {
    int i = walk.front();
    walk.pop_front();
    if (!ahead) {
      chain.clear();
      for (int k = i; k > 0; k = buffer_[k].Parent) chain.push_back(k);
      path = target.root_path;
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) path = JoinNative(path, buffer_.RawName(*it));
    }
    int n = buffer_.Count();
    StoreListing(next(path), i, walk, ahead != nullptr);
    done();
    if (i >= 0 && buffer_.Count() > n) buffer_[i].FirstChild = n;
  }
  ahead.reset();

  buffer_.SetTexts(0, choices.medium_name, "", CountText(folders_, files_));
  if (choices.eject && target.kind == kKindOptical && onEject) onEject(drive);

  SumSizes(buffer_, target.cluster_size);
  CountFolders(buffer_);

  Status(kStatusPanelMain, "");
  Status(kStatusPanelPath, "");
  Pump();
  if (skipped_ > 0)
    Platform().messages->Show(CutMessage(capacity), "Ferrovan", MsgIcon::Warning, MsgButtons::Ok);
  return true;
}

Scanner& TheScanner() {
  static Scanner s;
  return s;
}

void SumSizes(ScanBuffer& b, std::int32_t cluster_size) {
  int last = b.Count() - 1;
  if (last < 0) return;
  const double cluster = cluster_size;
  double size_sum = 0, alloc_sum = 0;
  int p = b[last].Parent;
  for (int i = last; i >= 0; --i) {
    ScanRecord& r = b[i];
    if (r.Parent != p) {
      ScanRecord& g = b[p];
      g.Size = size_sum;
      g.ClusterBytes = alloc_sum != 0 ? alloc_sum : cluster;
      size_sum = alloc_sum = 0;
      p = r.Parent;
    }
    size_sum += r.Size;
    if (r.Kind == kKindFile && r.Size != 0) {
      auto size = static_cast<std::int64_t>(r.Size);
      // Without a cluster size (a failed geometry query) a file occupies
      // exactly its size.
      r.ClusterBytes = cluster_size > 0
                           ? static_cast<double>((size + cluster_size - 1) / cluster_size * cluster_size)
                           : r.Size;
    }
    if (r.Kind == kKindFolder) {
      alloc_sum += cluster;
      if (r.ClusterBytes == 0) r.ClusterBytes = cluster;
    }
    alloc_sum += r.ClusterBytes;
  }
}

void CountFolders(ScanBuffer& b) {
  int last = b.Count() - 1;
  if (last < 0) return;
  int p = b[last].Parent;
  std::int32_t folders = 0, files = 0, folder_sum = 0, file_sum = 0;
  for (int i = last; i >= 0; --i) {
    ScanRecord& r = b[i];
    if (r.Parent != p) {
      ScanRecord& g = b[p];
      g.DirectFolders = static_cast<std::int16_t>(std::min(folders, 32767));
      g.DirectFiles = files;
      g.AllFolders = static_cast<std::int16_t>(std::min(folders + folder_sum, 32767));
      g.AllFiles = files + file_sum;
      folders = files = folder_sum = file_sum = 0;
      p = r.Parent;
    }
    if (p == -1) break;
    if (r.Kind == kKindFile)
      ++files;
    else
      ++folders;
    folder_sum += r.AllFolders;
    file_sum += r.AllFiles;
  }
}

}  // namespace fv
