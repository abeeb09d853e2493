#pragma once
// The catalog's records. They are packed byte layouts, identical in memory
// and in the catalog file, so file I/O moves them whole.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace fv {

// A length-prefixed text field: one length byte, then N bytes of capacity.
// Bytes after the length are undefined. A length byte above N (a damaged
// file) is read as N.
template <std::size_t N>
struct PString {
  std::uint8_t len;
  char data[N];

  std::string_view view() const { return std::string_view(data, len <= N ? len : N); }
  std::string str() const { return std::string(view()); }
  bool empty() const { return len == 0; }
  // Keeps the first N bytes of a longer text (a double-byte character may
  // be cut, as the file format has always done).
  void assign(std::string_view s) {
    std::size_t n = s.size() < N ? s.size() : N;
    len = static_cast<std::uint8_t>(n);
    if (n) std::memcpy(data, s.data(), n);
  }
  void clear() { len = 0; }
  PString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  static constexpr std::size_t capacity = N;
};

#pragma pack(push, 1)

struct EntryRecord {
  std::int32_t Parent;        // entry index of the folder; -1 for the root
  std::int32_t FirstChild;    // -1 = none
  std::int16_t Kind;          // root: drive kind 0..7; 8 folder; 10 file
  std::int16_t Attributes;    // low byte of the file attributes, sign-extended
  PString<91> Name;
  double Size;
  std::uint32_t Time;         // DOS time
  std::uint8_t Mark;          // 1 = marked
  PString<19> Version;        // file version, or the root's count text
  std::int16_t DirectFolders;
  std::int32_t DirectFiles;
  std::int16_t AllFolders;    // saturates at 32767
  std::int32_t AllFiles;
  double ClusterBytes;
  std::int32_t CommentIndex;  // -1 = none
};

struct MediumRecord {
  PString<91> Name;           // empty = slot not live
  std::int32_t FirstEntry;    // ordinal of the first EntryRecord in the entry area
  std::int32_t EntryCount;    // root included
  std::int32_t DeletedTime;   // DOS time of deletion; 0 while live
  EntryRecord Root;
  PString<2> Drive;
  PString<15> DriveTypeName;
  PString<26> Classification;
  PString<26> Location;
  PString<10> LocationDetail;
  std::int32_t ClusterSize;   // 0 = not available
  double FreeSpace;           // -1.0 = not available
  PString<31> VolumeName;
  PString<31> SerialNo;
  PString<31> Reserved1;
  PString<31> Reserved2;
  PString<31> Reserved3;
  std::uint32_t MinFileTime;
  std::uint32_t MaxFileTime;
  std::uint32_t MinFolderTime;
  std::uint32_t MaxFolderTime;
  double MinFileSize;         // -1.0 = no file
  double MaxFileSize;         // 0 = no file
};

struct CommentRecord {
  std::int32_t Owner;         // EntryId; -1 = free slot
  std::uint32_t Time;         // DOS time of the last change
  PString<255> Text;
  std::int16_t EntryKind;
  PString<91> EntryName;
  std::uint8_t Reserved[2];
};

#pragma pack(pop)

static_assert(sizeof(EntryRecord) == 161);
static_assert(offsetof(EntryRecord, FirstChild) == 4);
static_assert(offsetof(EntryRecord, Kind) == 8);
static_assert(offsetof(EntryRecord, Attributes) == 10);
static_assert(offsetof(EntryRecord, Name) == 12);
static_assert(offsetof(EntryRecord, Size) == 104);
static_assert(offsetof(EntryRecord, Time) == 112);
static_assert(offsetof(EntryRecord, Mark) == 116);
static_assert(offsetof(EntryRecord, Version) == 117);
static_assert(offsetof(EntryRecord, DirectFolders) == 137);
static_assert(offsetof(EntryRecord, DirectFiles) == 139);
static_assert(offsetof(EntryRecord, AllFolders) == 143);
static_assert(offsetof(EntryRecord, AllFiles) == 145);
static_assert(offsetof(EntryRecord, ClusterBytes) == 149);
static_assert(offsetof(EntryRecord, CommentIndex) == 157);

static_assert(sizeof(MediumRecord) == 553);
static_assert(offsetof(MediumRecord, FirstEntry) == 92);
static_assert(offsetof(MediumRecord, EntryCount) == 96);
static_assert(offsetof(MediumRecord, DeletedTime) == 100);
static_assert(offsetof(MediumRecord, Root) == 104);
static_assert(offsetof(MediumRecord, Drive) == 265);
static_assert(offsetof(MediumRecord, DriveTypeName) == 268);
static_assert(offsetof(MediumRecord, Classification) == 284);
static_assert(offsetof(MediumRecord, Location) == 311);
static_assert(offsetof(MediumRecord, LocationDetail) == 338);
static_assert(offsetof(MediumRecord, ClusterSize) == 349);
static_assert(offsetof(MediumRecord, FreeSpace) == 353);
static_assert(offsetof(MediumRecord, VolumeName) == 361);
static_assert(offsetof(MediumRecord, SerialNo) == 393);
static_assert(offsetof(MediumRecord, Reserved1) == 425);
static_assert(offsetof(MediumRecord, Reserved2) == 457);
static_assert(offsetof(MediumRecord, Reserved3) == 489);
static_assert(offsetof(MediumRecord, MinFileTime) == 521);
static_assert(offsetof(MediumRecord, MaxFileTime) == 525);
static_assert(offsetof(MediumRecord, MinFolderTime) == 529);
static_assert(offsetof(MediumRecord, MaxFolderTime) == 533);
static_assert(offsetof(MediumRecord, MinFileSize) == 537);
static_assert(offsetof(MediumRecord, MaxFileSize) == 545);

static_assert(sizeof(CommentRecord) == 360);
static_assert(offsetof(CommentRecord, Time) == 4);
static_assert(offsetof(CommentRecord, Text) == 8);
static_assert(offsetof(CommentRecord, EntryKind) == 264);
static_assert(offsetof(CommentRecord, EntryName) == 266);
static_assert(offsetof(CommentRecord, Reserved) == 358);

// Kind codes.
enum : std::int16_t {
  kKindNoRoot = 0,
  kKindFloppy = 1,
  kKindFixed = 2,
  kKindRemovable = 3,
  kKindOptical = 4,
  kKindRemote = 5,
  kKindRamDisk = 6,
  kKindOther = 7,
  kKindFolder = 8,
  kKindFolderOpen = 9,  // display only, never stored
  kKindFile = 10,
};

inline bool IsFolderKind(int kind) { return kind == kKindFolder || kind == kKindFolderOpen; }
inline bool IsFileKind(int kind) { return kind == kKindFile; }

// Copies the tree links and the numeric fields that every entry-like record
// (EntryRecord, TRecord, a scan record) names alike. Names and version texts
// differ in form from record to record and are the caller's.
template <typename From, typename To>
inline void CopyEntryFields(const From& f, To& t) {
  t.Parent = f.Parent;
  t.FirstChild = f.FirstChild;
  t.Kind = f.Kind;
  t.Attributes = f.Attributes;
  t.Size = f.Size;
  t.Time = f.Time;
  t.Mark = f.Mark;
  t.DirectFolders = f.DirectFolders;
  t.DirectFiles = f.DirectFiles;
  t.AllFolders = f.AllFolders;
  t.AllFiles = f.AllFiles;
  t.ClusterBytes = f.ClusterBytes;
}

// Capacities of the catalog.
constexpr int kMediaSlots = 2000;
constexpr int kCommentSlots = 5000;
constexpr int kMaxLongNames = 100000;
// An EntryId addresses entries 0..999,999 of a medium; a read stores no
// more records than that.
constexpr int kMaxEntriesPerMedium = 1000000;

// EntryId = medium index x 1,000,000 + entry index.
using EntryId = std::int32_t;
constexpr EntryId kIdFactor = 1000000;
constexpr EntryId MakeEntryId(int medium, int entry) { return medium * kIdFactor + entry; }
constexpr int MediumOf(EntryId id) { return id / kIdFactor; }
constexpr int EntryOf(EntryId id) { return id % kIdFactor; }

// Layout of the catalog file.
constexpr std::int64_t kMediaTableOffset = 0;
constexpr std::int64_t kCommentTableOffset = static_cast<std::int64_t>(kMediaSlots) * sizeof(MediumRecord);  // 1,106,000
constexpr std::int64_t kEntryAreaOffset =
    kCommentTableOffset + static_cast<std::int64_t>(kCommentSlots) * sizeof(CommentRecord);  // 2,906,000
static_assert(kCommentTableOffset == 1106000);
static_assert(kEntryAreaOffset == 2906000);

// Capacity of the in-memory entry table and of the scan buffer (the loaded
// medium's records plus the sentinel), and the most records one read keeps.
constexpr int kEntryTableCapacity = 2000002;
constexpr int kMaxScanRecords = 2000001;

// ---- long-name side file (".lfn") ------------------------------------------

#pragma pack(push, 1)

struct LongNameHeader {
  std::int32_t Format;       // always 2
  std::int32_t SlotCount;    // always 2000
  std::int32_t SlotsInUse;   // highest media slot recorded + 1
  std::int32_t RecordCount;  // number of LongNameRecords
  std::uint8_t Reserved[496];
};

struct MediaSideRecord {
  std::uint8_t MediaCopy[288];  // bytes 265..552 of the slot's MediumRecord at adding time
  std::int32_t Used;            // 1 = the slot's long names are recorded
  std::int32_t First;           // first LongNameRecord of the medium
  std::int32_t End;             // one past its last LongNameRecord
  char PicturePath[1012];       // NUL-terminated; empty = no picture
};

struct LongNameRecord {
  std::int32_t EntryIndex;  // position of the entry within its medium
  char Name[512];           // NUL-terminated cp932
};

#pragma pack(pop)

static_assert(sizeof(LongNameHeader) == 512);
static_assert(sizeof(MediaSideRecord) == 1312);
static_assert(offsetof(MediaSideRecord, Used) == 288);
static_assert(offsetof(MediaSideRecord, First) == 292);
static_assert(offsetof(MediaSideRecord, End) == 296);
static_assert(offsetof(MediaSideRecord, PicturePath) == 300);
static_assert(sizeof(LongNameRecord) == 516);
static_assert(sizeof(MediaSideRecord::MediaCopy) == sizeof(MediumRecord) - offsetof(MediumRecord, Drive));

constexpr std::int32_t kLongNameFormat = 2;
constexpr std::int64_t kLongNameSlotsOffset = sizeof(LongNameHeader);  // 512
constexpr std::int64_t kLongNameRecordsOffset =
    kLongNameSlotsOffset + static_cast<std::int64_t>(kMediaSlots) * sizeof(MediaSideRecord);  // 2,624,512
static_assert(kLongNameRecordsOffset == 2624512);
// Names of this many bytes or more may have been cut to the Name field.
constexpr std::size_t kStoredNameBytes = 91;
constexpr std::size_t kCutNameTrigger = 90;
constexpr std::size_t kMaxLongNameBytes = 511;
constexpr std::size_t kMaxPicturePathBytes = 1011;

}  // namespace fv
