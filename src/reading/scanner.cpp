#include "reading/scanner.h"

#include <sys/stat.h>

#include <algorithm>
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

// Last-write times repeat a lot within a tree; converting each to local
// time is the costly part, so remember the last few seconds seen.
class DosTimeCache {
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

struct Scanner::Pending {
  ScanRecord rec;
  std::string name;  // cp932
  std::string raw;   // native
  std::size_t key_off = 0, key_len = 0;
};

void Scanner::Status(int panel, std::string_view t) {
  if (onStatus) onStatus(panel, t);
}

void Scanner::Pump() {
  if (onPump) onPump();
}

// One folder, not recursive: its entries become records after the last
// one, sorted by name. True when the folder had any entry (stored or not).
bool Scanner::ListFolder(const std::string& native_path, int parent) {
  // Reused between folders so that steady state allocates nothing.
  static thread_local std::vector<Pending> pending;
  static thread_local std::vector<int> order;
  static thread_local std::string keys;
  static thread_local DosTimeCache times;

  std::size_t n = 0;
  DirectoryWalker& walker = *Platform().dirs;
  bool listed = walker.List(native_path, [&](const DirEntry& e) {
    if (n == pending.size()) pending.emplace_back();
    Pending& p = pending[n++];
    ScanRecord& r = p.rec;
    r = ScanRecord{};
    r.Parent = parent;
    bool folder = (e.attributes & 0x10) != 0;
    r.Kind = folder ? kKindFolder : kKindFile;
    r.Attributes = static_cast<std::int16_t>(static_cast<std::int8_t>(e.attributes));
    // A folder's size is what its files hold; the directory's own size
    // counts only as its cluster.
    r.Size = folder ? 0.0 : static_cast<double>(e.size);
    r.Time = e.stat_ok ? times.Get(e.mtime) : 0;
    p.name = e.name;
    p.raw = e.raw_name;
    // Folders on another filesystem are mount points of other drives: they
    // are recorded but not walked (FirstChild -2 marks them until then).
    if (folder && check_dev_ && e.stat_ok && e.dev != 0 && e.dev != root_dev_) r.FirstChild = -2;
  });
  if (!listed || n == 0) return false;

  // Sort by the collation's keys; equal keys keep a fixed order by the
  // names' bytes so that the same tree always reads the same.
  keys.clear();
  for (std::size_t i = 0; i < n; ++i) {
    pending[i].key_off = keys.size();
    text::AppendSortKey(pending[i].name, keys);
    pending[i].key_len = keys.size() - pending[i].key_off;
  }
  order.resize(n);
  std::iota(order.begin(), order.end(), 0);
  if (n > 1) {
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

  std::string version;
  for (std::size_t j = 0; j < n; ++j) {
    if (buffer_.Count() >= capacity) {
      skipped_ += static_cast<std::int64_t>(n - j);
      break;
    }
    int idx = order[j];
    Pending& p = pending[static_cast<std::size_t>(idx)];
    ScanRecord& r = p.rec;
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
      if (read_versions_) {
        std::string file_path = native_path;
        if (file_path.empty() || file_path.back() != '/') file_path += '/';
        file_path += p.raw;
        Status(kStatusPanelMain, ReadingText() + std::to_string(k - 1));
        Status(kStatusPanelPath, buffer_.FolderPath(parent, target_.drive) + "\\" + p.name);
        Pump();
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
    buffer_.Append(r, p.name, r.Kind == kKindFolder ? std::string_view(p.raw) : std::string_view(), version);
  }
  return true;
}

bool Scanner::ReadMedium(const ScanTarget& target, const ScanChoices& choices) {
  Pump();
  target_ = target;
  buffer_.Clear();
  info_ = TMediaInfomation{};
  info_.FirstLongName = choices.first_long_name;
  skipped_ = 0;
  folders_ = files_ = 0;
  read_versions_ = choices.read_versions;
  std::string drive = target.drive.substr(0, 1);

  struct stat st;
  check_dev_ = ::stat(target.root_path.c_str(), &st) == 0;
  root_dev_ = check_dev_ ? static_cast<std::uint64_t>(st.st_dev) : 0;

  ScanRecord root;
  root.Parent = -1;
  root.FirstChild = 1;
  root.Kind = target.kind;
  root.Attributes = 16;
  root.Time = NowDosTime();
  buffer_.Append(root, choices.medium_name, "", "");

  if (!ListFolder(target.root_path, 0) || buffer_.Count() == 1) {
    buffer_.Clear();
    Status(kStatusPanelPath, "");
    return false;
  }
  if (capacity <= 1) buffer_[0].FirstChild = -1;

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

  // Breadth-first: the count grows while the folders already stored are
  // listed in turn.
  std::vector<int> chain;
  std::string path;
  for (int i = 1; i < buffer_.Count(); ++i) {
    ScanRecord& r = buffer_[i];
    if (r.Kind != kKindFolder) continue;
    if (r.FirstChild == -2) {  // another filesystem: not walked
      r.FirstChild = -1;
      continue;
    }
    chain.clear();
    for (int k = i; k > 0; k = buffer_[k].Parent) chain.push_back(k);
    path = target.root_path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      if (path.empty() || path.back() != '/') path += '/';
      path += buffer_.RawName(*it);
    }
    int n = buffer_.Count();
    ListFolder(path, i);
    if (buffer_.Count() > n) buffer_[i].FirstChild = n;
  }

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
