#include "headers/header_form_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/text_binding.h"

namespace corvelane::gui {

HeaderFormWindow::HeaderFormWindow(const Look& look, std::span<const std::string_view> captions,
                                   std::span<std::string> texts, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(look.objectName));
  setWindowTitle(QString::fromLatin1(look.title));

  auto* heading = new QLabel(QString::fromLatin1(look.heading), this);
  heading->setObjectName(QString::fromLatin1(look.headingName));
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);

  auto* columns = new QHBoxLayout;
  QFormLayout* form = nullptr;
  for (std::size_t i = 0; i < captions.size() && i < texts.size(); ++i) {
    if (i % look.perColumn == 0) columns->addLayout(form = new QFormLayout);
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
    box->setMinimumWidth(look.boxWidth);
    BindText(box, texts[i]);
    auto* label = new QLabel(QString::fromUtf8(captions[i].data(), static_cast<qsizetype>(captions[i].size())), this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setBuddy(box);
    form->addRow(label, box);
    boxes_.push_back(box);
  }

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addLayout(columns);
  layout->addLayout(buttons);
}

void HeaderFormWindow::Collect() { exec(); }

void HeaderFormWindow::reject() {
  for (QLineEdit* box : boxes_) box->clear();
  QDialog::reject();
}

void HeaderFormWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void HeaderFormWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (boxes_.empty()) return;
  for (QLineEdit* box : boxes_) box->deselect();
  boxes_[0]->end(false);
  boxes_[0]->setFocus(Qt::OtherFocusReason);
}

std::unique_ptr<HeaderFormWindow> MakeLeafHeaderWindow(LeafHeaderTexts& texts) {
  static constexpr HeaderFormWindow::Look kLook{"Form12", "Leaf Header", "Label15", "Header Information (Leaf)", 14,
                                                320};
  return std::make_unique<HeaderFormWindow>(kLook, LeafHeaderBoxLabels(), texts);
}

std::unique_ptr<HeaderFormWindow> MakeTransectHeaderWindow(TransectHeaderTexts& texts) {
  static constexpr HeaderFormWindow::Look kLook{"Form11", "Transect Header Info", "Label27", "Header Information", 13,
                                                240};
  return std::make_unique<HeaderFormWindow>(kLook, TransectHeaderBoxLabels(), texts);
}

}  // namespace corvelane::gui
