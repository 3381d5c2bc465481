#pragma once
// One window for each header block: a box per text under its caption, and
// OK. "Leaf Header" (Form12) edits the 14 leaf texts, "Transect Header Info"
// (Form11) the 26 transect texts; the boxes edit the texts as they are typed.
#include <QDialog>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "headers/leaf_header.h"
#include "headers/transect_header.h"

class QLineEdit;

namespace corvelane::gui {

class HeaderFormWindow final : public QDialog {
  Q_OBJECT
 public:
  struct Look {
    const char* objectName;   // the window's name
    const char* title;        // its caption
    const char* headingName;  // the bold heading's name
    const char* heading;
    std::size_t perColumn;  // boxes per column
    int boxWidth;
  };
  HeaderFormWindow(const Look& look, std::span<const std::string_view> captions, std::span<std::string> texts,
                   QWidget* parent = nullptr);

  // Shows the window modally until OK or the close box. The close box loses
  // the typed texts (the boxes are emptied); the run goes on with empty values.
  void Collect();

 public slots:
  // The close box: hides the window and empties the boxes.
  void reject() override;

 protected:
  // Escape would empty the boxes too; only the close box does that.
  void keyPressEvent(QKeyEvent* event) override;
  // Every opening starts typing in the first box, with nothing selected.
  void showEvent(QShowEvent* event) override;

 private:
  std::vector<QLineEdit*> boxes_;
};

// "Leaf Header" over `texts`.
std::unique_ptr<HeaderFormWindow> MakeLeafHeaderWindow(LeafHeaderTexts& texts);
// "Transect Header Info" over `texts`, in two columns of thirteen boxes (on a laptop screen).
std::unique_ptr<HeaderFormWindow> MakeTransectHeaderWindow(TransectHeaderTexts& texts);

}  // namespace corvelane::gui
