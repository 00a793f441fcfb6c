// Test input: texts put straight into the editor grids, as if typed.
#pragma once

#include <string_view>

#include "engine.h"

namespace tervo::test {

// Put text into a grid of rows of `cols` characters, '\n' starting the next
// row. A line longer than a row goes on in the next when `wrap`, else the
// text does not fit. Returns false (and leaves the grid partly filled) when
// it does not fit.
template <class Grid>
bool FillGrid(Grid& grid, int cols, std::string_view text, bool wrap) {
  for (auto& row : grid) row.fill(' ');
  const int rows = static_cast<int>(grid.size());
  int row = 0, col = 0;
  for (char c : text) {
    if (c == '\n') {
      ++row;
      col = 0;
      continue;
    }
    if (col == cols) {
      if (!wrap) return false;
      ++row;
      col = 0;
    }
    if (row >= rows) return false;
    grid[row][col++] = c;
  }
  return true;
}

// Put text into the formula grid, row by row, '\n' starting the next row
// and a line longer than a row going on in the next. Returns false (and
// leaves the grid partly filled) when it does not fit.
inline bool SetFormulaText(Engine& e, std::string_view text) { return FillGrid(e.FormulaGrid, kGridCols, text, true); }

// Put a typed table into the table grid: line 0 the header, then term
// lines; '\n' separates lines. Returns false when it does not fit.
inline bool SetTableText(Engine& e, std::string_view text) { return FillGrid(e.TableGrid, kTableCols, text, false); }

}  // namespace tervo::test
