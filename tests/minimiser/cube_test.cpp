// Cube operations, tautology and complement against point-by-point
// enumeration on random small cubes and covers, including widths that
// cross a 64-bit word.
#include <gtest/gtest.h>

#include <random>

#include "internal.h"

namespace tervo::minimiser::detail {
namespace {

Cube RandomCube(std::mt19937& rng, const Layout& l, int freeBias) {
  Cube c = Universe(l);
  for (unsigned i = 0; i < l.inputs; ++i) {
    const int r = static_cast<int>(rng() % (2 + freeBias));
    if (r < 2) SetLiteral(c, i, r == 0 ? 1 : 2);
  }
  for (unsigned j = 0; j < l.outputs; ++j) SetOutput(l, c, j, rng() & 1);
  return c;
}

// A point as a cube; inputs beyond 20 are taken from `rest`.
bool HoldsPoint(const Layout& l, const Cube& c, uint64_t point) {
  for (unsigned i = 0; i < l.inputs; ++i)
    if (!(Literal(c, i) & (((point >> (i % 64)) & 1) ? 2 : 1))) return false;
  return true;
}

bool CoverHolds(const Layout& l, const Cover& f, uint64_t point) {
  for (const Cube& c : f)
    if (HoldsPoint(l, c, point)) return true;
  return false;
}

TEST(Cube, OperationsAgreeWithPoints) {
  std::mt19937 rng(7);
  for (unsigned n : {1u, 3u, 6u, 33u, 40u}) {
    const Layout l(n, 3);
    for (int t = 0; t < 300; ++t) {
      const Cube a = RandomCube(rng, l, n > 10 ? 12 : 2), b = RandomCube(rng, l, n > 10 ? 12 : 2);
      std::vector<uint64_t> pts;
      if (n <= 10) {
        for (uint64_t p = 0; p < (uint64_t{1} << n); ++p) pts.push_back(p);
      } else {
        for (int k = 0; k < 400; ++k) pts.push_back((uint64_t(rng()) << 32) | rng());
      }
      bool both = false, aNotB = false;
      for (uint64_t p : pts) {
        both |= HoldsPoint(l, a, p) && HoldsPoint(l, b, p);
        aNotB |= HoldsPoint(l, b, p) && !HoldsPoint(l, a, p);
      }
      unsigned dist = 0, lits = 0;
      for (unsigned i = 0; i < n; ++i) {
        dist += (Literal(a, i) & Literal(b, i)) == 0;
        lits += Literal(a, i) != 3;
      }
      EXPECT_EQ(InputDistance(l, a, b), dist);
      EXPECT_EQ(InputsDisjoint(l, a, b), dist > 0);
      EXPECT_EQ(InputLiterals(l, a), lits);
      if (n <= 10) {
        EXPECT_EQ(!InputsDisjoint(l, a, b), both);
        EXPECT_EQ(InputsContain(l, a, b), !aNotB);
      }
      Cube r;
      if (Intersect(l, a, b, r))
        for (uint64_t p : pts) {
          EXPECT_EQ(HoldsPoint(l, r, p), HoldsPoint(l, a, p) && HoldsPoint(l, b, p));
        }
      if (Consensus(l, a, b, r)) {
        EXPECT_EQ(dist, 1u);
        // The consensus lies in a + b and is not inside either alone.
        for (uint64_t p : pts)
          if (HoldsPoint(l, r, p)) {
            EXPECT_TRUE(HoldsPoint(l, a, p) || HoldsPoint(l, b, p));
          }
      } else {
        EXPECT_NE(dist, 1u);
      }
      // Cofactor: f|a at a point of a equals f there.
      const Cover cof = Cofactor(l, Cover{b}, a);
      for (uint64_t p : pts)
        if (HoldsPoint(l, a, p)) {
          EXPECT_EQ(CoverHolds(l, cof, p), HoldsPoint(l, b, p));
        }
    }
  }
}

TEST(Unate, TautologyAndComplementAgreeWithEnumeration) {
  std::mt19937 rng(11);
  for (int t = 0; t < 400; ++t) {
    const unsigned n = 1 + rng() % 12;
    const Layout l(n, 0);
    State st;
    st.lay = l;
    Cover f;
    const unsigned size = rng() % (3 * n + 2);
    for (unsigned k = 0; k < size; ++k) f.push_back(RandomCube(rng, l, static_cast<int>(1 + rng() % 4)));
    bool all = true;
    for (uint64_t p = 0; p < (uint64_t{1} << n); ++p) all &= CoverHolds(l, f, p);
    EXPECT_EQ(Tautology(st, f), all) << "n " << n << " size " << size;
    const Cover g = Complement(st, f);
    for (uint64_t p = 0; p < (uint64_t{1} << n); ++p)
      ASSERT_NE(CoverHolds(l, g, p), CoverHolds(l, f, p)) << "n " << n << " point " << p;
    EXPECT_FALSE(st.Halted());
    // With room for only a few cubes the complement either fits, whole and
    // right, or says it overflowed and gives nothing.
    State small;
    small.lay = l;
    small.cubeCap = 3;
    const Cover h = Complement(small, f);
    if (small.overflow) {
      EXPECT_TRUE(h.empty());
      EXPECT_GT(g.size(), 0u);
    } else {
      for (uint64_t p = 0; p < (uint64_t{1} << n); ++p) ASSERT_NE(CoverHolds(l, h, p), CoverHolds(l, f, p));
    }
  }
}

TEST(Unate, StopUnwindsTheRecursion) {
  struct Once : Watcher {
    bool Stop() override { return true; }
  } w;
  std::mt19937 rng(3);
  const Layout l(40, 0);
  State st;
  st.lay = l;
  st.watcher = &w;
  Cover f;
  for (int k = 0; k < 400; ++k) f.push_back(RandomCube(rng, l, 2));
  const Cover g = Complement(st, f);
  EXPECT_TRUE(st.stopped);
  EXPECT_LT(st.ticks, 100'000u);
  EXPECT_TRUE(g.empty());
}

}  // namespace
}  // namespace tervo::minimiser::detail
