// libFuzzer target: the catalog file's media and comment tables from
// arbitrary bytes. Loading either refuses the file or gives tables whose
// walks, lookups and block positions stay in bounds; every used medium can
// be asked for (its block is short here, so loading it fails cleanly).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/catalog.h"
#include "mem_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fv;
  auto& fs = fuzz::FreshFiles();
  // Short inputs are padded so that most of them reach the checks.
  static auto bytes = std::make_shared<std::string>();
  bytes->assign(reinterpret_cast<const char*>(data), size);
  if (bytes->size() < static_cast<std::size_t>(kEntryAreaOffset) && size > 0 && data[0] != 0xFF)
    bytes->resize(static_cast<std::size_t>(kEntryAreaOffset), '\0');
  fs.files["/c.fvd"] = bytes;
  static Catalog* cat = new Catalog;
  if (!cat->LoadCatalog("/c.fvd")) return 0;
  cat->LoadLongNameFile();
  const auto counts = cat->Counts();
  if (counts.UsedSlots < 0 || counts.UsedSlots > kMediaSlots || counts.LiveMedia > counts.UsedSlots) std::abort();
  for (int s = 0; s < counts.UsedSlots; ++s) {
    if (cat->BlockOffset(s) < kEntryAreaOffset) std::abort();
    if (cat->Medium(s).Name.view().size() > 91) std::abort();
    (void)cat->MediumName(MakeEntryId(s, 0));
    (void)cat->MediumSnapshot(MakeEntryId(s, 1));
    if (cat->LoadMedium(s) && cat->Medium(s).EntryCount != 0) std::abort();  // no block bytes
  }
  for (int n = 0; n <= counts.LiveMedia; ++n) (void)cat->NthLiveMediumName(n);
  cat->FindMediumByName(true, cat->NthLiveMediumName(0));
  for (int k = 0; k < kCommentSlots; k += 97) (void)cat->Comment(k).Text.str();
  return 0;
}
