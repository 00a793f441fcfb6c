// IRREDUNDANT as a covering matrix: the ON-set is cut into pieces, each a
// cube of one output lying wholly inside at least one cube of the cover
// (a piece no single cube holds is split on an input where a cube meeting
// it has a literal). Rows are the pieces, columns the cubes, and the
// covering search picks as few cubes as keep every piece covered, fewer
// literals breaking ties. Optionally an output is then taken from a cube
// wherever every piece it serves there is served by another cube too.
#include <algorithm>

#include "internal.h"
#include "tervo/covering.h"

namespace tervo::minimiser::detail {

bool Irredundant(State& st, Cover& f, const Cover& on, const Cover& dc, bool lowerOutputs) {
  const Layout& l = st.lay;
  const char* was = st.phase;
  st.phase = "irredundant";
  std::vector<std::vector<uint32_t>> colRows(f.size());
  std::vector<uint32_t> rowOut;
  std::vector<std::vector<uint32_t>> rowCols;
  const std::size_t pieceCap = 4'000'000;
  for (unsigned j = 0; j < l.outputs; ++j) {
    std::vector<uint32_t> cols;
    for (uint32_t q = 0; q < f.size(); ++q)
      if (Output(l, f[q], j)) cols.push_back(q);
    Cover dcj;
    for (const Cube& d : dc)
      if (Output(l, d, j)) dcj.push_back(d);
    Cover stack;
    for (const Cube& c : on)
      if (Output(l, c, j)) stack.push_back(c);
    while (!stack.empty()) {
      if (st.Tick(cols.size() + 1) || rowOut.size() > pieceCap) {
        st.phase = was;
        return false;
      }
      Cube p = std::move(stack.back());
      stack.pop_back();
      std::vector<uint32_t> holders;
      int meet = -1;
      for (uint32_t q : cols) {
        if (InputsContain(l, f[q], p)) holders.push_back(q);
        else if (meet < 0 && !InputsDisjoint(l, f[q], p)) meet = static_cast<int>(q);
      }
      if (!holders.empty()) {
        const uint32_t row = static_cast<uint32_t>(rowOut.size());
        rowOut.push_back(j);
        for (uint32_t q : holders) colRows[q].push_back(row);
        rowCols.push_back(std::move(holders));
        continue;
      }
      // A piece inside a don't-care needs no cube; one that only
      // don't-cares meet is split against them.
      bool free = false;
      const Cube* dmeet = nullptr;
      for (const Cube& d : dcj) {
        if (InputsContain(l, d, p)) {
          free = true;
          break;
        }
        if (!dmeet && !InputsDisjoint(l, d, p)) dmeet = &d;
      }
      st.Tick(dcj.size());
      if (free) continue;
      if (meet < 0 && !dmeet) {  // not covered at all: the cover is not one
        st.phase = was;
        return false;
      }
      // Split p on an input where the meeting cube has a literal and p none.
      const Cube& q = meet >= 0 ? f[meet] : *dmeet;
      unsigned at = l.inputs;
      for (unsigned i = 0; i < l.inputs; ++i)
        if (Literal(p, i) == 3 && Literal(q, i) != 3) {
          at = i;
          break;
        }
      if (at == l.inputs) {
        st.phase = was;
        return false;
      }
      Cube a = p;
      SetLiteral(a, at, 1);
      SetLiteral(p, at, 2);
      stack.push_back(std::move(a));
      stack.push_back(std::move(p));
    }
  }
  CoverProblem prob;
  prob.rows = static_cast<uint32_t>(rowOut.size());
  for (uint32_t q = 0; q < f.size(); ++q) {
    prob.colRows.insert(prob.colRows.end(), colRows[q].begin(), colRows[q].end());
    prob.colStart.push_back(static_cast<uint32_t>(prob.colRows.size()));
    prob.colCost.push_back(InputLiterals(l, f[q]) + OutputCount(l, f[q]));
  }
  // A modest search: proportional to the matrix, never the full default.
  CoverSettings cs;
  cs.effort = std::min<uint64_t>(20 * (prob.colRows.size() + f.size()) + 1000, 3'000'000);
  cs.stallStop = true;
  struct Relay : Watcher {
    State* st;
    bool Stop() override { return st->watcher && st->watcher->Stop() ? (st->stopped = true) : false; }
  } relay;
  relay.st = &st;
  CoverSolution sol = SolveCover(prob, cs, &relay);
  st.Tick(sol.ticks);
  if (sol.status == Status::kRefused || (sol.columns.empty() && prob.rows)) {
    st.phase = was;
    return false;
  }
  std::vector<uint32_t> chosen = sol.columns;
  std::sort(chosen.begin(), chosen.end());
  Cover g;
  if (lowerOutputs) {
    std::vector<char> take(f.size(), 0);
    for (uint32_t q : chosen) take[q] = 1;
    std::vector<uint32_t> served(prob.rows, 0);
    for (uint32_t q : chosen)
      for (uint32_t r : colRows[q]) ++served[r];
    for (uint32_t q : chosen) {
      Cube c = f[q];
      for (unsigned j = 0; j < l.outputs; ++j) {
        if (!Output(l, c, j)) continue;
        bool spare = true;
        for (uint32_t r : colRows[q])
          if (rowOut[r] == j && served[r] < 2) spare = false;
        if (!spare) continue;
        SetOutput(l, c, j, false);
        for (uint32_t r : colRows[q])
          if (rowOut[r] == j) --served[r];
      }
      if (OutputCount(l, c)) g.push_back(std::move(c));
    }
    st.Tick(prob.colRows.size());
  } else {
    for (uint32_t q : chosen) g.push_back(f[q]);
  }
  f = std::move(g);
  st.cubes = f.size();
  st.phase = was;
  return true;
}

}  // namespace tervo::minimiser::detail
