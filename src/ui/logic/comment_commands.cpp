#include "ui/logic/comment_commands.h"

#include <algorithm>

#include "browse/row_format.h"
#include "catalog/catalog.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"

namespace fv {

std::string CommentUiText(CommentUi which) {
  switch (which) {
    case CommentUi::PanelButton: return text::Utf8ToCp932("コメント登録");
    case CommentUi::DialogTitle:
    case CommentUi::TextGroup: return text::Utf8ToCp932("コメント文");
    case CommentUi::Register: return text::Utf8ToCp932("登録");
    case CommentUi::Clear: return text::Utf8ToCp932("クリア");
    case CommentUi::ListGroup: return text::Utf8ToCp932("コメント文一覧");
    case CommentUi::TableFull: return text::Utf8ToCp932("コメントの登録数が上限に達しました。");
  }
  return {};
}

FittedText FitEditedText(std::string_view before, std::string_view after, std::size_t max_bytes) {
  if (after.size() <= max_bytes) return {std::string(after), after.size()};
  // The characters both texts start with.
  std::size_t head = 0;
  while (head < after.size()) {
    const std::size_t n = text::CharLen(after, head);
    if (head + n > before.size() || after.substr(head, n) != before.substr(head, n)) break;
    head += n;
  }
  // The bytes both end with, not reaching into the head, then moved on to
  // the next character boundary of `after`.
  std::size_t same = 0;
  while (same < after.size() - head && same < before.size() - head &&
         after[after.size() - 1 - same] == before[before.size() - 1 - same])
    ++same;
  std::size_t tail = head;
  while (tail < after.size() - same) tail += text::CharLen(after, tail);
  if (head + (after.size() - tail) > max_bytes) {
    const std::string_view cut = text::CutBytesSafe(after, max_bytes);
    return {std::string(cut), cut.size()};
  }
  const std::string_view inserted =
      text::CutBytesSafe(after.substr(head, tail - head), max_bytes - head - (after.size() - tail));
  FittedText f;
  f.text.reserve(max_bytes);
  f.text.append(after.substr(0, head)).append(inserted).append(after.substr(tail));
  f.cursor = head + inserted.size();
  return f;
}

TRecord* ChooseCommentTarget(const std::vector<TRecord*>& selected) {
  const std::string problem = CommentTargetProblem(static_cast<int>(selected.size()));
  if (!problem.empty()) {
    Platform().messages->Show(problem, std::string(), MsgIcon::Warning, MsgButtons::Ok);
    return nullptr;
  }
  return selected.front();
}

CommentResult RegisterCommentCommand(Catalog& cat, TRecord& row, std::string_view text) {
  const CommentResult r = RegisterRowComment(cat, row, text);
  if (r == CommentResult::TableFull)
    Platform().messages->Show(CommentUiText(CommentUi::TableFull), std::string(), MsgIcon::Information,
                              MsgButtons::Ok);
  return r;
}

std::string CommentPanelText(const std::vector<TRecord*>& selected) {
  return selected.size() == 1 ? selected.front()->Text(kFileColComment) : std::string();
}

bool RegisterFromPanel(Catalog& cat, const std::vector<TRecord*>& selected, std::string_view text) {
  TRecord* row = ChooseCommentTarget(selected);
  return row && RegisterCommentCommand(cat, *row, text) != CommentResult::Unchanged;
}

bool CommentEditor::Open(const std::vector<TRecord*>& selected) {
  target_ = ChooseCommentTarget(selected);
  if (!target_) return false;
  initial_ = CommentText(cat_, target_->CommentIndex);
  list_.Rebuild(cat_);
  return true;
}

bool CommentEditor::Register(std::string_view text) {
  return target_ && RegisterCommentCommand(cat_, *target_, text) != CommentResult::Unchanged;
}

int ToggleMarksCommand(Catalog& cat, const std::vector<TRecord*>& rows, const std::function<void()>& pump,
                       const std::function<void(bool busy)>& busy) {
  if (busy) busy(true);
  // One hold on the file for the whole run (the lock, the check that no
  // other program changed it).
  const Catalog::WriteSection batch(cat);
  int failed = 0;
  for (std::size_t i = 0; i < rows.size(); i += kMarkPumpRows) {
    if (i > 0 && pump) pump();
    const std::size_t end = std::min(rows.size(), i + kMarkPumpRows);
    failed += ToggleMarks(cat, std::vector<TRecord*>(rows.begin() + static_cast<std::ptrdiff_t>(i),
                                                     rows.begin() + static_cast<std::ptrdiff_t>(end)));
  }
  if (busy) busy(false);
  return failed;
}

}  // namespace fv
