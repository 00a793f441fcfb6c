// EXACT: every multi-output prime implicant, then a covering matrix whose
// answer is the function's true minimum when the search proves it.
//
// Primes. The primes of a cover F (inputs and the output part as one
// multiple-valued variable) follow from its cofactors by an input x:
//   P(F) = x'·P(F_x') ∪ x·P(F_x) ∪ {p ∩ q : p in P(F_x'), q in P(F_x)},
// keeping only the largest cubes. A prime free of x is p ∩ q for primes
// of the two halves; x'·p is prime unless p lies in some q. The recursion
// splits on the input fixed in most cubes and ends at one cube, or at
// cubes with no input fixed (one cube of all their outputs).
//
// Rows. The ON-set of each output is cut into pieces until every prime
// serving that output either holds a piece or misses it (a piece is split
// on an input where a prime meeting it but not holding it has a literal).
// A piece inside the don't-cares needs nothing. Then a set of primes
// covers the ON-set exactly when it holds every piece, so the covering
// search over pieces and primes, one per term, gives the minimum number
// of terms whenever it proves its answer; a minimum cover can always be
// made of primes.
//
// Everything runs inside a fence of effort: too many primes, pieces or
// ticks, and the path gives up, leaving the run's state as it was apart
// from the ticks spent.
#include <algorithm>
#include <bit>
#include <unordered_set>

#include "internal.h"
#include "tervo/covering.h"

namespace tervo::minimiser::detail {
namespace {

constexpr std::size_t kPrimeCap = 20'000;       // primes listed at most
constexpr std::size_t kProductCap = 80'000;     // products of one merge before absorption
constexpr std::size_t kHeldCap = 400'000;      // cubes waiting along the recursion
constexpr std::size_t kPieceCap = 200'000;      // rows of the matrix
constexpr std::size_t kEntryCap = 4'000'000;    // entries of the matrix
constexpr uint64_t kListTicks = 20'000'000;     // listing primes and cutting pieces, at most
constexpr uint64_t kListBase = 4'000'000;       // ... and at most this
constexpr uint64_t kListPerCube = 20'000;       // ... and this per ON cube
constexpr uint64_t kCoverTicks = 60'000'000;    // the covering search

// The cube operations of the inner loops, inline: a holds b; a and b
// apart in an input; a ∩ b into r, false when empty.
inline bool Holds(const Cube& a, const Cube& b) {
  const Word *x = a.data(), *y = b.data();
  for (std::size_t w = 0, n = a.size(); w < n; ++w)
    if (y[w] & ~x[w]) return false;
  return true;
}

inline bool Apart(const Layout& l, const Cube& a, const Cube& b) {
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word x = a[w] & b[w];
    if (~(x | (x >> 1)) & kLow & l.inMask[w]) return true;
  }
  return false;
}

inline bool Meet(const Layout& l, const Cube& a, const Cube& b, Cube& r) {
  Word outs = 0;
  for (unsigned w = l.inWords; w < l.Words(); ++w) outs |= a[w] & b[w];
  if (!outs || Apart(l, a, b)) return false;
  r.resize(a.size());
  for (std::size_t w = 0; w < a.size(); ++w) r[w] = a[w] & b[w];
  return true;
}

// A cube folded to two words: the values its inputs leave out and the
// outputs it serves, each OR-ed over the words. When a holds b, a leaves
// out no value b keeps and b serves no output a does not, and so do the
// folds: a quick test that rules most pairs out before the cubes are read.
struct Sig {
  Word out = 0, serve = 0;
};

inline Sig Fold(const Layout& l, const Cube& c) {
  Sig s;
  for (unsigned w = 0; w < l.inWords; ++w) s.out |= ~c[w] & l.inMask[w];
  for (unsigned w = l.inWords; w < l.Words(); ++w) s.serve |= c[w];
  return s;
}

inline bool MayHold(const Sig& a, const Sig& b) { return !(a.out & ~b.out) && !(b.serve & ~a.serve); }

std::vector<Sig> Folds(const Layout& l, const Cover& f) {
  std::vector<Sig> r;
  r.reserve(f.size());
  for (const Cube& c : f) r.push_back(Fold(l, c));
  return r;
}

unsigned Bits(const Cube& c) {
  unsigned n = 0;
  for (Word w : c) n += std::popcount(w);
  return n;
}

// Keeps the cubes no other cube holds (one of equal cubes). A fold test
// counts a quarter tick, a cube test one.
void Absorb(State& st, Cover& f) {
  const Layout& l = st.lay;
  std::vector<std::pair<unsigned, uint32_t>> order;
  order.reserve(f.size());
  for (uint32_t k = 0; k < f.size(); ++k) order.push_back({Bits(f[k]), k});
  std::sort(order.begin(), order.end(), [](auto a, auto b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
  Cover kept;
  std::vector<Sig> folds;
  for (const auto& [bits, k] : order) {
    const Sig s = Fold(l, f[k]);
    bool held = false;
    uint64_t tests = 0;
    for (std::size_t c = 0; c < kept.size() && !held; ++c)
      if (MayHold(folds[c], s)) {
        ++tests;
        held = Holds(kept[c], f[k]);
      }
    if (st.Tick(kept.size() / 4 + tests + 1)) return;
    if (!held) {
      kept.push_back(std::move(f[k]));
      folds.push_back(s);
    }
  }
  f = std::move(kept);
}

// The input to split on: the one fixed both ways in most cubes; where none
// is, the one fixed in most cubes, with `value` the only value cubes fix
// it to (1: 0, 2: 1). -1 when no input is fixed.
int SplitInput(const Layout& l, const Cover& f, unsigned& value) {
  const Split s = ChooseSplit(l, f);
  if (s.var >= 0) value = s.binate ? 3 : s.zeros ? 1 : 2;
  return s.var;
}

// Counts n ticks of work about to be done; true (and `over`) when they
// would pass the budget, which stands at the fence while primes are
// listed, so work that cannot finish is neither done nor counted.
bool Spend(State& st, uint64_t n, bool& over) {
  if (st.budget && st.ticks + n > st.budget) over = true;
  return over || st.Tick(n);
}

// The primes of f; gives up (st halted or `over`) when they pass the caps.
Cover Primes(State& st, Cover f, bool& over, std::size_t& held) {
  const Layout& l = st.lay;
  // the halves copy every cube; the split counts every input
  if (st.Tick(f.size() * (l.Words() + 8) + l.inputs / 4 + 1)) return {};
  if (f.size() <= 1) return f;
  unsigned value = 0;
  const int s = SplitInput(l, f, value);
  if (s < 0) {
    Cube c = f[0];
    for (const Cube& d : f)
      for (unsigned w = l.inWords; w < l.Words(); ++w) c[w] |= d[w];
    return {c};
  }
  const unsigned i = static_cast<unsigned>(s);
  // What waits along the recursion (halves and primes not yet merged) is
  // counted in `held`, and capped, so memory stays bounded at any depth.
  Cover f1 = Half(f, i, 2), f0 = Half(f, i, 1);
  f.clear();
  f.shrink_to_fit();
  held += f1.size();
  if (held > kHeldCap) over = true;
  Cover p0 = over ? Cover{} : Primes(st, std::move(f0), over, held);
  held -= f1.size();
  if (over || st.Halted()) return {};
  held += p0.size();
  if (held > kHeldCap) over = true;
  Cover p1 = over ? Cover{} : Primes(st, std::move(f1), over, held);
  held -= p0.size();
  if (over || st.Halted()) return {};
  if (value != 3) {
    // Unate in x: one half lies in the other, whose primes are all primes
    // of f free of x; a prime of the larger half is one of them or needs
    // the literal (lying inside the smaller half would make it one).
    Cover& small = value == 2 ? p0 : p1;
    Cover& large = value == 2 ? p1 : p0;
    if (Spend(st, (small.size() + large.size()) * l.Words() + 1, over)) return {};
    std::unordered_set<Cube, CubeHash> free(small.begin(), small.end());
    Cover out = std::move(small);
    for (Cube& q : large)
      if (!free.count(q)) {
        SetLiteral(q, i, value);
        out.push_back(std::move(q));
      }
    if (out.size() > kPrimeCap) over = true;
    return out;
  }
  // Binate: x'·p stays unless p lies in a prime q of the other half; then
  // p ∩ q = p holds every product of p, which need not be formed. The
  // same for x·q.
  std::vector<char> keep0(p0.size(), 1), keep1(p1.size(), 1);
  const std::vector<Sig> s0 = Folds(l, p0), s1 = Folds(l, p1);
  for (int side = 0; side < 2; ++side) {
    const Cover& mine = side ? p1 : p0;
    const Cover& other = side ? p0 : p1;
    const std::vector<Sig>& sm = side ? s1 : s0;
    const std::vector<Sig>& so = side ? s0 : s1;
    std::vector<char>& keep = side ? keep1 : keep0;
    if (Spend(st, mine.size() * (other.size() / 4 + 1), over)) return {};
    uint64_t tests = 0;
    for (std::size_t k = 0; k < mine.size(); ++k)
      for (std::size_t q = 0; q < other.size(); ++q)
        if (MayHold(so[q], sm[k]) && (++tests, Holds(other[q], mine[k]))) {
          keep[k] = 0;
          break;
        }
    if (Spend(st, tests, over)) return {};
  }
  Cover prods;
  for (std::size_t k = 0; k < p0.size(); ++k)
    if (!keep0[k]) prods.push_back(p0[k]);
  for (std::size_t k = 0; k < p1.size(); ++k)
    if (!keep1[k]) prods.push_back(p1[k]);
  Cube r;
  for (std::size_t a = 0; a < p0.size(); ++a) {
    if (!keep0[a]) continue;
    if (Spend(st, p1.size() + 1, over)) return {};
    for (std::size_t b = 0; b < p1.size(); ++b)
      if (keep1[b] && Meet(l, p0[a], p1[b], r)) prods.push_back(r);
    if (prods.size() > kProductCap) {
      over = true;
      return {};
    }
  }
  Absorb(st, prods);
  if (st.Halted()) return {};
  Cover out;
  for (int side = 0; side < 2; ++side) {
    Cover& mine = side ? p1 : p0;
    const std::vector<char>& keep = side ? keep1 : keep0;
    for (std::size_t k = 0; k < mine.size(); ++k)
      if (keep[k]) {
        SetLiteral(mine[k], i, side ? 2 : 1);
        out.push_back(std::move(mine[k]));
      }
  }
  out.insert(out.end(), std::make_move_iterator(prods.begin()), std::make_move_iterator(prods.end()));
  if (out.size() > kPrimeCap) over = true;
  return out;
}

// A piece on its way to a row: the primes holding it, those meeting it
// without holding it (which cut it further), the don't-cares meeting it.
struct Piece {
  Cube cube;
  std::vector<uint32_t> holders, cutters;
  Cover dc;
};

// The free input of p where most cutters have a literal, and which of its
// values to take first.
unsigned CutInput(const Layout& l, const Cube& p, const Cover& primes, const std::vector<uint32_t>& cutters,
                  std::vector<uint32_t>& count, unsigned& first) {
  count.assign(l.inputs, 0);
  for (uint32_t q : cutters)
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word x = primes[q][w] & l.inMask[w], y = p[w] & l.inMask[w];
      Word bits = (x ^ (x >> 1)) & (y & (y >> 1)) & kLow;  // q fixed, p free
      while (bits) {
        count[w * 32 + std::countr_zero(bits) / 2]++;
        bits &= bits - 1;
      }
    }
  unsigned at = 0;
  for (unsigned i = 1; i < l.inputs; ++i)
    if (count[i] > count[at]) at = i;
  // first: the value of `at` that most cutters here leave out (its piece
  // meets fewer primes, so its rows tend to be the small ones that make
  // others redundant)
  unsigned ones = 0;
  for (uint32_t q : cutters) ones += Literal(primes[q], at) == 2;
  first = 2 * ones >= count[at] ? 1 : 2;
  return at;
}

constexpr uint32_t kNone = UINT32_MAX;

// Whether some row named so far has its primes all among `holders`: per
// holder, the smallest row it is in (smallest[q]) is tried.
bool Dominated(State& st, const std::vector<std::vector<uint32_t>>& rows, const std::vector<uint32_t>& smallest,
               const std::vector<uint32_t>& holders, std::vector<uint32_t>& mark, uint32_t& stamp) {
  if (holders.empty()) return false;
  ++stamp;
  for (uint32_t q : holders) mark[q] = stamp;
  st.Tick(holders.size());
  for (uint32_t q : holders) {
    const uint32_t r = smallest[q];
    if (r == kNone || rows[r].size() > holders.size()) continue;
    bool inside = true;
    st.Tick(rows[r].size());
    for (uint32_t c : rows[r])
      if (mark[c] != stamp) {
        inside = false;
        break;
      }
    if (inside) return true;
  }
  return false;
}

// Per output, the ON-set cut into pieces as above, each a row naming the
// primes that hold it. False when the caps or the fence end it, or a piece
// has no holder (the primes do not cover the ON-set).
bool Pieces(State& st, const Cover& on, const Cover& dc, const Cover& primes, std::vector<std::vector<uint32_t>>& rows) {
  const Layout& l = st.lay;
  std::size_t entries = 0;
  std::vector<uint32_t> count, smallest(primes.size(), kNone), mark(primes.size(), 0);
  uint32_t stamp = 0;
  for (unsigned j = 0; j < l.outputs; ++j) {
    std::vector<uint32_t> cols;
    for (uint32_t q = 0; q < primes.size(); ++q)
      if (Output(l, primes[q], j)) cols.push_back(q);
    Cover dcj;
    for (const Cube& d : dc)
      if (Output(l, d, j)) dcj.push_back(d);
    if (st.Tick(primes.size() + dc.size() + 1)) return false;
    for (const Cube& c : on) {
      if (!Output(l, c, j)) continue;
      std::vector<Piece> stack(1);
      stack[0].cube = c;
      stack[0].cutters = cols;
      stack[0].dc = dcj;
      while (!stack.empty()) {
        if (rows.size() > kPieceCap || entries > kEntryCap) return false;
        Piece p = std::move(stack.back());
        stack.pop_back();
        if (st.Tick(p.cutters.size() + p.dc.size() + 1)) return false;
        std::size_t k = 0;
        for (uint32_t q : p.cutters) {
          if (Apart(l, primes[q], p.cube)) continue;
          if (InputsContain(l, primes[q], p.cube)) p.holders.push_back(q);
          else p.cutters[k++] = q;
        }
        p.cutters.resize(k);
        // Every row this piece can give holds the primes holding it now;
        // when some row already named needs only some of them, those rows
        // ask nothing more of a cover, and the piece is dropped.
        if (Dominated(st, rows, smallest, p.holders, mark, stamp)) continue;
        if (st.Tick(p.holders.size() + 1)) return false;
        k = 0;
        for (std::size_t d = 0; d < p.dc.size(); ++d)
          if (!Apart(l, p.dc[d], p.cube)) {
            if (k != d) p.dc[k] = std::move(p.dc[d]);
            ++k;
          }
        p.dc.resize(k);
        if (!p.dc.empty() && Tautology(st, Cofactor(l, p.dc, p.cube))) continue;
        if (st.Halted()) return false;
        if (!p.cutters.empty()) {
          unsigned first = 1;
          const unsigned at = CutInput(l, p.cube, primes, p.cutters, count, first);
          const uint64_t work = p.cutters.size() * l.inWords + p.holders.size() + p.dc.size() * l.Words() + l.inputs / 4;
          if (st.Tick(work + 1) || count[at] == 0) return false;
          Piece a = p;
          SetLiteral(a.cube, at, 3 - first);
          SetLiteral(p.cube, at, first);
          stack.push_back(std::move(a));
          stack.push_back(std::move(p));
          continue;
        }
        if (p.holders.empty()) return false;
        entries += p.holders.size();
        for (uint32_t q : p.holders)
          if (smallest[q] == kNone || rows[smallest[q]].size() > p.holders.size())
            smallest[q] = static_cast<uint32_t>(rows.size());
        rows.push_back(std::move(p.holders));
      }
    }
  }
  return true;
}

}  // namespace

bool Exact(State& st, const Cover& on, const Cover& dc, const Cover& off, bool offDecides, Cover& out, bool& minimum,
           uint64_t& lowerBound) {
  const Layout& l = st.lay;
  const char* was = st.phase;
  minimum = false;
  lowerBound = 0;
  // The fence: the run's own budget is lowered for the listing and put
  // back after, so a give-up here never ends the run. A small budget
  // lends the path an eighth of what is left.
  const uint64_t budget = st.budget;
  // A small function gets a smaller fence: a few million ticks and some
  // per ON cube, so a file of a few dozen rows whose primes are too many
  // gives up in a few hundredths of a second.
  const uint64_t listTicks = std::min<uint64_t>(kListTicks, kListBase + kListPerCube * on.size());
  const uint64_t fence = st.ticks + (budget ? std::min(listTicks, (budget > st.ticks ? budget - st.ticks : 0) / 8) : listTicks);
  if (!budget || fence < budget) st.budget = fence;
  auto lift = [&] {
    st.budget = budget;
    if (st.spent && (!budget || st.ticks <= budget)) st.spent = false;
    st.nextPoll = std::min(st.nextPoll, st.ticks + 1);
    st.phase = was;
  };
  st.phase = "primes";
  // What the primes are taken of: everything outside the OFF-set. Where
  // the OFF-set was given beside the ON-set, the points in neither are
  // free too, so that is its complement; else it is the ON and
  // don't-care cubes.
  Cover src;
  if (offDecides) {
    src = OffSet(st, off);
  } else {
    src = on;
    src.insert(src.end(), dc.begin(), dc.end());
  }
  bool over = st.Halted();
  Cover primes;
  if (!over) {
    // Repeated cubes only; the recursion drops the ones held by others.
    std::unordered_set<Cube, CubeHash> seen;
    std::size_t k = 0;
    for (std::size_t c = 0; c < src.size(); ++c)
      if (seen.insert(src[c]).second) {
        if (k != c) src[k] = std::move(src[c]);
        ++k;
      }
    src.resize(k);
    st.Tick(k * (l.Words() + 8) + 1);
    std::size_t held = 0;
    primes = Primes(st, std::move(src), over, held);
  }
  std::vector<std::vector<uint32_t>> rows;
  st.phase = "exact rows";
  const bool cut = !over && !st.Halted() && Pieces(st, on, dc, primes, rows);
  lift();
  if (!cut || st.Halted()) return false;

  // The matrix, over the primes that hold some piece.
  std::vector<std::vector<uint32_t>> colRows(primes.size());
  for (uint32_t r = 0; r < rows.size(); ++r)
    for (uint32_t q : rows[r]) colRows[q].push_back(r);
  CoverProblem prob;
  prob.rows = static_cast<uint32_t>(rows.size());
  std::vector<uint32_t> colPrime;
  for (uint32_t q = 0; q < primes.size(); ++q) {
    if (colRows[q].empty()) continue;
    colPrime.push_back(q);
    prob.colRows.insert(prob.colRows.end(), colRows[q].begin(), colRows[q].end());
    prob.colStart.push_back(static_cast<uint32_t>(prob.colRows.size()));
    prob.colCost.push_back(InputLiterals(l, primes[q]) + OutputCount(l, primes[q]));
  }
  st.Tick(prob.colRows.size() + primes.size());
  out.clear();
  if (prob.rows == 0) {
    minimum = true;
    return true;
  }
  st.phase = "exact cover";
  CoverSettings cs;
  const uint64_t left = st.budget > st.ticks ? st.budget - st.ticks : 0;
  cs.effort = std::max<uint64_t>(std::min(kCoverTicks, budget ? left / 4 : kCoverTicks), 1);
  cs.stallStop = true;
  const CoverSolution sol = SolveCoverInRun(st, prob, cs);
  st.phase = was;
  if (sol.status == Status::kRefused || sol.columns.empty()) return false;
  for (uint32_t c : sol.columns) out.push_back(primes[colPrime[c]]);
  std::sort(out.begin(), out.end());
  // Fewer literals: each output a term need not serve is taken off it.
  Cover g = out;
  if (Irredundant(st, g, on, dc, true) && g.size() <= out.size()) out = std::move(g);
  st.phase = was;
  minimum = sol.minimum;
  lowerBound = std::max<uint64_t>(sol.lowerBound, minimum ? out.size() : 0);
  return true;
}

}  // namespace tervo::minimiser::detail
