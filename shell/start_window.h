#pragma once
// "Corvelane ": the start-up window with one button per instrument.
#include <QDialog>
#include <QPointer>
#include <array>
#include <memory>

class QPushButton;

namespace corvelane::gui {

class Program;
class InstrumentWindow;
class AboutWindow;
class IndexRunWindow;

class StartWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit StartWindow(Program& program, QWidget* parent = nullptr);
  ~StartWindow() override;

  // The instrument window of a format as it is now (nullptr before first use
  // or after it was discarded by its close box). For tests.
  InstrumentWindow* ExistingWindow(int formatIndex) const;
  // The index window as it is now (nullptr before first use or after its
  // close box). For tests.
  IndexRunWindow* ExistingIndexWindow() const;

 protected:
  // Escape must not end the program behind the user's back; the close box
  // and the quit question do.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Controls;
  void OpenInstrument(int formatIndex);
  void OnQuit();
  void OnAbout();
  void OnProcessIndices();
  Program& program_;
  Controls* c_ = nullptr;
};

}  // namespace corvelane::gui
