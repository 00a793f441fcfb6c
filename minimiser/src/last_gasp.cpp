// LAST_GASP: when the loop has settled, look for primes it cannot reach
// one cube at a time. Every cube is reduced as far as it can go on its own
// (each against the whole rest of the cover, not in turn), so the reduced
// cubes together may no longer cover the function. Each reduced cube is
// then expanded aiming at the other reduced cubes; a prime that holds at
// least one other besides its own is new material for the cover. The
// caller adds these primes and runs irredundant over the lot.
#include "internal.h"

namespace tervo::minimiser::detail {

Cover LastGasp(State& st, const Cover& f, const Cover& off, const Cover& dc) {
  Cover red;
  std::vector<char> none(f.size(), 0);
  Near nb(st, f);
  Cube c;
  for (std::size_t k = 0; k < f.size(); ++k) {
    if (st.Halted()) return {};
    if (!ReduceCube(st, f, k, nb.Of(static_cast<uint32_t>(k)), none, dc, c)) {
      if (st.Halted()) return {};
      continue;  // wholly covered by the rest: nothing of its own to hold
    }
    if (c != f[k]) red.push_back(c);
  }
  Cover found;
  std::vector<char> skip(red.size(), 0);
  for (std::size_t k = 0; k < red.size(); ++k) {
    if (st.Halted()) return {};
    Cube p = red[k];
    skip[k] = 1;
    ExpandCube(st, p, off, red, skip, true);
    skip[k] = 0;
    if (st.Halted()) return {};
    unsigned held = 0;
    for (std::size_t q = 0; q < red.size() && held < 1; ++q)
      if (q != k && Contains(p, red[q])) ++held;
    st.Tick(red.size());
    if (!held) continue;
    bool known = false;
    for (const Cube& g : found)
      if (Contains(g, p)) {
        known = true;
        break;
      }
    for (const Cube& g : f)
      if (!known && Contains(g, p)) known = true;
    st.Tick(found.size() + f.size());
    if (!known) found.push_back(std::move(p));
  }
  return found;
}

}  // namespace tervo::minimiser::detail
