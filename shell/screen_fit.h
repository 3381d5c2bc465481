#pragma once
// Keeps every window within the part of its screen that windows may use: a
// window about to be shown is shrunk and moved where needed, so no button
// ends up off-screen on a small or highly scaled display.
#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

namespace corvelane::gui {

// Where a window whose frame would be `frame` goes on a screen whose usable
// part is `available`: the same place and size when it fits; otherwise no
// larger than `available` (and not below `minimum`, the frame's least size)
// and moved inside it, the top-left corner first.
QRect FitWithin(const QRect& frame, const QSize& minimum, const QRect& available);

// Applies FitWithin to `window` on its screen now.
void FitToScreen(QWidget* window);

// Installed on the application: fits every window when it is shown.
class ScreenFit final : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace corvelane::gui
