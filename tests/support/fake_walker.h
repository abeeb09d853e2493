#pragma once
// The real directory walk with faults put in where a test wants them: tests
// may run as root, where chmod does not lock anyone out.

#include <set>
#include <string>

#include "platform/dir_walk.h"

namespace fv::test {

class FaultyWalker : public DirectoryWalker {
 public:
  std::set<std::string> locked;     // folder paths that cannot be opened
  std::set<std::string> broken;     // folder paths whose listing breaks off after one entry
  std::set<std::string> unstatted;  // raw names delivered without their details

  bool List(const std::string& path, const Sink& sink, std::string* err) override {
    if (locked.count(path)) {
      if (err) *err = "Permission denied";
      return false;
    }
    const bool breaks = broken.count(path) != 0;
    int delivered = 0;
    const bool ok = real_.List(
        path,
        [&](const DirEntry& e) {
          if (breaks && delivered > 0) return;
          ++delivered;
          if (!unstatted.count(e.raw_name)) return sink(e);
          DirEntry bare = e;
          bare.stat_ok = false;
          bare.size = bare.allocated = bare.mtime = 0;
          bare.mtime_nsec = 0;
          sink(bare);
        },
        err);
    if (ok && breaks && err) *err = "Input/output error";
    return ok;
  }

 private:
  PosixDirectoryWalker real_;
};

}  // namespace fv::test
