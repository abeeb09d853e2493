#include "ui/list_item_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/qt_convert.h"
#include "ui/logic/column_layout.h"

namespace fv {

namespace {

QPushButton* Button(const std::string& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(QFromCp932(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TfrmListItem::TfrmListItem(ColumnOrderModel& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("TfrmListItem"));
  setWindowTitle(QFromCp932(ColumnOrderModel::Title()));
  lstItems = new QListWidget(this);
  lstItems->setObjectName(QStringLiteral("lstItems"));
  lstItems->setSelectionMode(QAbstractItemView::SingleSelection);
  cmdUp = Button(ColumnOrderModel::UpText(), "cmdUp", this);
  cmdDown = Button(ColumnOrderModel::DownText(), "cmdDown", this);
  cmdOK = Button(ColumnOrderModel::OkText(), "cmdOK", this);
  cmdCancel = Button(ColumnOrderModel::CancelText(), "cmdCancel", this);
  cmdOK->setDefault(true);

  auto* moves = new QVBoxLayout;
  moves->addWidget(cmdUp);
  moves->addWidget(cmdDown);
  moves->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(lstItems, 1);
  middle->addLayout(moves);
  auto* ends = new QHBoxLayout;
  ends->addStretch();
  ends->addWidget(cmdOK);
  ends->addWidget(cmdCancel);
  auto* box = new QVBoxLayout(this);
  box->addWidget(new QLabel(QFromCp932(ColumnOrderModel::Prompt()), this));
  box->addWidget(new QLabel(QFromCp932(ColumnOrderModel::ListCaption()), this));
  box->addLayout(middle, 1);
  box->addLayout(ends);

  connect(lstItems, &QListWidget::currentRowChanged, this, [this](int row) { model_.Select(row); });
  connect(cmdUp, &QPushButton::clicked, this, [this] {
    if (model_.MoveUp()) Refill();
  });
  connect(cmdDown, &QPushButton::clicked, this, [this] {
    if (model_.MoveDown()) Refill();
  });
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  Refill();
}

void TfrmListItem::Refill() {
  const QSignalBlocker quiet(lstItems);
  lstItems->clear();
  for (const ColumnOrderModel::Item& item : model_.Items()) lstItems->addItem(QFromCp932(item.caption));
  lstItems->setCurrentRow(model_.Selected());
}

}  // namespace fv
