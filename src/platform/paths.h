#pragma once
// Per-user folders (XDG base directories).

#include <string>

namespace fv {

// $XDG_CONFIG_HOME or $HOME/.config
std::string UserConfigDir();
// $XDG_DATA_HOME or $HOME/.local/share
std::string UserDataDir();
// $XDG_RUNTIME_DIR, else /tmp/ferrovan-<uid>
std::string UserRuntimeDir();

// The program's own folders inside those.
std::string SettingsFilePath();   // <config>/Quillmarsh/Ferrovan.conf
std::string DriveMapFilePath();   // <config>/Quillmarsh/Ferrovan.drives
std::string ProgramDataDir();     // <data>/Quillmarsh/Ferrovan

}  // namespace fv
