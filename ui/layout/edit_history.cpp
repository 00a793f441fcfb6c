#include "edit_history.h"

#include "editor_model.h"

namespace tervo {

EditorState CaptureEditor(const Engine& e, const EditorView& view) {
  EditorState s;
  s.FormulaGrid = e.FormulaGrid;
  s.TableGrid = e.TableGrid;
  s.FormulaMode = e.FormulaMode;
  s.CursorRow = view.CursorRow;
  s.CursorCol = view.CursorCol;
  s.ScrollPos = view.ScrollPos;
  return s;
}

void RestoreEditor(const EditorState& s, Engine& e, EditorView& view) {
  e.FormulaGrid = s.FormulaGrid;
  e.TableGrid = s.TableGrid;
  e.FormulaMode = s.FormulaMode;
  view.CursorRow = s.CursorRow;
  view.CursorCol = s.CursorCol;
  view.ScrollPos = s.ScrollPos;
}

void EditHistory::Record(const EditorState& before) {
  undo_.push_back(before);
  if (undo_.size() > kDepth) undo_.pop_front();
  redo_.clear();
}

bool EditHistory::Undo(EditorState& current) {
  if (undo_.empty()) return false;
  redo_.push_back(current);
  current = undo_.back();
  undo_.pop_back();
  return true;
}

bool EditHistory::Redo(EditorState& current) {
  if (redo_.empty()) return false;
  undo_.push_back(current);
  current = redo_.back();
  redo_.pop_back();
  return true;
}

void EditHistory::Clear() {
  undo_.clear();
  redo_.clear();
}

}  // namespace tervo
