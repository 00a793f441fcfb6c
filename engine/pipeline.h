// The GO pipeline: one run from the editor grids to the verified result.
//
//   stage                 fills                              stop (TraceXlate)
//   CollectFormula        FormulaText                        -
//   ScanFormula           PostfixTable                       -
//   BuildVariableTable    VariableTable                      PostfixTable, Variables
//   GenerateDirectors     DirectorTable                      Directors
//   EvaluateTruthTable    TruthTable                         initial Truth Table
//   (table input: ReadTable fills VariableTable, TruthTable and InputTable;
//    a header without a term line is INCONSISTENT)
//   ReduceTruthTable      TruthTable, reduced (timed)        every step (TraceScan)
//   (or, with GoStages::cover and no Scan trace, a minimal cover search)
//   VerifyResult          -                                  -
//
// A stage that sets ErrorCode ends the run with its message; <ESC> (GoOn 0)
// skips the stages not yet entered and ends with "process terminated". The
// host -- the window, the command-line tool, a test -- decides only what is
// its own: how it draws, waits and shows the message line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine.h"
#include "minimal_cover.h"

namespace tervo {

// The debug stops of the translation, in the order a run reaches them.
enum class GoStop : uint8_t {
  kPostfixTable,
  kVariables,
  kDirectors,
  kInitialTruthTable,
};

// The message line at a stop.
std::string_view StopText(GoStop stop);

// What a run needs from its host besides the reduction's calls. Every hook
// has a default that does nothing, so a host implements only what it shows.
class GoHost : public RunHost {
 public:
  // The run starts: empty the output and info panes.
  virtual void ClearPanes() {}
  // Put a text into the message line.
  virtual void ShowMessage(std::string_view) {}
  // RunState has changed from `from` to the engine's RunState.
  virtual void RunStateChanged(uint8_t /*from*/) {}
  // Draw the table of a translation stop (WaitAtStop follows).
  virtual void DrawStop(GoStop) {}
  // The translation or the table reader has filled the TruthTable.
  virtual void TableFilled() {}
  // Draw the result table, before its verification.
  virtual void DrawResult() {}
  // The decimal separator of the time in the result message.
  virtual std::string_view DecimalPoint() const { return "."; }
};

// Stages a host may put in place of the table reader and the verification
// (for input that never passed through the TableGrid), and the minimal
// cover search in place of the reduction.
struct GoStages {
  std::function<void(Engine&)> readTable;  // fills VariableTable and TruthTable
  std::function<bool(Engine&)> verify;     // true when the result is right
  // With a cover search given (and the Scan trace off), it replaces the
  // reduction, in its place and its timing: for at most minimalSeconds when
  // given, else (kNoTimeLimit) within the search's budget of work.
  // ESC during it keeps the best cover found so far as the run's result.
  CoverSearch* cover = nullptr;
  double minimalSeconds = kMinimalSeconds;
};

// How a run ended.
struct RunOutcome {
  bool ended = false;      // the run was ended before its result ("process terminated")
  bool drawn = false;      // the result table was drawn (it may be empty)
  bool verifyRan = false;  // the verification ran
  bool verified = false;   // ... and held
  uint8_t code = kOk;      // ErrorCode at the end
  double seconds = 0;      // time of the reduction, 0 when it did not run
  std::string message;     // the final message line
  bool minimal = false;    // the minimal cover search ran in the reduction's place
  CoverInfo cover;         // ... and what it found
};

// One whole run. The input (grids and modes, or what stages.readTable reads)
// must be in place; RunState must be kRunIdle.
RunOutcome RunGo(Engine& e, GoHost& host, const GoStages& stages = {});
// The same for a host that only serves the reduction.
RunOutcome RunGo(Engine& e, RunHost& host, const GoStages& stages = {});

// RunState := s; tells the host.
void SetRunState(Engine& e, GoHost& host, RunStateValue s);

// Seconds with at most `decimals` decimals, trailing zeros and a bare
// separator dropped ("0.###" for three); negative or not finite counts as 0.
std::string FormatSeconds(double seconds, int decimals = 3, std::string_view point = ".");

// The message line of a run that was ended before its result.
inline constexpr std::string_view kEndedMessage = "process terminated";

// The message line of a checked result: "OK: " or "TT Verify ERROR: ",
// then what follows it (the time, or what a host reports in its place).
std::string ResultMessage(bool verified, std::string_view rest);

// ---------------------------------------------------------------- timing
// A monotonic high-resolution counter. Only the reduction is timed, without
// the time it spends at the Scan trace's stops.

// Counter ticks per microsecond; set by CalibrateCounter.
extern double TicksPerMicrosecond;

// The current counter reading (monotonic, never goes back).
void ReadCycleCounter(int64_t& ticks);

// Sets TicksPerMicrosecond. The counter's rate is known in advance, so this
// takes no time.
void CalibrateCounter();

// A tick difference in microseconds.
double TicksToMicroseconds(int64_t ticks);

}  // namespace tervo
