#pragma once
// The export commands of the main window without the window: the warning
// for an empty selection, the choice between clipboard and file, the file
// name the save dialog proposes, and writing the file. The clipboard itself
// is the caller's (a hook).

#include <functional>
#include <string>
#include <vector>

#include "export/listing.h"
#include "platform/timefmt.h"

namespace fv {

// Replaces the clipboard's text with cp932 text.
using ClipboardSink = std::function<void(const std::string& cp932)>;

struct ExportOutcome {
  enum Kind {
    NothingSelected,  // the warning was shown
    Clipboard,        // the text went to the clipboard
    File,             // the text was written to `path`
    Cancelled,        // the save dialog was cancelled; nothing written
    Failed,           // writing failed; the error was shown
  } kind = NothingSelected;
  std::string text;   // cp932, also for Cancelled and Failed
  std::string path;   // native path of the written file
  std::string error;  // the system's text for Failed
};

// Title of the export for the proposed file name (cp932).
std::string ExportTitle(int form, NodeLevel level);
// yyyymmddhhnnss + "_" + title + ".txt" (native, UTF-8).
std::string ProposedExportFileName(int form, NodeLevel level, const DateTime& now);
// The chosen name, with ".txt" appended unless it holds ".TXT" anywhere
// (compared in upper case).
std::string WithTextExtension(const std::string& chosen);

// The whole file-list export command: reads the settings, builds the text and
// delivers it to the clipboard or, with REG_ClipBordFileWrite, to a file the
// user chooses.
ExportOutcome ExportFileList(ExportCatalog& catalog, const FileListRequest& request,
                                const ClipboardSink& clipboard, const DateTime& now = NowLocal());

// The search-list export command (mode 0, 1 or 4); always to the clipboard.
// No selected row leaves the clipboard untouched.
ExportOutcome ExportSearchList(const std::vector<const TRecord*>& rows, int mode,
                                  const ClipboardSink& clipboard);

}  // namespace fv
