#pragma once
// Folder trees deeper than a path can name (PATH_MAX), made and removed
// one folder at a time through descriptors.

#include <string>

namespace fv::test {

// Makes depth nested folders called name below root, with a file
// "bottom.txt" holding bottom in the deepest; returns that folder's path.
std::string MakeDeepTree(const std::string& root, int depth, const std::string& name,
                         const std::string& bottom = "end");

// Removes the folder at path and everything below it, at any depth; false
// when something stays.
bool RemoveTree(const std::string& path);

}  // namespace fv::test
