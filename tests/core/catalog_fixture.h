#pragma once
// Builds small catalogs for the catalog tests.

#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "support/test_env.h"

namespace fv::test {

// A scanned medium: the root and files directly under it. names[0] is the
// medium's name; the others the files' names (any length).
struct FakeMedium {
  std::vector<std::string> names;
  TMediaInfomation info;

  static FakeMedium Make(const std::string& name, int entries, const std::string& prefix = "f") {
    FakeMedium m;
    m.names.push_back(name);
    for (int i = 1; i < entries; ++i) m.names.push_back(prefix + std::to_string(i));
    m.info.Drive = "c";
    m.info.DriveTypeName = "HD";
    m.info.SerialNo = "ABCD";
    m.info.VolumeName = name;
    return m;
  }

  bool StoreInto(Catalog& c) const {
    const int n = static_cast<int>(names.size());
    return c.StoreScannedMedium(
        n,
        [&](int i, ScannedEntry& e) {
          e.Parent = i == 0 ? -1 : 0;
          e.FirstChild = i == 0 ? (n > 1 ? 1 : -1) : -1;
          e.Kind = i == 0 ? kKindFixed : kKindFile;
          e.Attributes = i == 0 ? 16 : 32;
          e.Name = names[static_cast<std::size_t>(i)];
          e.Size = 1000.0 + i;
          e.Time = 0x5A210000u + static_cast<std::uint32_t>(i);
          e.Version = i == 0 ? "count" : "";
          e.DirectFiles = i == 0 ? n - 1 : 0;
          e.AllFiles = i == 0 ? n - 1 : 0;
          e.ClusterBytes = 4096;
        },
        info);
  }
};

}  // namespace fv::test
