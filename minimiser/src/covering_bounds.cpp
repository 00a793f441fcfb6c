// Lower bounds on the columns of a cover of the core.
//
// Dual ascent: the linear relaxation's dual gives each row a share y_r of
// at most 1 per column (the shares of a column's rows sum to at most 1);
// any such shares sum to at most the minimum. The rows go in a fixed order,
// fewest columns first, each taking what is left of the slack of its
// columns.
//
// Lagrangian relaxation: for multipliers u >= 0 on the rows,
//   L(u) = sum of u_r + sum over columns of min(0, 1 - sum of u over its rows)
// is below the minimum. Subgradient steps (the step size halved after 20
// steps without a better L) raise it; the multipliers of the best L are
// kept for the nodes of branch and bound, which start from them.
#include <algorithm>
#include <cmath>

#include "covering_internal.h"

namespace tervo::minimiser::covering {

// Over the whole core, or (node) over the rows branch and bound leaves
// uncovered with the columns it has not excluded.
uint32_t Search::DualAscent(bool node) {
  if (++slackNow == 0) {
    std::fill(slackMark.begin(), slackMark.end(), 0);
    slackNow = 1;
  }
  double sum = 0;
  for (uint32_t r : rowOrder) {
    if (node && coverCount[r] != 0) continue;
    double y = 1;
    for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k) {
      const uint32_t c = coreRowCols[k];
      if (node && bbExcl[c]) continue;
      if (slackMark[c] != slackNow) {
        slackMark[c] = slackNow;
        slack[c] = 1;
      }
      y = std::min(y, slack[c]);
    }
    effort.Go((coreRowStart[r + 1] - coreRowStart[r]) / 4 + 1, false);
    if (y <= 1e-12) continue;
    sum += y;
    for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k)
      if (!node || !bbExcl[coreRowCols[k]]) slack[coreRowCols[k]] -= y;
  }
  return static_cast<uint32_t>(std::ceil(sum - 1e-7));
}

uint32_t Search::LagrangianBound(uint32_t upper, uint32_t iterations) {
  mult.assign(coreRowCount, 0);
  lagScore.resize(coreColCount);
  for (uint32_t r = 0; r < coreRowCount; ++r) {
    double u = 1;
    for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k) {
      const uint32_t c = coreRowCols[k];
      u = std::min(u, 1.0 / (coreColStart[c + 1] - coreColStart[c]));
    }
    mult[r] = u;
    effort.Go((coreRowStart[r + 1] - coreRowStart[r]) / 4 + 1, false);
  }
  std::vector<double>& g = slack;  // subgradient, reused
  g.assign(std::max(coreRowCount, coreColCount), 0);
  double bestL = 0, lambda = 2;
  uint32_t still = 0;
  bestMult.assign(mult.begin(), mult.end());
  for (uint32_t it = 0; it < iterations; ++it) {
    double L = 0;
    for (uint32_t r = 0; r < coreRowCount; ++r) L += mult[r], g[r] = 1;
    bool out = false;
    for (uint32_t c = 0; c < coreColCount; ++c) {
      double s = 1;
      for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) s -= mult[coreColRows[k]];
      lagScore[c] = s;
      if (s < 0) {
        L += s;
        for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) g[coreColRows[k]] -= 1;
      }
      if ((c & 255) == 255 && !effort.Go(128)) {
        out = true;
        break;
      }
    }
    if (out) break;
    if (L > bestL + 1e-9) {
      if (std::ceil(L - 1e-7) > std::ceil(bestL - 1e-7))
        effort.SetBound(static_cast<uint64_t>(std::ceil(L - 1e-7)) + fixedCols.size());
      bestL = L;
      bestMult.assign(mult.begin(), mult.end());
      still = 0;
    } else if (++still >= 20) {
      lambda /= 2;
      still = 0;
      if (lambda < 1e-4) break;
    }
    if (std::ceil(bestL - 1e-7) >= upper) break;
    double norm = 0;
    for (uint32_t r = 0; r < coreRowCount; ++r) {
      if (mult[r] <= 0 && g[r] < 0) g[r] = 0;  // would leave the feasible region anyway
      norm += g[r] * g[r];
    }
    if (norm == 0) break;
    const double step = lambda * (upper * 1.05 - L) / norm;
    for (uint32_t r = 0; r < coreRowCount; ++r) mult[r] = std::max(0.0, mult[r] + step * g[r]);
    if (!effort.Go(coreColRows.size() / 16 + 1)) break;
  }
  slackMark.assign(coreColCount, 0);
  slack.assign(coreColCount, 0);
  slackNow = 0;
  return static_cast<uint32_t>(std::ceil(bestL - 1e-7));
}

// Lagrangian bound of a node of branch and bound (uncovered rows, usable
// columns), starting from the root's multipliers and taking up to `steps`
// subgradient steps while the bound stays below `need`. Leaves the reduced
// costs of the last multipliers in lagScore (usable columns with uncovered
// rows) and returns the bound at those multipliers.
double Search::NodeLagrange(uint32_t need, int steps) {
  for (uint32_t r = 0; r < coreRowCount; ++r) nodeMult[r] = coverCount[r] == 0 ? bestMult[r] : 0;
  std::vector<double>& g = mult;  // subgradient, reused
  double lambda = 1;
  for (int it = 0;; ++it) {
    double L = 0;
    for (uint32_t r = 0; r < coreRowCount; ++r)
      if (coverCount[r] == 0) L += nodeMult[r], g[r] = 1;
    for (uint32_t c = 0; c < coreColCount; ++c) {
      if (bbExcl[c]) continue;
      double sc = 1;
      bool any = false;
      for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k)
        if (coverCount[coreColRows[k]] == 0) sc -= nodeMult[coreColRows[k]], any = true;
      lagScore[c] = any ? sc : 1e9;
      if (any && sc < 0) {
        L += sc;
        for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k)
          if (coverCount[coreColRows[k]] == 0) g[coreColRows[k]] -= 1;
      }
    }
    effort.Go(coreColRows.size() / 16 + coreRowCount / 16 + 1, false);
    if (std::ceil(L - 1e-7) >= need || it >= steps) return L;
    double norm = 0;
    for (uint32_t r = 0; r < coreRowCount; ++r) {
      if (coverCount[r] != 0) continue;
      if (nodeMult[r] <= 0 && g[r] < 0) g[r] = 0;
      norm += g[r] * g[r];
    }
    if (norm == 0) return L;
    const double step = lambda * (need + 0.5 - L) / norm;
    for (uint32_t r = 0; r < coreRowCount; ++r)
      if (coverCount[r] == 0) nodeMult[r] = std::max(0.0, nodeMult[r] + step * g[r]);
    lambda *= 0.8;
  }
}

// The dual-ascent bound of the core, then, when it leaves a gap and the
// reductions finished, the Lagrangian bound in 15 % of the effort left.
void Search::FirstBounds(bool reduced) {
  rowOrder.resize(coreRowCount);
  for (uint32_t r = 0; r < coreRowCount; ++r) rowOrder[r] = r;
  std::stable_sort(rowOrder.begin(), rowOrder.end(), [&](uint32_t a, uint32_t b) {
    return coreRowStart[a + 1] - coreRowStart[a] < coreRowStart[b + 1] - coreRowStart[b];
  });
  slackMark.assign(coreColCount, 0);
  slack.assign(coreColCount, 0);
  slackNow = 0;
  coreBound = DualAscent(false);
  effort.progress.bound = coreBound + fixedCols.size();
  effort.searching = true;
  effort.Gain();
  if (coreBound < best.size() && reduced) {
    effort.SetPhase(std::max(kMinLagrangeShare, effort.Remaining() / 100 * 15));
    coreBound = std::max(coreBound, LagrangianBound(static_cast<uint32_t>(best.size()), 1000));
    effort.SetBound(coreBound + fixedCols.size());
  }
}

}  // namespace tervo::minimiser::covering
