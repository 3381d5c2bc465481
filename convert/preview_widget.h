#pragma once
// One graph area of the spectrum preview (picTarget, picPlate, picReflect):
// replays the recorded drawing operations of its area, with the area's user
// coordinate system W x H stretched over the inside of a thin frame, on the
// base (white) colour so the area is seen before anything is drawn. Texts
// keep their recorded order and position where they can be read; where one
// would cross a horizontal line or another text at the widget's size, it is
// moved up or down to the nearest place where it does not.
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <optional>
#include <vector>

#include "convert/spectrum_preview.h"

namespace corvelane::gui {

class PreviewWidget final : public QWidget {
  Q_OBJECT
 public:
  // `range` gives the user coordinate range W x H of the area.
  PreviewWidget(PreviewGeometry range, QWidget* parent = nullptr);

  // Replaces what the area shows by `ops` (operations of other areas are
  // ignored) and repaints.
  void SetOps(const std::vector<DrawOp>& ops, PreviewArea area);
  // What the area shows now, in drawing order.
  const std::vector<DrawOp>& Ops() const noexcept { return ops_; }

  // The pixel a user-coordinate position lands on at the widget's current
  // size; nothing for a position that is not finite or lies outside the
  // area (0..W, 0..H), which is out of view and is not drawn.
  std::optional<QPoint> ToPixel(double x, double y) const;

  // Where each text of Ops() is drawn at the current size, in order; texts
  // whose position is out of view are left out.
  std::vector<QRect> TextRects() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Like ToPixel, without the range test (lines may start or end anywhere).
  std::optional<QPointF> Map(double x, double y) const;
  QRect Interior() const;

  PreviewGeometry range_;
  std::vector<DrawOp> ops_;
};

}  // namespace corvelane::gui
