#include "shell/screen_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace corvelane::gui {

QRect FitWithin(const QRect& frame, const QSize& minimum, const QRect& available) {
  if (!available.isValid()) return frame;
  const QSize size = frame.size().boundedTo(available.size()).expandedTo(minimum);
  const int x = std::max(available.left(), std::min(frame.left(), available.right() + 1 - size.width()));
  const int y = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - size.height()));
  return {QPoint(x, y), size};
}

void FitToScreen(QWidget* window) {
  if (window == nullptr || !window->isWindow()) return;
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // Before the first show the frame is not known yet; leave room for a
  // usual title bar and border.
  const QRect frame = window->frameGeometry();
  const QRect inner = window->geometry();
  QMargins decoration(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                      frame.bottom() - inner.bottom());
  if (decoration.isNull()) decoration = QMargins(4, 32, 4, 4);
  const QRect available = screen->availableGeometry().marginsRemoved(decoration);
  const QRect fitted = FitWithin(inner, window->minimumSizeHint().expandedTo(window->minimumSize()), available);
  if (fitted.size() != inner.size()) window->resize(fitted.size());
  if (fitted.topLeft() != inner.topLeft()) window->move(fitted.topLeft() - QPoint(decoration.left(), decoration.top()));
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow() && widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip)
      FitToScreen(widget);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace corvelane::gui
