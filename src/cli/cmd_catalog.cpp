// ferrovan-cli create CATALOG | media CATALOG | delete CATALOG NAME | optimise CATALOG

#include "catalog/catalog.h"
#include "catalog/lifecycle.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"

namespace fv::cli {
namespace {

bool Open(Catalog& c, const std::string& path) {
  if (c.LoadCatalog(path)) {
    c.LoadLongNameFile();
    return true;
  }
  switch (c.LastLoadFailure()) {
    case LoadFailure::Missing: Fail(kFailed, "no catalog at " + path); break;
    case LoadFailure::TooShort: Fail(kFailed, path + " is too short to be a catalog"); break;
    default: Fail(kFailed, "cannot open " + path); break;
  }
  return false;
}

int Create(const Args& args) {
  if (args.size() != 1) return Fail(kUsage, "usage: create CATALOG");
  const std::string path = WithCatalogExtension(args[0]);
  if (!TheCatalog().CreateCatalog(path)) return Fail(kFailed, "cannot create " + path);
  PrintRaw(Visible(path) + "\n");  // a native path, not cp932
  return kOk;
}

int Media(const Args& args) {
  if (args.size() != 1) return Fail(kUsage, "usage: media CATALOG");
  Catalog& c = TheCatalog();
  if (!Open(c, args[0])) return kFailed;
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
  if (!Open(c, args[0])) return kFailed;
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
  if (!Open(c, args[0])) return kFailed;
  ProgressLine progress;
  c.Optimise([&progress](const std::string& t) { progress.Show(t); });
  progress.End();
  return c.OptimiseFailed() ? kFailed : kOk;
}

const bool r1 = Register({"create", "create CATALOG", Create});
const bool r2 = Register({"media", "media CATALOG", Media});
const bool r3 = Register({"delete", "delete CATALOG NAME", Delete});
const bool r4 = Register({"optimise", "optimise CATALOG", Optimise});

}  // namespace
}  // namespace fv::cli
