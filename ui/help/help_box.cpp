#include "help_box.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <array>

namespace {

const QColor kBevelDark(0x00, 0x00, 0x00);
const QColor kBevelLight(0xF0, 0xF0, 0xF0);
const QColor kMarkedBackground(0xD8, 0xD8, 0xD8);
const QColor kBoxEdgeColour(0x60, 0x60, 0x60);
const QColor kLinkHighlight(0x00, 0x00, 0xA0);

// The pixel size (em height) of the help font whose character cell, ascent
// plus descent, is the given height: the largest size that still fits.
int PixelSizeForCell(uint8_t cellHeight) {
  static std::array<int, 256> cache{};
  int& size = cache[cellHeight];
  if (size == 0) {
    size = std::max(1, static_cast<int>(cellHeight));
    while (size > 1 && QFontMetrics(HelpPixelFont(size)).height() > cellHeight) --size;
  }
  return size;
}

}  // namespace

QFont HelpPixelFont(int pixelSize, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

HelpBox::HelpBox(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("helpbox"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QFont HelpBox::HelpFont(uint8_t cellHeight, bool bold, bool italic) {
  QFont font = HelpPixelFont(PixelSizeForCell(cellHeight), bold);
  font.setItalic(italic);
  return font;
}

void HelpBox::SetLinkRow(uint8_t row) {
  linkRow_ = row;
  setCursor(row != 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
  update();
}

void HelpBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width();
  const int h = height();
  painter.fillRect(0, 0, w, h, kHelpBoxBackground);
  for (int i = 0; i < 3; ++i) {
    painter.setPen(kBevelDark);
    painter.drawLine(w - 1 - i, i, i, i);
    painter.drawLine(i, i, i, h - 1 - i);
    painter.setPen(kBevelLight);
    painter.drawLine(i, h - 1 - i, w - 1 - i, h - 1 - i);
    painter.drawLine(w - 1 - i, h - 1 - i, w - 1 - i, i);
  }

  const QPen edgePen(kBoxEdgeColour, 2);
  for (const HelpDrawOp& op : drawing_ ? drawing_->ops : std::vector<HelpDrawOp>{}) {
    if (op.kind == HelpDrawOp::Edge) {
      painter.setPen(edgePen);
      painter.drawLine(op.x, op.y, op.x2, op.y2);
      continue;
    }
    const QFont font = HelpFont(op.cellHeight, op.bold, op.italic);
    const QFontMetrics metrics(font);
    if (op.marked) painter.fillRect(op.x, op.y, op.width, metrics.height(), kMarkedBackground);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(op.x, op.y + metrics.ascent()), QString(QChar(static_cast<uchar>(op.ch))));
  }

  if (linkRow_ != 0) {
    // The linked row under the pointer: #0000A0 combined with the inverted
    // screen, rows 24 r .. 24 r + 19 from x = 10 to the right margin.
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.fillRect(10, kRowHeight * linkRow_, w - 20, 20, kLinkHighlight);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
}

void HelpBox::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved(event->position().toPoint());
  event->accept();
}

void HelpBox::mousePressEvent(QMouseEvent* event) {
  emit mouseDown(event->position().toPoint());
  event->accept();
}

void HelpBox::mouseDoubleClickEvent(QMouseEvent* event) {
  emit mouseDown(event->position().toPoint());
  event->accept();
}

void HelpBox::leaveEvent(QEvent* event) {
  emit mouseLeft();
  QWidget::leaveEvent(event);
}
