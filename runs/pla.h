// PLA files: one or more Boolean functions of the same inputs, given row by
// row as cubes with one character per output; and the results written back
// in the same form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"
#include "tervo/pla.h"

namespace tervo::batch {

// Where and why an input was refused.
struct InputError {
  int line = 0;  // 1-based line of the file, 0 when no single line is at fault
  std::string text;
  int column = 0;  // 1-based column of the line, 0 when none is named
};

// The sets that the output characters of a file list, as ".type" chooses:
// "f" the ON-set, "r" the OFF-set, "fd" (the default) the ON-set and the
// don't-care set, "fr", "dr" and "fdr" the others.
enum PlaSets : uint8_t { kListsOn = 1, kListsDc = 2, kListsOff = 4 };

// What one output is on one assignment of the inputs.
enum class RowState : uint8_t { kOff = 0, kOn = 1, kDontCare = 2 };

using minimiser::kMaxPlaOutputs;

// A PLA file of at most 15 inputs, as the engine's table takes it.
struct PlaFile {
  unsigned inputs = 0;                   // 1..15
  unsigned outputs = 0;                  // 1..1024
  std::vector<std::string> inputNames;   // ".ilb", empty when absent
  std::vector<std::string> outputNames;  // ".ob", empty when absent
  std::string letters;                   // the engine's letter for each input, in column order
  std::string type = "fd";               // ".type" as written, "fd" when absent
  uint8_t sets = kListsOn | kListsDc;    // PlaSets of the type
  int typeLine = 0;                      // line of ".type", 0 when absent
  int outputsLine = 0;                   // line of ".o"
  // The rows in file order: the cube (bit c of value is 1 where input c is
  // "1"; bit c of mask is 1 where it is "0" or "1"), the line it stands on,
  // and its output characters, rows x outputs of them, each one of '1'
  // (written "1" or "4"), '0', '-' (written "-" or "2") or '~' ("~", "3").
  std::vector<uint16_t> value;
  std::vector<uint16_t> mask;
  std::vector<int> rowLine;
  std::string outs;

  char Out(std::size_t row, unsigned k) const { return outs[row * outputs + k]; }
  // The ".ob" name of output k (0-based), or "" when the file names none.
  std::string_view OutputName(unsigned k) const {
    return outputNames.empty() ? std::string_view() : std::string_view(outputNames[k]);
  }
};

// A refusal of the library's reader as the tool reports it.
InputError FromPlaError(const minimiser::PlaError& err);

// True when a file read fits the engine's table: at most 15 inputs and
// kTermCapacity rows.
bool IsNarrow(const minimiser::Pla& p);

// A file read by the library's reader in the engine's form; refused when
// it does not fit the table (more than 15 inputs or kTermCapacity rows).
std::optional<InputError> NarrowPlaFile(const minimiser::Pla& p, PlaFile& out);

// Read a PLA file (minimiser::ReadPla: every construct of the format, any
// width) into the engine's form: files of more than 15 inputs are refused.
std::optional<InputError> ReadPlaFile(std::string_view text, PlaFile& out);

// The keywords the reader knows, one item per line as the help lists
// them: what each one taken gives, and why each one refused is refused.
std::string PlaKeywordHelp();

// The ON, OFF and don't-care rows of output k, one entry per assignment
// (bit c of an assignment is the value of input column c). What the file
// does not list is OFF when it lists only the ON-set (with or without
// don't-cares), ON when it lists only the OFF-set, and don't-care when it
// lists both. A listed don't-care wins over ON and OFF; an assignment listed
// both ON and OFF is refused with the lines that list it.
std::optional<InputError> OutputStates(const PlaFile& f, unsigned k, std::vector<RowState>& states);

// Call visit(a) for every assignment a of `inputs` inputs that agrees with
// the cube (value, mask) on its fixed columns.
template <typename Visit>
void ForEachAssignment(unsigned inputs, uint16_t value, uint16_t mask, Visit visit) {
  const auto free = static_cast<uint16_t>(((1u << inputs) - 1) & ~mask);
  const auto base = static_cast<uint16_t>(value & mask);
  uint16_t s = free;
  while (true) {
    visit(static_cast<uint16_t>(base | s));
    if (s == 0) break;
    s = static_cast<uint16_t>((s - 1) & free);
  }
}

// The inputs of assignment a as the file writes them ("0110" for four inputs).
std::string AssignmentText(unsigned inputs, uint16_t a);

// One fully specified function given by the rows of one set: what a typed
// table holds.
struct PlaFunction {
  unsigned inputs = 0;          // 1..15
  std::string letters;          // one variable letter per input, in column order
  bool offSet = false;          // ".type r": the rows list where the function is 0
  std::vector<uint16_t> value;  // per row: bit c is 1 where column c holds "1"
  std::vector<uint16_t> mask;   // per row: bit c is 1 where column c holds "0" or "1"
  int typeLine = 0;             // line of the ".type" keyword, 0 when absent
};

// Read a PLA file that holds one such function: a single output, and every
// row listing the ON-set (".type f" or "fd", output 1) or every row the
// OFF-set (".type r", output 0). Files with several outputs, don't-cares or
// rows outside the one set are refused with the line at fault.
std::optional<InputError> ReadPla(std::string_view text, PlaFunction& out);

// The engine's result as a PLA file: in CNF the rows are the ON-set
// (".type f", output 1); in DNF they are the OFF-set (".type r", output 0).
std::string WritePla(const Engine& e);

}  // namespace tervo::batch
