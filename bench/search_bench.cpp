// Search for "*.txt" (case-insensitive) over 2,000,000 entries in 20 media,
// against reading the whole catalog file once. Target: at most 2x.
//
// Prints the best of several runs of each and their ratio.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "browse/hierarchy.h"
#include "browse/search.h"
#include "catalog/catalog.h"
#include "platform/files.h"
#include "platform/services.h"

using namespace fv;
using fv::bench::Seconds;

namespace {

constexpr int kMedia = 20;
constexpr int kPerMedium = 100000;  // root included


// A medium of 100 folders under the root, each with 999 files; every
// tenth file a ".TXT" or ".txt".
bool StoreMedium(Catalog& cat, int index) {
  const int folders = 100;
  const int per_folder = 999;  // 1 + 100 + 99,900 entries
  std::string name;
  return cat.StoreScannedMedium(
      1 + folders + folders * per_folder,
      [&](int i, ScannedEntry& e) {
        e = ScannedEntry{};
        if (i == 0) {
          name = "MEDIUM" + std::to_string(index);
          e.Parent = -1;
          e.FirstChild = 1;
          e.Kind = kKindFixed;
          e.DirectFolders = folders;
          e.AllFolders = folders;
          e.AllFiles = folders * per_folder;
        } else if (i <= folders) {
          name = "folder" + std::to_string(i);
          e.Parent = 0;
          e.FirstChild = 1 + folders + (i - 1) * per_folder;
          e.Kind = kKindFolder;
          e.DirectFiles = e.AllFiles = per_folder;
        } else {
          int k = i - 1 - folders;
          name = "document_number_" + std::to_string(k) + (k % 10 == 0 ? (k % 20 ? ".TXT" : ".txt") : ".dat");
          e.Parent = 1 + k / per_folder;
          e.Kind = kKindFile;
          e.Size = 1000 + k;
          e.ClusterBytes = 4096;
          e.Time = 0x30000000u + static_cast<std::uint32_t>(k);
        }
        e.Name = name;
      },
      TMediaInfomation{});
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp ? tmp : "/tmp") + "/ferrovan_search_bench";
  std::string err;
  Platform().files->CreateDirs(dir, err);
  const std::string path = dir + "/Bench.fvd";
  Catalog& cat = TheCatalog();
  std::fprintf(stderr, "building %d media of %d entries...\n", kMedia, kPerMedium);
  if (!cat.CreateCatalog(path)) return 1;
  for (int m = 0; m < kMedia; ++m)
    if (!StoreMedium(cat, m)) return 1;

  // Baseline: the whole catalog file read once, in 4 MiB blocks.
  std::vector<char> buf(4 << 20);
  std::int64_t total = 0;
  double read = Seconds(
      [&] {
        auto f = Platform().files->Open(path, OpenMode::Read, err);
        std::int64_t off = 0;
        std::size_t got = 0;
        while (f->ReadAt(off, buf.data(), buf.size(), got) && got > 0) off += static_cast<std::int64_t>(got);
        total = off;
      },
      5);

  SearchConditions c;
  c.name_on = true;
  c.first_name = "*.txt";  // already lower case: the case-insensitive search
  std::vector<int> media;
  for (int m = 0; m < kMedia; ++m) media.push_back(m);
  int found = 0;
  double search = Seconds(
      [&] {
        cat.ForgetLoadedMedium();
        Browser b(cat);
        RowList results;
        found = RunSearch(b, c, media, results);
      },
      5);

  // The scan alone: a pattern without hits.
  SearchConditions none = c;
  none.first_name = "*.zzz";
  double scan = Seconds(
      [&] {
        cat.ForgetLoadedMedium();
        Browser b(cat);
        RowList results;
        RunSearch(b, none, media, results);
      },
      3);
  // Loading the media alone (the catalog's LoadMedium), for reference.
  double load = Seconds(
      [&] {
        for (int m : media) {
          cat.ForgetLoadedMedium();
          cat.LoadMedium(m);
        }
      },
      3);
  std::printf("catalog: %lld bytes, %d entries, %d hits\n", static_cast<long long>(total), kMedia * kPerMedium, found);
  std::printf("baseline read whole catalog file: %.3f s\n", read);
  std::printf("search *.txt case-insensitive:    %.3f s\n", search);
  std::printf("(the same scan without hits:  %.3f s; loading the 20 media alone: %.3f s)\n", scan, load);
  std::printf("ratio search / read: %.2fx (target <= 2x)\n", search / read);
  Platform().files->Remove(path, err);
  Platform().files->Remove(ChangeExtension(path, ".lfn"), err);
  return 0;
}
