#pragma once
// The file search: conditions, the ranges of a classification, the search
// dialog's logic (controls, enabling, quick buttons, validation, media
// list), the run over the chosen media and the result list.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/row_format.h"
#include "browse/sorting.h"
#include "catalog/records.h"
#include "platform/timefmt.h"
#include "reading/trecord.h"

namespace fv {

class Browser;
class Catalog;

struct SearchConditions {
  bool name_on = false;
  std::string first_name, second_name;  // lower-cased when not case-sensitive
  bool names_and = false;
  bool name_case = false;
  bool partial = false;
  bool size_on = false;
  std::int32_t size_min = 0;
  double size_max = 0;
  bool time_on = false;
  std::uint32_t time_min = 0, time_max = 0;  // DOS times
  bool comment_on = false;
  bool comment_and = false;
  bool comment_substring = false;
  std::string comment_text;  // lower-cased when not case-sensitive
  bool comment_case = false;
  bool marked_only = false;
  bool folders_only = false;
  bool folders_too = false;
};

// Whether one entry matches. name is the full name; comment_text gives the
// text of a comment slot.
bool MatchEntry(const SearchConditions& c, const EntryRecord& e, std::string_view name,
                const std::function<std::string(int)>& comment_text);

// Time and size bounds over the live media of a classification (empty = all).
struct SearchRanges {
  bool any = false;
  std::uint32_t min_file_time = 0, max_file_time = 0;
  std::uint32_t min_folder_time = 0, max_folder_time = 0;
  double min_file_size = 0, max_file_size = 0;
};
SearchRanges ComputeRanges(const Catalog& cat, std::string_view classification);

constexpr int kSearchResultCapacity = 200000;
constexpr std::int32_t kSizeBoxMax = 2147483647;

// The run. Panel texts go to status(panel, text): panel 0 is emptied,
// panel 1 shows "検索中...(i/n メディア中、k件検出)" per medium and "k 件検出"
// at the end. Stops at 200,000 results. Returns the count.
using PanelSink = std::function<void(int panel, const std::string& text)>;
int RunSearch(Browser& browser, const SearchConditions& c, const std::vector<int>& media, RowList& results,
              const PanelSink& status = {});
// Formats the thirteen columns and sorts with the state ("ソート中..." on
// panel 1 meanwhile).
void FormatSearchResults(Browser& browser, RowList& results, ExtensionImages& images, const SortState& sort,
                         const PanelSink& status = {});

// A header click on the search result list: sorts ("ソート中..." on panel 1
// meanwhile) and gives every row its new position in its Parent field.
void ClickSearchColumn(RowList& results, SortState& sort, int column, bool shift, const PanelSink& status = {});

// The search dialog's state and rules ("検索条件").
class SearchForm {
 public:
  // Controls.
  bool name_on = true;
  std::string first_name, second_name;
  bool names_and = false;  // combo item 1 "AND", item 0 "OR"
  bool name_case = false;
  bool partial = false;
  bool size_on = true;
  std::string size_min_text, size_max_text;
  bool time_on = true;
  DateTime start{}, end{};
  bool comment_on = false;
  bool comment_and = false;
  bool comment_all = true;  // "全ｺﾒﾝﾄ文を検索"; false = substring
  std::string comment_text;
  bool comment_case = false;
  bool marked_only = false;
  bool folders_only = false;
  bool folders_too = false;

  // The media list.
  struct MediumRow {
    int medium = -1;
    bool checked = true;
    std::string texts[8];  // 名前 分類 保管場所 保管詳細 登録日時 メディア種別 総ファイル数 総フォルダ数
  };
  std::vector<MediumRow> media;
  std::string classification;  // the selected tab; empty = "すべて"
  SearchRanges ranges;

  // Showing: options from the settings, the tab of the current filter, the
  // media list (all checked), sizes and times as "すべて対象" sets them.
  void Show(const Catalog& cat, std::string_view filter, const DateTime& now);
  // Another tab: media list, ranges, sizes and times again.
  void SelectTab(const Catalog& cat, std::string_view tab_classification, const DateTime& now);
  void CheckAll(bool on);
  std::string CounterText() const;  // checked + "/" + rows
  // Media list header click: reverses on every click, the first after a
  // fill sorts descending.
  void SortMedia(int column);
  int MediaHeaderImage(int column) const;

  // Size buttons and the maximum box.
  void SizeAll();
  void SizeMin();
  void SizeMax();
  void MaxTyped();
  std::string SizeMaxLabel() const;  // "Byte" or "Byte以上"
  // Date buttons.
  void DateAll(const DateTime& now);
  void PastDays(int days, const DateTime& now);

  struct Enabled {
    bool name_group, second_name, size_group, date_group, comment_group, comment_text, folders_too;
  };
  Enabled Enables() const;

  // Persisted options: read at Show, written by the GUI as controls change.
  void LoadOptions();
  static void SaveOption(int setting_key, bool on);

  // "検索": validates (one message and nullopt on failure) and gives the
  // conditions, the chosen media in list order and the classification.
  std::optional<SearchConditions> Press();
  std::vector<int> ChosenMedia() const;

 private:
  void FillMedia(const Catalog& cat);
  int media_sort_column_ = -1;
  bool media_descending_ = false;
  bool max_unlimited_label_ = false;
  std::uint32_t now_dos_ = 0;
};

// Texts of the run.
std::string SearchProgressText(int i, int chosen, int found);
std::string SearchDoneText(int found);

}  // namespace fv
