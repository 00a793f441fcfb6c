// Minimal covers: the function held in the TruthTable rewritten as few terms
// as can be found, then as few literals, with a proof of minimality where
// the search completes and a lower bound where it does not.
//
// The function is the union of the TruthTable's entries: the collected rows
// of a formula run (either mode) or the terms of a typed table. The result
// replaces the TruthTable's entries, so output, printing and VerifyResult
// treat it like any reduced table.
//
// Method:
//   1. the prime implicants, from one pass over a bit table of all 3^n cubes
//      (a cube is an implicant when both halves along one free variable are);
//   2. the covering matrix (rows = minterms, columns = primes);
//   3. the covering search of the minimiser library (tervo/covering.h):
//      reductions to the cyclic core, a greedy cover, bounds, local search
//      and, where the core is small, branch and bound that proves the
//      minimum, then a pass that swaps terms for primes with fewer literals.
//
// How long it searches: by default a budget of work counted in the
// search's own units (ticks) and a stall rule in the same units, so the
// same function gives the same cover on any machine and under any load.
// A time limit applies only when one is asked for. The search reaches the
// window only through the RunHost (HostWatcher): it lets pending events run
// about every 15 ms and stops, keeping the best cover found so far, as
// soon as the host clears GoOn.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"
#include "tervo/covering.h"
#include "tervo/watcher.h"

namespace tervo {

// How a cover search ended.
enum class CoverEnd : uint8_t {
  kFinished = 0,     // it ran to its end: a proof when the cover is minimum
  kStalled = 1,      // the stall rule: no gain for a long stretch of work
  kBudgetSpent = 2,  // its budget of work ran out
  kTimeLimit = 3,    // the time asked for ran out
  kStopped = 4,      // ESC or Ctrl+C: the best cover found so far
};

// What a cover search found.
struct CoverInfo {
  uint16_t terms = 0;        // terms of the cover left in the TruthTable
  uint32_t literals = 0;     // literals of that cover
  uint16_t lowerBound = 0;   // no cover of the function has fewer terms
  uint8_t minimum = 0;       // 1: proved, no cover has fewer terms
  uint8_t stopped = 0;       // 1: ended by the host (ESC); the cover is the best found so far
  uint8_t timedOut = 0;      // 1: ended before a proof by the time limit, the budget or the stall rule
  uint8_t stalled = 0;       // 1: the stall rule ended it
  CoverEnd end = CoverEnd::kFinished;  // how it ended
  uint64_t ticks = 0;        // work the covering search spent, in its own units
  uint8_t allPrimes = 1;     // 0: too many primes to list; the columns were grown from the rows
  uint32_t primes = 0;       // prime implicants (columns of the matrix)
  uint32_t essentials = 0;   // terms fixed before the search (essential after reductions)
  uint32_t coreRows = 0;     // rows and columns of the cyclic core
  uint32_t coreColumns = 0;
};

// Capacities: primes listed before falling back to grown columns, and
// matrix entries (minterm-prime incidences) per direction.
inline constexpr uint32_t kPrimeCapacity = 1u << 20;
inline constexpr uint32_t kEntryCapacity = 1u << 23;

// A time limit of "none": the search ends by its budget of work, its stall
// rule or the host.
inline constexpr double kNoTimeLimit = std::numeric_limits<double>::infinity();

// Lends a run's host to the covering search as its Watcher: lets pending
// events run about every 15 ms, answers Stop() once the host has cleared
// GoOn (ESC, Ctrl+C) or the time limit, when one is set, has passed, and
// shows the search's progress in the message line about every 250 ms.
class HostWatcher : public minimiser::Watcher {
 public:
  HostWatcher(Engine& e, RunHost& host, std::string label);
  // The time limit counts from now; kNoTimeLimit (the default): none.
  void SetTimeLimit(double seconds);
  bool Stop() override;
  void Report(const minimiser::Progress& progress) override;
  // For the stages before the search: counts work and lets events run
  // about every 15 ms. False once the host cleared GoOn (the time limit
  // does not end these stages).
  bool Go(uint32_t units);
  // Shows "label: what".
  void Show(const char* what);
  bool UserStopped() const { return userStopped_; }
  bool TimeUp() const { return timeUp_; }
  const std::string& Label() const { return label_; }

 private:
  bool Events();
  Engine& e_;
  RunHost& host_;
  std::string label_;
  std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
  std::chrono::steady_clock::time_point lastEvents_, lastProgress_;
  uint32_t work_ = 0;
  bool userStopped_ = false, timeUp_ = false;
};

// How a covering search's answer ended, with the host's part in it (a stop
// by the host, or its time limit).
CoverEnd EndOf(const minimiser::CoverSolution& s, const HostWatcher& w);

// Where the function comes from: the TruthTable's entries (the rows a run
// collected, in either mode, or a typed table as read), or the InputTable
// (a typed table's terms as typed, whatever the TruthTable holds now).
enum CoverSource : uint8_t {
  kCoverTruthTable = 0,
  kCoverInputTable = 1,
};

class CoverSearch {
 public:
  CoverSearch();
  ~CoverSearch();
  CoverSearch(const CoverSearch&) = delete;
  CoverSearch& operator=(const CoverSearch&) = delete;

  // Replace the TruthTable's entries by a cover of their union with as few
  // terms as the search finds (then as few literals): within `seconds` when
  // given, else (kNoTimeLimit) within its budget of work.
  // Leaves the TruthTable empty when the union is every assignment (as the
  // reduction does). Ended by the host before a cover exists, it leaves the
  // TruthTable as it was, which is itself a cover.
  CoverInfo Run(Engine& e, RunHost& host, double seconds, CoverSource source = kCoverTruthTable);

  // Don't-care assignments (bit a of word a / 64 set: assignment a), which
  // a term of the cover may include but no row needs; nullptr for none.
  // Kept for every later Run until set again.
  void SetDontCares(const std::array<uint64_t, 512>* dontCares);

  // Seed of the local search's random choices (fixed by default, so a run
  // is repeatable).
  void SetSeed(uint32_t seed);

  // Whether a search ends by itself when it stalls (the default): once it
  // has done a certain amount of work, as soon as the work since it last
  // found fewer terms or a higher bound exceeds four fifths of the work it
  // took to get there (tervo/covering.h counts the work). A time limit
  // stays the cap either way.
  void SetStallStop(bool on);

  // The budget of work of a search without a time limit, in the covering
  // search's ticks; 0 (the default): minimiser::kDefaultCoverEffort.
  void SetEffort(uint64_t ticks);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Time limit of a cover search in a run unless the user gives one: none,
// the search's budget of work and its stall rule end it.
inline constexpr double kMinimalSeconds = kNoTimeLimit;

// The reduction stage of a run: the cover search when `cover` is given and
// the Scan trace is off (the trace shows the system's reduction only), else
// ReduceTruthTable. Returns true when the cover search ran; `info` then
// holds its outcome.
bool ReduceOrCover(Engine& e, RunHost& host, CoverSearch* cover, double seconds, CoverInfo& info);

// What the message line adds after "... secs" for a cover search:
// ", minimum" when proved, else ", at least N" (when N > 0) and how the search ended:
// ", stalled", ", work budget spent", ", time limit reached" or ", stopped:
// best cover so far" (ended by the host).
std::string CoverOutcomeText(const CoverInfo& info);
// The same for any search's outcome (the shared cover's too).
std::string CoverOutcomeText(bool minimum, uint32_t lowerBound, CoverEnd end);
std::string CoverOutcomeText(bool minimum, uint32_t lowerBound, bool stopped);

// How a search ended as one word for JSON: "proved", "finished",
// "stalled", "budget", "time limit" or "stopped".
const char* CoverEndName(bool minimum, CoverEnd end);

// Convenience for one-off runs: a CoverSearch made for this call.
CoverInfo MinimalCover(Engine& e, RunHost& host, double seconds, CoverSource source = kCoverTruthTable);

}  // namespace tervo
