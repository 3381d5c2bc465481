#pragma once
// "Get coeffecients": the coefficients A, B, C of the wavelength equation and
// the channel number of the first channel.
#include <QDialog>

#include "calibration/wavelength_sources.h"

class QLineEdit;
class QRadioButton;

namespace corvelane::gui {

class Dialogs;

class EquationWindow final : public QDialog {
  Q_OBJECT
 public:
  // The boxes edit `texts` as they are typed: a run reads them even if the
  // window was never confirmed.
  EquationWindow(Dialogs& dialogs, EquationTexts& texts, QWidget* parent = nullptr);

 private:
  void OnOk();
  void OnCancel();
  Dialogs& dialogs_;
  EquationTexts& texts_;
  QLineEdit* txtCoeffA_;
  QLineEdit* txtCoeffB_;
  QLineEdit* txtCoeffC_;
  QRadioButton* option1_;  // "0"
  QRadioButton* option2_;  // "1"
};

}  // namespace corvelane::gui
