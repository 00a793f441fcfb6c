// The input editor's operations on the grids, without a window: typing in
// insert or overwrite mode, line insert and delete, cursor moves and the
// table view's scrolling. The window turns its keys into EditKey values,
// calls these and repaints what the answer names; tests call them directly.
// Every edit that changes the grids is one step of the undo history.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "edit_history.h"
#include "engine.h"

namespace tervo {

// The editor's state besides the grids, which live in the Engine.
struct EditorView {
  uint8_t CursorRow = 0;       // cursor screen row, 0..29
  uint8_t CursorCol = 0;       // cursor column, 0..39 formula, 0..14 table
  bool InsertMode = true;      // typing inserts (formula mode only)
  int ScrollPos = 0;           // table view: screen row r >= 1 shows line r + ScrollPos
  bool CursorVisible = false;  // the bar is drawn (blink phase and not hidden)
};

// The keys the editor acts on.
enum class EditKey : uint8_t {
  kLeft,
  kRight,
  kUp,
  kDown,
  kHome,
  kEnd,
  kInsert,
  kBackspace,
  kDelete,
  kEnter,
  kOpenLine,    // Ctrl+N
  kDeleteLine,  // Ctrl+Y
  kNone,        // any other key: nothing happens
};

// What an operation changed on the screen.
struct EditResult {
  enum Redraw : uint8_t { kNothing, kRow, kAllRows };
  Redraw redraw = kNothing;  // cells to draw again
  int row = 0;               // the screen row, for kRow
};

// What a paste did.
struct PasteResult {
  unsigned placed = 0;   // characters or cells put into the grid
  unsigned leftOut = 0;  // formula characters that found no room
  // Not empty when the paste was refused and put nothing in: where in the
  // pasted text and why ("line 2, column 3: ...").
  std::string refusal;
  // Not empty when the paste changed the form of what was pasted: a table
  // of rows where the function is 0, turned into rows where it is 1.
  std::string note;
};

class EditorModel {
 public:
  static constexpr int kLastScroll = 71;  // table view: highest scroll position

  EditorModel(Engine& e, EditorView& view) : e_(e), view_(view) {}

  // Line of the grid on screen row r: r in formula mode; in table mode 0
  // for the header row, r + ScrollPos below it.
  int LineOfRow(int r) const;
  // Last column of the current mode's grid.
  int LastCol() const;

  // A key went down. Moves the cursor and edits the grid.
  EditResult KeyDown(EditKey key);
  // True when the character (after folding a..z to A..Z) may be typed at
  // the cursor.
  bool Accepts(char typed) const;
  // Type an accepted character at the cursor and advance as Right does.
  EditResult Type(char typed);

  // Paste text. In formula mode the text is first put in the system's own
  // notation (TranslateFormula), then typed: a line break acts as Enter,
  // and where typing would write the last cell again the rest is left out.
  // In table mode the text is read as a table (ReadPastedTable) and each
  // of its lines fills one grid line from the cursor's column, the rest of
  // that line blank. A character that cannot be translated or a line that
  // is no table line (or does not fit) refuses the whole paste: nothing is
  // put in. The cursor ends after the last character, as typing leaves
  // it; in table mode the view scrolls to show it.
  PasteResult Paste(std::u32string_view text);

  // Rows r..28 move down, row r becomes blank (formula); in table mode the
  // same with lines, and nothing on the header row.
  void OpenLine(int r);
  // Rows r+1..29 move up, the last row becomes blank (formula); in table
  // mode the same with lines, and nothing on the header row.
  void DeleteLine(int r);
  // Scroll the table view by delta lines; false (and nothing changes) past
  // either end.
  bool ScrollTableBy(int delta);

  void ClearFormula();
  void ClearTable();  // also scrolls the view to the top

  // ------------------------------------------------------------ undo
  // One edit for the undo history: the editor's state when the outermost
  // Step begins is recorded when that Step ends, if the grids or the input
  // mode have changed by then. KeyDown, Type and Paste each make one; an
  // edit done elsewhere (a file load) makes its own around it, so that it
  // is one step however many of the model's edits it is made of.
  class Step {
   public:
    explicit Step(EditorModel& model);
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

   private:
    EditorModel& model_;
    bool outer_;
    EditorState before_;
  };

  // Put back the state before the last edit (after the last undone one):
  // grids, input mode, cursor and table view. False when there is none.
  bool Undo();
  bool Redo();
  // Forget every step (a new, empty input).
  void ClearHistory() { history_.Clear(); }
  const EditHistory& history() const { return history_; }

 private:
  char* RowCells(int r);
  void CloseUpRow(int c, int r);
  void AdvanceRight(int& c, int& r) const;
  void MoveUp(int& r);
  void SplitRow(int c, int r);
  EditResult Enter(int& c, int& r);
  void PasteFormula(std::u32string_view text, PasteResult& out);
  void PasteTable(std::u32string_view text, PasteResult& out);

  Engine& e_;
  EditorView& view_;
  EditHistory history_;
  int openSteps_ = 0;  // Steps begun and not yet ended
};

}  // namespace tervo
