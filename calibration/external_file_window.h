#pragma once
// "External File": picks the file that lists one wavelength per channel.
#include <QDialog>
#include <string>

namespace corvelane::gui {

class Dialogs;

class ExternalFileWindow final : public QDialog {
  Q_OBJECT
 public:
  ExternalFileWindow(Dialogs& dialogs, QWidget* parent = nullptr);
  ~ExternalFileWindow() override;
  // Empty until a file is chosen with OK; emptied by Cancel.
  std::string ExternalFilePath() const;
  // For tests and scripting: what a click in File3 on `path` does.
  void ChooseFile(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Controls;
  void OnOk();
  void OnCancel();
  Dialogs& dialogs_;
  QString externalFilePath_;
  Controls* c_;
};

}  // namespace corvelane::gui
