#include "reading/scan_buffer.h"

#include <algorithm>
#include <cstring>

namespace fv {

std::string_view ScanBuffer::Name(int i) const {
  const ScanRecord& r = (*this)[i];
  return r.NameLen ? std::string_view(TextAt(r.TextOffset), r.NameLen) : std::string_view();
}

std::string_view ScanBuffer::RawName(int i) const {
  const ScanRecord& r = (*this)[i];
  return r.RawLen ? std::string_view(TextAt(r.TextOffset) + r.NameLen, r.RawLen) : std::string_view();
}

std::string_view ScanBuffer::Version(int i) const {
  const ScanRecord& r = (*this)[i];
  return r.VersionLen ? std::string_view(TextAt(r.TextOffset) + r.NameLen + r.RawLen, r.VersionLen)
                      : std::string_view();
}

std::uint32_t ScanBuffer::StoreText(std::string_view a, std::string_view b, std::string_view c) {
  std::size_t n = a.size() + b.size() + c.size();
  if (n == 0) return 0;
  // A text never spans two chunks.
  if (texts_.empty() || text_used_ % kTextChunk + n > kTextChunk) {
    if (!texts_.empty()) text_used_ = texts_.size() * kTextChunk;
    texts_.push_back(std::make_unique_for_overwrite<char[]>(kTextChunk));
  }
  char* p = texts_.back().get() + text_used_ % kTextChunk;
  std::memcpy(p, a.data(), a.size());
  std::memcpy(p + a.size(), b.data(), b.size());
  std::memcpy(p + a.size() + b.size(), c.data(), c.size());
  auto off = static_cast<std::uint32_t>(text_used_);
  text_used_ += n;
  return off;
}

int ScanBuffer::Append(const ScanRecord& r, std::string_view name, std::string_view raw_name,
                       std::string_view version) {
  if ((count_ >> kChunkBits) >= static_cast<int>(chunks_.size()))
    chunks_.push_back(std::make_unique_for_overwrite<ScanRecord[]>(std::size_t{1} << kChunkBits));
  int i = count_++;
  (*this)[i] = r;
  SetTexts(i, name, raw_name, version);
  return i;
}

void ScanBuffer::SetTexts(int i, std::string_view name, std::string_view raw_name, std::string_view version) {
  name = name.substr(0, 0xFFFF);
  raw_name = raw_name.substr(0, 0xFFFF);
  version = version.substr(0, 0xFF);
  ScanRecord& r = (*this)[i];
  r.TextOffset = StoreText(name, raw_name, version);
  r.NameLen = static_cast<std::uint16_t>(name.size());
  r.RawLen = static_cast<std::uint16_t>(raw_name.size());
  r.VersionLen = static_cast<std::uint8_t>(version.size());
}

void ScanBuffer::Clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  texts_.clear();
  texts_.shrink_to_fit();
  count_ = 0;
  text_used_ = 0;
}

void ScanBuffer::ToEntryRecord(int i, EntryRecord& e) const {
  const ScanRecord& r = (*this)[i];
  std::memset(&e, 0, sizeof e);
  CopyEntryFields(r, e);
  e.Name.assign(Name(i));
  e.Version.assign(Version(i));
  e.CommentIndex = -1;
}

std::string ScanBuffer::FolderPath(int i, std::string_view drive) const {
  std::vector<int> chain;
  for (int k = i; k > 0; k = (*this)[k].Parent) chain.push_back(k);
  std::string path(drive);
  path += ':';
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    path += '\\';
    path += Name(*it);
  }
  return path;
}

TRecord ScanBuffer::ToTRecord(int i, std::string_view drive) const {
  const ScanRecord& r = (*this)[i];
  TRecord t;
  CopyEntryFields(r, t);
  if (i == 0)
    t.ParentPath = std::string(drive) + ":";
  else if (IsFolderKind(r.Kind))
    t.ParentPath = FolderPath(r.Parent, drive);
  t.Name = std::string(Name(i));
  t.Version = std::string(Version(i));
  return t;
}

std::size_t ScanBuffer::MemoryBytes() const {
  return chunks_.size() * (sizeof(ScanRecord) << kChunkBits) + texts_.size() * kTextChunk;
}

}  // namespace fv
