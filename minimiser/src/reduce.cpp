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
#include <numeric>

#include "internal.h"

namespace tervo::minimiser::detail {

void AddCofactor(const Layout& l, const Cube& d, const Cube& p, Cover& out) {
  if (InputsDisjoint(l, d, p)) return;
  Cube x(l.Words(), 0);
  for (unsigned w = 0; w < l.inWords; ++w) x[w] = d[w] | (~p[w] & l.inMask[w]);
  out.push_back(std::move(x));
}

bool ComplementSupercube(State& st, const Cover& f, Cube& r) {
  const Layout& l = st.lay;
  st.Tick(f.size() + 1);
  if (st.Halted()) return false;
  if (f.empty()) {
    r = Universe(l);
    return true;
  }
  int single = -1;  // an input that some one-literal cube fixes
  for (const Cube& c : f) {
    const unsigned n = InputLiterals(l, c);
    if (n == 0) return false;  // the universe: nothing outside f
    if (n == 1 && single < 0)
      for (unsigned i = 0; i < l.inputs; ++i)
        if (Literal(c, i) != 3) {
          single = static_cast<int>(i);
          break;
        }
  }
  if (f.size() == 1) {
    r = Universe(l);
    if (single >= 0) SetLiteral(r, single, Literal(f[0], single) ^ 3);
    return true;
  }
  unsigned at = 0;
  if (single >= 0) {
    at = static_cast<unsigned>(single);
  } else {
    // The input with the most literals, both phases counted.
    std::vector<uint32_t> n0(l.inputs, 0), n1(l.inputs, 0);
    for (const Cube& c : f)
      for (unsigned i = 0; i < l.inputs; ++i) {
        const unsigned v = Literal(c, i);
        if (v == 1) ++n0[i];
        else if (v == 2) ++n1[i];
      }
    st.Tick(f.size() * l.inputs / 16 + 1);
    uint64_t bestScore = 0;
    for (unsigned i = 0; i < l.inputs; ++i) {
      const uint64_t score = (uint64_t(n0[i] + n1[i]) << 20) + std::min(n0[i], n1[i]);
      if (score > bestScore) bestScore = score, at = i;
    }
  }
  Cube r0, r1;
  bool has[2];
  for (unsigned v = 1; v <= 2; ++v) {
    Cover half;
    for (const Cube& c : f) {
      const unsigned x = Literal(c, at);
      if (!(x & v)) continue;
      half.push_back(c);
      SetLiteral(half.back(), at, 3);
    }
    has[v - 1] = ComplementSupercube(st, half, v == 1 ? r0 : r1);
    if (st.Halted()) return false;
  }
  if (!has[0] && !has[1]) return false;
  if (has[0]) SetLiteral(r0, at, 1);
  if (has[1]) SetLiteral(r1, at, 2);
  if (has[0] && has[1])
    for (unsigned w = 0; w < l.inWords; ++w) r0[w] |= r1[w];
  r = has[0] ? std::move(r0) : std::move(r1);
  return true;
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
  std::vector<std::size_t> order(f.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<unsigned> lits(f.size());
  for (std::size_t k = 0; k < f.size(); ++k) lits[k] = InputLiterals(l, f[k]);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return lits[a] < lits[b]; });
  std::vector<char> gone(f.size(), 0);
  // Cubes only shrink here, so who meets whom can be found once.
  const auto nb = Neighbours(st, f);
  Cube c;
  for (std::size_t k : order) {
    if (st.Halted()) return;
    if (!ReduceCube(st, f, k, nb[k], gone, dc, c)) {
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
