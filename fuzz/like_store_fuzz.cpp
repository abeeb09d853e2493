// libFuzzer target: the similar store (".lik") loaders over arbitrary bytes:
// LoadGroups with the recorded separator set, LoadMembers, FindWord and the
// loader thread.
//
// Run: fuzz/run 60 like_store_fuzz

#include "store_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fv::fuzz::RunStoreInput(fv::dupes::StoreMode::Similar, data, size);
  // Short inputs rarely reach the group section behind the 33,177-byte
  // header: give the same bytes a valid header too.
  std::string padded(33177, '\0');
  const std::int32_t format = 2;
  std::memcpy(padded.data(), &format, 4);
  if (size >= 8) std::memcpy(padded.data() + 5, data, 8);  // G and N from the input
  padded.append(reinterpret_cast<const char*>(data), size);
  return fv::fuzz::RunStoreInput(fv::dupes::StoreMode::Similar, reinterpret_cast<const std::uint8_t*>(padded.data()),
                                 padded.size());
}
