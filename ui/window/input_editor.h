// The input pane's editor as the window shows it: the view of the grids
// (cursor, scroll position, insert mode), the blink of the cursor, and the
// repaints an edit needs. The editor model makes the edits; the window's
// commands reach both through CommandHost.
#pragma once

#include <QTimer>

#include "editor_model.h"

class InputPane;
class QLabel;
class QScrollBar;

class InputEditor {
 public:
  // The pane draws the grids of engine; scroll is the bar of table input,
  // insertLabel says insert or overwrite.
  InputEditor(tervo::Engine& engine, InputPane* pane, QScrollBar* scroll, QLabel* insertLabel);

  tervo::EditorView& view() { return view_; }
  const tervo::EditorView& view() const { return view_; }
  tervo::EditorModel& model() { return model_; }

  // Repaint what an edit changed: the scroll bar follows the view (and draws
  // all rows when it moves), then the rows named, then the cursor's old and
  // new places.
  void ShowEdit(const tervo::EditResult& edit, int oldCol, int oldRow);
  void PlaceCursor(int c, int r);
  // The cursor shows and blinks, or hides and stays hidden.
  void ShowCursor();
  void HideCursor();
  void DrawAllRows();
  void SetInsertMode(bool on);
  // Blank the formula, or the table with its scroll position.
  void ClearFormula();
  void ClearTable();
  // The scroll bar moved: the view follows.
  void ScrollTo(int value);
  // The scroll bar at the view's scroll position, without drawing.
  void ShowScrollPos();

 private:
  void Blink();

  InputPane* pane_;
  QScrollBar* scroll_;
  QLabel* insertLabel_;
  tervo::EditorView view_;
  tervo::EditorModel model_;  // edits the grids of the engine and view_
  QTimer blink_;
};
