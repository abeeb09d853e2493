// libFuzzer target: the browsing-history file reader over arbitrary bytes.
// It must never crash or hang; every item it keeps has a caption without a
// line break, and writing the items out and reading them back keeps them.
//
// Build: clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//          fuzz/history_fuzz.cpp src/settings/history.cpp src/settings/settings.cpp \
//          src/platform/{files,paths,services,settings_store,text,messages,timefmt,dir_walk,file_version}.cpp \
//          $(pkg-config --cflags --libs icu-uc icu-i18n) -o history_fuzz

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/history.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int skipped = 0;
  const auto items = fv::BrowsingHistory::ParseHistory(text, &skipped);
  if (skipped < 0 || items.size() > size) std::abort();
  for (const auto& item : items)
    if (item.caption.find('\n') != std::string::npos) std::abort();
  int skipped_again = 0;
  const auto again = fv::BrowsingHistory::ParseHistory(fv::BrowsingHistory::FormatHistory(items), &skipped_again);
  if (skipped_again != 0 || again.size() != items.size()) std::abort();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (again[i].id != items[i].id) std::abort();
  return 0;
}
