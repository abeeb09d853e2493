// ferrovan-cli create CATALOG [--overwrite] | media CATALOG | delete CATALOG NAME | optimise CATALOG

#include "catalog/catalog.h"
#include "catalog/lifecycle.h"
#include "cli/catalog_open.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv::cli {
namespace {

bool Open(Catalog& c, const std::string& path, CatalogUse use) { return OpenCommandCatalog(c, path, use); }

int Create(const Args& in) {
  Args args = in;
  const bool overwrite = TakeFlag(args, "--overwrite");
  if (args.size() != 1) return Fail(kUsage, "usage: create CATALOG [--overwrite]");
  const std::string path = WithCatalogExtension(args[0]);
  if (Platform().files->Exists(path) && !overwrite)
    return Fail(kFailed, path + " exists already; --overwrite replaces it with an empty catalog");
  Catalog& c = TheCatalog();
  std::string err;
  if (!DirName(path).empty() && !Platform().files->CreateDirs(DirName(path), err))
    return Fail(kFailed, "cannot create the folder of " + path + ": " + err);
  if (!c.HoldLock(path, LockKind::Exclusive, 0, {}, err))
    return Fail(kFailed, "the catalog " + path + " is in use by another process (" + err + ")");
  if (!c.CreateCatalog(path)) return Fail(kFailed, "cannot create " + path);
  PrintRaw(Visible(path) + "\n");  // a native path, not cp932
  return kOk;
}

int Media(const Args& args) {
  if (args.size() != 1) return Fail(kUsage, "usage: media CATALOG");
  Catalog& c = TheCatalog();
  if (!Open(c, args[0], CatalogUse::Read)) return kFailed;
  const std::string picture = ReadSettingString(SettingKey::REG_FormatUpdateDateTime);
  for (int s = 0; s < c.Counts().UsedSlots; ++s) {
    const MediumRecord& r = c.Medium(s);
    PrintRow({std::to_string(s), r.Name.empty() ? "deleted" : "live", r.Name.str(), std::to_string(r.FirstEntry),
              std::to_string(r.EntryCount), r.Classification.str(), r.Location.str(), r.LocationDetail.str(),
              FormatDosTime(picture, r.Root.Time)});
  }
  return kOk;
}

int Delete(const Args& args) {
  if (args.size() != 2) return Fail(kUsage, "usage: delete CATALOG NAME");
  Catalog& c = TheCatalog();
  if (!Open(c, args[0], CatalogUse::Write)) return kFailed;
  const std::string name = text::Utf8ToCp932(args[1]);
  int found = -1, matches = 0;
  for (int s = 0; s < c.Counts().UsedSlots; ++s)
    if (c.SlotLive(s) && c.Medium(s).Name.view() == name) {
      found = s;
      ++matches;
    }
  if (matches == 0) return Fail(kFailed, "no medium named '" + args[1] + "'");
  if (matches > 1) return Fail(kFailed, std::to_string(matches) + " media are named '" + args[1] + "'");
  return c.DeleteMedium(found) ? kOk : kFailed;
}

int Optimise(const Args& args) {
  if (args.size() != 1) return Fail(kUsage, "usage: optimise CATALOG");
  Catalog& c = TheCatalog();
  if (!Open(c, args[0], CatalogUse::Write)) return kFailed;
  ProgressLine progress;
  c.Optimise([&progress](const std::string& t) { progress.Show(t); });
  progress.End();
  return c.OptimiseFailed() ? kFailed : kOk;
}

const bool r1 = Register({"create", "create CATALOG [--overwrite]", Create});
const bool r2 = Register({"media", "media CATALOG", Media});
const bool r3 = Register({"delete", "delete CATALOG NAME", Delete});
const bool r4 = Register({"optimise", "optimise CATALOG", Optimise});

}  // namespace
}  // namespace fv::cli
