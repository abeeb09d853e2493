// ferrovan-cli drives | bind LETTER FOLDER | unbind LETTER

#include <cstdio>

#include "cli/commands.h"
#include "platform/drives.h"
#include "platform/services.h"
#include "platform/text.h"
#include "reading/platform_drives.h"
#include "reading/scanner.h"

namespace fv::cli {
namespace {

// "d", "D" or "D:" -> 'D'; 0 for anything else.
char ParseLetter(const std::string& s) {
  if (s.empty() || s.size() > 2 || (s.size() == 2 && s[1] != ':')) return 0;
  char c = s[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return (c >= 'A' && c <= 'Z') ? c : 0;
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

// One line per drive, tab separated: letter, kind, root, label, serial,
// cluster size, free bytes (-1 when unknown).
int RunDrives(const Args& args) {
  if (!args.empty()) return Fail(kUsage, "usage: drives");
  DriveTable& table = *Platform().drives;
  for (const DriveEntry& d : table.List()) {
    DriveVolume v;
    table.Volume(d.letter, v);
    std::string line;
    line += d.letter;
    line += '\t' + text::Cp932ToUtf8(DriveKindName(DriveKindOfType(d.type, d.letter)));
    line += '\t' + Visible(d.root);  // native
    line += '\t' + Visible(text::Cp932ToUtf8(v.label));
    line += '\t' + v.serial;
    line += '\t' + std::to_string(table.ClusterSize(d.letter));
    line += '\t' + Number(table.FreeSpace(d.letter));
    line += '\n';
    PrintRaw(line);
  }
  return kOk;
}

int Result(DriveEdit r, const std::string& err) {
  switch (r) {
    case DriveEdit::Done: return kOk;
    case DriveEdit::Refused: return Fail(kUsage, err);
    case DriveEdit::WriteFailed: return Fail(kFailed, err);
  }
  return kFailed;
}

int RunBind(const Args& args) {
  if (args.size() != 2) return Fail(kUsage, "usage: bind LETTER FOLDER");
  char letter = ParseLetter(args[0]);
  if (!letter) return Fail(kUsage, "'" + args[0] + "' is not a drive letter (A to Z)");
  std::string err;
  return Result(Platform().drives->Bind(letter, args[1], err), err);
}

int RunUnbind(const Args& args) {
  if (args.size() != 1) return Fail(kUsage, "usage: unbind LETTER");
  char letter = ParseLetter(args[0]);
  if (!letter) return Fail(kUsage, "'" + args[0] + "' is not a drive letter (A to Z)");
  std::string err;
  return Result(Platform().drives->Unbind(letter, err), err);
}

const bool registered = Register({"drives", "drives", RunDrives}) &&
                        Register({"bind", "bind LETTER FOLDER", RunBind}) &&
                        Register({"unbind", "unbind LETTER", RunUnbind});

}  // namespace
}  // namespace fv::cli
