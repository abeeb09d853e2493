#include "ui/comment_panel.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "platform/qt_convert.h"

namespace fv {

namespace {

// Holds an edit box to a number of cp932 bytes: an edit that goes over
// keeps what fits of the inserted text.
class Cp932LimitValidator : public QValidator {
 public:
  Cp932LimitValidator(QLineEdit* edit, std::size_t max_bytes) : QValidator(edit), max_(max_bytes) {
    QObject::connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { last_ = Cp932FromQ(t); });
  }
  State validate(QString& input, int& pos) const override {
    const std::string after = Cp932FromQ(input);
    if (after.size() <= max_) return Acceptable;
    const FittedText f = FitEditedText(last_, after, max_);
    input = QFromCp932(f.text);
    pos = static_cast<int>(QFromCp932(f.text.substr(0, f.cursor)).size());
    return Acceptable;
  }

 private:
  std::size_t max_;
  std::string last_;  // the text last accepted
};

}  // namespace

CommentPanel::CommentPanel(Catalog& cat, SelectedRows selected, QWidget* parent)
    : QWidget(parent), cat_(cat), selected_(std::move(selected)) {
  setObjectName(QStringLiteral("pnlComment"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  txtComment = new QLineEdit(this);
  txtComment->setObjectName(QStringLiteral("txtComment"));
  txtComment->setValidator(new Cp932LimitValidator(txtComment, kCommentTextBytes));
  cmdCommentSet = new QPushButton(QFromCp932(CommentUiText(CommentUi::PanelButton)), this);
  cmdCommentSet->setObjectName(QStringLiteral("cmdCommentSet"));
  layout->addWidget(txtComment, 1);
  layout->addWidget(cmdCommentSet);
  connect(cmdCommentSet, &QPushButton::clicked, this, &CommentPanel::cmdCommentSetClick);
}

void CommentPanel::SetShown(bool shown) { setVisible(shown); }

void CommentPanel::SelectionChanged() { txtComment->setText(QFromCp932(CommentPanelText(selected_()))); }

void CommentPanel::cmdCommentSetClick() {
  const std::vector<TRecord*> rows = selected_();
  if (!RegisterFromPanel(cat_, rows, Cp932FromQ(txtComment->text()))) return;
  // The box shows what is stored, which a full table or a failed write
  // leaves different from what was typed.
  txtComment->setText(QFromCp932(CommentPanelText(rows)));
  emit rowsChanged();
}

}  // namespace fv
