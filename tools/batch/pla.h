// Single-output PLA files: reading a function given by its ON-set (or its
// OFF-set) as a list of cubes, and writing a result in the same form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"

namespace tervo::batch {

// A function as read from a PLA file.
struct PlaFunction {
  unsigned inputs = 0;          // 1..15
  std::string letters;          // one variable letter per input, in column order
  bool offSet = false;          // ".type r": the rows list where the function is 0
  std::vector<uint16_t> value;  // per row: bit c is 1 where column c holds "1"
  std::vector<uint16_t> mask;   // per row: bit c is 1 where column c holds "0" or "1"
  int typeLine = 0;             // line of the ".type" keyword, 0 when absent
};

// Where and why a file was refused.
struct InputError {
  int line = 0;  // 1-based line of the file, 0 when no single line is at fault
  std::string text;
};

// Read a PLA file. Taken: comment lines ("#"), ".i" 1..15, ".o 1", ".ilb",
// ".ob", ".p", ".type f" or "fd" (rows with output 1 list the ON-set) or
// ".type r" (rows with output 0 list the OFF-set), ".e"/".end", and rows of
// "0", "1", "-" (or "2") and the output character, blanks anywhere.
// Everything else is refused with the line at fault.
std::optional<InputError> ReadPla(std::string_view text, PlaFunction& out);

// The engine's result as a PLA file: in CNF the rows are the ON-set
// (".type f", output 1); in DNF they are the OFF-set (".type r", output 0).
std::string WritePla(const Engine& e);

// The assignments that the rows of f cover, one byte per assignment (bit c
// of an assignment is the value of input column c).
std::vector<uint8_t> ListedAssignments(const PlaFunction& f);

}  // namespace tervo::batch
