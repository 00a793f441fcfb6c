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

struct CoverSettings {
  uint64_t effort = 0;      // ticks the search may spend after its first cover; 0: the library's default
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

// The best cover the search finds. Always a cover, even when stopped.
CoverSolution SolveCover(const CoverProblem& problem, const CoverSettings& settings, Watcher* watcher = nullptr);

}  // namespace tervo::minimiser
