#include "info_pane.h"

#include <QPainter>

InfoPane::InfoPane(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void InfoPane::setDrawing(std::function<void(QPainter&)> drawing) {
  drawing_ = std::move(drawing);
  update();
}

void InfoPane::ClearInfoPane() { setDrawing({}); }

void InfoPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(255, 255, 224));
  if (drawing_) drawing_(p);
}
