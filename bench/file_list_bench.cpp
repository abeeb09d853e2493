// Building, formatting and sorting a 100,000-row file list by "サイズ" and
// then by "名前", against GNU sort (C locale) of the same 100,000 names.
// Target: at most 1x.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "bench_timing.h"
#include "browse/hierarchy.h"
#include "catalog/catalog.h"
#include "platform/files.h"
#include "platform/services.h"

using namespace fv;
using fv::bench::Seconds;

namespace {

constexpr int kFiles = 100000;


// Names of mixed shapes and case, in no particular order.
std::string FileName(int i) {
  static const char* const stems[] = {"report", "IMG_", "photo", "Backup", "data", "notes", "track", "Setup"};
  static const char* const exts[] = {".txt", ".JPG", ".png", ".doc", ".mp3", ".exe", ".dat", ".PDF"};
  unsigned h = static_cast<unsigned>(i) * 2654435761u;
  return std::string(stems[h % 8]) + std::to_string(h % 1000003) + "_" + std::to_string(i) + exts[(h >> 8) % 8];
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp ? tmp : "/tmp") + "/ferrovan_file_list_bench";
  std::string err;
  Platform().files->CreateDirs(dir, err);
  const std::string path = dir + "/Bench.fvd";
  const std::string names_path = dir + "/names.txt";
  Catalog& cat = TheCatalog();
  if (!cat.CreateCatalog(path)) return 1;
  std::string name;
  std::ofstream names(names_path);
  bool ok = cat.StoreScannedMedium(
      kFiles + 1,
      [&](int i, ScannedEntry& e) {
        e = ScannedEntry{};
        name = i == 0 ? "BENCH" : FileName(i);
        e.Name = name;
        e.Parent = i == 0 ? -1 : 0;
        e.FirstChild = i == 0 ? 1 : -1;
        e.Kind = i == 0 ? kKindFixed : kKindFile;
        e.Size = static_cast<double>((static_cast<unsigned>(i) * 40503u) % 5000000u);
        e.ClusterBytes = (static_cast<long>(e.Size) / 4096 + 1) * 4096.0;
        e.Time = 0x30000000u + static_cast<std::uint32_t>(i) * 37u;
        e.DirectFiles = e.AllFiles = i == 0 ? kFiles : 0;
        if (i > 0) names << name << '\n';
      },
      TMediaInfomation{});
  names.close();
  if (!ok) return 1;

  const std::string cmd = "LC_ALL=C sort '" + names_path + "' > /dev/null";
  double sort_s = Seconds([&] { (void)std::system(cmd.c_str()); }, 5);

  cat.LoadMedium(0);
  int rows = 0;
  double list_s = Seconds(
      [&] {
        Browser b(cat);
        b.file_sort = SortState{kFileColSize, kFileColSize, 0, false, true};
        rows = b.PopulateFileList(MakeEntryId(0, 0));
        b.SortFileList(kFileColName, false);
      },
      5);

  // Where the time goes, once.
  {
    Browser b(cat);
    auto t0 = std::chrono::steady_clock::now();
    b.BuildFileList(MakeEntryId(0, 0));
    auto t1 = std::chrono::steady_clock::now();
    RowFormatContext ctx = b.FormatContext(&b.file_images);
    auto texts = FileRowTexts(ctx);  // texts are formatted as rows are shown
    for (std::size_t i = 0; i < b.file_list.size(); ++i) PrepareFileRow(b.file_list[i], ctx, texts);
    auto t2 = std::chrono::steady_clock::now();
    b.SortFileList(kFileColSize, false);
    auto t3 = std::chrono::steady_clock::now();
    b.SortFileList(kFileColName, false);
    auto t4 = std::chrono::steady_clock::now();
    auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    std::printf("phases: build %.1f ms, images and text sources %.1f ms, sort by size %.1f ms, sort by name %.1f ms\n", ms(t0, t1),
                ms(t1, t2), ms(t2, t3), ms(t3, t4));
  }
  std::printf("rows: %d\n", rows);
  std::printf("baseline GNU sort (C locale) of %d names: %.3f s\n", kFiles, sort_s);
  std::printf("file list build + format + sort by size, then by name: %.3f s\n", list_s);
  std::printf("ratio file list / sort: %.2fx (target <= 1x)\n", list_s / sort_s);
  Platform().files->Remove(path, err);
  Platform().files->Remove(ChangeExtension(path, ".lfn"), err);
  Platform().files->Remove(names_path, err);
  return 0;
}
