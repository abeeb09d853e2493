#pragma once
// The catalog's lifecycle and its commands: choosing the catalog at
// start-up, opening and creating catalogs, the open history, the busy flag
// and the close rule; deleting the current medium, optimising, the
// optimisation button and the follow-up for the duplicate and similar
// results. The main window owns no rule of its own: it calls these and
// fills the hooks with what the later subsystems do.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "catalog/catalog.h"

namespace fv {

// What the window does for the catalog's commands. Every hook may be left
// empty (nothing happens).
struct CatalogHooks {
  std::function<void()> rebuildTree;             // tree of media and folders
  std::function<void()> switchTreeToFirstTab;
  std::function<void()> resetHistory;            // browsing history
  std::function<void(bool busy)> setBusyCursor;  // hourglass on / off
  std::function<void()> clearDupView;            // duplicate result view
  std::function<void()> clearLikeView;           // similar result view
  std::function<void()> updateDupLikeViews;      // after open: start loaders, show tabs
  std::function<void()> clearDupStore;
  std::function<void()> clearLikeStore;
  std::function<void()> runDupSearch;            // each through its progress dialog
  std::function<void()> runLikeSearch;
  std::function<void()> showSearchCommands;      // so that the searches can run later
  std::function<void()> clearNameLists;          // classification and location lists
  std::function<bool()> workersRunning;          // background loaders of the two stores
  // Window state saved at close.
  std::function<void()> saveWindowLayout;
  std::function<void()> saveListColumns;
  std::function<void()> saveHistory;
  std::function<void()> freeScanBuffer;
};

struct OptimiseButtonState {
  bool enabled = false;
  std::string hint;  // cp932
};

class CatalogLifecycle {
 public:
  explicit CatalogLifecycle(Catalog& catalog) : cat_(catalog) {}

  CatalogHooks hooks;
  // Called whenever the optimisation button's state is recomputed.
  std::function<void(const OptimiseButtonState&)> onOptimiseButton;

  // The start-up catalog: the last one opened, or asked for. Empty when
  // the user cancelled.
  std::string ChooseStartupCatalog();
  // Window creation's catalog steps: choose, remember, load (or create).
  // False when the program must end.
  bool OpenStartupCatalog();
  void OpenCatalogCommand();
  void NewCatalogCommand() { CreateCatalogAt(std::string()); }
  // Creates and opens a catalog (empty path: ask with the save dialog).
  bool CreateCatalogAt(const std::string& path);
  void RememberCatalog(const std::string& path);
  // True when the window may close.
  bool CloseRequest();

  // Deletion and optimisation commands.
  void DeleteCurrentMediumCommand(std::optional<EntryId> selected);
  void OptimiseCommand(const StatusSink& status = {});
  OptimiseButtonState UpdateOptimiseButton();
  void AfterMediaChange();

  // Set while a medium is read and stored and while the catalog is
  // optimised; closing is refused meanwhile.
  bool Busy() const { return busy_; }
  void SetBusy(bool busy) {
    busy_ = busy;
    if (onBusyChanged) onBusyChanged(busy);
  }
  // Told whenever the busy flag changes (the window disables the commands
  // that change or reload the catalog meanwhile).
  std::function<void(bool busy)> onBusyChanged;

  // The catalog path shown in the catalog properties (native).
  const std::string& DisplayPath() const { return display_path_; }

  // The open history stores cp932 text; a native path that cp932 cannot
  // hold is kept as "utf8:" followed by its bytes, non-ASCII ones as %XX.
  static std::string EncodeHistoryPath(const std::string& native);
  static std::string DecodeHistoryPath(const std::string& stored);
  // Folder the open dialog starts in when there is no history.
  static std::string ProgramFolder();

 private:
  // Creates at path (".fvd" appended when missing); the path created, or
  // nothing.
  std::optional<std::string> CreateAt(const std::string& path);
  void Hook(const std::function<void()>& f) {
    if (f) f();
  }
  void Cursor(bool busy) {
    if (hooks.setBusyCursor) hooks.setBusyCursor(busy);
  }

  Catalog& cat_;
  bool busy_ = false;
  std::string display_path_;
};

// The process-wide lifecycle over TheCatalog().
CatalogLifecycle& TheLifecycle();

// The path with ".fvd" appended unless it holds ".fvd" anywhere (any case).
std::string WithCatalogExtension(const std::string& path);

// Texts of the catalog file dialogs (cp932).
std::string CatalogFileFilter();

// Why a catalog could not be opened, naming it (cp932).
std::string LoadFailureText(const std::string& path, LoadFailure why);
// Where a catalog overwritten by a new one is kept: "Name-backup-
// yyyymmdd-hhnnss" + ext beside it, "-n" added for the n-th (n > 1) of one
// second.
std::string BackupPath(const std::string& path, std::uint32_t dos_time, const std::string& ext, int n = 1);
// Renames the catalog at path and its side files (.lfn, .dup, .lik) to
// their backup names; false (err set) when one could not be renamed.
bool BackUpCatalog(const std::string& path, std::uint32_t dos_time, std::string& err);

}  // namespace fv
