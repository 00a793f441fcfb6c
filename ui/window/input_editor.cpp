#include "input_editor.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>

#include "input_pane.h"

namespace {
constexpr int kCursorOn = 800;     // blink: bar shown (ms)
constexpr int kBlinkCycle = 1000;  // on + off
}  // namespace

InputEditor::InputEditor(tervo::Engine& engine, InputPane* pane, QScrollBar* scroll, QLabel* insertLabel)
    : pane_(pane), scroll_(scroll), insertLabel_(insertLabel), model_(engine, view_) {
  QObject::connect(&blink_, &QTimer::timeout, pane_, [this] { Blink(); });
}

void InputEditor::ShowEdit(const tervo::EditResult& edit, int oldCol, int oldRow) {
  if (scroll_->value() != view_.ScrollPos) scroll_->setValue(view_.ScrollPos);
  if (edit.redraw == tervo::EditResult::kRow) pane_->DrawRow(edit.row);
  if (edit.redraw == tervo::EditResult::kAllRows) DrawAllRows();
  if (oldCol != view_.CursorCol || oldRow != view_.CursorRow) {
    pane_->DrawCursorAt(oldCol, oldRow);
    pane_->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  }
}

void InputEditor::PlaceCursor(int c, int r) {
  if (c == view_.CursorCol && r == view_.CursorRow) return;
  pane_->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  view_.CursorCol = static_cast<uint8_t>(c);
  view_.CursorRow = static_cast<uint8_t>(r);
  pane_->DrawCursorAt(c, r);
}

void InputEditor::ShowCursor() {
  view_.CursorVisible = true;
  pane_->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  blink_.start(kCursorOn);
}

void InputEditor::HideCursor() {
  blink_.stop();
  view_.CursorVisible = false;
  pane_->DrawCursorAt(view_.CursorCol, view_.CursorRow);
}

void InputEditor::Blink() {
  const int next = kBlinkCycle - blink_.interval();
  blink_.setInterval(next);
  view_.CursorVisible = next != kBlinkCycle - kCursorOn;
  pane_->DrawCursorAt(view_.CursorCol, view_.CursorRow);
}

void InputEditor::DrawAllRows() { pane_->DrawAllRows(); }

void InputEditor::SetInsertMode(bool on) {
  view_.InsertMode = on;
  insertLabel_->setText(on ? QStringLiteral("insert") : QStringLiteral("overwrite"));
}

void InputEditor::ClearFormula() {
  model_.ClearFormula();
  DrawAllRows();
}

void InputEditor::ClearTable() {
  model_.ClearTable();
  scroll_->setValue(0);
  DrawAllRows();
}

void InputEditor::ScrollTo(int value) {
  view_.ScrollPos = value;
  DrawAllRows();
}

void InputEditor::ShowScrollPos() {
  const QSignalBlocker quiet(scroll_);
  scroll_->setValue(view_.ScrollPos);
}
