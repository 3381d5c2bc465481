#pragma once
// "New Instrument properties": lists the instruments of inst.cof and adds,
// updates or deletes one.
#include <QDialog>
#include <QString>
#include <array>

class QLineEdit;
class QListWidget;

namespace corvelane::gui {

class Dialogs;

class NewInstrumentWindow final : public QDialog {
  Q_OBJECT
 public:
  // `instrumentFile` is the inst.cof of the start folder.
  NewInstrumentWindow(Dialogs& dialogs, QString instrumentFile, QWidget* parent = nullptr);
  // The window's load: fills Inst_list with the instruments of the file.
  // False (after a failure box) when the file cannot be read.
  bool Load();

 private:
  void OnListClicked();
  void OnAdd();
  void OnUpdate();
  void OnDelete();
  std::array<std::string, 6> Coefficients() const;
  void Failed(const QString& text, const std::exception& e);

  Dialogs& dialogs_;
  QString file_;
  QListWidget* instList_;
  QLineEdit* text1_;
  std::array<QLineEdit*, 6> text2_{};
};

}  // namespace corvelane::gui
