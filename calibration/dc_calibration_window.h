#pragma once
// "Wavelength Calibrations": the two channel equations of the UniSpec-DC, the
// channel number of the first channel, and one button per instrument of
// inst.cof that copies its six coefficients into the boxes.
#include <QDialog>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "calibration/dc_equation.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvelane::gui {

class Dialogs;
class NewInstrumentWindow;

class DcCalibrationWindow final : public QDialog {
  Q_OBJECT
 public:
  // `startFolder` holds inst.cof. Creating the window is its load: the
  // instrument buttons are read from the file (written first when missing)
  // and `texts` is set to the start texts. The boxes and the first channel's
  // number edit `texts` as they change: a run reads them even if the window
  // was never confirmed.
  DcCalibrationWindow(Dialogs& dialogs, const QString& startFolder, DcEquationTexts& texts, QWidget* parent = nullptr);
  ~DcCalibrationWindow() override;

  // The tables OK computed last (empty before the first OK).
  const DcWavelengthTables& Tables() const noexcept { return tables_; }
  // "New Instrument properties", the editor of inst.cof.
  NewInstrumentWindow& InstrumentEditor();
  // The scans "From scans" fits: the UniSpec-DC window's list, set before
  // the window is shown. With none, it asks for one scan.
  void SetListedScans(std::vector<std::string> scans) { listed_ = std::move(scans); }
  // "From scans": fits `scans` and fills the six boxes (both channels the
  // same); a message says the residual, or why the scans were refused.
  void FillFromScans(const std::vector<std::string>& scans);

 signals:
  // OK with six numbers: the DC window disables Command4 and enables cmdDoOperation.
  void Confirmed();

 private:
  void LoadInstruments();
  void Reload();  // loaded afresh: start texts, first channel 1, buttons from the file
  void OnInstrument(int index);
  void OnOk();
  void OnCancel();
  void OnAdd();
  void OnFromScans();

  Dialogs& dialogs_;
  DcEquationTexts& texts_;
  QString file_;
  std::array<QLineEdit*, 6> boxes_{};
  std::array<QPushButton*, 6> inst_{};
  QRadioButton* option1_;  // "0"
  QRadioButton* option2_;  // "1"
  DcWavelengthTables tables_;
  std::unique_ptr<NewInstrumentWindow> form19_;
  std::vector<std::string> listed_;
};

}  // namespace corvelane::gui
