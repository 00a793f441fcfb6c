// Branch and bound on the core, for a proof of the minimum.
//
// It branches on the uncovered row with the fewest usable columns: one
// child per column, the cheapest by reduced cost first, each later child
// with the earlier columns excluded. A node ends when its columns plus a
// bound on what is left reach the best cover: first the dual-ascent bound,
// then a few Lagrangian steps from the root's multipliers. Below a node,
// every column whose reduced cost lifts the Lagrangian bound to the best
// cover is excluded (reduced-cost fixing). A search that runs out of
// effort, or of room for its stack, proves nothing.
#include <algorithm>
#include <cmath>

#include "covering_internal.h"

namespace tervo::minimiser::covering {

inline void Search::BbSelect(uint32_t c) {
  bbSel.push_back(c);
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k)
    if (coverCount[coreColRows[k]]++ == 0) --bbUncov;
}

inline void Search::BbUnselect(uint32_t c) {
  bbSel.pop_back();
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k)
    if (--coverCount[coreColRows[k]] == 0) ++bbUncov;
}

inline void Search::BbExclude(uint32_t c, bool on) {
  bbExcl[c] = on;
  for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
    if (on)
      --bbAvail[coreColRows[k]];
    else
      ++bbAvail[coreColRows[k]];
  }
}

void Search::BbNode() {
  if (bbAborted) return;
  if (!effort.Go(64 + coreColRows.size() / 8)) {
    bbAborted = true;
    return;
  }
  const auto sel = static_cast<uint32_t>(bbSel.size());
  if (bbUncov == 0) {
    if (sel < best.size()) KeepIfBetter(bbSel);
    return;
  }
  if (sel + 1 >= best.size()) return;
  const uint32_t need = static_cast<uint32_t>(best.size()) - sel;  // a better cover takes fewer than this many more
  if (bbStackTop + 2 * coreColCount > bbStack.size()) {  // no room to stack this node's columns: give up the proof
    bbAborted = true;
    return;
  }
  const uint32_t lb = DualAscent(true);
  if (lb >= need) return;
  const double L = NodeLagrange(need, 12);
  if (std::ceil(L - 1e-7) >= need) return;
  // Reduced-cost fixing: a column whose reduced cost lifts the bound to
  // `need` is in no better cover below this node.
  const uint32_t base = bbStackTop;
  for (uint32_t c = 0; c < coreColCount; ++c)
    if (!bbExcl[c] && lagScore[c] < 1e8 && std::ceil(L + std::max(0.0, lagScore[c]) - 1e-7) >= need) {
      bbStack[bbStackTop++] = c;
      BbExclude(c, true);
    }
  const uint32_t fixedTop = bbStackTop;
  uint32_t row = UINT32_MAX, rowAvail = UINT32_MAX;
  for (uint32_t r = 0; r < coreRowCount; ++r)
    if (coverCount[r] == 0 && bbAvail[r] < rowAvail) rowAvail = bbAvail[r], row = r;
  if (rowAvail > 0) {
    // children: the row's usable columns, lowest reduced cost first
    for (uint32_t q = coreRowStart[row]; q < coreRowStart[row + 1]; ++q)
      if (!bbExcl[coreRowCols[q]]) bbStack[bbStackTop++] = coreRowCols[q];
    std::sort(bbStack.begin() + fixedTop, bbStack.begin() + bbStackTop, [&](uint32_t a, uint32_t b) {
      return lagScore[a] != lagScore[b] ? lagScore[a] < lagScore[b] : coreColCost[a] < coreColCost[b];
    });
    const uint32_t end = bbStackTop;
    uint32_t done = fixedTop;
    for (; done < end; ++done) {
      const uint32_t c = bbStack[done];
      BbSelect(c);
      BbNode();
      BbUnselect(c);
      BbExclude(c, true);
      if (bbAborted || sel + 1 >= best.size()) {
        ++done;
        break;
      }
    }
    for (uint32_t q = fixedTop; q < done; ++q) BbExclude(bbStack[q], false);
  }
  for (uint32_t q = base; q < fixedTop; ++q) BbExclude(bbStack[q], false);
  bbStackTop = base;
}

// True when the search space was exhausted (the best cover is minimum).
bool Search::BranchAndBound() {
  coverCount.assign(coreRowCount, 0);
  bbAvail.resize(coreRowCount);
  for (uint32_t r = 0; r < coreRowCount; ++r) bbAvail[r] = coreRowStart[r + 1] - coreRowStart[r];
  bbExcl.assign(coreColCount, 0);
  // Each node on the path stacks at most coreColCount columns; the path is
  // shorter than the best cover.
  bbStack.assign(std::min<uint64_t>(uint64_t{coreColCount} * (best.size() + 1), uint64_t{1} << 24) + coreColCount, 0);
  nodeMult.assign(coreRowCount, 0);
  mult.assign(coreRowCount, 0);
  lagScore.assign(coreColCount, 0);
  bbStackTop = 0;
  bbSel.clear();
  bbSel.reserve(coreRowCount + 1);
  bbUncov = coreRowCount;
  bbAborted = false;
  BbNode();
  return !bbAborted;
}

}  // namespace tervo::minimiser::covering
