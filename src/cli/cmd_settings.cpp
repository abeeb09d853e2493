// ferrovan-cli settings get NAME | settings set NAME VALUE

#include "cli/commands.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv::cli {
namespace {

int Run(const Args& args) {
  if (args.size() < 2 || (args[0] == "get" && args.size() != 2) || (args[0] == "set" && args.size() != 3) ||
      (args[0] != "get" && args[0] != "set"))
    return Fail(kUsage, "usage: settings get NAME | settings set NAME VALUE");
  auto key = FindSettingKey(args[1]);
  if (!key) return Fail(kUsage, "unknown setting '" + args[1] + "'");
  const SettingRow& row = SettingRowOf(*key);
  if (args[0] == "get") {
    if (row.kind == SettingKind::Integer)
      PrintLine(std::to_string(ReadSettingInteger(*key)));
    else
      PrintLine(ReadSettingString(*key));
    return kOk;
  }
  std::string err;
  if (row.kind == SettingKind::Integer) {
    auto v = ParseInt32(args[2]);
    if (!v) return Fail(kUsage, row.name + std::string(" takes an integer, not '") + args[2] + "'");
    if (!WriteSettingInteger(*key, *v, &err)) return Fail(kFailed, "cannot store the setting: " + err);
  } else {
    if (!WriteSettingString(*key, text::Utf8ToCp932(args[2]), &err))
      return Fail(kFailed, "cannot store the setting: " + err);
  }
  return kOk;
}

const bool registered = Register({"settings", "settings get NAME | settings set NAME VALUE", Run});

}  // namespace
}  // namespace fv::cli
