#include "convert/preview_widget.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace corvelane::gui {

namespace {

// Narrow, small lettering so the labels fit between the axes; the first
// installed family of the list is used.
QFont GraphFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                    QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial"),
                    QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  return font;
}

const QColor kAxisColour(0, 0, 0);
const QColor kPointColour(0, 0, 255);

}  // namespace

PreviewWidget::PreviewWidget(PreviewGeometry range, QWidget* parent) : QWidget(parent), range_(range) {
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  setFont(GraphFont());
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PreviewWidget::SetOps(const std::vector<DrawOp>& ops, PreviewArea area) {
  ops_.clear();
  for (const DrawOp& op : ops)
    if (op.area == area) ops_.push_back(op);
  update();
}

std::optional<QPointF> PreviewWidget::Map(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y) || range_.width <= 0 || range_.height <= 0) return std::nullopt;
  // Far-off positions of lines are pulled in to a few widget sizes around the
  // area, which keeps the painter's arithmetic in range and the visible part
  // of the line unchanged in direction.
  const double px = std::clamp(x / range_.width * width(), -4.0 * width(), 5.0 * width());
  const double py = std::clamp(y / range_.height * height(), -4.0 * height(), 5.0 * height());
  return QPointF(px, py);
}

std::optional<QPoint> PreviewWidget::ToPixel(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  if (x < 0 || x > range_.width || y < 0 || y > range_.height) return std::nullopt;
  const int w = std::max(1, width());
  const int h = std::max(1, height());
  const int px = std::min(w - 1, static_cast<int>(std::floor(x / range_.width * w)));
  const int py = std::min(h - 1, static_cast<int>(std::floor(y / range_.height * h)));
  return QPoint(px, py);
}

QSize PreviewWidget::sizeHint() const { return {210, 125}; }

QSize PreviewWidget::minimumSizeHint() const { return {120, 70}; }

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor textColour = palette().color(QPalette::WindowText);
  const QFontMetrics metrics(font());
  double curX = 0, curY = 0;
  for (const DrawOp& op : ops_) {
    switch (op.kind) {
      case DrawOp::Clear:
        painter.fillRect(rect(), palette().color(QPalette::Window));
        curX = curY = 0;
        break;
      case DrawOp::Move:
        curX = op.x;
        curY = op.y;
        break;
      case DrawOp::LineTo: {
        const auto from = Map(curX, curY);
        const auto to = Map(op.x, op.y);
        if (from && to) {
          painter.setPen(QPen(kAxisColour, 0));
          painter.drawLine(*from, *to);
        }
        curX = op.x;
        curY = op.y;
        break;
      }
      case DrawOp::Text:
        if (const auto at = ToPixel(op.x, op.y)) {
          painter.setPen(textColour);
          painter.drawText(QPoint(at->x(), at->y() + metrics.ascent()), QString::fromStdString(op.text));
        }
        break;
      case DrawOp::Point:
        if (const auto at = ToPixel(op.x, op.y)) {
          painter.setPen(QPen(op.blue ? kPointColour : kAxisColour, 0));
          painter.drawPoint(*at);
        }
        curX = op.x;
        curY = op.y;
        break;
    }
  }
}

}  // namespace corvelane::gui
