#include "browse/comments.h"

#include <algorithm>

#include "browse/row_format.h"
#include "catalog/catalog.h"
#include "platform/text.h"
#include "platform/timefmt.h"

namespace fv {

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < kCommentSlots; }

}  // namespace

int AddComment(Catalog& cat, EntryId owner, std::string_view text, std::int16_t kind, std::string_view name) {
  for (int k = 0; k < kCommentSlots; ++k) {
    if (cat.Comment(k).Owner != -1) continue;
    CommentRecord& c = cat.MutableComment(k);
    c.Owner = owner;
    c.Time = NowDosTime();
    c.Text.assign(text);
    c.EntryKind = kind;
    c.EntryName.assign(name);
    c.Reserved[0] = c.Reserved[1] = 0;
    cat.SaveComment(k);
    return k;
  }
  return -1;
}

bool UpdateComment(Catalog& cat, int slot, EntryId owner, std::string_view text) {
  if (!ValidSlot(slot)) return false;
  CommentRecord& c = cat.MutableComment(slot);
  c.Owner = owner;
  c.Time = NowDosTime();
  c.Text.assign(text);
  return cat.SaveComment(slot);
}

bool DeleteComment(Catalog& cat, int slot) {
  if (!ValidSlot(slot)) return false;
  CommentRecord& c = cat.MutableComment(slot);
  c.Owner = -1;
  c.Time = 0;
  c.Text.clear();
  c.EntryKind = 0;
  c.EntryName.clear();
  return cat.SaveComment(slot);
}

std::string CommentText(const Catalog& cat, int slot) {
  return ValidSlot(slot) ? cat.Comment(slot).Text.str() : std::string();
}

bool RegisterComment(Catalog& cat, TRecord& row, std::string_view text) {
  if (text.empty() && row.CommentIndex == -1) return false;
  if (!text.empty() && row.CommentIndex == -1) {
    row.CommentIndex = AddComment(cat, row.Id, text, row.Kind, row.Name);
  } else if (!text.empty()) {
    UpdateComment(cat, row.CommentIndex, row.Id, text);
  } else {
    DeleteComment(cat, row.CommentIndex);
    row.CommentIndex = -1;
  }
  // The list's comment column shows what is stored.
  row.SetText(kFileColComment, CommentText(cat, row.CommentIndex));
  cat.SetCommentLink(row.CommentIndex, row.Id);
  return true;
}

std::string CommentTargetProblem(int selected) {
  if (selected < 1) return text::Utf8ToCp932("コメントを書込むファイルが不明です");
  if (selected > 1) return text::Utf8ToCp932("複数ファイルにコメントは登録出来ません");
  return {};
}

void ToggleMarks(Catalog& cat, const std::vector<TRecord*>& rows) {
  for (TRecord* row : rows) {
    std::uint8_t flag = cat.SetMark(0, row->Id);
    row->Mark = flag;
    row->StateIndex = flag == 1 ? 0 : -1;
  }
}

void CommentList::Rebuild(const Catalog& cat) {
  rows_.clear();
  for (int k = 0; k < kCommentSlots; ++k) {
    const CommentRecord& c = cat.Comment(k);
    if (c.Owner == -1) continue;
    CommentListRow row;
    row.slot = k;
    row.texts[0] = c.Text.str();
    row.texts[1] = FormatDosTime("yyyy/mm/dd hh:nn:ss", c.Time);
    row.texts[2] = c.EntryName.str();
    int m = c.Owner >= 0 ? MediumOf(c.Owner) : -1;
    row.texts[3] = m >= 0 && m < kMediaSlots ? cat.Medium(m).Name.str() : std::string();
    rows_.push_back(std::move(row));
  }
  Sort();
}

void CommentList::Click(int column) {
  if (column < 0 || column >= kColumns) return;
  if (column == column_) descending_ = !descending_;
  column_ = column;
  Sort();
}

void CommentList::Sort() {
  std::vector<std::string> keys;
  keys.reserve(rows_.size());
  for (const CommentListRow& r : rows_) keys.push_back(text::SortKey(r.texts[column_]));
  std::vector<std::size_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return descending_ ? keys[b] < keys[a] : keys[a] < keys[b]; });
  std::vector<CommentListRow> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_.swap(sorted);
}

int CommentList::HeaderImage(int column) const {
  if (column != column_) return -1;
  return descending_ ? kImageSortDescending : kImageSortAscending;
}

std::string CommentList::Caption(int column) {
  static const char* const kCaptions[kColumns] = {"コメント文", "登録日時", "ファイル名", "メディア名"};
  return column >= 0 && column < kColumns ? text::Utf8ToCp932(kCaptions[column]) : std::string();
}

}  // namespace fv
