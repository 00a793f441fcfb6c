#include "editor_model.h"

#include <algorithm>
#include <string_view>

#include "formula_notation.h"
#include "table_paste.h"
#include "text_format.h"

namespace tervo {

namespace {

// What a table cell takes (ch folded to upper case): a blank or a letter
// on the header line, a blank, 0 or 1 on a term line.
bool TableCellTakes(char ch, bool header) {
  const bool letter = ch >= 'A' && ch <= 'Z';
  return header ? (ch == ' ' || letter) : (ch == ' ' || ch == '0' || ch == '1');
}

}  // namespace

int EditorModel::LineOfRow(int r) const {
  if (e_.FormulaMode) return r;
  return r == 0 ? 0 : r + view_.ScrollPos;
}

int EditorModel::LastCol() const { return e_.FormulaMode ? kGridCols - 1 : kTableCols - 1; }

char* EditorModel::RowCells(int r) {
  return e_.FormulaMode ? e_.FormulaGrid[r].data() : e_.TableGrid[LineOfRow(r)].data();
}

void EditorModel::OpenLine(int r) {
  if (e_.FormulaMode) {
    for (int row = kGridRows - 1; row > r; --row) e_.FormulaGrid[row] = e_.FormulaGrid[row - 1];
    e_.FormulaGrid[r].fill(' ');
  } else {
    if (r == 0) return;  // the header line stays
    const int line = LineOfRow(r);
    for (int l = kTableLines - 1; l > line; --l) e_.TableGrid[l] = e_.TableGrid[l - 1];
    e_.TableGrid[line].fill(' ');
  }
}

void EditorModel::DeleteLine(int r) {
  if (e_.FormulaMode) {
    for (int row = r; row < kGridRows - 1; ++row) e_.FormulaGrid[row] = e_.FormulaGrid[row + 1];
    e_.FormulaGrid[kGridRows - 1].fill(' ');
  } else {
    if (r == 0) return;
    for (int l = LineOfRow(r); l < kTableLines - 1; ++l) e_.TableGrid[l] = e_.TableGrid[l + 1];
    e_.TableGrid[kTableLines - 1].fill(' ');
  }
}

bool EditorModel::ScrollTableBy(int delta) {
  const int p = view_.ScrollPos + delta;
  if (p < 0 || p > kLastScroll) return false;
  view_.ScrollPos = p;
  return true;
}

void EditorModel::ClearFormula() {
  for (auto& row : e_.FormulaGrid) row.fill(' ');
}

void EditorModel::ClearTable() {
  for (auto& line : e_.TableGrid) line.fill(' ');
  view_.ScrollPos = 0;
}

// Cells c+1..last of row r move one column left; the last cell becomes blank.
void EditorModel::CloseUpRow(int c, int r) {
  char* cells = RowCells(r);
  const int last = LastCol();
  for (int i = c; i < last; ++i) cells[i] = cells[i + 1];
  cells[last] = ' ';
}

// The Right key's move: along the row, then to column 0 of the next row.
void EditorModel::AdvanceRight(int& c, int& r) const {
  if (c < LastCol()) {
    ++c;
  } else if (r < kGridRows - 1) {
    ++r;
    c = 0;
  }
}

// In table mode Up on row 1 scrolls the view while it can; only at the top
// does the cursor go on to the header row.
void EditorModel::MoveUp(int& r) {
  if (e_.FormulaMode) {
    if (r > 0) --r;
  } else if (r >= 2) {
    --r;
  } else if (r == 1 && !ScrollTableBy(-1)) {
    r = 0;
  }
}

// The cells from column c on start a new row below row r.
void EditorModel::SplitRow(int c, int r) {
  OpenLine(r + 1);
  auto& grid = e_.FormulaGrid;
  for (int i = c; i <= LastCol(); ++i) {
    grid[r + 1][i - c] = grid[r][i];
    grid[r][i] = ' ';
  }
}

EditResult EditorModel::Enter(int& c, int& r) {
  const bool formula = e_.FormulaMode != 0;
  if (formula && view_.InsertMode && r < kGridRows - 1) {
    SplitRow(c, r);
    c = 0;
    ++r;
  } else {
    c = 0;
    if (r < kGridRows - 1)
      ++r;
    else if (!formula)
      ScrollTableBy(1);
  }
  return {EditResult::kAllRows, 0};
}

EditResult EditorModel::KeyDown(EditKey key) {
  const Step step(*this);
  int c = view_.CursorCol;
  int r = view_.CursorRow;
  EditResult result;
  switch (key) {
    case EditKey::kOpenLine:
      OpenLine(r);
      c = 0;
      result = {EditResult::kAllRows, 0};
      break;
    case EditKey::kDeleteLine:
      c = 0;
      DeleteLine(r);
      result = {EditResult::kAllRows, 0};
      break;
    case EditKey::kLeft:
      if (c > 0)
        --c;
      else if (r > 0)
        --r;
      break;
    case EditKey::kRight:
      AdvanceRight(c, r);
      break;
    case EditKey::kUp:
      MoveUp(r);
      break;
    case EditKey::kDown:
      if (r < kGridRows - 1)
        ++r;
      else if (!e_.FormulaMode)
        ScrollTableBy(1);
      break;
    case EditKey::kHome:
      if (c != 0)
        c = 0;
      else
        r = e_.FormulaMode ? 0 : 1;
      break;
    case EditKey::kEnd: {
      const char* cells = RowCells(r);
      c = LastCol();
      while (c > 0 && cells[c] == ' ') --c;
      break;
    }
    case EditKey::kInsert:
      view_.InsertMode = !view_.InsertMode;
      break;
    case EditKey::kBackspace:
      if (c > 0) {
        --c;
        CloseUpRow(c, r);
        result = {EditResult::kRow, r};
      }
      break;
    case EditKey::kDelete:
      CloseUpRow(c, r);
      result = {EditResult::kRow, r};
      break;
    case EditKey::kEnter:
      result = Enter(c, r);
      break;
    case EditKey::kNone:
      break;
  }
  view_.CursorCol = static_cast<uint8_t>(c);
  view_.CursorRow = static_cast<uint8_t>(r);
  return result;
}

bool EditorModel::Accepts(char typed) const {
  const char ch = FoldUpper(typed);
  if (e_.FormulaMode) {
    static constexpr std::string_view kOperators = " ()/.=-+>";
    return (ch >= 'A' && ch <= 'Z') || (ch != '\0' && kOperators.find(ch) != std::string_view::npos);
  }
  return TableCellTakes(ch, view_.CursorRow == 0);
}

EditResult EditorModel::Type(char typed) {
  const Step step(*this);
  const char ch = FoldUpper(typed);
  int c = view_.CursorCol;
  int r = view_.CursorRow;
  char* cells = RowCells(r);
  // Table mode always overwrites.
  if (e_.FormulaMode && view_.InsertMode)
    for (int i = LastCol(); i > c; --i) cells[i] = cells[i - 1];
  cells[c] = ch;
  const EditResult result{EditResult::kRow, r};
  AdvanceRight(c, r);
  view_.CursorCol = static_cast<uint8_t>(c);
  view_.CursorRow = static_cast<uint8_t>(r);
  return result;
}

// ---------------------------------------------------------------- undo

// Only the outermost Step records: a paste types and presses Enter through
// KeyDown and Type, whose own Steps are inside it.
EditorModel::Step::Step(EditorModel& model) : model_(model), outer_(model.openSteps_++ == 0) {
  if (outer_) before_ = CaptureEditor(model.e_, model.view_);
}

EditorModel::Step::~Step() {
  --model_.openSteps_;
  if (outer_ && !before_.SameContent(CaptureEditor(model_.e_, model_.view_))) model_.history_.Record(before_);
}

bool EditorModel::Undo() {
  EditorState s = CaptureEditor(e_, view_);
  if (!history_.Undo(s)) return false;
  RestoreEditor(s, e_, view_);
  return true;
}

bool EditorModel::Redo() {
  EditorState s = CaptureEditor(e_, view_);
  if (!history_.Redo(s)) return false;
  RestoreEditor(s, e_, view_);
  return true;
}

// ---------------------------------------------------------------- paste

PasteResult EditorModel::Paste(std::u32string_view text) {
  const Step step(*this);  // the whole paste is one step
  PasteResult out;
  if (e_.FormulaMode)
    PasteFormula(text, out);
  else
    PasteTable(text, out);
  return out;
}

void EditorModel::PasteFormula(std::u32string_view written, PasteResult& out) {
  std::string text;
  if (auto refusal = TranslateFormula(written, text)) {
    out.refusal = refusal->Text();
    return;
  }
  bool full = false;  // the cursor stands on the last cell, already written
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || text[i] == '\r') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      // Enter on the last row writes nothing and goes nowhere: what
      // follows would overwrite that row.
      if (view_.CursorRow == kGridRows - 1) {
        full = true;
        continue;
      }
      KeyDown(EditKey::kEnter);
      continue;
    }
    if (full) {
      ++out.leftOut;
      continue;
    }
    const int c = view_.CursorCol, r = view_.CursorRow;
    Type(text[i]);
    ++out.placed;
    if (view_.CursorCol == c && view_.CursorRow == r) full = true;
  }
}

void EditorModel::PasteTable(std::u32string_view text, PasteResult& out) {
  const int firstCol = view_.CursorCol;
  const int firstLine = LineOfRow(view_.CursorRow);
  PastedTable table;
  if (auto refusal = ReadPastedTable(text, firstLine, kTableCols - firstCol, kTableLines - 1, table)) {
    out.refusal = refusal->Text();
    // The text's line numbers are not the table's, which the pane shows.
    const int line = firstLine + refusal->line - 1;
    if (refusal->line > 0 && line < kTableLines) {
      const std::string where = "line " + std::to_string(refusal->line);
      out.refusal.insert(where.size(), line == 0 ? " (the header)" : " (table line " + std::to_string(line) + ")");
    }
    return;
  }
  int line = firstLine;
  for (const std::string& cells : table.lines) {
    auto& grid = e_.TableGrid[line++];
    std::fill(grid.begin() + firstCol, grid.end(), ' ');
    std::copy(cells.begin(), cells.end(), grid.begin() + firstCol);
    out.placed += static_cast<unsigned>(std::count_if(cells.begin(), cells.end(), [](char c) { return c != ' '; }));
  }
  if (table.turned)
    out.note = "the rows where the function is 0 went in as the " + std::to_string(table.turnedRows) +
               " rows where it is 1";
  // The cursor after the last cell, or at the start of the next line when
  // the text ends with a line break; on a line the view shows.
  int col = firstCol;
  const bool endsLine = !text.empty() && (text.back() == U'\n' || text.back() == U'\r');
  if (table.lines.empty() || endsLine || table.turned) {
    line = std::max(line, firstLine);
  } else {
    --line;
    col += static_cast<int>(table.lines.back().size());
  }
  line = std::min(line, kTableLines - 1);
  col = std::min(col, kTableCols - 1);
  int row = 0;
  if (line > 0) {
    if (line - view_.ScrollPos < 1) view_.ScrollPos = line - 1;
    if (line - view_.ScrollPos > kGridRows - 1) view_.ScrollPos = line - (kGridRows - 1);
    row = line - view_.ScrollPos;
  }
  view_.CursorCol = static_cast<uint8_t>(col);
  view_.CursorRow = static_cast<uint8_t>(row);
}

}  // namespace tervo
