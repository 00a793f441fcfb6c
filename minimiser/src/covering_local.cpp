// Covers of the core: the greedy first cover, the local search that
// improves it, and the last pass that lowers its cost.
//
// Greedy takes the column covering most uncovered rows (then the lowest
// cost) from a heap whose keys are brought up to date when they surface,
// and then drops, the costliest first, every column whose rows the others
// cover.
//
// The local search weights the rows (after the row-weighting methods for
// set covering published for the unicost problem): it keeps a set of
// columns one short of the best cover, removes the column that loses least
// (by the weight of the rows only it covers) and adds the best column for
// a random uncovered row, and raises the weight of every row left
// uncovered at each step. A column just removed may come back only after
// a neighbour changed, and the column just added is not the next removed.
// Whenever the set covers every row it is a better cover; it is kept, and
// the search goes on one column shorter.
//
// The last pass swaps each column of the best cover for one of lower cost
// that covers every row only it covers.
#include <algorithm>

#include "covering_internal.h"

namespace tervo::minimiser::covering {

uint64_t Search::CostOf(const std::vector<uint32_t>& cols) const {
  uint64_t l = 0;
  for (uint32_t c : cols) l += coreColCost[c];
  return l;
}

void Search::KeepIfBetter(const std::vector<uint32_t>& cols) {
  const uint64_t cost = CostOf(cols);
  if (best.empty() || cols.size() < best.size() || (cols.size() == best.size() && cost < bestCost)) {
    if (best.empty() || cols.size() < best.size()) effort.Gain();
    best = cols;
    bestCost = cost;
    effort.progress.cubes = best.size() + fixedCols.size();
  }
}

void Search::SolClear() {
  sol.clear();
  inSol.assign(coreColCount, 0);
  solPos.assign(coreColCount, 0);
  coverCount.assign(coreRowCount, 0);
}

inline void Search::SolAdd(uint32_t c) {
  inSol[c] = 1;
  solPos[c] = static_cast<uint32_t>(sol.size());
  sol.push_back(c);
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) ++coverCount[coreColRows[k]];
}

inline void Search::SolRemove(uint32_t c) {
  inSol[c] = 0;
  const uint32_t last = sol.back();
  sol[solPos[c]] = last;
  solPos[last] = solPos[c];
  sol.pop_back();
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) --coverCount[coreColRows[k]];
}

// ---------------------------------------------------------------- first cover

void Search::Greedy() {
  SolClear();
  // rows gained (24 bits), then lower cost (8 bits), then the lower column
  auto key = [&](uint32_t c, uint32_t gain) {
    const uint64_t cost = std::min<uint32_t>(coreColCost[c], 255);
    return uint64_t{std::min<uint32_t>(gain, 0xffffff)} << 40 | (255u - cost) << 32 | (0xffffffffu - c);
  };
  heap.clear();
  for (uint32_t c = 0; c < coreColCount; ++c) heap.push_back(key(c, coreColStart[c + 1] - coreColStart[c]));
  std::make_heap(heap.begin(), heap.end());
  uint32_t uncovered = coreRowCount;
  while (uncovered > 0 && !heap.empty()) {
    std::pop_heap(heap.begin(), heap.end());
    const uint64_t top = heap.back();
    heap.pop_back();
    const uint32_t c = 0xffffffffu - static_cast<uint32_t>(top & 0xffffffffu);
    uint32_t gain = 0;
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) gain += coverCount[coreColRows[k]] == 0;
    effort.Go((coreColStart[c + 1] - coreColStart[c]) / 8 + 2, false);
    if (gain == 0) continue;
    const uint64_t now = key(c, gain);
    if (!heap.empty() && now < heap.front()) {
      heap.push_back(now);
      std::push_heap(heap.begin(), heap.end());
      continue;
    }
    SolAdd(c);
    uncovered -= gain;
  }
  MakeIrredundant();
  KeepIfBetter(sol);
}

// Drop columns whose rows the others cover, the costliest first.
void Search::MakeIrredundant() {
  std::vector<uint32_t>& order = bbStack;
  order.assign(sol.begin(), sol.end());
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return coreColCost[a] != coreColCost[b] ? coreColCost[a] > coreColCost[b] : a < b;
  });
  for (uint32_t c : order) {
    bool needed = false;
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1] && !needed; ++k) needed = coverCount[coreColRows[k]] == 1;
    if (!needed) SolRemove(c);
  }
}

// ---------------------------------------------------------------- local search

inline void Search::UncAdd(uint32_t r) {
  uncoveredPos[r] = static_cast<uint32_t>(uncoveredRows.size());
  uncoveredRows.push_back(r);
}

inline void Search::UncRemove(uint32_t r) {
  const uint32_t last = uncoveredRows.back();
  uncoveredRows[uncoveredPos[r]] = last;
  uncoveredPos[last] = uncoveredPos[r];
  uncoveredRows.pop_back();
}

inline uint32_t Search::OnlyCover(uint32_t r) const {
  for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k)
    if (inSol[coreRowCols[k]]) return coreRowCols[k];
  return UINT32_MAX;
}

inline void Search::LsAdd(uint32_t c) {
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
    const uint32_t r = coreColRows[k];
    if (coverCount[r] == 0) {
      for (uint32_t q = coreRowStart[r]; q < coreRowStart[r + 1]; ++q)
        if (coreRowCols[q] != c) score[coreRowCols[q]] -= weight[r];
      UncRemove(r);
    } else if (coverCount[r] == 1) {
      score[OnlyCover(r)] += weight[r];
    }
  }
  score[c] = -score[c];
  SolAdd(c);
  Touch(c);
}

inline void Search::LsRemove(uint32_t c) {
  SolRemove(c);
  score[c] = -score[c];
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
    const uint32_t r = coreColRows[k];
    if (coverCount[r] == 0) {
      for (uint32_t q = coreRowStart[r]; q < coreRowStart[r + 1]; ++q)
        if (coreRowCols[q] != c) score[coreRowCols[q]] += weight[r];
      UncAdd(r);
    } else if (coverCount[r] == 1) {
      score[OnlyCover(r)] -= weight[r];
    }
  }
  Touch(c);
  canAdd[c] = 0;
}

// Columns sharing a row with c may be added again.
inline void Search::Touch(uint32_t c) {
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
    const uint32_t r = coreColRows[k];
    for (uint32_t q = coreRowStart[r]; q < coreRowStart[r + 1]; ++q) canAdd[coreRowCols[q]] = 1;
    lsWork += coreRowStart[r + 1] - coreRowStart[r];
  }
}

// The column of the cover to remove: best score, then oldest; sampled when
// the cover is large.
inline uint32_t Search::PickRemove(uint32_t tabu) {
  uint32_t pick = UINT32_MAX;
  auto better = [&](uint32_t c) {
    return pick == UINT32_MAX || score[c] > score[pick] || (score[c] == score[pick] && stampOf[c] < stampOf[pick]);
  };
  if (sol.size() <= 64) {
    for (uint32_t c : sol)
      if (c != tabu && better(c)) pick = c;
  } else {
    for (int t = 0; t < 48; ++t) {
      const uint32_t c = sol[rng() % sol.size()];
      if (c != tabu && better(c)) pick = c;
    }
  }
  return pick;
}

// resume: go on from where the last call ended (its set, weights and
// scores), else start from the best cover with every weight 1. Ends when
// the effort says so, or after maxStall steps without a better cover
// (lsStalled then).
void Search::LocalSearch(uint64_t maxStall, bool resume) {
  uint64_t& step = lsStep;
  uint32_t& lastAdded = lsLastAdded;
  lsStalled = false;
  if (!resume) {
    SolClear();
    for (uint32_t c : best) SolAdd(c);
    weight.assign(coreRowCount, 1);
    score.assign(coreColCount, 0);
    canAdd.assign(coreColCount, 1);
    stampOf.assign(coreColCount, 0);
    uncoveredRows.clear();
    uncoveredPos.assign(coreRowCount, 0);
    for (uint32_t r = 0; r < coreRowCount; ++r)
      if (coverCount[r] == 1) score[OnlyCover(r)] -= 1;
    step = 0;
    lastAdded = UINT32_MAX;
  }
  uint64_t lastGain = step;
  lsWork = 0;
  while (effort.Go(32 + lsWork / 8)) {
    lsWork = 0;
    while (uncoveredRows.empty()) {
      if (sol.size() < best.size() || (sol.size() == best.size() && CostOf(sol) < bestCost)) {
        KeepIfBetter(sol);
        lastGain = step;
      }
      if (sol.size() <= coreBound || sol.size() <= 1) return;
      const uint32_t c = PickRemove(UINT32_MAX);
      LsRemove(c);
      stampOf[c] = step;
    }
    const uint32_t out = PickRemove(lastAdded);
    if (out != UINT32_MAX) {
      LsRemove(out);
      stampOf[out] = step;
    }
    const uint32_t r = uncoveredRows[rng() % uncoveredRows.size()];
    uint32_t in = UINT32_MAX;
    for (uint32_t q = coreRowStart[r]; q < coreRowStart[r + 1]; ++q) {
      const uint32_t c = coreRowCols[q];
      if (!canAdd[c]) continue;
      if (in == UINT32_MAX || score[c] > score[in] || (score[c] == score[in] && stampOf[c] < stampOf[in])) in = c;
    }
    if (in == UINT32_MAX) in = coreRowCols[coreRowStart[r]];
    LsAdd(in);
    stampOf[in] = step;
    lastAdded = in;
    for (uint32_t u : uncoveredRows) {
      ++weight[u];
      for (uint32_t q = coreRowStart[u]; q < coreRowStart[u + 1]; ++q) ++score[coreRowCols[q]];
      lsWork += coreRowStart[u + 1] - coreRowStart[u];
    }
    ++step;
    if (step - lastGain > maxStall) {
      lsStalled = true;
      return;
    }
  }
}

// ---------------------------------------------------------------- costs

// Swap each column of the best cover for one of lower cost that covers
// every row only it covers.
void Search::FewerCosts() {
  SolClear();
  for (uint32_t c : best) SolAdd(c);
  for (uint32_t i = 0; i < best.size(); ++i) {
    const uint32_t c = best[i];
    const uint32_t m = NextMark();
    uint32_t own = 0, pick = UINT32_MAX, pickDeg = UINT32_MAX;
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
      const uint32_t r = coreColRows[k];
      if (coverCount[r] != 1) continue;
      mark[r] = m;
      ++own;
      const uint32_t d = coreRowStart[r + 1] - coreRowStart[r];
      if (d < pickDeg) pickDeg = d, pick = r;
    }
    if (own == 0) continue;  // irredundant covers have none of these
    uint32_t swap = UINT32_MAX;
    for (uint32_t q = coreRowStart[pick]; q < coreRowStart[pick + 1]; ++q) {
      const uint32_t b = coreRowCols[q];
      if (inSol[b] || coreColCost[b] >= coreColCost[c] || (swap != UINT32_MAX && coreColCost[b] >= coreColCost[swap]))
        continue;
      uint32_t in = 0;
      for (uint32_t k = coreColStart[b]; k < coreColStart[b + 1]; ++k) in += mark[coreColRows[k]] == m;
      if (in == own) swap = b;
    }
    if (swap == UINT32_MAX) continue;
    SolRemove(c);
    SolAdd(swap);
    best[i] = swap;
  }
  bestCost = CostOf(best);
  markNow = 0;
  std::fill(mark.begin(), mark.end(), 0);
}

}  // namespace tervo::minimiser::covering
