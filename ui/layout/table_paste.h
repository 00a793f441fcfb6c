// Table text pasted into the table editor, read as a table: what "copy as
// table" writes ("A.B.C", "1 1 x"), a spreadsheet's rows ("1<tab>0<tab>"),
// comma-separated rows and the grid's own layout ("11 0") all give the
// cells they mean.
//
// The header line: letters, separated by nothing, ".", ",", blanks or tabs;
// letters joined by "+" mark a table of rows where the function is 0 (what
// "copy as table" writes with "DNF" selected).
// A term line: cells "1", "0" and free cells written "x", "X", "-", "2" or
// as a blank. Where the line holds a tab or a comma, these separate the
// cells, and an empty field between two of them is a free cell. Otherwise,
// when every second character is a blank ("1 x 0", "1   0"), those blanks
// only separate the cells and a blank in a cell's place is a free cell;
// in any other line ("11 0") each character is a cell.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formula_notation.h"

namespace tervo {

struct PastedTable {
  // The cells of each grid line, from the paste's first column: letters on
  // the header, "0", "1" and blanks on term lines. Shorter than the room:
  // the rest of the grid line is blank.
  std::vector<std::string> lines;
  // Rows where the function is 0 turned into rows where it is 1; how many.
  bool turned = false;
  std::size_t turnedRows = 0;
};

// Read `text` for grid lines from `firstLine` on (0 is the header), with
// `cols` columns free to the right of the paste's first column and lines
// up to `lastLine`. Refused, with the line of the text and the column of
// the character at fault, when a line is no table line or does not fit.
std::optional<TextRefusal> ReadPastedTable(std::u32string_view text, int firstLine, int cols, int lastLine,
                                           PastedTable& out);

}  // namespace tervo
