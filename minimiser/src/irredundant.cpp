// IRREDUNDANT as a covering matrix. A cube is essential here when, for
// some output it serves, part of it lies outside the other cubes of that
// output and the don't-cares (a tautology check of the rest cofactored by
// it); those cubes stay. Every other cube, output by output, is cut into
// pieces until each piece lies either wholly inside or wholly outside
// every neighbouring cube: a piece inside an essential cube or a
// don't-care needs nothing, any other piece is a row listing the
// non-essential cubes that hold it. The covering search picks as few of
// those cubes as keep every row covered, fewer literals breaking ties.
// Optionally an output is then taken from a chosen cube wherever the
// other cubes and the don't-cares already cover that output's part of it.
// Also here: which cubes meet which, and the essential primes of a prime
// cover, found by consensus.
#include <algorithm>

#include "internal.h"
#include "tervo/covering.h"

namespace tervo::minimiser::detail {

Near::Near(State& st, const Cover& f) : st_(st), f_(f), lists_(f.size()) {
  const Layout& l = st.lay;
  // Lists for every cube at once, unless a dense cover would make them
  // too many: then each cube's list is found when asked for.
  const std::size_t cap = std::size_t{1} << 24;
  std::size_t total = 0;
  for (uint32_t a = 0; a < f.size(); ++a) {
    if (st.Tick(f.size())) return;
    for (uint32_t b = a + 1; b < f.size(); ++b)
      if (!InputsDisjoint(l, f[a], f[b])) {
        lists_[a].push_back(b);
        lists_[b].push_back(a);
      }
    total += 2 * lists_[a].size();
    if (total > cap) {
      lists_.clear();
      lists_.shrink_to_fit();
      all_ = true;
      return;
    }
  }
}

const std::vector<uint32_t>& Near::Of(uint32_t k) {
  if (!all_) return lists_[k];
  scratch_.clear();
  for (uint32_t q = 0; q < f_.size(); ++q)
    if (q != k && !InputsDisjoint(st_.lay, f_[q], f_[k])) scratch_.push_back(q);
  st_.Tick(f_.size());
  return scratch_;
}

namespace {

// True when output j's part of `c` lies inside the cubes listed (each
// serving j): the cofactor of their inputs by `c` is a tautology.
bool CoveredBy(State& st, const Cube& c, const std::vector<const Cube*>& by) {
  const Layout& l = st.lay;
  Cover cof;
  for (const Cube* d : by) AddCofactor(l, *d, c, cof);
  st.Tick(by.size() + 1);
  if (cof.empty()) return false;
  return Tautology(st, cof);
}

}  // namespace

bool Irredundant(State& st, Cover& f, const Cover& on, const Cover& dc, bool lowerOutputs) {
  (void)on;
  const Layout& l = st.lay;
  const char* was = st.phase;
  st.phase = "irredundant";
  struct Restore {
    State& st;
    const char* was;
    ~Restore() { st.phase = was; }
  } restore{st, was};
  Near nb(st, f);
  if (st.Halted()) return false;
  std::vector<std::vector<const Cube*>> dcOf(l.outputs);
  for (const Cube& d : dc)
    for (unsigned j = 0; j < l.outputs; ++j)
      if (Output(l, d, j)) dcOf[j].push_back(&d);

  // The essential cubes.
  std::vector<char> ess(f.size(), 0);
  std::vector<const Cube*> by;
  for (uint32_t q = 0; q < f.size(); ++q)
    for (unsigned j = 0; j < l.outputs && !ess[q]; ++j) {
      if (!Output(l, f[q], j)) continue;
      by = dcOf[j];
      for (uint32_t r : nb.Of(q))
        if (Output(l, f[r], j)) by.push_back(&f[r]);
      if (!CoveredBy(st, f[q], by)) ess[q] = 1;
      if (st.Halted()) return false;
    }

  // The rows: pieces of the other cubes, output by output.
  std::vector<std::vector<uint32_t>> colRows(f.size());
  uint32_t rows = 0;
  const std::size_t pieceCap = 2'000'000;
  std::vector<uint32_t> holders;
  std::vector<const Cube*> meet;
  std::vector<uint32_t> lit(2 * l.inputs);
  for (unsigned j = 0; j < l.outputs; ++j) {
    for (uint32_t q = 0; q < f.size(); ++q) {
      if (ess[q] || !Output(l, f[q], j)) continue;
      // Everything a piece of q can meet: its neighbours serving j, and the
      // don't-cares of j.
      std::vector<uint32_t> near{q};
      for (uint32_t r : nb.Of(q))
        if (Output(l, f[r], j)) near.push_back(r);
      std::vector<const Cube*> dcNear;
      for (const Cube* d : dcOf[j])
        if (!InputsDisjoint(l, *d, f[q])) dcNear.push_back(d);
      Cover stack{f[q]};
      while (!stack.empty()) {
        if (st.Tick(near.size() + dcNear.size() + 1) || rows > pieceCap) return false;
        Cube p = std::move(stack.back());
        stack.pop_back();
        bool free = false;
        holders.clear();
        meet.clear();
        for (const Cube* d : dcNear) {
          if (InputsContain(l, *d, p)) {
            free = true;
            break;
          }
          if (!InputsDisjoint(l, *d, p)) meet.push_back(d);
        }
        for (std::size_t k = 0; k < near.size() && !free; ++k) {
          const Cube& d = f[near[k]];
          if (InputsContain(l, d, p)) {
            if (ess[near[k]]) free = true;
            else holders.push_back(near[k]);
          } else if (!InputsDisjoint(l, d, p)) {
            meet.push_back(&d);
          }
        }
        if (free) continue;
        if (meet.empty()) {
          for (uint32_t h : holders) colRows[h].push_back(rows);
          ++rows;
          continue;
        }
        // Split on the literal most of the partly meeting cubes have.
        std::fill(lit.begin(), lit.end(), 0);
        for (const Cube* d : meet)
          for (unsigned i = 0; i < l.inputs; ++i) {
            const unsigned v = Literal(*d, i);
            if (Literal(p, i) == 3 && v != 3) ++lit[2 * i + (v == 2)];
          }
        st.Tick(meet.size() * l.inputs / 8 + 1);
        unsigned at = 0;
        for (unsigned i = 0; i < l.inputs; ++i)
          if (lit[2 * i] + lit[2 * i + 1] > lit[2 * at] + lit[2 * at + 1]) at = i;
        Cube a = p;
        SetLiteral(a, at, 1);
        SetLiteral(p, at, 2);
        stack.push_back(std::move(a));
        stack.push_back(std::move(p));
      }
    }
  }

  std::vector<uint32_t> cols;  // the non-essential cubes, as columns
  for (uint32_t q = 0; q < f.size(); ++q)
    if (!ess[q]) cols.push_back(q);
  std::vector<char> take(ess.begin(), ess.end());
  if (rows) {
    CoverProblem prob;
    prob.rows = rows;
    for (uint32_t q : cols) {
      prob.colRows.insert(prob.colRows.end(), colRows[q].begin(), colRows[q].end());
      prob.colStart.push_back(static_cast<uint32_t>(prob.colRows.size()));
      prob.colCost.push_back(InputLiterals(l, f[q]) + OutputCount(l, f[q]));
    }
    // A modest search: proportional to the matrix, never the full default.
    CoverSettings cs;
    cs.effort = std::min<uint64_t>(20 * (prob.colRows.size() + cols.size()) + 1000, 3'000'000);
    cs.stallStop = true;
    CoverSolution sol = SolveCoverInRun(st, prob, cs);
    if (sol.status == Status::kRefused || sol.columns.empty()) return false;
    for (uint32_t k : sol.columns) take[cols[k]] = 1;
  }
  Cover g;
  for (uint32_t q = 0; q < f.size(); ++q)
    if (take[q]) g.push_back(f[q]);
  if (lowerOutputs) LowerOutputs(st, g, dc);
  if (st.Halted()) return false;
  f = std::move(g);
  st.cubes = f.size();
  return true;
}

void LowerOutputs(State& st, Cover& g, const Cover& dc) {
  const Layout& l = st.lay;
  Near nb(st, g);
  std::vector<std::vector<const Cube*>> dcOf(l.outputs);
  for (const Cube& d : dc)
    for (unsigned j = 0; j < l.outputs; ++j)
      if (Output(l, d, j)) dcOf[j].push_back(&d);
  std::vector<const Cube*> by;
  for (uint32_t q = 0; q < g.size(); ++q)
    for (unsigned j = 0; j < l.outputs; ++j) {
      if (st.Halted()) return;
      if (!Output(l, g[q], j) || OutputCount(l, g[q]) < 2) continue;
      by = dcOf[j];
      for (uint32_t r : nb.Of(q))
        if (Output(l, g[r], j)) by.push_back(&g[r]);
      if (CoveredBy(st, g[q], by)) SetOutput(l, g[q], j, false);
    }
}

// A prime p is essential unless every point of it lies in an implicant
// that p does not hold, and such implicants come from the cubes h of the
// rest of the cover and the don't-cares: h itself where it meets p (when
// p does not hold h), the consensus of h and p where they conflict in one
// input, and for an output p serves that h does not, h's inputs with both
// cubes' outputs where h serves an output p does not; don't-cares count
// wherever they meet p. Output by output, p is not essential when those,
// cofactored by p, are a tautology: no point p must hold is left to it.
std::vector<char> EssentialPrimes(State& st, const Cover& f, const Cover& dc) {
  const Layout& l = st.lay;
  std::vector<char> ess(f.size(), 0);
  Near nb(st, f);
  Cover cof;
  for (uint32_t q = 0; q < f.size(); ++q) {
    const Cube& p = f[q];
    std::vector<std::pair<const Cube*, bool>> hs;  // cube, a don't-care
    for (uint32_t r : nb.Of(q)) hs.emplace_back(&f[r], false);
    // Cubes one input away meet p in no input, so the neighbour lists miss
    // them: those come from a scan.
    for (uint32_t r = 0; r < f.size(); ++r)
      if (r != q && InputDistance(l, f[r], p) == 1) hs.emplace_back(&f[r], false);
    for (const Cube& d : dc)
      if (InputDistance(l, d, p) <= 1) hs.emplace_back(&d, true);
    st.Tick(f.size() + dc.size() + 1);
    for (unsigned j = 0; j < l.outputs && !ess[q]; ++j) {
      if (!Output(l, p, j)) continue;
      cof.clear();
      for (const auto& [h, free] : hs) {
        const unsigned dist = InputDistance(l, *h, p);
        Cube x(l.Words(), 0);
        if (dist == 0) {
          // A don't-care of output j needs no prime at all.
          bool extra = false;  // h serves an output p does not
          for (unsigned w = l.inWords; w < l.Words(); ++w) extra = extra || ((*h)[w] & ~p[w]);
          if (Output(l, *h, j) ? !free && Contains(p, *h) : !extra) continue;
          for (unsigned w = 0; w < l.inWords; ++w) x[w] = (*h)[w] | (~p[w] & l.inMask[w]);
        } else if (dist == 1 && Output(l, *h, j)) {
          for (unsigned w = 0; w < l.inWords; ++w) {
            const Word y = (*h)[w] & p[w];
            const Word e = ~(y | (y >> 1)) & kLow & l.inMask[w];
            x[w] = (*h)[w] | e | (e << 1) | (~p[w] & l.inMask[w]);
          }
        } else {
          continue;
        }
        cof.push_back(std::move(x));
      }
      st.Tick(hs.size() + 1);
      if (cof.empty()) {
        ess[q] = 1;
        continue;
      }
      // A bounded check: one the bound cuts short counts p as not
      // essential, which only leaves p to the loop.
      State sub = st;
      sub.budget = st.ticks + 400 + 4 * cof.size();
      sub.nextPoll = std::min(sub.nextPoll, sub.budget);
      const bool taut = Tautology(sub, cof);
      st.ticks = sub.ticks;
      st.stopped = sub.stopped;
      if (st.Tick(1)) return std::vector<char>(f.size(), 0);
      if (!sub.spent && !taut) ess[q] = 1;
    }
  }
  return ess;
}

}  // namespace tervo::minimiser::detail
