// The input editor in the main window: keys and typed characters go to the
// editor model (editor_model.h), and what it changed is repainted; the blink
// of the cursor; the input mode, insert mode and the editor's controls.
#include <QScrollBar>
#include <QSignalBlocker>

#include "Unit1.h"
#include "ui_Unit1.h"

using tervo::Engine;

namespace {
constexpr int kCursorOn = 800;     // blink: bar shown (ms)
constexpr int kBlinkCycle = 1000;  // on + off
}  // namespace

namespace {

// The editor's name for a key. Ctrl alone with N or Y opens or deletes a
// line; Ctrl with any other key counts as the key itself.
tervo::EditKey EditKeyOf(int key, Qt::KeyboardModifiers modifiers) {
  using tervo::EditKey;
  const bool ctrlOnly = (modifiers & Qt::ControlModifier) && !(modifiers & (Qt::ShiftModifier | Qt::AltModifier));
  if (ctrlOnly && key == Qt::Key_N) return EditKey::kOpenLine;
  if (ctrlOnly && key == Qt::Key_Y) return EditKey::kDeleteLine;
  switch (key) {
    case Qt::Key_Left: return EditKey::kLeft;
    case Qt::Key_Right: return EditKey::kRight;
    case Qt::Key_Up: return EditKey::kUp;
    case Qt::Key_Down: return EditKey::kDown;
    case Qt::Key_Home: return EditKey::kHome;
    case Qt::Key_End: return EditKey::kEnd;
    case Qt::Key_Insert: return EditKey::kInsert;
    case Qt::Key_Backspace: return EditKey::kBackspace;
    case Qt::Key_Delete: return EditKey::kDelete;
    case Qt::Key_Return:
    case Qt::Key_Enter: return EditKey::kEnter;
    default: return EditKey::kNone;
  }
}
}  // namespace

void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  const int col = view_.CursorCol, row = view_.CursorRow;
  const bool insert = view_.InsertMode;
  ShowEdit(editor_.KeyDown(EditKeyOf(key, modifiers)), col, row);
  if (view_.InsertMode != insert) SetInsertMode(view_.InsertMode);
  ShowCursor();
}

void TForm1::FormKeyPress(QChar typed) {
  if (engine_->RunState != tervo::kRunIdle) return;
  if (typed.unicode() > 127) return;
  const char ch = static_cast<char>(typed.unicode());
  if (!editor_.Accepts(ch)) return;
  HideCursor();
  const int col = view_.CursorCol, row = view_.CursorRow;
  ShowEdit(editor_.Type(ch), col, row);
  ShowCursor();
}

// Repaint what an edit changed: the scroll bar follows the view (and draws
// all rows when it moves), then the rows named, then the cursor's old and
// new places.
void TForm1::ShowEdit(const tervo::EditResult& edit, int oldCol, int oldRow) {
  if (ui_->inputscrollbar->value() != view_.ScrollPos) ui_->inputscrollbar->setValue(view_.ScrollPos);
  if (edit.redraw == tervo::EditResult::kRow) ui_->inputbox->DrawRow(edit.row);
  if (edit.redraw == tervo::EditResult::kAllRows) DrawAllRows();
  if (oldCol != view_.CursorCol || oldRow != view_.CursorRow) {
    ui_->inputbox->DrawCursorAt(oldCol, oldRow);
    ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  }
}

// ---------------------------------------------------------------- cursor, modes and controls

void TForm1::PlaceCursor(int c, int r) {
  if (c == view_.CursorCol && r == view_.CursorRow) return;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  view_.CursorCol = static_cast<uint8_t>(c);
  view_.CursorRow = static_cast<uint8_t>(r);
  ui_->inputbox->DrawCursorAt(c, r);
}

void TForm1::ShowCursor() {
  view_.CursorVisible = true;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  Timer1.start(kCursorOn);
}

void TForm1::HideCursor() {
  Timer1.stop();
  view_.CursorVisible = false;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
}

void TForm1::Timer1Timer() {
  const int next = kBlinkCycle - Timer1.interval();
  Timer1.setInterval(next);
  view_.CursorVisible = next != kBlinkCycle - kCursorOn;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
}

void TForm1::DrawAllRows() { ui_->inputbox->DrawAllRows(); }

void TForm1::SetInputMode(bool formula) {
  Engine& e = *engine_;
  e.FormulaMode = formula ? 1 : 0;
  SetInsertMode(formula);
  (formula ? ui_->forminbtn : ui_->tablebtn)->setChecked(true);
  ui_->inputscrollbar->setValue(0);
  ui_->inputscrollbar->setVisible(!formula);
  ui_->insertlabel->setEnabled(formula);
  ShowMessage(tervo::MessageTable[formula ? tervo::kEnterFormula : tervo::kEnterTable]);
  if (!formula) {
    // Tables are read in the CNF sense. A result collected in the DNF sense
    // would read as its opposite, so it goes.
    if (e.CnfMode == 0) {
      e.CnfMode = 1;
      ClearResult();
      DrawOutputPane();
    }
    ui_->cnfBtn->setChecked(true);
  }
  const bool outputFormChoosable = formula && e.RunState == tervo::kRunIdle;
  ui_->cnfBtn->setEnabled(outputFormChoosable);
  ui_->dnfBtn->setEnabled(outputFormChoosable);
  DrawAllRows();
  PlaceCursor(0, 0);
}

void TForm1::SetInsertMode(bool on) {
  view_.InsertMode = on;
  ui_->insertlabel->setText(on ? QStringLiteral("insert") : QStringLiteral("overwrite"));
}

void TForm1::SetReduce(bool on) {
  ui_->reducecheckbox->setChecked(on);
  engine_->ReduceOn = on ? 1 : 0;
  ui_->minimalcheckbox->setEnabled(on);
}

void TForm1::ClearFormula() {
  editor_.ClearFormula();
  DrawAllRows();
}

void TForm1::ClearTable() {
  editor_.ClearTable();
  ui_->inputscrollbar->setValue(0);
  DrawAllRows();
}

void TForm1::inputboxMouseDown(int x, int y) {
  // The cursor belongs to the editor; a run has hidden it.
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  int c = 0, r = 0;
  ui_->inputbox->CellAt(x, y, c, r);
  PlaceCursor(c, r);
  ShowCursor();
}

void TForm1::inputscrollbarChange(int value) {
  view_.ScrollPos = value;
  DrawAllRows();
}

void TForm1::insertlabelClick() { SetInsertMode(!view_.InsertMode); }

void TForm1::forminbtnClick() {
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  SetInputMode(ui_->forminbtn->isChecked());
  ShowCursor();
}

void TForm1::UndoEdit(bool redo) {
  Engine& e = *engine_;
  if (e.RunState != tervo::kRunIdle) return;
  HideCursor();
  const uint8_t mode = e.FormulaMode;
  if (!(redo ? editor_.Redo() : editor_.Undo())) {
    SetMessage(redo ? QStringLiteral("nothing to redo") : QStringLiteral("nothing to undo"));
    ShowCursor();
    return;
  }
  const tervo::EditorView kept = view_;
  // Back in the other input mode: its buttons, prompt and output form, as
  // a switch by hand sets them; the cursor and view stay as restored.
  if (e.FormulaMode != mode) SetInputMode(e.FormulaMode != 0);
  view_.CursorCol = kept.CursorCol;
  view_.CursorRow = kept.CursorRow;
  view_.ScrollPos = kept.ScrollPos;
  {
    const QSignalBlocker quiet(ui_->inputscrollbar);
    ui_->inputscrollbar->setValue(view_.ScrollPos);
  }
  DrawAllRows();
  ShowCursor();
}

void TForm1::inclearBtnClick() {
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  if (engine_->FormulaMode)
    ClearFormula();
  else
    ClearTable();
  // A new input: what was typed before it is not to be brought back.
  editor_.ClearHistory();
  PlaceCursor(0, 0);  // an empty input starts at its first cell
  ShowCursor();
  setWindowTitle(QStringLiteral("tervo42:"));
}

