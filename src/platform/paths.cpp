#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace fv {

static std::string Home() {
  const char* h = std::getenv("HOME");
  if (h && *h) return h;
  if (const passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return "/tmp";
}

static std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  // Relative values are invalid by the XDG rules and are ignored.
  if (v && *v == '/') return v;
  return fallback;
}

std::string UserConfigDir() { return EnvOr("XDG_CONFIG_HOME", Home() + "/.config"); }
std::string UserDataDir() { return EnvOr("XDG_DATA_HOME", Home() + "/.local/share"); }
std::string UserRuntimeDir() {
  return EnvOr("XDG_RUNTIME_DIR", "/tmp/ferrovan-" + std::to_string(getuid()));
}

std::string SettingsFilePath() { return UserConfigDir() + "/Quillmarsh/Ferrovan.conf"; }
std::string DriveMapFilePath() { return UserConfigDir() + "/Quillmarsh/Ferrovan.drives"; }
std::string ProgramDataDir() { return UserDataDir() + "/Quillmarsh/Ferrovan"; }

}  // namespace fv
