// ferrovan-cli dups CATALOG
// ferrovan-cli similar CATALOG [--separators S]
// ferrovan-cli groups CATALOG dup|similar
//
// dups and similar run the detection over every live medium, write the
// store beside the catalog and list it; groups lists an existing store
// without running. The listing: a summary line, then per kind (word group)
// its name and member count, then one tab-separated line per member with
// medium name, name, size and update time.

#include "catalog/catalog.h"
#include "cli/catalog_open.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "dupes/result_store.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv::cli {
namespace {

using dupes::MemberListId;
using dupes::ResultStore;
using dupes::StoreMode;
using dupes::StoreRow;

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

// The run's status texts on the progress line.
class RunProgress : public dupes::DetectionProgress {
 public:
  void Counters(const std::string&, const std::string&, const std::string&) override {}
  void Status(const std::string& text) override { line.Show(text); }
  ProgressLine line;
};

void List(ResultStore& store, Catalog& cat) {
  const bool dup = store.Mode() == StoreMode::Duplicate;
  if (store.GroupCount() == 0 || store.MemberCount() == 0) {
    PrintLine(Sj(dup ? "重複ファイルなし" : "似たようなファイルなし"));
    return;
  }
  PrintLine(FormatNumber(store.GroupCount()) + Sj("種類、") + FormatNumber(store.MemberCount()) +
            Sj(dup ? "件の重複ファイル" : "件の似たようなファイル"));
  const std::string picture = ReadSettingString(SettingKey::REG_FormatUpdateDateTime);
  StoreRow group, member;
  for (int g = 0; store.GroupAt(g, group); ++g) {
    PrintLine(group.name + " (" + FormatNumber(group.kind_size) + ")");
    store.LoadMembers(MemberListId::Detail, group.first, group.kind_size);
    for (int i = 0; store.MemberAt(MemberListId::Detail, i, member); ++i) {
      const int m = MediumOf(member.id);
      std::string medium = member.id >= 0 && m < kMediaSlots ? cat.Medium(m).Name.str() : std::string();
      PrintRow({"", medium, member.name, std::to_string(member.size), FormatDosTime(picture, member.time)});
    }
  }
}

bool Open(const std::string& arg, CatalogUse use, Catalog& cat, dupes::CatalogMedia& media, ResultStore& store) {
  std::string path;
  if (!OpenCommandCatalog(cat, arg, use, &path)) return false;
  store.SetStorePath(path);
  store.SetNameSource(&media);
  return true;
}

int RunSearch(Args args, StoreMode mode) {
  std::string separators;
  const bool has_separators = mode == StoreMode::Similar && TakeOption(args, "--separators", separators);
  if (args.size() != 1)
    return Fail(kUsage, mode == StoreMode::Duplicate ? "usage: dups CATALOG" : "usage: similar CATALOG [--separators S]");
  Catalog& cat = TheCatalog();
  dupes::CatalogMedia media(cat);
  ResultStore store(mode);
  if (!Open(args[0], CatalogUse::Write, cat, media, store))
    return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  // A search command takes the separator set from the settings.
  if (has_separators)
    store.SetSeparators(text::Utf8ToCp932(separators));
  else
    store.SetSeparatorsFromSettings();
  RunProgress progress;
  dupes::RunOutcome out = store.RunDetection(media, &progress);
  progress.line.End();
  if (!out.ok) return Fail(kFailed, "cannot write '" + store.StorePath() + "': " + out.error);
  List(store, cat);
  return kOk;
}

int Dups(const Args& args) { return RunSearch(args, StoreMode::Duplicate); }
int Similar(const Args& args) { return RunSearch(args, StoreMode::Similar); }

int Groups(const Args& args) {
  if (args.size() != 2 || (args[1] != "dup" && args[1] != "similar"))
    return Fail(kUsage, "usage: groups CATALOG dup|similar");
  Catalog& cat = TheCatalog();
  dupes::CatalogMedia media(cat);
  ResultStore store(args[1] == "dup" ? StoreMode::Duplicate : StoreMode::Similar);
  if (!Open(args[0], CatalogUse::Read, cat, media, store))
    return Fail(kFailed, "cannot open the catalog '" + args[0] + "'");
  if (!store.StoreExists()) return Fail(kFailed, "no store '" + store.StorePath() + "'; run the search first");
  if (!store.LoadGroups())
    Fail(kOk, "the store '" + store.StorePath() + "' is cut short or damaged; listing what could be read");
  List(store, cat);
  return kOk;
}

const bool registered_dups = Register({"dups", "dups CATALOG", Dups});
const bool registered_similar = Register({"similar", "similar CATALOG [--separators S]", Similar});
const bool registered_groups = Register({"groups", "groups CATALOG dup|similar", Groups});

}  // namespace
}  // namespace fv::cli
