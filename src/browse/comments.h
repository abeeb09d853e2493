#pragma once
// Comments and marks of rows: the comment table operations (written through
// to the catalog file at once), registering a text for a list row, mark
// toggling, and the comment list of the comment dialog.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/records.h"
#include "reading/trecord.h"

namespace fv {

class Catalog;

// Takes the lowest free slot; Time = now, Text and EntryName cut to their
// fields; writes the slot. -1 (nothing changed) when all 5000 are in use.
int AddComment(Catalog& cat, EntryId owner, std::string_view text, std::int16_t kind, std::string_view name);
// Owner, Time = now and Text; EntryKind and EntryName stay. 0 <= slot < 5000.
bool UpdateComment(Catalog& cat, int slot, EntryId owner, std::string_view text);
// Frees the slot (Owner -1, Time 0, texts empty, EntryKind 0).
bool DeleteComment(Catalog& cat, int slot);
// The slot's text; empty for a slot outside 0..4999.
std::string CommentText(const Catalog& cat, int slot);

// The lowest free slot; -1 when all 5000 are in use.
int FreeCommentSlot(const Catalog& cat);

// What registering a text for a row came to.
enum class CommentResult {
  Unchanged,    // an empty text on a row without a comment: nothing written
  Stored,       // the comment and the entry's link are in the file
  TableFull,    // a new comment with every slot in use: nothing written
  WriteFailed,  // a write failed (the catalog has told the user)
};

// Registers text for a row (the dialog's "登録" and the panel's
// "コメント登録"): adds, updates or deletes the comment and rewrites the
// entry's link, keeping the row's copies in step. Whatever the result, the
// row's comment column shows what is stored.
CommentResult RegisterRowComment(Catalog& cat, TRecord& row, std::string_view text);
// The same as a yes/no: false for Unchanged (the dialog then stays open);
// *stored is true only for Stored.
bool RegisterComment(Catalog& cat, TRecord& row, std::string_view text, bool* stored = nullptr);

// The warning for a comment command with `selected` rows selected (empty
// when exactly one): "コメントを書込むファイルが不明です" or
// "複数ファイルにコメントは登録出来ません" (cp932).
std::string CommentTargetProblem(int selected);

// Toggles the mark of each row, writing it through; the rows' mark and
// state image follow what is stored. Returns the number of rows whose
// mark could not be written.
int ToggleMarks(Catalog& cat, const std::vector<TRecord*>& rows);

// The comment dialog's list: used slots in slot order, four texts each.
struct CommentListRow {
  int slot = -1;
  std::string texts[4];  // "コメント文", "登録日時", "ファイル名", "メディア名"
};
class CommentList {
 public:
  static constexpr int kColumns = 4;
  void Rebuild(const Catalog& cat);
  // Header click: the sorted column reverses, another column sorts with
  // the direction kept.
  void Click(int column);
  void Sort();
  int SortColumn() const { return column_; }
  bool Descending() const { return descending_; }
  // 14/15 on the sorted column, -1 elsewhere.
  int HeaderImage(int column) const;
  static std::string Caption(int column);
  const std::vector<CommentListRow>& Rows() const { return rows_; }

 private:
  std::vector<CommentListRow> rows_;
  int column_ = 0;
  bool descending_ = false;
};

}  // namespace fv
