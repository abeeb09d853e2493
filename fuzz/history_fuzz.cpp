// libFuzzer target: the browsing-history file over arbitrary bytes. Loading
// never crashes or hangs; every item kept has a caption without a line
// break; stepping through the loaded list stays inside it; saving and
// loading again keeps the items' identifiers.
//
// Run: fuzz/run 60 history_fuzz

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mem_files.h"
#include "settings/history.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fv;
  auto& fs = fuzz::FreshFiles();
  const std::string path = "/RefHist.hst";
  fuzz::Put(fs, path, std::string(reinterpret_cast<const char*>(data), size));
  WriteSettingInteger(SettingKey::REG_HistListBefor, 5);
  WriteSettingInteger(SettingKey::REG_RefHistSaveCount, 100);

  BrowsingHistory h;
  int steps = 0;
  h.hooks.go_to_entry = [&](std::int32_t) { ++steps; };
  const auto r = h.LoadHistory(path);
  if (r.kind != BrowsingHistory::LoadResult::Loaded || r.skipped < 0) std::abort();
  const auto items = h.Items();
  for (const auto& item : items)
    if (item.caption.find('\n') != std::string::npos) std::abort();
  const int n = static_cast<int>(items.size());
  if (n > 0 && h.Position() != n - 1) std::abort();
  for (int i = 0; i < 3; ++i) h.Step(-1);
  h.Step(1);
  if (n > 0 && (h.Position() < 0 || h.Position() >= n)) std::abort();

  if (!h.SaveHistory(nullptr, path)) std::abort();
  BrowsingHistory again;
  if (again.LoadHistory(path).skipped != 0) std::abort();
  const auto& kept = again.Items();
  if (kept.size() != h.Items().size() || kept.size() > 100) std::abort();
  for (std::size_t i = 0; i < kept.size(); ++i)
    if (kept[i].id != h.Items()[i].id) std::abort();
  return 0;
}
