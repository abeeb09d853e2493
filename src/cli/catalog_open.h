#pragma once
// Opening the catalog a command works on.

#include <string>

namespace fv {
class Catalog;
}

namespace fv::cli {

enum class CatalogUse {
  Read,           // reads only: shared lock, an interrupted optimisation refused
  Write,          // changes an existing catalog: exclusive lock
  WriteOrCreate,  // the same, creating the catalog when there is none yet
};

// How long a command waits for another process that holds the catalog
// (--wait SECONDS before the command; default 60).
void SetLockWaitSeconds(int seconds);

// Opens the catalog named on the command line as the open command does:
// ".fvd" is appended when the name holds none, and what exists at that
// path is loaded, never created over. Anything but a regular file is
// refused. The catalog's lock is held until the process ends. False after
// the reason was printed. *path_out receives the path used.
bool OpenCommandCatalog(Catalog& cat, const std::string& arg, CatalogUse use, std::string* path_out = nullptr);

}  // namespace fv::cli
