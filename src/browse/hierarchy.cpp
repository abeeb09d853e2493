#include "browse/hierarchy.h"

#include "browse/comments.h"
#include "catalog/catalog.h"
#include "media_meta/name_lists.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

namespace {

bool MediumVisible(const Catalog& cat, int m) {
  return cat.SlotLive(m) && InClassification(cat, cat.ClassificationFilter(), m);
}

}  // namespace

std::string CurrentNode::Path() const {
  if (kind == kFolder) return parent_path.empty() ? name : parent_path + "\\" + name;
  return name;
}

void FillRow(TRecord& row, EntryId id, const EntryRecord& e, std::string name) {
  row.Id = id;
  CopyEntryFields(e, row);
  row.Name = std::move(name);
  row.Version = e.Version.str();
  row.CommentIndex = e.CommentIndex;
  row.ImageIndex = e.Kind;
  row.StateIndex = e.Mark == 1 ? 0 : -1;
}

std::string ObjectProgressText(int i, int n) {
  return "(" + std::to_string(i) + "/" + std::to_string(n) + ")" + text::Utf8ToCp932(" 個のオブジェクト");
}

std::string ObjectCountText(int n) { return std::to_string(n) + text::Utf8ToCp932(" 個のオブジェクト"); }

Browser::Browser(Catalog& catalog) : cat_(catalog) {}

std::string Browser::LoadedName(int e) const { return cat_.LoadedFullName(e); }

int Browser::BuildRows(EntryId n, RowList& list) {
  list.clear();
  if (n < 0) {
    for (int m = 0; m < kMediaSlots && cat_.SlotUsed(m); ++m) {
      if (!MediumVisible(cat_, m)) continue;
      const MediumRecord& medium = cat_.Medium(m);
      list.emplace_back();
      FillRow(list.back(), MakeEntryId(m, 0), medium.Root, medium.Name.str());
    }
    return static_cast<int>(list.size());
  }
  const int m = MediumOf(n), e = EntryOf(n);
  if (m >= kMediaSlots || !cat_.LoadMedium(m)) return -1;
  const int count = cat_.LoadedCount();
  if (e >= count) return -1;
  const int first = cat_.Entry(e).FirstChild;
  if (first < 0) return 0;
  int end = first;
  while (end < count && cat_.Entry(end).Parent == e && cat_.Entry(end).Kind != 0) ++end;
  // The catalog is only read here, so long folders fill on two threads.
  list.Append(static_cast<std::size_t>(end - first), [&](std::size_t i, TRecord& row) {
    const int c = first + static_cast<int>(i);
    FillRow(row, MakeEntryId(m, c), cat_.Entry(c), LoadedName(c));
  });
  return static_cast<int>(list.size());
}

void Browser::RecordCurrent(EntryId n) {
  CurrentNode node;
  node.id = n;
  if (n < 0) {
    node.kind = CurrentNode::kCatalog;
    node.name = "FerrovanFree";
  } else {
    const int m = MediumOf(n), e = EntryOf(n);
    node.medium = cat_.Medium(m);
    if (e == 0) {
      node.kind = CurrentNode::kMedium;
      node.record = node.medium.Root;
      node.name = node.medium.Name.str();
    } else {
      node.kind = CurrentNode::kFolder;
      node.record = cat_.Entry(e);
      node.name = LoadedName(e);
      ClearPathCache();
      node.parent_path = EntryPath(m, e);
    }
  }
  current = std::move(node);
}

int Browser::BuildChildList(EntryId n) {
  if (n < 0) cat_.ForgetLoadedMedium();
  int rows = BuildRows(n, child_list);
  if (rows < 0) {
    child_list.clear();
    return 0;
  }
  child_list.SortByName();
  RecordCurrent(n);
  return rows;
}

int Browser::BuildFileList(EntryId n) {
  int rows = BuildRows(n, file_list);
  if (rows < 0) {
    file_list.clear();
    return 0;
  }
  return rows;
}

RowFormatContext Browser::FormatContext(ExtensionImages* images) const {
  RowFormatContext ctx;
  ctx.date_picture = ReadSettingString(SettingKey::REG_FormatUpdateDateTime);
  ctx.images = images;
  const Catalog* cat = &cat_;
  ctx.comment_text = [cat](int k) { return CommentText(*cat, k); };
  ctx.dup_count = dup_count;
  ctx.free_space = [cat](int m) { return m >= 0 && m < kMediaSlots ? cat->Medium(m).FreeSpace : -1.0; };
  return ctx;
}

int Browser::PopulateFileList(EntryId n, const std::function<void(const std::string&)>& status) {
  const int count = BuildFileList(n);
  catalog_level_ = n < 0;
  file_sort.right_aligned = FileColumnRight(file_sort.column);
  if (status) status(ObjectProgressText(1, count));
  RowFormatContext ctx = FormatContext(&file_images);
  ctx.catalog_level = catalog_level_;
  // The texts are formatted as rows are first shown (or sorted by a column
  // that needs them).
  // Long lists are prepared on two threads, each half with a text source
  // of its own so the threads do not share its count; the progress comes
  // from the calling thread's half, the first.
  SplitWork(static_cast<std::size_t>(count), RowStore::kParallelRows, [&](std::size_t begin, std::size_t end) {
    const auto texts = FileRowTexts(ctx);
    ImageLookup images(ctx.images);
    for (std::size_t i = begin; i < end; ++i) {
      if (begin == 0 && status && (i + 1) % 100 == 0) status(ObjectProgressText(static_cast<int>(i) + 1, count));
      PrepareFileRow(file_list[i], texts, images);
    }
  });
  if (ctx.dup_count)
    for (TRecord& row : file_list) row.DupCount = ctx.dup_count(row.Name);
  if (status) status(ObjectCountText(count));
  file_list.Sort(file_sort, [this](int c) { return FileColumnRight(c); });
  return count;
}

void Browser::SortFileList(int column, bool shift) {
  ClickColumn(file_sort, column, shift, FileColumnRight(column));
  file_list.Sort(file_sort, [this](int c) { return FileColumnRight(c); });
}

std::vector<TreeNodeInfo> Browser::TreeChildren(EntryId n) {
  std::vector<TreeNodeInfo> nodes;
  BuildChildList(n);
  for (const TRecord& r : child_list) {
    if (r.Kind == kKindFile) continue;
    TreeNodeInfo t;
    t.id = r.Id;
    t.text = r.Name;
    t.image = r.Kind;
    t.selected_image = r.Kind == kKindFolder ? static_cast<int>(kKindFolderOpen) : r.Kind;
    t.state_image = r.Mark == 1 ? 1 : -1;
    t.has_button = r.DirectFolders > 0;
    nodes.push_back(std::move(t));
  }
  return nodes;
}

std::string Browser::EntryPath(int m, int e) {
  if (e <= 0 || m < 0 || m >= kMediaSlots || !cat_.LoadMedium(m)) return {};
  if (m != cached_medium_) ClearPathCache();
  const int p = cat_.Entry(e).Parent;
  if (p == cached_parent_) return cached_path_;
  std::string path;
  int guard = cat_.LoadedCount();
  for (int k = p; k >= 0 && k < cat_.LoadedCount() && guard-- > 0; k = cat_.Entry(k).Parent) {
    std::string component = k == 0 ? cat_.Medium(m).Name.str() : LoadedName(k);
    path = path.empty() ? component : component + "\\" + path;
    if (k == 0) break;
  }
  cached_medium_ = m;
  cached_parent_ = p;
  cached_path_ = path;
  return path;
}

std::optional<std::vector<EntryId>> Browser::ResolvePath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); i += text::CharLen(path, i)) {
    if (path[i] == '\\') {
      parts.emplace_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < path.size()) parts.emplace_back(path.substr(start));
  std::vector<EntryId> chain;
  EntryId node = -1;
  for (const std::string& part : parts) {
    EntryId found = -2;
    for (const TreeNodeInfo& child : TreeChildren(node)) {
      if (child.text == part) {
        found = child.id;
        break;
      }
    }
    if (found == -2) return std::nullopt;
    chain.push_back(found);
    node = found;
  }
  return chain;
}

std::optional<Browser::Location> Browser::LocationOf(EntryId id) {
  if (id < 0) return std::nullopt;
  const int m = MediumOf(id), e = EntryOf(id);
  if (m >= kMediaSlots || !cat_.LoadMedium(m) || e >= cat_.LoadedCount()) return std::nullopt;
  Location loc;
  loc.name = e == 0 ? cat_.Medium(m).Name.str() : LoadedName(e);
  if (e > 0) {
    std::string folders = EntryPath(m, e);
    loc.path = folders.empty() ? std::string() : folders + "\\";
  }
  return loc;
}

int Browser::FindFileRow(std::string_view name) const {
  for (std::size_t i = 0; i < file_list.size(); ++i)
    if (file_list[i].Name == name) return static_cast<int>(i);
  return -1;
}

}  // namespace fv
