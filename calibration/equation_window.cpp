#include "calibration/equation_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "text/text_input.h"
#include "widgets/dialogs.h"
#include "widgets/text_binding.h"

namespace corvelane::gui {

EquationWindow::EquationWindow(Dialogs& dialogs, EquationTexts& texts, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      texts_(texts),
      txtCoeffA_(new QLineEdit(this)),
      txtCoeffB_(new QLineEdit(this)),
      txtCoeffC_(new QLineEdit(this)),
      option1_(nullptr),
      option2_(nullptr) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Get coeffecients"));

  auto* boxes = new QGridLayout;
  const auto row = [&](int r, const char* labelName, const QString& caption, QLineEdit* box, const char* boxName) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setBuddy(box);
    box->setObjectName(QString::fromLatin1(boxName));
    box->setMinimumWidth(180);
    boxes->addWidget(label, r, 0);
    boxes->addWidget(box, r, 1);
  };
  row(0, "Label1", QStringLiteral("Coeffecient 'A' :"), txtCoeffA_, "txtCoeffA");
  row(1, "Label2", QStringLiteral("Coeffecient 'B' :"), txtCoeffB_, "txtCoeffB");
  row(2, "Label3", QStringLiteral("Coeffecient 'C' :"), txtCoeffC_, "txtCoeffC");

  auto* equation = new QLabel(QStringLiteral("equation:  A + B*(wave) + C*(wave)^2"), this);
  equation->setObjectName(QStringLiteral("Label4"));

  auto* frame1 = new QGroupBox(QStringLiteral("Begining wave"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  option1_ = new QRadioButton(QStringLiteral("0"), frame1);
  option1_->setObjectName(QStringLiteral("Option1"));
  option2_ = new QRadioButton(QStringLiteral("1"), frame1);
  option2_->setObjectName(QStringLiteral("Option2"));
  BindText(txtCoeffA_, texts_.a);
  BindText(txtCoeffB_, texts_.b);
  BindText(txtCoeffC_, texts_.c);
  BindZeroOrOne(option1_, option2_, texts_.startChannel);
  // What 0 and 1 mean is not to be guessed from the captions.
  frame1->setToolTip(QStringLiteral("The channel number the equation gives to the first channel of a scan"));
  option1_->setToolTip(QStringLiteral("The first channel is channel 0: its wavelength is A"));
  option2_->setToolTip(QStringLiteral("The first channel is channel 1: its wavelength is A + B + C"));
  auto* options = new QHBoxLayout(frame1);
  options->addWidget(option1_);
  options->addWidget(option2_);
  options->addStretch(1);

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &EquationWindow::OnOk);
  connect(cancel, &QPushButton::clicked, this, &EquationWindow::OnCancel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxes);
  layout->addWidget(equation);
  layout->addWidget(frame1);
  layout->addLayout(buttons);
}

void EquationWindow::OnOk() {
  if (!CoefficientsAreNumbers(texts_)) {
    QStringList wrong;
    for (const auto& [name, box] :
         {std::pair{'A', txtCoeffA_}, std::pair{'B', txtCoeffB_}, std::pair{'C', txtCoeffC_}}) {
      if (IsNumber(box->text().toStdString())) continue;
      wrong << (box->text().trimmed().isEmpty() ? QStringLiteral("Coefficient %1 is empty.").arg(QLatin1Char(name))
                                                : QStringLiteral("Coefficient %1 is not a number: \"%2\".")
                                                      .arg(QString(QLatin1Char(name)), box->text()));
    }
    dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("Coefficients must be numbers"), wrong.join(QLatin1Char('\n'))));
    return;
  }
  accept();
}

void EquationWindow::OnCancel() {
  reject();
  dialogs_.ShowMessage(parentWidget(), {QStringLiteral("Coefficients"),
                                        QStringLiteral("No Equation Selected"),
                                        MessageIcon::Information,
                                        MessageButtons::Ok,
                                        {}});
}

}  // namespace corvelane::gui
