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
#include "tervo/minimiser.h"

namespace tervo::minimiser {
namespace {

// A function point by point: value[point][output] is '1', '0' or '-'.
using Table = std::vector<std::string>;

Table RandomTable(std::mt19937& rng, unsigned n, unsigned m, int onPct, int dcPct) {
  Table t(std::size_t{1} << n, std::string(m, '0'));
  for (auto& row : t)
    for (char& ch : row) {
      const int r = static_cast<int>(rng() % 100);
      ch = r < onPct ? '1' : r < onPct + dcPct ? '-' : '0';
    }
  return t;
}

// One row per point, with the characters `type` lists and '~' elsewhere
// (with "fr" the points in neither set are the don't-cares).
Pla AsPla(const Table& t, unsigned n, unsigned m, const std::string& type) {
  Pla p;
  p.inputs = n;
  p.outputs = m;
  p.type = type;
  const bool f = type.find('f') != std::string::npos, d = type.find('d') != std::string::npos,
             r = type.find('r') != std::string::npos;
  for (uint64_t x = 0; x < t.size(); ++x) {
    std::string in(n, '0'), out(m, '~');
    for (unsigned i = 0; i < n; ++i) in[i] = (x >> i) & 1 ? '1' : '0';
    for (unsigned j = 0; j < m; ++j) {
      const char v = t[x][j];
      if ((v == '1' && f) || (v == '-' && d) || (v == '0' && r) || (v == '0' && type == "f")) out[j] = v;
    }
    p.in.push_back(in);
    p.out.push_back(out);
    p.line.push_back(0);
  }
  return p;
}

// The fewest terms of any cover: every implicant (input cube and set of
// outputs) as the ON pairs (point, output) it holds, those held by another
// dropped, then covers by rising size, pruned by a set of pairs no one
// implicant holds two of.
unsigned BruteMinimum(const Table& t, unsigned n, unsigned m) {
  using Bits = std::bitset<128>;
  std::vector<Bits> cols;
  unsigned cubes = 1;
  for (unsigned i = 0; i < n; ++i) cubes *= 3;
  for (unsigned c = 0; c < cubes; ++c)
    for (unsigned mask = 1; mask < (1u << m); ++mask) {
      Bits held;
      bool ok = true;
      for (uint64_t x = 0; x < t.size() && ok; ++x) {
        unsigned cc = c;
        bool in = true;
        for (unsigned i = 0; i < n; ++i, cc /= 3)
          if (cc % 3 != 2 && cc % 3 != ((x >> i) & 1)) in = false;
        for (unsigned j = 0; j < m && in; ++j)
          if ((mask >> j) & 1) {
            if (t[x][j] == '0') ok = false;
            if (t[x][j] == '1') held.set(x * m + j);
          }
      }
      if (ok && held.any()) cols.push_back(held);
    }
  std::vector<Bits> keep;
  for (std::size_t a = 0; a < cols.size(); ++a) {
    bool dominated = false;
    for (std::size_t b = 0; b < cols.size() && !dominated; ++b)
      dominated = b != a && (cols[a] & ~cols[b]).none() && (cols[a] != cols[b] || b < a);
    if (!dominated) keep.push_back(cols[a]);
  }
  Bits all;
  for (uint64_t x = 0; x < t.size(); ++x)
    for (unsigned j = 0; j < m; ++j)
      if (t[x][j] == '1') all.set(x * m + j);
  std::function<bool(const Bits&, unsigned)> fits = [&](const Bits& left, unsigned k) -> bool {
    if (left.none()) return true;
    Bits shut;
    unsigned apart = 0, pick = 0, fewest = ~0u;
    for (unsigned e = 0; e < 128; ++e) {
      if (!left[e]) continue;
      unsigned holders = 0;
      for (const Bits& s : keep)
        if (s[e]) ++holders;
      if (holders < fewest) fewest = holders, pick = e;
      if (shut[e]) continue;
      ++apart;
      for (const Bits& s : keep)
        if (s[e]) shut |= s;
    }
    if (apart > k) return false;
    for (const Bits& s : keep)
      if (s[pick] && fits(left & ~s, k - 1)) return true;
    return false;
  };
  for (unsigned k = 0;; ++k)
    if (fits(all, k)) return k;
}

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
