// The covering-matrix search: choose as few columns as can be found so
// that every row is covered by one of them (fewer cost breaks a tie).
// Effort is counted in ticks (entries of the matrix visited, moves and
// nodes), never in seconds, so the same problem and settings give the same
// cover on any machine and under any load.
#pragma once

#include <cstdint>
#include <vector>

#include "tervo/watcher.h"

namespace tervo::minimiser {

// A covering problem. Every row must have at least one column.
struct CoverProblem {
  uint32_t rows = 0;
  std::vector<uint32_t> colStart{0};  // column j covers colRows[colStart[j] .. colStart[j + 1])
  std::vector<uint32_t> colRows;
  std::vector<uint32_t> colCost;      // per column (literals): fewer breaks a tie between covers of as many columns
  uint32_t Columns() const { return static_cast<uint32_t>(colStart.size() - 1); }
};

// The default budget: about 10 s of work on a 2.8 GHz core of 2026, and
// never more than that on any machine. A time limit instead is the
// caller's Watcher answering Stop(); with no budget (kUnlimitedEffort)
// only Stop() and the stall rule end the search.
inline constexpr uint64_t kDefaultCoverEffort = 400'000'000;
inline constexpr uint64_t kUnlimitedEffort = UINT64_MAX;

struct CoverSettings {
  uint64_t effort = 0;      // ticks the whole search may spend (a first cover is made even past it); 0: kDefaultCoverEffort
  bool stallStop = true;    // end early once the search stops gaining (counted in ticks)
  uint32_t seed = 1;        // the local search's random choices
};

struct CoverSolution {
  std::vector<uint32_t> columns;  // the columns taken
  uint32_t lowerBound = 0;        // no cover has fewer columns
  bool minimum = false;           // proved: no cover has fewer columns
  Status status = Status::kDone;
  uint64_t ticks = 0;             // effort spent
  uint32_t essentials = 0, coreRows = 0, coreColumns = 0;
};

// The best cover the search finds. Always a cover, even when stopped or out
// of effort. A problem with a row no column covers, or an entry naming no
// row, is refused (Status::kRefused, no columns). Status: kDone when it ran
// to its end (proved, when `minimum`), kStopped when Stop() ended it,
// kBudgetSpent, kStalled (no gain for a long stretch of ticks).
CoverSolution SolveCover(const CoverProblem& problem, const CoverSettings& settings, Watcher* watcher = nullptr);

}  // namespace tervo::minimiser
