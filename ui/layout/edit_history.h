// Undo and redo for the input editor: the editor's content before each
// edit, kept as whole snapshots. A snapshot is small (both grids, about
// 2.7 KB), so keeping whole ones is simpler and safer than recording each
// operation's inverse, and an edit of any shape -- a typed character, a
// paste of many lines, a file load that switches the input mode -- is one
// step by construction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "engine.h"

namespace tervo {

struct EditorView;

// The editor at one moment: what an undo gives back.
struct EditorState {
  std::array<std::array<char, kGridCols>, kGridRows> FormulaGrid{};   // as Engine::FormulaGrid
  std::array<std::array<char, kTableCols>, kTableLines> TableGrid{};  // as Engine::TableGrid
  uint8_t FormulaMode = 1;                                            // 1 formula input, 0 table input
  uint8_t CursorRow = 0;                                              // cursor screen row
  uint8_t CursorCol = 0;                                              // cursor column
  int ScrollPos = 0;                                                  // table view's first line less one

  // The same grids and input mode; the cursor may differ.
  bool SameContent(const EditorState& other) const {
    return FormulaMode == other.FormulaMode && FormulaGrid == other.FormulaGrid && TableGrid == other.TableGrid;
  }
  bool operator==(const EditorState&) const = default;
};

// The editor's state as it stands, and putting a stored one back.
EditorState CaptureEditor(const Engine& e, const EditorView& view);
void RestoreEditor(const EditorState& s, Engine& e, EditorView& view);

// Two stacks of snapshots. Record pushes the state before an edit and
// forgets what could be redone; Undo and Redo trade the current state for
// the top of one stack, pushing it onto the other.
class EditHistory {
 public:
  static constexpr std::size_t kDepth = 200;  // steps kept; the oldest goes first

  void Record(const EditorState& before);
  // False, and current unchanged, when there is nothing to undo (redo).
  bool Undo(EditorState& current);
  bool Redo(EditorState& current);
  void Clear();

  std::size_t UndoSteps() const { return undo_.size(); }
  std::size_t RedoSteps() const { return redo_.size(); }

 private:
  std::deque<EditorState> undo_;  // oldest first
  std::deque<EditorState> redo_;  // most recently undone last
};

}  // namespace tervo
