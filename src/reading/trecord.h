#pragma once
// TRecord: one row of the browsing lists (child list, file list, search
// results) and the working record of a read. TMediaInfomation: a medium's
// attributes collected while it is read.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "catalog/records.h"

namespace fv {

constexpr int kColumnTextCount = 13;
using ColumnTextArray = std::array<std::string, kColumnTextCount>;

struct TRecord;

// Gives a list's rows their column texts. The lists are virtual, so a row's
// texts are formatted when they are first read rather than when the list is
// filled.
class ColumnTextSource {
 public:
  virtual ~ColumnTextSource() = default;
  virtual void Format(const TRecord& row, ColumnTextArray& texts) const = 0;
  // The number a right-aligned column shows (its text is FormatNumber of
  // it); false for a column that shows no number.
  virtual bool Number(const TRecord& row, int column, double& value) const = 0;
};

// A row's column texts: formatted through the source on first read, or set.
// Copies carry their own texts.
class LazyColumnTexts {
 public:
  LazyColumnTexts() = default;
  LazyColumnTexts(const LazyColumnTexts& o)
      : texts_(o.texts_ ? std::make_unique<ColumnTextArray>(*o.texts_) : nullptr), source_(o.source_) {}
  LazyColumnTexts& operator=(const LazyColumnTexts& o) {
    if (this != &o) {
      texts_ = o.texts_ ? std::make_unique<ColumnTextArray>(*o.texts_) : nullptr;
      source_ = o.source_;
    }
    return *this;
  }
  LazyColumnTexts(LazyColumnTexts&&) noexcept = default;
  LazyColumnTexts& operator=(LazyColumnTexts&&) noexcept = default;

  bool Formatted() const { return texts_ != nullptr; }
  const ColumnTextSource* Source() const { return source_.get(); }
  // A new source; texts formatted or set before are dropped.
  void SetSource(std::shared_ptr<const ColumnTextSource> source) {
    source_ = std::move(source);
    texts_.reset();
  }
  ColumnTextArray& Get(const TRecord& row) const {
    if (!texts_) {
      texts_ = std::make_unique<ColumnTextArray>();
      if (source_) source_->Format(row, *texts_);
    }
    return *texts_;
  }

 private:
  mutable std::unique_ptr<ColumnTextArray> texts_;
  std::shared_ptr<const ColumnTextSource> source_;
};

struct TRecord {
  // The fields a sort or a list scan reads come first, in one cache line.
  EntryId Id = -1;                // the row's EntryId
  std::int32_t ImageIndex = 0;
  std::int16_t Kind = 0;
  std::int16_t Attributes = 0;
  std::uint32_t Time = 0;         // DOS time
  double Size = 0;
  LazyColumnTexts ColumnTexts;
  std::int32_t CommentIndex = -1;
  std::int32_t DupCount = 0;
  std::string Name;               // cp932, full name
  std::int32_t Parent = -1;       // search results: the row's own position
  std::int32_t FirstChild = -1;
  std::string ParentPath;         // cp932
  std::uint8_t Mark = 0;
  std::int32_t StateIndex = -1;   // 0 when marked
  std::string Version;            // cp932
  std::int16_t DirectFolders = 0;
  std::int32_t DirectFiles = 0;
  std::int16_t AllFolders = 0;
  std::int32_t AllFiles = 0;
  double ClusterBytes = 0;

  // Column text c (the file list's nine or the search list's thirteen);
  // empty outside 0..12.
  const std::string& Text(int c) const {
    static const std::string none;
    return c >= 0 && c < kColumnTextCount ? ColumnTexts.Get(*this)[static_cast<std::size_t>(c)] : none;
  }
  void SetText(int c, std::string text) {
    if (c >= 0 && c < kColumnTextCount) ColumnTexts.Get(*this)[static_cast<std::size_t>(c)] = std::move(text);
  }
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
