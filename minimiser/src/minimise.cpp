// The minimiser's entry: read the function's ON, don't-care and OFF cubes
// as the .type says, refuse what memory cannot hold, then run the
// heuristic loop (expand against the OFF-set, irredundant, reduce, while
// the cost falls), keeping the best checked cover so a stop at any moment
// still gives a cover back. The cover is written as a type "f" PLA.
#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>
#include <unordered_map>

#include "internal.h"

namespace tervo::minimiser {

using namespace detail;

namespace {

bool Has(const std::string& type, char c) { return type.find(c) != std::string::npos; }

struct Cost {
  uint64_t rows = 0, lits = 0;
  bool operator<(const Cost& o) const { return rows != o.rows ? rows < o.rows : lits < o.lits; }
};

Cost CostOf(const Layout& l, const Cover& f) { return {f.size(), CostLiterals(l, f)}; }

// Cubes of the same inputs become one serving all their outputs.
Cover MergeSameInputs(const Layout& l, const Cover& f) {
  std::unordered_map<std::string, std::size_t> at;
  Cover r;
  for (const Cube& c : f) {
    std::string key(reinterpret_cast<const char*>(c.data()), l.inWords * sizeof(Word));
    auto it = at.find(key);
    if (it == at.end()) {
      at.emplace(std::move(key), r.size());
      r.push_back(c);
    } else {
      for (unsigned w = l.inWords; w < l.Words(); ++w) r[it->second][w] |= c[w];
    }
  }
  return r;
}

// The first point some ON row and some OFF row both hold for one output
// and no don't-care row does: the later of the two lines, and words
// naming both.
std::optional<std::pair<int, std::string>> Clash(State& st, const Pla& in, const Cover& on, const std::vector<std::size_t>& onRow,
                                 const Cover& off, const std::vector<std::size_t>& offRow, const Cover& dc) {
  const Layout& l = st.lay;
  Cube meet;
  std::vector<Cover> dcOf(l.outputs);  // the don't-care cubes of each output
  for (const Cube& d : dc)
    for (unsigned j = 0; j < l.outputs; ++j)
      if (Output(l, d, j)) dcOf[j].push_back(d);
  for (std::size_t a = 0; a < on.size(); ++a)
    for (std::size_t b = 0; b < off.size(); ++b) {
      if (st.Tick()) return std::nullopt;
      if (!OutputsMeet(l, on[a], off[b]) || !Intersect(l, on[a], off[b], meet)) continue;
      for (unsigned j = 0; j < l.outputs; ++j) {
        if (!Output(l, meet, j)) continue;
        Cover cof = Cofactor(l, dcOf[j], meet);
        if (!cof.empty() && Tautology(st, cof)) continue;
        if (st.Halted()) return std::nullopt;  // not proved: the stop decides
        std::string cube(l.inputs, '-');
        for (unsigned i = 0; i < l.inputs; ++i)
          if (Literal(meet, i) != 3) cube[i] = Literal(meet, i) == 1 ? '0' : '1';
        const std::string what = l.outputs > 1 ? "output " + std::to_string(j + 1) : std::string("the output");
        auto lineOf = [&](std::size_t row) { return row < in.line.size() ? in.line[row] : 0; };
        const int onLine = lineOf(onRow[a]), offLine = lineOf(offRow[b]);
        return std::pair{std::max(onLine, offLine), "inputs " + cube + " are 1 for " + what + " on line " +
                                                        std::to_string(onLine) + " and 0 on line " +
                                                        std::to_string(offLine)};
      }
    }
  return std::nullopt;
}

// The parts of a outside d (a # d), as disjoint cubes: for each input where
// d is narrower, a with that input outside d's literal, the inputs before it
// kept inside.
void Sharp(const Layout& l, const Cube& a, const Cube& d, Cover& out) {
  Cube inside = a;
  for (unsigned i = 0; i < l.inputs; ++i) {
    const unsigned av = Literal(inside, i), dv = Literal(d, i);
    if ((av & ~dv & 3) == 0) continue;
    Cube part = inside;
    SetLiteral(part, i, av & ~dv & 3);
    out.push_back(std::move(part));
    SetLiteral(inside, i, av & dv);
  }
}

// Per output, the OFF cubes with the don't-care cubes of that output taken
// out; cubes of the same inputs then serve their outputs together.
Cover OutsideDontCares(State& st, const Cover& off, const Cover& dc) {
  const Layout& l = st.lay;
  Cover r;
  for (unsigned j = 0; j < l.outputs; ++j) {
    Cover pieces;
    for (const Cube& a : off)
      if (Output(l, a, j)) {
        pieces.push_back(a);
        for (unsigned w = l.inWords; w < l.Words(); ++w) pieces.back()[w] = 0;
        SetOutput(l, pieces.back(), j, true);
      }
    for (const Cube& d : dc) {
      if (!Output(l, d, j)) continue;
      Cover next;
      for (const Cube& p : pieces) {
        if (st.Tick()) return {};
        if (InputsDisjoint(l, p, d)) next.push_back(p);
        else Sharp(l, p, d, next);
      }
      if (next.size() > st.cubeCap) {
        st.overflow = true;
        return {};
      }
      pieces = std::move(next);
    }
    r.insert(r.end(), pieces.begin(), pieces.end());
  }
  return MergeSameInputs(l, r);
}

}  // namespace

MinimiseResult Minimise(const Pla& in, Pla& out, const MinimiseSettings& settings, Watcher* watcher) {
  out = Pla{};
  MinimiseResult res;
  res.method = "heuristic";
  if (in.inputs == 0 || in.outputs == 0 || in.outputs > kMaxPlaOutputs) {
    res.status = Status::kRefused;
    res.message = "the function needs at least one input and 1 to 1024 outputs";
    return res;
  }
  State st;
  st.lay = Layout(in.inputs, in.outputs);
  const Layout& l = st.lay;
  // Memory: the cube lists the run holds (ON, OFF, the covers and the
  // pieces of irredundant) are estimated as a few dozen times the rows.
  const double cubeBytes = double(l.Words()) * sizeof(Word) + 32;
  const double need = cubeBytes * double(in.Rows() + 1) * 48;
  const double budget = double(settings.memoryBytes ? settings.memoryBytes : PlaMemoryBudget({}));
  if (need > budget) {
    res.status = Status::kRefused;
    res.message = "the function would need about " + std::to_string(uint64_t(need / (1 << 20))) +
                  " MiB to minimise, more than the " + std::to_string(uint64_t(budget / (1 << 20))) +
                  " MiB this machine allows";
    return res;
  }
  st.watcher = watcher;
  st.budget = settings.effort ? settings.effort : 3'000'000'000ULL;

  const bool fType = Has(in.type, 'f'), dType = Has(in.type, 'd'), rType = Has(in.type, 'r');
  Cover on, dc, off;
  std::vector<std::size_t> onRow, offRow;  // the row of the file each came from
  for (std::size_t k = 0; k < in.Rows(); ++k) {
    Cube c = Universe(l);
    for (unsigned i = 0; i < l.inputs; ++i) {
      const char ch = in.in[k][i];
      if (ch != '-') SetLiteral(c, i, ch == '0' ? 1 : 2);
    }
    Cube a = c, b = c, d = c;
    bool isOn = false, isDc = false, isOff = false;
    for (unsigned j = 0; j < l.outputs; ++j) {
      const char ch = in.out[k][j];
      if (ch == '1' && fType) SetOutput(l, a, j, isOn = true);
      if (ch == '-' && dType) SetOutput(l, b, j, isDc = true);
      if (ch == '0' && rType) SetOutput(l, d, j, isOff = true);
    }
    if (isOn) on.push_back(std::move(a)), onRow.push_back(k);
    if (isDc) dc.push_back(std::move(b));
    if (isOff) off.push_back(std::move(d)), offRow.push_back(k);
  }
  // A file listing both ON and OFF rows must not make a point both, unless
  // a don't-care row takes it.
  if (fType && rType) {
    st.phase = "reading";
    if (std::optional<std::pair<int, std::string>> clash = Clash(st, in, on, onRow, off, offRow, dc)) {
      res.status = Status::kRefused;
      std::tie(res.line, res.message) = *clash;
      return res;
    }
  }
  st.phase = "complement";
  // A complement may hold a few hundred cubes per row given (at least a
  // hundred thousand), within 64 MiB and an eighth of the memory allowed;
  // past that, listing it costs more than expanding without it.
  const double capBytes = std::min(budget / 8, 64.0 * (1 << 20));
  st.cubeCap = std::max<uint64_t>(std::min<uint64_t>(std::max<uint64_t>(200 * in.Rows(), 100'000), uint64_t(capBytes / cubeBytes)), 16);
  // A don't-care row wins over an OFF row: the OFF-set is what the OFF rows
  // hold outside the don't-cares of each output.
  if (rType && !dc.empty()) {
    off = OutsideDontCares(st, off, dc);
    if (st.overflow) {
      res.status = Status::kRefused;
      res.message = "the OFF rows outside the don't-care rows take more than " + std::to_string(st.cubeCap) +
                    " cubes to write";
      return res;
    }
  }
  bool offKnown = true;  // false: the OFF-set was too large, expand by tautology
  if (!fType) {
    // ON is what neither the OFF-set nor the don't-cares hold.
    Cover offDc = off;
    offDc.insert(offDc.end(), dc.begin(), dc.end());
    on = OffSet(st, offDc);
    if (st.overflow) {
      res.status = Status::kRefused;
      res.message = "the ON-set, all that the OFF-set and the don't-cares leave, takes more than " +
                    std::to_string(st.cubeCap) + " cubes to write; give the ON-set (.type f or fd)";
      return res;
    }
  } else if (!rType) {
    Cover onDc = on;
    onDc.insert(onDc.end(), dc.begin(), dc.end());
    off = OffSet(st, onDc);
    if (st.overflow) {
      st.overflow = false;
      offKnown = false;
      off.clear();
    }
  }
  on = MergeSameInputs(l, on);
  Cover onDc = on;
  if (!offKnown) onDc.insert(onDc.end(), dc.begin(), dc.end());
  auto expand = [&](Cover& f) {
    st.phase = "expand";
    if (offKnown) Expand(st, f, off);
    else ExpandFree(st, f, onDc);
  };
  Cover best = on;  // the ON cubes always make a cover
  // The exact path first, where the primes fit; unless it proves its
  // cover minimum the heuristic runs too and the smaller cover stays.
  Cover exact;
  bool proved = false;
  const bool exactDone = settings.exact && !st.Halted() &&
                         Exact(st, on, dc, off, fType && rType, exact, proved, res.lowerBound);
  if (!st.Halted() && !proved) {
    // With the OFF-set the loop starts from one cube per ON cube and
    // output: each then grows as far as its own output allows and takes on
    // the other outputs it fits, where a cube serving several outputs from
    // the start could grow only as far as the narrowest of them. (Without
    // it, every output tried costs a tautology per cube: the ON cubes start
    // as they are.)
    Cover f = on;
    if (offKnown) {
      Cover g;
      for (const Cube& c : on)
        for (unsigned j = 0; j < l.outputs; ++j)
          if (Output(l, c, j)) {
            Cube d = c;
            for (unsigned w = l.inWords; w < l.Words(); ++w) d[w] = 0;
            SetOutput(l, d, j, true);
            g.push_back(std::move(d));
          }
      f = std::move(g);
    }
    expand(f);
    if (!st.Halted() && !offKnown) {
      // Without the OFF-set every further step would cost a complement per
      // cube: one expand and one irredundant are all such a function gets.
      if (CostOf(l, f) < CostOf(l, best)) best = f;
      st.phase = "irredundant";
      if (Irredundant(st, f, on, dc, false) && CostOf(l, f) < CostOf(l, best)) best = std::move(f);
    } else if (!st.Halted()) {
      // The expanded cubes may outnumber the ON cubes until irredundant
      // has run: the smaller stands.
      if (CostOf(l, f) < CostOf(l, best)) best = f;
      Cost bestCost = CostOf(l, best);
      // Every prime met on the way, for one irredundant over them all at
      // the end; capped so a long run keeps its memory bounded.
      Cover pool;
      std::unordered_map<std::string, std::size_t> inPool;
      const std::size_t poolCap = std::max<std::size_t>(4 * on.size(), 4096);
      auto keep = [&](const Cover& g) {
        for (const Cube& c : g) {
          if (pool.size() >= poolCap) return;
          std::string key(reinterpret_cast<const char*>(c.data()), c.size() * sizeof(Word));
          if (inPool.emplace(std::move(key), pool.size()).second) pool.push_back(c);
        }
        st.Tick(g.size());
      };
      keep(f);
      // Essential primes belong to every cover of primes: the loop works on
      // the rest with them as don't-cares, and they rejoin every cover kept.
      Cover ess, dcx = dc, part;
      {
        const std::vector<char> e = EssentialPrimes(st, f, dc);
        for (std::size_t k = 0; k < f.size() && !st.Halted(); ++k) (e[k] ? ess : part).push_back(f[k]);
        if (!st.Halted()) {
          f = part;
          dcx.insert(dcx.end(), ess.begin(), ess.end());
        }
      }
      auto take = [&](const Cover& g) {  // a cover of the rest, made whole
        Cover whole = ess;
        whole.insert(whole.end(), g.begin(), g.end());
        if (CostOf(l, whole) < bestCost) best = std::move(whole), bestCost = CostOf(l, best);
      };
      Cover mine = f, last;  // the loop's best cover of the rest
      Cost mineCost = CostOf(l, mine);
      int idle = 0;
      for (int round = 0; round < 50 && !st.Halted() && !f.empty(); ++round) {
        if (!Irredundant(st, f, on, dcx, false)) break;
        if (CostOf(l, f) < mineCost) {
          mine = f, mineCost = CostOf(l, f);
          take(mine);
          idle = 0;
        } else if (f == last || ++idle > 2) {
          // Settled (the same cover again repeats for ever): a last gasp
          // for primes that hold two or more maximally reduced cubes; the
          // loop goes on only if they make a better cover.
          st.phase = "last gasp";
          Cover extra = LastGasp(st, mine, off, dcx);
          if (st.Halted() || extra.empty()) break;
          keep(extra);
          Cover g = mine;
          g.insert(g.end(), extra.begin(), extra.end());
          st.phase = "irredundant";
          if (!Irredundant(st, g, on, dcx, false)) break;
          if (!(CostOf(l, g) < mineCost)) break;
          mine = g, mineCost = CostOf(l, g);
          take(mine);
          f = std::move(g);
          idle = 0;
        }
        last = f;
        st.phase = "reduce";
        Reduce(st, f, dcx);
        if (st.Halted()) break;
        // Cubes reduce left whole are primes met before: they stay as
        // they are.
        std::vector<char> prime(f.size(), 0);
        for (std::size_t k = 0; k < f.size(); ++k)
          prime[k] = inPool.count(std::string(reinterpret_cast<const char*>(f[k].data()), f[k].size() * sizeof(Word))) > 0;
        st.Tick(f.size());
        st.phase = "expand";
        ExpandKnown(st, f, off, prime);
        if (st.Halted()) break;
        keep(f);
      }
      // One irredundant over every prime found but the essential ones: the
      // covering search may combine primes no single pass had side by side.
      if (!st.Halted() && pool.size() > best.size()) {
        std::unordered_map<std::string, std::size_t> isEss;
        for (const Cube& c : ess) isEss.emplace(std::string(reinterpret_cast<const char*>(c.data()), c.size() * sizeof(Word)), 0);
        Cover g;
        for (const Cube& c : pool)
          if (!isEss.count(std::string(reinterpret_cast<const char*>(c.data()), c.size() * sizeof(Word)))) g.push_back(c);
        st.Tick(pool.size() + ess.size());
        st.phase = "irredundant";
        if (!g.empty() && Irredundant(st, g, on, dcx, false)) take(g);
      }
      if (!st.Halted()) {
        // Fewer outputs where others already cover them, and inputs grown
        // again where that frees them; best is irredundant already.
        Cover g = best;
        st.phase = "final cover";
        MakeSparse(st, g, off, dc);
        if (!st.Halted() && CostOf(l, g) < CostOf(l, best)) best = std::move(g);
      }
    }
  }
  if (exactDone && (proved || !(CostOf(l, best) < CostOf(l, exact)))) best = std::move(exact), res.method = "exact";
  res.minimum = exactDone && (proved || best.size() <= res.lowerBound);
  res.status = st.stopped ? Status::kStopped : st.spent ? Status::kBudgetSpent : Status::kDone;
  res.ticks = st.ticks;
  out.inputs = in.inputs;
  out.outputs = in.outputs;
  out.inputNames = in.inputNames;
  out.outputNames = in.outputNames;
  out.type = "f";
  for (const Cube& c : best) {
    std::string a(l.inputs, '-'), b(l.outputs, '0');
    for (unsigned i = 0; i < l.inputs; ++i) {
      const unsigned v = Literal(c, i);
      if (v != 3) a[i] = v == 1 ? '0' : '1';
    }
    for (unsigned j = 0; j < l.outputs; ++j)
      if (Output(l, c, j)) b[j] = '1';
    out.in.push_back(std::move(a));
    out.out.push_back(std::move(b));
    out.line.push_back(0);
  }
  return res;
}

}  // namespace tervo::minimiser
