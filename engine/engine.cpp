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

}  // namespace tervo
