#pragma once
// Shared part of the duplicate and similar store fuzz targets: the input
// bytes are the store file, served from memory, and every loader runs over
// it. Nothing may crash or hang; what loads must be consistent.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dupes/result_store.h"
#include "mem_files.h"

namespace fv::fuzz {

#define FV_FUZZ_CHECK(cond)                                                  \
  do {                                                                       \
    if (!(cond)) {                                                           \
      std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__); \
      std::abort();                                                          \
    }                                                                        \
  } while (0)

inline int RunStoreInput(dupes::StoreMode mode, const std::uint8_t* bytes, std::size_t size) {
  MemFileSystem& files = FreshFiles();
  Put(files, mode == dupes::StoreMode::Duplicate ? "/mem/Default.dup" : "/mem/Default.lik",
      std::string(reinterpret_cast<const char*>(bytes), size));

  dupes::ResultStore store(mode);
  store.SetStorePath("/mem/Default.fvd");
  store.SetSeparators("_");
  FV_FUZZ_CHECK(store.StoreExists());
  store.LoadGroups();
  // Loaded rows are whole records of the file, with names no longer than
  // a record holds, and every row's name is found again.
  FV_FUZZ_CHECK(static_cast<std::size_t>(store.LoadedGroupCount()) * 116 <= size);
  FV_FUZZ_CHECK(store.GroupCount() >= 0 && store.MemberCount() >= 0);
  if (mode == dupes::StoreMode::Similar) FV_FUZZ_CHECK(store.Separators().size() <= 127);
  dupes::StoreRow row;
  for (int i = 0; store.GroupAt(i, row); ++i) {
    FV_FUZZ_CHECK(row.name.size() <= 91);
    // The look-up answers with the first row of the same name.
    dupes::StoreRow other;
    int first_same = -1;
    for (int j = 0; first_same < 0 && store.GroupAt(j, other); ++j)
      if (dupes::SameKey(other.name, row.name)) first_same = j;
    FV_FUZZ_CHECK(first_same >= 0 && first_same <= i);
    store.GroupAt(first_same, other);
    FV_FUZZ_CHECK(store.FindKindStart(row.name) == other.first && store.FindKindSize(row.name) == other.kind_size);
    if (i < 8) {
      store.LoadMembers(dupes::MemberListId::Detail, row.first, row.kind_size);
      FV_FUZZ_CHECK(static_cast<std::size_t>(store.LoadedMemberCount(dupes::MemberListId::Detail)) * 116 <= size);
    }
  }
  // The loader thread gives the same list (for some inputs only: a thread
  // makes its own collator, which costs more than the rest of the run).
  if (size % 8 != 0) return 0;
  int loaded = store.LoadedGroupCount();
  bool done = false;
  FV_FUZZ_CHECK(store.StartLoader([&](bool) { done = true; }));
  store.WaitForLoader();
  FV_FUZZ_CHECK(done && store.LoadedGroupCount() == loaded);
  return 0;
}

}  // namespace fv::fuzz
