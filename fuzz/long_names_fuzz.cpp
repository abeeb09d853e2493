// libFuzzer target: the long-name file (".lfn") from arbitrary bytes, beside
// a small valid catalog. Loading refuses it or gives a store whose lookups
// stay in bounds; compacting the catalog over it keeps both files loadable.

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
  // Three media of 3 entries: A deleted, B and C live.
  static std::string file;
  file.assign(static_cast<std::size_t>(kEntryAreaOffset), '\0');
  const char* names[] = {"", "B", "C"};
  for (int s = 0; s < 3; ++s) {
    MediumRecord m{};
    m.Name = names[s];
    m.FirstEntry = 3 * s;
    m.EntryCount = 3;
    m.DeletedTime = s == 0 ? 1 : 0;
    std::memcpy(file.data() + s * sizeof(MediumRecord), &m, sizeof m);
  }
  for (int s = 0; s < 3; ++s)
    for (int e = 0; e < 3; ++e) {
      EntryRecord r{};
      r.Parent = e == 0 ? -1 : 0;
      r.FirstChild = e == 0 ? 1 : -1;
      r.Kind = e == 0 ? 2 : 10;
      r.Name = std::string(91, static_cast<char>('a' + e));
      r.CommentIndex = -1;
      file.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
  fuzz::Put(fs, "/c.fvd", file);
  // Short inputs are placed over a valid empty header and slots.
  static std::string lfn;
  lfn.assign(reinterpret_cast<const char*>(data), size);
  if (size > 0 && data[0] == 0xAB) {
    static std::string base;
    base.assign(static_cast<std::size_t>(kLongNameRecordsOffset), '\0');
    LongNameHeader h{};
    h.Format = 2;
    h.SlotCount = 2000;
    std::memcpy(base.data(), &h, sizeof h);
    std::memcpy(base.data() + 8, data + 1, std::min<std::size_t>(size - 1, 8));
    for (std::size_t i = 9, at = 512; i + 12 <= size && at < 512 + 3 * 1312; i += 12, at += 1312)
      std::memcpy(base.data() + at + 288, data + i, 12);
    lfn.assign(base).append(reinterpret_cast<const char*>(data), size);
  }
  fuzz::Put(fs, "/c.lfn", lfn);

  static Catalog& cat = *new Catalog;
  if (!cat.LoadCatalog("/c.fvd")) std::abort();
  cat.LoadLongNameFile();
  for (int s = 0; s < 3; ++s) {
    if (!cat.LoadMedium(s)) std::abort();
    for (int e = 0; e < 3; ++e) {
      (void)cat.LoadedFullName(e);
      (void)cat.FullName(MakeEntryId(s, e), cat.Entry(e).Name.view());
    }
    (void)cat.MediumNeedsReread(s);
    (void)cat.LongNameCount(s);
    (void)cat.LongNames().PicturePath(s);
  }
  cat.Optimise();
  static Catalog& again = *new Catalog;
  if (!again.LoadCatalog("/c.fvd")) std::abort();
  if (again.Counts().LiveMedia != 2 || again.Counts().UsedSlots != 2) std::abort();
  again.LoadLongNameFile();
  for (int s = 0; s < 2; ++s) {
    if (!again.LoadMedium(s)) std::abort();
    for (int e = 0; e < 3; ++e) (void)again.LoadedFullName(e);
  }
  return 0;
}
