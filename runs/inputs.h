// The tool's inputs put where a run takes them from: a formula into the
// formula grid, a typed table into the table grid, a PLA function into the
// variable and truth tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"
#include "pla.h"

namespace tervo::batch {

// Drop the UTF-8 byte-order mark that some editors write at the start of a
// text file; it is no character of the text.
void DropByteOrderMark(std::string& text);

// Put a formula into the formula grid. Blanks and line breaks carry no
// meaning: a text whose lines fit the grid keeps its layout, any other is
// packed row by row. Letters are stored in upper case, as the editor does.
// Refused when it holds more than 1200 non-blank characters.
std::optional<InputError> PlaceFormula(Engine& e, std::string_view text);

// Put a typed table into the table grid: the first line is the header
// (character j is column j), the others are term lines of "0", "1" and
// blanks; at most 15 columns and 100 term lines.
std::optional<InputError> PlaceTable(Engine& e, std::string_view text);

// Put a PLA function into the table grid, when it fits there: the header
// and one line per row. False when it has more than 100 rows.
bool PlacePlaInTableGrid(Engine& e, const PlaFunction& f);

}  // namespace tervo::batch
