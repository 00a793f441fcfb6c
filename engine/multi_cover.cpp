#include "multi_cover.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <optional>

#include "cube_walk.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

using Clock = std::chrono::steady_clock;

// The cube table of one group takes at most this many bytes.
constexpr uint64_t kTableBytes = uint64_t{64} << 20;

// The covering search's random choices, as the single-output search's.
constexpr uint32_t kSearchSeed = 0x7e5a42u;

}  // namespace

// The shared cover's phases, for each group of outputs (Run splits a group
// in halves when its matrix is too large, and gives an output left alone
// to the single-output search, RunSingle):
//
//   phase      functions              fills
//   ---------  ---------------------  ----------------------------------
//   the group  SetGroup               okOf, onOf
//   primes     GroupPrimes: Primes    tab8..tab64, primeValue..primeOuts
//   matrix     BuildMatrix            matrix, rowOf, colPrime
//   search     minimiser::SolveCover (tervo/covering.h)
//   terms      Emit                   out, index
//   the whole  Summarize, SortTerms   the MultiCoverInfo, out in order

struct MultiCoverSearch::Impl {
  // ========================================================== settings and tools
  CoverSearch search;                   // the single-output search, for a lone output
  std::array<uint32_t, 16> pow3{};      // powers of 3, the digit weights of a ternary cube number
  bool stallStop = true;                // the covering search's stall rule
  uint64_t effort = 0;                  // the run's budget of work without a time limit; 0: the default

  // ========================================================== the run
  const MultiFunction* f = nullptr;     // the function being covered
  Engine* e = nullptr;                  // GoOn (ESC) and, for a lone output, the TruthTable
  RunHost* host = nullptr;              // events and progress text
  int n = 0;                            // inputs
  uint16_t full = 0;                    // mask of the n inputs
  bool timed = false;                   // a time limit was given
  Clock::time_point deadline;           // the whole run's time limit (timed)
  uint64_t effortLeft = 0;              // what is left of the budget of work (not timed)
  std::optional<HostWatcher> watcher;   // the host as the current group's watcher
  bool stopped = false;                 // the host cleared GoOn
  std::array<char, 96> label{};         // the progress text

  // ========================================================== results
  MultiCover* out = nullptr;                // the cover, term by term
  std::map<uint32_t, std::size_t> index;  // mask << 16 | value -> its term in out

  // ========================================================== one group (scratch)
  // Outputs groupFirst .. groupFirst + groupWidth - 1 share one matrix.
  unsigned groupFirst = 0;              // the group's first output
  unsigned groupWidth = 0;              // the group's number of outputs
  std::vector<uint64_t> okOf;           // assignment -> bit j: ON or don't-care for output groupFirst + j
  std::vector<uint64_t> onOf;           // assignment -> bit j: ON for output groupFirst + j
  std::vector<uint8_t> tab8;            // per cube: the outputs (bit j) it is an implicant of,
  std::vector<uint16_t> tab16;          // in the smallest word that holds the group
  std::vector<uint32_t> tab32;
  std::vector<uint64_t> tab64;
  std::vector<uint16_t> primeValue;     // prime -> value bits of its cube
  std::vector<uint16_t> primeMask;      // prime -> mask of its cube (set: a literal)
  std::vector<uint64_t> primeOuts;      // prime -> the group's outputs (bit j) it is an implicant of
  std::vector<int32_t> rowOf;           // (j << n | a) -> row, -1 when output groupFirst + j need not cover a
  minimiser::CoverProblem matrix;       // rows: (output, ON assignment); columns: primes covering a row
  std::vector<uint32_t> colPrime;       // column -> prime
  std::vector<uint32_t> coverCount;     // row -> terms of the cover covering it (Emit)

  Impl() {
    pow3[0] = 1;
    for (int i = 1; i < 16; ++i) pow3[i] = pow3[i - 1] * 3;
  }

  // Lets the host run every ~15 ms; false once stopped. The primes and the
  // matrix are finished even past the time limit: without them there is no
  // cover worth the name, and the search after them then has no time left
  // beyond its greedy cover.
  bool Tick() {
    if (!watcher->Go(4096)) stopped = true;
    return !stopped;
  }

  // The group's name in the progress text.
  const char* GroupLabel() {
    if (f->Outputs() > groupWidth)
      std::snprintf(label.data(), label.size(), "shared cover, outputs %u-%u", groupFirst + 1, groupFirst + groupWidth);
    else
      std::snprintf(label.data(), label.size(), "shared cover");
    return label.data();
  }

  void AddTerm(uint16_t value, uint16_t mask, unsigned k) {
    value = static_cast<uint16_t>(value & mask);
    const uint32_t key = uint32_t{mask} << 16 | value;
    auto [it, added] = index.emplace(key, out->value.size());
    if (added) {
      out->value.push_back(value);
      out->mask.push_back(mask);
      out->outs.resize(out->outs.size() + out->outWords, 0);
    }
    out->outs[it->second * out->outWords + k / 64] |= uint64_t{1} << (k % 64);
  }

  // The cover a group has before any search: one term per assignment that
  // some output of the group must cover.
  void MintermCover(unsigned from, unsigned count) {
    for (uint32_t a = 0; a <= full; ++a)
      for (unsigned k = from; k < from + count; ++k)
        if (InSet(f->on[k], a)) AddTerm(static_cast<uint16_t>(a), full, k);
  }

  // ---------------------------------------------------------- cube table and primes

  template <typename T>
  bool Primes(std::vector<T>& tab) {
    const uint32_t total = pow3[n];
    tab.resize(total);
    CubeDigits o;
    for (uint32_t c = 0; c < total; ++c, o.Next(0, n)) {
      T s;
      if (!o.dash) {
        s = static_cast<T>(okOf[o.val]);
      } else {
        const unsigned i = static_cast<unsigned>(std::countr_zero(o.dash));
        s = tab[c - 2 * pow3[i]];
        if (s) s &= tab[c - pow3[i]];
      }
      tab[c] = s;
      if ((c & 16383) == 0 && !Tick()) return false;
    }
    primeValue.clear();
    primeMask.clear();
    primeOuts.clear();
    o = CubeDigits{};
    for (uint32_t c = 0; c < total; ++c, o.Next(0, n)) {
      if ((c & 16383) == 0 && !Tick()) return false;
      const T s = tab[c];
      if (!s) continue;
      bool prime = true;
      for (int i = 0; i < n && prime; ++i)
        if (o.d[i] != 2 && tab[c + (o.d[i] == 0 ? 2 : 1) * pow3[i]] == s) prime = false;
      if (!prime) continue;
      if (primeValue.size() >= kPrimeCapacity) return false;
      primeValue.push_back(o.val);
      primeMask.push_back(static_cast<uint16_t>(full & ~o.dash));
      primeOuts.push_back(s);
    }
    return true;
  }

  // The matrix of the group's primes; false when it has more entries than
  // the search holds (or the run was stopped).
  bool BuildMatrix() {
    uint32_t rows = 0;
    rowOf.assign(std::size_t{groupWidth} << n, -1);
    for (uint32_t a = 0; a <= full; ++a)
      for (uint64_t b = onOf[a]; b; b &= b - 1) rowOf[std::size_t(std::countr_zero(b)) << n | a] = static_cast<int32_t>(rows++);
    matrix.rows = rows;
    matrix.colStart.assign(1, 0);
    matrix.colRows.clear();
    matrix.colCost.clear();
    colPrime.clear();
    for (uint32_t p = 0; p < primeValue.size(); ++p) {
      const auto free = static_cast<uint16_t>(full & ~primeMask[p]);
      ForEachMinterm(primeValue[p], free, [&](uint16_t a) {
        for (uint64_t b = onOf[a] & primeOuts[p]; b; b &= b - 1)
          matrix.colRows.push_back(static_cast<uint32_t>(rowOf[std::size_t(std::countr_zero(b)) << n | a]));
      });
      if (matrix.colRows.size() > kEntryCapacity) return false;
      if (matrix.colRows.size() == matrix.colStart.back()) continue;  // only don't-cares: no column
      matrix.colStart.push_back(static_cast<uint32_t>(matrix.colRows.size()));
      matrix.colCost.push_back(static_cast<uint32_t>(std::popcount(primeMask[p])));
      colPrime.push_back(p);
      if ((p & 255) == 0 && !Tick()) return false;
    }
    return true;
  }

  // The chosen primes as terms, each serving only the outputs it is needed
  // for: with the most literals first, an output whose rows in the term
  // the other terms cover too leaves its set.
  void Emit(const std::vector<uint32_t>& columns) {
    coverCount.assign(matrix.rows, 0);
    for (uint32_t c : columns)
      for (uint32_t k = matrix.colStart[c]; k < matrix.colStart[c + 1]; ++k) ++coverCount[matrix.colRows[k]];
    std::vector<uint32_t> order(columns);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      const int la = std::popcount(primeMask[colPrime[a]]), lb = std::popcount(primeMask[colPrime[b]]);
      return la != lb ? la > lb : a < b;
    });
    for (uint32_t c : order) {
      const uint32_t p = colPrime[c];
      const auto free = static_cast<uint16_t>(full & ~primeMask[p]);
      for (uint64_t b = primeOuts[p]; b; b &= b - 1) {
        const auto j = static_cast<unsigned>(std::countr_zero(b));
        bool needed = false;
        ForEachMinterm(primeValue[p], free, [&](uint16_t a) {
          const int32_t r = rowOf[std::size_t{j} << n | a];
          needed = needed || (r >= 0 && coverCount[static_cast<uint32_t>(r)] == 1);
        });
        if (needed) {
          AddTerm(primeValue[p], primeMask[p], groupFirst + j);
          continue;
        }
        ForEachMinterm(primeValue[p], free, [&](uint16_t a) {
          const int32_t r = rowOf[std::size_t{j} << n | a];
          if (r >= 0) --coverCount[static_cast<uint32_t>(r)];
        });
      }
    }
  }

  // ---------------------------------------------------------- groups

  // The widest group the table holds at n inputs.
  unsigned MaxWidth() const {
    for (unsigned bytes = 8; bytes >= 1; bytes /= 2)
      if (uint64_t{pow3[n]} * bytes <= kTableBytes) return bytes * 8;
    return 8;
  }

  uint64_t RowsOf(unsigned from, unsigned count) const {
    uint64_t r = 0;
    for (unsigned k = from; k < from + count; ++k)
      for (uint64_t word : f->on[k]) r += static_cast<uint64_t>(std::popcount(word));
    return r;
  }

  // Seconds for the next group: what is left, shared by rows still to cover.
  double Share(uint64_t rows, uint64_t rowsLeft) const {
    if (!timed) return kNoTimeLimit;
    const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
    return rowsLeft == 0 ? left : std::max(0.0, left * static_cast<double>(rows) / static_cast<double>(rowsLeft));
  }

  // Work for the next group without a time limit: what is left of the
  // budget, shared by rows still to cover (at least 1, which is no budget).
  uint64_t EffortShare(uint64_t rows, uint64_t rowsLeft) const {
    if (timed) return minimiser::kUnlimitedEffort;
    if (rowsLeft == 0 || rows >= rowsLeft) return std::max<uint64_t>(effortLeft, 1);
    const double share = static_cast<double>(effortLeft) * static_cast<double>(rows) / static_cast<double>(rowsLeft);
    return std::max<uint64_t>(static_cast<uint64_t>(share), 1);
  }

  void Spend(uint64_t ticks) { effortLeft = effortLeft > ticks ? effortLeft - ticks : 0; }

  // The group's outputs, with the sets of each assignment as bits.
  void SetGroup(unsigned from, unsigned count) {
    groupFirst = from;
    groupWidth = count;
    okOf.assign(std::size_t{full} + 1, 0);
    onOf.assign(std::size_t{full} + 1, 0);
    for (unsigned j = 0; j < groupWidth; ++j)
      for (uint32_t a = 0; a <= full; ++a) {
        const uint64_t on = InSet(f->on[groupFirst + j], a), dc = InSet(f->dc[groupFirst + j], a);
        okOf[a] |= (on | dc) << j;
        onOf[a] |= on << j;
      }
  }

  // The group's primes, with the cube table in the smallest word that
  // holds the group; false when stopped or too many.
  bool GroupPrimes() {
    if (groupWidth <= 8) return Primes(tab8);
    if (groupWidth <= 16) return Primes(tab16);
    if (groupWidth <= 32) return Primes(tab32);
    return Primes(tab64);
  }

  // One group: true when done (its terms added), false when its matrix is
  // too large and it must be split. `info` gathers the outcome.
  bool RunGroup(unsigned from, unsigned count, uint64_t rowsLeft, MultiCoverInfo& info) {
    SetGroup(from, count);
    const uint64_t rows = RowsOf(from, count);
    if (rows == 0) return true;
    watcher.emplace(*e, *host, GroupLabel());
    watcher->SetTimeLimit(Share(rows, rowsLeft));
    watcher->Show("primes");
    bool ready = GroupPrimes();
    if (ready) {
      watcher->Show("covering matrix");
      ready = BuildMatrix();
    }
    if (stopped) {
      MintermCover(from, count);
      info.stopped = true;
      info.end = CoverEnd::kStopped;
      return true;
    }
    if (!ready) return false;  // too many primes or matrix entries
    info.primes += static_cast<uint32_t>(primeValue.size());
    ++info.groups;
    minimiser::CoverSettings settings;
    settings.effort = EffortShare(rows, rowsLeft);
    settings.stallStop = stallStop;
    settings.seed = kSearchSeed;
    const minimiser::CoverSolution mc = minimiser::SolveCover(matrix, settings, &*watcher);
    Spend(mc.ticks);
    info.ticks += mc.ticks;
    Emit(mc.columns);
    const CoverEnd end = EndOf(mc, *watcher);
    info.lowerBound = std::max(info.lowerBound, mc.lowerBound);
    info.minimum = mc.minimum;
    if (end != CoverEnd::kFinished) info.end = end;
    info.stopped = info.stopped || end == CoverEnd::kStopped;
    info.timedOut = info.timedOut || (!mc.minimum && end != CoverEnd::kStopped);
    stopped = stopped || end == CoverEnd::kStopped;
    return true;
  }

  // An output too large for the shared matrix: the single-output search,
  // with the engine's table holding its rows.
  void RunSingle(unsigned k, uint64_t rowsLeft, MultiCoverInfo& info) {
    ++info.singles;
    const uint64_t rows = RowsOf(k, 1);
    if (rows == 0) return;
    e->ClearTruthTable();
    e->VariableCount = static_cast<uint8_t>(n);
    e->FullMask = full;
    e->RowMask = full;
    uint16_t t = 0;
    for (uint32_t a = 0; a <= full; ++a)
      if (InSet(f->on[k], a)) {
        ++t;
        e->TermValue[t] = static_cast<uint16_t>(a);
        e->TermMask[t] = full;
      }
    e->TermCount = t;
    search.SetDontCares(&f->dc[k]);
    search.SetStallStop(stallStop);
    search.SetEffort(EffortShare(rows, rowsLeft));
    const CoverInfo ci = search.Run(*e, *host, Share(rows, rowsLeft));
    search.SetDontCares(nullptr);
    Spend(ci.ticks);
    info.ticks += ci.ticks;
    if (ci.end != CoverEnd::kFinished) info.end = ci.end;
    for (int i = 1; i <= e->TermCount; ++i) AddTerm(e->TermValue[i], e->TermMask[i], k);
    info.lowerBound = std::max<uint32_t>(info.lowerBound, ci.allPrimes ? ci.lowerBound : 1);
    info.minimum = ci.minimum && ci.allPrimes;
    info.stopped = info.stopped || ci.stopped;
    info.timedOut = info.timedOut || ci.timedOut;
    stopped = stopped || ci.stopped;
  }

  MultiCoverInfo Run(Engine& en, RunHost& h, const MultiFunction& fn, double seconds, MultiCover& result) {
    f = &fn;
    e = &en;
    host = &h;
    out = &result;
    n = static_cast<int>(fn.inputs);
    full = LowMask(fn.inputs);
    timed = std::isfinite(seconds);
    deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(timed ? std::max(0.0, seconds) : 0.0));
    effortLeft = effort == 0 ? minimiser::kDefaultCoverEffort : effort;
    watcher.emplace(en, h, "shared cover");
    stopped = false;
    index.clear();
    result = MultiCover{};
    result.outWords = (fn.Outputs() + 63) / 64;
    MultiCoverInfo info;

    // Groups as wide as the table allows, split in halves when a matrix is
    // too large; single outputs left over get the single-output search.
    const unsigned width = std::min(MaxWidth(), 64u);
    std::vector<std::pair<unsigned, unsigned>> todo;  // (first output, count), the next one last
    for (unsigned k = fn.Outputs(); k > 0;) {
      const unsigned count = std::min(width, k);
      k -= count;
      todo.emplace_back(k, count);
    }
    uint64_t rowsLeft = RowsOf(0, fn.Outputs());
    unsigned groupsRun = 0;
    while (!todo.empty()) {
      const auto [from, count] = todo.back();
      todo.pop_back();
      if (stopped) {
        MintermCover(from, count);  // the rest as it was given
        continue;
      }
      const uint64_t rows = RowsOf(from, count);
      if (count == 1 && !RunGroup(from, 1, rowsLeft, info)) {
        RunSingle(from, rowsLeft, info);
      } else if (count > 1 && !RunGroup(from, count, rowsLeft, info)) {
        todo.emplace_back(from + count / 2, count - count / 2);
        todo.emplace_back(from, count / 2);
        continue;
      }
      if (rows > 0) ++groupsRun;
      rowsLeft -= rows;
    }
    Summarize(groupsRun, result, info);
    SortTerms(result);
    return info;
  }

  // The whole cover's terms, literals and bound from what the groups found.
  static void Summarize(unsigned groupsRun, const MultiCover& result, MultiCoverInfo& info) {
    if (groupsRun == 0) info.minimum = !info.stopped;  // nothing to cover: no term, the fewest there can be
    // A bound or a proof for one group of several speaks for the whole
    // function only when that group held every output.
    if (groupsRun > 1) info.minimum = false;
    if (info.stopped) info.minimum = false;
    info.terms = static_cast<uint32_t>(result.Terms());
    if (info.terms > 0) info.lowerBound = std::max(info.lowerBound, 1u);  // something to cover takes a term
    for (uint16_t m : result.mask) info.literals += static_cast<uint32_t>(std::popcount(m));
    if (info.minimum) info.lowerBound = info.terms;
    info.lowerBound = std::min(info.lowerBound, info.terms);
    // One group's bound that the whole cover meets proves it too.
    if (!info.stopped && info.lowerBound == info.terms) info.minimum = true;
  }

  // Ascending by the first assignment each term covers, then by fewer
  // literals, as the single-output cover writes its terms.
  static void SortTerms(MultiCover& c) {
    std::vector<std::size_t> order(c.Terms());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return c.value[a] != c.value[b] ? c.value[a] < c.value[b] : c.mask[a] < c.mask[b];
    });
    MultiCover s;
    s.outWords = c.outWords;
    for (std::size_t t : order) {
      s.value.push_back(c.value[t]);
      s.mask.push_back(c.mask[t]);
      s.outs.insert(s.outs.end(), c.outs.begin() + static_cast<std::ptrdiff_t>(t * c.outWords),
                    c.outs.begin() + static_cast<std::ptrdiff_t>((t + 1) * c.outWords));
    }
    c = std::move(s);
  }
};

MultiCoverSearch::MultiCoverSearch() : impl_(std::make_unique<Impl>()) {}
MultiCoverSearch::~MultiCoverSearch() = default;

MultiCoverInfo MultiCoverSearch::Run(Engine& e, RunHost& host, const MultiFunction& f, double seconds,
                                     MultiCover& out) {
  return impl_->Run(e, host, f, seconds, out);
}

void MultiCoverSearch::SetStallStop(bool on) { impl_->stallStop = on; }

void MultiCoverSearch::SetEffort(uint64_t ticks) { impl_->effort = ticks; }

}  // namespace tervo
