// EXPAND for functions whose OFF-set is too large to list: a raise is kept
// when the grown cube still lies inside ON ∪ DC for every output it serves,
// which is a tautology of the cover cofactored by the grown cube. Each cube
// first tries to grow into the smallest cube holding it and a near cube of
// the cover (so it may swallow it), then frees its remaining literals one
// at a time, then takes on every further output it lies inside.
#include <algorithm>
#include <numeric>

#include "internal.h"

namespace tervo::minimiser::detail {
namespace {

struct Sets {
  std::vector<Cover> perOutput;  // ON ∪ DC of each output, input part only
};

bool InsideOutput(State& st, const Sets& s, const Cube& c, unsigned j) {
  const Cover& g = s.perOutput[j];
  st.Tick(g.size() + 1);
  Cover cof = Cofactor(st.lay, g, c);
  return !cof.empty() && Tautology(st, cof);
}

bool Inside(State& st, const Sets& s, const Cube& c) {
  for (unsigned j = 0; j < st.lay.outputs; ++j)
    if (Output(st.lay, c, j) && (!InsideOutput(st, s, c, j) || st.Halted())) return false;
  return true;
}

void GrowOne(State& st, const Sets& s, Cube& c, const Cover& f) {
  const Layout& l = st.lay;
  // Towards the nearest cubes sharing an output: the supercube of the inputs.
  std::vector<std::pair<unsigned, std::size_t>> near;
  for (std::size_t q = 0; q < f.size(); ++q)
    if (OutputsMeet(l, c, f[q]) && !InputsContain(l, c, f[q])) near.emplace_back(InputDistance(l, c, f[q]), q);
  st.Tick(f.size());
  std::partial_sort(near.begin(), near.begin() + std::min<std::size_t>(near.size(), 6), near.end());
  near.resize(std::min<std::size_t>(near.size(), 6));
  for (const auto& [dist, q] : near) {
    if (st.Halted()) return;
    Cube t = c;
    for (unsigned w = 0; w < l.inWords; ++w) t[w] |= f[q][w];
    if (t != c && Inside(st, s, t)) c = std::move(t);
  }
  // Then each literal still fixed, on its own: c lies inside already, so
  // only the half the raise adds (the literal negated) needs proving.
  for (unsigned i = 0; i < l.inputs && !st.Halted(); ++i) {
    const unsigned v = Literal(c, i);
    if (v == 3) continue;
    Cube t = c;
    SetLiteral(t, i, 3 & ~v);
    if (Inside(st, s, t)) SetLiteral(c, i, 3);
  }
  for (unsigned j = 0; j < l.outputs && !st.Halted(); ++j)
    if (!Output(l, c, j) && InsideOutput(st, s, c, j)) SetOutput(l, c, j, true);
}

}  // namespace

void ExpandFree(State& st, Cover& f, const Cover& onDc) {
  const Layout& l = st.lay;
  Sets s;
  s.perOutput.resize(l.outputs);
  for (const Cube& c : onDc)
    for (unsigned j = 0; j < l.outputs; ++j)
      if (Output(l, c, j)) {
        s.perOutput[j].push_back(c);
        for (unsigned w = l.inWords; w < l.Words(); ++w) s.perOutput[j].back()[w] = 0;
      }
  const std::vector<std::size_t> order = LargestFirst(l, f);
  Cover done;
  for (std::size_t k : order) {
    if (st.Halted()) return;
    bool inside = false;
    for (const Cube& d : done)
      if (Contains(d, f[k])) {
        inside = true;
        break;
      }
    st.Tick(done.size() + 1);
    if (inside) continue;
    Cube c = f[k];
    GrowOne(st, s, c, f);
    if (st.Halted()) return;
    done.push_back(std::move(c));
    st.cubes = done.size();
  }
  f = std::move(done);
}

}  // namespace tervo::minimiser::detail
