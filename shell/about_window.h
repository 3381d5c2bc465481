#pragma once
// "About this version": shows the README help text.
#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace corvelane::gui {

class AboutWindow final : public QDialog {
  Q_OBJECT
 public:
  // The help text is ./README; when the program was started elsewhere, the
  // first readable file of `otherPlaces` (default: ShippedHelpFiles()).
  explicit AboutWindow(QWidget* parent = nullptr);
  AboutWindow(QStringList otherPlaces, QWidget* parent = nullptr);

  // Shown when no help file can be read.
  static QString NoHelpText();
  // Where the help text shipped with the program lies: beside an installed
  // program, and in the source tree it was built from.
  static QStringList ShippedHelpFiles();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LoadHelp();
  bool TryLoad(const QString& path);
  QStringList otherPlaces_;
  QPlainTextEdit* text1_;
  bool loaded_ = false;  // the help text is read once per run of the program
};

}  // namespace corvelane::gui
