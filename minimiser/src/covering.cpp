// The covering search: as few columns as can be found that cover every row
// of a matrix (then the lowest cost), with a lower bound, and a proof of
// the minimum where the search completes.
//
// The method, phase by phase (the state and the table of phases are in
// covering_internal.h):
//   1. the reductions to the cyclic core: essential columns, row dominance,
//      column dominance, until none applies (covering_reduce.cpp);
//   2. a greedy cover of the core, made irredundant (covering_local.cpp);
//   3. lower bounds: dual ascent, then subgradient steps on the Lagrangian
//      relaxation in a share of the effort (covering_bounds.cpp);
//   4. a short row-weighting local search; then, where the core is small
//      and the gap between cover and bound narrow, branch and bound with
//      dual-ascent and Lagrangian node bounds and reduced-cost fixing
//      (covering_branch.cpp), else the local search goes on with the
//      weights it has learned;
//   5. a last pass lowering the cover's cost column by column.
//
// Effort is counted in ticks: roughly the entries of the matrix visited,
// and a fixed amount per move of the local search and per node of branch
// and bound. The budget, each phase's share of it and the stall rule are
// all in ticks, so a search's result depends on its problem and settings
// alone. The library reads no clock: the Watcher is polled every
// kPollTicks ticks and may end the search (a caller's time limit, or a
// user's stop), which then gives back its best cover so far.
//
// Choices:
//   - The first cover and its dual-ascent bound are always finished, even
//     when the search is stopped or out of effort: every answer is a cover.
//   - The reductions may be cut by the budget or a stop; what they reduced
//     so far stays sound, and the greedy cover covers the rest.
//   - Each phase's start counts as a gain for the stall rule: every phase
//     gets its chance.
#include <algorithm>

#include "covering_internal.h"

namespace tervo::minimiser {

namespace covering {
namespace {

// The local search's first run may spend this much, or a quarter of what
// is left when that is less.
constexpr uint64_t kShortSearchShare = 40'000'000;

// Steps without a better cover that end the short local search and the
// long one (at least; more on a core of many rows).
constexpr uint64_t kShortSearchSteps = 200'000;
constexpr uint64_t kLongSearchSteps = 400'000;
constexpr uint64_t kLongSearchStepsPerRow = 40;

}  // namespace

// From the matrix to the best cover found: fixedCols and the core columns
// in best. True when it is proved minimum; `reduced` tells whether the
// reductions finished.
bool Search::Solve(bool& reduced) {
  effort.progress.phase = "reductions";
  reduced = Reduce();
  BuildCore();
  effort.stallFloor = kStallFloor + kStallFloorPerRow * coreRowCount;
  best.clear();
  bestCost = 0;
  coreBound = 0;
  if (coreRowCount == 0) return true;
  // A search stopped or out of effort in the reductions has the greedy
  // cover of the core so far and the dual-ascent bound, nothing more.
  effort.progress.phase = "first cover";
  Greedy();
  effort.progress.phase = "bounds";
  FirstBounds(reduced);
  bool proved = coreBound >= best.size();
  if (!proved && reduced && !effort.Over()) proved = SearchCore();
  FewerCosts();
  return proved;
}

// A short local search first; then branch and bound where the core is
// small and the gap narrow, else the local search goes on. True when the
// cover is proved minimum.
bool Search::SearchCore() {
  effort.progress.phase = "local search";
  effort.SetPhase(std::min(kShortSearchShare, effort.Remaining() / 4));
  effort.Gain();  // each phase gets its chance before the stall rule
  LocalSearch(kShortSearchSteps);
  bool proved = coreBound >= best.size();
  const bool exact =
      coreRowCount <= kExactRows && best.size() - coreBound <= std::max<uint32_t>(3, coreRowCount / 100);
  if (proved || effort.Over()) return proved;
  effort.SetPhase(kUnlimitedEffort);  // the rest of the budget
  if (exact) {
    effort.progress.phase = "branch and bound";
    proved = BranchAndBound();
    if (proved) coreBound = static_cast<uint32_t>(best.size());
  } else {
    // The same search goes on: its weights have learned the core.
    LocalSearch(std::max<uint64_t>(kLongSearchSteps, kLongSearchStepsPerRow * coreRowCount), true);
    proved = coreBound >= best.size();
  }
  return proved;
}

}  // namespace covering

namespace {

// Every entry names a row of the problem and every row has a column.
bool WellFormed(const CoverProblem& p) {
  if (p.colStart.empty() || p.colStart.front() != 0 || p.colStart.back() != p.colRows.size()) return false;
  if (!p.colCost.empty() && p.colCost.size() != p.Columns()) return false;
  for (std::size_t j = 0; j + 1 < p.colStart.size(); ++j)
    if (p.colStart[j] > p.colStart[j + 1]) return false;
  std::vector<uint8_t> hit(p.rows, 0);
  for (uint32_t r : p.colRows) {
    if (r >= p.rows) return false;
    hit[r] = 1;
  }
  return std::find(hit.begin(), hit.end(), 0) == hit.end();
}

}  // namespace

CoverSolution SolveCover(const CoverProblem& p, const CoverSettings& settings, Watcher* watcher) {
  CoverSolution out;
  if (!WellFormed(p)) {
    out.status = Status::kRefused;
    return out;
  }
  if (p.rows == 0) {
    out.minimum = true;
    return out;
  }
  covering::Search s;
  s.rng.seed(settings.seed);
  covering::Effort& e = s.effort;
  e.watcher = watcher;
  e.budget = settings.effort == 0 ? kDefaultCoverEffort : settings.effort;
  e.shareBase = e.budget == kUnlimitedEffort ? kDefaultCoverEffort : e.budget;
  e.phaseEnd = e.budget;
  e.stallStop = settings.stallStop;
  s.rowCount = p.rows;
  s.colCount = p.Columns();
  s.colStart = p.colStart.data();
  s.colRows = p.colRows.data();
  s.colCost = p.colCost;
  s.colCost.resize(s.colCount, 0);
  s.BuildRowLists();

  bool reduced = false;
  const bool proved = s.Solve(reduced);

  for (uint32_t j : s.fixedCols) out.columns.push_back(j);
  for (uint32_t c : s.best) out.columns.push_back(s.coreCol[c]);
  const auto size = static_cast<uint32_t>(out.columns.size());
  out.minimum = proved;
  out.lowerBound = proved ? size : std::min<uint32_t>(s.coreBound + static_cast<uint32_t>(s.fixedCols.size()), size);
  if (proved)
    out.status = Status::kDone;
  else if (e.stopped)
    out.status = Status::kStopped;
  else if (e.stalled || s.lsStalled)
    out.status = Status::kStalled;
  else if (e.spent)
    out.status = Status::kBudgetSpent;
  else
    out.status = Status::kDone;  // the search ended without a proof (no room for branch and bound's stack)
  out.ticks = e.ticks;
  out.essentials = static_cast<uint32_t>(s.fixedCols.size());
  out.coreRows = s.coreRowCount;
  out.coreColumns = s.coreColCount;
  e.progress.phase = "done";
  e.progress.cubes = size;
  e.progress.bound = out.lowerBound;
  e.Report();
  return out;
}

}  // namespace tervo::minimiser
