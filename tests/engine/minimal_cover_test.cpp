// Minimal covers against an exhaustive minimum on small functions, against
// known minima of structured functions, and against each other on larger
// ones: the proved flag and the lower bound must never claim more than is
// true, every result must cover exactly the function, and a run ended by
// the host must leave a valid cover.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "grid_text.h"
#include "logic_unit.h"
#include "minimal_cover.h"
#include "pipeline.h"
#include "test_support.h"

namespace tervo {
namespace {

using Rows = std::vector<uint16_t>;

// Put a function (its rows) into the TruthTable as a typed table would, so
// that VerifyResult checks the result against the rows themselves.
void Load(Engine& e, int n, const Rows& rows) {
  e.ClearTruthTable();
  e.VariableCount = static_cast<uint8_t>(n);
  for (int v = 0; v < n; ++v) e.VariableTable[v] = static_cast<char>('A' + v);
  e.FormulaMode = 0;
  e.CnfMode = 1;
  e.TermCount = static_cast<uint16_t>(rows.size());
  for (size_t t = 0; t < rows.size(); ++t) {
    e.TermValue[t + 1] = rows[t];
    e.TermMask[t + 1] = LowMask(n);
  }
  e.InputCount = 0;
  if (rows.size() <= kInputTerms) {
    e.InputCount = static_cast<uint8_t>(rows.size());
    for (size_t t = 0; t < rows.size(); ++t) {
      e.InputValue[t + 1] = rows[t];
      e.InputMask[t + 1] = LowMask(n);
    }
  }
}

Rows FromBits(int n, uint64_t bits) {
  Rows rows;
  for (uint32_t m = 0; m < (1u << n); ++m)
    if (bits >> m & 1) rows.push_back(static_cast<uint16_t>(m));
  return rows;
}

Rows Random(std::mt19937& rng, int n, double p) {
  std::bernoulli_distribution coin(p);
  Rows rows;
  for (uint32_t m = 0; m < (1u << n); ++m)
    if (coin(rng)) rows.push_back(static_cast<uint16_t>(m));
  return rows;
}

template <class Pred>
Rows Where(int n, Pred one) {
  Rows rows;
  for (uint32_t m = 0; m < (1u << n); ++m)
    if (one(m)) rows.push_back(static_cast<uint16_t>(m));
  return rows;
}

// True when the TruthTable covers exactly the rows.
bool CoversExactly(const Engine& e, int n, const Rows& rows) {
  std::vector<uint8_t> want(size_t{1} << n, 0);
  for (uint16_t r : rows) want[r] = 1;
  for (uint32_t a = 0; a < want.size(); ++a)
    if (IsCovered(e, static_cast<uint16_t>(a)) != (want[a] != 0)) return false;
  return true;
}

// Fewest terms of any cover of a function of at most 4 variables, found
// without the engine: every prime by testing all 3^n cubes, then every
// subset of the primes, smallest first.
int ExhaustiveMinimum(int n, const Rows& rows) {
  uint32_t on = 0;
  for (uint16_t r : rows) on |= 1u << r;
  if (on == 0) return 0;
  auto minterms = [&](uint32_t value, uint32_t mask) {
    uint32_t set = 0;
    for (uint32_t m = 0; m < (1u << n); ++m)
      if (((m ^ value) & mask) == 0) set |= 1u << m;
    return set;
  };
  std::vector<uint32_t> primes;  // as minterm sets
  for (uint32_t mask = 0; mask < (1u << n); ++mask)
    for (uint32_t value = 0; value < (1u << n); ++value) {
      if (value & ~mask) continue;
      const uint32_t set = minterms(value, mask);
      if ((set & ~on) != 0) continue;
      bool prime = true;
      for (int v = 0; v < n && prime; ++v)
        if (mask >> v & 1 && (minterms(value & ~(1u << v), mask & ~(1u << v)) & ~on) == 0) prime = false;
      if (prime) primes.push_back(set);
    }
  int bestSize = 1 << 30;
  const uint64_t subsets = uint64_t{1} << primes.size();
  for (uint64_t s = 1; s < subsets; ++s) {
    const int size = std::popcount(s);
    if (size >= bestSize) continue;
    uint32_t covered = 0;
    for (size_t j = 0; j < primes.size(); ++j)
      if (s >> j & 1) covered |= primes[j];
    if (covered == on) bestSize = size;
  }
  return bestSize;
}

// True when every entry of the TruthTable is a prime implicant of the rows.
bool AllPrime(const Engine& e, int n, const Rows& rows) {
  std::vector<uint8_t> on(size_t{1} << n, 0);
  for (uint16_t r : rows) on[r] = 1;
  auto implicant = [&](uint16_t value, uint16_t mask) {
    for (uint32_t m = 0; m < on.size(); ++m)
      if (((m ^ value) & mask) == 0 && !on[m]) return false;
    return true;
  };
  for (int t = 1; t <= e.TermCount; ++t) {
    const uint16_t v = e.TermValue[t], m = e.TermMask[t];
    if (!implicant(v, m)) return false;
    for (int b = 0; b < n; ++b)
      if (m >> b & 1 && implicant(v, static_cast<uint16_t>(m & ~(1u << b)))) return false;
  }
  return true;
}

uint32_t Literals(const Engine& e) {
  uint32_t l = 0;
  for (int t = 1; t <= e.TermCount; ++t) l += static_cast<uint32_t>(std::popcount(e.TermMask[t]));
  return l;
}

CoverInfo Search(Engine& e, CoverSearch& search, double seconds = 5) {
  NullHost host;
  e.GoOn = 1;
  return search.Run(e, host, seconds);
}

// ---------------------------------------------------------------- small functions

TEST(MinimalCover, EveryFunctionOfUpToThreeVariablesAndRandomFourVariableOnes) {
  auto e = test::NewEngine();
  CoverSearch search;
  std::mt19937 rng(17);
  struct Case {
    int n;
    uint64_t bits;
  };
  std::vector<Case> cases;
  for (int n = 1; n <= 3; ++n)
    for (uint64_t bits = 1; bits + 1 < (uint64_t{1} << (1u << n)); ++bits) cases.push_back({n, bits});
  for (int i = 0; i < 400; ++i) cases.push_back({4, rng() & 0xffff});
  for (const Case& c : cases) {
    const Rows rows = FromBits(c.n, c.bits);
    if (rows.empty() || rows.size() == (1u << c.n)) continue;
    SCOPED_TRACE("n=" + std::to_string(c.n) + " bits=" + std::to_string(c.bits));
    const int minimum = ExhaustiveMinimum(c.n, rows);
    Load(*e, c.n, rows);
    const CoverInfo info = Search(*e, search);
    EXPECT_EQ(e->TermCount, minimum);
    EXPECT_EQ(info.terms, e->TermCount);
    EXPECT_EQ(info.literals, Literals(*e));
    EXPECT_TRUE(info.minimum);
    EXPECT_LE(info.lowerBound, minimum);
    EXPECT_TRUE(VerifyResult(*e));
    EXPECT_TRUE(AllPrime(*e, c.n, rows));
  }
}

// A search given no time may not prove; whatever it claims must hold.
TEST(MinimalCover, NoTimeClaimsOnlyWhatHolds) {
  auto e = test::NewEngine();
  CoverSearch search;
  std::mt19937 rng(4);
  for (int i = 0; i < 300; ++i) {
    const Rows rows = FromBits(4, rng() & 0xffff);
    if (rows.empty() || rows.size() == 16) continue;
    const int minimum = ExhaustiveMinimum(4, rows);
    Load(*e, 4, rows);
    const CoverInfo info = Search(*e, search, 0);
    EXPECT_GE(e->TermCount, minimum);
    EXPECT_LE(info.lowerBound, minimum);
    if (info.minimum) {
      EXPECT_EQ(e->TermCount, minimum);
    }
    EXPECT_TRUE(VerifyResult(*e));
  }
}

// ---------------------------------------------------------------- known minima

TEST(MinimalCover, StructuredFunctionsReachTheirKnownMinimum) {
  struct Case {
    std::string name;
    int n;
    Rows rows;
    int terms;     // the minimum
    int literals;  // of the minimum cover
  };
  auto popcount = [](uint32_t m) { return std::popcount(m); };
  const std::vector<Case> cases = {
      {"parity 9", 9, Where(9, [&](uint32_t m) { return popcount(m) % 2 == 1; }), 256, 256 * 9},
      {"majority 7 (every prime essential)", 7, Where(7, [&](uint32_t m) { return popcount(m) >= 4; }), 35, 35 * 4},
      {"OR of 12", 12, Where(12, [](uint32_t m) { return m != 0; }), 12, 12},
      {"at least 2 of 5", 5, Where(5, [&](uint32_t m) { return popcount(m) >= 2; }), 10, 20},
      // carry of a 3-bit adder with carry in: 2^4 - 1 primes, all essential
      {"carry 3 bits", 7, Where(7, [](uint32_t m) { return ((m & 7) + (m >> 3 & 7) + (m >> 6 & 1)) >> 3; }), 15, 0},
      // a cyclic core with no essential prime: the 6-cycle of 3 variables
      {"cyclic 3", 3, FromBits(3, 0b01111110), 3, 6},
      {"one row", 10, Rows{0x2a5}, 1, 10},
  };
  auto e = test::NewEngine();
  CoverSearch search;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(*e, c.n, c.rows);
    const CoverInfo info = Search(*e, search);
    EXPECT_EQ(info.terms, c.terms);
    if (c.literals) {
      EXPECT_EQ(info.literals, static_cast<uint32_t>(c.literals));
    }
    EXPECT_TRUE(info.minimum);
    EXPECT_EQ(info.lowerBound, c.terms);
    EXPECT_TRUE(CoversExactly(*e, c.n, c.rows));
  }
}

// The typed terms as the function, whatever the TruthTable holds (here the
// result of an earlier run on another function).
TEST(MinimalCover, TheInputTableAsSource) {
  auto e = test::NewEngine();
  CoverSearch search;
  ASSERT_EQ(test::Table(*e, "ABCD\n1x1x\nx11x\n11xx\n1111\n0000"), kOk);
  e->ClearTruthTable();  // something else in the TruthTable
  e->TermCount = 2;
  e->TermValue[1] = 1, e->TermMask[1] = 15;
  e->TermValue[2] = 6, e->TermMask[2] = 15;
  NullHost host;
  e->GoOn = 1;
  const CoverInfo info = search.Run(*e, host, 5, kCoverInputTable);
  EXPECT_EQ(info.terms, 4);  // A.C + B.C + A.B + /A./B./C./D
  EXPECT_TRUE(info.minimum);
  EXPECT_TRUE(VerifyResult(*e));
}

TEST(MinimalCover, EveryAssignmentLeavesTheTableEmptyAsTheReductionDoes) {
  auto e = test::NewEngine();
  CoverSearch search;
  Load(*e, 6, Where(6, [](uint32_t) { return true; }));
  const CoverInfo info = Search(*e, search);
  EXPECT_EQ(e->TermCount, 0);
  EXPECT_EQ(info.terms, 0);
}

// ---------------------------------------------------------------- inputs of a run

TEST(MinimalCover, FormulaRunsInBothModesAndTypedTablesVerify) {
  struct Case {
    bool formula;
    uint8_t cnf;
    std::string text;
    int terms;
  };
  const std::vector<Case> cases = {
      {true, 1, "A.B+/A.C+B.C", 2},          // consensus term redundant
      {true, 0, "A.B+/A.C+B.C", 2},          // its zeros: /A./C + A./B
      {true, 1, "A-B-C-D", 8},               // parity of four
      {true, 0, "(A+B).(C+D).(/A+/C)", 3},   // zeros of a product of sums: /A./B + /C./D + A.C
      {false, 1, "ABC\n1x1\nx11\n11x\n111", 3},  // overlapping typed cubes, one inside the others
      {false, 1, "ABCD\nxx1x\n1xxx\nx1x0", 3},
  };
  auto e = test::NewEngine();
  CoverSearch search;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + (c.cnf ? " CNF" : " DNF"));
    e->CnfMode = c.cnf;
    if (c.formula) {
      e->FormulaMode = 1;
      ASSERT_EQ(test::Translate(*e, c.text), kOk);
    } else {
      ASSERT_EQ(test::Table(*e, c.text), kOk);
    }
    const CoverInfo info = Search(*e, search);
    EXPECT_EQ(e->TermCount, c.terms);
    EXPECT_TRUE(info.minimum);
    EXPECT_TRUE(VerifyResult(*e));
  }
}

// ---------------------------------------------------------------- larger functions

// On functions too large for the exhaustive minimum, runs with different
// time limits and seeds must agree: no run's bound above another's cover,
// and a proved cover no larger than any other.
TEST(MinimalCover, BoundsAndProofsAgreeAcrossRuns) {
  auto e = test::NewEngine();
  std::mt19937 rng(8);
  for (int i = 0; i < 12; ++i) {
    const int n = 6 + i % 3;
    const Rows rows = Random(rng, n, 0.3 + 0.05 * (i % 5));
    SCOPED_TRACE("n=" + std::to_string(n) + " case " + std::to_string(i));
    std::vector<CoverInfo> infos;
    for (double seconds : {0.0, 0.02, 3.0}) {
      CoverSearch search;
      search.SetSeed(static_cast<uint32_t>(i * 7 + infos.size()));
      Load(*e, n, rows);
      infos.push_back(Search(*e, search, seconds));
      EXPECT_TRUE(CoversExactly(*e, n, rows));
      EXPECT_TRUE(AllPrime(*e, n, rows));
      EXPECT_LE(infos.back().lowerBound, infos.back().terms);
    }
    for (const CoverInfo& a : infos)
      for (const CoverInfo& b : infos) {
        EXPECT_LE(a.lowerBound, b.terms);
        if (a.minimum) {
          EXPECT_LE(a.terms, b.terms);
        }
      }
    EXPECT_TRUE(infos.back().minimum) << "a function of at most 8 variables is proved in 3 s";
  }
}

// A host that ends the run (as ESC does) at its k-th chance to process
// events and notes the longest time between two chances.
struct EscHost : NullHost {
  Engine* engine = nullptr;
  int calls = 0, stopAt = -1;
  std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
  double longest = 0;
  void ProcessPendingEvents() override {
    const auto now = std::chrono::steady_clock::now();
    longest = std::max(longest, std::chrono::duration<double>(now - last).count());
    last = now;
    if (++calls == stopAt) engine->GoOn = 0;
  }
};

TEST(MinimalCover, EndedByTheHostKeepsAValidCover) {
  std::mt19937 rng(13);
  const Rows rows = Random(rng, 13, 0.5);
  auto e = test::NewEngine();
  CoverSearch search;
  Load(*e, 13, rows);
  NullHost quiet;
  e->GoOn = 1;
  const CoverInfo free = search.Run(*e, quiet, 1.0);
  for (int stopAt : {1, 2, 4, 8, 16, 40, 80}) {
    SCOPED_TRACE("stopped at call " + std::to_string(stopAt));
    Load(*e, 13, rows);
    EscHost host;
    host.engine = e.get();
    host.stopAt = stopAt;
    e->GoOn = 1;
    const CoverInfo info = search.Run(*e, host, 30);
    EXPECT_TRUE(CoversExactly(*e, 13, rows));
    if (host.calls < stopAt) continue;  // a fast machine finished first
    EXPECT_TRUE(info.stopped);
    EXPECT_FALSE(info.minimum);
    EXPECT_EQ(info.terms, e->TermCount);
    EXPECT_LE(info.lowerBound, free.terms);
    EXPECT_TRUE(CoversExactly(*e, 13, rows));
    EXPECT_EQ(host.calls, stopAt) << "no events are processed after the stop";
    // Generous: the search lets events run about every 15 ms.
    EXPECT_LT(host.longest, 0.5);
  }
}

// ---------------------------------------------------------------- in a run

// Passes every stop at once and ends the run at its k-th chance to process
// events (-1 never).
struct PassingHost : NullHost {
  Engine* engine = nullptr;
  int calls = 0, stopAt = -1, steps = 0;
  void ProcessPendingEvents() override {
    if (++calls == stopAt) engine->GoOn = 0;
  }
  void DrawTraceStep(const TraceRecord&) override { ++steps; }
  void WaitAtStop() override { engine->StepWait = 0; }
};

TEST(MinimalCover, InTheRunsReductionPlace) {
  const std::string cycle = "A./B+B./C+C./D+D./E+E./F+F./A";  // the reduction keeps 7 terms, 6 suffice
  const std::string big = "(A.B./C+D.E)-(F./G.H+I.J)-(K.L+/M.N.O)+(A-D-G-J).(B+E+H+/K)";
  struct Case {
    std::string what, formula;
    bool cover;
    uint8_t reduce, scan;
    int stopAt;
    int terms;           // -1: not checked
    std::string suffix;  // after " secs"
    bool ended;
  };
  const std::vector<Case> cases = {
      {"cover", cycle, true, 1, 0, -1, 6, ", minimum", false},
      {"reduction", cycle, false, 1, 0, -1, 7, "", false},
      {"Scan trace keeps the reduction", cycle, true, 1, 1, -1, 7, "", false},
      {"no reduce, nothing", cycle, true, 0, 0, -1, 62, "", false},
      {"ESC keeps the best cover", big, true, 1, 0, 2, -1, ", stopped: best cover so far", false},
      {"ESC during the reduction ends the run", big, false, 1, 0, 2, -1, "", true},
  };
  CoverSearch search;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto e = test::NewEngine();
    test::SetFormulaText(*e, c.formula);
    e->ReduceOn = c.reduce;
    e->TraceScan = c.scan;
    PassingHost host;
    host.engine = e.get();
    host.stopAt = c.stopAt;
    GoStages stages;
    stages.cover = c.cover ? &search : nullptr;
    stages.minimalSeconds = 30;
    const RunOutcome run = RunGo(*e, host, stages);
    EXPECT_EQ(run.minimal, c.cover && c.reduce && !c.scan);
    EXPECT_EQ(run.ended, c.ended);
    if (c.ended) {
      EXPECT_EQ(run.message, "process terminated");
      continue;
    }
    if (c.terms >= 0) {
      EXPECT_EQ(e->TermCount, c.terms);
    }
    EXPECT_EQ(run.message.rfind("OK: time = ", 0), 0u) << run.message;
    const std::string tail = run.message.substr(run.message.find(" secs") + 5);
    if (c.stopAt > 0) {
      EXPECT_EQ(tail.rfind(", at least ", 0), 0u) << tail;
    } else {
      EXPECT_EQ(tail, c.suffix);
    }
    EXPECT_TRUE(tail.size() >= c.suffix.size() && tail.compare(tail.size() - c.suffix.size(), c.suffix.size(), c.suffix) == 0)
        << tail;
    EXPECT_EQ(host.steps > 0, c.scan != 0);
    EXPECT_EQ(e->RunState, 0);
    EXPECT_EQ(e->StepWait, 0);
  }
}

// Don't-cares: terms may include them, no row needs them. Against the
// smallest set of implicants of ON + DC covering ON, found by trying every
// set of one, two, ... cubes of three variables.
TEST(MinimalCover, DontCaresAreUsedButNeverRequired) {
  constexpr int n = 3;
  std::mt19937 rng(77);
  std::uniform_int_distribution<int> state(0, 2);  // 0 off, 1 on, 2 don't-care
  auto search = std::make_unique<CoverSearch>();
  for (int trial = 0; trial < 300; ++trial) {
    uint32_t on = 0, dc = 0;
    for (int m = 0; m < 8; ++m) {
      const int st = state(rng);
      on |= (st == 1) << m;
      dc |= (st == 2) << m;
    }
    if (on == 0 || (on | dc) == 0xff) continue;  // constants never reach the search
    // Every cube of ON + DC, as the set of minterms it holds.
    std::vector<uint32_t> cubes;
    for (uint16_t mask = 0; mask < 8; ++mask)
      for (uint16_t value = 0; value < 8; ++value) {
        if (value & ~mask) continue;
        uint32_t bits = 0;
        for (int m = 0; m < 8; ++m) bits |= (((m ^ value) & mask) == 0) << m;
        if ((bits & ~(on | dc)) == 0) cubes.push_back(bits);
      }
    int minimum = 0;
    for (int k = 1; minimum == 0; ++k) {
      std::vector<int> pick(k, 0);
      std::function<bool(int, int, uint32_t)> any = [&](int depth, int from, uint32_t got) {
        if (depth == k) return (got & on) == on;
        for (int c = from; c < static_cast<int>(cubes.size()); ++c)
          if (any(depth + 1, c + 1, got | cubes[c])) return true;
        return false;
      };
      if (any(0, 0, 0)) minimum = k;
    }
    auto e = test::NewEngine();
    Load(*e, n, FromBits(n, on));
    std::array<uint64_t, 512> dcBits{};
    dcBits[0] = dc;
    search->SetDontCares(&dcBits);
    const CoverInfo info = Search(*e, *search);
    SCOPED_TRACE("on " + std::to_string(on) + " dc " + std::to_string(dc));
    EXPECT_EQ(info.terms, minimum);
    EXPECT_TRUE(info.minimum);
    for (uint16_t m = 0; m < 8; ++m) {
      if (dc >> m & 1) continue;
      EXPECT_EQ(IsCovered(*e, m), (on >> m & 1) != 0) << "minterm " << m;
    }
  }
  search->SetDontCares(nullptr);
}

}  // namespace
}  // namespace tervo

// ---------------------------------------------------------------- work, not time

namespace tervo {
namespace {

// A host on a slow or loaded machine: every chance to process events takes
// `pause` (the search's clock runs fast against its work).
struct SlowHost : NullHost {
  std::chrono::microseconds pause{0};
  int calls = 0;
  void ProcessPendingEvents() override {
    ++calls;
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
  }
};

std::vector<std::pair<uint16_t, uint16_t>> Terms(const Engine& e) {
  std::vector<std::pair<uint16_t, uint16_t>> t;
  for (int i = 1; i <= e.TermCount; ++i) t.emplace_back(e.TermValue[i], e.TermMask[i]);
  return t;
}

// Without a time limit the cover, the bound and how the search ended depend
// on the function alone: a host that lets events take long changes nothing.
TEST(MinimalCover, TheSameCoverWhateverTheClock) {
  std::mt19937 rng(30);
  for (const auto& [n, budget] : {std::pair{10, uint64_t{0}}, std::pair{12, uint64_t{4'000'000}}}) {
    SCOPED_TRACE("n=" + std::to_string(n));
    const Rows rows = Random(rng, n, 0.5);
    auto e = test::NewEngine();
    std::vector<CoverInfo> infos;
    std::vector<std::vector<std::pair<uint16_t, uint16_t>>> covers;
    for (int pause : {0, 3000}) {
      CoverSearch search;
      search.SetEffort(budget);
      Load(*e, n, rows);
      SlowHost host;
      host.pause = std::chrono::microseconds(pause);
      e->GoOn = 1;
      infos.push_back(search.Run(*e, host, kNoTimeLimit));
      covers.push_back(Terms(*e));
      EXPECT_TRUE(CoversExactly(*e, n, rows));
      EXPECT_GT(host.calls, 0);
    }
    EXPECT_EQ(covers[0], covers[1]);
    EXPECT_EQ(infos[0].lowerBound, infos[1].lowerBound);
    EXPECT_EQ(infos[0].minimum, infos[1].minimum);
    EXPECT_EQ(infos[0].end, infos[1].end);
    EXPECT_EQ(infos[0].ticks, infos[1].ticks);
    EXPECT_EQ(infos[1].end, budget ? CoverEnd::kBudgetSpent : infos[1].end);
  }
}

// A time limit is the only way time enters: a limit of 0 leaves the first
// cover and says so.
TEST(MinimalCover, ATimeLimitIsReportedAsSuch) {
  std::mt19937 rng(31);
  const Rows rows = Random(rng, 12, 0.5);
  auto e = test::NewEngine();
  CoverSearch search;
  Load(*e, 12, rows);
  const CoverInfo info = Search(*e, search, 0);
  EXPECT_TRUE(CoversExactly(*e, 12, rows));
  EXPECT_FALSE(info.minimum);
  EXPECT_EQ(info.end, CoverEnd::kTimeLimit);
  EXPECT_FALSE(info.stopped);
  EXPECT_TRUE(info.timedOut);
  EXPECT_EQ(CoverOutcomeText(info), ", at least " + std::to_string(info.lowerBound) + ", time limit reached");
}

TEST(MinimalCover, OutcomeTextsSayWhatWasProvedAndHowTheSearchEnded) {
  struct Case {
    bool minimum;
    uint32_t bound;
    CoverEnd end;
    std::string text, name;
  };
  const std::vector<Case> cases = {
      {true, 7, CoverEnd::kFinished, ", minimum", "proved"},
      {true, 7, CoverEnd::kStalled, ", minimum", "proved"},  // a proof says all
      {false, 7, CoverEnd::kFinished, ", at least 7", "finished"},
      {false, 7, CoverEnd::kStalled, ", at least 7, stalled", "stalled"},
      {false, 7, CoverEnd::kBudgetSpent, ", at least 7, work budget spent", "budget"},
      {false, 7, CoverEnd::kTimeLimit, ", at least 7, time limit reached", "time limit"},
      {false, 7, CoverEnd::kStopped, ", at least 7, stopped: best cover so far", "stopped"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CoverOutcomeText(c.minimum, c.bound, c.end), c.text);
    EXPECT_EQ(std::string(CoverEndName(c.minimum, c.end)), c.name);
  }
  EXPECT_EQ(CoverOutcomeText(false, 3, true), ", at least 3, stopped: best cover so far");
  EXPECT_EQ(CoverOutcomeText(false, 3, false), ", at least 3");
}

}  // namespace
}  // namespace tervo
