// The outputs of a PLA file run one after the other: each output's function
// reduced on its own (its ON-set together with its don't-cares, or its
// OFF-set together with them for a product of sums), checked on its own,
// and the results written as text, JSON or one multi-output PLA file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine.h"
#include "minimal_cover.h"
#include "multi_cover.h"
#include "pla.h"
#include "run.h"

namespace tervo::batch {

// The result of one output.
struct OutputResult {
  RunOutcome run;
  int constant = -1;             // 0 or 1 for an output that is constant on the rows it cares about
  std::vector<uint16_t> value;  // its terms as the truth table stores them
  std::vector<uint16_t> mask;
};

// The result of a whole file.
struct PlaRun {
  bool pos = false;                   // product of sums: the OFF-sets were reduced
  bool interrupted = false;           // Ctrl+C ended the run; outputs holds those begun
  std::vector<OutputResult> outputs;  // in file order
  bool shared = false;                // one cover shared by all outputs (RunSharedPla)
  MultiCoverInfo cover;               // ... what its search found
  uint32_t rows = 0;                  // ... its terms, each counted once
  std::string message;                // ... the message line of the whole file
  double seconds = 0;                 // ... the time of the whole search
};

// The rows of every output, refused as a whole when an assignment is listed
// both ON and OFF somewhere: nothing runs then.
std::optional<InputError> AllOutputStates(const PlaFile& f, std::vector<std::vector<RowState>>& states);

// The state whose rows a form reduces: ON for a sum of products, OFF for a
// product of sums.
inline RowState TargetState(bool pos) { return pos ? RowState::kOff : RowState::kOn; }

// The table stage of one output: the letters of the file and the rows of
// the target set and the don't-cares as the truth table. The file's own
// cubes are taken when they give these sets exactly; otherwise the rows
// one by one.
void LoadOutput(Engine& e, const PlaFile& f, unsigned k, const std::vector<RowState>& states, bool pos);

// Remove the terms that cover no row of the target set (they cover only
// don't-cares), and, when the run reduces, those whose target rows other
// terms cover as well, taken in table order.
void DropUnneededTerms(Engine& e, const std::vector<RowState>& states, bool pos);

// True when the truth table covers every target row and no row of the
// opposite set; don't-cares may fall either way.
bool VerifyOutput(const Engine& e, const std::vector<RowState>& states, bool pos);

// Run every output. An output that is constant on the rows it cares about
// is a result without a run: no terms for the constant the form does not
// list, one term of no variable for the other. Checks the interrupt flag
// before each output and stops there. With a cover search given, each
// output's cover is searched in the reduction's place: the target rows are
// the rows to cover and the don't-cares may be used by its terms.
PlaRun RunPla(Engine& e, RunHost& host, const PlaFile& f, const std::vector<std::vector<RowState>>& states, bool pos,
              CoverSearch* cover = nullptr, double minimalSeconds = kMinimalSeconds);

// Every output of the file covered by one list of terms, a term serving
// each output that needs it (for a product of sums: the OFF-sets, with the
// don't-cares free either way), searched for at most `seconds` in all. Each
// output is checked on its own: every target row covered by a term serving
// it, no row of the opposite set. Ctrl+C keeps the best cover found so far.
PlaRun RunSharedPla(Engine& e, RunHost& host, const PlaFile& f, const std::vector<std::vector<RowState>>& states,
                    bool pos, double seconds = kMinimalSeconds);

// The exit status of a whole file: 130 interrupted, 3 when any output fails
// its verification, 1 when one ended with a message, else 0.
int PlaExitStatus(const PlaRun& run);

// The message line of a whole file: for a shared cover its own; else the
// first output's that is not "OK: ", else the first output's.
std::string PlaMessage(const PlaRun& run);

// The results as text: for several outputs each table follows a line
// naming its output; a line giving the file's input names comes first when
// they are not the letters.
std::string PlaTextReport(const Engine& e, const PlaFile& f, const PlaRun& run);

// The results as JSON: the letters, names, mode and form once, then one
// object per output.
nlohmann::ordered_json PlaJsonResult(const Engine& e, const PlaFile& f, const PlaRun& run);

// The terms of every output as one cover of the function the form covers
// (TargetFunction of pla_wide.h): each distinct term once, '1' for the
// outputs it serves, else '0'; for the cover checker.
minimiser::Pla CoverOfRun(const PlaFile& f, const PlaRun& run);

// The results as one PLA file of the same inputs, outputs and names: a cube
// shared by several outputs is written once (a shared cover's terms are
// each written once by themselves). ".type f" for a sum of
// products (1 where the cube belongs to an output, else 0), ".type r" for a
// product of sums (0 where it belongs, else ~).
std::string WritePlaResults(const PlaFile& f, const PlaRun& run);

}  // namespace tervo::batch
