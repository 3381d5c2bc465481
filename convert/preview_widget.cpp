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
constexpr int kFrame = 1;  // frame width in pixels around the drawing

// A horizontal line as drawn, in pixels: the rows it may be drawn on.
struct Rule {
  int left, right, top, bottom;
};

}  // namespace

PreviewWidget::PreviewWidget(PreviewGeometry range, QWidget* parent) : QWidget(parent), range_(range) {
  setBackgroundRole(QPalette::Base);
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

QRect PreviewWidget::Interior() const {
  const QRect inside = rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
  return inside.isValid() ? inside : QRect(0, 0, 1, 1);
}

std::optional<QPointF> PreviewWidget::Map(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y) || range_.width <= 0 || range_.height <= 0) return std::nullopt;
  // Far-off positions of lines are pulled in to a few widget sizes around the
  // area, which keeps the painter's arithmetic in range and the visible part
  // of the line unchanged in direction.
  const QRect in = Interior();
  const double px = std::clamp(x / range_.width * in.width(), -4.0 * in.width(), 5.0 * in.width());
  const double py = std::clamp(y / range_.height * in.height(), -4.0 * in.height(), 5.0 * in.height());
  return QPointF(in.left() + px, in.top() + py);
}

std::optional<QPoint> PreviewWidget::ToPixel(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  if (x < 0 || x > range_.width || y < 0 || y > range_.height) return std::nullopt;
  const QRect in = Interior();
  const int px = std::min(in.width() - 1, static_cast<int>(std::floor(x / range_.width * in.width())));
  const int py = std::min(in.height() - 1, static_cast<int>(std::floor(y / range_.height * in.height())));
  return QPoint(in.left() + px, in.top() + py);
}

std::vector<QRect> PreviewWidget::TextRects() const {
  const QFontMetrics metrics(font());
  const QRect in = Interior();
  std::vector<Rule> rules;
  std::vector<QRect> placed;
  double curX = 0, curY = 0;
  const auto free = [&](const QRect& r) {
    if (!in.contains(r)) return false;
    for (const Rule& rule : rules)
      if (r.top() <= rule.bottom && rule.top <= r.bottom() && r.left() <= rule.right && rule.left <= r.right())
        return false;
    for (const QRect& other : placed)
      if (r.intersects(other)) return false;
    return true;
  };
  for (const DrawOp& op : ops_) {
    switch (op.kind) {
      case DrawOp::Clear:
        rules.clear();
        placed.clear();
        curX = curY = 0;
        break;
      case DrawOp::LineTo: {
        const auto from = Map(curX, curY);
        const auto to = Map(op.x, op.y);
        if (from && to && std::lround(from->y()) == std::lround(to->y()))
          rules.push_back({static_cast<int>(std::floor(std::min(from->x(), to->x()))),
                           static_cast<int>(std::ceil(std::max(from->x(), to->x()))),
                           static_cast<int>(std::floor(to->y())), static_cast<int>(std::ceil(to->y()))});
        curX = op.x;
        curY = op.y;
        break;
      }
      case DrawOp::Move:
      case DrawOp::Point:
        curX = op.x;
        curY = op.y;
        break;
      case DrawOp::Text: {
        const auto at = ToPixel(op.x, op.y);
        if (!at) break;
        QRect r(*at, QSize(metrics.horizontalAdvance(QString::fromStdString(op.text)), metrics.height()));
        if (r.right() > in.right()) r.moveRight(in.right());  // a label near the right edge stays whole
        // The nearest free place up or down, the recorded place when none is.
        QRect best = r;
        for (int shift = 0; shift <= in.height(); ++shift) {
          if (free(r.translated(0, shift))) {
            best = r.translated(0, shift);
            break;
          }
          if (free(r.translated(0, -shift))) {
            best = r.translated(0, -shift);
            break;
          }
        }
        placed.push_back(best);
        break;
      }
    }
  }
  return placed;
}

QSize PreviewWidget::sizeHint() const { return {210, 125}; }

// Room for the top label, the three stacked letters and the labels by the
// base line, one under the other.
QSize PreviewWidget::minimumSizeHint() const { return {120, 9 * QFontMetrics(font()).height()}; }

void PreviewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor textColour = palette().color(QPalette::Text);
  const QFontMetrics metrics(font());
  const std::vector<QRect> texts = TextRects();
  std::size_t nextText = 0;
  painter.fillRect(rect(), palette().color(QPalette::Base));
  painter.setPen(QPen(palette().color(QPalette::Mid), kFrame));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setClipRect(Interior());
  double curX = 0, curY = 0;
  for (const DrawOp& op : ops_) {
    switch (op.kind) {
      case DrawOp::Clear:
        painter.fillRect(Interior(), palette().color(QPalette::Base));
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
        if (ToPixel(op.x, op.y) && nextText < texts.size()) {
          const QRect& at = texts[nextText++];
          painter.setPen(textColour);
          painter.drawText(QPoint(at.left(), at.top() + metrics.ascent()), QString::fromStdString(op.text));
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
