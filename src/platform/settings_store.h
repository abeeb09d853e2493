#pragma once
// The per-user key/value store behind the settings accessors. Names and
// values are cp932 text; the file form is UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace fv {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> Read(std::string_view name) = 0;
  // False with err set when the value could not be stored.
  virtual bool Write(std::string_view name, std::string_view value, std::string& err) = 0;
};

// One UTF-8 text file of name=value lines. Every call reads the file afresh;
// a write rewrites it through a temporary file and a rename, keeping lines
// it does not know. Malformed lines are skipped.
class FileSettingsStore : public SettingsStore {
 public:
  // An empty path means the user's settings file, looked up at each call.
  explicit FileSettingsStore(std::string path = {});
  std::optional<std::string> Read(std::string_view name) override;
  bool Write(std::string_view name, std::string_view value, std::string& err) override;
  std::string path() const;

 private:
  std::string path_;
};

}  // namespace fv
