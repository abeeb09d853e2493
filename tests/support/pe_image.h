#pragma once
// Small Windows PE images built in memory, for the version reader and the
// scanner's tests.

#include <cstdint>
#include <string>

namespace fv::test {

struct PeImageLayout {
  bool pe32plus = false;
  // Resource type of the only resource (16 = version).
  std::uint32_t resource_type = 16;
  bool with_resources = true;
  std::uint16_t version[4] = {1, 2, 3, 4};  // most significant first
};

// Layout of the built image (file offsets), for tests that damage it.
constexpr std::uint32_t kPeRsrcOffset = 0x200;                 // root resource directory
constexpr std::uint32_t kPeRsrcRva = 0x1000;
constexpr std::uint32_t kPeTypeDir = kPeRsrcOffset;            // level 1
constexpr std::uint32_t kPeNameDir = kPeRsrcOffset + 0x18;     // level 2
constexpr std::uint32_t kPeLangDir = kPeRsrcOffset + 0x30;     // level 3
constexpr std::uint32_t kPeDataEntry = kPeRsrcOffset + 0x48;
constexpr std::uint32_t kPeVersionInfo = kPeRsrcOffset + 0x58;  // VS_VERSIONINFO
constexpr std::uint32_t kPeImageSize = 0x400;

std::string BuildPeImage(const PeImageLayout& layout = {});

void PutU16(std::string& s, std::size_t off, std::uint16_t v);
void PutU32(std::string& s, std::size_t off, std::uint32_t v);

}  // namespace fv::test
