// The input pane: draws the editor grids (the formula grid or the table
// grid) and the blinking cursor bar. It holds no editing logic; the editor
// model changes the grids and the view state, the window asks the pane to
// repaint.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>
#include <cstdint>

#include "editor_model.h"
#include "engine.h"

class InputPane : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kCellW = 10;       // formula cell width; table text cells are 10 wide in 20-pixel columns
  static constexpr int kCellH = 18;       // row height
  static constexpr int kTableLeft = 60;   // x of table column 0
  static constexpr int kTableStep = 20;   // table column pitch
  static constexpr int kMarginRight = 50; // table left margin ends here
  static constexpr int kLineNumberRight = 40;

  explicit InputPane(QWidget* parent = nullptr);

  void setEngine(const tervo::Engine* engine, const tervo::EditorView* view);

  // Line of the table grid shown on screen row r.
  int LineOfRow(int r) const;
  // Left x of the cell of column c in the current mode.
  int CellX(int c) const;
  // x of the cursor bar for column c in the current mode.
  int CursorX(int c) const;
  // The rectangle the bar of (c, r) occupies (2 pixels wide, one row high).
  QRect CursorRect(int c, int r) const;
  // Screen position (column, row) for a click at (x, y), clamped to the grid.
  void CellAt(int x, int y, int& col, int& row) const;

  // Repaint requests: one row, every row, the cursor bar of (c, r).
  void DrawRow(int r);
  void DrawAllRows();
  void DrawCursorAt(int c, int r);

  // The pane's font: a fixed-pitch face with a 16-pixel character height.
  static QFont PaneFont();

 signals:
  // Any mouse button went down at (x, y).
  void mouseDown(int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool formulaMode() const { return engine_ == nullptr || engine_->FormulaMode != 0; }
  char cellChar(int c, int r) const;

  const tervo::Engine* engine_ = nullptr;
  const tervo::EditorView* view_ = nullptr;
  QFont font_;
};
