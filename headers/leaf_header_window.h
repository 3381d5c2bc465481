#pragma once
// "Leaf Header": the 14 texts of the leaf header block.
#include <QDialog>
#include <array>

#include "headers/leaf_header.h"

class QLineEdit;

namespace corvelane::gui {

class LeafHeaderWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit LeafHeaderWindow(QWidget* parent = nullptr);
  // Shows the window modally until OK or the close box. The close box loses
  // the typed texts (the boxes are emptied); the run goes on with empty values.
  void Collect();
  LeafHeaderTexts Texts() const;

 public slots:
  // The close box: hides the window and empties the boxes.
  void reject() override;

 protected:
  // Escape would empty the boxes too; only the close box does that.
  void keyPressEvent(QKeyEvent* event) override;
  // Every opening starts typing in the first box, with nothing selected.
  void showEvent(QShowEvent* event) override;

 private:
  std::array<QLineEdit*, 14> boxes_{};
};

}  // namespace corvelane::gui
