#include "engine.h"

#include "fast_reduce.h"

namespace tervo {

const std::array<std::string_view, kMessageCount> MessageTable = {
    " ",
    "EMPTY WINDOW",
    "SYNTAX ERROR",
    "POSTFIX TABLE OVERFLOW",
    "PRIORITY ERROR",
    "TOO MANY VARIABLES",
    "DIRECTOR TABLE OVERFLOW",
    "INCONSISTENT",
    "TAUTOLOGY",
    "too many intermediate variables",
    "enter formula...",
    "enter truth table...",
    "DUPLICATE VARIABLES",
    "MISSING VARIABLES",
    "NO EXTENSION ALLOWED IN FILE NAME",
    "WRONG FILE TYPE",
    "FILE I/O ERROR",
    "FILE NOT FOUND",
};

Engine::Engine() : Fast(std::make_unique<FastTables>()) {
  ClearGrids();
  FormulaText.fill(' ');
  ClearTruthTable();
}

Engine::~Engine() = default;

void Engine::ClearGrids() {
  for (auto& row : FormulaGrid) row.fill(' ');
  for (auto& line : TableGrid) line.fill(' ');
}

void Engine::ClearTruthTable() {
  TermValue.fill(0);
  TermMask.fill(0);
  TermCount = 0;
}

bool Engine::SetFormulaText(std::string_view text) {
  for (auto& row : FormulaGrid) row.fill(' ');
  int row = 0, col = 0;
  for (char c : text) {
    if (c == '\n') {
      ++row;
      col = 0;
      continue;
    }
    if (col == kGridCols) {  // wrap a long line onto the next row
      ++row;
      col = 0;
    }
    if (row >= kGridRows) return false;
    FormulaGrid[row][col++] = c;
  }
  return true;
}

bool Engine::SetTableText(std::string_view text) {
  for (auto& line : TableGrid) line.fill(' ');
  int line = 0, col = 0;
  for (char c : text) {
    if (c == '\n') {
      ++line;
      col = 0;
      continue;
    }
    if (line >= kTableLines || col >= kTableCols) return false;
    TableGrid[line][col++] = c;
  }
  return true;
}

}  // namespace tervo
