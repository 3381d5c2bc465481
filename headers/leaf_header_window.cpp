#include "headers/leaf_header_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvelane::gui {

LeafHeaderWindow::LeafHeaderWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form12"));
  setWindowTitle(QStringLiteral("Leaf Header"));

  auto* title = new QLabel(QStringLiteral("Header Information (Leaf)"), this);
  title->setObjectName(QStringLiteral("Label15"));
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  auto* form = new QFormLayout;
  const auto& labels = LeafHeaderBoxLabels();
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
    box->setMinimumWidth(320);
    auto* label = new QLabel(QString::fromUtf8(labels[i].data(), static_cast<qsizetype>(labels[i].size())), this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setBuddy(box);
    form->addRow(label, box);
    boxes_[i] = box;
  }

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addLayout(form);
  layout->addLayout(buttons);
}

void LeafHeaderWindow::Collect() { exec(); }

LeafHeaderTexts LeafHeaderWindow::Texts() const {
  LeafHeaderTexts texts;
  for (std::size_t i = 0; i < boxes_.size(); ++i) texts[i] = boxes_[i]->text().toStdString();
  return texts;
}

void LeafHeaderWindow::reject() {
  for (QLineEdit* box : boxes_) box->clear();
  QDialog::reject();
}

void LeafHeaderWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void LeafHeaderWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  for (QLineEdit* box : boxes_) box->deselect();
  boxes_[0]->end(false);
  boxes_[0]->setFocus(Qt::OtherFocusReason);
}

}  // namespace corvelane::gui
