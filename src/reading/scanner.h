#pragma once
// Reading a medium: the breadth-first walk of one drive into the scan
// buffer, with sizes, allocated sizes, per-folder counts and the medium's
// statistics.

#include <cstdint>
#include <deque>
#include <memory>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "reading/scan_buffer.h"
#include "reading/trecord.h"

namespace fv {

// What a read needs to know about the drive; the caller resolves it from
// the drive table (reading/volumes.h) or, in tests, gives it directly.
struct ScanTarget {
  std::string drive;           // drive letter (either case)
  std::string root_path;       // native path of the drive's root folder
  std::int16_t kind = kKindFixed;
  std::int32_t cluster_size = 0;
  double free_space = -1.0;
};

// The user's choices for the medium (cp932 texts).
struct ScanChoices {
  std::string medium_name;
  std::string volume_name;
  std::string serial_no;
  std::string classification;  // empty = default of the drive kind
  std::string location;
  std::string location_detail;
  bool read_versions = false;  // REG_GetFileVersion
  bool eject = false;          // REG_Eject
  std::int32_t first_long_name = 0;
};

// What a read could not see: folders that could not be listed (fully or at
// all) and files whose details could not be read (stored with size and
// time 0). The medium is stored all the same.
struct ReadGaps {
  std::int64_t folders = 0;
  std::int64_t files = 0;
  bool Any() const { return folders > 0 || files > 0; }
};

// Status panels of the main window's status bar.
constexpr int kStatusPanelMain = 0;
constexpr int kStatusPanelPath = 1;

class Scanner {
 public:
  Scanner();
  ~Scanner();
  // Status text (cp932) for panel 0 or 1: every 100 records, or every file
  // while versions are read. Empty text clears the panel.
  std::function<void(int panel, std::string_view text)> onStatus;
  // Processes pending window events.
  std::function<void()> onPump;
  // Version text of a file (native path); empty when it has none. Unset:
  // the platform's reader.
  std::function<std::string(const std::string& native_path)> readVersion;
  // Ejects the disc of the drive just read (REG_Eject, CD/DVD only).
  std::function<void(const std::string& drive)> onEject;

  // At most this many records (root included) are stored; the walk goes
  // on over the stored folders and the user is told the medium was cut.
  int capacity = kMaxEntriesPerMedium;
  // List folders on a second thread, ahead of the one storing them, so that
  // waiting for the filesystem and sorting overlap. The result is the same
  // either way. On by default only where cores are to spare: on two busy
  // cores the hand-over costs more than the overlap gains.
  bool listAhead = std::thread::hardware_concurrency() >= 4;

  // The whole read. True when a medium was read and the buffer holds it;
  // false (buffer empty, no message) when the root listed nothing.
  bool ReadMedium(const ScanTarget& target, const ScanChoices& choices);

  void ClearScanBuffer() { buffer_.Clear(); }
  const ScanBuffer& Buffer() const { return buffer_; }
  ScanBuffer& MutableBuffer() { return buffer_; }
  const TMediaInfomation& MediaInfo() const { return info_; }
  // Entries found but not stored because the capacity was reached.
  std::int64_t SkippedEntries() const { return skipped_; }
  // The stored folders and files the last read could not see into.
  const ReadGaps& Gaps() const { return gaps_; }

  // Hands record i to a consumer in the catalog's ScannedEntry shape.
  // (Kept generic so the reader does not depend on the catalog.)
  template <typename Entry>
  void Fill(int i, Entry& out) const {
    CopyEntryFields(buffer_[i], out);
    out.Name = buffer_.Name(i);
    out.Version = buffer_.Version(i);
  }

 private:
  struct Pending;
  struct Listing;
  class ListingThread;
  class TimeCache;
  static void ListInto(Listing& l, const std::string& path, bool check_dev, std::uint64_t root_dev,
                       TimeCache& times);
  static void SortOrder(Listing& l, std::vector<int>& order, std::string& keys, bool walked_only);
  bool StoreListing(Listing& l, int parent, std::deque<int>& walk, bool all);
  void Status(int panel, std::string_view text);
  void Pump();

  ScanBuffer buffer_;
  TMediaInfomation info_;
  ScanTarget target_;
  bool read_versions_ = false;
  std::int64_t skipped_ = 0;
  ReadGaps gaps_;
  int folders_ = 0;
  int files_ = 0;
  std::unique_ptr<Listing> current_;
};

// The process-wide scanner and its buffer.
Scanner& TheScanner();

// Sizes and allocated sizes of every folder from its children (records
// from the last to the first, grouped by Parent).
void SumSizes(ScanBuffer& buffer, std::int32_t cluster_size);
// Direct and total folder and file counts of every folder.
void CountFolders(ScanBuffer& buffer);
// "total(folders+files)".
std::string CountText(int folders, int files);

// Name of a drive kind 0..7 (cp932): "管理ファイル", "FD", "HD", ...
std::string DriveKindName(int kind);
// Default classification of a drive kind (cp932): 1 "FD" .. 7 "???"; kind 0
// and anything else give the empty text.
std::string DefaultClassification(int kind);

}  // namespace fv
