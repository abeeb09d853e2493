#pragma once
// The scan buffer: every folder and file of one read, breadth-first, the
// root first, each folder's children contiguous. A record is a compact
// ScanRecord; names and version texts live in a text arena beside it. Both
// grow in fixed-size chunks as the read goes on, so nothing is reserved up
// front and growing never copies what is already stored.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/records.h"
#include "reading/trecord.h"

namespace fv {

struct ScanRecord {
  std::int32_t Parent = -1;      // index of the containing folder; -1 for the root
  std::int32_t FirstChild = -1;  // -1 = none stored
  std::int16_t Kind = 0;         // root: drive kind; 8 folder; 10 file
  std::int16_t Attributes = 0;
  std::uint32_t Time = 0;        // DOS time
  double Size = 0;
  double ClusterBytes = 0;
  std::int32_t DirectFiles = 0;
  std::int32_t AllFiles = 0;
  std::int16_t DirectFolders = 0;
  std::int16_t AllFolders = 0;
  // Texts in the arena: name, then the native name (folders only), then the
  // version text, contiguous from TextOffset.
  std::uint32_t TextOffset = 0;
  std::uint16_t NameLen = 0;
  std::uint16_t RawLen = 0;
  std::uint8_t VersionLen = 0;
  std::uint8_t Mark = 0;
};
static_assert(sizeof(ScanRecord) <= 56);

class ScanBuffer {
 public:
  ScanBuffer() = default;
  ScanBuffer(const ScanBuffer&) = delete;
  ScanBuffer& operator=(const ScanBuffer&) = delete;

  int Count() const { return count_; }
  ScanRecord& operator[](int i) { return chunks_[i >> kChunkBits][i & kChunkMask]; }
  const ScanRecord& operator[](int i) const { return chunks_[i >> kChunkBits][i & kChunkMask]; }

  // cp932 name (any length), the name as the filesystem holds it (folders
  // only; empty for files and the root) and the version text.
  std::string_view Name(int i) const;
  std::string_view RawName(int i) const;
  std::string_view Version(int i) const;

  // Appends a record with its texts and returns its index. Names longer
  // than 65,535 bytes and versions longer than 255 bytes are cut.
  int Append(const ScanRecord& r, std::string_view name, std::string_view raw_name,
             std::string_view version);
  // Replaces the texts of record i (stored anew in the arena).
  void SetTexts(int i, std::string_view name, std::string_view raw_name, std::string_view version);

  // Empties the buffer and releases its memory.
  void Clear();

  // Entry i as the catalog stores it: name cut to 91 bytes, version to 19,
  // CommentIndex -1.
  void ToEntryRecord(int i, EntryRecord& e) const;
  // Record i as a browsing-list row, with the folder's ParentPath (root:
  // drive + ":"; files: empty).
  TRecord ToTRecord(int i, std::string_view drive) const;
  // The cp932 path of folder i below drive + ":" joined with "\".
  std::string FolderPath(int i, std::string_view drive) const;

  // Bytes held (records and texts) — for progress and memory checks.
  std::size_t MemoryBytes() const;

 private:
  static constexpr int kChunkBits = 14;
  static constexpr int kChunkMask = (1 << kChunkBits) - 1;
  static constexpr std::size_t kTextChunk = 1 << 20;

  const char* TextAt(std::uint32_t off) const { return texts_[off / kTextChunk].get() + off % kTextChunk; }
  std::uint32_t StoreText(std::string_view a, std::string_view b, std::string_view c);

  std::vector<std::unique_ptr<ScanRecord[]>> chunks_;
  std::vector<std::unique_ptr<char[]>> texts_;
  int count_ = 0;
  std::size_t text_used_ = 0;  // global offset of the next free byte
};

}  // namespace fv
