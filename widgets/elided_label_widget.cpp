#include "widgets/elided_label_widget.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace corvelane::gui {

ElidedLabel::ElidedLabel(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode) {
  setWordWrap(false);
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QString ElidedLabel::Shown() const {
  QString line = text();
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return fontMetrics().elidedText(line, mode_, contentsRect().width());
}

bool ElidedLabel::Elided() const {
  QString line = text();
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return Shown() != line;
}

QSize ElidedLabel::sizeHint() const {
  return {fontMetrics().averageCharWidth() * 20,
          QLabel::minimumSizeHint().expandedTo(fontMetrics().size(0, "X")).height()};
}

QSize ElidedLabel::minimumSizeHint() const { return {0, sizeHint().height()}; }

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(), isEnabled(), Shown(),
                        foregroundRole());
}

bool ElidedLabel::event(QEvent* event) {
  // The whole text as the tooltip when it is cut; a tooltip set by hand otherwise.
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    auto* help = static_cast<QHelpEvent*>(event);
    if (Elided())
      QToolTip::showText(help->globalPos(), text(), this);
    else
      QToolTip::hideText();
    return true;
  }
  return QLabel::event(event);
}

}  // namespace corvelane::gui
