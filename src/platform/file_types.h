#pragma once
// What the desktop knows about a file extension: its type description in
// the user's language and its theme icon name. The real service asks the
// shared MIME database; tests install a fake through Services.

#include <optional>
#include <string>
#include <string_view>

namespace fv {

class FileTypes {
 public:
  virtual ~FileTypes() = default;
  // Description of files with this extension (no dot, any case), cp932;
  // nullopt when the database knows no type for it.
  virtual std::optional<std::string> Describe(std::string_view extension) = 0;
  // Theme icon name of the extension's type (UTF-8); empty when none.
  virtual std::string IconName(std::string_view extension) = 0;
};

// The shared MIME database (QMimeDatabase).
class MimeFileTypes : public FileTypes {
 public:
  std::optional<std::string> Describe(std::string_view extension) override;
  std::string IconName(std::string_view extension) override;
};

// Free bytes for an unprivileged user on the file system that holds the
// folder (statvfs); -1 when the query fails.
double FreeBytesOfFolder(const std::string& folder);

}  // namespace fv
