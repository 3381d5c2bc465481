#pragma once
// "Reference and Index" (Form14): the UniSpec-DC run shows it to ask for the
// `.ref` file that corrects the reflectance. One program-wide window; the
// path chosen stays in Text1 and is offered again next time.
#include <QDialog>
#include <string>

class QLineEdit;

namespace corvelane::gui {

class Dialogs;
class FolderBrowser;

class ReferenceFileWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit ReferenceFileWindow(Dialogs& dialogs, QWidget* parent = nullptr);
  // The path in Text1, as the run reads it once the window has gone.
  std::string ReferenceFilePath() const;
  // For tests and scripting: what a click in File1 on `path` does.
  void ChooseFile(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  FolderBrowser* browser_;
  QLineEdit* text1_;
};

}  // namespace corvelane::gui
