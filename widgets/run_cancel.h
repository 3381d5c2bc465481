#pragma once
// A window's Cancel button while a long job works on the user-interface
// thread: the window repaints between steps, and of everything the user does
// meanwhile only a click on the button goes through; other input waits until
// the job is done, as it did before.
#include <memory>

class QPushButton;

namespace corvelane::gui {

class CancelDuringRun {
 public:
  // Shows and enables `button` until Done() or the end of the job.
  explicit CancelDuringRun(QPushButton* button);
  ~CancelDuringRun();
  CancelDuringRun(const CancelDuringRun&) = delete;
  CancelDuringRun& operator=(const CancelDuringRun&) = delete;

  // Lets the window repaint and the button take a click; false once the
  // user has clicked it.
  bool KeepGoing();
  bool Cancelled() const noexcept { return cancelled_; }
  // Hides the button: the job can no longer stop (it asks and writes now).
  void Done();

 private:
  class Gate;
  QPushButton* button_;
  std::unique_ptr<Gate> gate_;
  bool cancelled_ = false;
};

}  // namespace corvelane::gui
