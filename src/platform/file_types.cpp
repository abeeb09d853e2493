#include "platform/file_types.h"

#include <sys/statvfs.h>

#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include "platform/text.h"

namespace fv {

namespace {

// The type the database gives a file name with this extension only by its
// name; nullopt for the catch-all default type.
std::optional<QMimeType> TypeOf(std::string_view extension) {
  if (extension.empty()) return std::nullopt;
  static QMimeDatabase db;
  QString name = QStringLiteral("x.") + QString::fromStdString(text::Cp932ToUtf8(extension));
  QMimeType type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
  if (!type.isValid() || type.isDefault()) return std::nullopt;
  return type;
}

}  // namespace

std::optional<std::string> MimeFileTypes::Describe(std::string_view extension) {
  auto type = TypeOf(extension);
  if (!type) return std::nullopt;
  return text::Utf8ToCp932(type->comment().toStdString());
}

std::string MimeFileTypes::IconName(std::string_view extension) {
  auto type = TypeOf(extension);
  if (!type) return {};
  QString icon = type->iconName();
  if (icon.isEmpty()) icon = type->genericIconName();
  return icon.toStdString();
}

double FreeBytesOfFolder(const std::string& folder) {
  struct statvfs st {};
  if (folder.empty() || statvfs(folder.c_str(), &st) != 0) return -1.0;
  return static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
}

}  // namespace fv
