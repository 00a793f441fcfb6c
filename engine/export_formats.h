// A result written for other tools: a Verilog module, a VHDL entity, a
// LaTeX fragment and a CSV truth table. The window's export command and
// tervo42-batch's --format both write through here, from one plain
// description of the result (ExportDesign), so a result reads the same
// whichever wrote it.
//
// How a result's rows become logic. A row is a term as the truth table
// stores it: value and care mask, bit v for input v.
//   sum of products (the window's "CNF"): the rows list where an output is
//     1; each row is the AND of its literals (input v plain where its value
//     bit is 1, inverted where 0), the output the OR of the rows.
//   product of sums (the window's "DNF"): the rows list where an output is
//     0; each row is the OR of its literals with the opposite polarity (the
//     "0"/"1" cells the output pane shows), the output the AND of the rows.
// A row with an empty mask is the constant 1 in a sum and 0 in a product;
// no rows at all give 0 for a sum and 1 for a product. An output marked
// constant is that constant whatever its rows.
//
// Names. The hardware languages get legal identifiers: every character
// other than a letter, digit or "_" becomes "_", a name that does not start
// with a letter gets "n_" in front, runs of "_" become one and a trailing
// one goes (VHDL allows neither), a reserved word of either language gets
// "_v" after it, and a name equal to an earlier one -- compared without
// case, as VHDL does -- gets "_2", "_3" ... after it. Inputs are named
// first, then the outputs, then the module.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"

namespace tervo {

enum class ExportFormat : uint8_t { kVerilog, kVhdl, kLatex, kCsv };

// "verilog", "vhdl", "latex", "csv" and back; nothing for another word.
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);
std::string_view ExportFormatName(ExportFormat f);
// The file name suffix for a format (".v", ".vhd", ".tex", ".csv").
std::string_view ExportSuffix(ExportFormat f);

// What the input function is on one assignment, for the CSV's first column
// of an output.
enum FunctionValue : uint8_t { kValue0 = 0, kValue1 = 1, kDontCare = 2 };

// One output of a result.
struct ExportOutput {
  std::string name = "f";        // as given; legalised when written
  bool productOfSums = false;    // the rows list where the output is 0
  int constant = -1;             // 0 or 1: the output is that constant
  std::vector<uint16_t> value;   // the rows as the truth table stores them
  std::vector<uint16_t> mask;
  std::vector<uint8_t> function;  // the input function per assignment (FunctionValue); empty: not known

  // The result's value on assignment a (bit v = input v).
  bool ValueAt(uint32_t a) const;
};

// A whole result: the inputs, in assignment bit order, and the outputs.
struct ExportDesign {
  std::string module = "tervo42";   // module or entity name, legalised when written
  std::vector<std::string> inputs;  // 1..15 names, input v is bit v of an assignment
  std::vector<ExportOutput> outputs;
  std::string formula;  // the formula the result came from, for LaTeX; empty for a table
};

// The text of the result in a format. Nothing (and *why set) when the
// design cannot be written: no inputs, more than 15, or no output.
std::optional<std::string> ExportText(const ExportDesign& d, ExportFormat f, std::string* why = nullptr);

// The identifiers the hardware formats use: inputs, then outputs, then the
// module, made legal and distinct as described above.
struct ExportNames {
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
  std::string module;
};
ExportNames LegalNames(const ExportDesign& d);

// ---------------------------------------------------------------- from the engine

// The engine's result as one output named "f", inputs named by the
// variable letters: its rows in the form of CnfMode, or the constant given
// (0 or 1; -1 for none). The input the result came from is the grids of
// `input` (e itself when none is given): the formula is the non-blank
// characters of its FormulaGrid in formula input, and the output's input
// function is worked out from it (InputFunction), left empty when that
// fails.
ExportDesign DesignFromEngine(const Engine& e, int constant, const Engine* input = nullptr);

// The input function of the grids in `input` (FormulaGrid or TableGrid by
// its FormulaMode), translated afresh on an engine of its own, on every
// assignment of `variables` in their order. False when the input does not
// translate or names other variables than the result has.
bool InputFunction(const Engine& input, std::string_view variables, std::vector<uint8_t>& out);

}  // namespace tervo
