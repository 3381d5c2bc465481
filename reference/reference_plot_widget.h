#pragma once
// A drawing surface of the Calculate Reference window (the graph ref_pic or
// a legend sample pic_legend(n)): replays recorded plot operations with the
// surface's user coordinates stretched over the widget's current size, and
// repaints on resize. The graph also takes the zoom drag: the rectangle
// Shape1 follows the pointer in either direction while the left button is
// held, and the release reports the two vertical positions.
#include <QWidget>
#include <optional>
#include <vector>

#include "reference/reference_plot.h"

class QFrame;

namespace corvelane::gui {

class ReferencePlotWidget final : public QWidget {
  Q_OBJECT
 public:
  // User coordinates: x from 0 to `width` left to right, y from `top` to
  // top + `height` downward. `zoomable` gives the graph its drag rectangle.
  ReferencePlotWidget(double width, double top, double height, bool zoomable, QWidget* parent = nullptr);

  // Replaces what the surface shows and its vertical coordinates; repaints.
  void SetPlot(std::vector<PlotOp> ops, double top, double height);
  const std::vector<PlotOp>& Ops() const noexcept { return ops_; }

  // Where a user position lands at the current size; nothing when it is not
  // finite or lies outside the surface.
  std::optional<QPoint> ToPixel(double x, double y) const;
  // The user y of a pixel row.
  double UserY(int pixelY) const;

  QFrame* Shape1() const noexcept { return shape1_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The left button went down at user height `y`.
  void zoomStarted(double y);
  // The left button came up: the heights where it went down and came up.
  void zoomFinished(double downY, double upY);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::optional<QPointF> Map(double x, double y) const;

  double width_, top_, height_;
  std::vector<PlotOp> ops_;
  QFrame* shape1_ = nullptr;
  QPoint down_;
  bool dragging_ = false;
};

}  // namespace corvelane::gui
