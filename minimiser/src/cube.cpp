// Positional cubes: the input literals as bit pairs, so containment and
// intersection are word-wide AND and OR, and a pair of zero bits marks an
// empty (conflicting) input.
#include "internal.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace tervo::minimiser::detail {

Layout::Layout(unsigned n, unsigned m) : inputs(n), outputs(m) {
  inWords = (2 * n + 63) / 64;
  outWords = (m + 63) / 64;
  inMask.assign(inWords, ~Word{0});
  if (n % 32) inMask.back() = (Word{1} << (2 * (n % 32))) - 1;
  outMask.assign(outWords, ~Word{0});
  if (m % 64) outMask.back() = (Word{1} << (m % 64)) - 1;
}

void State::Poll() {
  nextPoll = ticks + 4096;
  if (watcher && !stopped && watcher->Stop()) stopped = true;
  if (budget && ticks > budget) spent = true;
  if (watcher && (ticks & ~Word{0xFFFFF}) != ((ticks - 4096) & ~Word{0xFFFFF})) {
    Progress p;
    p.phase = phase;
    p.cubes = cubes;
    p.ticks = ticks;
    watcher->Report(p);
  }
}

Cube Universe(const Layout& l) {
  Cube c(l.Words(), 0);
  for (unsigned w = 0; w < l.inWords; ++w) c[w] = l.inMask[w];
  return c;
}

bool InputsFree(const Layout& l, const Cube& c) {
  for (unsigned w = 0; w < l.inWords; ++w)
    if (c[w] != l.inMask[w]) return false;
  return true;
}

// The bit at each input's low position set where a AND b leaves it empty.
static inline Word Empties(const Layout& l, Word x, unsigned w) {
  return ~(x | (x >> 1)) & kLow & l.inMask[w];
}

bool InputsDisjoint(const Layout& l, const Cube& a, const Cube& b) {
  for (unsigned w = 0; w < l.inWords; ++w)
    if (Empties(l, a[w] & b[w], w)) return true;
  return false;
}

unsigned InputDistance(const Layout& l, const Cube& a, const Cube& b) {
  unsigned d = 0;
  for (unsigned w = 0; w < l.inWords; ++w) d += std::popcount(Empties(l, a[w] & b[w], w));
  return d;
}

bool Contains(const Cube& a, const Cube& b) {
  for (std::size_t w = 0; w < a.size(); ++w)
    if (b[w] & ~a[w]) return false;
  return true;
}

bool InputsContain(const Layout& l, const Cube& a, const Cube& b) {
  for (unsigned w = 0; w < l.inWords; ++w)
    if (b[w] & ~a[w]) return false;
  return true;
}

bool OutputsMeet(const Layout& l, const Cube& a, const Cube& b) {
  for (unsigned w = l.inWords; w < l.Words(); ++w)
    if (a[w] & b[w]) return true;
  return false;
}

bool Intersect(const Layout& l, const Cube& a, const Cube& b, Cube& r) {
  r.resize(a.size());
  for (std::size_t w = 0; w < a.size(); ++w) r[w] = a[w] & b[w];
  if (l.outputs && !OutputsMeet(l, a, b)) return false;
  return !InputsDisjoint(l, a, b);
}

bool Consensus(const Layout& l, const Cube& a, const Cube& b, Cube& r) {
  if (InputDistance(l, a, b) != 1) return false;
  r.resize(a.size());
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word x = a[w] & b[w];
    const Word e = Empties(l, x, w);
    r[w] = x | e | (e << 1);
  }
  for (unsigned w = l.inWords; w < l.Words(); ++w) r[w] = a[w] & b[w];
  return true;
}

unsigned Literal(const Cube& c, unsigned i) { return (c[i / 32] >> (2 * (i % 32))) & 3; }

void SetLiteral(Cube& c, unsigned i, unsigned v) {
  const unsigned s = 2 * (i % 32);
  c[i / 32] = (c[i / 32] & ~(Word{3} << s)) | (Word(v) << s);
}

bool Output(const Layout& l, const Cube& c, unsigned j) { return (c[l.inWords + j / 64] >> (j % 64)) & 1; }

void SetOutput(const Layout& l, Cube& c, unsigned j, bool on) {
  Word& w = c[l.inWords + j / 64];
  if (on) w |= Word{1} << (j % 64);
  else w &= ~(Word{1} << (j % 64));
}

unsigned InputLiterals(const Layout& l, const Cube& c) {
  unsigned n = 0;
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word x = c[w] & l.inMask[w];
    n += std::popcount((x ^ (x >> 1)) & kLow);
  }
  return n;
}

unsigned OutputCount(const Layout& l, const Cube& c) {
  unsigned n = 0;
  for (unsigned w = l.inWords; w < l.Words(); ++w) n += std::popcount(c[w]);
  return n;
}

Cover Cofactor(const Layout& l, const Cover& f, const Cube& p) {
  Cover r;
  for (const Cube& c : f) {
    if (InputsDisjoint(l, c, p)) continue;
    Cube d = c;
    for (unsigned w = 0; w < l.inWords; ++w) d[w] = c[w] | (~p[w] & l.inMask[w]);
    r.push_back(std::move(d));
  }
  return r;
}

Cover Half(const Cover& f, unsigned i, unsigned v) {
  Cover r;
  for (const Cube& c : f)
    if (Literal(c, i) & v) {
      r.push_back(c);
      SetLiteral(r.back(), i, 3);
    }
  return r;
}

std::vector<std::size_t> LargestFirst(const Layout& l, const Cover& f) {
  std::vector<std::size_t> order(f.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<unsigned> lits(f.size());
  for (std::size_t k = 0; k < f.size(); ++k) lits[k] = InputLiterals(l, f[k]);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return lits[a] < lits[b]; });
  return order;
}

CoverSolution SolveCoverInRun(State& st, const CoverProblem& prob, const CoverSettings& settings) {
  struct Relay : Watcher {
    State* st;
    bool Stop() override { return st->watcher && st->watcher->Stop() ? (st->stopped = true) : false; }
  } relay;
  relay.st = &st;
  CoverSolution sol = SolveCover(prob, settings, &relay);
  st.Tick(sol.ticks);
  return sol;
}

uint64_t CostLiterals(const Layout& l, const Cover& f) {
  uint64_t n = 0;
  for (const Cube& c : f) n += InputLiterals(l, c) + OutputCount(l, c);
  return n;
}

}  // namespace tervo::minimiser::detail
