// Test input: texts put straight into the editor grids, as if typed.
#pragma once

#include <string_view>

#include "engine.h"

namespace tervo::test {

// Put text into the formula grid, row by row, '\n' starting the next row
// and a line longer than a row going on in the next. Returns false (and
// leaves the grid partly filled) when it does not fit.
inline bool SetFormulaText(Engine& e, std::string_view text) {
  for (auto& row : e.FormulaGrid) row.fill(' ');
  int row = 0, col = 0;
  for (char c : text) {
    if (c == '\n') {
      ++row;
      col = 0;
      continue;
    }
    if (col == kGridCols) {
      ++row;
      col = 0;
    }
    if (row >= kGridRows) return false;
    e.FormulaGrid[row][col++] = c;
  }
  return true;
}

// Put a typed table into the table grid: line 0 the header, then term
// lines; '\n' separates lines. Returns false when it does not fit.
inline bool SetTableText(Engine& e, std::string_view text) {
  for (auto& line : e.TableGrid) line.fill(' ');
  int line = 0, col = 0;
  for (char c : text) {
    if (c == '\n') {
      ++line;
      col = 0;
      continue;
    }
    if (line >= kTableLines || col >= kTableCols) return false;
    e.TableGrid[line][col++] = c;
  }
  return true;
}

}  // namespace tervo::test
