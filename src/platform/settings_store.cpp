#include "platform/settings_store.h"

#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/text.h"

namespace fv {

namespace {

// Values are kept on one line: backslash, CR and LF are escaped.
std::string Escape(std::string_view v) {
  std::string out;
  for (char c : v) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out.push_back(c);
  }
  return out;
}

std::string Unescape(std::string_view v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\\' && i + 1 < v.size()) {
      char n = v[++i];
      out.push_back(n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    } else {
      out.push_back(v[i]);
    }
  }
  return out;
}

struct Line {
  std::string raw;   // as in the file
  std::string name;  // empty for lines that are not name=value
};

std::vector<Line> SplitLines(const std::string& data) {
  std::vector<Line> lines;
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t j = data.find('\n', i);
    if (j == std::string::npos) j = data.size();
    Line l;
    l.raw = data.substr(i, j - i);
    if (!l.raw.empty() && l.raw.back() == '\r') l.raw.pop_back();
    std::size_t eq = l.raw.find('=');
    if (eq != std::string::npos && eq > 0 && l.raw[0] != '#') l.name = l.raw.substr(0, eq);
    lines.push_back(std::move(l));
    i = j + 1;
  }
  return lines;
}

}  // namespace

FileSettingsStore::FileSettingsStore(std::string path) : path_(std::move(path)) {}

std::string FileSettingsStore::path() const { return path_.empty() ? SettingsFilePath() : path_; }

std::optional<std::string> FileSettingsStore::Read(std::string_view name) {
  std::string data, err;
  if (!Platform().files->ReadWholeFile(path(), data, err)) return std::nullopt;
  const std::string key = text::Cp932ToUtf8(name);
  std::optional<std::string> found;
  for (const Line& l : SplitLines(data)) {
    if (l.name == key) found = text::Utf8ToCp932(Unescape(std::string_view(l.raw).substr(key.size() + 1)));
  }
  return found;
}

bool FileSettingsStore::Write(std::string_view name, std::string_view value, std::string& err) {
  FileSystem& fs = *Platform().files;
  const std::string file = path();
  std::string data;
  std::string read_err;
  if (fs.Exists(file) && !fs.ReadWholeFile(file, data, read_err)) {
    // Never replace a file we could not read: its other values would be lost.
    err = read_err;
    return false;
  }
  const std::string key = text::Cp932ToUtf8(name);
  const std::string line = key + "=" + Escape(text::Cp932ToUtf8(value));
  std::string out;
  bool replaced = false;
  for (const Line& l : SplitLines(data)) {
    if (l.name == key) {
      if (replaced) continue;  // drop repeats of the same name
      out += line;
      replaced = true;
    } else {
      out += l.raw;
    }
    out += '\n';
  }
  if (!replaced) out += line + '\n';
  if (!fs.CreateDirs(DirName(file), err)) return false;
  return fs.WriteFileAtomic(file, out, err);
}

}  // namespace fv
