#pragma once
// The comment panel under the file list: an edit box with the selected
// row's comment and the button "コメント登録".

#include <QWidget>

#include "ui/logic/comment_commands.h"

class QLineEdit;
class QPushButton;

namespace fv {

class CommentPanel : public QWidget {
  Q_OBJECT
 public:
  // selected gives the file list's selected rows, top first.
  CommentPanel(Catalog& cat, SelectedRows selected, QWidget* parent = nullptr);

  // The list tool bar's check box "コメント".
  void SetShown(bool shown);
  // After every selection change of the file list: the text is emptied, or
  // shows the comment of the only selected row.
  void SelectionChanged();

  QLineEdit* txtComment = nullptr;      // at most 255 bytes of cp932
  QPushButton* cmdCommentSet = nullptr;  // "コメント登録"

 signals:
  // A row's comment may have changed: repaint the list, refresh the
  // selection details.
  void rowsChanged();

 private:
  void cmdCommentSetClick();

  Catalog& cat_;
  SelectedRows selected_;
};

}  // namespace fv
