#include "ui/logic/help.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/files.h"
#include "platform/services.h"

namespace fv {

namespace {

std::string ProgramDir() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  return DirName(std::string(buf, static_cast<std::size_t>(n)));
}

}  // namespace

std::string HelpFilePath(const std::string& page) {
  const std::string dir = ProgramDir();
  const std::vector<std::string> places = {dir + "/doc/manual/" + page,
                                           dir + "/../share/doc/ferrovan/manual/" + page};
  for (const std::string& p : places)
    if (Platform().files->Exists(p)) return p;
  return places.front();
}

}  // namespace fv
