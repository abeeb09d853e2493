// libFuzzer target: the duplicate store (".dup") loaders over arbitrary
// bytes: LoadGroups, LoadMembers, the look-ups and the loader thread.
//
// Build: clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//          fuzz/dup_store_fuzz.cpp src/dupes/{result_store,keys,collate}.cpp \
//          src/settings/settings.cpp src/platform/{files,paths,services,settings_store,text,messages,timefmt,main_thread}.cpp \
//          $(pkg-config --cflags --libs icu-uc icu-i18n Qt6Core) -o dup_store_fuzz

#include "store_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fv::fuzz::RunStoreInput(fv::dupes::StoreMode::Duplicate, data, size);
}
