#pragma once
// Boxes that edit a text of the program's session: the box shows the text
// and every change of the box, typed or set, is written back at once.
#include <string>

class QLineEdit;
class QRadioButton;

namespace corvelane::gui {

void BindText(QLineEdit* box, std::string& text);

// A pair of options "0" and "1" that edit `number` (0 or 1).
void BindZeroOrOne(QRadioButton* zero, QRadioButton* one, int& number);

}  // namespace corvelane::gui
