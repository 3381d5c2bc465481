#include "reference/reference_plot_widget.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace corvelane::gui {

namespace {

QColor ColourOf(int n) {
  const Rgb c = PaletteColour(n);
  return QColor(c.red, c.green, c.blue);
}

}  // namespace

ReferencePlotWidget::ReferencePlotWidget(double width, double top, double height, bool zoomable, QWidget* parent)
    : QWidget(parent), width_(width), top_(top), height_(height) {
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  if (zoomable) {
    shape1_ = new QFrame(this);
    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setFrameShape(QFrame::Box);
    shape1_->setAttribute(Qt::WA_TransparentForMouseEvents);
    shape1_->hide();
  }
}

void ReferencePlotWidget::SetPlot(std::vector<PlotOp> ops, double top, double height) {
  ops_ = std::move(ops);
  top_ = top;
  height_ = height;
  update();
}

std::optional<QPointF> ReferencePlotWidget::Map(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y) || !(width_ > 0) || !(height_ > 0)) return std::nullopt;
  // Far-off positions are pulled in to a few widget sizes around the surface,
  // which keeps the painter's arithmetic in range and the visible part of a
  // line unchanged in direction.
  const double px = std::clamp(x / width_ * width(), -4.0 * width(), 5.0 * width());
  const double py = std::clamp((y - top_) / height_ * height(), -4.0 * height(), 5.0 * height());
  return QPointF(px, py);
}

std::optional<QPoint> ReferencePlotWidget::ToPixel(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y) || !(width_ > 0) || !(height_ > 0)) return std::nullopt;
  if (x < 0 || x > width_ || y < top_ || y > top_ + height_) return std::nullopt;
  const int w = std::max(1, width());
  const int h = std::max(1, height());
  const int px = std::min(w - 1, static_cast<int>(std::floor(x / width_ * w)));
  const int py = std::min(h - 1, static_cast<int>(std::floor((y - top_) / height_ * h)));
  return QPoint(px, py);
}

double ReferencePlotWidget::UserY(int pixelY) const {
  return top_ + static_cast<double>(pixelY) / std::max(1, height()) * height_;
}

QSize ReferencePlotWidget::sizeHint() const { return shape1_ ? QSize(520, 300) : QSize(60, 14); }

QSize ReferencePlotWidget::minimumSizeHint() const { return shape1_ ? QSize(200, 120) : QSize(30, 10); }

void ReferencePlotWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  double curX = 0, curY = top_;
  for (const PlotOp& op : ops_) {
    switch (op.kind) {
      case PlotOp::Clear:
        painter.fillRect(rect(), palette().color(QPalette::Base));
        curX = 0;
        curY = top_;
        break;
      case PlotOp::Move:
        curX = op.x;
        curY = op.y;
        break;
      case PlotOp::LineTo: {
        const auto from = Map(curX, curY);
        const auto to = Map(op.x, op.y);
        if (from && to) {
          painter.setPen(QPen(ColourOf(op.colour), 0));
          painter.drawLine(*from, *to);
        }
        curX = op.x;
        curY = op.y;
        break;
      }
      case PlotOp::Text:
        if (const auto at = ToPixel(op.x, op.y)) {
          painter.setPen(palette().color(QPalette::Text));
          painter.drawText(QPoint(at->x(), at->y() + metrics.ascent()), QString::fromStdString(op.text));
        }
        break;
      case PlotOp::Point:
        if (const auto at = ToPixel(op.x, op.y)) {
          // A sample dot a few pixels wide, so the colour can be told.
          painter.fillRect(QRect(*at - QPoint(1, 1), QSize(3, 3)), ColourOf(op.colour));
        }
        curX = op.x;
        curY = op.y;
        break;
    }
  }
}

void ReferencePlotWidget::mousePressEvent(QMouseEvent* event) {
  if (!shape1_ || event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  down_ = event->position().toPoint();
  dragging_ = true;
  emit zoomStarted(UserY(down_.y()));
}

void ReferencePlotWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  shape1_->setGeometry(QRect(down_, event->position().toPoint()).normalized());
  shape1_->show();
  shape1_->raise();
}

void ReferencePlotWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  shape1_->hide();
  emit zoomFinished(UserY(down_.y()), UserY(event->position().toPoint().y()));
}

}  // namespace corvelane::gui
