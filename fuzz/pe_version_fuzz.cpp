// libFuzzer target: the PE version reader over arbitrary bytes. It must
// never read outside the input, hang or crash; the result is either empty
// or four dot-separated numbers.
//
// Run: fuzz/run 60 pe_version_fuzz (seeds in fuzz/corpus/pe_version_fuzz).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/file_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view image(reinterpret_cast<const char*>(data), size);
  std::string v = fv::PeFileVersionOf(image);
  if (!v.empty()) {
    int dots = 0;
    for (char c : v) {
      if (c == '.') ++dots;
      else if (c < '0' || c > '9') std::abort();
    }
    if (dots != 3) std::abort();
  }
  return 0;
}
