#include "headers/transect_header_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvelane::gui {

TransectHeaderWindow::TransectHeaderWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form11"));
  setWindowTitle(QStringLiteral("Transect Header Info"));

  auto* title = new QLabel(QStringLiteral("Header Information"), this);
  title->setObjectName(QStringLiteral("Label27"));
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  // Two columns of thirteen boxes keep the window on a laptop screen.
  auto* left = new QFormLayout;
  auto* right = new QFormLayout;
  const auto& labels = TransectHeaderBoxLabels();
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
    box->setMinimumWidth(240);
    auto* label = new QLabel(QString::fromUtf8(labels[i].data(), static_cast<qsizetype>(labels[i].size())), this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setBuddy(box);
    (i < 13 ? left : right)->addRow(label, box);
    boxes_[i] = box;
  }
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addLayout(columns);
  layout->addLayout(buttons);
}

void TransectHeaderWindow::Collect() { exec(); }

TransectHeaderTexts TransectHeaderWindow::Texts() const {
  TransectHeaderTexts texts;
  for (std::size_t i = 0; i < boxes_.size(); ++i) texts[i] = boxes_[i]->text().toStdString();
  return texts;
}

void TransectHeaderWindow::reject() {
  for (QLineEdit* box : boxes_) box->clear();
  QDialog::reject();
}

void TransectHeaderWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace corvelane::gui
