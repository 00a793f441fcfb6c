// The command-line tool's side of a run (the run itself is RunGo of the
// engine): a host that writes trace lines and progress to a terminal and
// turns an interrupt into the end of the run, and the exit statuses.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine.h"
#include "formula_file.h"
#include "pipeline.h"

namespace tervo::batch {

// Set by the interrupt handler; the host turns it into GoOn = 0.
extern volatile std::sig_atomic_t gInterrupted;

// Route SIGINT to gInterrupted, unless it is ignored. A second interrupt
// ends the program at once.
void InstallInterruptHandler();

// SaveFormulaFile with SIGINT, SIGTERM and SIGHUP held back until it
// returns: the save ends with its file renamed into place or its temporary
// file removed, and a signal that came meanwhile then takes its course.
uint8_t SaveWithSignalsHeld(const Engine& e, const std::filesystem::path& chosen, std::filesystem::path* written,
                            FileCause* cause, FileSink& sink = SystemFileSink());

// The action a reduction step is about to take, as the trace shows it.
std::string_view TraceAction(const Engine& e, const TraceRecord& r);

// One trace line: the kind ("TT" entry with entry, "VT" virtual term with
// entry), the code, i and j or k, and the action text; for "virtual:" and
// "new VT" the consensus term that is formed follows as a row.
std::string TraceLine(const Engine& e, const TraceRecord& r);

class BatchHost : public RunHost {
 public:
  // trace: where trace lines go (nullptr for none). progress: show the
  // cycling marks of a long reduction on standard error.
  BatchHost(Engine& e, std::FILE* trace, bool progress) : e_(e), trace_(trace), progress_(progress) {}
  void ShowProgress(std::string_view text) override;
  void ProcessPendingEvents() override;
  void DrawTraceStep(const TraceRecord& record) override;
  void WaitAtStop() override;
  // Remove a progress line from the terminal and flush the trace.
  void Finish();
  // Why a trace line could not be written ("No space left on device"), or
  // empty when every one was.
  const std::string& TraceError() const { return traceError_; }

 private:
  Engine& e_;
  std::FILE* trace_;
  bool progress_;
  bool shown_ = false;
  std::string traceError_;
  std::chrono::steady_clock::time_point started_{};

  void TraceFailed(int err);
};

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;             // the run ended "OK: "
inline constexpr int kExitMessage = 1;        // a message such as "SYNTAX ERROR" or "TAUTOLOGY"
inline constexpr int kExitUsage = 2;          // usage and file errors
inline constexpr int kExitVerify = 3;         // "TT Verify ERROR: "
inline constexpr int kExitInterrupted = 130;  // ended by Ctrl+C: "process terminated"

// The exit status for how a run ended.
int ExitStatus(const RunOutcome& run);

}  // namespace tervo::batch
