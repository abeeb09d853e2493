#include "browse/properties.h"

#include <cmath>
#include <cstdlib>

#include "browse/hierarchy.h"
#include "browse/row_format.h"
#include "catalog/catalog.h"
#include "media_meta/name_lists.h"
#include "platform/file_types.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv {

namespace {

std::string J(const char* utf8) { return text::Utf8ToCp932(utf8); }
std::string Bytes(double v) { return FormatNumber(v) + " Byte"; }
std::string Plain(std::int64_t v) { return std::to_string(v); }

void Add(PropertyView& v, const char* caption, std::string text) { v.rows.push_back({J(caption), std::move(text)}); }

void Slice(PropertyView& v, const char* caption, std::uint32_t colour, double value) {
  v.legend.push_back({J(caption), colour, value, Bytes(value)});
}

std::string Picture() { return ReadSettingString(SettingKey::REG_FormatUpdateDateTime); }

std::string PictureFileText(const Catalog& cat, int m) {
  std::string path = cat.LongNames().PicturePath(m);
  if (path.empty()) return J("未登録");
  if (!Platform().files->Exists(text::Cp932ToUtf8(path))) return J("削除?[") + path + "]";
  return path;
}

struct LongNameCounts {
  int medium = -1;
  int cut = 0;
  int stored = 0;
};
LongNameCounts& Remembered() {
  static LongNameCounts counts;
  return counts;
}

// The rows a folder shows, node or list row alike (views 3 and 5).
template <typename Folder>
void FolderRows(PropertyView& v, const std::string& path, const Folder& r) {
  v.status = path;
  Add(v, "ﾊﾟｽ名", path);
  Add(v, "直下の総ﾌｫﾙﾀﾞ数", Plain(r.DirectFolders));
  Add(v, "直下の総ﾌｧｲﾙ数", Plain(r.DirectFiles));
  Add(v, "配下の総ﾌｫﾙﾀﾞ数", Plain(r.AllFolders));
  Add(v, "配下の総ﾌｧｲﾙ数", Plain(r.AllFiles));
  Add(v, "配下の総ﾌｧｲﾙｻｲｽﾞ", Bytes(r.Size));
  Add(v, "配下の総ｸﾗｽﾀｷﾞｬｯﾌﾟ", Bytes(r.ClusterBytes - r.Size));
  Add(v, "配下の総ｸﾗｽﾀｻｲｽﾞ", Bytes(r.ClusterBytes));
}

}  // namespace

void ForgetLongNameCounts() { Remembered() = LongNameCounts{}; }

std::string PropertyView::CopyText() const {
  std::string out;
  for (std::size_t i = 0; i < rows.size(); ++i)
    out += std::to_string(i + 1) + "\t" + rows[i].caption + "\t" + rows[i].text + "\r\n";
  return out;
}

PropertyView CatalogProperties(const Catalog& cat, double catalog_bytes, double free_bytes, int image) {
  PropertyView v;
  v.view = 1;
  v.name = "FerrovanFree";
  v.name_colour = PropertyView::kGreen;
  v.image = image;
  std::int32_t media = 0, folders = 0, files = 0;
  for (int m = 0; m < kMediaSlots && cat.SlotUsed(m); ++m) {
    if (!cat.SlotLive(m) || !InClassification(cat, cat.ClassificationFilter(), m)) continue;
    ++media;
    folders += cat.Medium(m).Root.AllFolders;
    files += cat.Medium(m).Root.AllFiles;
  }
  Add(v, "読込みﾒﾃﾞｨｱ数", Plain(media));
  Add(v, "総ﾌｫﾙﾀﾞ数", FormatNumber(folders));
  Add(v, "総ﾌｧｲﾙ数", FormatNumber(files));
  Add(v, "総数", FormatNumber(static_cast<double>(folders) + files));
  Add(v, "DBﾌｧｲﾙ名", text::Utf8ToCp932(cat.CatalogPath()));
  Add(v, "DBｻｲｽﾞ", Bytes(catalog_bytes));
  Add(v, "DBﾄﾞﾗｲﾌﾞ空ｻｲｽﾞ", (free_bytes < kLowCatalogSpace ? J("(×)") : std::string()) + Bytes(free_bytes));
  return v;
}

PropertyView CatalogProperties(const Catalog& cat, int image) {
  double size = -1;
  std::string err;
  if (auto f = Platform().files->Open(cat.CatalogPath(), OpenMode::Read, err)) size = static_cast<double>(f->Size());
  std::string folder = DirName(cat.CatalogPath());
  return CatalogProperties(cat, size, FreeBytesOfFolder(folder.empty() ? "." : folder), image);
}

PropertyView NodeProperties(Catalog& cat, const CurrentNode& node, int image) {
  if (node.kind == CurrentNode::kCatalog) return CatalogProperties(cat, image);
  PropertyView v;
  v.image = image;
  v.name = node.name;
  v.name_colour = PropertyView::kGreen;
  const MediumRecord& md = node.medium;
  const EntryRecord& r = node.record;
  const std::string pic = Picture();
  if (node.kind == CurrentNode::kMedium) {
    v.view = 2;
    v.status = node.name;
    const int m = MediumOf(node.id);
    v.picture_medium = m;
    LongNameCounts& counts = Remembered();
    if (counts.medium != m && cat.LoadMedium(m)) {
      counts.medium = m;
      counts.cut = cat.MediumNeedsReread(m);
      counts.stored = std::abs(cat.LongNameCount(m));
    }
    Add(v, "ﾒﾃﾞｨｱ名", node.name);
    Add(v, "読込みﾄﾞﾗｲﾌﾞ", md.Drive.str());
    Add(v, "ﾒﾃﾞｨｱの種類", md.DriveTypeName.str());
    Add(v, "ﾒﾃﾞｨｱの分類", md.Classification.str());
    Add(v, "ﾒﾃﾞｨｱの保管場所", md.Location.str());
    Add(v, "ﾒﾃﾞｨｱの保管場所詳細", md.LocationDetail.str());
    Add(v, "登録日時", FormatDosTime(pic, r.Time));
    Add(v, "ﾒﾃﾞｨｱの空きｻｲｽﾞ", Bytes(md.FreeSpace));
    Add(v, "全ﾌｧｲﾙｻｲｽﾞ", Bytes(r.Size));
    Add(v, "全ｸﾗｽﾀｷﾞｬｯﾌﾟ", Bytes(r.ClusterBytes - r.Size));
    Add(v, "全ﾌｧｲﾙｸﾗｽﾀｻｲｽﾞ", Bytes(r.ClusterBytes));
    Add(v, "ｸﾗｽﾀｻｲｽﾞ", Bytes(md.ClusterSize));
    Add(v, "全ﾌｫﾙﾀﾞ数", FormatNumber(r.AllFolders));
    Add(v, "全ﾌｧｲﾙ数", FormatNumber(r.AllFiles));
    Add(v, "ﾎﾞﾘｭｰﾑ名", md.VolumeName.str());
    Add(v, "ﾎﾞﾘｭｰﾑｼﾘｱﾙNo", md.SerialNo.str());
    Add(v, "一番古い更新日時ﾌｧｲﾙ", FormatDosTime(pic, md.MinFileTime));
    Add(v, "一番新しい更新日時ﾌｧｲﾙ", FormatDosTime(pic, md.MaxFileTime));
    Add(v, "一番古い更新日時ﾌｫﾙﾀﾞ", FormatDosTime(pic, md.MinFolderTime));
    Add(v, "一番新しい更新日時ﾌｫﾙﾀﾞ", FormatDosTime(pic, md.MaxFolderTime));
    Add(v, "一番小さいﾌｧｲﾙｻｲｽﾞ", Bytes(md.MinFileSize));
    Add(v, "一番大きいﾌｧｲﾙｻｲｽﾞ", Bytes(md.MaxFileSize));
    v.reread_banner = counts.cut >= 1;
    Add(v, "メディアの再読込み要否", v.reread_banner ? J("★★★必要") : J("不要"));
    Add(v, "90Byte超のLongFile名数", FormatNumber(counts.stored) + J(" 件"));
    Add(v, "メディア画像File", PictureFileText(cat, m));
    Slice(v, "全ﾌｧｲﾙｻｲｽﾞ", PropertyView::kMagenta, r.Size);
    Slice(v, "全ｸﾗｽﾀｷﾞｬｯﾌﾟ", PropertyView::kWhite, r.ClusterBytes - r.Size);
    Slice(v, "ﾒﾃﾞｨｱの空きｻｲｽﾞ", PropertyView::kYellow, md.FreeSpace);
    return v;
  }
  v.view = 3;
  FolderRows(v, node.Path(), r);
  Add(v, "その他の総ｸﾗｽﾀｻｲｽﾞ", Bytes(md.Root.ClusterBytes - r.ClusterBytes));
  Add(v, "ﾒﾃﾞｨｱの空きｻｲｽﾞ", Bytes(md.FreeSpace));
  Slice(v, "配下の総ｸﾗｽﾀｻｲｽﾞ", PropertyView::kMagenta, r.ClusterBytes);
  Slice(v, "その他の総ｸﾗｽﾀｻｲｽﾞ", PropertyView::kAqua, md.Root.ClusterBytes - r.ClusterBytes);
  Slice(v, "ﾒﾃﾞｨｱの空きｻｲｽﾞ", PropertyView::kYellow, md.FreeSpace);
  return v;
}

PropertyView RowProperties(const Catalog& cat, const CurrentNode& node, const std::vector<const TRecord*>& rows) {
  PropertyView v;
  v.name_colour = PropertyView::kBlue;
  if (rows.empty()) return v;
  if (rows.size() > 1) {
    v.view = 7;
    v.image = 7;
    v.name = std::to_string(rows.size()) + J("個のｵﾌﾞｼﾞｪｸﾄ");
    double s = 0, k = 0;
    double folders = 0, files = 0, media = 0;
    for (const TRecord* r : rows) {
      s += r->Size;
      k += r->ClusterBytes;
      folders += r->AllFolders + (r->Kind == kKindFolder ? 1 : 0);
      files += r->AllFiles + (r->Kind == kKindFile ? 1 : 0);
      if (r->Kind != kKindFolder && r->Kind != kKindFile) ++media;
    }
    Add(v, "総ﾌｧｲﾙｻｲｽﾞ", Bytes(s));
    Add(v, "総ｸﾗｽﾀｻｲｽﾞ", Bytes(k));
    Add(v, "総ｸﾗｽﾀｷﾞｬｯﾌﾟ", Bytes(k - s));
    if (media >= 1) Add(v, "総ﾒﾃﾞｨｱ数", FormatNumber(media));
    Add(v, "総ﾌｫﾙﾀﾞ数", FormatNumber(folders));
    Add(v, "総ﾌｧｲﾙ数", FormatNumber(files));
    Slice(v, "総ﾌｧｲﾙｻｲｽﾞ", PropertyView::kBlue, s);
    Slice(v, "総ｸﾗｽﾀｷﾞｬｯﾌﾟ", PropertyView::kWhite, k - s);
    return v;
  }
  const TRecord& r = *rows[0];
  v.name = r.Name;
  v.image = r.ImageIndex;
  const std::string row_path = node.Path() + "\\" + r.Name;
  if (r.Kind == kKindFolder) {
    v.view = 5;
    FolderRows(v, row_path, r);
    Slice(v, "配下の総ﾌｧｲﾙｻｲｽﾞ", PropertyView::kBlue, r.Size);
    Slice(v, "配下の総ｸﾗｽﾀｷﾞｬｯﾌﾟ", PropertyView::kWhite, r.ClusterBytes - r.Size);
  } else if (r.Kind == kKindFile) {
    v.view = 6;
    v.status = row_path;
    v.picture_medium = MediumOf(r.Id);
    Add(v, "ﾌﾙﾊﾟｽ名", row_path);
    Add(v, "ﾏｰｸ", r.Mark == 1 ? J("有") : J("無"));
    Add(v, "ｻｲｽﾞ", r.Text(kFileColSize) + " Byte");
    Add(v, "ｸﾗｽﾀｷﾞｬｯﾌﾟ", r.Text(kFileColClusterGap) + " Byte");
    Add(v, "ｸﾗｽﾀｻｲｽﾞ", r.Text(kFileColClusterSize) + " Byte");
    Add(v, "ﾌｧｲﾙの種類", r.Text(kFileColType));
    Add(v, "更新日時", r.Text(kFileColTime));
    Add(v, "Version", r.Text(kFileColVersion));
    Add(v, "ｺﾒﾝﾄ", r.Text(kFileColComment));
    Add(v, "重複ﾌｧｲﾙ数", r.DupCount == 0 ? J("無") : FormatNumber(r.DupCount));
    Slice(v, "ﾌｧｲﾙｻｲｽﾞ", PropertyView::kBlue, r.Size);
    Slice(v, "ｸﾗｽﾀｷﾞｬｯﾌﾟ", PropertyView::kWhite, r.ClusterBytes - r.Size);
  } else {
    v.view = 4;
    v.status = r.Name;
    const int m = MediumOf(r.Id);
    v.picture_medium = m;
    Add(v, "ﾒﾃﾞｨｱ名", r.Name);
    Add(v, "総ﾌｫﾙﾀﾞ数", Plain(r.AllFolders));
    Add(v, "総ﾌｧｲﾙ数", Plain(r.AllFiles));
    Add(v, "総ﾌｧｲﾙｻｲｽﾞ", Bytes(r.Size));
    Add(v, "総ｸﾗｽﾀｷﾞｬｯﾌﾟ", Bytes(r.ClusterBytes - r.Size));
    Add(v, "総ｸﾗｽﾀｻｲｽﾞ", Bytes(r.ClusterBytes));
    Add(v, "メディア画像File", PictureFileText(cat, m));
    Slice(v, "総ﾌｧｲﾙｻｲｽﾞ", PropertyView::kBlue, r.Size);
    Slice(v, "総ｸﾗｽﾀｷﾞｬｯﾌﾟ", PropertyView::kWhite, r.ClusterBytes - r.Size);
  }
  return v;
}

}  // namespace fv
