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
  // The record of the list's current entry (its place in the file).
  std::size_t Selected() const;
  // Whether a listed instrument is selected and still named in Text1; says
  // what to do when not.
  bool HasSelection();
  // The record changed under the window: says so and lists the file again.
  void Changed(const QString& name);
  void Failed(const QString& text, const std::exception& e);

  Dialogs& dialogs_;
  QString file_;
  QListWidget* instList_;
  QLineEdit* text1_;
  std::array<QLineEdit*, 6> text2_{};
};

}  // namespace corvelane::gui
