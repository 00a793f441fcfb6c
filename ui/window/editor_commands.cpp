// The input editor's commands in the main window: keys and typed
// characters go to the editor model (editor_model.h), and what it changed is
// repainted; clicks into the pane, the insert label, the input mode buttons
// and the input's "X".
#include <QWidget>

#include "commands.h"
#include "editor_model.h"
#include "engine.h"

namespace tervo {
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

void EditorKeyDown(CommandHost& host, int key, Qt::KeyboardModifiers modifiers) {
  if (host.engine().RunState != kRunIdle) return;
  host.HideCursor();
  EditorView& view = host.editorView();
  const int col = view.CursorCol, row = view.CursorRow;
  const bool insert = view.InsertMode;
  host.ShowEdit(host.editorModel().KeyDown(EditKeyOf(key, modifiers)), col, row);
  if (view.InsertMode != insert) host.SetInsertMode(view.InsertMode);
  host.ShowCursor();
}

void EditorKeyPress(CommandHost& host, QChar typed) {
  if (host.engine().RunState != kRunIdle) return;
  if (typed.unicode() > 127) return;
  const char ch = static_cast<char>(typed.unicode());
  if (!host.editorModel().Accepts(ch)) return;
  host.HideCursor();
  const int col = host.editorView().CursorCol, row = host.editorView().CursorRow;
  host.ShowEdit(host.editorModel().Type(ch), col, row);
  host.ShowCursor();
}

void EditorClick(CommandHost& host, int x, int y) {
  // The cursor belongs to the editor; a run has hidden it.
  if (host.engine().RunState != kRunIdle) return;
  host.HideCursor();
  int c = 0, r = 0;
  host.CellAt(x, y, c, r);
  host.PlaceCursor(c, r);
  host.ShowCursor();
}

void ToggleInsertCommand(CommandHost& host) { host.SetInsertMode(!host.editorView().InsertMode); }

void InputModeCommand(CommandHost& host) {
  if (host.engine().RunState != kRunIdle) return;
  host.HideCursor();
  host.SetInputMode(host.FormulaButtonDown());
  host.ShowCursor();
}

void UndoCommand(CommandHost& host, bool redo) {
  Engine& e = host.engine();
  if (e.RunState != kRunIdle) return;
  host.HideCursor();
  const uint8_t mode = e.FormulaMode;
  EditorModel& model = host.editorModel();
  if (!(redo ? model.Redo() : model.Undo())) {
    host.SetMessage(redo ? QStringLiteral("nothing to redo") : QStringLiteral("nothing to undo"));
    host.ShowCursor();
    return;
  }
  EditorView& view = host.editorView();
  const EditorView kept = view;
  // Back in the other input mode: its buttons, prompt and output form, as
  // a switch by hand sets them; the cursor and view stay as restored.
  if (e.FormulaMode != mode) host.SetInputMode(e.FormulaMode != 0);
  view.CursorCol = kept.CursorCol;
  view.CursorRow = kept.CursorRow;
  view.ScrollPos = kept.ScrollPos;
  host.ShowScrollPos();
  host.DrawAllRows();
  host.ShowCursor();
}

void ClearInputCommand(CommandHost& host) {
  if (host.engine().RunState != kRunIdle) return;
  host.HideCursor();
  if (host.engine().FormulaMode)
    host.ClearFormula();
  else
    host.ClearTable();
  // A new input: what was typed before it is not to be brought back.
  host.editorModel().ClearHistory();
  host.PlaceCursor(0, 0);  // an empty input starts at its first cell
  host.ShowCursor();
  host.windowWidget().setWindowTitle(QStringLiteral("tervo42:"));
}

}  // namespace tervo
