// REDUCE: shrink each cube, in turn, to the smallest cube that still holds
// the part of it no other cube (nor a don't-care) covers, so the next
// expand may grow it in a better direction. Per output the cube serves,
// that part is the cube met with the complement of the rest of the cover
// cofactored by the cube; the smallest cube holding it is its supercube.
// A cube whose outputs all turn out covered elsewhere is dropped.
//
// Only that supercube is wanted, never the complement itself, so it is
// found by its own recursion: split on an input, take the supercube of
// the two halves' answers, and stop at a single cube (its complement's
// supercube is the opposite literal when it has one literal, the whole
// space when it has more).
#include <algorithm>
#include <bit>
#include <numeric>

#include "internal.h"

namespace tervo::minimiser::detail {

void AddCofactor(const Layout& l, const Cube& d, const Cube& p, Cover& out) {
  if (InputsDisjoint(l, d, p)) return;
  Cube x(l.Words(), 0);
  for (unsigned w = 0; w < l.inWords; ++w) x[w] = d[w] | (~p[w] & l.inMask[w]);
  out.push_back(std::move(x));
}

namespace {

// The recursion on cubes laid end to end, `iw` words of inputs each, so a
// split costs one allocation rather than one per cube.
bool Sccc(State& st, const Word* f, std::size_t n, Word* r) {
  const Layout& l = st.lay;
  const unsigned iw = l.inWords;
  st.Tick(n + 1);
  if (st.Halted()) return false;
  if (n == 0) {
    std::copy(l.inMask.begin(), l.inMask.end(), r);
    return true;
  }
  int single = -1;  // an input that some one-literal cube fixes
  for (std::size_t k = 0; k < n; ++k) {
    const Word* c = f + k * iw;
    unsigned lits = 0;
    int at = -1;
    for (unsigned w = 0; w < iw && lits < 2; ++w) {
      const Word x = c[w] & l.inMask[w];
      const Word fixed = (x ^ (x >> 1)) & kLow;
      if (fixed) {
        lits += std::popcount(fixed);
        at = static_cast<int>(w * 32 + std::countr_zero(fixed) / 2);
      }
    }
    if (lits == 0) return false;  // the universe: nothing outside f
    if (lits == 1 && single < 0) single = at;
  }
  auto lit = [&](const Word* c, unsigned i) { return unsigned(c[i / 32] >> (2 * (i % 32))) & 3; };
  if (n == 1) {
    std::copy(l.inMask.begin(), l.inMask.end(), r);
    if (single >= 0) {
      const unsigned i = static_cast<unsigned>(single), sh = 2 * (i % 32);
      r[i / 32] &= ~(Word(lit(f, i)) << sh);
    }
    return true;
  }
  unsigned at = 0;
  if (single >= 0) {
    at = static_cast<unsigned>(single);
  } else {
    // The input with the most literals, the more balanced phases first.
    std::vector<uint32_t> n0(l.inputs, 0), n1(l.inputs, 0);
    for (std::size_t k = 0; k < n; ++k)
      for (unsigned w = 0; w < iw; ++w) {
        const Word x = f[k * iw + w] & l.inMask[w];
        for (Word z = ~x & (x >> 1) & kLow; z; z &= z - 1) ++n1[w * 32 + std::countr_zero(z) / 2];  // '1'
        for (Word z = x & ~(x >> 1) & kLow; z; z &= z - 1) ++n0[w * 32 + std::countr_zero(z) / 2];  // '0'
      }
    st.Tick(n * iw + 1);
    uint64_t bestScore = 0;
    for (unsigned i = 0; i < l.inputs; ++i) {
      const uint64_t score = (uint64_t(n0[i] + n1[i]) << 20) + std::min(n0[i], n1[i]);
      if (score > bestScore) bestScore = score, at = i;
    }
  }
  const unsigned sh = 2 * (at % 32), aw = at / 32;
  std::vector<Word> half, r0(iw), r1(iw);
  half.reserve(n * iw);
  bool has[2];
  for (unsigned v = 1; v <= 2; ++v) {
    half.clear();
    for (std::size_t k = 0; k < n; ++k) {
      const Word* c = f + k * iw;
      if (!(lit(c, at) & v)) continue;
      half.insert(half.end(), c, c + iw);
      half[half.size() - iw + aw] |= Word{3} << sh;
    }
    has[v - 1] = Sccc(st, half.data(), half.size() / iw, v == 1 ? r0.data() : r1.data());
    if (st.Halted()) return false;
  }
  if (!has[0] && !has[1]) return false;
  if (has[0]) r0[aw] &= ~(Word{2} << sh);
  if (has[1]) r1[aw] &= ~(Word{1} << sh);
  for (unsigned w = 0; w < iw; ++w) r[w] = (has[0] ? r0[w] : 0) | (has[1] ? r1[w] : 0);
  return true;
}

}  // namespace

bool ComplementSupercube(State& st, const Cover& f, Cube& r) {
  const Layout& l = st.lay;
  std::vector<Word> flat;
  flat.reserve(f.size() * l.inWords);
  for (const Cube& c : f) flat.insert(flat.end(), c.begin(), c.begin() + l.inWords);
  r.assign(l.Words(), 0);
  return Sccc(st, flat.data(), f.size(), r.data());
}

bool ReduceCube(State& st, const Cover& f, std::size_t k, const std::vector<uint32_t>& near,
                const std::vector<char>& gone, const Cover& dc, Cube& c) {
  const Layout& l = st.lay;
  c = f[k];
  Cube sup(l.Words(), 0);  // the supercube of what must stay
  bool any = false;
  Cover cof;
  for (unsigned j = 0; j < l.outputs; ++j) {
    if (!Output(l, c, j)) continue;
    cof.clear();
    for (uint32_t q : near)
      if (q != k && !gone[q] && Output(l, f[q], j)) AddCofactor(l, f[q], c, cof);
    for (const Cube& d : dc)
      if (Output(l, d, j)) AddCofactor(l, d, c, cof);
    st.Tick(near.size() + dc.size() + 1);
  Cube need;
    const bool some = ComplementSupercube(st, cof, need);
    if (st.Halted()) return false;
    if (!some) {
      SetOutput(l, c, j, false);
      continue;
    }
    for (unsigned w = 0; w < l.inWords; ++w) sup[w] |= need[w] & c[w];
    any = true;
  }
  if (!any) return false;
  for (unsigned w = 0; w < l.inWords; ++w) c[w] = sup[w];
  return true;
}

void Reduce(State& st, Cover& f, const Cover& dc) {
  const Layout& l = st.lay;
  // The largest cubes first: they have the most room to shrink, and the
  // smaller cubes after them then keep more of what they alone hold.
  const std::vector<std::size_t> order = LargestFirst(l, f);
  std::vector<char> gone(f.size(), 0);
  // Cubes only shrink here, so who meets whom can be found once.
  Near nb(st, f);
  Cube c;
  for (std::size_t k : order) {
    if (st.Halted()) return;
    if (!ReduceCube(st, f, k, nb.Of(static_cast<uint32_t>(k)), gone, dc, c)) {
      if (st.Halted()) return;
      gone[k] = 1;
      continue;
    }
    f[k] = c;
  }
  Cover g;
  for (std::size_t k = 0; k < f.size(); ++k)
    if (!gone[k]) g.push_back(std::move(f[k]));
  f = std::move(g);
}

}  // namespace tervo::minimiser::detail
