// REDUCE: shrink each cube, in turn, to the smallest cube that still holds
// the part of it no other cube (nor a don't-care) covers, so the next
// expand may grow it in a better direction. Per output the cube serves,
// that part is the cube met with the complement of the rest of the cover
// cofactored by the cube; the smallest cube holding it is its supercube.
// A cube whose outputs all turn out covered elsewhere is dropped.
#include <algorithm>
#include <numeric>

#include "internal.h"

namespace tervo::minimiser::detail {

bool ReduceCube(State& st, const Cover& f, std::size_t k, const std::vector<char>& gone, const Cover& dc, Cube& c) {
  const Layout& l = st.lay;
  c = f[k];
  Cube sup(l.Words(), 0);  // the supercube of what must stay
  bool any = false;
  for (unsigned j = 0; j < l.outputs; ++j) {
    if (!Output(l, c, j)) continue;
    Cover rest;
    for (std::size_t q = 0; q < f.size(); ++q)
      if (q != k && !gone[q] && Output(l, f[q], j) && !InputsDisjoint(l, f[q], c)) rest.push_back(f[q]);
    for (const Cube& d : dc)
      if (Output(l, d, j) && !InputsDisjoint(l, d, c)) rest.push_back(d);
    st.Tick(f.size() + dc.size());
    Cover cof = Cofactor(l, rest, c);
    for (Cube& x : cof)
      for (unsigned w = l.inWords; w < l.Words(); ++w) x[w] = 0;
    Cover need = Complement(st, cof);
    if (st.Halted()) return false;
    if (need.empty()) {
      SetOutput(l, c, j, false);
      continue;
    }
    for (const Cube& x : need)
      for (unsigned w = 0; w < l.inWords; ++w) sup[w] |= x[w] & c[w];
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
  Cube c;
  for (std::size_t k : order) {
    if (st.Halted()) return;
    if (!ReduceCube(st, f, k, gone, dc, c)) {
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
