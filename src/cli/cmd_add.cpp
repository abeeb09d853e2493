// ferrovan-cli add CATALOG LETTER_OR_FOLDER [--name N] [--class C] [--location L] [--detail D]
//                   [--versions] [--replace]

#include <filesystem>

#include "catalog/catalog.h"
#include "catalog/lifecycle.h"
#include "cli/catalog_open.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "media_meta/name_lists.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "reading/registration.h"
#include "reading/scanner.h"

namespace fv::cli {
namespace {

// Console answers, except that the duplicate-name question is confirmed
// when --replace was given.
class AddMessages : public ConsoleMessages {
 public:
  bool replace = false;
  bool asked_replace = false;
  MsgResult Show(const std::string& text, const std::string& caption, MsgIcon icon,
                 MsgButtons buttons) override {
    if (buttons == MsgButtons::OkCancel) {
      asked_replace = true;
      if (replace) return MsgResult::Ok;
    }
    return ConsoleMessages::Show(text, caption, icon, buttons);
  }
};

int Run(const Args& in) {
  Args args = in;
  std::string name, cls, location, detail;
  bool has_name = TakeOption(args, "--name", name);
  TakeOption(args, "--class", cls);
  TakeOption(args, "--location", location);
  TakeOption(args, "--detail", detail);
  bool versions = TakeFlag(args, "--versions");
  bool replace = TakeFlag(args, "--replace");
  if (args.size() != 2 || args[1].empty())
    return Fail(kUsage, "usage: add CATALOG LETTER_OR_FOLDER [--name N] [--class C] [--location L] "
                        "[--detail D] [--versions] [--replace]");

  // A single letter (with or without ":") names a drive; anything else is
  // a folder, read through its binding.
  const std::string& what = args[1];
  char letter = 0;
  bool is_letter = (what.size() == 1 || (what.size() == 2 && what[1] == ':')) && DriveLetterOf(what) &&
                   !std::filesystem::is_directory(what);
  if (is_letter) {
    letter = DriveLetterOf(what);
  } else {
    std::error_code ec;
    std::string folder = std::filesystem::absolute(what, ec).lexically_normal().string();
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!std::filesystem::is_directory(folder, ec)) return Fail(kFailed, "not a folder: " + what);
    std::string err;
    letter = Platform().drives->LetterForFolder(folder, err);
    if (!letter) return Fail(kFailed, "cannot bind a drive letter to " + folder + ": " + err);
    // A folder is named after itself unless told otherwise (the volume
    // label would name the filesystem that holds it).
    if (!has_name) {
      name = std::filesystem::path(folder).filename().string();
      has_name = !name.empty();
    }
  }

  AddMessages messages;
  messages.replace = replace;
  Platform().messages = &messages;

  Catalog& cat = TheCatalog();
  if (!OpenCommandCatalog(cat, args[0], CatalogUse::WriteOrCreate))
    return Fail(kFailed, "cannot open or create the catalog " + args[0]);
  AttachNameLists(cat);
  TheNameLists().RebuildAll(cat);

  ProgressLine progress;
  AddMediumHooks hooks;
  hooks.runDialog = [&](Registration& reg) {
    reg.SelectDrive(letter);
    if (has_name) reg.name = text::Utf8ToCp932(name);
    reg.classification = text::Utf8ToCp932(cls);
    reg.location = text::Utf8ToCp932(location);
    reg.detail = text::Utf8ToCp932(detail);
    reg.versions = versions;
    return reg.EnterPressed();
  };
  hooks.status = [&](int panel, std::string_view t) {
    if (panel == kStatusPanelMain) progress.Show(t);
  };
  hooks.setBusy = [](bool busy) { TheLifecycle().SetBusy(busy); };

  Scanner& scanner = TheScanner();
  ReadGaps gaps;
  bool stored = AddMediumCommand(cat, scanner, hooks, &gaps);
  progress.End();
  if (!stored)
    return Fail(kFailed, messages.asked_replace && !replace
                             ? "no medium was stored: the name is taken (--replace replaces that medium)"
                             : "no medium was stored");
  const ScanBuffer& b = scanner.Buffer();
  PrintLine(std::string(1, letter) + ": " + std::string(b.Name(0)) + " " + std::string(b.Version(0)));
  return gaps.Any() ? kStoredWithGaps : kOk;
}

const bool registered = Register(
    {"add",
     "add CATALOG LETTER_OR_FOLDER [--name N] [--class C] [--location L] [--detail D] [--versions] [--replace]"
     "  (exit status 3: stored, but some folders or files could not be read)",
     Run});

}  // namespace
}  // namespace fv::cli
