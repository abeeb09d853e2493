#pragma once
// Where the program's HTML manual is: beside the program (a build tree) or
// in the installed documentation folder.

#include <string>

namespace fv {

// The manual's page (file name such as "index.html"); the first place that
// holds it, else the first place it could be.
std::string HelpFilePath(const std::string& page = "index.html");

}  // namespace fv
