// The cover search, phase by phase (the method is told in minimal_cover.h).
// CoverSearch::Impl::Run goes through them for a TruthTable, SolveMatrix
// from "reductions" on for a matrix a caller built (the shared cover of a
// PLA file); Solve decides how much of the time each search phase gets.
//
//   phase             functions                              fills
//   ----------------  -------------------------------------  ------------------------
//   the function      CopyInputTerms, LoadFunction           on, rowOf, rowMinterm
//   implicants        BuildImplicants                        imp
//   columns           ListColumns: ListPrimes | GrowColumns  colValue, colMask
//   matrix            BuildMatrix, BuildRowLists             colStart..rowCols, colLits
//   reductions        Reduce: TakeEssentials,                fixedCols, rowAlive, colAlive
//                     DropDominatedRows, DropDominatedColumns
//   core              BuildCore                              coreRowCount..coreColLits
//   first cover       Greedy, MakeIrredundant                best
//   bounds            FirstBounds: DualAscent,               coreBound
//                     LagrangianBound
//   local search      SearchCore: LocalSearch                best
//   branch and bound  SearchCore: BranchAndBound, BbNode     best, coreBound (the proof)
//   literals          FewerLiterals                          best
//   the result        Write (Run) or SolveMatrix             the TruthTable, a MatrixCover
//
// Pace keeps the time of every phase: events for the host, ESC, the time
// limit, a phase's share of it and the stall stop.
#include "minimal_cover.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "cube_walk.h"
#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The stall stop never ends a search before it has run this long, and
// longer on a large core: the local search's weights take a while to learn
// a core of many rows, and a pause in its gains there means little.
constexpr double kStallFloor = 0.4;          // seconds of processor time
constexpr double kStallFloorPerRow = 40e-6;  // ... and this much more per row of the core
constexpr double kStallShare = 0.8;          // time since the last gain, as a share of the time before it

// Time keeping for one search: lets the host process events about every
// 15 ms, notices ESC (GoOn cleared), the time limit and the end of a phase.
struct Pace {
  // ---------------------------------------------------------- settings
  Engine* e = nullptr;                  // GoOn: cleared by the host (ESC)
  RunHost* host = nullptr;              // events and progress text
  const char* label = "minimal cover";  // what the progress text calls the search
  bool stallStop = true;                // end the search when it stalls (below)
  double stallFloor = kStallFloor;      // processor seconds before the stall stop may end it
  Clock::time_point start;              // when the search began (the time limit counts from here)
  Clock::time_point deadline;           // the time limit

  // ---------------------------------------------------------- why it ended
  bool stopped = false;    // the host cleared GoOn
  bool expired = false;    // the time limit has passed (or the search stalled)
  bool stalled = false;    // the stall stop ended it
  bool phaseOver = false;  // the current phase's share of time has passed

  // ---------------------------------------------------------- progress text
  uint32_t terms = 0, bound = 0;  // shown in the progress text while searching
  bool searching = false;         // past the setup: the progress text shows terms and bound
  std::array<char, 96> text{};    // the progress text

  // ---------------------------------------------------------- clocks
  // Stall stop: once the search has run stallFloor, it ends when the time
  // since its last gain (fewer terms, or a higher bound) exceeds four fifths
  // of the time it took to get there. Measured in processor time, so that a loaded machine
  // does not end a search sooner than an idle one would. The time limit
  // (wall-clock) stays the cap.
  Clock::time_point phaseEnd;            // the end of the current phase's share
  Clock::time_point lastEvents;          // when the host last processed events
  Clock::time_point lastProgress;        // when the progress text was last shown
  uint32_t work = 0;                     // units of work since the last look at the clock
  double cpuStart = 0, cpuLastGain = 0;  // CpuSeconds() at the start and at the last gain

  // Counts work; every 4096 units looks at the clock. Returns false once the
  // search must end (stopped or out of time). Setup stages pass
  // timed = false: they run to their end unless stopped.
  bool Go(uint32_t units, bool timed = true) {
    work += units;
    if (work >= 4096) {
      work = 0;
      Check();
    }
    return !stopped && (!timed || (!expired && !phaseOver));
  }

  void Check() {
    const auto now = Clock::now();
    if (!stopped && now - lastEvents >= std::chrono::milliseconds(15)) {
      if (searching && now - lastProgress >= std::chrono::milliseconds(250)) {
        lastProgress = now;
        ShowSearch();
      }
      host->ProcessPendingEvents();
      lastEvents = Clock::now();
      if (!e->GoOn) stopped = true;
    }
    if (now >= deadline) expired = true;
    if (now >= phaseEnd) phaseOver = true;
    if (stallStop && searching) {
      const double cpu = CpuSeconds();
      if (cpu - cpuStart >= stallFloor && cpu - cpuLastGain > kStallShare * (cpuLastGain - cpuStart)) {
        stalled = true;
        expired = true;
      }
    }
  }

  // The search found fewer terms or a higher bound.
  void Gain() { cpuLastGain = CpuSeconds(); }

  void Show(const char* what) {
    std::snprintf(text.data(), text.size(), "%s: %s", label, what);
    host->ShowProgress(text.data());
  }

  void ShowSearch() {
    std::snprintf(text.data(), text.size(), "%s: %u terms, at least %u", label, terms, bound);
    host->ShowProgress(text.data());
  }

  // The bound rose: shown, and a gain for the stall stop.
  void SetBound(uint32_t b) {
    if (b > bound) Gain();
    bound = b;
  }

  void SetPhase(double seconds) {
    const auto now = Clock::now();
    phaseEnd = std::min(deadline, now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
    phaseOver = now >= phaseEnd;
  }

  double Remaining() const { return std::chrono::duration<double>(deadline - Clock::now()).count(); }
};

// Cores up to this many rows get the exact search.
constexpr uint32_t kExactRows = 4000;

}  // namespace

struct CoverSearch::Impl {
  // The state of one search, in the order the phases fill it. Settings stay
  // from one search to the next; everything else is set up again by each.

  // ========================================================== settings
  std::array<uint64_t, 512> dc{};     // bit m: minterm m is a don't-care (a prime may hold it, no row needs it)
  bool hasDc = false;                 // some bit of dc is set
  bool stallStop = true;              // end the search when it stalls (Pace)
  std::mt19937 rng{0x7e5a42u};        // the local search's random choices (SetSeed)

  // ========================================================== results
  // Read by Run and SolveMatrix once the search ends.
  bool allPrimes = true;              // the columns are all the primes (else grown from the rows)
  std::vector<uint32_t> fixedCols;    // columns every cover takes (essential after reductions)
  std::vector<uint32_t> best;         // best cover of the core found, as core columns
  uint32_t bestLits = 0;              // literals of best
  uint32_t coreBound = 0;             // no cover of the core has fewer columns
  Pace pace;                          // the clock, the host and why the search ended (stopped, expired, stalled)

  // ========================================================== the function
  int n = 0;                          // variables
  uint16_t full = 0;                  // mask of the n variables
  std::array<uint64_t, 512> on{};     // bit m: minterm m belongs to the function
  std::array<uint32_t, 16> pow3{};    // powers of 3, the digit weights of a ternary cube number
  std::vector<uint64_t> imp;          // bit c: ternary cube c is an implicant
  bool On(uint32_t m) const { return on[m >> 6] >> (m & 63) & 1; }
  bool OnOrDc(uint32_t m) const { return (on[m >> 6] | dc[m >> 6]) >> (m & 63) & 1; }
  bool Imp(uint32_t c) const { return imp[c >> 6] >> (c & 63) & 1; }

  // ========================================================== the matrix
  // Rows are the minterms of the function, columns the primes (or grown
  // implicants); both directions as offset lists.
  std::vector<uint16_t> colValue;     // column -> value bits of its cube
  std::vector<uint16_t> colMask;      // column -> mask of its cube (set: a literal)
  std::vector<uint8_t> colLits;       // column -> literals (its cost)
  uint32_t rowCount = 0;              // rows of the matrix
  uint32_t colCount = 0;              // columns of the matrix
  std::vector<int32_t> rowOf;         // minterm -> row, -1 off the function
  std::vector<uint16_t> rowMinterm;   // row -> minterm
  std::vector<uint32_t> colStart;     // column j covers colRows[colStart[j] .. colStart[j + 1])
  std::vector<uint32_t> colRows;      // the rows of each column, one after the other
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
  std::vector<uint8_t> coreColLits;   // core column -> literals

  // ========================================================== scratch
  // Working space of the phases, kept between searches so that its memory
  // is allocated once.

  // reductions
  std::vector<uint8_t> rowAlive;      // row -> 0 once covered or dominated
  std::vector<uint8_t> colAlive;      // column -> 0 once taken or dominated
  std::vector<uint32_t> rowDeg;       // row -> alive columns covering it (also a fill cursor)
  std::vector<uint32_t> colDeg;       // column -> alive rows it covers
  std::vector<uint32_t> mark;         // row or column -> stamp of the last NextMark that marked it
  uint32_t markNow = 0;               // the current stamp

  // the current cover (greedy, local search, branch and bound, literals)
  std::vector<uint32_t> coverCount;   // core row -> columns of the current cover that cover it
  std::vector<uint8_t> inSol;         // core column -> 1 in the current cover
  std::vector<uint32_t> sol;          // the current cover's core columns
  std::vector<uint32_t> solPos;       // core column -> its index in sol
  std::vector<uint64_t> heap;         // greedy: keys of the columns by rows gained, then fewer literals

  // local search
  std::vector<uint32_t> weight;       // core row -> weight, raised while it stays uncovered
  std::vector<int64_t> score;         // core column -> weight gained by adding it (lost by removing it)
  std::vector<uint8_t> canAdd;        // core column -> 0 just after removal, until a neighbour changes
  std::vector<uint64_t> stampOf;      // core column -> step it last changed (older goes first on ties)
  std::vector<uint32_t> uncoveredRows;  // core rows no column of the current set covers
  std::vector<uint32_t> uncoveredPos;   // core row -> its index in uncoveredRows
  uint64_t lsWork = 0;                // entries visited since the last look at the clock
  uint64_t lsStep = 0;                // steps taken (stamps of the columns)
  uint32_t lsLastAdded = UINT32_MAX;  // the column added last (not removed right away)

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
  std::vector<uint32_t> bbStack;      // columns fixed out and children of every node on the path (also scratch for MakeIrredundant and Write)
  uint32_t bbStackTop = 0;            // end of bbStack's used part
  uint32_t bbUncov = 0;               // core rows the selected columns leave uncovered
  bool bbAborted = false;             // out of time or stack: no proof

  Impl() {
    pow3[0] = 1;
    for (int i = 1; i < 16; ++i) pow3[i] = pow3[i - 1] * 3;
    imp.assign((pow3[kMaxVariables] + 63) / 64, 0);
    rowOf.assign(kTermCapacity, -1);
    colValue.reserve(1u << 16);
    colMask.reserve(1u << 16);
    colLits.reserve(1u << 16);
  }

  uint32_t TernaryIndex(uint16_t value, uint16_t mask) const {
    uint32_t c = 0;
    for (int i = 0; i < n; ++i) c += ((mask >> i) & 1 ? ((value >> i) & 1) : 2u) * pow3[i];
    return c;
  }

  // ---------------------------------------------------------- primes

  // Implicant table: a cube without free variables is an implicant when its
  // minterm is on; one with free variables when both halves along its lowest
  // free variable are. Both halves have smaller ternary numbers. The cubes
  // go in groups of three that differ only in variable 1 (digit 0): the
  // third of a group (variable 1 free) is the AND of the first two.
  bool BuildImplicants() {
    const uint32_t total = pow3[n];
    std::fill(imp.begin(), imp.begin() + (total + 63) / 64, 0);
    CubeDigits o;
    for (uint32_t c = 0; c < total; c += 3, o.Next(1, n)) {
      bool v0, v1;
      if (!o.dash) {
        v0 = OnOrDc(o.val);
        v1 = OnOrDc(o.val | 1u);
      } else {
        const unsigned i = static_cast<unsigned>(std::countr_zero(o.dash));
        v0 = Imp(c - 2 * pow3[i]) && Imp(c - pow3[i]);
        v1 = Imp(c + 1 - 2 * pow3[i]) && Imp(c + 1 - pow3[i]);
      }
      if (v0) Set(c);
      if (v1) Set(c + 1);
      if (v0 && v1) Set(c + 2);
      if (!pace.Go(3, false)) return false;
    }
    return true;
  }

  void Set(uint32_t c) { imp[c >> 6] |= uint64_t{1} << (c & 63); }

  // True when no cube with one more free variable than implicant c (group
  // member k, upper digits as in o) is an implicant.
  bool Prime(uint32_t c, int k, const CubeDigits& o) const {
    if (k < 2 && Imp(c - k + 2)) return false;
    for (int i = 1; i < n; ++i)
      if (o.d[i] != 2 && Imp(c + (o.d[i] == 0 ? 2 : 1) * pow3[i])) return false;
    return true;
  }

  // Primes: implicants that no cube with one more free variable contains.
  bool ListPrimes() {
    const uint32_t total = pow3[n];
    colValue.clear();
    colMask.clear();
    CubeDigits o;
    for (uint32_t c = 0; c < total; c += 3, o.Next(1, n)) {
      for (int k = 0; k < 3; ++k) {
        if (!Imp(c + k) || !Prime(c + k, k, o)) continue;
        if (colValue.size() >= kPrimeCapacity) {
          allPrimes = false;
          return true;
        }
        colValue.push_back(static_cast<uint16_t>(o.val | (k == 1 ? 1u : 0u)));
        colMask.push_back(static_cast<uint16_t>(full & ~o.dash & ~(k == 2 ? 1u : 0u)));
      }
      if (!pace.Go(3, false)) return false;
    }
    return true;
  }

  // When the primes do not fit: one prime per row, grown from the row by
  // dropping literals while the cube stays an implicant (a different
  // variable order for each row), duplicates removed.
  bool GrowColumns() {
    allPrimes = false;
    colValue.clear();
    colMask.clear();
    std::vector<uint32_t> packed;
    packed.reserve(rowCount);
    for (uint32_t r = 0; r < rowCount; ++r) {
      const uint16_t m = rowMinterm[r];
      uint16_t mask = full;
      for (int k = 0; k < n; ++k) {
        const int i = (k + static_cast<int>(r % static_cast<uint32_t>(n))) % n;
        const auto trial = static_cast<uint16_t>(mask & ~(1u << i));
        if (Imp(TernaryIndex(m, trial))) mask = trial;
      }
      packed.push_back(static_cast<uint32_t>(mask) << 16 | (m & mask));
      if (!pace.Go(16, false)) return false;
    }
    std::sort(packed.begin(), packed.end());
    packed.erase(std::unique(packed.begin(), packed.end()), packed.end());
    for (uint32_t x : packed) {
      colMask.push_back(static_cast<uint16_t>(x >> 16));
      colValue.push_back(static_cast<uint16_t>(x & 0xffff));
    }
    return true;
  }

  // ---------------------------------------------------------- the matrix

  uint64_t Entries() const {
    uint64_t e = 0;
    for (size_t j = 0; j < colMask.size(); ++j) e += uint64_t{1} << (n - std::popcount(colMask[j]));
    return e;
  }

  // Rows of the function a cube holds: all of its minterms unless some
  // are don't-cares, which are no rows.
  uint32_t RowsIn(uint16_t value, uint16_t mask) const {
    const uint16_t free = static_cast<uint16_t>(full & ~mask), base = static_cast<uint16_t>(value & mask);
    if (!hasDc) return 1u << std::popcount(free);
    uint32_t c = 0;
    ForEachMinterm(base, free, [&](uint16_t a) { c += rowOf[a] >= 0; });
    return c;
  }

  bool BuildMatrix() {
    if (hasDc) {
      // A prime made of don't-cares alone covers no row: it is no column.
      size_t kept = 0;
      for (size_t j = 0; j < colValue.size(); ++j) {
        if (RowsIn(colValue[j], colMask[j]) == 0) continue;
        colValue[kept] = colValue[j];
        colMask[kept++] = colMask[j];
      }
      colValue.resize(kept);
      colMask.resize(kept);
    }
    colCount = static_cast<uint32_t>(colValue.size());
    colLits.resize(colCount);
    colStart.assign(colCount + 1, 0);
    for (uint32_t j = 0; j < colCount; ++j) {
      colLits[j] = static_cast<uint8_t>(std::popcount(colMask[j]));
      colStart[j + 1] = colStart[j] + RowsIn(colValue[j], colMask[j]);
    }
    colRows.resize(colStart[colCount]);
    for (uint32_t j = 0; j < colCount; ++j) {
      const uint16_t free = static_cast<uint16_t>(full & ~colMask[j]);
      const uint16_t base = static_cast<uint16_t>(colValue[j] & colMask[j]);
      uint32_t k = colStart[j];
      ForEachMinterm(base, free, [&](uint16_t a) {
        if (rowOf[a] >= 0) colRows[k++] = static_cast<uint32_t>(rowOf[a]);  // not a don't-care
      });
      if (!pace.Go(k - colStart[j], false)) return false;
    }
    return BuildRowLists();
  }

  // The columns of each row, from the rows of each column.
  bool BuildRowLists() {
    colCount = static_cast<uint32_t>(colStart.size() - 1);
    rowStart.assign(rowCount + 1, 0);
    rowCols.resize(colRows.size());
    for (uint32_t r : colRows) ++rowStart[r + 1];
    for (uint32_t r = 0; r < rowCount; ++r) rowStart[r + 1] += rowStart[r];
    std::vector<uint32_t>& fill = rowDeg;  // reused as the fill cursor
    fill.assign(rowStart.begin(), rowStart.end() - 1);
    for (uint32_t j = 0; j < colCount; ++j) {
      for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k) rowCols[fill[colRows[k]]++] = j;
      if (!pace.Go((colStart[j + 1] - colStart[j]) / 2 + 1, false)) return false;
    }
    return true;
  }

  // ---------------------------------------------------------- reductions

  void KillRow(uint32_t r) {
    rowAlive[r] = 0;
    for (uint32_t k = rowStart[r]; k < rowStart[r + 1]; ++k)
      if (colAlive[rowCols[k]]) --colDeg[rowCols[k]];
  }

  void KillCol(uint32_t j) {
    colAlive[j] = 0;
    for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k)
      if (rowAlive[colRows[k]]) --rowDeg[colRows[k]];
  }

  void Take(uint32_t j) {
    fixedCols.push_back(j);
    for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k)
      if (rowAlive[colRows[k]]) KillRow(colRows[k]);
    KillCol(j);
  }

  uint32_t NextMark() {
    if (++markNow == 0) {
      std::fill(mark.begin(), mark.end(), 0);
      markNow = 1;
    }
    return markNow;
  }

  // Essential columns, dominated rows and dominated columns, until none is
  // left: what remains is the cyclic core. False when stopped or out of
  // time; every reduction made so far is sound on its own.
  bool Reduce() {
    rowAlive.assign(rowCount, 1);
    colAlive.assign(colCount, 1);
    rowDeg.resize(rowCount);
    colDeg.resize(colCount);
    for (uint32_t r = 0; r < rowCount; ++r) rowDeg[r] = rowStart[r + 1] - rowStart[r];
    for (uint32_t j = 0; j < colCount; ++j) colDeg[j] = colStart[j + 1] - colStart[j];
    mark.assign(std::max(rowCount, colCount), 0);
    markNow = 0;
    fixedCols.clear();
    bool changed = true;
    while (changed) {
      changed = false;
      if (!TakeEssentials(changed) || !DropDominatedRows(changed) || !DropDominatedColumns(changed)) return false;
    }
    return true;
  }

  // Essential columns: a row that only one column covers. Then the columns
  // left with no row go.
  bool TakeEssentials(bool& changed) {
    for (uint32_t r = 0; r < rowCount; ++r) {
      if (!rowAlive[r] || rowDeg[r] != 1) continue;
      for (uint32_t k = rowStart[r]; k < rowStart[r + 1]; ++k)
        if (colAlive[rowCols[k]]) {
          Take(rowCols[k]);
          break;
        }
      changed = true;
      if (!pace.Go(64)) return false;
    }
    for (uint32_t j = 0; j < colCount; ++j)
      if (colAlive[j] && colDeg[j] == 0) KillCol(j);
    return true;
  }

  // Row dominance: when every column covering r also covers s, s is
  // covered whenever r is, and s can go.
  bool DropDominatedRows(bool& changed) {
    for (uint32_t r = 0; r < rowCount; ++r) {
      if (!rowAlive[r]) continue;
      const uint32_t m = NextMark();
      uint32_t pick = UINT32_MAX, pickDeg = UINT32_MAX;
      for (uint32_t k = rowStart[r]; k < rowStart[r + 1]; ++k) {
        const uint32_t j = rowCols[k];
        if (!colAlive[j]) continue;
        mark[j] = m;
        if (colDeg[j] < pickDeg) pickDeg = colDeg[j], pick = j;
      }
      if (pick == UINT32_MAX) continue;
      uint32_t work = 0;
      for (uint32_t k = colStart[pick]; k < colStart[pick + 1]; ++k) {
        const uint32_t s = colRows[k];
        if (s == r || !rowAlive[s] || rowDeg[s] < rowDeg[r]) continue;
        uint32_t in = 0;
        for (uint32_t q = rowStart[s]; q < rowStart[s + 1]; ++q) in += colAlive[rowCols[q]] && mark[rowCols[q]] == m;
        work += rowStart[s + 1] - rowStart[s];
        if (in == rowDeg[r]) {
          KillRow(s);
          changed = true;
        }
      }
      if (!pace.Go(work + 8)) return false;
    }
    return true;
  }

  // Column dominance: a column whose rows another column covers too, with
  // no more literals, can go.
  bool DropDominatedColumns(bool& changed) {
    for (uint32_t a = 0; a < colCount; ++a) {
      if (!colAlive[a]) continue;
      if (colDeg[a] == 0) {
        KillCol(a);
        continue;
      }
      const uint32_t m = NextMark();
      uint32_t pick = UINT32_MAX, pickDeg = UINT32_MAX;
      for (uint32_t k = colStart[a]; k < colStart[a + 1]; ++k) {
        const uint32_t r = colRows[k];
        if (!rowAlive[r]) continue;
        mark[r] = m;
        if (rowDeg[r] < pickDeg) pickDeg = rowDeg[r], pick = r;
      }
      uint32_t work = 0;
      for (uint32_t k = rowStart[pick]; k < rowStart[pick + 1]; ++k) {
        const uint32_t b = rowCols[k];
        if (b == a || !colAlive[b] || colDeg[b] < colDeg[a] || colLits[b] > colLits[a]) continue;
        if (colDeg[b] == colDeg[a] && colLits[b] == colLits[a] && b > a) continue;  // equal: keep the first
        uint32_t in = 0;
        for (uint32_t q = colStart[b]; q < colStart[b + 1]; ++q) in += rowAlive[colRows[q]] && mark[colRows[q]] == m;
        work += colStart[b + 1] - colStart[b];
        if (in == colDeg[a]) {
          KillCol(a);
          changed = true;
          break;
        }
      }
      if (!pace.Go(work + 8)) return false;
    }
    return true;
  }

  // The alive rows and columns, renumbered, with their own lists.
  void BuildCore() {
    std::vector<uint32_t>& coreRowOf = mark;  // reused: row -> core row
    coreRowCount = 0;
    for (uint32_t r = 0; r < rowCount; ++r) coreRowOf[r] = rowAlive[r] ? coreRowCount++ : UINT32_MAX;
    coreCol.clear();
    for (uint32_t j = 0; j < colCount; ++j)
      if (colAlive[j]) coreCol.push_back(j);
    coreColCount = static_cast<uint32_t>(coreCol.size());
    coreColStart.assign(coreColCount + 1, 0);
    coreColRows.clear();
    coreColLits.resize(coreColCount);
    coreRowStart.assign(coreRowCount + 1, 0);
    for (uint32_t c = 0; c < coreColCount; ++c) {
      const uint32_t j = coreCol[c];
      coreColLits[c] = colLits[j];
      for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k)
        if (rowAlive[colRows[k]]) {
          const uint32_t r = coreRowOf[colRows[k]];
          coreColRows.push_back(r);
          ++coreRowStart[r + 1];
        }
      coreColStart[c + 1] = static_cast<uint32_t>(coreColRows.size());
      pace.Go(colStart[j + 1] - colStart[j] + 4, false);
    }
    for (uint32_t r = 0; r < coreRowCount; ++r) coreRowStart[r + 1] += coreRowStart[r];
    coreRowCols.resize(coreColRows.size());
    std::vector<uint32_t>& fill = rowDeg;
    fill.assign(coreRowStart.begin(), coreRowStart.end() - 1);
    for (uint32_t c = 0; c < coreColCount; ++c) {
      for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) coreRowCols[fill[coreColRows[k]]++] = c;
      pace.Go((coreColStart[c + 1] - coreColStart[c]) / 2 + 1, false);
    }
    markNow = 0;
    std::fill(mark.begin(), mark.end(), 0);
  }

  // ---------------------------------------------------------- covers of the core

  uint32_t LitsOf(const std::vector<uint32_t>& cols) const {
    uint32_t l = 0;
    for (uint32_t c : cols) l += coreColLits[c];
    return l;
  }

  void KeepIfBetter(const std::vector<uint32_t>& cols) {
    const uint32_t lits = LitsOf(cols);
    if (best.empty() || cols.size() < best.size() || (cols.size() == best.size() && lits < bestLits)) {
      if (best.empty() || cols.size() < best.size()) pace.Gain();
      best = cols;
      bestLits = lits;
      pace.terms = static_cast<uint32_t>(best.size() + fixedCols.size());
    }
  }

  void SolClear() {
    sol.clear();
    inSol.assign(coreColCount, 0);
    solPos.assign(coreColCount, 0);
    coverCount.assign(coreRowCount, 0);
  }
  void SolAdd(uint32_t c) {
    inSol[c] = 1;
    solPos[c] = static_cast<uint32_t>(sol.size());
    sol.push_back(c);
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) ++coverCount[coreColRows[k]];
  }
  void SolRemove(uint32_t c) {
    inSol[c] = 0;
    const uint32_t last = sol.back();
    sol[solPos[c]] = last;
    solPos[last] = solPos[c];
    sol.pop_back();
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) --coverCount[coreColRows[k]];
  }

  // Greedy: the column covering most uncovered rows (then fewest literals),
  // kept in a heap whose keys are brought up to date when they surface.
  void Greedy() {
    SolClear();
    auto key = [&](uint32_t c, uint32_t gain) {
      return uint64_t{gain} << 40 | uint64_t{63u - coreColLits[c]} << 32 | (0xffffffffu - c);
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
      if (gain == 0) continue;
      const uint64_t now = key(c, gain);
      if (!heap.empty() && now < heap.front()) {
        heap.push_back(now);
        std::push_heap(heap.begin(), heap.end());
        pace.Go(coreColStart[c + 1] - coreColStart[c] + 16, false);
        continue;
      }
      SolAdd(c);
      uncovered -= gain;
      pace.Go(coreColStart[c + 1] - coreColStart[c] + 16, false);
    }
    MakeIrredundant();
    KeepIfBetter(sol);
  }

  // Drop columns whose rows the others cover, the most literals first.
  void MakeIrredundant() {
    std::vector<uint32_t>& order = bbStack;
    order.assign(sol.begin(), sol.end());
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      return coreColLits[a] != coreColLits[b] ? coreColLits[a] > coreColLits[b] : a < b;
    });
    for (uint32_t c : order) {
      bool needed = false;
      for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1] && !needed; ++k) needed = coverCount[coreColRows[k]] == 1;
      if (!needed) SolRemove(c);
    }
  }

  // ---------------------------------------------------------- lower bounds

  // Dual ascent over the rows in a fixed order: each row takes what is left
  // of the slack of its columns (each column's rows may share at most 1).
  // rowUsable filters rows, colUsable columns.
  template <class RowOk, class ColOk>
  uint32_t DualAscent(RowOk rowUsable, ColOk colUsable) {
    if (++slackNow == 0) {
      std::fill(slackMark.begin(), slackMark.end(), 0);
      slackNow = 1;
    }
    double sum = 0;
    for (uint32_t r : rowOrder) {
      if (!rowUsable(r)) continue;
      double y = 1;
      for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k) {
        const uint32_t c = coreRowCols[k];
        if (!colUsable(c)) continue;
        if (slackMark[c] != slackNow) {
          slackMark[c] = slackNow;
          slack[c] = 1;
        }
        y = std::min(y, slack[c]);
      }
      pace.Go((coreRowStart[r + 1] - coreRowStart[r]) / 4 + 1, false);
      if (y <= 1e-12) continue;
      sum += y;
      for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k)
        if (colUsable(coreRowCols[k])) slack[coreRowCols[k]] -= y;
    }
    return static_cast<uint32_t>(std::ceil(sum - 1e-7));
  }

  // Lagrangian bound by subgradient steps: L(u) = sum u_r + sum over columns
  // of min(0, 1 - sum of u over the column's rows) is below the minimum for
  // every u >= 0.
  uint32_t LagrangianBound(uint32_t upper, uint32_t iterations) {
    mult.assign(coreRowCount, 0);
    lagScore.resize(coreColCount);
    for (uint32_t r = 0; r < coreRowCount; ++r) {
      double u = 1;
      for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k) {
        const uint32_t c = coreRowCols[k];
        u = std::min(u, 1.0 / (coreColStart[c + 1] - coreColStart[c]));
      }
      mult[r] = u;
      pace.Go((coreRowStart[r + 1] - coreRowStart[r]) / 4 + 1, false);
    }
    std::vector<double>& g = slack;  // subgradient, reused
    g.assign(std::max(coreRowCount, coreColCount), 0);
    double bestL = 0, lambda = 2;
    uint32_t still = 0;
    bestMult.assign(mult.begin(), mult.end());
    for (uint32_t it = 0; it < iterations; ++it) {
      double L = 0;
      for (uint32_t r = 0; r < coreRowCount; ++r) L += mult[r], g[r] = 1;
      for (uint32_t c = 0; c < coreColCount; ++c) {
        double s = 1;
        for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) s -= mult[coreColRows[k]];
        lagScore[c] = s;
        if (s < 0) {
          L += s;
          for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) g[coreColRows[k]] -= 1;
        }
        if ((c & 255) == 255 && !pace.Go(512)) break;
      }
      if (pace.stopped || pace.expired || pace.phaseOver) break;
      if (L > bestL + 1e-9) {
        if (std::ceil(L - 1e-7) > std::ceil(bestL - 1e-7))
          pace.SetBound(static_cast<uint32_t>(std::ceil(L - 1e-7)) + static_cast<uint32_t>(fixedCols.size()));
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
      if (!pace.Go(static_cast<uint32_t>(coreColRows.size() / 4 + 1))) break;
    }
    slackMark.assign(coreColCount, 0);
    slack.assign(coreColCount, 0);
    slackNow = 0;
    return static_cast<uint32_t>(std::ceil(bestL - 1e-7));
  }

  // ---------------------------------------------------------- local search
  //
  // Row weighting: keeps a set of columns one short of the best cover,
  // removing the column that loses least (by weight of the rows only it
  // covers) and adding the best column for a random uncovered row, with
  // the weights of rows left uncovered raised at every step. A column just
  // removed may be added again only after a neighbour changed.

  void UncAdd(uint32_t r) {
    uncoveredPos[r] = static_cast<uint32_t>(uncoveredRows.size());
    uncoveredRows.push_back(r);
  }
  void UncRemove(uint32_t r) {
    const uint32_t last = uncoveredRows.back();
    uncoveredRows[uncoveredPos[r]] = last;
    uncoveredPos[last] = uncoveredPos[r];
    uncoveredRows.pop_back();
  }

  uint32_t OnlyCover(uint32_t r) const {
    for (uint32_t k = coreRowStart[r]; k < coreRowStart[r + 1]; ++k)
      if (inSol[coreRowCols[k]]) return coreRowCols[k];
    return UINT32_MAX;
  }

  void LsAdd(uint32_t c) {
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

  void LsRemove(uint32_t c) {
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
  void Touch(uint32_t c) {
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
      const uint32_t r = coreColRows[k];
      for (uint32_t q = coreRowStart[r]; q < coreRowStart[r + 1]; ++q) canAdd[coreRowCols[q]] = 1;
      lsWork += coreRowStart[r + 1] - coreRowStart[r];
    }
  }

  // The column of the cover to remove: best score, then oldest; sampled when
  // the cover is large.
  uint32_t PickRemove(uint32_t tabu) {
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
  // scores), else start from the best cover with every weight 1.
  void LocalSearch(uint64_t maxStall, bool resume = false) {
    uint64_t& step = lsStep;
    uint32_t& lastAdded = lsLastAdded;
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
    while (pace.Go(32 + lsWork / 8)) {
      lsWork = 0;
      while (uncoveredRows.empty()) {
        if (sol.size() < best.size() || (sol.size() == best.size() && LitsOf(sol) < bestLits)) {
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
      if (step - lastGain > maxStall) return;
    }
  }

  // ---------------------------------------------------------- branch and bound
  //
  // Branches on the uncovered row with fewest usable columns: one child per
  // column, each later child with the earlier columns excluded. A node ends
  // when its terms plus the dual-ascent bound of what is left reach the best
  // cover.

  void BbSelect(uint32_t c) {
    bbSel.push_back(c);
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k)
      if (coverCount[coreColRows[k]]++ == 0) --bbUncov;
  }
  void BbUnselect(uint32_t c) {
    bbSel.pop_back();
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k)
      if (--coverCount[coreColRows[k]] == 0) ++bbUncov;
  }
  void BbExclude(uint32_t c, bool on) {
    bbExcl[c] = on;
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) {
      if (on)
        --bbAvail[coreColRows[k]];
      else
        ++bbAvail[coreColRows[k]];
    }
  }

  // Lagrangian bound of the node (uncovered rows, usable columns), starting
  // from the root's multipliers and taking up to `steps` subgradient steps
  // while the bound stays below `need`. Leaves the reduced costs of the last
  // multipliers in lagScore (usable columns with uncovered rows) and returns
  // the bound at those multipliers.
  double NodeLagrange(uint32_t need, int steps) {
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

  void BbNode() {
    if (bbAborted) return;
    if (!pace.Go(64 + static_cast<uint32_t>(coreColRows.size() / 8))) {
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
    const uint32_t lb = DualAscent([&](uint32_t r) { return coverCount[r] == 0; }, [&](uint32_t c) { return !bbExcl[c]; });
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
        return lagScore[a] != lagScore[b] ? lagScore[a] < lagScore[b] : coreColLits[a] < coreColLits[b];
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
  bool BranchAndBound() {
    coverCount.assign(coreRowCount, 0);
    bbAvail.resize(coreRowCount);
    for (uint32_t r = 0; r < coreRowCount; ++r) bbAvail[r] = coreRowStart[r + 1] - coreRowStart[r];
    bbExcl.assign(coreColCount, 0);
    // Each node on the path stacks at most coreColCount columns; the path is shorter
    // than the best cover.
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

  // ---------------------------------------------------------- literals

  // Swap each column of the best cover for one with fewer literals that
  // covers every row only it covers; drop columns that cover no such row.
  void FewerLiterals() {
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
        if (inSol[b] || coreColLits[b] >= coreColLits[c] || (swap != UINT32_MAX && coreColLits[b] >= coreColLits[swap])) continue;
        uint32_t in = 0;
        for (uint32_t k = coreColStart[b]; k < coreColStart[b + 1]; ++k) in += mark[coreColRows[k]] == m;
        if (in == own) swap = b;
      }
      if (swap == UINT32_MAX) continue;
      SolRemove(c);
      SolAdd(swap);
      best[i] = swap;
    }
    bestLits = LitsOf(best);
    markNow = 0;
    std::fill(mark.begin(), mark.end(), 0);
  }

  // ---------------------------------------------------------- the run

  void Write(Engine& e) {
    std::vector<uint32_t>& cols = bbStack;
    cols.assign(fixedCols.begin(), fixedCols.end());
    for (uint32_t c : best) cols.push_back(coreCol[c]);
    // ascending by the first row each term covers, then by fewer literals
    std::sort(cols.begin(), cols.end(), [&](uint32_t a, uint32_t b) {
      const uint16_t va = colValue[a] & colMask[a], vb = colValue[b] & colMask[b];
      return va != vb ? va < vb : colMask[a] < colMask[b];
    });
    e.ClearTruthTable();
    e.TermCount = static_cast<uint16_t>(cols.size());
    for (size_t t = 0; t < cols.size(); ++t) {
      e.TermValue[t + 1] = static_cast<uint16_t>(colValue[cols[t]] & colMask[cols[t]]);
      e.TermMask[t + 1] = colMask[cols[t]];
    }
  }

  // A cover of the TruthTable's function (or the InputTable's) in place of
  // its entries: the phases in the order of the table at the top.
  CoverInfo Run(Engine& e, RunHost& host, double seconds, CoverSource source) {
    CoverInfo info;
    StartPace(e, host, SearchStart::Now(), seconds, "minimal cover");
    n = e.VariableCount;
    full = LowMask(static_cast<unsigned>(n));
    e.FullMask = full;
    if (source == kCoverInputTable) CopyInputTerms(e);
    LoadFunction(e);
    if (n == 0 || rowCount == 0 || rowCount == uint32_t{full} + 1) return NothingToSearch(e);

    pace.Show("primes");
    host.ProcessPendingEvents();
    if (!e.GoOn || !ListColumns()) return StoppedEarly(e, info);
    info.allPrimes = allPrimes;
    info.primes = static_cast<uint32_t>(colValue.size());
    pace.Show("covering matrix");
    if (!BuildMatrix()) return StoppedEarly(e, info);
    const bool proved = Solve(info);
    Write(e);
    info.terms = e.TermCount;
    info.literals = TableLiterals(e);
    if (allPrimes) {
      info.minimum = proved;
      info.lowerBound = static_cast<uint16_t>(std::min<uint32_t>(coreBound + fixedCols.size(), info.terms));
      if (proved) info.lowerBound = info.terms;
    } else {
      // Bounds over grown columns say nothing about covers from all primes.
      info.minimum = 0;
      info.lowerBound = 1;
    }
    return info;
  }

  // A typed table's terms go into the TruthTable first: they are a cover
  // of the function, left there when the search ends before it has one.
  static void CopyInputTerms(Engine& e) {
    e.ClearTruthTable();
    e.TermCount = e.InputCount;
    for (int t = 1; t <= e.InputCount; ++t) {
      e.TermValue[t] = e.InputValue[t];
      e.TermMask[t] = e.InputMask[t];
    }
  }

  // The function, the union of the TruthTable's entries, into `on`; its
  // minterms numbered as the rows.
  void LoadFunction(const Engine& e) {
    on.fill(0);
    for (int t = 1; t <= e.TermCount; ++t) {
      const uint16_t mask = e.TermMask[t] & full, base = e.TermValue[t] & mask, free = full & ~mask;
      ForEachMinterm(base, free, [&](uint16_t m) { on[m >> 6] |= uint64_t{1} << (m & 63); });
    }
    rowCount = 0;
    rowMinterm.clear();
    for (uint32_t m = 0; m <= full; ++m) {
      if (On(m)) {
        rowOf[m] = static_cast<int32_t>(rowCount++);
        rowMinterm.push_back(static_cast<uint16_t>(m));
      } else {
        rowOf[m] = -1;
      }
    }
  }

  static uint32_t TableLiterals(const Engine& e) {
    uint32_t literals = 0;
    for (int t = 1; t <= e.TermCount; ++t) literals += static_cast<uint32_t>(std::popcount(e.TermMask[t]));
    return literals;
  }

  // Nothing to cover, or every assignment: like the reduction, an entry
  // covering everything leaves the table empty.
  CoverInfo NothingToSearch(Engine& e) const {
    CoverInfo info;
    if (rowCount == uint32_t{full} + 1) e.ClearTruthTable();
    info.terms = e.TermCount;
    info.lowerBound = e.TermCount;
    info.literals = TableLiterals(e);
    info.minimum = 1;
    return info;
  }

  // Ended by the host before a cover exists: the TruthTable keeps its
  // entries, which are a cover themselves.
  CoverInfo StoppedEarly(const Engine& e, CoverInfo info) const {
    info.stopped = 1;
    info.terms = e.TermCount;
    info.literals = TableLiterals(e);
    info.lowerBound = rowCount > 0;
    return info;
  }

  // The columns: all the primes when they fit, else one grown implicant per
  // row. False when stopped.
  bool ListColumns() {
    allPrimes = true;
    if (!BuildImplicants() || !ListPrimes()) return false;
    if (allPrimes && Entries() > kEntryCapacity) allPrimes = false;
    if (!allPrimes && !GrowColumns()) return false;
    return Entries() <= kEntryCapacity;  // cannot fail for grown columns of 15 variables
  }

  void StartPace(Engine& e, RunHost& host, SearchStart start, double seconds, const char* label) {
    pace = Pace{};
    pace.e = &e;
    pace.host = &host;
    pace.label = label;
    pace.stallStop = stallStop;
    pace.start = start.wall;
    pace.lastEvents = pace.lastProgress = Clock::now();
    pace.cpuStart = start.cpu;
    pace.cpuLastGain = CpuSeconds();
    pace.deadline = pace.start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(0.0, seconds)));
    pace.phaseEnd = pace.deadline;
  }

  // From the matrix (colStart, colRows, rowStart, rowCols, colLits) to the
  // best cover found: fixedCols and the core columns in best. True when it
  // is proved minimum. A search the host stops during the reductions still
  // ends with a cover: the greedy one of what is left, since every
  // reduction made so far is sound on its own.
  bool Solve(CoverInfo& info) {
    const bool reduced = Reduce();
    BuildCore();
    pace.stallFloor = kStallFloor + kStallFloorPerRow * coreRowCount;
    info.essentials = static_cast<uint32_t>(fixedCols.size());
    info.coreRows = coreRowCount;
    info.coreColumns = coreColCount;
    best.clear();
    bestLits = 0;
    coreBound = 0;
    bool proved = true;
    if (coreRowCount > 0) {
      // A search out of time (or stopped) in the reductions has the greedy
      // cover of the core so far and the dual-ascent bound, nothing more.
      Greedy();
      FirstBounds(reduced);
      proved = coreBound >= best.size();
      if (!proved && reduced && !pace.stopped && !pace.expired) proved = SearchCore();
      FewerLiterals();
    }
    info.stopped = pace.stopped;
    info.timedOut = !proved && !pace.stopped;
    info.stalled = pace.stalled;
    return proved;
  }

  // The dual-ascent bound of the core, then, when it leaves a gap and the
  // reductions finished, the Lagrangian bound in 15 % of the time left.
  void FirstBounds(bool reduced) {
    rowOrder.resize(coreRowCount);
    for (uint32_t r = 0; r < coreRowCount; ++r) rowOrder[r] = r;
    std::stable_sort(rowOrder.begin(), rowOrder.end(), [&](uint32_t a, uint32_t b) {
      return coreRowStart[a + 1] - coreRowStart[a] < coreRowStart[b + 1] - coreRowStart[b];
    });
    slackMark.assign(coreColCount, 0);
    slack.assign(coreColCount, 0);
    slackNow = 0;
    coreBound = DualAscent([](uint32_t) { return true; }, [](uint32_t) { return true; });
    pace.bound = static_cast<uint32_t>(coreBound + fixedCols.size());
    pace.searching = true;
    pace.Gain();
    if (coreBound < best.size() && reduced) {
      pace.SetPhase(std::max(0.05, 0.15 * pace.Remaining()));
      coreBound = std::max(coreBound, LagrangianBound(static_cast<uint32_t>(best.size()), 1000));
      pace.SetBound(static_cast<uint32_t>(coreBound + fixedCols.size()));
    }
  }

  // A short local search first; then branch and bound where the core is
  // small and the gap narrow, else the local search goes on. True when the
  // cover is proved minimum.
  bool SearchCore() {
    pace.SetPhase(std::min(1.0, 0.25 * pace.Remaining()));
    pace.Gain();  // each phase gets its chance before the stall stop
    LocalSearch(200000);
    bool proved = coreBound >= best.size();
    const bool exact =
        coreRowCount <= kExactRows && best.size() - coreBound <= std::max<uint32_t>(3, coreRowCount / 100);
    if (proved || pace.stopped || pace.expired) return proved;
    pace.SetPhase(pace.Remaining());
    if (exact) {
      proved = BranchAndBound();
      if (proved) coreBound = static_cast<uint32_t>(best.size());
    } else {
      // The same search goes on: its weights have learned the core.
      LocalSearch(std::max<uint64_t>(400000, 40ull * coreRowCount), true);
      proved = coreBound >= best.size();
    }
    return proved;
  }

  MatrixCover SolveMatrix(Engine& e, RunHost& host, CoverMatrix& m, SearchStart start, double seconds,
                          const char* label) {
    StartPace(e, host, start, seconds, label);
    MatrixCover out;
    rowCount = m.rows;
    colStart.swap(m.colStart);
    colRows.swap(m.colRows);
    colLits.swap(m.colCost);
    CoverInfo info;
    bool proved = true;
    if (rowCount > 0) {
      BuildRowLists();
      proved = Solve(info);
    } else {
      fixedCols.clear();
      best.clear();
      coreBound = 0;
    }
    for (uint32_t j : fixedCols) out.columns.push_back(j);
    for (uint32_t c : best) out.columns.push_back(coreCol[c]);
    out.minimum = proved;
    out.lowerBound = proved ? static_cast<uint32_t>(out.columns.size())
                            : std::min<uint32_t>(coreBound + static_cast<uint32_t>(fixedCols.size()),
                                                 static_cast<uint32_t>(out.columns.size()));
    out.stopped = pace.stopped;
    out.timedOut = !proved && !pace.stopped;
    out.stalled = pace.stalled;
    out.essentials = info.essentials;
    out.coreRows = info.coreRows;
    out.coreColumns = info.coreColumns;
    colStart.swap(m.colStart);
    colRows.swap(m.colRows);
    colLits.swap(m.colCost);
    return out;
  }
};

SearchStart SearchStart::Now() {
  return {std::chrono::steady_clock::now(), static_cast<double>(std::clock()) / CLOCKS_PER_SEC};
}

CoverSearch::CoverSearch() : impl_(std::make_unique<Impl>()) {}
CoverSearch::~CoverSearch() = default;

CoverInfo CoverSearch::Run(Engine& e, RunHost& host, double seconds, CoverSource source) {
  return impl_->Run(e, host, seconds, source);
}

void CoverSearch::SetSeed(uint32_t seed) { impl_->rng.seed(seed); }

void CoverSearch::SetStallStop(bool on) { impl_->stallStop = on; }

MatrixCover CoverSearch::SolveMatrix(Engine& e, RunHost& host, CoverMatrix& matrix, SearchStart start, double seconds,
                                     const char* label) {
  return impl_->SolveMatrix(e, host, matrix, start, seconds, label);
}

void CoverSearch::SetDontCares(const std::array<uint64_t, 512>* dontCares) {
  if (dontCares)
    impl_->dc = *dontCares;
  else
    impl_->dc.fill(0);
  impl_->hasDc = false;
  for (uint64_t w : impl_->dc) impl_->hasDc = impl_->hasDc || w != 0;
}

bool ReduceOrCover(Engine& e, RunHost& host, CoverSearch* cover, double seconds, CoverInfo& info) {
  if (cover == nullptr || e.TraceScan) {
    ReduceTruthTable(e, host);
    return false;
  }
  info = cover->Run(e, host, seconds);
  return true;
}

std::string CoverOutcomeText(bool minimum, uint32_t lowerBound, bool stopped) {
  std::string s = minimum ? ", minimum" : ", at least " + std::to_string(lowerBound);
  if (stopped) s += ", stopped: best cover so far";
  return s;
}

std::string CoverOutcomeText(const CoverInfo& info) {
  return CoverOutcomeText(info.minimum != 0, info.lowerBound, info.stopped != 0);
}

CoverInfo MinimalCover(Engine& e, RunHost& host, double seconds, CoverSource source) {
  CoverSearch search;
  return search.Run(e, host, seconds, source);
}

}  // namespace tervo
