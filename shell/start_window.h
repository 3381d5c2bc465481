#pragma once
// "Corvelane ": the start-up window with one button per instrument.
#include <QDialog>
#include <array>
#include <memory>

namespace corvelane::gui {

class Program;
class InstrumentWindow;
class AboutWindow;

class StartWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit StartWindow(Program& program, QWidget* parent = nullptr);
  ~StartWindow() override;

  // The instrument window of a format as it is now (nullptr before first use
  // or after it was discarded by its close box). For tests.
  InstrumentWindow* ExistingWindow(int formatIndex) const;

 private:
  struct Controls;
  Program& program_;
  Controls* c_ = nullptr;
};

}  // namespace corvelane::gui
