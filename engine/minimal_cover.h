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
//   2. the covering matrix (rows = minterms, columns = primes), reduced by
//      essential columns, row dominance and column dominance to its cyclic
//      core;
//   3. on the core: a greedy cover made irredundant, a Lagrangian lower bound
//      from subgradient steps, a row-weighting local search that improves
//      the cover, and, where the core is small and the gap narrow, branch
//      and bound (dual-ascent and Lagrangian node bounds, reduced-cost
//      fixing) that proves the minimum;
//   4. a last pass that swaps each term for a prime with fewer literals
//      whenever that prime alone covers what only the term covered.
//
// Tables are allocated once, when the CoverSearch is made, and grow only
// while a function's matrix is set up, never inside the search loops. The
// search reaches the window only through the RunHost: it lets pending events
// run about every 15 ms and stops, keeping the best cover found so far, as
// soon as the host clears GoOn.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"

namespace tervo {

// What a cover search found.
struct CoverInfo {
  uint16_t terms = 0;        // terms of the cover left in the TruthTable
  uint32_t literals = 0;     // literals of that cover
  uint16_t lowerBound = 0;   // no cover of the function has fewer terms
  uint8_t minimum = 0;       // 1: proved, no cover has fewer terms
  uint8_t stopped = 0;       // 1: ended by the host (ESC); the cover is the best found so far
  uint8_t timedOut = 0;      // 1: the time limit ended the search (or it stalled)
  uint8_t stalled = 0;       // 1: ended before the limit: no gain for as long as it had taken to the last one
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

// A covering problem given as its matrix, for callers that build their own
// columns (the multi-output cover): every row must have a column.
struct CoverMatrix {
  uint32_t rows = 0;
  std::vector<uint32_t> colStart{0};  // column j covers colRows[colStart[j] .. colStart[j + 1])
  std::vector<uint32_t> colRows;
  std::vector<uint8_t> colCost;  // per column: literals; fewer breaks a tie between covers of as many columns
};

// The best cover of a CoverMatrix that the search found.
struct MatrixCover {
  std::vector<uint32_t> columns;  // the columns taken
  uint32_t lowerBound = 0;        // no cover of the matrix has fewer columns
  bool minimum = false;           // proved: no cover has fewer columns
  bool stopped = false;           // ended by the host; the best cover so far
  bool timedOut = false;          // the time limit ended the search (or it stalled)
  bool stalled = false;           // it stalled before the limit
  uint32_t essentials = 0, coreRows = 0, coreColumns = 0;
};

// When a search began: its time limit counts from `wall`, its stall stop
// from `cpu` (the program's processor time, std::clock, in seconds).
struct SearchStart {
  std::chrono::steady_clock::time_point wall;
  double cpu = 0;
  static SearchStart Now();
};

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
  // terms as the search finds within `seconds` (then as few literals).
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
  // has run 0.4 s, as soon as the time since it last found fewer terms or
  // a higher bound exceeds four fifths of the time it took to get there,
  // both in processor time (a loaded machine ends no sooner in work done
  // than an idle one).
  // The time limit stays the cap either way.
  void SetStallStop(bool on);

  // The same search on a matrix the caller built: the reductions to the
  // cyclic core, bounds, local search and branch and bound. The time limit
  // and the stall stop count from `start` (so work done before the call
  // counts against them);
  // `label` names the search in the progress text. The matrix is given
  // back unchanged. Stopped by the host, it still returns a cover.
  MatrixCover SolveMatrix(Engine& e, RunHost& host, CoverMatrix& matrix, SearchStart start, double seconds,
                          const char* label);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Time limit of a cover search in a run unless the user gives another.
inline constexpr double kMinimalSeconds = 10;

// The reduction stage of a run: the cover search when `cover` is given and
// the Scan trace is off (the trace shows the system's reduction only), else
// ReduceTruthTable. Returns true when the cover search ran; `info` then
// holds its outcome.
bool ReduceOrCover(Engine& e, RunHost& host, CoverSearch* cover, double seconds, CoverInfo& info);

// What the message line adds after "... secs" for a cover search:
// ", minimum" when proved, else ", at least N"; then ", stopped: best cover
// so far" when the host ended the search.
std::string CoverOutcomeText(const CoverInfo& info);
// The same for any search's outcome (the shared cover's too).
std::string CoverOutcomeText(bool minimum, uint32_t lowerBound, bool stopped);

// Convenience for one-off runs: a CoverSearch made for this call.
CoverInfo MinimalCover(Engine& e, RunHost& host, double seconds, CoverSource source = kCoverTruthTable);

}  // namespace tervo
