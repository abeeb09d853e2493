// libFuzzer target: one medium's entry block from arbitrary bytes. After
// LoadMedium every link stays inside the block and the tree walks the
// readers do (children of a folder, the path up to the root) end.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "catalog/catalog.h"
#include "mem_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fv;
  auto& fs = fuzz::FreshFiles();
  if (size < 1) return 0;
  // The first byte adds up to 3 records to the count the bytes would give,
  // so short blocks are tried too.
  const int extra = data[0] & 3;
  const std::string block(reinterpret_cast<const char*>(data + 1), size - 1);
  const int count = static_cast<int>(block.size() / sizeof(EntryRecord)) + extra;
  if (count < 1 || count > 4000) return 0;
  static auto file = std::make_shared<std::string>();
  file->assign(static_cast<std::size_t>(kEntryAreaOffset), '\0');
  MediumRecord m{};
  m.Name = "M";
  m.EntryCount = count;
  std::memcpy(file->data(), &m, sizeof m);
  file->append(block);
  fs.files["/c.fvd"] = file;
  static Catalog* cat = new Catalog;
  if (!cat->LoadCatalog("/c.fvd")) std::abort();
  const bool loaded = cat->LoadMedium(0);
  if (loaded != (extra == 0 || block.size() >= static_cast<std::size_t>(count) * sizeof(EntryRecord))) std::abort();
  if (!loaded) {
    if (cat->LoadedMediumIndex() != -1) std::abort();
    return 0;
  }
  const int n = cat->LoadedCount();
  if (cat->Entry(n).Parent != -1 || cat->Entry(n).FirstChild != -1) std::abort();
  long steps = 0;
  for (int e = 0; e < n; ++e) {
    const EntryRecord& r = cat->Entry(e);
    if (r.Name.view().size() > 91 || r.Version.view().size() > 19) std::abort();
    if (r.FirstChild >= 0) {
      if (r.FirstChild >= n) std::abort();
      for (int c = r.FirstChild; c < n && cat->Entry(c).Parent == e; ++c) ++steps;
    }
    for (int p = e; p >= 0; p = cat->Entry(p).Parent) {
      if (p >= n) std::abort();
      if (++steps > 100000000L) std::abort();
    }
    (void)cat->LoadedFullName(e);
  }
  cat->SetMark(0, MakeEntryId(0, n - 1));
  return 0;
}
