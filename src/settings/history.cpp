#include "settings/history.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "catalog/records.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

namespace {

constexpr std::size_t kHintCaptionBytes = 100;
constexpr std::int32_t kCatalogId = 1;

std::int64_t Magnitude(std::int32_t id) { return std::llabs(static_cast<long long>(id)); }

}  // namespace

std::string BrowsingHistory::HistoryFilePath() { return ProgramDataDir() + "/RefHist.hst"; }

void BrowsingHistory::ResetHistory() {
  items_.assign(1, Item{kCatalogId, "Ferrovan"});
  position_ = 0;
  last_magnitude_ = kCatalogId;
  RefreshHints();
}

void BrowsingHistory::RecordPlace(std::int32_t id, const std::string& caption) {
  if (navigating_) return;
  if (Magnitude(id) == last_magnitude_) return;
  last_magnitude_ = static_cast<std::int32_t>(Magnitude(id) > INT32_MAX ? INT32_MAX : Magnitude(id));
  if (!items_.empty() && position_ + 1 < static_cast<int>(items_.size()))
    items_.erase(items_.begin() + position_ + 1, items_.end());
  items_.push_back({id, caption});
  position_ = static_cast<int>(items_.size()) - 1;
  RefreshHints();
}

void BrowsingHistory::Step(int delta) {
  if (stepping_) return;
  stepping_ = true;
  navigating_ = true;
  const long long p = static_cast<long long>(position_) + delta;
  const bool inside = p >= 0 && p < static_cast<long long>(items_.size());
  if (inside) position_ = static_cast<int>(p);
  RefreshHints();
  if (inside) Navigate(items_[static_cast<std::size_t>(position_)].id);
  navigating_ = false;
  stepping_ = false;
}

// An item with identifier 0 (the root of the medium in slot 0, recorded from
// the tree as minus 0) leads to that medium like any other tree node.
void BrowsingHistory::Navigate(std::int32_t id) {
  const std::int64_t magnitude = Magnitude(id);
  if (magnitude == kCatalogId) {
    if (hooks.select_catalog_node) hooks.select_catalog_node();
    return;
  }
  if (hooks.forget_similar_word) hooks.forget_similar_word();
  const int medium = static_cast<int>(magnitude / kIdFactor);
  const std::string cls = hooks.medium_classification ? hooks.medium_classification(medium) : std::string();
  const std::string tab = hooks.current_classification_tab ? hooks.current_classification_tab() : std::string();
  if (cls != tab && hooks.select_classification_tab) hooks.select_classification_tab(cls);
  if (hooks.go_to_entry) hooks.go_to_entry(static_cast<std::int32_t>(magnitude));
  if (id <= 0 && hooks.open_selected_row) hooks.open_selected_row();
}

void BrowsingHistory::RefreshHints() {
  const int n = static_cast<int>(items_.size());
  auto cut = [](const std::string& s) { return std::string(text::CutBytesSafe(s, kHintCaptionBytes)); };
  back_hint_ = text::Utf8ToCp932("戻る[") + std::to_string(n ? position_ : 0) + "]";
  if (n && position_ > 0) back_hint_ += " " + cut(items_[static_cast<std::size_t>(position_ - 1)].caption);
  const int ahead = n ? n - position_ - 1 : 0;
  forward_hint_ = text::Utf8ToCp932("進む[") + std::to_string(ahead) + "]";
  if (ahead > 0) forward_hint_ += " " + cut(items_[static_cast<std::size_t>(position_ + 1)].caption);
  if (hooks.hints_changed) hooks.hints_changed(back_hint_, forward_hint_);
}

std::vector<BrowsingHistory::Item> BrowsingHistory::ParseHistory(const std::string& data, int* skipped) {
  std::vector<Item> items;
  int bad = 0;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string_view line(data.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::size_t comma = line.find(',');
    std::optional<std::int32_t> id;
    if (comma != std::string_view::npos) id = ParseInt32(line.substr(0, comma));
    if (!id) {
      ++bad;
      continue;
    }
    items.push_back({*id, std::string(line.substr(comma + 1))});
  }
  if (skipped) *skipped = bad;
  return items;
}

std::string BrowsingHistory::FormatHistory(const std::vector<Item>& items) {
  std::string out;
  for (const Item& item : items) {
    std::string caption = item.caption;
    // A line break inside a name would split the item when read back.
    for (char& c : caption)
      if (c == '\r' || c == '\n') c = ' ';
    out += std::to_string(item.id) + "," + caption + "\r\n";
  }
  return out;
}

BrowsingHistory::LoadResult BrowsingHistory::LoadHistory(const std::string& path) {
  navigating_ = true;
  LoadResult r;
  if (ReadSettingInteger(SettingKey::REG_RefHistSave) != 1) return r;
  last_magnitude_ = ReadSettingInteger(SettingKey::REG_HistListBefor);
  FileSystem& fs = *Platform().files;
  if (last_magnitude_ == 0) {
    r.kind = LoadResult::NoSavedHistory;
    return r;
  }
  if (!fs.Exists(path)) {
    r.kind = LoadResult::Missing;
    return r;
  }
  auto f = fs.Open(path, OpenMode::Read, r.error);
  if (!f) {
    r.kind = LoadResult::ReadFailed;
    return r;
  }
  const std::int64_t size = f->Size();
  if (size < 0 || size > kMaxFileBytes) {
    r.kind = size < 0 ? LoadResult::ReadFailed : LoadResult::TooLarge;
    if (size < 0) r.error = f->LastError();
    return r;
  }
  std::string data(static_cast<std::size_t>(size), '\0');
  std::size_t got = 0;
  if (size > 0 && !f->ReadAt(0, data.data(), data.size(), got)) {
    r.kind = LoadResult::ReadFailed;
    r.error = f->LastError();
    return r;
  }
  data.resize(got);
  items_ = ParseHistory(data, &r.skipped);
  r.loaded = static_cast<int>(items_.size());
  r.kind = LoadResult::Loaded;
  position_ = items_.empty() ? 0 : static_cast<int>(items_.size()) - 1;
  RefreshHints();
  return r;
}

bool BrowsingHistory::SaveHistory(std::string* err, const std::string& path) {
  std::string e;
  if (ReadSettingInteger(SettingKey::REG_RefHistSave) != 1)
    return WriteSettingInteger(SettingKey::REG_HistListBefor, 0, err);
  if (!items_.empty() && position_ + 1 < static_cast<int>(items_.size()))
    items_.erase(items_.begin() + position_ + 1, items_.end());
  const std::int32_t keep = ReadSettingInteger(SettingKey::REG_RefHistSaveCount);
  const std::size_t keep_n = keep > 0 ? static_cast<std::size_t>(keep) : 0;
  if (items_.size() > keep_n) items_.erase(items_.begin(), items_.end() - static_cast<long>(keep_n));
  position_ = items_.empty() ? 0 : static_cast<int>(items_.size()) - 1;
  FileSystem& fs = *Platform().files;
  const std::string dir = DirName(path);
  if ((dir.empty() || fs.IsDirectory(dir) || fs.CreateDirs(dir, e)) && fs.WriteFileAtomic(path, FormatHistory(items_), e))
    return WriteSettingInteger(SettingKey::REG_HistListBefor, last_magnitude_, err);
  if (err) *err = e;
  WriteSettingInteger(SettingKey::REG_HistListBefor, 0);
  return false;
}

}  // namespace fv
