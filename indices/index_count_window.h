#pragma once
// "Number of indices": asks how many indices the dual-channel run computes.
#include <QDialog>
#include <optional>

class QLineEdit;

namespace corvelane::gui {

class Dialogs;

class IndexCountWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit IndexCountWindow(Dialogs& dialogs, QWidget* parent = nullptr);
  // The box as a whole number from 1 to 9; none for any other text (OK
  // refuses those and asks again).
  std::optional<int> Count() const;

 private:
  void OnOk();
  Dialogs& dialogs_;
  QLineEdit* text1_;
};

}  // namespace corvelane::gui
