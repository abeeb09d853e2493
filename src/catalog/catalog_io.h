#pragma once
// Error reports shared by the catalog's file operations.

#include <string>

namespace fv {

// A file that could not be opened, read or written: the program's generic
// error box with the path and the system's error text.
void ReportFileFailure(const std::string& path, const std::string& system_error);
// A file whose contents cannot be (an impossible count); what_utf8 names
// the field.
// Another process holds the catalog (why: the lock's error text).
void ReportCatalogBusy(const std::string& path, const std::string& why);
void ReportDamagedFile(const std::string& path, const char* what_utf8);

}  // namespace fv
