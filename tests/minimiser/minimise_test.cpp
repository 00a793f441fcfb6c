// Whole runs of the cube minimiser on random functions of every .type:
// each cover passes the independent checker, never has fewer rows than a
// brute-force minimum, and claims a minimum or a bound only when true. A
// stop at any moment still gives a checked cover; oversize input is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "check.h"
#include "table_functions.h"
#include "internal.h"
#include "tervo/minimiser.h"

namespace tervo::minimiser {
namespace {

using testing::AsPla;
using testing::BruteMinimum;
using testing::RandomTable;
using testing::Table;

TEST(Minimise, TinyFunctionsOfEveryTypeAgainstBruteForce) {
  std::mt19937 rng(5);
  for (const std::string type : {"f", "fd", "r", "fr", "dr", "fdr"}) {
    for (int t = 0; t < 25; ++t) {
      const unsigned n = 1 + rng() % 4, m = 1 + rng() % 2;
      const bool dc = type.find('d') != std::string::npos || type == "fr";
      const Table tab = RandomTable(rng, n, m, static_cast<int>(20 + rng() % 50), dc ? 15 : 0);
      const Pla in = AsPla(tab, n, m, type);
      Pla out;
      const MinimiseResult res = Minimise(in, out, {});
      ASSERT_EQ(res.status, Status::kDone) << type;
      const CheckReport rep = CheckCover(in, out);
      ASSERT_TRUE(rep.ok) << type << " " << rep.text << "\n" << WritePla(in) << WritePla(out);
      const unsigned best = BruteMinimum(tab, n, m);
      EXPECT_GE(out.Rows(), best) << type;
      EXPECT_LE(res.lowerBound, best) << type;
      if (res.minimum) {
        EXPECT_EQ(out.Rows(), best) << type;
      }
      EXPECT_LE(out.Rows(), best + 2) << type << "\n" << WritePla(in) << WritePla(out);
    }
  }
}

TEST(Minimise, RandomFunctionsPassTheChecker) {
  std::mt19937 rng(9);
  for (const std::string type : {"f", "fd", "r", "fr", "dr", "fdr"}) {
    for (int t = 0; t < 8; ++t) {
      const unsigned n = 5 + rng() % 4, m = 1 + rng() % 3;
      const bool dc = type.find('d') != std::string::npos || type == "fr";
      const Table tab = RandomTable(rng, n, m, static_cast<int>(10 + rng() % 60), dc ? 15 : 0);
      const Pla in = AsPla(tab, n, m, type);
      Pla out;
      const MinimiseResult res = Minimise(in, out, {});
      EXPECT_EQ(res.status, Status::kDone);
      const CheckReport rep = CheckCover(in, out);
      ASSERT_TRUE(rep.ok) << type << " " << rep.text;
      for (const auto& row : out.out) {
        EXPECT_NE(row.find('1'), std::string::npos);
      }
    }
  }
}

// Wide random cubes (not points), so the run has real work to stop.
Pla WideRandom(std::mt19937& rng, unsigned n, unsigned m, unsigned rows) {
  Pla p;
  p.inputs = n;
  p.outputs = m;
  p.type = "fd";
  for (unsigned k = 0; k < rows; ++k) {
    std::string a(n, '-'), b(m, '0');
    for (char& ch : a) {
      const unsigned r = rng() % 8;
      if (r < 3) ch = r == 0 ? '0' : '1';
    }
    for (char& ch : b) ch = rng() % 3 == 0 ? '1' : (rng() % 8 == 0 ? '-' : '0');
    p.in.push_back(a);
    p.out.push_back(b);
    p.line.push_back(0);
  }
  return p;
}

TEST(Minimise, StopEndsQuicklyWithACheckedCover) {
  struct After : Watcher {
    unsigned left, polls = 0;
    explicit After(unsigned n) : left(n) {}
    bool Stop() override {
      ++polls;
      if (left == 0) return true;
      --left;
      return false;
    }
  };
  std::mt19937 rng(13);
  const Pla in = WideRandom(rng, 32, 6, 120);
  for (unsigned n : {0u, 1u, 10u, 200u}) {
    After w(n);
    Pla out;
    const MinimiseResult res = Minimise(in, out, {}, &w);
    EXPECT_TRUE(res.status == Status::kStopped || res.status == Status::kDone);
    if (res.status == Status::kStopped) {
      EXPECT_LE(w.polls, n + 200);
    }
    const CheckReport rep = CheckCover(in, out);
    EXPECT_TRUE(rep.ok) << n << " " << rep.text;
  }
}

TEST(Minimise, BudgetEndsWithACheckedCover) {
  std::mt19937 rng(17);
  const Pla in = WideRandom(rng, 30, 4, 200);
  MinimiseSettings s;
  s.effort = 5000;
  Pla out;
  const MinimiseResult res = Minimise(in, out, s);
  EXPECT_EQ(res.status, Status::kBudgetSpent);
  EXPECT_TRUE(CheckCover(in, out).ok);
}

TEST(Minimise, RefusesWhatMemoryCannotHold) {
  std::mt19937 rng(19);
  const Pla in = WideRandom(rng, 10000, 4, 200);
  MinimiseSettings s;
  s.memoryBytes = 4 << 20;
  Pla out;
  const MinimiseResult res = Minimise(in, out, s);
  EXPECT_EQ(res.status, Status::kRefused);
  EXPECT_FALSE(res.message.empty());
  EXPECT_EQ(out.Rows(), 0u);
}

// With memory for only about a thousand complement cubes the OFF-set of
// these functions cannot be listed: a type fd run must still give a checked
// cover no longer than the one given (expanding by tautology instead), and
// a type r run, whose ON-set is that complement, is refused with a reason.
TEST(Minimise, OffSetTooLargeToHold) {
  std::mt19937 rng(23);
  for (int t = 0; t < 3; ++t) {
    Pla in = WideRandom(rng, 24, 3, 150);
    MinimiseSettings s;
    s.memoryBytes = 400'000;
    Pla out;
    MinimiseResult res = Minimise(in, out, s);
    ASSERT_EQ(res.status, Status::kDone) << res.message;
    EXPECT_LE(out.Rows(), in.Rows());
    const CheckReport rep = CheckCover(in, out);
    EXPECT_TRUE(rep.ok) << rep.text;

    in.type = "r";
    for (auto& row : in.out)
      for (char& ch : row) ch = ch == '1' ? '0' : '~';
    res = Minimise(in, out, s);
    EXPECT_EQ(res.status, Status::kRefused);
    EXPECT_NE(res.message.find("ON-set"), std::string::npos) << res.message;
    EXPECT_EQ(out.Rows(), 0u);
  }
}

// A file listing ON and OFF rows that both hold a point (for one output,
// with no don't-care row taking it) contradicts itself: refused naming both
// lines, at the later one. A don't-care row over the meeting point, or
// outputs that do not meet, make it a function again, whose cover must
// keep out the OFF points outside the don't-cares.
TEST(Minimise, OnAndOffRowsThatMeet) {
  struct Case {
    std::string type;
    std::vector<std::string> rows;  // inputs, a blank, outputs; lines from 3
    std::string refusal;            // empty: a checked cover
  };
  const std::string x16 = std::string(16, '-'), one = "1" + std::string(15, '-'), all = std::string(16, '1');
  const std::vector<Case> cases = {
      {"fr", {one + " 1", all + " 0"}, "inputs 1111111111111111 are 1 for the output on line 3 and 0 on line 4"},
      {"fdr", {one + " 11", all + " -0"}, "inputs 1111111111111111 are 1 for output 2 on line 3 and 0 on line 4"},
      {"fdr", {all + " 0-", one + " 11"}, "inputs 1111111111111111 are 1 for output 1 on line 4 and 0 on line 3"},
      {"fdr", {one + " 1", all + " 0", "11" + x16.substr(2) + " -"}, ""},
      {"fr", {one + " 1-", all + " -0"}, ""},
      // The OFF row meets the ON row only inside the don't-care row: the
      // cover must still keep out the rest of the OFF row.
      {"fdr", {"-0" + x16.substr(2) + " 1", one + " 0", "10" + x16.substr(2) + " -"}, ""},
  };
  for (const Case& c : cases) {
    Pla in;
    in.inputs = 16;
    in.outputs = static_cast<unsigned>(c.rows[0].size() - 17);
    in.type = c.type;
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
      in.in.push_back(c.rows[k].substr(0, 16));
      in.out.push_back(c.rows[k].substr(17));
      in.line.push_back(static_cast<int>(k + 3));
    }
    Pla out;
    const MinimiseResult res = Minimise(in, out, {});
    if (c.refusal.empty()) {
      EXPECT_EQ(res.status, Status::kDone) << c.type << " " << res.message;
      EXPECT_TRUE(CheckCover(in, out).ok);
    } else {
      EXPECT_EQ(res.status, Status::kRefused);
      EXPECT_EQ(res.message, c.refusal);
      EXPECT_EQ(res.line, 4);
      EXPECT_EQ(out.Rows(), 0u);
    }
  }
}

// The phases of the heuristic loop one by one, on small functions checked
// point by point: each keeps the function and keeps its own promise.
namespace phases {

using namespace detail;

struct Fn {
  unsigned n, m;
  Table t;
  Layout l;
  Cover on, dc, off;
};

Cube PointCube(const Layout& l, uint64_t p) {
  Cube c = Universe(l);
  for (unsigned i = 0; i < l.inputs; ++i) SetLiteral(c, i, (p >> i) & 1 ? 2 : 1);
  return c;
}

Fn MakeFn(std::mt19937& rng, unsigned n, unsigned m, bool dc) {
  Fn f{n, m, RandomTable(rng, n, m, static_cast<int>(20 + rng() % 40), dc ? 15 : 0), Layout(n, m), {}, {}, {}};
  for (uint64_t p = 0; p < f.t.size(); ++p) {
    Cube a = PointCube(f.l, p), b = a, c = a;
    bool any[3] = {false, false, false};
    for (unsigned j = 0; j < m; ++j) {
      const char v = f.t[p][j];
      Cube& x = v == '1' ? a : v == '-' ? b : c;
      SetOutput(f.l, x, j, any[v == '1' ? 0 : v == '-' ? 1 : 2] = true);
    }
    if (any[0]) f.on.push_back(a);
    if (any[1]) f.dc.push_back(b);
    if (any[2]) f.off.push_back(c);
  }
  return f;
}

bool Holds(const Layout& l, const Cube& c, uint64_t p) {
  for (unsigned i = 0; i < l.inputs; ++i)
    if (!(Literal(c, i) & ((p >> i) & 1 ? 2 : 1))) return false;
  return true;
}

// No point of the cube is OFF for an output it serves.
bool Valid(const Fn& f, const Cube& c) {
  for (uint64_t p = 0; p < f.t.size(); ++p)
    for (unsigned j = 0; j < f.m; ++j)
      if (Output(f.l, c, j) && f.t[p][j] == '0' && Holds(f.l, c, p)) return false;
  return true;
}

// Every raise of one part (an input freed, an output added) meets the OFF-set.
bool Prime(const Fn& f, const Cube& c) {
  for (unsigned i = 0; i < f.n; ++i) {
    Cube d = c;
    SetLiteral(d, i, 3);
    if (Literal(c, i) != 3 && Valid(f, d)) return false;
  }
  for (unsigned j = 0; j < f.m; ++j) {
    Cube d = c;
    SetOutput(f.l, d, j, true);
    if (!Output(f.l, c, j) && Valid(f, d)) return false;
  }
  return true;
}

bool Covers(const Fn& f, const Cover& g) {
  for (uint64_t p = 0; p < f.t.size(); ++p)
    for (unsigned j = 0; j < f.m; ++j) {
      bool held = false;
      for (const Cube& c : g) held = held || (Output(f.l, c, j) && Holds(f.l, c, p));
      if (f.t[p][j] == '1' ? !held : f.t[p][j] == '0' && held) return false;
    }
  return true;
}

TEST(Phases, EachPhaseKeepsTheFunctionAndItsPromise) {
  std::mt19937 rng(23);
  struct Case {
    unsigned n, m;
    bool dc;
  };
  for (const Case k : {Case{3, 1, false}, Case{5, 2, true}, Case{6, 3, false}, Case{7, 2, true}, Case{8, 3, true}}) {
    for (int t = 0; t < 12; ++t) {
      const Fn fn = MakeFn(rng, k.n, k.m, k.dc);
      const std::string at = std::to_string(k.n) + "x" + std::to_string(k.m) + " #" + std::to_string(t);
      State st;
      st.lay = fn.l;
      Cover f = fn.on;
      Expand(st, f, fn.off);
      ASSERT_TRUE(Covers(fn, f)) << "expand " << at;
      for (const Cube& c : f) {
        ASSERT_TRUE(Valid(fn, c) && Prime(fn, c)) << "expand " << at;
      }

      Cover g = f;
      ASSERT_TRUE(Irredundant(st, g, fn.on, fn.dc, false)) << at;
      ASSERT_TRUE(Covers(fn, g)) << "irredundant " << at;
      for (std::size_t k2 = 0; k2 < g.size(); ++k2) {
        EXPECT_NE(std::find(f.begin(), f.end(), g[k2]), f.end()) << "irredundant made a cube " << at;
        Cover less = g;
        less.erase(less.begin() + static_cast<std::ptrdiff_t>(k2));
        EXPECT_FALSE(Covers(fn, less)) << "irredundant left a spare cube " << at;
      }

      Cover r = g;
      Reduce(st, r, fn.dc);
      ASSERT_TRUE(Covers(fn, r)) << "reduce " << at;
      for (const Cube& c : r) {
        bool inside = false;
        for (const Cube& d : g) inside = inside || Contains(d, c);
        EXPECT_TRUE(inside) << "reduce grew a cube " << at;
      }

      // The next round: the reduced cubes grown again and made irredundant,
      // with don't-cares now left out of them, still cover.
      Cover e = r;
      Expand(st, e, fn.off);
      ASSERT_TRUE(Irredundant(st, e, fn.on, fn.dc, false)) << "irredundant after reduce " << at;
      ASSERT_TRUE(Covers(fn, e)) << "irredundant after reduce " << at;

      for (const Cube& c : LastGasp(st, g, fn.off, fn.dc)) {
        EXPECT_TRUE(Valid(fn, c) && Prime(fn, c)) << "last gasp " << at;
      }

      // Lowered outputs: none left that the other cubes already cover.
      Cover o = g;
      LowerOutputs(st, o, fn.dc);
      ASSERT_TRUE(Covers(fn, o)) << "lower outputs " << at;
      for (std::size_t k2 = 0; k2 < o.size(); ++k2)
        for (unsigned j = 0; j < fn.m && OutputCount(fn.l, o[k2]) > 1; ++j) {
          if (!Output(fn.l, o[k2], j)) continue;
          Cover less = o;
          SetOutput(fn.l, less[k2], j, false);
          EXPECT_FALSE(Covers(fn, less)) << "lower outputs left output " << j << " " << at;
        }

      Cover s = g;
      MakeSparse(st, s, fn.off, fn.dc);
      ASSERT_TRUE(Covers(fn, s)) << "make sparse " << at;
      EXPECT_EQ(s.size(), g.size()) << at;
      EXPECT_LE(CostLiterals(fn.l, s), CostLiterals(fn.l, g)) << at;
      for (const Cube& c : s) {
        EXPECT_TRUE(Valid(fn, c)) << "make sparse " << at;
      }
      ASSERT_FALSE(st.Halted());
    }
  }
}

// Expand grows a cube towards the others it can hold, outputs included,
// so that they go: ON rows given, every other point OFF.
TEST(Phases, ExpandSwallowsWhatOnePrimeHolds) {
  struct Case {
    unsigned n, m;
    std::vector<std::pair<std::string, std::string>> on;
    std::size_t rows;
  };
  const std::vector<Case> cases = {
      {3, 1, {{"000", "1"}, {"001", "1"}}, 1},                            // two points, one cube
      {3, 2, {{"00-", "10"}, {"00-", "01"}}, 1},                          // one cube serving both outputs
      {4, 2, {{"0000", "10"}, {"0001", "01"}, {"000-", "11"}}, 1},        // held cubes of either output go
      {4, 1, {{"0000", "1"}, {"0011", "1"}}, 2},                          // no cube holds both
      {4, 2, {{"11--", "10"}, {"1-1-", "01"}, {"111-", "11"}}, 3},        // held by two together: irredundant's work
  };
  for (std::size_t t = 0; t < cases.size(); ++t) {
    const Case& k = cases[t];
    Fn fn{k.n, k.m, Table(std::size_t{1} << k.n, std::string(k.m, '0')), Layout(k.n, k.m), {}, {}, {}};
    for (const auto& [in, out] : k.on)
      for (uint64_t p = 0; p < fn.t.size(); ++p) {
        bool hit = true;
        for (unsigned i = 0; i < k.n; ++i)
          if (in[i] != '-' && in[i] - '0' != static_cast<int>((p >> i) & 1)) hit = false;
        if (!hit) continue;
        for (unsigned j = 0; j < k.m; ++j)
          if (out[j] == '1') fn.t[p][j] = '1';
      }
    for (uint64_t p = 0; p < fn.t.size(); ++p) {
      Cube a = PointCube(fn.l, p), b = a;
      bool on = false, off = false;
      for (unsigned j = 0; j < k.m; ++j) {
        if (fn.t[p][j] == '1') SetOutput(fn.l, a, j, on = true);
        else SetOutput(fn.l, b, j, off = true);
      }
      if (on) fn.on.push_back(a);
      if (off) fn.off.push_back(b);
    }
    State st;
    st.lay = fn.l;
    Cover f = fn.on;
    Expand(st, f, fn.off);
    EXPECT_TRUE(Covers(fn, f)) << t;
    EXPECT_EQ(f.size(), k.rows) << "case " << t;
  }
}

// A prime is essential exactly when it holds an ON point (of an output it
// serves) that no other prime of the function holds; primes listed by
// brute force.
TEST(Phases, EssentialPrimesAreThoseAPointNeedsAlone) {
  std::mt19937 rng(31);
  for (int t = 0; t < 60; ++t) {
    const unsigned n = 2 + rng() % 4, m = 1 + rng() % 2;
    const Fn fn = MakeFn(rng, n, m, t % 2 == 1);
    std::vector<Cube> primes;
    uint64_t all = 1;
    for (unsigned i = 0; i < n; ++i) all *= 3;
    for (uint64_t code = 0; code < all; ++code)
      for (unsigned outs = 1; outs < (1u << m); ++outs) {
        Cube c = Universe(fn.l);
        uint64_t x = code;
        for (unsigned i = 0; i < n; ++i, x /= 3) SetLiteral(c, i, static_cast<unsigned>(x % 3) + 1);
        for (unsigned j = 0; j < m; ++j) SetOutput(fn.l, c, j, (outs >> j) & 1);
        if (Valid(fn, c) && Prime(fn, c)) primes.push_back(c);
      }
    State st;
    st.lay = fn.l;
    Cover f = fn.on;
    Expand(st, f, fn.off);
    const std::vector<char> ess = EssentialPrimes(st, f, fn.dc);
    for (std::size_t k = 0; k < f.size(); ++k) {
      bool alone = false;
      for (uint64_t p = 0; p < fn.t.size() && !alone; ++p)
        for (unsigned j = 0; j < m && !alone; ++j) {
          if (fn.t[p][j] != '1' || !Output(fn.l, f[k], j) || !Holds(fn.l, f[k], p)) continue;
          bool other = false;
          for (const Cube& q : primes) other = other || (q != f[k] && Output(fn.l, q, j) && Holds(fn.l, q, p));
          alone = !other;
        }
      EXPECT_EQ(ess[k] != 0, alone) << "case " << t << " cube " << k;
    }
  }
}

// The smallest cube holding a cover's complement, against the points
// outside the cover; also across a word of inputs (33 inputs, 8 of them
// used, the rest free in every cube).
TEST(Phases, ComplementSupercubeIsTheSmallestCubeOutside) {
  std::mt19937 rng(29);
  for (const unsigned width : {6u, 33u}) {
    const Layout l(width, 1);
    State st;
    st.lay = l;
    for (int t = 0; t < 300; ++t) {
      Cover f(rng() % 7);
      for (Cube& c : f) {
        c = Universe(l);
        for (unsigned i = 0; i < 6; ++i)
          if (rng() % 3) SetLiteral(c, width == 6 ? i : i * 5, rng() % 2 ? 2 : 1);
      }
      // Expected: per input, the values some outside point takes.
      std::vector<unsigned> seen(width, 0);
      bool outside = false;
      for (uint64_t p = 0; p < 64; ++p) {
        Cube q = Universe(l);
        for (unsigned i = 0; i < 6; ++i) SetLiteral(q, width == 6 ? i : i * 5, (p >> i) & 1 ? 2 : 1);
        bool in = false;
        for (const Cube& c : f) in = in || InputsContain(l, c, q);
        if (in) continue;
        outside = true;
        for (unsigned i = 0; i < width; ++i) seen[i] |= Literal(q, i);
      }
      Cube r;
      ASSERT_EQ(ComplementSupercube(st, f, r), outside) << t;
      if (!outside) continue;
      for (unsigned i = 0; i < width; ++i) {
        ASSERT_EQ(Literal(r, i), seen[i]) << t << " input " << i;
      }
    }
  }
}

}  // namespace phases

}  // namespace
}  // namespace tervo::minimiser
