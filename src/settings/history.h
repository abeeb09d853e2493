#pragma once
// The browsing history behind the "戻る" and "進む" buttons: a linear list
// of places (tree nodes and single file-list rows), its hints, navigation
// through hooks the main window fills, and the file "RefHist.hst".
//
// An item is an identifier and a caption. A positive identifier is the
// EntryId of a selected file-list row, a negative one minus the EntryId of
// a selected tree node, 1 the catalog node.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fv {

// What navigation needs of the main window.
struct HistoryHooks {
  // Select the catalog node of the tree and focus the tree.
  std::function<void()> select_catalog_node;
  // Forget the word the similar-name panel remembers.
  std::function<void()> forget_similar_word;
  // Classification of medium m; empty when the medium is not live.
  std::function<std::string(int m)> medium_classification;
  // Text of the tree's current classification tab.
  std::function<std::string()> current_classification_tab;
  // Select the tab with exactly this text ("すべて" when none has it) and
  // rebuild the tree.
  std::function<void(const std::string& text)> select_classification_tab;
  // Load the entry's medium, select its folder by path and select, show and
  // focus the first file-list row named like the entry.
  std::function<void(std::int32_t entry_id)> go_to_entry;
  // Open the selected row as a double-click would and focus the tree.
  std::function<void()> open_selected_row;
  // The hints changed.
  std::function<void(const std::string& back, const std::string& forward)> hints_changed;
};

class BrowsingHistory {
 public:
  struct Item {
    std::int32_t id = 0;
    std::string caption;  // cp932
  };

  // What LoadHistory found.
  struct LoadResult {
    enum Kind { Disabled, NoSavedHistory, Missing, TooLarge, ReadFailed, Loaded } kind = Disabled;
    int loaded = 0;   // items taken
    int skipped = 0;  // lines that do not begin with an integer and a comma
    std::string error;
  };

  HistoryHooks hooks;

  // Makes the history fresh: the single item "1,Ferrovan".
  void ResetHistory();
  void RecordPlace(std::int32_t id, const std::string& caption);
  void Step(int delta);

  // While set (a step, a jump from the result views, start-up) nothing is
  // recorded.
  void SetNavigating(bool on) { navigating_ = on; }
  bool Navigating() const { return navigating_; }

  // At start: reads "RefHist.hst" when REG_RefHistSave is 1 and
  // REG_HistListBefor is not 0. Leaves the navigating flag set until the
  // first Step.
  LoadResult LoadHistory(const std::string& path = HistoryFilePath());
  // At exit. False with the system's error text when the file could not be
  // written; REG_HistListBefor is then 0 so the old file is not trusted.
  bool SaveHistory(std::string* err = nullptr, const std::string& path = HistoryFilePath());

  // Items parsed from the text of a history file (lines ending CR LF or LF).
  static std::vector<Item> ParseHistory(const std::string& data, int* skipped = nullptr);
  static std::string FormatHistory(const std::vector<Item>& items);
  // $XDG_DATA_HOME/Quillmarsh/Ferrovan/RefHist.hst
  static std::string HistoryFilePath();

  const std::vector<Item>& Items() const { return items_; }
  int Position() const { return position_; }
  std::int32_t LastMagnitude() const { return last_magnitude_; }
  const std::string& BackHint() const { return back_hint_; }
  const std::string& ForwardHint() const { return forward_hint_; }

  // Files larger than this are not history files the program wrote.
  static constexpr std::int64_t kMaxFileBytes = 1 << 20;

 private:
  void RefreshHints();
  void Navigate(std::int32_t id);

  std::vector<Item> items_;
  int position_ = 0;
  std::int32_t last_magnitude_ = 0;
  bool navigating_ = false;
  bool stepping_ = false;
  std::string back_hint_, forward_hint_;
};

}  // namespace fv
