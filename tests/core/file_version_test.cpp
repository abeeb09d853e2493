#include "platform/file_version.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>

#include "support/pe_image.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::BuildPeImage;
using test::PeImageLayout;
using test::PutU16;
using test::PutU32;

TEST(FileVersionTest, ReadsTheFixedFileVersion) {
  EXPECT_EQ(PeFileVersionOf(BuildPeImage()), "1.2.3.4");
  PeImageLayout plus;
  plus.pe32plus = true;
  plus.version[0] = 65535;
  plus.version[1] = 0;
  plus.version[2] = 10;
  plus.version[3] = 7;
  EXPECT_EQ(PeFileVersionOf(BuildPeImage(plus)), "65535.0.10.7");
}

TEST(FileVersionTest, ImagesWithoutAGoodVersionBlockGiveEmptyText) {
  using Damage = std::function<void(std::string&)>;
  struct {
    const char* what;
    Damage damage;
  } cases[] = {
      {"other resource type only", [](std::string& s) { PutU32(s, test::kPeTypeDir + 16, 3); }},
      {"no resource directory", [](std::string& s) { PutU32(s, 0x58 + 96 + 16, 0); }},
      {"not MZ", [](std::string& s) { s[0] = 'Z'; }},
      {"no PE signature", [](std::string& s) { s[0x41] = 'X'; }},
      {"header offset past the end", [](std::string& s) { PutU32(s, 0x3C, 0xFFFFFFF0u); }},
      {"unknown optional header", [](std::string& s) { PutU16(s, 0x58, 0x107); }},
      {"too many sections", [](std::string& s) { PutU16(s, 0x46, 0xFFFF); }},
      {"version block signature", [](std::string& s) { PutU32(s, test::kPeVersionInfo + 40, 0x12345678); }},
      {"version block key", [](std::string& s) { s[test::kPeVersionInfo + 6] = 'X'; }},
      {"no fixed block", [](std::string& s) { PutU16(s, test::kPeVersionInfo + 2, 0); }},
      {"block longer than its resource", [](std::string& s) { PutU16(s, test::kPeVersionInfo, 200); }},
      {"resource too small", [](std::string& s) { PutU32(s, test::kPeDataEntry + 4, 40); }},
      {"data outside every section", [](std::string& s) { PutU32(s, test::kPeDataEntry, 0x7FFFFFF0); }},
      {"data across the section end", [](std::string& s) { PutU32(s, test::kPeDataEntry, 0x1000 + 0x1D0); }},
      {"directory offset past the section",
       [](std::string& s) { PutU32(s, test::kPeTypeDir + 20, 0x80000000u | 0x7FFFFF00u); }},
      // Loops: the name level points back at the type level, the language
      // level at itself; the walk has a fixed depth, so neither hangs.
      {"name level loops to the root",
       [](std::string& s) { PutU32(s, test::kPeNameDir + 20, 0x80000000u); }},
      {"language level loops to itself",
       [](std::string& s) { PutU32(s, test::kPeLangDir + 20, 0x80000000u | 0x30); }},
      // Entry counts far beyond the data: the walk gives up at the section end.
      {"huge entry counts", [](std::string& s) {
         PutU32(s, test::kPeTypeDir + 16, 3);
         PutU16(s, test::kPeTypeDir + 12, 0xFFFF);
         PutU16(s, test::kPeTypeDir + 14, 0xFFFF);
       }},
  };
  for (const auto& c : cases) {
    std::string img = BuildPeImage();
    c.damage(img);
    EXPECT_EQ(PeFileVersionOf(img), "") << c.what;
  }
}

TEST(FileVersionTest, EveryTruncationIsSafe) {
  const std::string img = BuildPeImage();
  const std::size_t needed = test::kPeVersionInfo + 92;
  for (std::size_t n = 0; n <= img.size(); ++n)
    EXPECT_EQ(PeFileVersionOf(std::string_view(img).substr(0, n)), n < needed ? "" : "1.2.3.4") << n;
}

TEST(FileVersionTest, CraftedDirectoryCostsLittle) {
  // Every entry of a self-referencing name directory points at itself and
  // the type directory repeats the version type many times.
  std::string img = BuildPeImage();
  img.resize(0x10000, '\0');
  PutU32(img, 0x58 + 224 + 16, 0xFC00);  // section raw size
  PutU16(img, test::kPeTypeDir + 14, 2000);
  for (int i = 0; i < 2000; ++i) {
    PutU32(img, test::kPeTypeDir + 16 + 8 * i, 16);
    PutU32(img, test::kPeTypeDir + 20 + 8 * i, 0x80000000u | 0x4000);
  }
  PutU16(img, test::kPeRsrcOffset + 0x4000 + 14, 2000);
  for (int i = 0; i < 2000; ++i) {
    PutU32(img, test::kPeRsrcOffset + 0x4000 + 16 + 8 * i, 1);
    PutU32(img, test::kPeRsrcOffset + 0x4000 + 20 + 8 * i, 0x80000000u | 0x4000);
  }
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PeFileVersionOf(img), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(FileVersionTest, FilesOnDisk) {
  std::string d = test::MakeTempDir();
  test::WriteFile(d + "/tool.exe", BuildPeImage());
  test::WriteFile(d + "/readme.txt", "MZ is not enough to be an executable, and this text is long enough.");
  test::WriteFile(d + "/tiny", "MZ");
  ASSERT_EQ(mkfifo((d + "/pipe").c_str(), 0644), 0);
  PeFileVersions v;
  EXPECT_EQ(v.FileVersion(d + "/tool.exe"), "1.2.3.4");
  // No extension needed: the contents decide.
  test::WriteFile(d + "/renamed.dat", BuildPeImage());
  EXPECT_EQ(v.FileVersion(d + "/renamed.dat"), "1.2.3.4");
  for (const char* name : {"/readme.txt", "/tiny", "/pipe", "/missing", ""})
    EXPECT_EQ(v.FileVersion(d + name), "") << name;  // the FIFO must not block
}

}  // namespace
}  // namespace fv
