#include "ui/comment_form.h"

#include <QAbstractTableModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/qt_convert.h"
#include "ui/report_view.h"

namespace fv {

namespace {

// A comment's lines end in CR LF; the edit box's in LF.
QString EditText(const std::string& cp932) {
  QString s = QFromCp932(cp932);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}
std::string CommentFromEdit(const QString& s) {
  QString t = s;
  t.replace(QChar('\n'), QStringLiteral("\r\n"));
  return Cp932FromQ(t);
}

}  // namespace

// The comment list as a view reads it, straight from the core's rows.
class CommentListModel : public QAbstractTableModel {
 public:
  CommentListModel(CommentList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(list_.Rows().size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : CommentList::kColumns; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QFromCp932(list_.Rows()[static_cast<std::size_t>(index.row())].texts[index.column()]);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return QFromCp932(CommentList::Caption(section));
  }
  // The rows were rebuilt or sorted in place.
  void Reset() {
    beginResetModel();
    endResetModel();
  }

 private:
  CommentList& list_;
};

TfrmComment::TfrmComment(Catalog& cat, SelectedRows selected, QWidget* parent)
    : QDialog(parent), editor_(cat), selected_(std::move(selected)) {
  setObjectName(QStringLiteral("TfrmComment"));
  setWindowTitle(QFromCp932(CommentUiText(CommentUi::DialogTitle)));
  setModal(true);
  resize(560, 420);

  auto* textGroup = new QGroupBox(QFromCp932(CommentUiText(CommentUi::TextGroup)), this);
  txtCommentText = new QPlainTextEdit(textGroup);
  txtCommentText->setObjectName(QStringLiteral("txtCommentText"));
  cmdRegister = new QPushButton(QFromCp932(CommentUiText(CommentUi::Register)), textGroup);
  cmdRegister->setObjectName(QStringLiteral("cmdRegister"));
  cmdRegister->setAutoDefault(false);
  cmdClear = new QPushButton(QFromCp932(CommentUiText(CommentUi::Clear)), textGroup);
  cmdClear->setObjectName(QStringLiteral("cmdClear"));
  cmdClear->setAutoDefault(false);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(cmdRegister);
  buttons->addWidget(cmdClear);
  buttons->addStretch(1);
  auto* textLayout = new QHBoxLayout(textGroup);
  textLayout->addWidget(txtCommentText, 1);
  textLayout->addLayout(buttons);

  auto* listGroup = new QGroupBox(QFromCp932(CommentUiText(CommentUi::ListGroup)), this);
  lvComments = new QTreeView(listGroup);
  lvComments->setObjectName(QStringLiteral("lvComments"));
  ShowAsReport(lvComments);
  model_ = new CommentListModel(editor_.List(), this);
  lvComments->setModel(model_);
  QHeaderView* header = lvComments->header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  auto* listLayout = new QVBoxLayout(listGroup);
  listLayout->addWidget(lvComments);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(textGroup, 2);
  layout->addWidget(listGroup, 3);

  connect(cmdRegister, &QPushButton::clicked, this, &TfrmComment::cmdRegisterClick);
  connect(cmdClear, &QPushButton::clicked, txtCommentText, &QPlainTextEdit::clear);
  connect(header, &QHeaderView::sectionClicked, this, &TfrmComment::HeaderClick);
  ShowSortColumn();
}

TfrmComment::~TfrmComment() = default;

bool TfrmComment::Prepare() {
  if (!editor_.Open(selected_())) return false;
  txtCommentText->setPlainText(EditText(editor_.InitialText()));
  model_->Reset();
  lvComments->resizeColumnToContents(1);  // the date and time in full
  ShowSortColumn();
  txtCommentText->setFocus();
  return true;
}

int TfrmComment::Execute() { return Prepare() ? exec() : QDialog::Rejected; }

void TfrmComment::cmdRegisterClick() {
  if (!editor_.Register(CommentFromEdit(txtCommentText->toPlainText()))) return;
  accept();
  emit rowsChanged();
}

void TfrmComment::HeaderClick(int column) {
  lvComments->clearSelection();
  editor_.List().Click(column);
  model_->Reset();
  ShowSortColumn();
}

void TfrmComment::ShowSortColumn() {
  const CommentList& list = editor_.List();
  lvComments->header()->setSortIndicator(list.SortColumn(),
                                         list.Descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

}  // namespace fv
