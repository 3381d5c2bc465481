#pragma once
// "Leaf Header": the 14 texts of the leaf header block.
#include <QDialog>

#include "headers/leaf_header.h"

namespace corvelane::gui {

class LeafHeaderWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit LeafHeaderWindow(QWidget* parent = nullptr);
  // Shows the window modally until OK or the close box. The close box loses
  // the typed texts (the boxes are emptied); the run goes on with empty values.
  void Collect();
  LeafHeaderTexts Texts() const;
};

}  // namespace corvelane::gui
