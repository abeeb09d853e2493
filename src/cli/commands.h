#pragma once
// ferrovan-cli: each command registers itself from its own source file.

#include <string>
#include <vector>

namespace fv::cli {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;  // one line, UTF-8
  int (*run)(const Args& args);  // args after the command name; returns the exit status
};

// Registers at static-initialisation time; returns true so it can seed a
// namespace-scope bool.
bool Register(const Command& c);
const std::vector<Command>& AllCommands();

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Prints cp932 text to stdout as UTF-8 (always UTF-8; --cp932 writers go
// through PrintRaw).
void Print(const std::string& cp932);
void PrintLine(const std::string& cp932);
void PrintRaw(const std::string& bytes);
// Error text (UTF-8) to stderr with the program name.
int Fail(int status, const std::string& utf8_message);

// Takes the value of "--name VALUE" out of args; nullopt-like empty flag.
bool TakeOption(Args& args, const std::string& name, std::string& value);
bool TakeFlag(Args& args, const std::string& name);

}  // namespace fv::cli
