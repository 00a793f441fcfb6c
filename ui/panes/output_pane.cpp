#include "output_pane.h"

#include <QPainter>

#include "input_pane.h"
#include "logic_unit.h"
#include "pane_widgets.h"

namespace {
const QColor kFlagged(255, 0, 0);
}  // namespace

OutputPane::OutputPane(QWidget* parent) : QWidget(parent), font_(InputPane::PaneFont()) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void OutputPane::setEngine(const tervo::Engine* engine) {
  engine_ = engine;
  update();
}

void OutputPane::setArrow(const QPixmap& arrow) {
  arrow_ = arrow;
  update();
}

QString OutputPane::HeaderText(const tervo::Engine& e) { return QString::fromStdString(tervo::OutputHeaderText(e)); }

QString OutputPane::RowText(const tervo::Engine& e, int t) {
  return QString::fromStdString(tervo::OutputRowText(e, e.TermValue[t], e.TermMask[t]));
}

void OutputPane::ShowResultAt(int p) {
  scroll_ = p;
  shown_ = true;
  update();
}

void OutputPane::ClearOutputPane() {
  shown_ = false;
  marker1_ = marker2_ = 0;
  update();
}

void OutputPane::SetRowMarkers(uint16_t a, uint16_t b) {
  if (a != marker1_ || b != marker2_) {
    marker1_ = a;
    marker2_ = b;
    update(QRect(0, 0, 26, height()));
  }
}

void OutputPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPaneColor);
  if (!engine_ || !shown_) return;
  const tervo::Engine& e = *engine_;
  p.setFont(font_);
  const int ascent = QFontMetrics(font_).ascent();

  // Each character stands on its own 10-pixel cell, whatever the font's advance.
  auto drawCells = [&](const QString& text, int y) {
    for (int i = 0; i < text.size(); ++i)
      if (text[i] != QLatin1Char(' ')) p.drawText(QPoint(kFirstX + kCellW * i, y + ascent), QString(text[i]));
  };

  p.setPen(Qt::black);
  drawCells(HeaderText(e), 0);
  for (int r = 1; r < kBands; ++r) {
    const int t = scroll_ + r;
    if (t > e.TermCount) break;
    p.setPen(e.TermMark[t] ? kFlagged : QColor(Qt::black));
    drawCells(RowText(e, t), kBandH * r);
  }

  for (const uint16_t m : {marker1_, marker2_}) {
    const int d = static_cast<int>(m) - scroll_;
    if (m != 0 && d > 0 && d < kBands && !arrow_.isNull()) p.drawPixmap(2, kBandH * d, arrow_);
  }
}
