#include "browse/search.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <numeric>

#include "browse/comments.h"
#include "browse/hierarchy.h"
#include "browse/wildcard.h"
#include "catalog/catalog.h"
#include "media_meta/name_lists.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

namespace {

std::string J(const char* utf8) { return text::Utf8ToCp932(utf8); }

bool KindAllowed(const SearchConditions& c, int kind) {
  if (c.folders_only) return IsFolderKind(kind);
  if (!c.folders_too) return kind == kKindFile;
  return true;
}

// The text a name or comment test compares: folded to lower case into a
// reused buffer when the test ignores case.
std::string_view Folded(std::string_view s, bool keep_case, std::string& buffer) {
  if (keep_case) return s;
  buffer.assign(s);
  text::ToLowerInPlace(buffer);
  return buffer;
}

void Inform(const char* utf8, MsgIcon icon) { Platform().messages->Show(J(utf8), J("検索条件"), icon, MsgButtons::Ok); }

std::string PlainNumber(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.0f", v);
  return b;
}

// The size boxes hold whole numbers from 0 to 2147483647; text that is not
// a number counts as 0, larger numbers as the maximum.
std::int64_t BoxValue(const std::string& t) {
  if (t.empty()) return 0;
  char* end = nullptr;
  long long v = std::strtoll(t.c_str(), &end, 10);
  if (end == t.c_str() || *end != '\0' || v < 0) return 0;
  return std::min<long long>(v, kSizeBoxMax);
}

DateTime ShiftDays(const DateTime& t, int days) {
  using namespace std::chrono;
  sys_days d = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)}, day{static_cast<unsigned>(t.day)}};
  year_month_day r{d - std::chrono::days{days}};
  DateTime out = t;
  out.year = static_cast<int>(r.year());
  out.month = static_cast<int>(static_cast<unsigned>(r.month()));
  out.day = static_cast<int>(static_cast<unsigned>(r.day()));
  return out;
}

void SortResults(RowList& results, const SortState& sort, const PanelSink& status) {
  if (status) status(1, J("ソート中..."));
  results.Sort(sort, [](int c) { return SearchColumnRightAligned(c); });
  for (std::size_t i = 0; i < results.size(); ++i) results[i].Parent = static_cast<std::int32_t>(i);
  if (status) status(1, std::string());
}

// A quick test a name must pass to match, for the commonest search: a star
// and a plain ASCII ending ignoring case ("*.txt"). Compares the name's last
// bytes folded to lower case; MatchEntry still decides for names that pass.
// Not used when a comment can add an entry the name test turns away.
class NamePrefilter {
 public:
  explicit NamePrefilter(const SearchConditions& c) {
    const std::string& p = c.first_name;
    if (!c.name_on || c.partial || c.name_case || (c.comment_on && !c.comment_and)) return;
    if (p.size() < 2 || p[0] != '*') return;
    for (std::size_t i = 1; i < p.size(); ++i) {
      const unsigned char b = static_cast<unsigned char>(p[i]);
      if (b >= 0x80 || b == '*' || b == '?' || (b >= 'A' && b <= 'Z')) return;
    }
    tail_ = std::string_view(p).substr(1);
  }
  // False only for names that cannot match.
  bool Passes(std::string_view name) const {
    if (tail_.empty()) return true;
    if (name.size() < tail_.size()) return false;
    const char* end = name.data() + name.size() - tail_.size();
    for (std::size_t i = tail_.size(); i-- > 0;) {
      unsigned char b = static_cast<unsigned char>(end[i]);
      if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
      if (b != static_cast<unsigned char>(tail_[i])) return false;
    }
    return true;
  }

 private:
  std::string_view tail_;
};

}  // namespace

bool MatchEntry(const SearchConditions& c, const EntryRecord& e, std::string_view name,
                const std::function<std::string(int)>& comment_text) {
  if (name.empty()) return false;
  bool r = c.marked_only ? e.Mark == 1 : true;
  if (r && c.name_on) {
    r = KindAllowed(c, e.Kind);
    if (r) {
      auto match = [&](const std::string& pattern) {
        return c.name_case ? WildcardMatch(pattern, name, c.partial)
                           : WildcardMatchFolded(pattern, name, c.partial);
      };
      r = match(c.first_name);
      if (c.partial && !c.second_name.empty()) {
        bool r2 = match(c.second_name);
        r = c.names_and ? (r && r2) : (r || r2);
      }
    }
  }
  if (r && c.size_on)
    r = KindAllowed(c, e.Kind) && (IsFolderKind(e.Kind) || e.Kind == kKindFile) && c.size_min <= e.Size &&
        e.Size <= c.size_max;
  if (r && c.time_on) r = KindAllowed(c, e.Kind) && c.time_min <= e.Time && e.Time <= c.time_max;
  if (c.comment_on && (c.comment_and ? r : !r)) {
    bool rc = e.CommentIndex != -1;
    if (rc && c.comment_substring) {
      std::string stored = comment_text ? comment_text(e.CommentIndex) : std::string();
      std::string folded;
      rc = text::Contains(Folded(stored, c.comment_case, folded), c.comment_text);
    }
    r = rc;
  }
  return r;
}

SearchRanges ComputeRanges(const Catalog& cat, std::string_view classification) {
  SearchRanges r;
  for (int m = 0; m < kMediaSlots && cat.SlotUsed(m); ++m) {
    if (!cat.SlotLive(m) || !InClassification(cat, classification, m)) continue;
    const MediumRecord& md = cat.Medium(m);
    if (!r.any) {
      r.any = true;
      r.min_file_time = md.MinFileTime;
      r.max_file_time = md.MaxFileTime;
      r.min_folder_time = md.MinFolderTime;
      r.max_folder_time = md.MaxFolderTime;
      r.min_file_size = md.MinFileSize;
      r.max_file_size = md.MaxFileSize;
      continue;
    }
    r.min_file_time = std::min(r.min_file_time, md.MinFileTime);
    r.max_file_time = std::max(r.max_file_time, md.MaxFileTime);
    r.min_folder_time = std::min(r.min_folder_time, md.MinFolderTime);
    r.max_folder_time = std::max(r.max_folder_time, md.MaxFolderTime);
    r.min_file_size = std::min(r.min_file_size, md.MinFileSize);
    r.max_file_size = std::max(r.max_file_size, md.MaxFileSize);
  }
  return r;
}

std::string SearchProgressText(int i, int chosen, int found) {
  return J("検索中...(") + std::to_string(i) + "/" + std::to_string(chosen) + J("メディア中、") +
         std::to_string(found) + J("件検出)");
}

std::string SearchDoneText(int found) { return std::to_string(found) + J(" 件検出"); }

int RunSearch(Browser& browser, const SearchConditions& c, const std::vector<int>& media, RowList& results,
              const PanelSink& status) {
  Catalog& cat = browser.catalog();
  results.clear();
  if (status) status(0, std::string());
  int found = 0;
  const int chosen = static_cast<int>(media.size());
  const std::function<std::string(int)> comment_text = [&cat](int k) { return CommentText(cat, k); };
  const NamePrefilter prefilter(c);
  for (int i = 0; i < chosen && found < kSearchResultCapacity; ++i) {
    if (status) status(1, SearchProgressText(i + 1, chosen, found));
    const int m = media[static_cast<std::size_t>(i)];
    if (m < 0 || m >= kMediaSlots || !cat.LoadMedium(m)) continue;
    browser.ClearPathCache();
    const int count = cat.LoadedCount();
    const LongNameStore& names = cat.LongNames();
    std::string long_name;
    // Hits come folder by folder: the parent path is built once per folder
    // and copied into each of its rows.
    int path_of = -2;
    std::string parent_path;
    for (int e = 0; e < count; ++e) {
      const EntryRecord& rec = cat.Entry(e);
      std::string_view name = rec.Name.view();
      const bool long_named = names.HasLongName(e);
      if (long_named) name = long_name = names.LoadedLongName(e);
      if (!prefilter.Passes(name) || !MatchEntry(c, rec, name, comment_text)) continue;
      results.emplace_back();
      TRecord& row = results.back();
      FillRow(row, MakeEntryId(m, e), rec, long_named ? std::move(long_name) : std::string(name));
      if (e > 0) {
        if (rec.Parent != path_of) {
          parent_path = browser.EntryPath(m, e);
          path_of = rec.Parent;
        }
        row.ParentPath = parent_path;
      }
      if (++found >= kSearchResultCapacity) break;
    }
  }
  if (status) status(1, SearchDoneText(found));
  return found;
}

void FormatSearchResults(Browser& browser, RowList& results, ExtensionImages& images, const SortState& sort,
                         const PanelSink& status) {
  Catalog& cat = browser.catalog();
  RowFormatContext ctx = browser.FormatContext(&images);
  ctx.dup_count = nullptr;
  std::unordered_map<int, MediumColumns> media;
  int columns_of = -1;
  for (const TRecord& row : results) {
    int m = MediumOf(row.Id);
    if (m == columns_of) continue;
    columns_of = m;
    if (media.count(m)) continue;
    const MediumRecord& md = cat.Medium(m);
    media.emplace(m, MediumColumns{md.Classification.str(), md.Location.str(), md.LocationDetail.str()});
  }
  auto texts = SearchRowTexts(ctx, std::move(media));
  for (TRecord& row : results) PrepareSearchRow(row, ctx, texts);
  SortResults(results, sort, status);
}

void ClickSearchColumn(RowList& results, SortState& sort, int column, bool shift, const PanelSink& status) {
  ClickColumn(sort, column, shift, SearchColumnRightAligned(column));
  SortResults(results, sort, status);
}

// ---- the dialog --------------------------------------------------------------------

void SearchForm::LoadOptions() {
  auto on = [](SettingKey k) { return ReadSettingInteger(k) != 0; };
  name_case = on(SettingKey::REG_SearchInfoStrKind);
  partial = on(SettingKey::REG_SearchInfoPortion);
  name_on = on(SettingKey::REG_SearchInfoFile);
  size_on = on(SettingKey::REG_SearchInfoSize);
  time_on = on(SettingKey::REG_SearchInfoDateTime);
  comment_on = on(SettingKey::REG_SearchInfoComment);
  marked_only = on(SettingKey::REG_SearchInfoMark);
  folders_too = on(SettingKey::REG_SearchInfoFolder);
  comment_all = on(SettingKey::REG_SearchInfoCommentAll);
  comment_text = ReadSettingString(SettingKey::REG_SearchInfoCommentStr);
  comment_case = on(SettingKey::REG_SearchInfoCommentKind);
}

void SearchForm::SaveOption(int setting_key, bool on) {
  WriteSettingInteger(static_cast<SettingKey>(setting_key), on ? 1 : 0);
}

void SearchForm::FillMedia(const Catalog& cat) {
  media.clear();
  const std::string picture = ReadSettingString(SettingKey::REG_FormatUpdateDateTime);
  for (int m = 0; m < kMediaSlots && cat.SlotUsed(m); ++m) {
    if (!cat.SlotLive(m) || !InClassification(cat, classification, m)) continue;
    const MediumRecord& md = cat.Medium(m);
    MediumRow row;
    row.medium = m;
    row.texts[0] = md.Name.str();
    row.texts[1] = md.Classification.str();
    row.texts[2] = md.Location.str();
    row.texts[3] = md.LocationDetail.str();
    row.texts[4] = FormatDosTime(picture, md.Root.Time);
    row.texts[5] = DriveKindText(md.Root.Kind);
    row.texts[6] = std::to_string(md.Root.AllFiles);
    row.texts[7] = std::to_string(md.Root.AllFolders);
    media.push_back(std::move(row));
  }
  media_sort_column_ = -1;
  media_descending_ = false;
}

void SearchForm::Show(const Catalog& cat, std::string_view filter, const DateTime& now) {
  LoadOptions();
  folders_only = false;
  first_name.clear();
  second_name.clear();
  names_and = false;
  const auto& names = TheNameLists().ClassificationNames();
  bool known = std::find(names.begin(), names.end(), filter) != names.end();
  SelectTab(cat, known ? filter : std::string_view(), now);
}

void SearchForm::SelectTab(const Catalog& cat, std::string_view tab_classification, const DateTime& now) {
  classification = std::string(tab_classification);
  FillMedia(cat);
  ranges = ComputeRanges(cat, classification);
  SizeAll();
  DateAll(now);
}

void SearchForm::CheckAll(bool on) {
  for (MediumRow& r : media) r.checked = on;
}

std::string SearchForm::CounterText() const {
  int checked = static_cast<int>(std::count_if(media.begin(), media.end(), [](const MediumRow& r) { return r.checked; }));
  return std::to_string(checked) + "/" + std::to_string(media.size());
}

void SearchForm::SortMedia(int column) {
  if (column < 0 || column >= 8) return;
  media_descending_ = media_sort_column_ == -1 ? true : !media_descending_;
  media_sort_column_ = column;
  std::vector<std::string> keys;
  for (const MediumRow& r : media)
    keys.push_back(text::SortKey(column == 0 ? r.texts[0] : r.texts[column] + "_" + r.texts[0]));
  std::vector<std::size_t> order(media.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return media_descending_ ? keys[b] < keys[a] : keys[a] < keys[b]; });
  std::vector<MediumRow> sorted;
  for (std::size_t i : order) sorted.push_back(std::move(media[i]));
  media.swap(sorted);
}

int SearchForm::MediaHeaderImage(int column) const {
  if (column != media_sort_column_) return -1;
  return media_descending_ ? kImageSortDescending : kImageSortAscending;
}

void SearchForm::SizeMin() { size_min_text = PlainNumber(std::clamp(ranges.min_file_size, 0.0, double(kSizeBoxMax))); }

void SearchForm::SizeMax() {
  max_unlimited_label_ = ranges.max_file_size > kSizeBoxMax;
  size_max_text = PlainNumber(std::clamp(ranges.max_file_size, 0.0, double(kSizeBoxMax)));
}

void SearchForm::SizeAll() {
  SizeMin();
  SizeMax();
}

void SearchForm::MaxTyped() {
  if (size_max_text.empty()) return;
  if (BoxValue(size_max_text) < kSizeBoxMax) {
    max_unlimited_label_ = false;
  } else {
    size_max_text = std::to_string(kSizeBoxMax);
    max_unlimited_label_ = true;
  }
}

std::string SearchForm::SizeMaxLabel() const { return max_unlimited_label_ ? J("Byte以上") : "Byte"; }

void SearchForm::DateAll(const DateTime& now) {
  std::uint32_t s = ranges.min_file_time, e = ranges.max_file_time;
  if (folders_too) {
    auto earlier = [](std::uint32_t a, std::uint32_t b) { return a == 0 ? b : b == 0 ? a : std::min(a, b); };
    s = earlier(s, ranges.min_folder_time);
    e = std::max(e, ranges.max_folder_time);
  }
  DateTime ds, de;
  if (s == 0 || e == 0 || !UnpackDosTime(s, ds) || !UnpackDosTime(e, de)) {
    start = end = now;
    return;
  }
  start = ds;
  end = de;
}

void SearchForm::PastDays(int days, const DateTime& now) {
  start = ShiftDays(now, days);
  end = now;
}

SearchForm::Enabled SearchForm::Enables() const {
  Enabled e{};
  e.name_group = name_on;
  e.second_name = name_on && partial;
  e.size_group = size_on;
  e.date_group = time_on;
  e.comment_group = comment_on;
  e.comment_text = comment_on && !comment_all;
  e.folders_too = !folders_only;
  return e;
}

std::vector<int> SearchForm::ChosenMedia() const {
  std::vector<int> out;
  for (const MediumRow& r : media)
    if (r.checked) out.push_back(r.medium);
  return out;
}

std::optional<SearchConditions> SearchForm::Press() {
  WriteSettingString(SettingKey::REG_SearchInfoCommentStr, comment_text);
  SearchConditions c;
  c.name_on = name_on;
  if (name_on) {
    if (first_name.empty()) {
      Inform("検索するﾌｧｲﾙ(ﾌｫﾙﾀﾞ)名が不明です", MsgIcon::Information);
      return std::nullopt;
    }
    if (partial && HasWildcard(first_name)) {
      Inform("部分一致検索にワイルドカードの指定は出来ません", MsgIcon::Information);
      return std::nullopt;
    }
    c.partial = partial;
    c.name_case = name_case;
    c.names_and = names_and;
    c.first_name = name_case ? first_name : text::ToLower(first_name);
    if (partial) c.second_name = name_case ? second_name : text::ToLower(second_name);
  }
  c.size_on = size_on;
  if (size_on) {
    c.size_min = static_cast<std::int32_t>(BoxValue(size_min_text));
    std::int64_t max = BoxValue(size_max_text);
    c.size_max = max == kSizeBoxMax ? std::max(ranges.max_file_size, double(kSizeBoxMax)) : double(max);
  }
  c.time_on = time_on;
  if (time_on) {
    c.time_min = PackDosTime(start);
    c.time_max = PackDosTime(end);
  }
  c.comment_on = comment_on;
  if (comment_on) {
    c.comment_and = comment_and;
    c.comment_substring = !comment_all;
    c.comment_case = comment_case;
    c.comment_text = comment_case ? comment_text : text::ToLower(comment_text);
    if (c.comment_substring && c.comment_text.empty()) {
      Inform("検索するｺﾒﾝﾄ文字列が不明です", MsgIcon::Information);
      return std::nullopt;
    }
  }
  c.marked_only = marked_only;
  c.folders_only = folders_only;
  c.folders_too = folders_too;
  if (!name_on && !size_on && !time_on && !comment_on && !marked_only && !folders_only && !folders_too) {
    Inform("検索条件が指定されていません", MsgIcon::Error);
    return std::nullopt;
  }
  if (ChosenMedia().empty()) {
    Inform("検索対象メディアが指定されていません", MsgIcon::Error);
    return std::nullopt;
  }
  return c;
}

}  // namespace fv
