// ferrovan-cli export CATALOG PATH... --form N [--simple] [--cp932]
//
// The file-list export of the given rows with the clipboard settings of the
// settings store. A PATH is the medium name, then the folders and the name
// as the tree shows them, separated by "\"; all PATHs name rows of one list.

#include <memory>

#include "catalog/catalog.h"
#include "cli/commands.h"
#include "export/catalog_source.h"
#include "export/listing.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv::cli {
namespace {

struct Resolved {
  TRecord row;
  NodeLevel level = NodeLevel::Catalog;
  EntryId node = -1;
};

TRecord RowOf(const EntryRecord& e, EntryId id, std::string name) {
  TRecord r;
  r.Id = id;
  r.Parent = e.Parent;
  r.FirstChild = e.FirstChild;
  r.Kind = e.Kind;
  r.Attributes = e.Attributes;
  r.Name = std::move(name);
  r.Size = e.Size;
  r.Time = e.Time;
  r.Mark = e.Mark;
  r.Version = e.Version.str();
  r.DirectFolders = e.DirectFolders;
  r.DirectFiles = e.DirectFiles;
  r.AllFolders = e.AllFolders;
  r.AllFiles = e.AllFiles;
  r.ClusterBytes = e.ClusterBytes;
  r.CommentIndex = e.CommentIndex;
  return r;
}

// Resolves a cp932 path; false with a UTF-8 reason.
bool Resolve(Catalog& cat, const std::string& path, Resolved& out, std::string& why) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  int m = -1;
  for (int i = 0; i < kMediaSlots && m < 0; ++i)
    if (cat.SlotLive(i) && cat.Medium(i).Name.view() == parts[0]) m = i;
  if (m < 0) {
    why = "no medium named '" + text::Cp932ToUtf8(parts[0]) + "'";
    return false;
  }
  if (parts.size() == 1) {
    out.row = RowOf(cat.Medium(m).Root, MakeEntryId(m, 0), cat.Medium(m).Name.str());
    out.level = NodeLevel::Catalog;
    out.node = -1;
    return true;
  }
  if (!cat.LoadMedium(m)) {
    why = "cannot read the medium '" + text::Cp932ToUtf8(parts[0]) + "'";
    return false;
  }
  int at = 0, parent = 0;
  for (std::size_t k = 1; k < parts.size(); ++k) {
    const int first = cat.Entry(at).FirstChild;
    int found = -1;
    for (int i = first; first > at && i < cat.LoadedCount() && cat.Entry(i).Parent == at; ++i)
      if (cat.LoadedFullName(i) == parts[k]) {
        found = i;
        break;
      }
    if (found < 0) {
      why = "nothing named '" + text::Cp932ToUtf8(parts[k]) + "' in '" + text::Cp932ToUtf8(path) + "'";
      return false;
    }
    parent = at;
    at = found;
  }
  out.row = RowOf(cat.Entry(at), MakeEntryId(m, at), cat.LoadedFullName(at));
  out.level = parent == 0 ? NodeLevel::Medium : NodeLevel::Folder;
  out.node = MakeEntryId(m, parent);
  return true;
}

int Run(const Args& in) {
  Args args = in;
  std::string form_text;
  const bool has_form = TakeOption(args, "--form", form_text);
  const bool simple = TakeFlag(args, "--simple");
  const bool cp932 = TakeFlag(args, "--cp932");
  const auto form = ParseInt32(form_text);
  if (!has_form || !form || *form < 0 || *form > 3 || args.size() < 2)
    return Fail(kUsage, "usage: export CATALOG PATH... --form 0|1|2|3 [--simple] [--cp932]");
  if (simple && *form > 1) return Fail(kUsage, "--simple goes with --form 0 or 1 only");

  Catalog& cat = TheCatalog();
  if (!cat.LoadCatalog(args[0])) return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  cat.LoadLongNameFile();

  std::vector<Resolved> rows;
  for (std::size_t i = 1; i < args.size(); ++i) {
    Resolved r;
    std::string why;
    if (!Resolve(cat, text::Utf8ToCp932(args[i]), r, why)) return Fail(kFailed, why);
    if (!rows.empty() && (r.node != rows[0].node || r.level != rows[0].level))
      return Fail(kUsage, "every PATH must name a row of the same folder");
    rows.push_back(std::move(r));
  }
  FileListRequest req;
  req.form = *form;
  req.simple = simple;
  req.level = rows[0].level;
  req.node = rows[0].node;
  for (const Resolved& r : rows) req.rows.push_back(&r.row);
  CatalogExportSource source(cat);
  const std::string out = BuildFileListText(source, ExportSettings::Read(), req);
  if (cp932)
    PrintRaw(out);
  else
    Print(out);
  return kOk;
}

const bool registered =
    Register({"export", "export CATALOG PATH... --form 0|1|2|3 [--simple] [--cp932]", Run});

}  // namespace
}  // namespace fv::cli
