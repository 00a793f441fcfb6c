// EXPAND: make each cube as large as the OFF-set allows. For one cube, every
// OFF cube that shares an output with it must stay apart from it in at
// least one input; the inputs where they are apart form one row of a
// blocking matrix. Keeping as few literals as cover every row (chosen
// greedily: the input apart from most rows still open, ties to the input
// that keeps the fewest other cubes out) frees all other inputs at once.
// The outputs are then raised where no OFF cube meets the grown inputs.
// Cubes already inside a grown cube are dropped.
#include <algorithm>
#include <bit>
#include <numeric>

#include "internal.h"

namespace tervo::minimiser::detail {
namespace {

void ExpandOne(State& st, Cube& c, const Cover& off, const Cover& f) {
  const Layout& l = st.lay;
  // The blocking rows: per OFF cube sharing an output, its apart inputs.
  std::vector<Word> rows;
  std::size_t nrows = 0;
  for (const Cube& r : off) {
    if (l.outputs && !OutputsMeet(l, c, r)) continue;
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word x = c[w] & r[w];
      rows.push_back(~(x | (x >> 1)) & kLow & l.inMask[w]);
    }
    ++nrows;
  }
  st.Tick(nrows * l.inWords + 1);
  std::vector<Word> keep(l.inWords, 0);
  std::vector<char> open(nrows, 1);
  std::size_t left = nrows;
  std::vector<uint32_t> count(l.inputs);
  // Fixed inputs of c (low bit of each pair), which the keep set is drawn from.
  std::vector<Word> allowed(l.inWords);
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word y = c[w] & l.inMask[w];
    allowed[w] = (y ^ (y >> 1)) & kLow;
  }
  // Grow towards other cubes first: the one needing the fewest literals
  // freed, while every OFF row still keeps an apart input among the inputs
  // the grown cube leaves fixed. Per input, how many cubes keeping its
  // literal would leave out breaks ties in the greedy choice below.
  std::vector<uint32_t> shut(l.inputs, 0);
  std::vector<std::pair<uint32_t, uint32_t>> cand;
  for (uint32_t q = 0; q < f.size(); ++q) {
    const Cube& d = f[q];
    if (l.outputs && !OutputsMeet(l, c, d)) continue;
    uint32_t raise = 0;
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word bits = d[w] & ~c[w] & l.inMask[w];
      Word e = (bits | (bits >> 1)) & kLow;
      raise += std::popcount(e);
      while (e) {
        shut[w * 32 + std::countr_zero(e) / 2]++;
        e &= e - 1;
      }
    }
    if (raise) cand.emplace_back(raise, q);
  }
  std::sort(cand.begin(), cand.end());
  if (cand.size() > 48) cand.resize(48);
  std::vector<Word> trial(l.inWords);
  for (const auto& [raise, q] : cand) {
    if (st.Tick(nrows * l.inWords + 1)) return;
    const Cube& d = f[q];
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word bits = d[w] & ~c[w] & l.inMask[w];
      trial[w] = allowed[w] & ~((bits | (bits >> 1)) & kLow);
    }
    bool ok = true;
    for (std::size_t k = 0; k < nrows && ok; ++k) {
      bool hit = false;
      for (unsigned w = 0; w < l.inWords && !hit; ++w) hit = rows[k * l.inWords + w] & trial[w];
      ok = hit;
    }
    if (ok) allowed = trial;
  }
  // Only allowed inputs may be kept: mask the rows.
  for (std::size_t k = 0; k < nrows; ++k)
    for (unsigned w = 0; w < l.inWords; ++w) rows[k * l.inWords + w] &= allowed[w];
  st.Tick(f.size());
  // Rows with a single apart input force it.
  for (std::size_t k = 0; k < nrows; ++k) {
    unsigned n = 0, at = 0;
    for (unsigned w = 0; w < l.inWords && n < 2; ++w)
      if (rows[k * l.inWords + w]) {
        n += std::popcount(rows[k * l.inWords + w]);
        at = w;
      }
    if (n == 1) keep[at] |= rows[k * l.inWords + at];
  }
  while (left && !st.Halted()) {
    for (std::size_t k = 0; k < nrows; ++k) {
      if (!open[k]) continue;
      bool hit = false;
      for (unsigned w = 0; w < l.inWords; ++w)
        if (rows[k * l.inWords + w] & keep[w]) hit = true;
      if (hit) {
        open[k] = 0;
        --left;
      }
    }
    st.Tick(nrows * l.inWords);
    if (!left) break;
    std::fill(count.begin(), count.end(), 0);
    for (std::size_t k = 0; k < nrows; ++k) {
      if (!open[k]) continue;
      for (unsigned w = 0; w < l.inWords; ++w) {
        Word x = rows[k * l.inWords + w];
        while (x) {
          count[w * 32 + std::countr_zero(x) / 2]++;
          x &= x - 1;
        }
      }
    }
    unsigned best = 0;
    for (unsigned i = 1; i < l.inputs; ++i)
      if (count[i] > count[best] || (count[i] == count[best] && shut[i] < shut[best])) best = i;
    if (count[best] == 0) break;  // cannot happen for a valid cube
    keep[best / 32] |= Word{1} << (2 * (best % 32));
  }
  if (st.Halted()) return;
  for (unsigned w = 0; w < l.inWords; ++w) {
    const Word k2 = keep[w] | (keep[w] << 1);
    c[w] = (c[w] & k2) | (l.inMask[w] & ~k2);
  }
  // Raise the outputs no OFF cube meeting the inputs blocks.
  std::vector<Word> blocked(l.outWords, 0);
  for (const Cube& r : off)
    if (!InputsDisjoint(l, c, r))
      for (unsigned w = 0; w < l.outWords; ++w) blocked[w] |= r[l.inWords + w];
  st.Tick(off.size());
  for (unsigned w = 0; w < l.outWords; ++w) c[l.inWords + w] |= ~blocked[w] & l.outMask[w];
}

}  // namespace

void Expand(State& st, Cover& f, const Cover& off) {
  const Layout& l = st.lay;
  // Largest cubes first: they are the likeliest to swallow the rest.
  std::vector<std::size_t> order(f.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<unsigned> lits(f.size());
  for (std::size_t k = 0; k < f.size(); ++k) lits[k] = InputLiterals(l, f[k]);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return lits[a] < lits[b]; });
  Cover done;
  for (std::size_t k : order) {
    if (st.Halted()) return;
    bool inside = false;
    for (const Cube& d : done)
      if (Contains(d, f[k])) {
        inside = true;
        break;
      }
    st.Tick(done.size());
    if (inside) continue;
    Cube c = f[k];
    ExpandOne(st, c, off, f);
    if (st.Halted()) return;
    done.push_back(std::move(c));
    st.cubes = done.size();
  }
  f = std::move(done);
}

}  // namespace tervo::minimiser::detail
