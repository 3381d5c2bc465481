#pragma once
// "Transect Header Info": the 26 texts of the transect header block.
#include <QDialog>
#include <array>

#include "headers/transect_header.h"

class QLineEdit;

namespace corvelane::gui {

class TransectHeaderWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit TransectHeaderWindow(QWidget* parent = nullptr);
  // Shows the window modally until OK or the close box. The close box loses
  // the typed texts (the boxes are emptied); the run goes on with empty values.
  void Collect();
  TransectHeaderTexts Texts() const;

 public slots:
  void reject() override;

 protected:
  // Escape would empty the boxes too; only the close box does that.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::array<QLineEdit*, 26> boxes_{};
};

}  // namespace corvelane::gui
