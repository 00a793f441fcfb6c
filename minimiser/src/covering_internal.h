// The covering search's state, shared by its phases (covering*.cpp). One
// object, filled in the order of the phases; see covering.cpp for the
// method and the order.
//
//   phase             functions                              file                  fills
//   ----------------  -------------------------------------  --------------------  ---------------------------
//   the matrix        Load, BuildRowLists                    covering_reduce.cpp   colStart..rowCols, colCost
//   reductions        Reduce: TakeEssentials,                covering_reduce.cpp   fixedCols, rowAlive, colAlive
//                     DropDominatedRows, DropDominatedColumns
//   core              BuildCore                              covering_reduce.cpp   coreRowCount..coreColCost
//   first cover       Greedy, MakeIrredundant                covering_local.cpp    best
//   bounds            FirstBounds: DualAscent,               covering_bounds.cpp   coreBound
//                     LagrangianBound
//   local search      SearchCore: LocalSearch                covering_local.cpp    best
//   branch and bound  SearchCore: BranchAndBound, BbNode     covering_branch.cpp   best, coreBound (the proof)
//   literals          FewerLiterals                          covering_local.cpp    best
//   the result        SolveCover                             covering.cpp          a CoverSolution
//
// Effort keeps the ticks of every phase: the budget, a phase's share of it,
// the stall rule, and the Watcher's Stop and Report.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "tervo/covering.h"
#include "tervo/watcher.h"

namespace tervo::minimiser::covering {

// Ticks between two polls of the Watcher.
inline constexpr uint64_t kPollTicks = 4096;
// Polls between two progress reports.
inline constexpr uint32_t kReportPolls = 16;

// The stall rule: once the search has spent kStallFloor ticks (and
// kStallFloorPerRow more per row of the core: the local search's weights
// take a while to learn a core of many rows), it ends as soon as the ticks
// since its last gain (fewer columns, or a higher bound) exceed four fifths
// of the ticks it took to get there.
inline constexpr uint64_t kStallFloor = 16'000'000;
inline constexpr uint64_t kStallFloorPerRow = 1'600;
inline constexpr uint64_t kStallShareNum = 4, kStallShareDen = 5;

// The Lagrangian bound gets at least this much, else 15 % of what is left.
inline constexpr uint64_t kMinLagrangeShare = 2'000'000;

// Cores up to this many rows get the exact search.
inline constexpr uint32_t kExactRows = 4000;

// The ticks of one search: counts them, polls the Watcher every kPollTicks,
// and notes why the search must end.
struct Effort {
  // ---------------------------------------------------------- settings
  Watcher* watcher = nullptr;   // Stop and Report; nullptr: none
  uint64_t budget = 0;          // ticks the whole search may spend (kUnlimitedEffort: no budget)
  uint64_t shareBase = 0;       // what a phase's share is taken of: the budget, or the default one when there is none
  bool stallStop = true;        // the stall rule is on
  uint64_t stallFloor = kStallFloor;  // ticks before the stall rule may end the search

  // ---------------------------------------------------------- why it ended
  bool stopped = false;         // Stop() answered true
  bool spent = false;           // the budget ran out
  bool stalled = false;         // the stall rule ended it
  bool phaseOver = false;       // the current phase's share has run out

  // ---------------------------------------------------------- counters
  uint64_t ticks = 0;           // spent so far
  uint64_t nextPoll = kPollTicks;  // when the Watcher is polled next
  uint64_t phaseEnd = 0;        // the end of the current phase's share
  uint64_t lastGain = 0;        // ticks at the last gain
  uint32_t polls = 0;           // polls so far
  bool searching = false;       // past the first cover and bound: the stall rule and reports apply
  Progress progress;            // what Report shows

  // Counts `units` ticks. Returns false once the search must end (stopped,
  // budget spent, stalled, or the phase's share over). Phases that must
  // finish (the first cover, its bound) pass timed = false: they then end
  // only when stopped, and not even then when they ignore the answer.
  bool Go(uint64_t units, bool timed = true) {
    ticks += units;
    if (ticks >= nextPoll) Poll();
    if (ticks >= budget) spent = true;
    if (ticks >= phaseEnd) phaseOver = true;
    if (stallStop && searching && ticks >= stallFloor &&
        kStallShareDen * (ticks - lastGain) > kStallShareNum * lastGain)
      stalled = true;
    return !stopped && (!timed || (!spent && !stalled && !phaseOver));
  }

  // Asks the Watcher whether to stop, and now and then reports.
  void Poll() {
    nextPoll = ticks + kPollTicks;
    if (watcher == nullptr) return;
    if (!stopped && watcher->Stop()) stopped = true;
    if (searching && ++polls % kReportPolls == 0) Report();
  }

  void Report() {
    if (watcher == nullptr) return;
    progress.ticks = ticks;
    watcher->Report(progress);
  }

  // Out of effort or stopped: the search ends.
  bool Over() const { return stopped || spent || stalled; }

  // The search found fewer columns or a higher bound.
  void Gain() { lastGain = ticks; }

  // The bound rose: shown, and a gain for the stall rule.
  void SetBound(uint64_t b) {
    if (b > progress.bound) Gain();
    progress.bound = b;
  }

  // Ticks left of the budget (of the default one when there is none).
  uint64_t Remaining() const { return shareBase > ticks ? shareBase - ticks : 0; }

  // The next phase may spend this many ticks (never past the budget).
  void SetPhase(uint64_t share) {
    const uint64_t left = budget > ticks ? budget - ticks : 0;
    phaseEnd = left > share ? ticks + share : budget;
    phaseOver = ticks >= phaseEnd;
  }
};

struct Search {
  // The state of one search, in the order the phases fill it.

  // ========================================================== settings and results
  std::mt19937 rng;                   // the local search's random choices (seeded from the settings)
  Effort effort;                      // ticks, the Watcher and why the search ended
  std::vector<uint32_t> fixedCols;    // columns every cover takes (essential after reductions)
  std::vector<uint32_t> best;         // best cover of the core found, as core columns
  uint64_t bestCost = 0;              // cost of best
  uint32_t coreBound = 0;             // no cover of the core has fewer columns

  // ========================================================== the matrix
  // Both directions as offset lists.
  uint32_t rowCount = 0;              // rows of the matrix
  uint32_t colCount = 0;              // columns of the matrix
  const uint32_t* colStart = nullptr; // column j covers colRows[colStart[j] .. colStart[j + 1]) (the problem's)
  const uint32_t* colRows = nullptr;  // the rows of each column, one after the other (the problem's)
  std::vector<uint32_t> colCost;      // column -> cost (0 when the problem gives none)
  std::vector<uint32_t> rowStart;     // row r is covered by rowCols[rowStart[r] .. rowStart[r + 1])
  std::vector<uint32_t> rowCols;      // the columns of each row, one after the other

  // ========================================================== the core
  // The rows and columns the reductions leave, renumbered, with lists of
  // the same shape as the matrix's.
  uint32_t coreRowCount = 0;          // rows of the core
  uint32_t coreColCount = 0;          // columns of the core
  std::vector<uint32_t> coreCol;      // core column -> column of the matrix
  std::vector<uint32_t> coreColStart; // core column c covers coreColRows[coreColStart[c] .. coreColStart[c + 1])
  std::vector<uint32_t> coreColRows;  // the core rows of each core column
  std::vector<uint32_t> coreRowStart; // core row r is covered by coreRowCols[coreRowStart[r] .. coreRowStart[r + 1])
  std::vector<uint32_t> coreRowCols;  // the core columns of each core row
  std::vector<uint32_t> coreColCost;  // core column -> cost

  // ========================================================== scratch
  // reductions
  std::vector<uint8_t> rowAlive;      // row -> 0 once covered or dominated
  std::vector<uint8_t> colAlive;      // column -> 0 once taken or dominated
  std::vector<uint32_t> rowDeg;       // row -> alive columns covering it (also a fill cursor)
  std::vector<uint32_t> colDeg;       // column -> alive rows it covers
  std::vector<uint32_t> mark;         // row or column -> stamp of the last NextMark that marked it
  uint32_t markNow = 0;               // the current stamp

  // the current cover (greedy, local search, branch and bound, costs)
  std::vector<uint32_t> coverCount;   // core row -> columns of the current cover that cover it
  std::vector<uint8_t> inSol;         // core column -> 1 in the current cover
  std::vector<uint32_t> sol;          // the current cover's core columns
  std::vector<uint32_t> solPos;       // core column -> its index in sol
  std::vector<uint64_t> heap;         // greedy: keys of the columns by rows gained, then lower cost

  // local search
  std::vector<uint32_t> weight;       // core row -> weight, raised while it stays uncovered
  std::vector<int64_t> score;         // core column -> weight gained by adding it (lost by removing it)
  std::vector<uint8_t> canAdd;        // core column -> 0 just after removal, until a neighbour changes
  std::vector<uint64_t> stampOf;      // core column -> step it last changed (older goes first on ties)
  std::vector<uint32_t> uncoveredRows;  // core rows no column of the current set covers
  std::vector<uint32_t> uncoveredPos;   // core row -> its index in uncoveredRows
  uint64_t lsWork = 0;                // entries visited in the current step
  uint64_t lsStep = 0;                // steps taken (stamps of the columns)
  uint32_t lsLastAdded = UINT32_MAX;  // the column added last (not removed right away)
  bool lsStalled = false;             // the last local search ended by its own step limit

  // lower bounds
  std::vector<double> mult;           // core row -> Lagrangian multiplier (also a subgradient in nodes)
  std::vector<double> bestMult;       // the multipliers of the best root bound
  std::vector<double> slack;          // core column -> what dual ascent left of its 1 (also the root's subgradient)
  std::vector<uint32_t> slackMark;    // core column -> slackNow when slack was set
  uint32_t slackNow = 0;              // the current dual ascent's stamp
  std::vector<uint32_t> rowOrder;     // core rows, fewest columns first: dual ascent's order
  std::vector<double> lagScore;       // core column -> reduced cost at the last multipliers

  // branch and bound
  std::vector<double> nodeMult;       // core row -> a node's multipliers
  std::vector<uint32_t> bbAvail;      // core row -> usable (not excluded) columns covering it
  std::vector<uint8_t> bbExcl;        // core column -> 1 excluded below the current node
  std::vector<uint32_t> bbSel;        // the columns selected on the path to the current node
  std::vector<uint32_t> bbStack;      // columns fixed out and children of every node on the path (also scratch)
  uint32_t bbStackTop = 0;            // end of bbStack's used part
  uint32_t bbUncov = 0;               // core rows the selected columns leave uncovered
  bool bbAborted = false;             // out of effort or stack: no proof

  // ---------------------------------------------------------- covering_reduce.cpp
  void BuildRowLists();
  void KillRow(uint32_t r);
  void KillCol(uint32_t j);
  void Take(uint32_t j);
  uint32_t NextMark();
  bool Reduce();
  bool TakeEssentials(bool& changed);
  bool DropDominatedRows(bool& changed);
  bool DropDominatedColumns(bool& changed);
  void BuildCore();

  // ---------------------------------------------------------- covering_local.cpp
  uint64_t CostOf(const std::vector<uint32_t>& cols) const;
  void KeepIfBetter(const std::vector<uint32_t>& cols);
  void SolClear();
  void SolAdd(uint32_t c);
  void SolRemove(uint32_t c);
  void Greedy();
  void MakeIrredundant();
  void UncAdd(uint32_t r);
  void UncRemove(uint32_t r);
  uint32_t OnlyCover(uint32_t r) const;
  void LsAdd(uint32_t c);
  void LsRemove(uint32_t c);
  void Touch(uint32_t c);
  uint32_t PickRemove(uint32_t tabu);
  void LocalSearch(uint64_t maxStall, bool resume = false);
  void FewerCosts();

  // ---------------------------------------------------------- covering_bounds.cpp
  uint32_t DualAscent(bool node);
  uint32_t LagrangianBound(uint32_t upper, uint32_t iterations);
  double NodeLagrange(uint32_t need, int steps);
  void FirstBounds(bool reduced);

  // ---------------------------------------------------------- covering_branch.cpp
  void BbSelect(uint32_t c);
  void BbUnselect(uint32_t c);
  void BbExclude(uint32_t c, bool on);
  void BbNode();
  bool BranchAndBound();

  // ---------------------------------------------------------- covering.cpp
  bool Solve(bool& reduced);
  bool SearchCore();
};

}  // namespace tervo::minimiser::covering
