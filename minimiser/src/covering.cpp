// A first covering search: greedy by rows covered per cost, then each
// column whose rows the others cover dropped. The full search (reductions,
// bounds, local search, branch and bound) replaces it.
#include <algorithm>

#include "tervo/covering.h"

namespace tervo::minimiser {

CoverSolution SolveCover(const CoverProblem& p, const CoverSettings&, Watcher*) {
  CoverSolution s;
  const uint32_t cols = p.Columns();
  std::vector<uint32_t> hits(p.rows, 0);
  std::vector<uint8_t> taken(cols, 0);
  uint32_t left = p.rows;
  while (left > 0) {
    uint32_t best = cols;
    double bestScore = -1;
    for (uint32_t j = 0; j < cols; ++j) {
      if (taken[j]) continue;
      uint32_t gain = 0;
      for (uint32_t k = p.colStart[j]; k < p.colStart[j + 1]; ++k) gain += hits[p.colRows[k]] == 0;
      if (gain == 0) continue;
      const double score = gain / (1.0 + (p.colCost.empty() ? 0 : p.colCost[j]) * 1e-3);
      if (score > bestScore) bestScore = score, best = j;
    }
    if (best == cols) break;  // a row no column covers
    taken[best] = 1;
    s.columns.push_back(best);
    for (uint32_t k = p.colStart[best]; k < p.colStart[best + 1]; ++k) left -= hits[p.colRows[k]]++ == 0;
    s.ticks += p.colRows.size();
  }
  // Irredundant: drop a column whose rows are all covered twice or more.
  for (std::size_t i = s.columns.size(); i-- > 0;) {
    const uint32_t j = s.columns[i];
    bool needed = false;
    for (uint32_t k = p.colStart[j]; k < p.colStart[j + 1]; ++k) needed |= hits[p.colRows[k]] == 1;
    if (needed) continue;
    for (uint32_t k = p.colStart[j]; k < p.colStart[j + 1]; ++k) --hits[p.colRows[k]];
    s.columns.erase(s.columns.begin() + static_cast<std::ptrdiff_t>(i));
  }
  std::sort(s.columns.begin(), s.columns.end());
  s.lowerBound = s.columns.empty() ? 0 : 1;
  return s;
}

}  // namespace tervo::minimiser
