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
  const int k = FreeCommentSlot(cat);
  if (k < 0) return -1;
  CommentRecord& c = cat.MutableComment(k);
  const CommentRecord before = c;
  c.Owner = owner;
  c.Time = NowDosTime();
  c.Text.assign(text);
  c.EntryKind = kind;
  c.EntryName.assign(name);
  c.Reserved[0] = c.Reserved[1] = 0;
  if (cat.SaveComment(k)) return k;
  cat.MutableComment(k) = before;  // memory keeps what the file says
  return -1;
}

namespace {

// Writes slot k after `change`; on failure the slot in memory is put back.
template <typename Change>
bool ChangeComment(Catalog& cat, int slot, Change change) {
  if (!ValidSlot(slot)) return false;
  const CommentRecord before = cat.Comment(slot);
  change(cat.MutableComment(slot));
  if (cat.SaveComment(slot)) return true;
  cat.MutableComment(slot) = before;
  return false;
}

}  // namespace

bool UpdateComment(Catalog& cat, int slot, EntryId owner, std::string_view text) {
  return ChangeComment(cat, slot, [&](CommentRecord& c) {
    c.Owner = owner;
    c.Time = NowDosTime();
    c.Text.assign(text);
  });
}

bool DeleteComment(Catalog& cat, int slot) {
  return ChangeComment(cat, slot, [](CommentRecord& c) {
    c.Owner = -1;
    c.Time = 0;
    c.Text.clear();
    c.EntryKind = 0;
    c.EntryName.clear();
  });
}

std::string CommentText(const Catalog& cat, int slot) {
  return ValidSlot(slot) ? cat.Comment(slot).Text.str() : std::string();
}

int FreeCommentSlot(const Catalog& cat) {
  for (int k = 0; k < kCommentSlots; ++k)
    if (cat.Comment(k).Owner == -1) return k;
  return -1;
}

CommentResult RegisterRowComment(Catalog& cat, TRecord& row, std::string_view text) {
  if (text.empty() && row.CommentIndex == -1) return CommentResult::Unchanged;
  if (!text.empty() && row.CommentIndex == -1 && FreeCommentSlot(cat) < 0) {
    row.SetText(kFileColComment, std::string());
    return CommentResult::TableFull;
  }
  bool ok = true;
  if (!text.empty() && row.CommentIndex == -1) {
    row.CommentIndex = AddComment(cat, row.Id, text, row.Kind, row.Name);
    ok = row.CommentIndex >= 0;
  } else if (!text.empty()) {
    ok = UpdateComment(cat, row.CommentIndex, row.Id, text);
  } else if (DeleteComment(cat, row.CommentIndex)) {
    row.CommentIndex = -1;
  } else {
    ok = false;
  }
  // The list's comment column shows what is stored. After a failed write
  // the link is left as it is: the catalog has told of the failure once.
  row.SetText(kFileColComment, CommentText(cat, row.CommentIndex));
  if (ok) ok = cat.SetCommentLink(row.CommentIndex, row.Id);
  return ok ? CommentResult::Stored : CommentResult::WriteFailed;
}

bool RegisterComment(Catalog& cat, TRecord& row, std::string_view text, bool* stored) {
  const CommentResult r = RegisterRowComment(cat, row, text);
  if (stored) *stored = r == CommentResult::Stored;
  return r != CommentResult::Unchanged;
}

std::string CommentTargetProblem(int selected) {
  if (selected < 1) return text::Utf8ToCp932("コメントを書込むファイルが不明です");
  if (selected > 1) return text::Utf8ToCp932("複数ファイルにコメントは登録出来ません");
  return {};
}

int ToggleMarks(Catalog& cat, const std::vector<TRecord*>& rows) {
  int failed = 0;
  for (TRecord* row : rows) {
    std::uint8_t flag = 0;
    if (!cat.SetMark(0, row->Id, flag)) ++failed;
    row->Mark = flag;
    row->StateIndex = flag == 1 ? 0 : -1;
  }
  return failed;
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
