#pragma once
// Column texts, type texts and images of the browsing rows: the file list's
// nine data columns and the search result list's thirteen columns.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalog/records.h"
#include "reading/trecord.h"

namespace fv {

// Data columns of the file list.
enum FileColumn : int {
  kFileColName = 0,
  kFileColCount,
  kFileColSize,
  kFileColType,
  kFileColTime,
  kFileColClusterSize,
  kFileColClusterGap,
  kFileColVersion,  // "空きサイズ" while media are listed
  kFileColComment,
  kFileColumnCount,
};

// Columns of the search result list (fixed order).
enum SearchColumn : int {
  kSearchColName = 0,
  kSearchColCount,
  kSearchColPath,
  kSearchColClassification,
  kSearchColLocation,
  kSearchColLocationDetail,
  kSearchColSize,
  kSearchColType,
  kSearchColTime,
  kSearchColClusterSize,
  kSearchColClusterGap,
  kSearchColVersion,
  kSearchColComment,
  kSearchColumnCount,
};

// Captions (cp932) and alignment. catalog_level: the list shows media, so
// data column 7 is the right-aligned "空きサイズ".
std::string FileColumnCaption(int column, bool catalog_level);
bool FileColumnRightAligned(int column, bool catalog_level);
std::string SearchColumnCaption(int column);
bool SearchColumnRightAligned(int column);

// Fixed images: 0..7 media kinds, 8 folder, 9 open folder, 10 file, 12
// program, 13 installer, 14/15 sort ascending/descending, 16/17 second key.
constexpr int kImageFile = 10;
constexpr int kImageProgram = 12;
constexpr int kImageInstaller = 13;
constexpr int kImageSortAscending = 14;
constexpr int kImageSortDescending = 15;
constexpr int kImageSort2Ascending = 16;
constexpr int kImageSort2Descending = 17;
constexpr int kFirstExtensionImage = 18;
constexpr int kLastExtensionImage = 1000;

// Type text of a row kind 0..9 ("管理ファイル" .. "ファイル フォルダ"); empty otherwise.
std::string KindText(int kind);
// Drive type text of a medium's root kind 1..7; empty for other kinds.
std::string DriveKindText(int kind);

// Type texts of file rows, cached per upper-case extension for the life of
// the program (at most 100,000 pairs; further ones are not remembered).
class TypeTexts {
 public:
  static constexpr std::size_t kCapacity = 100000;
  // kind 0..9: KindText. A name without "." gives "ファイル"; otherwise the
  // file-type database's description of the extension, or the extension in
  // upper case + "ファイル" when it knows none.
  std::string Text(int kind, std::string_view name);
  std::size_t CacheSize() const { return cache_.size(); }

 private:
  std::unordered_map<std::string, std::string> cache_;
};
TypeTexts& SharedTypeTexts();

// Per-list extension images: image indexes from 18 up to 1000 are icons of
// extensions, appended as new extensions with an icon come along. The set
// of extensions without an icon is shared by all lists.
class ExtensionImages {
 public:
  // The image of a file name: the extension's image, or 10 (the generic
  // file) when it has no icon or the table is full.
  int ImageFor(std::string_view name);
  // The theme icon name of an image index from 18 (empty for other indexes).
  std::string IconNameAt(int image) const;
  int IconCount() const;

 private:
  std::unordered_map<std::string, int> by_extension_;  // upper case, dot included
  std::vector<std::string> icons_;                     // image 18 + i
};

// A thread's own front to an image table: it remembers the extensions it
// has met and asks the table (which serialises its callers) only about new
// ones, so threads filling one list share the table without waiting on it.
class ImageLookup {
 public:
  explicit ImageLookup(ExtensionImages* images) : images_(images) {}
  int ImageFor(std::string_view name);

 private:
  static constexpr std::size_t kSlots = 32;
  ExtensionImages* images_;
  std::uint64_t keys_[kSlots] = {};  // extension bytes as they stand, dot included; 0 = free
  int found_[kSlots] = {};
};

// A name longer than 4 characters ending in ".EXE" (any case) gets image 13
// when it is SETUP.EXE or INSTALL.EXE (any case), 12 otherwise; every other
// name keeps `image`.
int ProgramImage(std::string_view name, int image);

// Everything formatting needs besides the row.
struct RowFormatContext {
  std::string date_picture;          // REG_FormatUpdateDateTime, cp932
  bool catalog_level = false;        // the rows are media: column 7 = free space
  TypeTexts* types = nullptr;        // defaults to SharedTypeTexts()
  ExtensionImages* images = nullptr; // the list's own table; none = image 10
  std::function<std::string(int comment_index)> comment_text;
  std::function<std::int32_t(std::string_view name)> dup_count;  // empty = 0
  std::function<double(int medium)> free_space;                  // catalog level
};

// The nine file-list column texts formatted with ctx (the images of ctx
// play no part), for rows that format them when first read.
std::shared_ptr<const ColumnTextSource> FileRowTexts(const RowFormatContext& ctx);
// Sets ImageIndex, StateIndex and DupCount and gives the row the texts of
// `texts`.
void PrepareFileRow(TRecord& row, const RowFormatContext& ctx, std::shared_ptr<const ColumnTextSource> texts);
// The same with the images of `images` (a front to the context's table) and
// without DupCount, which stays as it is: safe on several threads at once,
// one ImageLookup each.
void PrepareFileRow(TRecord& row, const std::shared_ptr<const ColumnTextSource>& texts, ImageLookup& images);
// The same with a source of its own.
void FormatFileRow(TRecord& row, const RowFormatContext& ctx);

// The medium columns of a search result.
struct MediumColumns {
  std::string classification, location, location_detail;
};
// The thirteen search columns (ParentPath must be set when they are read);
// media: the medium columns by medium index.
std::shared_ptr<const ColumnTextSource> SearchRowTexts(const RowFormatContext& ctx,
                                                       std::unordered_map<int, MediumColumns> media);
// Sets ImageIndex and StateIndex and gives the row the texts of `texts`;
// DupCount stays 0.
void PrepareSearchRow(TRecord& row, const RowFormatContext& ctx, std::shared_ptr<const ColumnTextSource> texts);

}  // namespace fv
