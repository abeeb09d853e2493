#include "cli/catalog_open.h"

#include <sys/stat.h>

#include <cstdio>

#include "catalog/catalog.h"
#include "catalog/lifecycle.h"
#include "cli/commands.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/services.h"

namespace fv::cli {

namespace {
int g_wait_seconds = 60;
}  // namespace

void SetLockWaitSeconds(int seconds) { g_wait_seconds = seconds < 0 ? 0 : seconds; }

bool OpenCommandCatalog(Catalog& cat, const std::string& arg, CatalogUse use, std::string* path_out) {
  const std::string path = WithCatalogExtension(arg);
  if (path_out) *path_out = path;
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    Fail(kFailed, path + " is not a regular file");
    return false;
  }
  if (!exists && use != CatalogUse::WriteOrCreate) {
    Fail(kFailed, "no catalog at " + path);
    return false;
  }

  const LockKind kind = use == CatalogUse::Read ? LockKind::Shared : LockKind::Exclusive;
  auto waiting = [] {
    std::fprintf(stderr, "%s\n", "他のプロセスがこのカタログを更新中です…");
    std::fflush(stderr);
  };
  std::string err;
  if (!exists && !DirName(path).empty() && !Platform().files->CreateDirs(DirName(path), err)) {
    Fail(kFailed, "cannot create the folder of " + path + ": " + err);
    return false;
  }
  if (!cat.HoldLock(path, kind, g_wait_seconds * 1000, waiting, err)) {
    Fail(kFailed, "the catalog " + path + " is in use by another process (" + err + ")");
    return false;
  }
  // Another process may have created it while this one waited.
  if (!exists && ::stat(path.c_str(), &st) != 0) {
    if (!cat.CreateCatalog(path)) {
      Fail(kFailed, "cannot create the catalog " + path);
      return false;
    }
    return true;
  }

  if (cat.LoadCatalog(path, use == CatalogUse::Read ? Access::Read : Access::Write)) {
    cat.LoadLongNameFile();
    return true;
  }
  switch (cat.LastLoadFailure()) {
    case LoadFailure::Missing: Fail(kFailed, "no catalog at " + path); break;
    case LoadFailure::TooShort: Fail(kFailed, path + " is too short to be a catalog"); break;
    case LoadFailure::Interrupted:
      Fail(kFailed, "an optimisation of " + path + " was interrupted; a command that writes (optimise) finishes it");
      break;
    default: Fail(kFailed, "cannot open " + path); break;
  }
  return false;
}

}  // namespace fv::cli
