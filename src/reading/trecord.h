#pragma once
// TRecord: one row of the browsing lists (child list, file list, search
// results) and the working record of a read. TMediaInfomation: a medium's
// attributes collected while it is read.

#include <array>
#include <cstdint>
#include <string>

#include "catalog/records.h"

namespace fv {

constexpr int kColumnTextCount = 13;

struct TRecord {
  EntryId Id = -1;                // the row's EntryId
  std::int32_t Parent = -1;       // search results: the row's own position
  std::int32_t FirstChild = -1;
  std::int16_t Kind = 0;
  std::int16_t Attributes = 0;
  std::string ParentPath;         // cp932
  std::string Name;               // cp932, full name
  double Size = 0;
  std::uint32_t Time = 0;         // DOS time
  std::uint8_t Mark = 0;
  std::string Version;            // cp932
  std::int16_t DirectFolders = 0;
  std::int32_t DirectFiles = 0;
  std::int16_t AllFolders = 0;
  std::int32_t AllFiles = 0;
  double ClusterBytes = 0;
  std::int32_t CommentIndex = -1;
  std::int32_t ImageIndex = 0;
  std::int32_t StateIndex = -1;   // 0 when marked
  std::array<std::string, kColumnTextCount> ColumnTexts;
  std::int32_t DupCount = 0;
};

struct TMediaInfomation {
  std::string Drive;              // lower-case letter
  std::string DriveTypeName;
  std::string Classification;
  std::string Location;
  std::string LocationDetail;
  std::int32_t ClusterSize = 0;
  double FreeSpace = -1.0;
  std::string VolumeName;
  std::string SerialNo;
  std::string Reserved1, Reserved2, Reserved3;
  std::uint32_t MinFileTime = 0;
  std::uint32_t MaxFileTime = 0;
  std::uint32_t MinFolderTime = 0;
  std::uint32_t MaxFolderTime = 0;
  double MinFileSize = -1.0;
  double MaxFileSize = 0;
  std::uint8_t Unused = 0;
  std::int32_t FirstLongName = 0;
};

}  // namespace fv
