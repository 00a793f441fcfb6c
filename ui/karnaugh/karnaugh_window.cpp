#include "karnaugh_window.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "input_pane.h"
#include "pane_widgets.h"

namespace {

const QColor kCellFace(255, 255, 255);
const QColor kGridLine(192, 192, 192);
const QColor kBorder(0, 0, 0);
const QColor kGroupedInk(0, 0, 0);        // the value the groups cover
const QColor kOtherInk(150, 150, 150);    // the other value
const QColor kDontCareInk(0, 0, 200);     // x
constexpr int kGroupPen = 2;
constexpr int kGroupRadius = 9;
constexpr int kFillAlpha = 28;

QRect ToRect(const tervo::KarnaughBox& b) { return QRect(b.x, b.y, b.w, b.h); }

Qt::Alignment ToAlign(tervo::KarnaughAlign a) {
  switch (a) {
    case tervo::KarnaughAlign::kLeft: return Qt::AlignLeft | Qt::AlignVCenter;
    case tervo::KarnaughAlign::kRight: return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignHCenter | Qt::AlignVCenter;
  }
}

// Grid lines and borders are filled one-pixel rectangles, as the main
// window's pane frames are: they stay whole pixels at any scale factor.
void DrawCellArea(QPainter& p, const QRect& area, int rows, int cols) {
  p.fillRect(area, kCellFace);
  for (int c = 1; c < cols; ++c) p.fillRect(QRect(area.x() + c * area.width() / cols, area.y(), 1, area.height()), kGridLine);
  for (int r = 1; r < rows; ++r)
    p.fillRect(QRect(area.x(), area.y() + r * area.height() / rows, area.width(), 1), kGridLine);
  p.fillRect(QRect(area.x() - 1, area.y() - 1, area.width() + 2, 1), kBorder);
  p.fillRect(QRect(area.x() - 1, area.bottom() + 1, area.width() + 2, 1), kBorder);
  p.fillRect(QRect(area.x() - 1, area.y() - 1, 1, area.height() + 2), kBorder);
  p.fillRect(QRect(area.right() + 1, area.y() - 1, 1, area.height() + 2), kBorder);
}

// A group's rectangle: rounded, inset from the cell edges; an open side runs
// on past the map's edge, where the clip cuts it off, so the group reads as
// continuing at the other edge.
void DrawGroupRect(QPainter& p, const tervo::KarnaughRect& r, int inset) {
  QRectF box = QRectF(ToRect(r.box)).adjusted(inset, inset, -inset, -inset);
  const qreal past = inset + 2 * kGroupRadius;
  if (r.openLeft) box.setLeft(box.left() - past);
  if (r.openRight) box.setRight(box.right() + past);
  if (r.openTop) box.setTop(box.top() - past);
  if (r.openBottom) box.setBottom(box.bottom() + past);
  p.save();
  p.setClipRect(ToRect(r.clip));
  p.drawRoundedRect(box, kGroupRadius, kGroupRadius);
  p.restore();
}

}  // namespace

QString KarnaughWindow::Caption() { return QStringLiteral("tervo42: Karnaugh map"); }

KarnaughWindow::KarnaughWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), font_(InputPane::PaneFont()), boldFont_(font_), titleFont_(QStringLiteral("Arial")) {
  setObjectName(QStringLiteral("karnaughform"));
  setWindowTitle(Caption());
  setAttribute(Qt::WA_OpaquePaintEvent);
  boldFont_.setBold(true);
  titleFont_.setPixelSize(16);
  titleFont_.setBold(true);
  setFixedSize(tervo::kKarnaughMinWidth, 200);
}

void KarnaughWindow::ShowMap(tervo::KarnaughMap map) {
  map_ = std::move(map);
  note_.clear();
  if (map_.width > 0) setFixedSize(map_.width, map_.height);
  update();
}

void KarnaughWindow::ShowNote(const QString& note) {
  map_ = {};
  note_ = note;
  update();
}

void KarnaughWindow::PlaceBesideParent() {
  const QWidget* main = parentWidget();
  const QScreen* onScreen = main ? main->screen() : screen();
  if (main == nullptr || onScreen == nullptr) return;
  // Over the input pane, leaving the output pane in sight, and moved in
  // where the screen ends first.
  const QRect area = onScreen->availableGeometry();
  QPoint at = main->mapToGlobal(QPoint(8, 91));
  at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - width())));
  at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - height())));
  move(at);
}

void KarnaughWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void KarnaughWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPaneColor);
  if (map_.cells.empty()) {
    p.setFont(font_);
    p.setPen(Qt::black);
    p.drawText(rect().adjusted(tervo::kKarnaughMargin, 0, -tervo::kKarnaughMargin, 0),
               Qt::AlignCenter | Qt::TextWordWrap, note_);
    return;
  }

  for (const tervo::KarnaughBox& area : map_.cellAreas) DrawCellArea(p, ToRect(area), map_.rows, map_.cols);

  p.setRenderHint(QPainter::Antialiasing, true);
  for (const tervo::KarnaughGroup& g : map_.groups) {
    QColor colour{QRgb{g.rgb}};
    p.setPen(QPen(colour, kGroupPen));
    colour.setAlpha(kFillAlpha);
    p.setBrush(colour);
    for (const tervo::KarnaughRect& r : g.rects) DrawGroupRect(p, r, g.inset);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kBorder, 1));
  for (const tervo::KarnaughLine& l : map_.lines) p.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
  p.setRenderHint(QPainter::Antialiasing, false);

  // The values over the groups' light fill.
  p.setFont(font_);
  for (const tervo::KarnaughCell& cell : map_.cells) {
    const QColor ink = cell.value == tervo::KarnaughValue::kDontCare ? kDontCareInk
                       : cell.grouped                              ? kGroupedInk
                                                                   : kOtherInk;
    p.setPen(ink);
    p.drawText(ToRect(cell.box), Qt::AlignCenter, QString(QLatin1Char("01x"[static_cast<int>(cell.value)])));
  }

  for (const tervo::KarnaughSwatch& s : map_.swatches) p.fillRect(ToRect(s.box), QColor{QRgb{s.rgb}});

  p.setPen(Qt::black);
  for (const tervo::KarnaughText& t : map_.texts) {
    switch (t.role) {
      case tervo::KarnaughTextRole::kCell: continue;  // drawn with the cells' colours above
      case tervo::KarnaughTextRole::kTitle: p.setFont(titleFont_); break;
      case tervo::KarnaughTextRole::kSubmapLabel:
      case tervo::KarnaughTextRole::kLetters: p.setFont(boldFont_); break;
      default: p.setFont(font_); break;
    }
    p.drawText(ToRect(t.box), ToAlign(t.align), QString::fromStdString(t.text));
  }
}
