// The command line of tervo42-batch: the options as CLI11 reads them into
// one struct, the help text, and the combinations that are refused.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "minimal_cover.h"

namespace CLI {
class App;
}

namespace tervo::batch {

// The input a run takes: the one given, or standard input when none is.
enum class InputKind { kStandardInput, kFormula, kFormulaFile, kTable, kPla, kLoad };

struct Options {
  // As given on the command line.
  std::vector<std::string> formulaWords;  // the formula's words, joined with blanks
  std::string formulaFile;                // -f FILE ("-" standard input)
  std::string tableFile;                  // --table FILE
  std::string plaFile;                    // --pla FILE
  std::string loadName;                   // --load NAME
  std::string savePath;                   // --save PATH
  std::string format = "text";            // --format: text, pla, json, verilog, vhdl, latex or csv
  std::string minimalText;                // --minimal's seconds; "true" when given without
  bool sop = false;                       // --sop
  bool pos = false;                       // --pos or --dnf
  bool noReduce = false;                  // --no-reduce
  bool trace = false;                     // --trace
  bool perOutput = false;                 // --per-output: PLA outputs each on its own

  // Worked out from them once the command line is read (Complete).
  InputKind input = InputKind::kStandardInput;
  int inputsGiven = 0;                      // how many inputs were given; one at most runs
  bool save = false;                        // --save given
  bool minimal = false;                     // --minimal given
  double minimalSeconds = kMinimalSeconds;  // its limit
  const char* formName = "--dnf";           // the product-of-sums option as given

  // The form asked for: 1 product of sums, 0 sum of products, -1 none
  // (the input decides).
  int Form() const { return sop ? 0 : pos ? 1 : -1; }
  // A PLA file gets the cover shared by all outputs unless asked for each
  // output on its own, or for what only the reduction has (its trace, or
  // no reduction at all).
  bool SharedPla() const { return !perOutput && !noReduce && !trace; }
};

// The text after the option list in --help.
std::string HelpFooter();

// Declare every option on app, to be read into o, with the options that
// exclude each other (the inputs among them) for CLI11 to check.
void DefineOptions(CLI::App& app, Options& o);

// Fill in the fields of o worked out from what app has read.
void Complete(const CLI::App& app, Options& o);

// The first thing wrong with the options as read, as the refusal's text;
// nothing when they can run. stdinIsTerminal: no input given would mean a
// formula typed at the terminal, which is refused.
std::optional<std::string> UsageProblem(const CLI::App& app, const Options& o, bool stdinIsTerminal);

}  // namespace tervo::batch
