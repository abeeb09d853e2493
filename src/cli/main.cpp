// ferrovan-cli: the scriptable front end over the core.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

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

void PrintRaw(const std::string& bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }
void Print(const std::string& cp932) { PrintRaw(text::Cp932ToUtf8(cp932)); }
void PrintLine(const std::string& cp932) {
  Print(cp932);
  std::fputc('\n', stdout);
}

int Fail(int status, const std::string& utf8_message) {
  std::fprintf(stderr, "ferrovan-cli: %s\n", utf8_message.c_str());
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
  std::fprintf(out, "usage: ferrovan-cli COMMAND [ARGS...]\n\ncommands:\n");
  for (const Command& c : AllCommands()) std::fprintf(out, "  %s\n", c.usage);
}

}  // namespace fv::cli

int main(int argc, char** argv) {
  using namespace fv::cli;
  if (argc < 2) {
    Usage(stderr);
    return kUsage;
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
  std::fprintf(stderr, "ferrovan-cli: unknown command '%s'\n", name.c_str());
  Usage(stderr);
  return kUsage;
}
