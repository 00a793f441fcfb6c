// A PLA file run by the minimiser library, at any width: one list of terms
// shared by all outputs, checked by the cover checker before any of it is
// written. The engine's table takes files of at most 15 inputs; which of
// the two a file takes is decided by the function (ChooseTablePath).
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "check.h"
#include "pipeline.h"
#include "tervo/minimiser.h"
#include "tervo/pla.h"

namespace tervo::batch {

// True when the engine's 3^inputs cube table is the better road for the
// file: it fits the table (IsNarrow) and the table is small, or small
// beside the rows the file lists. A file of few rows over many inputs is
// cheaper as cube lists, whatever its width.
bool ChooseTablePath(const minimiser::Pla& p);

// The function whose ON-set a form covers: for a sum of products the file
// itself; for a product of sums the file with its ON and OFF sets swapped,
// so that a cover of its ON-set is a cover of the file's OFF-set.
minimiser::Pla TargetFunction(const minimiser::Pla& p, bool pos);

// The run's Watcher: Ctrl+C stops it; with a time limit given, so does the
// clock (read only then); progress goes to the host, twice a second at most.
class ToolWatcher : public minimiser::Watcher {
 public:
  // seconds < 0: no time limit.
  ToolWatcher(RunHost& host, double seconds);
  bool Stop() override;
  void Report(const minimiser::Progress& p) override;
  bool Interrupted() const { return interrupted_; }

 private:
  RunHost& host_;
  double seconds_;
  bool interrupted_ = false;
  std::chrono::steady_clock::time_point start_, shown_{};
};

// The result of a whole file.
struct WideRun {
  bool pos = false;                    // product of sums: the OFF-sets were covered
  minimiser::MinimiseResult result;    // how the minimiser ended
  minimiser::Pla cover;                // the cover of TargetFunction (type f); empty when refused
  minimiser::CheckReport check;        // the cover checked against TargetFunction
  bool interrupted = false;            // Ctrl+C ended the run: `cover` is the best checked one so far
  double seconds = 0;                  // processor-independent wall time of the run
  bool Refused() const { return result.status == minimiser::Status::kRefused; }
};

// Minimise the file in the form asked for, then check the cover.
// seconds < 0: no time limit; effortStall: end once the search stops gaining.
WideRun RunWidePla(RunHost& host, const minimiser::Pla& file, bool pos, double seconds);

// 0 for a checked cover, 3 when the check failed, 1 when refused, 130
// when interrupted.
int WideExitStatus(const WideRun& run);

// The message line: "OK: time = ... secs, N terms, ...", the refusal, or
// why the check failed.
std::string WideMessage(const WideRun& run);

// The cover as PLA text: the file's inputs, outputs and names, ".type f"
// (1 where a term serves an output, else 0) for a sum of products, ".type
// r" (0 where it serves, else ~) for a product of sums.
std::string WriteWideResults(const minimiser::Pla& file, const WideRun& run);

// The cover as text: the input names, then per term its inputs and the
// outputs it serves, then the message line.
std::string WideTextReport(const minimiser::Pla& file, const WideRun& run);

// The cover as JSON: each term its text of inputs ('0', '1', '-') and its
// outputs, per output the terms serving it, and the outcome.
nlohmann::ordered_json WideJsonResult(const minimiser::Pla& file, const WideRun& run);

}  // namespace tervo::batch
