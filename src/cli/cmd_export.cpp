// ferrovan-cli export CATALOG PATH... --form N [--simple] [--cp932]
//
// The file-list export of the given rows with the clipboard settings of the
// settings store. A PATH is the medium name, then the folders and the name
// as the tree shows them, separated by "\"; all PATHs name rows of one list.

#include <memory>

#include "browse/hierarchy.h"
#include "catalog/catalog.h"
#include "cli/catalog_open.h"
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

// Resolves a cp932 path to a row of its folder's file list, as the tree and
// the list show it; false with a UTF-8 reason.
bool Resolve(Browser& browser, std::string path, Resolved& out, std::string& why) {
  // The last separator between characters (a trail byte may be a backslash).
  std::size_t sep = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i += text::CharLen(path, i))
    if (path[i] == '\\') {
      if (i + 1 == path.size()) {
        path.pop_back();  // a final separator is ignored
        break;
      }
      sep = i;
    }
  EntryId node = -1;
  if (sep != std::string::npos) {
    const auto chain = browser.ResolvePath(std::string_view(path).substr(0, sep));
    if (!chain || chain->empty()) {
      why = "no folder '" + text::Cp932ToUtf8(path.substr(0, sep)) + "'";
      return false;
    }
    node = chain->back();
  }
  const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
  browser.BuildFileList(node);
  const int row = browser.FindFileRow(name);
  if (row < 0) {
    why = "nothing named '" + text::Cp932ToUtf8(name) + "' in '" + text::Cp932ToUtf8(path) + "'";
    return false;
  }
  out.row = browser.file_list[static_cast<std::size_t>(row)];
  out.node = node;
  out.level = node < 0 ? NodeLevel::Catalog : EntryOf(node) == 0 ? NodeLevel::Medium : NodeLevel::Folder;
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
  if (!OpenCommandCatalog(cat, args[0], CatalogUse::Read))
    return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");

  Browser browser(cat);
  std::vector<Resolved> rows;
  for (std::size_t i = 1; i < args.size(); ++i) {
    Resolved r;
    std::string why;
    if (!Resolve(browser, text::Utf8ToCp932(args[i]), r, why)) return Fail(kFailed, why);
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
  // A listing is data a script may keep: written as it is, not escaped.
  const std::string out = BuildFileListText(source, ExportSettings::Read(), req);
  PrintRaw(cp932 ? out : text::Cp932ToUtf8(out));
  return kOk;
}

const bool registered =
    Register({"export", "export CATALOG PATH... --form 0|1|2|3 [--simple] [--cp932]", Run});

}  // namespace
}  // namespace fv::cli
