// REDUCE: shrink each cube, in turn, to the smallest cube that still holds
// the part of it no other cube (nor a don't-care) covers, so the next
// expand may grow it in a better direction. Per output the cube serves,
// that part is the cube met with the complement of the rest of the cover
// cofactored by the cube; the smallest cube holding it is its supercube.
// A cube whose outputs all turn out covered elsewhere is dropped.
#include <algorithm>

#include "internal.h"

namespace tervo::minimiser::detail {

void Reduce(State& st, Cover& f, const Cover& dc) {
  const Layout& l = st.lay;
  std::vector<char> gone(f.size(), 0);
  // A cube whose uncovered part takes more than a few thousand cubes to
  // write is kept as it is: reducing it would cost more than it gains.
  const uint64_t cap = st.cubeCap;
  st.cubeCap = std::min<uint64_t>(cap, 20'000);
  struct Restore {
    State& st;
    uint64_t cap;
    ~Restore() { st.cubeCap = cap; }
  } restore{st, cap};
  for (std::size_t k = 0; k < f.size(); ++k) {
    if (st.Halted()) return;
    Cube c = f[k];
    Cube sup(l.Words(), 0);  // the supercube of what must stay
    bool any = false;
    for (unsigned j = 0; j < l.outputs; ++j) {
      if (!Output(l, c, j)) continue;
      Cover rest;
      for (std::size_t q = 0; q < f.size(); ++q)
        if (q != k && !gone[q] && Output(l, f[q], j) && !InputsDisjoint(l, f[q], c)) rest.push_back(f[q]);
      for (const Cube& d : dc)
        if (Output(l, d, j) && !InputsDisjoint(l, d, c)) rest.push_back(d);
      Cover cof = Cofactor(l, rest, c);
      for (Cube& x : cof)
        for (unsigned w = l.inWords; w < l.Words(); ++w) x[w] = 0;
      Cover need = Complement(st, cof);
      if (st.Halted()) return;
      if (st.overflow) {  // too large to work out: keep the cube as it is
        st.overflow = false;
        sup = c;
        any = true;
        break;
      }
      if (need.empty()) {
        SetOutput(l, c, j, false);
        continue;
      }
      for (const Cube& x : need) {
        for (unsigned w = 0; w < l.inWords; ++w) sup[w] |= x[w] & c[w];
      }
      any = true;
    }
    if (!any) {
      gone[k] = 1;
      continue;
    }
    for (unsigned w = 0; w < l.inWords; ++w) c[w] = sup[w];
    f[k] = std::move(c);
  }
  Cover g;
  for (std::size_t k = 0; k < f.size(); ++k)
    if (!gone[k]) g.push_back(std::move(f[k]));
  f = std::move(g);
}

}  // namespace tervo::minimiser::detail
