#pragma once
// Small catalogs of folder trees for the browsing tests.

#include <cmath>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "platform/timefmt.h"
#include "support/test_env.h"

namespace fv::test {

// One entry of a medium in breadth-first order (children of a folder
// consecutive, every folder before its children); entry 0 is the root.
struct TreeEntry {
  int parent;
  int kind;
  std::string name;  // cp932
  double size = 0;   // files only; folders get their totals
  DosTime time = 0;
};

// Stores the tree as a medium: links, counters, sizes and cluster totals
// (4096-byte clusters) computed as a read computes them.
inline bool StoreTree(Catalog& cat, const std::vector<TreeEntry>& tree, TMediaInfomation info = {}) {
  const int n = static_cast<int>(tree.size());
  std::vector<int> first(n, -1), direct_folders(n, 0), direct_files(n, 0), all_folders(n, 0), all_files(n, 0);
  std::vector<double> size(n, 0), clusters(n, 0);
  for (int i = 0; i < n; ++i) {
    if (tree[i].kind == kKindFile) {
      size[i] = tree[i].size;
      clusters[i] = std::ceil(tree[i].size / 4096.0) * 4096.0;
    }
  }
  for (int i = n - 1; i > 0; --i) {
    int p = tree[i].parent;
    if (first[p] < 0 || i < first[p]) first[p] = i;
    bool file = tree[i].kind == kKindFile;
    (file ? direct_files : direct_folders)[p]++;
    all_files[p] += all_files[i] + (file ? 1 : 0);
    all_folders[p] += all_folders[i] + (file ? 0 : 1);
    size[p] += size[i];
    clusters[p] += clusters[i];
  }
  if (info.Drive.empty()) info.Drive = "d";
  info.MinFileTime = info.MaxFileTime = 0;
  info.MinFileSize = -1;
  info.MaxFileSize = 0;
  for (const TreeEntry& e : tree) {
    if (e.kind != kKindFile) continue;
    if (info.MinFileTime == 0 || e.time < info.MinFileTime) info.MinFileTime = e.time;
    if (e.time > info.MaxFileTime) info.MaxFileTime = e.time;
    if (info.MinFileSize < 0 || e.size < info.MinFileSize) info.MinFileSize = e.size;
    if (e.size > info.MaxFileSize) info.MaxFileSize = e.size;
  }
  return cat.StoreScannedMedium(
      n,
      [&](int i, ScannedEntry& e) {
        e.Parent = tree[i].parent;
        e.FirstChild = first[i];
        e.Kind = static_cast<std::int16_t>(tree[i].kind);
        e.Attributes = tree[i].kind == kKindFile ? 32 : 16;
        e.Name = tree[i].name;
        e.Size = size[i];
        e.Time = tree[i].time;
        e.Version = "";
        e.DirectFolders = static_cast<std::int16_t>(direct_folders[i]);
        e.DirectFiles = direct_files[i];
        e.AllFolders = static_cast<std::int16_t>(all_folders[i]);
        e.AllFiles = all_files[i];
        e.ClusterBytes = clusters[i];
      },
      info);
}

}  // namespace fv::test
