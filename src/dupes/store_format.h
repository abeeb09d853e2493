#pragma once
// Byte layouts of the duplicate store (".dup") and the similar store
// (".lik"). Both are little-endian and packed; the header is followed by the
// member section (N records) and then the group section (G records).

#include <cstddef>
#include <cstdint>

#include "catalog/records.h"

namespace fv::dupes {

#pragma pack(push, 1)

// One member or group record.
struct StoreRecord {
  PString<91> Name;
  std::int32_t EntryId;
  std::uint32_t Time;        // DOS time
  std::uint32_t Size32;      // size clamped to 32 bits
  std::int32_t Position;     // member: its own position; group: the kind's first member
  std::int32_t NextKind;     // first member position of the next kind
  std::int32_t KindSize;     // members of this record's kind
};

// Common start of both headers.
struct StoreHeader {
  std::int32_t Format;       // 1 duplicate store, 2 similar store
  std::uint8_t Zero;
  std::int32_t Groups;       // G
  std::int32_t Members;      // N
  double Written;            // days since 1899-12-30, local time
};

struct LikeStoreHeader {
  StoreHeader Head;
  PString<127> Separators;   // the separator set the run used
  std::int32_t Zero2;
  std::uint8_t Reserved[33024];
};

#pragma pack(pop)

static_assert(sizeof(StoreRecord) == 116);
static_assert(offsetof(StoreRecord, EntryId) == 92);
static_assert(offsetof(StoreRecord, Time) == 96);
static_assert(offsetof(StoreRecord, Size32) == 100);
static_assert(offsetof(StoreRecord, Position) == 104);
static_assert(offsetof(StoreRecord, NextKind) == 108);
static_assert(offsetof(StoreRecord, KindSize) == 112);

static_assert(sizeof(StoreHeader) == 21);
static_assert(offsetof(StoreHeader, Zero) == 4);
static_assert(offsetof(StoreHeader, Groups) == 5);
static_assert(offsetof(StoreHeader, Members) == 9);
static_assert(offsetof(StoreHeader, Written) == 13);

static_assert(sizeof(LikeStoreHeader) == 33177);
static_assert(offsetof(LikeStoreHeader, Separators) == 21);
static_assert(offsetof(LikeStoreHeader, Zero2) == 149);
static_assert(offsetof(LikeStoreHeader, Reserved) == 153);

constexpr std::int32_t kDupFormat = 1;
constexpr std::int32_t kLikeFormat = 2;
constexpr std::int64_t kDupHeaderSize = sizeof(StoreHeader);
constexpr std::int64_t kLikeHeaderSize = sizeof(LikeStoreHeader);
constexpr std::int64_t kStoreRecordSize = sizeof(StoreRecord);

// A size as the stores keep it: 4,294,967,295 or more stays at that value,
// a negative size becomes 0.
inline std::uint32_t ClampSize32(double size) {
  if (!(size > 0)) return 0;  // negative, zero and NaN
  if (size >= 4294967295.0) return 4294967295u;
  return static_cast<std::uint32_t>(size);
}

}  // namespace fv::dupes
