#pragma once
// "About this version": shows the README help text.
#include <QDialog>

class QPlainTextEdit;

namespace corvelane::gui {

class AboutWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutWindow(QWidget* parent = nullptr);

  // Shown when ./README cannot be read.
  static QString NoHelpText();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LoadHelp();
  QPlainTextEdit* text1_;
  bool loaded_ = false;  // the help text is read once per run of the program
};

}  // namespace corvelane::gui
