// One run of the engine without a window: the stages a GO press runs, in
// the same order, with a host that writes trace lines and progress to a
// terminal and turns an interrupt into the end of the run.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "engine.h"
#include "minimal_cover.h"

namespace tervo::batch {

// Set by the interrupt handler; the host turns it into GoOn = 0.
extern volatile std::sig_atomic_t gInterrupted;

// Route SIGINT to gInterrupted, unless it is ignored. A second interrupt
// ends the program at once.
void InstallInterruptHandler();

// The action a reduction step is about to take, as the trace shows it.
std::string_view TraceAction(const Engine& e, const TraceRecord& r);

// One trace line: the kind ("TT" entry with entry, "VT" virtual term with
// entry), the code, i and j or k, and the action text; for "virtual:" and
// "new VT" the consensus term that is formed follows as a row.
std::string TraceLine(const Engine& e, const TraceRecord& r);

// Seconds with at most `decimals` decimals, trailing zeros and a bare
// decimal point dropped ("0.###" for three).
std::string FormatSeconds(double seconds, int decimals = 3);

class BatchHost : public RunHost {
 public:
  // trace: where trace lines go (nullptr for none). progress: show the
  // cycling marks of a long reduction on standard error.
  BatchHost(Engine& e, std::FILE* trace, bool progress) : e_(e), trace_(trace), progress_(progress) {}
  void ShowProgress(std::string_view text) override;
  void ProcessPendingEvents() override;
  void DrawTraceStep(const TraceRecord& record) override;
  void WaitAtStop() override;
  // Remove a progress line from the terminal.
  void Finish();

 private:
  Engine& e_;
  std::FILE* trace_;
  bool progress_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point started_{};
};

// What a run ended with.
struct RunOutcome {
  bool ended = false;      // the run was ended before its result ("process terminated")
  bool drawn = false;      // the result table was drawn (it may be empty)
  bool verifyRan = false;  // the verification ran
  bool verified = false;   // ... and held
  uint8_t code = kOk;      // ErrorCode at the end
  double seconds = 0;      // time of the reduction, 0 when it did not run
  std::string message;     // the message line
  bool minimal = false;    // a minimal cover search ran in the reduction's place
  CoverInfo cover;         // ... and what it found
};

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;             // the run ended "OK: "
inline constexpr int kExitMessage = 1;        // a message such as "SYNTAX ERROR" or "TAUTOLOGY"
inline constexpr int kExitUsage = 2;          // usage and file errors
inline constexpr int kExitVerify = 3;         // "TT Verify ERROR: "
inline constexpr int kExitInterrupted = 130;  // ended by Ctrl+C: "process terminated"

// The exit status for how a run ended.
int ExitStatus(const RunOutcome& run);

// The stages of a run. The input (grids, modes, or preloaded tables) must be
// in place. In table input `tableStage` replaces the table reader and
// `verify` the verification when given. With `cover` given, a minimal cover
// search of at most `minimalSeconds` takes the reduction's place; an
// interrupt during it keeps the best cover found so far.
RunOutcome RunGo(Engine& e, RunHost& host, const std::function<void(Engine&)>& tableStage = {},
                 const std::function<bool(Engine&)>& verify = {}, CoverSearch* cover = nullptr,
                 double minimalSeconds = kMinimalSeconds);

}  // namespace tervo::batch
