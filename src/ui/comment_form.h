#pragma once
// The comment dialog: the selected row's comment in an edit box above, every
// comment of the catalog in a list below.

#include <QDialog>

#include "ui/logic/comment_commands.h"

class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace fv {

class CommentListModel;

class TfrmComment : public QDialog {
  Q_OBJECT
 public:
  // Created once and reused: the list's sort carries over between openings.
  TfrmComment(Catalog& cat, SelectedRows selected, QWidget* parent = nullptr);
  ~TfrmComment() override;

  // Readies an opening for the selected row: warns and returns false
  // without a single target; otherwise fills the edit box with the row's
  // comment and rebuilds the list. Then open() or exec().
  bool Prepare();
  // The command: Prepare, then modal. Accepted when a comment was
  // registered (rowsChanged has been emitted then).
  int Execute();

  QPlainTextEdit* txtCommentText = nullptr;
  QPushButton* cmdRegister = nullptr;  // "登録"
  QPushButton* cmdClear = nullptr;     // "クリア"
  QTreeView* lvComments = nullptr;

 signals:
  void rowsChanged();

 private:
  void cmdRegisterClick();
  void HeaderClick(int column);
  void ShowSortColumn();

  CommentEditor editor_;
  SelectedRows selected_;
  CommentListModel* model_ = nullptr;
};

}  // namespace fv
