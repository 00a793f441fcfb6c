// Small controls of the main window that the toolkit lacks as such: a
// picture button (a transparent picture that clicks) and a clickable text.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QLabel>

#include "pane_colour.h"

class QScrollBar;

// The background of the input, output and info panes.
inline const QColor kPaneColor{QRgb{tervo::kPaneRgb}};

// A button drawn only as its picture (the icon property), at its full size,
// with no frame; it clicks like any button.
class PictureButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit PictureButton(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A text label that reports a left click.
class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickLabel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// Turns the mouse wheel over a pane into steps of a scroll bar: a notch of
// the wheel (120 eighths of a degree, or that many high-resolution units
// gathered) moves the bar by its small change, the wheel turned away from
// the user moving it up. A hidden or disabled bar takes no steps.
class WheelScroller : public QObject {
  Q_OBJECT
 public:
  WheelScroller(QWidget* pane, QScrollBar* bar);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QScrollBar* bar_;
  int gathered_ = 0;  // wheel units not yet turned into a step
};

// The font and text colour of a control, set as font and palette rather
// than as a style sheet: a style sheet would also dress the control's
// tooltip in them and would keep the colour when the control is disabled.
// The colour applies while the control is enabled; disabled, the desktop's
// disabled text colour shows. An invalid colour keeps the desktop's.
void SetControlLook(QWidget* control, int pixelSize, bool bold, const QColor& colour = QColor());

// Run the event loop until the window w is hidden or closed: how the caller
// of a window shown modally with show() waits for it. Returns at once when
// w is not shown.
void WaitUntilHidden(QWidget* w);
