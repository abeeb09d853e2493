#include "support/pe_image.h"

namespace fv::test {

void PutU16(std::string& s, std::size_t off, std::uint16_t v) {
  s[off] = static_cast<char>(v & 0xFF);
  s[off + 1] = static_cast<char>(v >> 8);
}

void PutU32(std::string& s, std::size_t off, std::uint32_t v) {
  PutU16(s, off, static_cast<std::uint16_t>(v & 0xFFFF));
  PutU16(s, off + 2, static_cast<std::uint16_t>(v >> 16));
}

std::string BuildPeImage(const PeImageLayout& layout) {
  std::string s(kPeImageSize, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  PutU32(s, 0x3C, 0x40);
  s.replace(0x40, 4, std::string("PE\0\0", 4));
  PutU16(s, 0x44, layout.pe32plus ? 0x8664 : 0x14C);
  PutU16(s, 0x46, 1);  // one section
  const std::uint16_t opt_size = layout.pe32plus ? 240 : 224;
  PutU16(s, 0x54, opt_size);
  const std::size_t opt = 0x58;
  PutU16(s, opt, layout.pe32plus ? 0x20B : 0x10B);
  const std::size_t count_at = layout.pe32plus ? 108 : 92, dirs_at = layout.pe32plus ? 112 : 96;
  PutU32(s, opt + count_at, 16);
  if (layout.with_resources) {
    PutU32(s, opt + dirs_at + 16, kPeRsrcRva);
    PutU32(s, opt + dirs_at + 20, 0x100);
  }
  const std::size_t sec = opt + opt_size;
  s.replace(sec, 5, ".rsrc");
  PutU32(s, sec + 8, 0x200);   // virtual size
  PutU32(s, sec + 12, kPeRsrcRva);
  PutU32(s, sec + 16, 0x200);  // raw size
  PutU32(s, sec + 20, kPeRsrcOffset);

  // Type -> name -> language -> data entry, one entry each.
  PutU16(s, kPeTypeDir + 14, 1);
  PutU32(s, kPeTypeDir + 16, layout.resource_type);
  PutU32(s, kPeTypeDir + 20, 0x80000000u | (kPeNameDir - kPeRsrcOffset));
  PutU16(s, kPeNameDir + 14, 1);
  PutU32(s, kPeNameDir + 16, 1);
  PutU32(s, kPeNameDir + 20, 0x80000000u | (kPeLangDir - kPeRsrcOffset));
  PutU16(s, kPeLangDir + 14, 1);
  PutU32(s, kPeLangDir + 16, 0x411);
  PutU32(s, kPeLangDir + 20, kPeDataEntry - kPeRsrcOffset);
  const std::uint32_t info_size = 92;
  PutU32(s, kPeDataEntry, kPeRsrcRva + (kPeVersionInfo - kPeRsrcOffset));
  PutU32(s, kPeDataEntry + 4, info_size);

  const std::size_t vi = kPeVersionInfo;
  PutU16(s, vi, info_size);
  PutU16(s, vi + 2, 52);
  const char16_t key[] = u"VS_VERSION_INFO";
  for (std::size_t i = 0; i < 16; ++i) PutU16(s, vi + 6 + 2 * i, static_cast<std::uint16_t>(key[i]));
  PutU32(s, vi + 40, 0xFEEF04BD);
  PutU32(s, vi + 44, 0x00010000);
  PutU32(s, vi + 48, (std::uint32_t{layout.version[0]} << 16) | layout.version[1]);
  PutU32(s, vi + 52, (std::uint32_t{layout.version[2]} << 16) | layout.version[3]);
  PutU32(s, vi + 56, 9);  // product version: must not be taken
  PutU32(s, vi + 60, 9);
  return s;
}

}  // namespace fv::test
