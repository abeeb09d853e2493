#pragma once
// Code page 932 text services: conversion at the edges, casing as the
// Japanese system casing does it, double-byte aware search and locale
// collation. Every text inside the core is cp932 bytes in std::string.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fv::text {

// True for a byte that opens a double-byte character.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character that starts at s[pos] (1 or 2; a lead
// byte at the very end counts as a single byte).
inline std::size_t CharLen(std::string_view s, std::size_t pos) {
  return (IsLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// Number of characters (a double-byte character counts once).
std::size_t CharCount(std::string_view s);

// Byte length of the first n characters of s.
std::size_t CharPrefixBytes(std::string_view s, std::size_t n);

// Cuts s to at most max_bytes without splitting a double-byte character.
std::string_view CutBytesSafe(std::string_view s, std::size_t max_bytes);

// Conversion. A character cp932 cannot hold becomes "?"; invalid UTF-8
// bytes become "?" too, so a name is never dropped.
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);
std::u16string Cp932ToUtf16(std::string_view cp932);

// Casing as the Japanese system does it for cp932: ASCII letters and the
// full-width Latin letters (Ａ-Ｚ 0x8260-0x8279, ａ-ｚ 0x8281-0x829A) fold;
// trail bytes are never touched.
std::string ToLower(std::string_view s);
std::string ToUpper(std::string_view s);
void ToLowerInPlace(std::string& s);
void ToUpperInPlace(std::string& s);

// Position of the first occurrence of needle in hay at or after from that
// starts on a character boundary; npos when there is none.
std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from = 0);
inline bool Contains(std::string_view hay, std::string_view needle) {
  return Find(hay, needle) != std::string_view::npos;
}

// Locale collation (Japanese). Negative, zero or positive like strcmp.
int Compare(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);

// Sort key: comparing two keys bytewise (memcmp / std::string <) gives the
// same order as Compare (or CompareNoCase for the no-case key).
std::string SortKey(std::string_view s);
std::string SortKeyNoCase(std::string_view s);

// Appends the sort key of s to out; cheaper than SortKey in bulk.
void AppendSortKey(std::string_view s, std::string& out, bool no_case = false);

}  // namespace fv::text
