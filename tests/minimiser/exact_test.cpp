// The exact path of the cube minimiser. On small random multi-output
// functions of every .type its covers pass the checker, never have fewer
// rows than a brute-force minimum and claim the minimum exactly when they
// have it; on wider ones its bound holds against the heuristic's cover;
// past its caps it gives up and leaves the run as it was.
#include <gtest/gtest.h>

#include <bitset>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "check.h"
#include "internal.h"
#include "table_functions.h"
#include "tervo/minimiser.h"

namespace tervo::minimiser {
namespace {

using testing::AsPla;
using testing::BruteMinimum;
using testing::RandomTable;
using testing::Table;

TEST(Exact, SmallFunctionsOfEveryTypeAgainstBruteForce) {
  struct Case {
    const char* type;
    int dcPct;     // points of no set, or listed as don't-cares
    bool overlap;  // some ON points listed again as don't-cares (which they then are)
  };
  const Case cases[] = {{"f", 0, false},   {"fd", 15, false}, {"fd", 10, true}, {"fr", 15, false},
                        {"fdr", 15, false}, {"fdr", 10, true}, {"r", 0, false},  {"dr", 15, false}};
  std::mt19937 rng(23);
  for (const Case& c : cases) {
    for (int k = 0; k < 24; ++k) {
      const unsigned n = 2 + rng() % 4, m = 1 + rng() % 3;
      Table tab = RandomTable(rng, n, m, static_cast<int>(15 + rng() % 50), c.dcPct);
      Pla in = AsPla(tab, n, m, c.type);
      for (uint64_t x = 0; x < tab.size() && c.overlap; ++x)
        for (unsigned j = 0; j < m; ++j)
          if (tab[x][j] == '1' && rng() % 4 == 0) {
            std::string o(m, '~');
            o[j] = tab[x][j] = '-';
            in.in.push_back(in.in[x]);
            in.out.push_back(o);
            in.line.push_back(0);
          }
      Pla out;
      const MinimiseResult res = Minimise(in, out, {});
      ASSERT_EQ(res.status, Status::kDone) << c.type;
      const CheckReport rep = CheckCover(in, out);
      ASSERT_TRUE(rep.ok) << c.type << " " << rep.text << "\n" << WritePla(in) << WritePla(out);
      const unsigned best = BruteMinimum(tab, n, m);
      EXPECT_GE(out.Rows(), best) << c.type << "\n" << WritePla(in);
      EXPECT_LE(res.lowerBound, best) << c.type << "\n" << WritePla(in);
      EXPECT_EQ(res.minimum, out.Rows() == best) << c.type << "\n" << WritePla(in) << WritePla(out);
      EXPECT_EQ(res.method, "exact") << c.type;
    }
  }
}

TEST(Exact, WiderFunctionsKeepTheirBoundAgainstTheHeuristic) {
  std::mt19937 rng(29);
  unsigned finished = 0, proved = 0;
  for (int k = 0; k < 12; ++k) {
    const unsigned n = 8 + rng() % 3, m = 1 + rng() % 4;
    const Table tab = RandomTable(rng, n, m, static_cast<int>(10 + rng() % 30), 10);
    const Pla in = AsPla(tab, n, m, "fd");
    Pla exact, heuristic;
    const MinimiseResult res = Minimise(in, exact, {});
    MinimiseSettings plain;
    plain.exact = false;
    const MinimiseResult other = Minimise(in, heuristic, plain);
    ASSERT_TRUE(CheckCover(in, exact).ok) << WritePla(in);
    ASSERT_TRUE(CheckCover(in, heuristic).ok);
    EXPECT_EQ(other.method, "heuristic");
    EXPECT_FALSE(other.minimum);
    EXPECT_LE(res.lowerBound, exact.Rows());
    EXPECT_LE(res.lowerBound, heuristic.Rows()) << WritePla(in);
    EXPECT_LE(exact.Rows(), heuristic.Rows()) << "the smaller cover stays";
    if (res.minimum) {
      EXPECT_EQ(res.lowerBound, exact.Rows());
    }
    finished += res.method == "exact";
    proved += res.minimum;
  }
  EXPECT_GE(finished, 6u);
  EXPECT_GE(proved, 6u);
}

// Two-way multiplexers of `width`-bit buses: y_k = s' a_k + s b_k. Its
// primes serving several outputs are one per choice of a_k, b_k or both
// for every bit, far past the exact path's cap.
Pla WideMux(unsigned width) {
  Pla p;
  p.inputs = 1 + 2 * width;
  p.outputs = width;
  p.type = "fd";
  for (unsigned k = 0; k < width; ++k)
    for (unsigned side = 0; side < 2; ++side) {
      std::string a(p.inputs, '-'), b(width, '0');
      a[0] = side ? '1' : '0';
      a[1 + 2 * k + side] = '1';
      b[k] = '1';
      p.in.push_back(a);
      p.out.push_back(b);
      p.line.push_back(0);
    }
  return p;
}

TEST(Exact, PastItsCapsGivesUpAndLeavesTheRunAsItWas) {
  const Pla in = WideMux(14);
  Pla out;
  const MinimiseResult res = Minimise(in, out, {});
  EXPECT_EQ(res.status, Status::kDone);
  EXPECT_EQ(res.method, "heuristic");
  EXPECT_FALSE(res.minimum);
  EXPECT_EQ(res.lowerBound, 0u);
  EXPECT_TRUE(CheckCover(in, out).ok);
  EXPECT_EQ(out.Rows(), 28u);

  // The same from inside: the budget and the stop flags come back as they were.
  using namespace detail;
  State st;
  st.lay = Layout(in.inputs, in.outputs);
  st.budget = 3'000'000'000ULL;
  Cover on, none, cover;
  for (std::size_t r = 0; r < in.Rows(); ++r) {
    Cube c = Universe(st.lay);
    for (unsigned i = 0; i < in.inputs; ++i)
      if (in.in[r][i] != '-') SetLiteral(c, i, in.in[r][i] == '0' ? 1 : 2);
    for (unsigned j = 0; j < in.outputs; ++j) SetOutput(st.lay, c, j, in.out[r][j] == '1');
    on.push_back(c);
  }
  const Cover off = OffSet(st, on);
  bool minimum = true;
  uint64_t bound = 7;
  const uint64_t before = st.ticks;
  EXPECT_FALSE(Exact(st, on, none, off, false, cover, minimum, bound));
  EXPECT_FALSE(st.Halted());
  EXPECT_EQ(st.budget, 3'000'000'000ULL);
  EXPECT_FALSE(minimum);
  EXPECT_EQ(bound, 0u);
  EXPECT_LT(st.ticks - before, 100'000'000u);
}

TEST(Exact, StopOrSmallBudgetStillGivesACheckedCover) {
  struct After : Watcher {
    unsigned left;
    explicit After(unsigned n) : left(n) {}
    bool Stop() override { return left == 0 || (--left, false); }
  };
  std::mt19937 rng(31);
  const Table tab = RandomTable(rng, 9, 3, 35, 10);
  const Pla in = AsPla(tab, 9, 3, "fd");
  for (unsigned polls : {0u, 2u, 20u, 200u}) {
    After w(polls);
    Pla out;
    const MinimiseResult res = Minimise(in, out, {}, &w);
    EXPECT_TRUE(res.status == Status::kStopped || res.status == Status::kDone) << polls;
    EXPECT_TRUE(CheckCover(in, out).ok) << polls;
    EXPECT_LE(res.lowerBound, out.Rows());
  }
  for (uint64_t effort : {1000u, 100'000u, 2'000'000u}) {
    MinimiseSettings s;
    s.effort = effort;
    Pla out;
    const MinimiseResult res = Minimise(in, out, s);
    EXPECT_TRUE(CheckCover(in, out).ok) << effort;
    EXPECT_LE(res.lowerBound, out.Rows());
  }
}

}  // namespace
}  // namespace tervo::minimiser
