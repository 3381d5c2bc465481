#pragma once
// "Number of indices": asks how many indices the dual-channel run computes.
#include <QDialog>

class QLineEdit;

namespace corvelane::gui {

class Dialogs;

class IndexCountWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit IndexCountWindow(Dialogs& dialogs, QWidget* parent = nullptr);
  // The box as typed; the caller turns it into a whole number.
  QString CountText() const;

 private:
  void OnOk();
  Dialogs& dialogs_;
  QLineEdit* text1_;
};

}  // namespace corvelane::gui
