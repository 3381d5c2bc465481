#pragma once
// A label of one line: a text longer than the label is shown cut at its end
// with "…", and given whole as the tooltip. text() stays the whole text, so
// a long status or path never wraps the window's layout nor hides behind a
// scroll bar.
#include <QLabel>

namespace corvelane::gui {

class ElidedLabel final : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight);

  // Whether the whole text does not fit and is shown cut.
  bool Elided() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QString Shown() const;
  Qt::TextElideMode mode_;
};

}  // namespace corvelane::gui
