#include "indices/index_count_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "text/text_input.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

IndexCountWindow::IndexCountWindow(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), text1_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("Form15"));
  setWindowTitle(QStringLiteral("Number of indices"));
  auto* label = new QLabel(QStringLiteral("Enter the number of indices you wish to calculate: (max 9)"), this);
  label->setObjectName(QStringLiteral("Label1"));
  label->setBuddy(text1_);
  text1_->setObjectName(QStringLiteral("Text1"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &IndexCountWindow::OnOk);
  ok->setToolTip(QStringLiteral("A whole number of indices from 1 to 9."));
  auto* row = new QHBoxLayout;
  row->addWidget(text1_);
  row->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addLayout(row);
}

std::optional<int> IndexCountWindow::Count() const {
  const auto value = ParseNumber(text1_->text().trimmed().toStdString());
  if (!value || *value < 1 || *value > 9 || std::floor(*value) != *value) return std::nullopt;
  return static_cast<int>(*value);
}

void IndexCountWindow::OnOk() {
  if (!Count()) {  // "abc", "0", "2.5": asked again
    dialogs_.ShowMessage(this, {QStringLiteral("Corvelane"),
                                QStringLiteral("You must enter a number between 1 and 9"),
                                MessageIcon::None,
                                MessageButtons::Ok,
                                {}});
    return;
  }
  accept();
}

}  // namespace corvelane::gui
