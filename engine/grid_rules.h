// What the editor's grids and the variable list may hold. One rule, used by
// the table reader (which turns a table header into the variable list) and
// by the formula files (which write and check that list), so that whatever
// a run leaves in the variable list can be saved and loaded back.
#pragma once

#include <array>
#include <string_view>

#include "engine.h"
#include "text_format.h"

namespace tervo {

// A variable letter as the variable list holds it.
constexpr bool IsVariableLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The variable a cell of the table header names: its letter, a lower-case
// one folded to upper case; 0 when the cell names none. A blank names none,
// and so does any other byte: a header loaded from a file may hold anything.
constexpr char HeaderCellLetter(char cell) {
  const char c = FoldUpper(cell);
  return IsVariableLetter(c) ? c : '\0';
}

// A cell of a term line that fixes its variable. Every other cell (a blank,
// or a stray byte from a file) leaves the variable free.
constexpr bool IsTermDigit(char cell) { return cell == '0' || cell == '1'; }

// What the editor lets into a cell of the formula grid: a letter A..Z, an
// operator, a bracket or a blank (typed letters are folded to upper case, so
// the grid never holds a lower-case one).
constexpr bool IsFormulaCell(char c) {
  constexpr std::string_view kSigns = " ()/.=-+>";
  return IsVariableLetter(c) || (c != '\0' && kSigns.find(c) != std::string_view::npos);
}

// What the editor lets into a cell of the table grid: a blank or a letter
// A..Z on the header line, a blank, 0 or 1 on a term line.
constexpr bool IsTableCell(char c, bool header) {
  return c == ' ' || (header ? IsVariableLetter(c) : IsTermDigit(c));
}

// A variable list as the system stores it: at most 15 letters, each a
// variable letter, none twice.
constexpr bool IsVariableList(std::string_view letters) {
  if (letters.size() > static_cast<std::size_t>(kMaxVariables)) return false;
  std::array<bool, 26> seen{};
  for (char c : letters) {
    if (!IsVariableLetter(c) || seen[c - 'A']) return false;
    seen[c - 'A'] = true;
  }
  return true;
}

}  // namespace tervo
