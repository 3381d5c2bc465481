#pragma once
// "External File": picks the file that lists one wavelength per channel.
#include <QDialog>
#include <string>

namespace corvelane::gui {

class Dialogs;

class ExternalFileWindow final : public QDialog {
  Q_OBJECT
 public:
  // OK sets `path` to the chosen file, Cancel empties it.
  ExternalFileWindow(Dialogs& dialogs, std::string& path, QWidget* parent = nullptr);
  ~ExternalFileWindow() override;
  // For tests and scripting: what a click in File3 on `path` does.
  void ChooseFile(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Controls;
  void OnOk();
  void OnCancel();
  Dialogs& dialogs_;
  std::string& path_;
  Controls* c_;
};

}  // namespace corvelane::gui
