// The single-output cover search's own stages (the method is told in
// minimal_cover.h); the covering matrix goes to the minimiser library's
// search (tervo/covering.h). HostWatcher lends the run's host to it.
//
//   stage             functions                              fills
//   ----------------  -------------------------------------  ------------------------
//   the function      CopyInputTerms, LoadFunction           on, rowOf, rowMinterm
//   implicants        BuildImplicants                        imp
//   columns           ListColumns: ListPrimes | GrowColumns  colValue, colMask
//   matrix            BuildMatrix                            problem
//   the search        minimiser::SolveCover                  the columns of the cover
//   the result        Write                                  the TruthTable
#include "minimal_cover.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "cube_walk.h"
#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

using Clock = std::chrono::steady_clock;

// The local search's random choices unless SetSeed gives others.
constexpr uint32_t kDefaultSeed = 0x7e5a42u;

}  // namespace

// ---------------------------------------------------------------- HostWatcher

HostWatcher::HostWatcher(Engine& e, RunHost& host, std::string label)
    : e_(e), host_(host), label_(std::move(label)), lastEvents_(Clock::now()), lastProgress_(lastEvents_) {}

void HostWatcher::SetTimeLimit(double seconds) {
  if (!std::isfinite(seconds)) {
    deadline_ = Clock::time_point::max();
    return;
  }
  deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(0.0, seconds)));
}

bool HostWatcher::Events() {
  if (userStopped_) return false;
  const auto now = Clock::now();
  if (now - lastEvents_ >= std::chrono::milliseconds(15)) {
    host_.ProcessPendingEvents();
    lastEvents_ = Clock::now();
    if (!e_.GoOn) userStopped_ = true;
  }
  return !userStopped_;
}

bool HostWatcher::Stop() {
  if (!Events()) return true;
  if (deadline_ != Clock::time_point::max() && Clock::now() >= deadline_) timeUp_ = true;
  return timeUp_;
}

void HostWatcher::Report(const minimiser::Progress& p) {
  const auto now = Clock::now();
  if (now - lastProgress_ < std::chrono::milliseconds(250)) return;
  lastProgress_ = now;
  std::array<char, 128> text{};
  std::snprintf(text.data(), text.size(), "%s: %llu terms, at least %llu", label_.c_str(),
                static_cast<unsigned long long>(p.cubes), static_cast<unsigned long long>(p.bound));
  host_.ShowProgress(text.data());
}

bool HostWatcher::Go(uint32_t units) {
  work_ += units;
  if (work_ < 4096) return !userStopped_;
  work_ = 0;
  return Events();
}

void HostWatcher::Show(const char* what) { host_.ShowProgress(label_ + ": " + what); }

CoverEnd EndOf(const minimiser::CoverSolution& s, const HostWatcher& w) {
  switch (s.status) {
    case minimiser::Status::kStopped:
      return w.UserStopped() || !w.TimeUp() ? CoverEnd::kStopped : CoverEnd::kTimeLimit;
    case minimiser::Status::kBudgetSpent:
      return CoverEnd::kBudgetSpent;
    case minimiser::Status::kStalled:
      return CoverEnd::kStalled;
    default:
      return CoverEnd::kFinished;
  }
}

// ---------------------------------------------------------------- the search

struct CoverSearch::Impl {
  // The state of one search, in the order the stages fill it. Settings stay
  // from one search to the next; everything else is set up again by each.

  // ========================================================== settings
  std::array<uint64_t, 512> dc{};     // bit m: minterm m is a don't-care (a prime may hold it, no row needs it)
  bool hasDc = false;                 // some bit of dc is set
  bool stallStop = true;              // end the search when it stalls
  uint32_t seed = kDefaultSeed;       // the local search's random choices (SetSeed)
  uint64_t effort = 0;                // budget of work without a time limit; 0: the library's default

  // ========================================================== results
  bool allPrimes = true;              // the columns are all the primes (else grown from the rows)

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
  // implicants).
  std::vector<uint16_t> colValue;     // column -> value bits of its cube
  std::vector<uint16_t> colMask;      // column -> mask of its cube (set: a literal)
  uint32_t rowCount = 0;              // rows of the matrix
  std::vector<int32_t> rowOf;         // minterm -> row, -1 off the function
  std::vector<uint16_t> rowMinterm;   // row -> minterm
  minimiser::CoverProblem problem;    // the covering matrix: column costs are literals

  Impl() {
    pow3[0] = 1;
    for (int i = 1; i < 16; ++i) pow3[i] = pow3[i - 1] * 3;
    imp.assign((pow3[kMaxVariables] + 63) / 64, 0);
    rowOf.assign(kTermCapacity, -1);
    colValue.reserve(1u << 16);
    colMask.reserve(1u << 16);
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
  bool BuildImplicants(HostWatcher& w) {
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
      if (!w.Go(3)) return false;
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
  bool ListPrimes(HostWatcher& w) {
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
      if (!w.Go(3)) return false;
    }
    return true;
  }

  // When the primes do not fit: one prime per row, grown from the row by
  // dropping literals while the cube stays an implicant (a different
  // variable order for each row), duplicates removed.
  bool GrowColumns(HostWatcher& w) {
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
      if (!w.Go(16)) return false;
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

  bool BuildMatrix(HostWatcher& w) {
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
    const auto cols = static_cast<uint32_t>(colValue.size());
    problem.rows = rowCount;
    problem.colCost.resize(cols);
    problem.colStart.assign(cols + 1, 0);
    for (uint32_t j = 0; j < cols; ++j) {
      problem.colCost[j] = static_cast<uint32_t>(std::popcount(colMask[j]));
      problem.colStart[j + 1] = problem.colStart[j] + RowsIn(colValue[j], colMask[j]);
    }
    problem.colRows.resize(problem.colStart[cols]);
    for (uint32_t j = 0; j < cols; ++j) {
      const uint16_t free = static_cast<uint16_t>(full & ~colMask[j]);
      const uint16_t base = static_cast<uint16_t>(colValue[j] & colMask[j]);
      uint32_t k = problem.colStart[j];
      ForEachMinterm(base, free, [&](uint16_t a) {
        if (rowOf[a] >= 0) problem.colRows[k++] = static_cast<uint32_t>(rowOf[a]);  // not a don't-care
      });
      if (!w.Go(k - problem.colStart[j])) return false;
    }
    return true;
  }

  // ---------------------------------------------------------- the run

  // The cover's columns into the TruthTable, ascending by the first row
  // each term covers, then by fewer literals.
  void Write(Engine& e, std::vector<uint32_t> cols) const {
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
  // its entries: the stages in the order of the table at the top.
  CoverInfo Run(Engine& e, RunHost& host, double seconds, CoverSource source) {
    CoverInfo info;
    HostWatcher w(e, host, "minimal cover");
    w.SetTimeLimit(seconds);
    n = e.VariableCount;
    full = LowMask(static_cast<unsigned>(n));
    e.FullMask = full;
    if (source == kCoverInputTable) CopyInputTerms(e);
    LoadFunction(e);
    if (n == 0 || rowCount == 0 || rowCount == uint32_t{full} + 1) return NothingToSearch(e);

    w.Show("primes");
    host.ProcessPendingEvents();
    if (!e.GoOn || !ListColumns(w)) return StoppedEarly(e, info);
    info.allPrimes = allPrimes;
    info.primes = static_cast<uint32_t>(colValue.size());
    w.Show("covering matrix");
    if (!BuildMatrix(w)) return StoppedEarly(e, info);
    minimiser::CoverSettings settings;
    settings.effort = std::isfinite(seconds) ? minimiser::kUnlimitedEffort : effort;
    settings.stallStop = stallStop;
    settings.seed = seed;
    const minimiser::CoverSolution sol = minimiser::SolveCover(problem, settings, &w);
    Write(e, sol.columns);
    info.terms = e.TermCount;
    info.literals = TableLiterals(e);
    info.essentials = sol.essentials;
    info.coreRows = sol.coreRows;
    info.coreColumns = sol.coreColumns;
    info.ticks = sol.ticks;
    info.end = EndOf(sol, w);
    info.stopped = info.end == CoverEnd::kStopped;
    info.timedOut = !sol.minimum && !info.stopped;
    info.stalled = info.end == CoverEnd::kStalled;
    if (allPrimes) {
      info.minimum = sol.minimum;
      info.lowerBound = static_cast<uint16_t>(std::min<uint32_t>(sol.lowerBound, info.terms));
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
    info.end = CoverEnd::kStopped;
    info.terms = e.TermCount;
    info.literals = TableLiterals(e);
    info.lowerBound = rowCount > 0;
    return info;
  }

  // The columns: all the primes when they fit, else one grown implicant per
  // row. False when stopped.
  bool ListColumns(HostWatcher& w) {
    allPrimes = true;
    if (!BuildImplicants(w) || !ListPrimes(w)) return false;
    if (allPrimes && Entries() > kEntryCapacity) allPrimes = false;
    if (!allPrimes && !GrowColumns(w)) return false;
    return Entries() <= kEntryCapacity;  // cannot fail for grown columns of 15 variables
  }
};

CoverSearch::CoverSearch() : impl_(std::make_unique<Impl>()) {}
CoverSearch::~CoverSearch() = default;

CoverInfo CoverSearch::Run(Engine& e, RunHost& host, double seconds, CoverSource source) {
  return impl_->Run(e, host, seconds, source);
}

void CoverSearch::SetSeed(uint32_t seed) { impl_->seed = seed; }

void CoverSearch::SetStallStop(bool on) { impl_->stallStop = on; }

void CoverSearch::SetEffort(uint64_t ticks) { impl_->effort = ticks; }

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

std::string CoverOutcomeText(bool minimum, uint32_t lowerBound, CoverEnd end) {
  if (minimum) return ", minimum";
  // A bound of 0 says nothing: a search stopped before it had one.
  std::string s = lowerBound ? ", at least " + std::to_string(lowerBound) : "";
  switch (end) {
    case CoverEnd::kStalled:
      return s + ", stalled";
    case CoverEnd::kBudgetSpent:
      return s + ", work budget spent";
    case CoverEnd::kTimeLimit:
      return s + ", time limit reached";
    case CoverEnd::kStopped:
      return s + ", stopped: best cover so far";
    case CoverEnd::kFinished:
      break;
  }
  return s;
}

std::string CoverOutcomeText(bool minimum, uint32_t lowerBound, bool stopped) {
  return CoverOutcomeText(minimum, lowerBound, stopped ? CoverEnd::kStopped : CoverEnd::kFinished);
}

std::string CoverOutcomeText(const CoverInfo& info) {
  return CoverOutcomeText(info.minimum != 0, info.lowerBound, info.end);
}

const char* CoverEndName(bool minimum, CoverEnd end) {
  if (minimum) return "proved";
  switch (end) {
    case CoverEnd::kStalled:
      return "stalled";
    case CoverEnd::kBudgetSpent:
      return "budget";
    case CoverEnd::kTimeLimit:
      return "time limit";
    case CoverEnd::kStopped:
      return "stopped";
    case CoverEnd::kFinished:
      break;
  }
  return "finished";
}

CoverInfo MinimalCover(Engine& e, RunHost& host, double seconds, CoverSource source) {
  CoverSearch search;
  return search.Run(e, host, seconds, source);
}

}  // namespace tervo
