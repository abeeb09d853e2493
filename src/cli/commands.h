#pragma once
// ferrovan-cli: each command registers itself from its own source file.

#include <string>
#include <string_view>
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
constexpr int kStoredWithGaps = 3;  // add: stored, but some folders or files could not be read

// Text for the terminal: the control characters of a UTF-8 text (bytes
// 0x00-0x1F and 0x7F) as visible escapes, \n \t \r and \xNN for the rest.
// Every other byte stays as it is, a backslash too, so what a name holds
// can neither act on the terminal nor break a line into two.
std::string Visible(std::string_view utf8);

// Prints cp932 text to stdout as UTF-8 with its control characters made
// visible.
void Print(const std::string& cp932);
void PrintLine(const std::string& cp932);
// One line of cp932 fields separated by tabs, each made visible.
void PrintRow(const std::vector<std::string>& cp932_fields, const char* line_end = "\n");
// Bytes as they are: exports are data (--cp932 writes Shift-JIS bytes).
void PrintRaw(const std::string& bytes);
// Error text (UTF-8) to stderr with the program name, made visible.
int Fail(int status, const std::string& utf8_message);

// Takes the value of "--name VALUE" out of args; nullopt-like empty flag.
bool TakeOption(Args& args, const std::string& name, std::string& value);
bool TakeFlag(Args& args, const std::string& name);

}  // namespace fv::cli
