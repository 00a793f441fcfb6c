#include "input_pane.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <string>

#include "pane_widgets.h"
#include "text_format.h"

namespace {
const QColor kGrey(192, 192, 192);
const QColor kEvenLine(255, 255, 255);
const QColor kOddLine(224, 224, 224);
const QColor kCursorColor(0, 0, 255);
}  // namespace

InputPane::InputPane(QWidget* parent) : QWidget(parent), font_(PaneFont()) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QFont InputPane::PaneFont() {
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPixelSize(16);
  return f;
}

void InputPane::setEngine(const tervo::Engine* engine, const tervo::EditorView* view) {
  engine_ = engine;
  view_ = view;
  update();
}

int InputPane::LineOfRow(int r) const { return r == 0 ? 0 : r + (view_ ? view_->ScrollPos : 0); }

int InputPane::CellX(int c) const { return formulaMode() ? kCellW * c : kTableLeft + kTableStep * c; }

int InputPane::CursorX(int c) const { return formulaMode() ? kCellW * c + 1 : kTableLeft + kTableStep * c; }

QRect InputPane::CursorRect(int c, int r) const { return QRect(CursorX(c), kCellH * r, 2, kCellH - 1); }

void InputPane::CellAt(int x, int y, int& col, int& row) const {
  row = std::clamp(y / kCellH, 0, tervo::kGridRows - 1);
  if (formulaMode()) {
    col = std::clamp(x / kCellW, 0, tervo::kGridCols - 1);
  } else {
    // A click right of the last column takes the last column.
    col = std::clamp((std::max(x, kTableLeft) - kTableLeft) / kTableStep, 0, tervo::kTableCols - 1);
  }
}

void InputPane::DrawRow(int r) { update(QRect(0, kCellH * r, width(), kCellH)); }

void InputPane::DrawAllRows() { update(); }

void InputPane::DrawCursorAt(int c, int r) { update(CursorRect(c, r)); }

char InputPane::cellChar(int c, int r) const {
  if (!engine_) return ' ';
  if (formulaMode()) return engine_->FormulaGrid[r][c];
  const int line = LineOfRow(r);
  if (line < 0 || line >= tervo::kTableLines) return ' ';
  return engine_->TableGrid[line][c];
}

void InputPane::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setFont(font_);
  p.setPen(Qt::black);
  const int ascent = QFontMetrics(font_).ascent();
  const QRect dirty = event->rect();
  const int firstRow = std::max(0, dirty.top() / kCellH);
  const int lastRow = std::min(tervo::kGridRows - 1, dirty.bottom() / kCellH);

  auto drawChar = [&](int x, int y, char ch, const QColor& bg) {
    p.fillRect(QRect(x, y, kCellW, kCellH), bg);
    if (ch != ' ') p.drawText(QPoint(x, y + ascent), QString(QLatin1Char(ch)));
  };

  if (formulaMode()) {
    p.fillRect(dirty, kPaneColor);
    for (int r = firstRow; r <= lastRow; ++r)
      for (int c = 0; c < tervo::kGridCols; ++c) drawChar(CellX(c), kCellH * r, cellChar(c, r), kPaneColor);
  } else {
    p.fillRect(QRect(0, 0, kMarginRight, height()), kGrey);
    p.fillRect(QRect(0, 0, width(), kCellH), kGrey);
    for (int r = firstRow; r <= lastRow; ++r) {
      const int y = kCellH * r;
      const QColor bg = r == 0 ? kGrey : (LineOfRow(r) % 2 == 0 ? kEvenLine : kOddLine);
      p.fillRect(QRect(kMarginRight, y, width() - kMarginRight, kCellH), bg);
      for (int c = 0; c < tervo::kTableCols; ++c) drawChar(CellX(c), y, cellChar(c, r), bg);
      if (r >= 1) {
        // Line number, three characters, right edge at x = 40.
        const std::string number = tervo::PadNumber(LineOfRow(r), 3);
        for (int i = 0; i < 3; ++i) drawChar(kLineNumberRight - kCellW * (3 - i), y, number[i], kGrey);
      }
    }
  }

  if (view_ && view_->CursorVisible) p.fillRect(CursorRect(view_->CursorCol, view_->CursorRow), kCursorColor);
}

void InputPane::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit mouseDown(pos.x(), pos.y());
  event->accept();
}
