#include "browse/row_format.h"

#include <cstring>
#include <mutex>

#include "platform/file_types.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

namespace {

std::string J(const char* utf8) { return text::Utf8ToCp932(utf8); }

struct ColumnDesign {
  const char* caption;
  bool right;
};

const ColumnDesign kFileColumns[kFileColumnCount] = {
    {"名前", false},           {"数", true},
    {"サイズ", true},          {"ファイルの種類", false},
    {"更新日時", false},       {"クラスタサイズ", true},
    {"クラスタギャップ", true}, {"Version", false},
    {"コメント", false},
};

const ColumnDesign kSearchColumns[kSearchColumnCount] = {
    {"名前", false},         {"数", true},        {"パス名", false},
    {"分類", false},         {"保管場所", false}, {"保管詳細", false},
    {"サイズ", true},        {"ファイルの種類", false}, {"更新日時", false},
    {"クラスタサイズ", true}, {"クラスタギャップ", true}, {"Version", false},
    {"コメント", false},
};

const std::string& FileWord() {
  static const std::string s = J("ファイル");
  return s;
}

// Extension of a name from its last "." (dot included); empty without one.
std::string_view DotExtension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

// Serialises the image tables and the shared list of extensions without an
// icon.
std::mutex& ImageTableLock() {
  static std::mutex m;
  return m;
}

std::unordered_set<std::string>& NoIconExtensions() {
  static std::unordered_set<std::string> set;
  return set;
}
constexpr std::size_t kNoIconCapacity = 100000;

std::string CountText(const TRecord& row) {
  return row.Kind == kKindFile ? std::string("1") : FormatNumber(row.AllFiles);
}

std::string TypeText(const TRecord& row, const RowFormatContext& ctx) {
  return (ctx.types ? *ctx.types : SharedTypeTexts()).Text(row.Kind, row.Name);
}

// image_of(name): the extension image of a file's name.
template <typename ImageOf>
void SetImages(TRecord& row, ImageOf image_of) {
  row.ImageIndex = row.Kind;
  row.StateIndex = row.Mark == 1 ? 0 : -1;
  if (row.Kind == kKindFile) row.ImageIndex = ProgramImage(row.Name, image_of(row.Name));
}

void SetImages(TRecord& row, const RowFormatContext& ctx) {
  SetImages(row, [&](const std::string& name) { return ctx.images ? ctx.images->ImageFor(name) : kImageFile; });
}

std::string CommentOf(const TRecord& row, const RowFormatContext& ctx) {
  if (row.CommentIndex < 0 || !ctx.comment_text) return {};
  return ctx.comment_text(row.CommentIndex);
}

}  // namespace

std::string FileColumnCaption(int column, bool catalog_level) {
  if (column < 0 || column >= kFileColumnCount) return {};
  if (column == kFileColVersion && catalog_level) return J("空きサイズ");
  return J(kFileColumns[column].caption);
}

bool FileColumnRightAligned(int column, bool catalog_level) {
  if (column < 0 || column >= kFileColumnCount) return false;
  if (column == kFileColVersion) return catalog_level;
  return kFileColumns[column].right;
}

std::string SearchColumnCaption(int column) {
  if (column < 0 || column >= kSearchColumnCount) return {};
  return J(kSearchColumns[column].caption);
}

bool SearchColumnRightAligned(int column) {
  return column >= 0 && column < kSearchColumnCount && kSearchColumns[column].right;
}

std::string KindText(int kind) {
  static const char* const kTexts[] = {"管理ファイル", "FD",           "HD",      "リムーバブル",
                                       "CD/DVD",       "ネットワーク", "RAM-DISK", "???",
                                       "ファイル フォルダ", "ファイル フォルダ"};
  if (kind < 0 || kind > 9) return {};
  return J(kTexts[kind]);
}

std::string DriveKindText(int kind) { return kind >= 1 && kind <= 7 ? KindText(kind) : std::string(); }

std::string TypeTexts::Text(int kind, std::string_view name) {
  if (kind >= 0 && kind <= 9) return KindText(kind);
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return FileWord();
  std::string_view ext = name.substr(dot + 1);
  std::string upper = text::ToUpper(ext);
  auto it = cache_.find(upper);
  if (it != cache_.end()) return it->second;
  std::string result = upper + FileWord();
  if (FileTypes* types = Platform().types) {
    if (auto described = types->Describe(ext)) result = *described;
  }
  if (cache_.size() < kCapacity) cache_.emplace(std::move(upper), result);
  return result;
}

TypeTexts& SharedTypeTexts() {
  static TypeTexts texts;
  return texts;
}

int ExtensionImages::ImageFor(std::string_view name) {
  std::lock_guard<std::mutex> lock(ImageTableLock());
  std::string ext = text::ToUpper(DotExtension(name));
  auto it = by_extension_.find(ext);
  if (it != by_extension_.end()) return it->second;
  auto& no_icon = NoIconExtensions();
  if (no_icon.count(ext)) return kImageFile;
  int next = kFirstExtensionImage + static_cast<int>(icons_.size());
  if (next > kLastExtensionImage) return kImageFile;  // table full: generic image, nothing asked
  std::string icon;
  if (FileTypes* types = Platform().types; types && !ext.empty()) icon = types->IconName(ext.substr(1));
  if (icon.empty()) {
    if (no_icon.size() < kNoIconCapacity) no_icon.insert(ext);
    return kImageFile;
  }
  icons_.push_back(std::move(icon));
  by_extension_.emplace(std::move(ext), next);
  return next;
}

std::string ExtensionImages::IconNameAt(int image) const {
  std::lock_guard<std::mutex> lock(ImageTableLock());
  int i = image - kFirstExtensionImage;
  return i >= 0 && static_cast<std::size_t>(i) < icons_.size() ? icons_[static_cast<std::size_t>(i)] : std::string();
}

int ExtensionImages::IconCount() const {
  std::lock_guard<std::mutex> lock(ImageTableLock());
  return static_cast<int>(icons_.size());
}

int ImageLookup::ImageFor(std::string_view name) {
  if (!images_) return kImageFile;
  // Extensions of up to eight bytes are remembered under their bytes (a
  // dot first, so never 0); a name without one under 1.
  std::string_view ext = DotExtension(name);
  if (ext.size() > sizeof(std::uint64_t)) return images_->ImageFor(name);
  std::uint64_t key = 1;
  if (!ext.empty()) {
    key = 0;
    std::memcpy(&key, ext.data(), ext.size());
  }
  const std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 59) % kSlots;
  if (keys_[slot] != key) {
    keys_[slot] = key;
    found_[slot] = images_->ImageFor(name);
  }
  return found_[slot];
}

int ProgramImage(std::string_view name, int image) {
  if (name.size() <= 4) return image;
  // A quick look at the last four bytes first: "." is never the second
  // byte of a character, so what follows it is single-byte.
  std::string_view end = name.substr(name.size() - 4);
  if (end[0] != '.' || (end[1] | 0x20) != 'e' || (end[2] | 0x20) != 'x' || (end[3] | 0x20) != 'e') return image;
  // Only single-byte letters fold to the ASCII of the installer names.
  auto is = [&](std::string_view upper) {
    if (name.size() != upper.size()) return false;
    for (std::size_t i = 0; i < upper.size(); ++i)
      if ((name[i] >= 'a' && name[i] <= 'z' ? name[i] - 32 : name[i]) != upper[i]) return false;
    return true;
  };
  return is("SETUP.EXE") || is("INSTALL.EXE") ? kImageInstaller : kImageProgram;
}

namespace {

// The number text of column texts, shared by both lists' number columns.
bool RowNumber(const TRecord& row, int column, int count_col, int size_col, int cluster_col, int gap_col,
               double& value) {
  if (column == count_col) {
    value = row.Kind == kKindFile ? 1.0 : static_cast<double>(row.AllFiles);
  } else if (column == size_col) {
    value = row.Size;
  } else if (column == cluster_col) {
    value = row.ClusterBytes;
  } else if (column == gap_col) {
    value = row.ClusterBytes - row.Size;
  } else {
    return false;
  }
  return true;
}

class FileTexts : public ColumnTextSource {
 public:
  explicit FileTexts(const RowFormatContext& ctx) : ctx_(ctx) { ctx_.images = nullptr; }

  void Format(const TRecord& row, ColumnTextArray& c) const override {
    c[kFileColName] = row.Name;
    c[kFileColCount] = CountText(row);
    c[kFileColSize] = FormatNumber(row.Size);
    c[kFileColType] = TypeText(row, ctx_);
    c[kFileColTime] = FormatDosTime(ctx_.date_picture, row.Time);
    c[kFileColClusterSize] = FormatNumber(row.ClusterBytes);
    c[kFileColClusterGap] = FormatNumber(row.ClusterBytes - row.Size);
    c[kFileColVersion] = ctx_.catalog_level ? FormatNumber(FreeSpace(row)) : row.Version;
    c[kFileColComment] = CommentOf(row, ctx_);
  }

  bool Number(const TRecord& row, int column, double& value) const override {
    if (column == kFileColVersion && ctx_.catalog_level) {
      value = FreeSpace(row);
      return true;
    }
    return RowNumber(row, column, kFileColCount, kFileColSize, kFileColClusterSize, kFileColClusterGap, value);
  }

 private:
  double FreeSpace(const TRecord& row) const { return ctx_.free_space ? ctx_.free_space(MediumOf(row.Id)) : -1.0; }
  RowFormatContext ctx_;
};

class SearchTexts : public ColumnTextSource {
 public:
  SearchTexts(const RowFormatContext& ctx, std::unordered_map<int, MediumColumns> media)
      : ctx_(ctx), media_(std::move(media)) {
    ctx_.images = nullptr;
  }

  void Format(const TRecord& row, ColumnTextArray& c) const override {
    c[kSearchColName] = row.Name;
    c[kSearchColCount] = CountText(row);
    c[kSearchColPath] = row.ParentPath;
    auto it = media_.find(MediumOf(row.Id));
    if (it != media_.end()) {
      c[kSearchColClassification] = it->second.classification;
      c[kSearchColLocation] = it->second.location;
      c[kSearchColLocationDetail] = it->second.location_detail;
    }
    c[kSearchColSize] = FormatNumber(row.Size);
    c[kSearchColType] = TypeText(row, ctx_);
    c[kSearchColTime] = FormatDosTime(ctx_.date_picture, row.Time);
    c[kSearchColClusterSize] = FormatNumber(row.ClusterBytes);
    c[kSearchColClusterGap] = FormatNumber(row.ClusterBytes - row.Size);
    c[kSearchColVersion] = row.Version;
    c[kSearchColComment] = CommentOf(row, ctx_);
  }

  bool Number(const TRecord& row, int column, double& value) const override {
    return RowNumber(row, column, kSearchColCount, kSearchColSize, kSearchColClusterSize, kSearchColClusterGap,
                     value);
  }

 private:
  RowFormatContext ctx_;
  std::unordered_map<int, MediumColumns> media_;
};

}  // namespace

std::shared_ptr<const ColumnTextSource> FileRowTexts(const RowFormatContext& ctx) {
  return std::make_shared<FileTexts>(ctx);
}

void PrepareFileRow(TRecord& row, const std::shared_ptr<const ColumnTextSource>& texts, ImageLookup& images) {
  SetImages(row, [&](const std::string& name) { return images.ImageFor(name); });
  row.ColumnTexts.SetSource(texts);
}

void PrepareFileRow(TRecord& row, const RowFormatContext& ctx, std::shared_ptr<const ColumnTextSource> texts) {
  SetImages(row, ctx);
  row.ColumnTexts.SetSource(std::move(texts));
  row.DupCount = ctx.dup_count ? ctx.dup_count(row.Name) : 0;
}

void FormatFileRow(TRecord& row, const RowFormatContext& ctx) { PrepareFileRow(row, ctx, FileRowTexts(ctx)); }

std::shared_ptr<const ColumnTextSource> SearchRowTexts(const RowFormatContext& ctx,
                                                       std::unordered_map<int, MediumColumns> media) {
  return std::make_shared<SearchTexts>(ctx, std::move(media));
}

void PrepareSearchRow(TRecord& row, const RowFormatContext& ctx, std::shared_ptr<const ColumnTextSource> texts) {
  SetImages(row, ctx);
  row.ColumnTexts.SetSource(std::move(texts));
  row.DupCount = 0;
}

}  // namespace fv
