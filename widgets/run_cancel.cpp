#include "widgets/run_cancel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPushButton>

namespace corvelane::gui {

// Holds back the user's input to everything but the button.
class CancelDuringRun::Gate final : public QObject {
 public:
  explicit Gate(QPushButton* button) : button_(button) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: return watched != button_;
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::Close:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::Drop: return true;
      default: return false;
    }
  }

 private:
  QPushButton* button_;
};

CancelDuringRun::CancelDuringRun(QPushButton* button) : button_(button), gate_(std::make_unique<Gate>(button)) {
  QObject::connect(button_, &QPushButton::clicked, gate_.get(), [this] { cancelled_ = true; });
  button_->setEnabled(true);
  button_->show();
}

CancelDuringRun::~CancelDuringRun() { Done(); }

bool CancelDuringRun::KeepGoing() {
  if (!gate_) return !cancelled_;
  QCoreApplication::instance()->installEventFilter(gate_.get());
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::instance()->removeEventFilter(gate_.get());
  return !cancelled_;
}

void CancelDuringRun::Done() {
  if (!gate_) return;
  gate_.reset();  // disconnects the button
  button_->hide();
}

}  // namespace corvelane::gui
