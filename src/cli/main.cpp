// ferrovan-cli: the scriptable front end over the core.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "cli/catalog_open.h"
#include "cli/commands.h"
#include "platform/text.h"
#include "version.h"

namespace fv::cli {

namespace {
std::vector<Command>& Registry() {
  static std::vector<Command> r;
  return r;
}
}  // namespace

bool Register(const Command& c) {
  Registry().push_back(c);
  return true;
}

const std::vector<Command>& AllCommands() { return Registry(); }

// UTF-8 multi-byte sequences never hold a byte below 0x80, so a control
// byte is always a character of its own.
std::string Visible(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c != 0x7F) {
      out += ch;
      continue;
    }
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
      }
    }
  }
  return out;
}

void PrintRaw(const std::string& bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }
void Print(const std::string& cp932) { PrintRaw(Visible(text::Cp932ToUtf8(cp932))); }
void PrintLine(const std::string& cp932) {
  Print(cp932);
  std::fputc('\n', stdout);
}

void PrintRow(const std::vector<std::string>& cp932_fields, const char* line_end) {
  std::string line;
  for (std::size_t i = 0; i < cp932_fields.size(); ++i) {
    if (i) line += '\t';
    line += Visible(text::Cp932ToUtf8(cp932_fields[i]));
  }
  PrintRaw(line + line_end);
}

int Fail(int status, const std::string& utf8_message) {
  std::fprintf(stderr, "ferrovan-cli: %s\n", Visible(utf8_message).c_str());
  return status;
}

bool TakeOption(Args& args, const std::string& name, std::string& value) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name && i + 1 < args.size()) {
      value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return true;
    }
    if (args[i].rfind(name + "=", 0) == 0) {
      value = args[i].substr(name.size() + 1);
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

bool TakeFlag(Args& args, const std::string& name) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

static void Usage(FILE* out) {
  std::fprintf(out, "usage: ferrovan-cli [--wait SECONDS] COMMAND [ARGS...]\n\ncommands:\n");
  for (const Command& c : AllCommands()) std::fprintf(out, "  %s\n", c.usage);
}

}  // namespace fv::cli

int main(int argc, char** argv) {
  using namespace fv::cli;
  if (argc < 2) {
    Usage(stderr);
    return kUsage;
  }
  // --wait SECONDS: how long to wait for another process holding the
  // catalog.
  if (std::strcmp(argv[1], "--wait") == 0) {
    char* end = nullptr;
    const long seconds = argc > 2 ? std::strtol(argv[2], &end, 10) : -1;
    if (argc < 4 || !end || *end || seconds < 0 || seconds > 86400) {
      Usage(stderr);
      return kUsage;
    }
    SetLockWaitSeconds(static_cast<int>(seconds));
    argv += 2;
    argc -= 2;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    Usage(stdout);
    return kOk;
  }
  if (name == "--version") {
    std::printf("%s\n", FERROVAN_VERSION_TEXT);
    return kOk;
  }
  for (const Command& c : AllCommands()) {
    if (name == c.name) {
      Args args(argv + 2, argv + argc);
      try {
        return c.run(args);
      } catch (const std::exception& e) {
        return Fail(kFailed, e.what());
      }
    }
  }
  Fail(kUsage, "unknown command '" + name + "'");
  Usage(stderr);
  return kUsage;
}
