#include "widgets/text_binding.h"

#include <QLineEdit>
#include <QRadioButton>

namespace corvelane::gui {

void BindText(QLineEdit* box, std::string& text) {
  box->setText(QString::fromStdString(text));
  QObject::connect(box, &QLineEdit::textChanged, box, [&text](const QString& now) { text = now.toStdString(); });
}

void BindZeroOrOne(QRadioButton* zero, QRadioButton* one, int& number) {
  (number == 0 ? zero : one)->setChecked(true);
  QObject::connect(zero, &QRadioButton::toggled, zero, [&number](bool on) { number = on ? 0 : 1; });
}

}  // namespace corvelane::gui
