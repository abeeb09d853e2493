#pragma once
// The comment commands of the file list: the comment panel under the list,
// the comment dialog and the mark toggle. Rows are the file list's rows; the
// window passes the selected ones, top first.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/comments.h"
#include "reading/trecord.h"

namespace fv {

class Catalog;

// The file list's selected rows, top first (given by the main window).
using SelectedRows = std::function<std::vector<TRecord*>()>;

// The texts of the comment panel and dialog (cp932).
enum class CommentUi {
  PanelButton,  // "コメント登録"
  DialogTitle,  // "コメント文"
  TextGroup,    // "コメント文"
  Register,     // "登録"
  Clear,        // "クリア"
  ListGroup,    // "コメント文一覧"
  TableFull,    // "コメントの登録数が上限に達しました。"
};
std::string CommentUiText(CommentUi which);

// The longest comment in bytes of cp932 (the comment table's field).
constexpr std::size_t kCommentTextBytes = 255;

// An edit box holding at most max_bytes of cp932. When an edit made
// `before` into `after` and went over, the text around the change stays
// and of the inserted text only the whole characters that fit; cursor is
// the byte offset just after them. Text within the limit is kept as it is.
struct FittedText {
  std::string text;
  std::size_t cursor = 0;
};
FittedText FitEditedText(std::string_view before, std::string_view after, std::size_t max_bytes);

// The row a comment command works on: the only selected row. With none or
// several selected the user is warned and the result is null.
TRecord* ChooseCommentTarget(const std::vector<TRecord*>& selected);

// Registers text for the row, telling the user when every comment slot is
// in use; a failed write has been told by the catalog.
CommentResult RegisterCommentCommand(Catalog& cat, TRecord& row, std::string_view text);

// The panel's text for a selection: the comment column of the only
// selected row, empty otherwise.
std::string CommentPanelText(const std::vector<TRecord*>& selected);
// The panel's "コメント登録". True when a row may have changed (the window
// repaints the list and refreshes the selection details).
bool RegisterFromPanel(Catalog& cat, const std::vector<TRecord*>& selected, std::string_view text);

// The comment dialog's state. It lives as long as the dialog, so the list's
// sort column and direction carry over from one opening to the next.
class CommentEditor {
 public:
  explicit CommentEditor(Catalog& cat) : cat_(cat) {}
  // Opening for the selection: the target row, the edit box's first text
  // (the row's comment) and a fresh list. False, after the warning, when
  // there is no single target.
  bool Open(const std::vector<TRecord*>& selected);
  const std::string& InitialText() const { return initial_; }
  TRecord* Target() const { return target_; }
  // "登録": true when the dialog closes (everything but an empty text on a
  // row without a comment).
  bool Register(std::string_view text);
  CommentList& List() { return list_; }

 private:
  Catalog& cat_;
  TRecord* target_ = nullptr;
  std::string initial_;
  CommentList list_;
};

// Rows toggled between two calls of the pump.
constexpr int kMarkPumpRows = 50;
// "マークを付ける/消す": toggles the mark of every row with the busy cursor
// on, calling pump after every kMarkPumpRows rows so the window keeps
// answering. Returns the number of rows whose mark was not written.
int ToggleMarksCommand(Catalog& cat, const std::vector<TRecord*>& rows, const std::function<void()>& pump,
                       const std::function<void(bool busy)>& busy = {});

}  // namespace fv
