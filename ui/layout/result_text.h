// The result table as text for the clipboard: as a formula in the system's
// own operators, and as the table the output pane shows.
#pragma once

#include <string>

#include "engine.h"

namespace tervo {

// The result as a formula that the editor takes back: with "CNF" selected
// the rows are products joined by "+" ("A.B+/A.C"); with "DNF" selected
// they are sums, each in brackets when it has more than one literal, joined
// by "." ("(A+B).(/C+D)"). Empty when there is nothing to write: no rows, or
// a row without any variable (a constant, which the operators cannot say).
std::string ResultFormula(const Engine& e);

// The header line and one line per row, as the output pane shows them
// ("A.B.C", then "1 x 0" and so on), each line ending in a line break.
// Empty when there are no variables.
std::string ResultTableText(const Engine& e);

}  // namespace tervo
