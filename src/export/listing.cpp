#include "export/listing.h"

#include <cmath>
#include <cstdio>

#include "browse/row_format.h"
#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr int kTreeLevels = 50;
constexpr std::int16_t kAttrFolder = 0x10;

const std::string& Cp(const char* utf8) = delete;

struct Texts {
  std::string branch_mid = text::Utf8ToCp932("  ├");
  std::string branch_last = text::Utf8ToCp932("  └");
  std::string cont_mid = text::Utf8ToCp932("  │   ");
  std::string cont_last = "       ";
  std::string file_mark = "  ";
  std::string marked = text::Utf8ToCp932("有");
  std::string medium_open = text::Utf8ToCp932("[メディア名：");
  std::string medium_close = "]";
  std::string catalog_medium_open = text::Utf8ToCp932("【メディア名：");
  std::string catalog_medium_close = text::Utf8ToCp932("】");
};

const Texts& T() {
  static const Texts t;
  return t;
}

// The values a row line can show, from a list row or a catalog entry.
struct RowValues {
  double size = 0;
  double cluster_bytes = 0;
  std::uint32_t time = 0;
  std::int16_t attributes = 0;
  std::int16_t direct_folders = 0;
  std::int32_t direct_files = 0;
  std::int16_t all_folders = 0;
  std::int32_t all_files = 0;
  std::uint8_t mark = 0;
  std::string_view version;
  std::int32_t comment_index = -1;
};

RowValues ValuesOf(const TRecord& r) {
  return {r.Size,          r.ClusterBytes, r.Time,     r.Attributes, r.DirectFolders, r.DirectFiles,
          r.AllFolders,    r.AllFiles,     r.Mark,     r.Version,    r.CommentIndex};
}

RowValues ValuesOf(const EntryRecord& e) {
  return {e.Size,       e.ClusterBytes, e.Time, e.Attributes,     e.DirectFolders, e.DirectFiles,
          e.AllFolders, e.AllFiles,     e.Mark, e.Version.view(), e.CommentIndex};
}

std::string Padded4(int n, const char* tail) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "[%.4d]%s", n, tail);
  return buf;
}

std::string AttributeLetters(std::int16_t a) {
  std::string s;
  if (a & 0x01) s += 'R';
  if (a & 0x02) s += 'H';
  if (a & 0x04) s += 'S';
  if (a & 0x20) s += 'A';
  return s;
}

class Builder {
 public:
  Builder(ExportCatalog& cat, const ExportSettings& s, bool simple) : cat_(cat), s_(s), simple_(simple) {}

  std::string Header() const {
    std::string line;
    const auto& headers = ExportColumnHeaders();
    for (int k = 0; k < kExportColumnCount; ++k) {
      if (!s_.columns[static_cast<std::size_t>(k)]) continue;
      if (!line.empty()) line += s_.item_sep;
      const bool quote = (k == kColName || k == kColComment) && s_.CommaSeparated();
      line += quote ? Quoted(headers[static_cast<std::size_t>(k)]) : headers[static_cast<std::size_t>(k)];
    }
    return line;
  }

  // One row line; takes the running number and advances it.
  std::string RowLine(const RowValues& v, const std::string& name) {
    std::string line;
    const int number = running_++;
    for (int k = 0; k < kExportColumnCount; ++k) {
      if (!s_.columns[static_cast<std::size_t>(k)]) continue;
      std::string value;
      switch (k) {
        case kColNo: value = std::to_string(number); break;
        case kColName: value = (s_.CommaSeparated() && !simple_) ? Quoted(name) : name; break;
        case kColTime: value = FormatDosTime(s_.time_picture, v.time); break;
        case kColSize: value = WholeNumber(v.size); break;
        case kColClusterBytes: value = WholeNumber(v.cluster_bytes); break;
        case kColClusterGap: value = WholeNumber(v.cluster_bytes - v.size); break;
        case kColAttributes: value = AttributeLetters(v.attributes); break;
        case kColDirectFolders: value = std::to_string(v.direct_folders); break;
        case kColDirectFiles: value = std::to_string(v.direct_files); break;
        case kColAllFolders: value = std::to_string(v.all_folders); break;
        case kColAllFiles: value = std::to_string(v.all_files); break;
        case kColMark: value = v.mark == 1 ? T().marked : std::string(); break;
        case kColComment: {
          std::string c = v.comment_index >= 0 ? cat_.CommentText(v.comment_index) : std::string();
          value = s_.CommaSeparated() ? Quoted(c) : c;
          break;
        }
        case kColVersion: value = std::string(v.version); break;
      }
      if (!line.empty()) line += s_.item_sep;
      line += value;
    }
    return line;
  }

  std::string RowLine(const TRecord& r, const std::string& name) { return RowLine(ValuesOf(r), name); }

  // The folders above entry e of the loaded medium, each followed by the
  // path separator (the medium's own name not included).
  std::string FolderPrefix(int e) {
    std::string path;
    const int count = cat_.EntryCount();
    if (e <= 0 || e >= count) return path;
    // Parents always stand before their children; anything else is damage
    // and ends the walk.
    for (int p = cat_.Entry(e).Parent, below = e; p > 0 && p < below; below = p, p = cat_.Entry(p).Parent)
      path.insert(0, cat_.FullName(p) + s_.path_sep);
    return path;
  }

  // Listing of the children of entry `owner` of the loaded medium. cap < 0:
  // no line cap. A non-empty prefix is followed by the path separator.
  std::string Listing(int owner, const std::string& top_name, const std::string& prefix, int cap) {
    out_.clear();
    cap_ = cap;
    if (s_.tree) Add(top_name);
    PushRun(owner, 0, prefix);
    while (!stack_.empty() && !stopped()) {
      Frame& f = stack_.back();
      if (f.next >= f.end) {
        stack_.pop_back();
        continue;
      }
      const int i = f.next++;
      const int level = f.level;  // of the listing; tree level is level + 1
      const EntryRecord& e = cat_.Entry(i);
      if (!s_.folders_only) ++f.counter;
      const std::string name = cat_.FullName(i);
      const std::string path = f.prefix.empty() ? name : f.prefix + s_.path_sep + name;
      const bool later = s_.folders_only ? i < f.last_folder : i + 1 < f.end;
      if (e.Attributes & kAttrFolder) {
        if (s_.folders_only) ++f.counter;
        const int counter = f.counter;
        const bool has_children = ValidRun(i) >= 0;
        if (s_.tree) {
          Add(TreePrefix(level + 1, true, later, counter) + name);
        } else if (!has_children || s_.folders_only) {
          Add(RowLine(ValuesOf(e), path + s_.path_sep));
        }
        if (has_children) PushRun(i, level + 1, path);  // f is invalid from here
      } else if (!s_.folders_only) {
        if (s_.tree)
          Add(TreePrefix(level + 1, false, later, f.counter) + name);
        else
          Add(RowLine(ValuesOf(e), path));
      }
    }
    stack_.clear();
    return std::move(out_);
  }

 private:
  struct Frame {
    int next, end, last_folder, level, counter;
    std::string prefix;
  };

  bool stopped() const { return cap_ >= 0 && lines_ >= cap_; }

  void Add(const std::string& line) {
    if (stopped()) return;
    out_ += line;
    out_ += kCrLf;
    ++lines_;
  }

  // First child of `owner` when its run is sound: it stands after the owner
  // and names the owner as its parent (a damaged catalog could otherwise
  // loop or list a run twice). -1 when there is none.
  int ValidRun(int owner) const {
    const int count = cat_.EntryCount();
    if (owner < 0 || owner >= count) return -1;
    const int first = cat_.Entry(owner).FirstChild;
    if (first <= owner || first >= count) return -1;
    const EntryRecord& c = cat_.Entry(first);
    return (c.Parent == owner && c.Kind != 0) ? first : -1;
  }

  void PushRun(int owner, int level, const std::string& prefix) {
    const int first = ValidRun(owner);
    if (first < 0) return;
    const int count = cat_.EntryCount();
    int end = first, last_folder = -1;
    while (end < count && cat_.Entry(end).Parent == owner && cat_.Entry(end).Kind != 0) {
      if (cat_.Entry(end).Attributes & kAttrFolder) last_folder = end;
      ++end;
    }
    stack_.push_back({first, end, last_folder, level, 0, prefix});
  }

  std::string TreePrefix(int level, bool folder, bool later_sibling, int number) {
    if (level > kTreeLevels) return {};
    const std::string& mark = folder ? FolderMarkText(s_.folder_mark) : T().file_mark;
    std::string prefix;
    if (s_.tree_numbers) {
      numbers_[static_cast<std::size_t>(level)] = number;
      for (int l = 1; l <= level; ++l) {
        if (l > 1) prefix += '-';
        prefix += Padded4(numbers_[static_cast<std::size_t>(l)], "");
      }
      return prefix + mark;
    }
    pieces_[static_cast<std::size_t>(level)] = (later_sibling ? T().branch_mid : T().branch_last) + mark;
    if (level > 1) {
      std::string& up = pieces_[static_cast<std::size_t>(level - 1)];
      if (up.rfind(T().branch_last, 0) == 0)
        up = T().cont_last;
      else if (up.rfind(T().branch_mid, 0) == 0)
        up = T().cont_mid;
    }
    for (int l = 1; l <= level; ++l) prefix += pieces_[static_cast<std::size_t>(l)];
    if (s_.offset_numbers) prefix += Padded4(number, " ");
    return prefix;
  }

  ExportCatalog& cat_;
  const ExportSettings& s_;
  bool simple_;
  int running_ = 1;
  int lines_ = 0;
  int cap_ = -1;
  std::string out_;
  std::vector<Frame> stack_;
  std::array<std::string, kTreeLevels + 1> pieces_;
  std::array<int, kTreeLevels + 1> numbers_{};
};

}  // namespace

std::string Quoted(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';  // a quote inside the field is doubled
    out += c;
  }
  out += '"';
  return out;
}

std::string WholeNumber(double v) {
  double r = std::round(v);
  if (r == 0 || std::isnan(r)) r = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", r);
  return buf;
}

std::string BuildFileListText(ExportCatalog& cat, const ExportSettings& s, const FileListRequest& req) {
  const bool simple = req.simple && (req.form == 0 || req.form == 1);
  const bool at_catalog = req.level == NodeLevel::Catalog;
  Builder b(cat, s, simple);
  std::string out;
  if (!s.tree && !simple) out += b.Header() + kCrLf;

  if (req.form == 3 && !at_catalog) {
    const int m = MediumOf(req.node);
    if (req.node < 0 || !cat.LoadMedium(m)) return out;
    std::string item = T().medium_open + cat.MediumName(m) + T().medium_close + kCrLf;
    item += b.Listing(0, std::string(), std::string(), cat.EntryCount());
    ApplyNameMode(s.name_mode, item);
    return out + item + kCrLf;
  }

  for (const TRecord* row : req.rows) {
    if (!row || row->Id < 0) continue;
    const int m = MediumOf(row->Id);
    const int e = at_catalog ? 0 : EntryOf(row->Id);
    std::string item;
    switch (req.form) {
      case 0:
        item = b.RowLine(*row, row->Name);
        break;
      case 1:
        // A medium row is the top of its own path.
        if (!at_catalog && cat.LoadMedium(m))
          item = b.RowLine(*row, b.FolderPrefix(e) + row->Name);
        else
          item = b.RowLine(*row, row->Name);
        break;
      case 2:
        // For a medium row: its whole medium under its name, without the cap
        // that guards a single folder.
        if (cat.LoadMedium(m)) item = b.Listing(e, row->Name, row->Name, at_catalog ? -1 : cat.EntryCount());
        break;
      case 3:
        if (!cat.LoadMedium(m)) continue;
        item = T().catalog_medium_open + cat.MediumName(m) + T().catalog_medium_close + kCrLf;
        item += b.Listing(0, std::string(), std::string(), -1);
        break;
      default:
        return out;
    }
    ApplyNameMode(s.name_mode, item);
    out += item;
    if (req.form != 2) out += kCrLf;
  }
  return out;
}

std::string BuildSearchListText(const std::vector<const TRecord*>& rows, int mode, int name_mode,
                                const std::string& time_picture) {
  std::string out;
  for (const TRecord* r : rows) {
    if (!r) continue;
    std::string line;
    if (mode == 0) {
      line = r->Name;
    } else if (mode == 1) {
      line = r->ParentPath + "\\" + r->Name;
    } else if (mode == 4) {
      line = Quoted(r->Name) + ",";
      line += (IsFileKind(r->Kind) ? std::string("1") : std::to_string(r->AllFiles)) + ",";
      line += Quoted(r->ParentPath) + ",";
      line += Quoted(r->Text(kSearchColClassification)) + "," + Quoted(r->Text(kSearchColLocation)) + ",";
      line += Quoted(r->Text(kSearchColLocationDetail)) + ",";
      line += WholeNumber(r->Size) + ",";
      line += Quoted(r->Text(kSearchColType)) + ",";
      line += Quoted(FormatDosTime(time_picture, r->Time)) + ",";
      line += WholeNumber(r->ClusterBytes) + "," + WholeNumber(r->ClusterBytes - r->Size) + ",";
      line += Quoted(r->Version) + "," + Quoted(r->Text(kSearchColComment));
    } else {
      continue;
    }
    ApplyNameMode(name_mode, line);
    out += line + kCrLf;
  }
  return out;
}

}  // namespace fv
