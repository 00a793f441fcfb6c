// EXPAND: make each cube a prime, grown in the direction that swallows the
// most other cubes of the cover.
//
// The parts of a cube that can be raised are its fixed inputs (raising
// frees the input) and the outputs it does not serve (raising serves one
// more). A set of parts is kept as a mask shaped like a cube: an input's
// part is the low bit of its pair, an output's part is its output bit.
//
// Blocking rows: every OFF cube the cube must stay apart from gives the
// parts whose raising would end the apartness (inputs in conflict, or its
// outputs when the two serve none in common). The cube stays clear of the
// OFF-set while every row keeps at least one part lowered.
// Covering rows: every other cube gives the parts to raise to hold it.
//
// Per cube: parts that are a row's last are locked down; parts in no open
// row are raised at once. Then, while some other cube can be held without
// emptying a blocking row, the raise that also takes in the most other
// such cubes is made. What is left is a covering problem over the blocking
// rows: the parts kept lowered are picked greedily (most open rows, then
// the part fewest other cubes need raised), a pick no row needs in the end
// is dropped again, and everything else is raised: the cube is prime.
// Cubes the grown cube holds leave the cover.
#include <algorithm>
#include <bit>
#include <numeric>

#include "internal.h"

namespace tervo::minimiser::detail {
namespace {

using Mask = std::vector<Word>;

// The parts of `c` still lowered: fixed inputs, outputs not served.
Mask Lowered(const Layout& l, const Cube& c) {
  Mask m(l.Words(), 0);
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word y = c[w] & l.inMask[w];
    m[w] = (y ^ (y >> 1)) & kLow;
  }
  for (unsigned w = 0; w < l.outWords; ++w) m[l.inWords + w] = ~c[l.inWords + w] & l.outMask[w];
  return m;
}

// The parts `c` must raise to hold `d`.
void Needed(const Layout& l, const Cube& c, const Cube& d, Word* out) {
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word bits = d[w] & ~c[w] & l.inMask[w];
    out[w] = (bits | (bits >> 1)) & kLow;
  }
  for (unsigned w = 0; w < l.outWords; ++w) out[l.inWords + w] = d[l.inWords + w] & ~c[l.inWords + w];
}

unsigned Count(const Word* m, unsigned n) {
  unsigned k = 0;
  for (unsigned w = 0; w < n; ++w) k += std::popcount(m[w]);
  return k;
}

bool Meets(const Word* a, const Word* b, unsigned n) {
  for (unsigned w = 0; w < n; ++w)
    if (a[w] & b[w]) return true;
  return false;
}

bool Inside(const Word* a, const Word* b, unsigned n) {  // a within b
  for (unsigned w = 0; w < n; ++w)
    if (a[w] & ~b[w]) return false;
  return true;
}

// The part number (bit index over the mask) of a single-part row.
unsigned FirstPart(const Word* m, unsigned n) {
  for (unsigned w = 0; w < n; ++w)
    if (m[w]) return w * 64 + std::countr_zero(m[w]);
  return n * 64;
}

}  // namespace

void ExpandCube(State& st, Cube& c, const Cover& off, const Cover& f, const std::vector<char>& skip, bool outputs) {
  const Layout& l = st.lay;
  const unsigned W = l.Words();
  Mask low = Lowered(l, c);
  // Blocking rows, kept as the parts still lowered in them.
  std::vector<Word> rows;
  rows.reserve(off.size() * W);
  // An OFF cube of several outputs gives one row per output the cube does
  // not serve: raising any one of them alone would meet it. Should those
  // rows grow past a bound (many outputs per OFF cube), the outputs stay
  // as they are and the OFF cubes they keep apart need no row at all.
  const std::size_t rowCap = std::size_t{1} << 23;  // words
  if (off.size() * l.outputs * W > rowCap) {
    std::size_t want = 0;
    for (const Cube& r : off) want += OutputsMeet(l, c, r) ? 1 : OutputCount(l, r);
    st.Tick(off.size() + 1);
    if (want * W > rowCap) outputs = false;
  }
  Mask apart(l.inWords);
  for (const Cube& r : off) {
    if (!outputs && !OutputsMeet(l, c, r)) continue;
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word x = c[w] & r[w];
      apart[w] = ~(x | (x >> 1)) & kLow & l.inMask[w];
    }
    auto add = [&](int out) {
      const std::size_t at = rows.size();
      rows.resize(at + W, 0);
      std::copy(apart.begin(), apart.end(), rows.begin() + at);
      if (out >= 0) rows[at + l.inWords + out / 64] = Word{1} << (out % 64);
    };
    if (OutputsMeet(l, c, r)) {
      add(-1);
      continue;
    }
    for (unsigned w = 0; w < l.outWords; ++w)
      for (Word x = r[l.inWords + w] & l.outMask[w]; x; x &= x - 1) add(static_cast<int>(w * 64 + std::countr_zero(x)));
  }
  st.Tick(rows.size() + 1);
  Mask locked(W, 0), raised(W, 0);
  if (!outputs)  // the outputs stay as they are
    for (unsigned w = l.inWords; w < W; ++w) locked[w] = low[w];
  std::size_t nrows = rows.size() / W;
  std::vector<uint32_t> cnt(nrows), start, cs;
  std::vector<Word> sorted;
  // Drops rows a locked part settles, takes raised parts out of the rest,
  // and locks the last part of any row left with one.
  auto settle = [&]() {
    bool again = true;
    while (again) {
      again = false;
      std::size_t k2 = 0;
      for (std::size_t k = 0; k < nrows; ++k) {
        Word* row = rows.data() + k * W;
        if (Meets(row, locked.data(), W)) continue;
        for (unsigned w = 0; w < W; ++w) row[w] &= ~raised[w];
        const unsigned n = Count(row, W);
        if (n == 1) {
          const unsigned p = FirstPart(row, W);
          locked[p / 64] |= Word{1} << (p % 64);
          again = true;
          continue;
        }
        if (k2 != k) std::copy(row, row + W, rows.data() + k2 * W);
        cnt[k2] = n;
        ++k2;
      }
      nrows = k2;
      st.Tick(nrows * W + 1);
    }
    rows.resize(nrows * W);
    cnt.resize(nrows);
    // Parts in no open row are raised for free.
    Mask used(W, 0);
    for (std::size_t k = 0; k < nrows; ++k)
      for (unsigned w = 0; w < W; ++w) used[w] |= rows[k * W + w];
    for (unsigned w = 0; w < W; ++w) raised[w] |= low[w] & ~locked[w] & ~used[w];
    // Rows with the fewest lowered parts first: a raise of k parts can only
    // empty rows of at most k. A counting sort, the counts being small.
    unsigned top = 0;
    for (std::size_t k = 0; k < nrows; ++k) top = std::max(top, cnt[k]);
    start.assign(top + 2, 0);
    for (std::size_t k = 0; k < nrows; ++k) ++start[cnt[k] + 1];
    for (unsigned v = 1; v <= top + 1; ++v) start[v] += start[v - 1];
    sorted.resize(nrows * W);
    cs.resize(nrows);
    for (std::size_t k = 0; k < nrows; ++k) {
      const uint32_t to = start[cnt[k]]++;
      std::copy(rows.begin() + k * W, rows.begin() + k * W + W, sorted.begin() + std::size_t(to) * W);
      cs[to] = cnt[k];
    }
    rows.swap(sorted);
    cnt.swap(cs);
    st.Tick(nrows * W + 1);
  };
  // A raise is allowed when no open row has all its lowered parts in it.
  auto feasible = [&](const Word* add, unsigned n) {
    for (std::size_t k = 0; k < nrows && cnt[k] <= n; ++k)
      if (Inside(rows.data() + k * W, add, W)) return false;
    return true;
  };
  settle();
  if (st.Halted()) return;

  // Covering rows: other cubes the cube might still come to hold. Only the
  // nearest few are tried, so a huge cover costs a bounded search per cube.
  const std::size_t candCap = 96;
  std::vector<std::pair<uint32_t, uint32_t>> near;  // parts needed, cube
  Mask need(W);
  std::vector<uint32_t> shut(W * 64, 0);  // per part: cubes needing it raised
  for (uint32_t q = 0; q < f.size(); ++q) {
    if (skip[q]) continue;
    Needed(l, c, f[q], need.data());
    if (Meets(need.data(), locked.data(), W)) continue;
    const unsigned n = Count(need.data(), W);
    if (n == 0) continue;
    for (unsigned w = 0; w < W; ++w)
      for (Word x = need[w]; x; x &= x - 1) shut[w * 64 + std::countr_zero(x)]++;
    near.emplace_back(n, q);
  }
  st.Tick(f.size() * W + 1);
  std::sort(near.begin(), near.end());
  if (near.size() > candCap) near.resize(candCap);
  std::vector<Word> cand(near.size() * W);
  for (std::size_t k = 0; k < near.size(); ++k) Needed(l, c, f[near[k].second], cand.data() + k * W);

  std::vector<uint32_t> feas;
  while (!near.empty()) {
    if (st.Tick(near.size() * 8 + 1)) return;
    // Take out what is raised already; drop cubes now held or out of reach.
    feas.clear();
    std::size_t k2 = 0;
    for (std::size_t k = 0; k < near.size(); ++k) {
      Word* r = cand.data() + k * W;
      for (unsigned w = 0; w < W; ++w) r[w] &= ~raised[w];
      if (Meets(r, locked.data(), W)) continue;
      const unsigned n = Count(r, W);
      if (n == 0) continue;
      if (!feasible(r, n)) continue;
      if (k2 != k) std::copy(r, r + W, cand.data() + k2 * W);
      near[k2++] = {n, near[k].second};
    }
    near.resize(k2);
    cand.resize(k2 * W);
    if (near.empty()) break;
    // The raise that holds the most of the other feasible cubes, ties to
    // the fewest parts raised.
    std::size_t best = 0;
    unsigned bestHeld = 0;
    for (std::size_t a = 0; a < near.size(); ++a) {
      unsigned held = 0;
      for (std::size_t b = 0; b < near.size(); ++b)
        if (Inside(cand.data() + b * W, cand.data() + a * W, W)) ++held;
      if (held > bestHeld || (held == bestHeld && near[a].first < near[best].first)) best = a, bestHeld = held;
    }
    st.Tick(near.size() * near.size() * W / 4 + 1);
    const Word* r = cand.data() + best * W;
    for (unsigned w = 0; w < W; ++w) raised[w] |= r[w];
    settle();
    if (st.Halted()) return;
  }

  // The rest: keep as few lowered parts as close every open row.
  std::vector<char> open(nrows, 1);
  std::size_t left = nrows;
  std::vector<uint32_t> count(W * 64);
  Mask keep = locked;
  std::vector<unsigned> chosen;
  while (left) {
    if (st.Tick(nrows * W + 1)) return;
    std::fill(count.begin(), count.end(), 0);
    for (std::size_t k = 0; k < nrows; ++k) {
      if (!open[k]) continue;
      const Word* row = rows.data() + k * W;
      if (Meets(row, keep.data(), W)) {
        open[k] = 0;
        --left;
        continue;
      }
      for (unsigned w = 0; w < W; ++w)
        for (Word x = row[w]; x; x &= x - 1) count[w * 64 + std::countr_zero(x)]++;
    }
    if (!left) break;
    unsigned best = W * 64;
    for (unsigned p = 0; p < W * 64; ++p) {
      if (!count[p]) continue;
      if (best == W * 64 || count[p] > count[best] || (count[p] == count[best] && shut[p] < shut[best])) best = p;
    }
    if (best == W * 64) break;  // cannot happen: every open row has a lowered part
    keep[best / 64] |= Word{1} << (best % 64);
    chosen.push_back(best);
  }
  // A greedy pick may leave a part no row needs any more: raise it too, so
  // the cube comes out prime. Latest picks are looked at first.
  std::vector<uint32_t> held(nrows, 0);
  for (std::size_t k = 0; k < nrows; ++k)
    for (unsigned w = 0; w < W; ++w) held[k] += std::popcount(rows[k * W + w] & keep[w]);
  st.Tick(nrows * W + 1);
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
    const unsigned w = *it / 64;
    const Word bit = Word{1} << (*it % 64);
    bool needed = false;
    for (std::size_t k = 0; k < nrows && !needed; ++k) needed = (rows[k * W + w] & bit) && held[k] < 2;
    st.Tick(nrows + 1);
    if (needed) continue;
    keep[w] &= ~bit;
    for (std::size_t k = 0; k < nrows; ++k)
      if (rows[k * W + w] & bit) --held[k];
  }
  for (unsigned w = 0; w < W; ++w) raised[w] |= low[w] & ~keep[w];
  for (unsigned w = 0; w < l.inWords; ++w) c[w] |= (raised[w] | (raised[w] << 1)) & l.inMask[w];
  for (unsigned w = 0; w < l.outWords; ++w) c[l.inWords + w] |= raised[l.inWords + w] & l.outMask[w];
}

void Expand(State& st, Cover& f, const Cover& off) { ExpandKnown(st, f, off, std::vector<char>(f.size(), 0)); }

void ExpandKnown(State& st, Cover& f, const Cover& off, const std::vector<char>& prime) {
  const Layout& l = st.lay;
  // Largest cubes first: they are the likeliest to swallow the rest.
  const std::vector<std::size_t> order = LargestFirst(l, f);
  std::vector<char> gone(f.size(), 0);
  std::size_t kept = 0;
  for (std::size_t k : order) {
    if (st.Halted()) return;
    if (gone[k]) continue;
    if (!prime[k]) {  // a prime cannot grow: only what it holds goes
      gone[k] = 1;    // not a target of its own growth
      ExpandCube(st, f[k], off, f, gone, true);
      if (st.Halted()) return;
      gone[k] = 0;
    }
    for (std::size_t q = 0; q < f.size(); ++q)
      if (q != k && !gone[q] && Contains(f[k], f[q])) gone[q] = 1;
    st.Tick(f.size());
    st.cubes = ++kept;
  }
  Cover g;
  for (std::size_t k = 0; k < f.size(); ++k)
    if (!gone[k]) g.push_back(std::move(f[k]));
  f = std::move(g);
}

// MAKE_SPARSE: outputs a cube need not serve (others cover them there) are
// taken away, then each cube's inputs are grown again, outputs left as
// they are: with fewer outputs, fewer OFF cubes hold its inputs back.
void MakeSparse(State& st, Cover& f, const Cover& off, const Cover& dc) {
  const Cover was = f;
  LowerOutputs(st, f, dc);
  std::vector<char> skip(f.size(), 1);
  for (std::size_t k = 0; k < f.size(); ++k) {
    if (st.Halted()) return;
    if (f[k] != was[k]) ExpandCube(st, f[k], off, f, skip, false);  // the others are primes still
  }
}

}  // namespace tervo::minimiser::detail
