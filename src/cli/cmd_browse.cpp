// ferrovan-cli ls, search, comment, mark, props and histogram: the browsing
// side of a catalog. PATH is a medium name followed by folders, each after
// "\", as the tree shows it; comment, mark and props also take a file.

#include <cstdio>
#include <optional>

#include "browse/comments.h"
#include "browse/hierarchy.h"
#include "browse/histogram.h"
#include "browse/properties.h"
#include "browse/search.h"
#include "catalog/catalog.h"
#include "cli/catalog_open.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv::cli {
namespace {

bool OpenCatalog(const std::string& path, CatalogUse use = CatalogUse::Read) {
  return OpenCommandCatalog(TheCatalog(), path, use);
}

// What a PATH names: a tree node, or a row of a node's file list.
struct Target {
  EntryId node = -1;
  int row = -1;  // index into the browser's file list, -1 = the node itself
};

std::optional<Target> Resolve(Browser& b, const std::string& utf8_path, std::string& why) {
  Target t;
  const std::string path = text::Utf8ToCp932(utf8_path);
  if (path.empty()) return t;
  if (auto chain = b.ResolvePath(path)) {
    t.node = chain->back();
    return t;
  }
  // The last component may be a file: look for it in its folder's list.
  std::size_t cut = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i += text::CharLen(path, i))
    if (path[i] == '\\' && i + 1 < path.size()) cut = i;
  if (cut != std::string::npos) {
    if (auto parent = b.ResolvePath(path.substr(0, cut))) {
      t.node = parent->back();
      b.PopulateFileList(t.node);
      t.row = b.FindFileRow(path.substr(cut + 1));
      if (t.row >= 0) return t;
    }
  }
  why = "nothing named '" + utf8_path + "' in the catalog";
  return std::nullopt;
}

void PrintColumns(const TRecord& row, int columns) {
  std::vector<std::string> fields;
  for (int c = 0; c < columns; ++c) fields.push_back(row.Text(c));
  PrintRow(fields);
}

int Ls(const Args& args) {
  if (args.empty() || args.size() > 2) return Fail(kUsage, "usage: ls CATALOG [PATH]");
  if (!OpenCatalog(args[0])) return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  Browser b(TheCatalog());
  std::string why;
  auto t = Resolve(b, args.size() > 1 ? args[1] : std::string(), why);
  if (!t || t->row >= 0) return Fail(kFailed, t ? "'" + args[1] + "' is a file" : why);
  b.PopulateFileList(t->node);
  std::vector<std::string> header;
  for (int c = 0; c < kFileColumnCount; ++c) header.push_back(FileColumnCaption(c, b.CatalogLevel()));
  PrintRow(header);
  for (const TRecord& r : b.file_list) PrintColumns(r, kFileColumnCount);
  return kOk;
}

// "yyyy/mm/dd" with an optional " hh:nn" (or "-" separators).
std::optional<DateTime> ParseWhen(const std::string& s, bool end_of_day) {
  DateTime t;
  int n = std::sscanf(s.c_str(), "%d%*[/-]%d%*[/-]%d%*[ T]%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute);
  if (n < 3 || !IsValidDate(t.year, t.month, t.day)) return std::nullopt;
  if (n < 5) {
    t.hour = end_of_day ? 23 : 0;
    t.minute = end_of_day ? 59 : 0;
    t.second = end_of_day ? 58 : 0;
  }
  return t;
}

const char* kSearchUsage =
    "usage: search CATALOG [--name PATTERN] [--name2 TEXT] [--and] [--case] [--partial] [--min BYTES] "
    "[--max BYTES] [--from DATE] [--to DATE] [--comment | --comment-text TEXT] [--comment-and] [--comment-case] "
    "[--marked] "
    "[--folders] [--folders-only] [--media NAME]... [--sort COLUMN] [--desc]";

int Search(const Args& in) {
  Args args = in;
  if (TakeFlag(args, "--help")) {
    std::printf("%s\n", kSearchUsage);
    return kOk;
  }
  SearchForm f;
  f.name_on = f.size_on = f.time_on = f.comment_on = false;
  std::string v;
  if (TakeOption(args, "--name", v)) {
    f.name_on = true;
    f.first_name = text::Utf8ToCp932(v);
  }
  if (TakeOption(args, "--name2", v)) f.second_name = text::Utf8ToCp932(v);
  f.names_and = TakeFlag(args, "--and");
  f.name_case = TakeFlag(args, "--case");
  f.partial = TakeFlag(args, "--partial");
  f.size_min_text = "0";
  f.size_max_text = std::to_string(kSizeBoxMax);
  if (TakeOption(args, "--min", v)) f.size_on = true, f.size_min_text = v;
  if (TakeOption(args, "--max", v)) f.size_on = true, f.size_max_text = v;
  f.start = {1980, 1, 1, 0, 0, 0};
  f.end = {2107, 12, 31, 23, 59, 58};
  for (const char* opt : {"--from", "--to"}) {
    if (!TakeOption(args, opt, v)) continue;
    const bool to = opt[2] == 't';
    auto when = ParseWhen(v, to);
    if (!when) return Fail(kUsage, std::string(opt) + " takes yyyy/mm/dd [hh:nn], not '" + v + "'");
    (to ? f.end : f.start) = *when;
    f.time_on = true;
  }
  f.comment_and = TakeFlag(args, "--comment-and");
  f.comment_case = TakeFlag(args, "--comment-case");
  if (TakeOption(args, "--comment-text", v)) {
    f.comment_on = true;
    f.comment_all = false;
    f.comment_text = text::Utf8ToCp932(v);
  } else if (TakeFlag(args, "--comment")) {
    f.comment_on = true;
  }
  f.marked_only = TakeFlag(args, "--marked");
  f.folders_too = TakeFlag(args, "--folders");
  f.folders_only = TakeFlag(args, "--folders-only");
  std::vector<std::string> media;
  while (TakeOption(args, "--media", v)) media.push_back(text::Utf8ToCp932(v));
  SortState sort;
  if (TakeOption(args, "--sort", v)) {
    auto col = ParseInt32(v);
    if (!col || *col < 0 || *col >= kSearchColumnCount) return Fail(kUsage, "--sort takes a column 0..12");
    ClickColumn(sort, *col, false, SearchColumnRightAligned(*col));
  }
  sort.descending = TakeFlag(args, "--desc");
  if (args.size() != 1) return Fail(kUsage, kSearchUsage);
  if (!OpenCatalog(args[0])) return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  Catalog& cat = TheCatalog();
  f.ranges = ComputeRanges(cat, "");
  for (int m = 0; m < kMediaSlots && cat.SlotUsed(m); ++m) {
    if (!cat.SlotLive(m)) continue;
    SearchForm::MediumRow row;
    row.medium = m;
    row.checked = media.empty();
    for (const std::string& name : media) row.checked |= cat.Medium(m).Name.view() == name;
    f.media.push_back(row);
  }
  auto conditions = f.Press();
  if (!conditions) return kFailed;
  Browser b(cat);
  RowList results;
  ProgressLine progress;
  // Panel 1 carries the run's progress; panel 0 is only emptied.
  const PanelSink status = [&progress](int panel, const std::string& t) {
    if (panel == 1) progress.Show(t);
  };
  RunSearch(b, *conditions, f.ChosenMedia(), results, status);
  ExtensionImages images;
  FormatSearchResults(b, results, images, sort, status);
  progress.End();
  for (const TRecord& r : results) PrintColumns(r, kSearchColumnCount);
  return kOk;
}

// Opens the catalog and finds the row PATH names in its folder's list.
std::optional<int> OpenRow(const Args& args, std::size_t want, const char* usage, Browser& b, int& status,
                           bool write) {
  status = kOk;
  if (args.size() != want) {
    status = Fail(kUsage, usage);
    return std::nullopt;
  }
  if (!OpenCatalog(args[0], write ? CatalogUse::Write : CatalogUse::Read)) {
    status = Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
    return std::nullopt;
  }
  std::string why;
  auto t = Resolve(b, args[1], why);
  if (t && t->row < 0 && t->node >= 0) {
    // A medium or folder: its row in the parent's list.
    auto loc = b.LocationOf(t->node);
    EntryId parent = -1;
    if (loc && !loc->path.empty()) {
      auto chain = b.ResolvePath(loc->path);
      if (chain) parent = chain->back();
    }
    b.PopulateFileList(parent);
    t->row = -1;
    for (std::size_t i = 0; i < b.file_list.size(); ++i)
      if (b.file_list[i].Id == t->node) t->row = static_cast<int>(i);
  }
  if (!t || t->row < 0) {
    status = Fail(kFailed, t ? "'" + args[1] + "' names no row" : why);
    return std::nullopt;
  }
  return t->row;
}

int Comment(const Args& args) {
  Browser b(TheCatalog());
  int status;
  auto row = OpenRow(args, 3, "usage: comment CATALOG PATH TEXT", b, status, true);
  if (!row) return status;
  bool stored = false;
  if (!RegisterComment(TheCatalog(), b.file_list[static_cast<std::size_t>(*row)], text::Utf8ToCp932(args[2]),
                       &stored))
    return kOk;  // an empty text where there is no comment: nothing to do
  return stored ? kOk : Fail(kFailed, "the comment was not stored");
}

int Mark(const Args& args) {
  Browser b(TheCatalog());
  int status;
  auto row = OpenRow(args, 2, "usage: mark CATALOG PATH", b, status, true);
  if (!row) return status;
  TRecord& r = b.file_list[static_cast<std::size_t>(*row)];
  const int failed = ToggleMarks(TheCatalog(), {&r});
  PrintLine(r.Mark == 1 ? "1" : "0");
  return failed == 0 ? kOk : Fail(kFailed, "the mark was not stored");
}

int Props(const Args& args) {
  if (args.empty() || args.size() > 2) return Fail(kUsage, "usage: props CATALOG [PATH]");
  if (!OpenCatalog(args[0])) return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  Catalog& cat = TheCatalog();
  Browser b(cat);
  std::string why;
  auto t = Resolve(b, args.size() > 1 ? args[1] : std::string(), why);
  if (!t) return Fail(kFailed, why);
  PropertyView v;
  if (t->row >= 0) {
    const TRecord row = b.file_list[static_cast<std::size_t>(t->row)];
    b.BuildChildList(t->node);
    v = RowProperties(cat, b.current, {&row});
  } else {
    b.BuildChildList(t->node);
    v = NodeProperties(cat, b.current, 0);
  }
  PrintLine(v.name);
  // The rows as "プロパティのコピー" puts them on the clipboard.
  for (std::size_t i = 0; i < v.rows.size(); ++i)
    PrintRow({std::to_string(i + 1), v.rows[i].caption, v.rows[i].text}, "\r\n");
  return kOk;
}

int HistogramCmd(const Args& in) {
  Args args = in;
  std::string d, h;
  const bool has_d = TakeOption(args, "--months", d), has_h = TakeOption(args, "--hours", h);
  if (args.empty() || args.size() > 2) return Fail(kUsage, "usage: histogram CATALOG [PATH] --months D --hours H");
  Histogram hist;
  if (has_d) {
    auto v = ParseInt32(d);
    if (!v || (*v != hist.MonthsPerRow() && !hist.SetMonthsPerRow(*v)))
      return Fail(kUsage, "--months takes 1, 2, 3, 4, 6 or 12");
  }
  if (has_h) {
    auto v = ParseInt32(h);
    if (!v || (*v != hist.HoursPerColumn() && !hist.SetHoursPerColumn(*v)))
      return Fail(kUsage, "--hours takes 1, 2, 3, 4, 6, 8, 12 or 24");
  }
  if (!OpenCatalog(args[0])) return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  Browser b(TheCatalog());
  std::string why;
  auto t = Resolve(b, args.size() > 1 ? args[1] : std::string(), why);
  if (!t || t->row >= 0) return Fail(kFailed, t ? "'" + args[1] + "' is a file" : why);
  if (!hist.Build(TheCatalog(), t->node)) return Fail(kFailed, "no medium to count");
  for (int r = 0; r < hist.RowCount(); ++r) {
    std::vector<std::string> cells;
    for (int k = 0; k < hist.ColumnCount(); ++k) cells.push_back(hist.CellText(k, r));
    PrintRow(cells);
  }
  return kOk;
}

const bool r1 = Register({"ls", "ls CATALOG [PATH]", Ls});
const bool r2 = Register({"search", "search CATALOG [options]  (search --help lists them)", Search});
const bool r3 = Register({"comment", "comment CATALOG PATH TEXT", Comment});
const bool r4 = Register({"mark", "mark CATALOG PATH", Mark});
const bool r5 = Register({"props", "props CATALOG [PATH]", Props});
const bool r6 = Register({"histogram", "histogram CATALOG [PATH] --months D --hours H", HistogramCmd});

}  // namespace
}  // namespace fv::cli
