// libFuzzer target: the duplicate store (".dup") loaders over arbitrary
// bytes: LoadGroups, LoadMembers, the look-ups and the loader thread.
//
// Run: fuzz/run 60 dup_store_fuzz

#include "store_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fv::fuzz::RunStoreInput(fv::dupes::StoreMode::Duplicate, data, size);
}
