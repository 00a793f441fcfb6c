// The fast reduction against the plain loop: on seeded random functions and
// typed tables both must leave every bit of the reduction's state the same;
// the fast path's comparisons must be a part of the plain loop's, in order
// and with the same records, missing none that acts; and neither where the
// slices end nor switching between the two paths may change the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fast_reduce.h"
#include "test_support.h"

namespace tervo {
namespace {

using Terms = std::vector<std::pair<uint16_t, uint16_t>>;  // (value, mask)

struct Function {
  int n = 0;
  Terms terms;
  std::string what;  // for failure messages
};

// ---------------------------------------------------------------- generators

// Every row with probability p, full masks, ascending (as evaluated).
Function Rows(std::mt19937& rng, int n, double p) {
  std::bernoulli_distribution coin(p);
  Function f{n, {}, "rows n=" + std::to_string(n) + " p=" + std::to_string(p)};
  for (uint32_t r = 0; r < (1u << n); ++r)
    if (coin(rng)) f.terms.emplace_back(static_cast<uint16_t>(r), LowMask(n));
  return f;
}

// A random cube of lo..hi literals, its value bits outside the mask random
// too (they must survive untouched).
std::pair<uint16_t, uint16_t> Cube(std::mt19937& rng, int n, int lo, int hi) {
  std::vector<int> vars(n);
  for (int v = 0; v < n; ++v) vars[v] = v;
  std::shuffle(vars.begin(), vars.end(), rng);
  const int lits = std::uniform_int_distribution<int>(std::min(lo, n), std::min(hi, n))(rng);
  uint16_t mask = 0;
  for (int l = 0; l < lits; ++l) mask = static_cast<uint16_t>(mask | 1u << vars[l]);
  const auto value = static_cast<uint16_t>(rng() & LowMask(n));
  return {value, mask};
}

// Typed tables: random cubes, repeats and nested cubes included.
Function Cubes(std::mt19937& rng, int n, int count) {
  Function f{n, {}, "cubes n=" + std::to_string(n) + " count=" + std::to_string(count)};
  for (int c = 0; c < count; ++c) {
    if (!f.terms.empty() && rng() % 8 == 0) {
      f.terms.push_back(f.terms[rng() % f.terms.size()]);  // a repeat
      continue;
    }
    f.terms.push_back(Cube(rng, n, 1, n));
  }
  return f;
}

// A function of 4 to 8 variables for round `round` of a randomized test:
// random cubes every `cubesEvery` rounds, else random rows.
Function SmallFunction(std::mt19937& rng, int round, int cubesEvery) {
  const int n = 4 + round % 5;
  return round % cubesEvery ? Rows(rng, n, 0.5) : Cubes(rng, n, 4 * n);
}

// Random cubes and then every row they leave uncovered, shuffled: the table
// covers every assignment and must reduce to nothing.
Function Cover(std::mt19937& rng, int n) {
  Function f{n, {}, "cover n=" + std::to_string(n)};
  const int count = (n >= 8 ? n : 1) + static_cast<int>(rng() % (2 * n + 2));
  // Short cubes from 8 variables on: fewer rows left over keep the plain loop quick.
  const int longest = n >= 8 ? 4 : std::max(1, n - 1);
  for (int c = 0; c < count; ++c) f.terms.push_back(Cube(rng, n, 1, longest));
  for (uint32_t a = 0; a < (1u << n); ++a) {
    const bool covered =
        std::any_of(f.terms.begin(), f.terms.end(), [a](auto t) { return ((a ^ t.first) & t.second) == 0; });
    if (!covered) f.terms.emplace_back(static_cast<uint16_t>(a), LowMask(n));
  }
  std::shuffle(f.terms.begin(), f.terms.end(), rng);
  return f;
}

// A random formula over the first n letters.
std::string Formula(std::mt19937& rng, int n, int depth) {
  if (depth == 0 || rng() % 4 == 0) {
    std::string s(1, static_cast<char>('A' + rng() % n));
    return rng() % 3 == 0 ? "/" + s : s;
  }
  static constexpr char kOps[] = ".+-=>";
  const char op = kOps[rng() % 5];
  std::string s = "(" + Formula(rng, n, depth - 1) + op + Formula(rng, n, depth - 1) + ")";
  return rng() % 5 == 0 ? "/" + s : s;
}

// ---------------------------------------------------------------- running

void Load(Engine& e, const Function& f) {
  e.VariableCount = static_cast<uint8_t>(f.n);
  e.TermCount = static_cast<uint16_t>(f.terms.size());
  for (size_t t = 0; t < f.terms.size(); ++t) {
    e.TermValue[t + 1] = f.terms[t].first;
    e.TermMask[t + 1] = f.terms[t].second;
  }
}

// The plain loop alone, slice after slice, as the reduction runs it.
void PlainReduce(Engine& e, RunHost& host) {
  e.FullMask = LowMask(e.VariableCount);
  e.GoOn = 1;
  uint8_t r = 0;
  do r = ScanSlice(e, host, r);
  while (r != kSliceDone && e.GoOn);
  if (e.GoOn) CompactTable(e);
}

// The fast path alone, slice after slice: with the Scan trace on it shows
// the host each comparison it makes.
void FastReduce(Engine& e, RunHost& host) {
  e.FullMask = LowMask(e.VariableCount);
  e.GoOn = 1;
  uint8_t r = 0;
  do r = FastScanSlice(e, host, r);
  while (r != kSliceDone && e.GoOn);
  if (e.GoOn) CompactTable(e);
}

// A fresh engine with f loaded.
std::unique_ptr<Engine> Loaded(const Function& f) {
  auto e = test::NewEngine();
  Load(*e, f);
  return e;
}

// A fresh engine holding f reduced by the plain loop alone: the reference.
std::unique_ptr<Engine> PlainResult(const Function& f) {
  auto e = Loaded(f);
  NullHost host;
  PlainReduce(*e, host);
  return e;
}

// Slices that end on a time limit of one microsecond, after whatever step
// the clock says (no step budget).
void SliceByTheMicrosecond(Engine& e) {
  e.Fast->sliceMicros = 1;
  e.Fast->stepScale = 1;
  e.SliceBudget = 1u << 30;
}

// Every bit of the table (entries 1..size) and of the reduction's own state.
void ExpectSameState(const Engine& plain, const Engine& fast, const std::string& what, size_t size = kTermCapacity) {
  ASSERT_EQ(plain.TermCount, fast.TermCount) << what;
  const size_t bytes = (size + 1) * sizeof(uint16_t);
  EXPECT_EQ(std::memcmp(plain.TermValue.data(), fast.TermValue.data(), bytes), 0) << what;
  EXPECT_EQ(std::memcmp(plain.TermMask.data(), fast.TermMask.data(), bytes), 0) << what;
  EXPECT_EQ(std::memcmp(plain.TermMark.data(), fast.TermMark.data(), size + 1), 0) << what;
  EXPECT_EQ(plain.VtValue, fast.VtValue) << what;
  EXPECT_EQ(plain.VtMask, fast.VtMask) << what;
  EXPECT_EQ(plain.StackCount, fast.StackCount) << what;
  EXPECT_EQ(plain.StackPos, fast.StackPos) << what;
  EXPECT_EQ(plain.VtHistory, fast.VtHistory) << what;
  EXPECT_EQ(plain.RescanFlag, fast.RescanFlag) << what;
  for (int s = 1; s <= plain.StackCount; ++s) {
    EXPECT_EQ(plain.VirtualStack[s].value, fast.VirtualStack[s].value) << what;
    EXPECT_EQ(plain.VirtualStack[s].mask, fast.VirtualStack[s].mask) << what;
    EXPECT_EQ(plain.VirtualStack[s].source, fast.VirtualStack[s].source) << what;
  }
}

// Two engines that reduce the same functions side by side, one with the
// plain loop and one through ReduceTruthTable (the fast path). They are
// reused from function to function: both see the same loads, so whatever
// an earlier function left behind is the same in both.
struct SideBySide {
  std::unique_ptr<Engine> plain = test::NewEngine();
  std::unique_ptr<Engine> fast = test::NewEngine();
  uint64_t replays = 0;  // fast scans that went straight to a remembered restart
  // Reduce f both ways and compare; true when the table was emptied.
  bool Check(const Function& f) {
    Load(*plain, f);
    Load(*fast, f);
    NullHost host;
    PlainReduce(*plain, host);
    test::Reduce(*fast);
    replays += fast->Fast->stats.replays;
    ExpectSameState(*plain, *fast, f.what, f.terms.size());
    return fast->TermCount == 0;
  }
};

// A function made by a formula, in one output mode, translated in e.
bool FromFormula(Engine& e, std::mt19937& rng, int n, uint8_t cnf, Function& f) {
  e.CnfMode = cnf;
  const std::string text = Formula(rng, n, 5);
  if (test::Translate(e, text) != kOk) return false;
  f = Function{e.VariableCount, {}, (cnf ? "CNF " : "DNF ") + text};
  for (int t = 1; t <= e.TermCount; ++t) f.terms.emplace_back(e.TermValue[t], e.TermMask[t]);
  return true;
}

// ---------------------------------------------------------------- tests

TEST(FastReduce, LeavesTheSameStateAsThePlainLoop) {
  std::mt19937 rng(4242);
  SideBySide both;
  int checked = 0, emptied = 0;
  for (int round = 0; round < 2100; ++round) {
    const int n = 1 + round % 9;
    Function f;
    switch (round / 9 % 5) {
      case 0:  // dense rows are slow for the plain loop: thinner from 8 variables on
        f = Rows(rng, n, n >= 8 ? 0.1 + 0.05 * (round % 3) : 0.15 + 0.7 * (rng() % 100) / 100.0);
        break;
      case 1:
        f = Cubes(rng, n, 1 + static_cast<int>(rng() % (4 * n + 4)));
        break;
      case 2:
        f = Cover(rng, n);
        break;
      default:
        if (!FromFormula(*both.plain, rng, n, static_cast<uint8_t>(round % 2), f)) f = Cubes(rng, n, 2 * n);
        break;
    }
    if (f.terms.empty()) continue;
    emptied += both.Check(f);
    if (::testing::Test::HasFailure()) return;
    ++checked;
  }
  EXPECT_GE(checked, 2000);
  EXPECT_GE(emptied, 100) << "tables covering everything must be among them";
  // Scans restarted by a memo must be among them, or the memos go untested.
  EXPECT_GE(both.replays, 1000u);
  std::printf("scans that went by a restart memo: %llu\n", static_cast<unsigned long long>(both.replays));
}

TEST(FastReduce, LeavesTheSameStateOnTenAndElevenVariables) {
  std::mt19937 rng(1011);
  SideBySide both;
  for (int round = 0; round < 36; ++round) {
    const int n = 10 + round % 2;
    Function f;
    switch (round / 2 % 3) {
      case 0:
        f = Rows(rng, n, 0.03);
        break;
      case 1:
        f = Cubes(rng, n, 20 + static_cast<int>(rng() % 40));
        break;
      default:
        if (!FromFormula(*both.plain, rng, n, static_cast<uint8_t>(round % 2), f)) f = Cubes(rng, n, 30);
        break;
    }
    both.Check(f);
    if (::testing::Test::HasFailure()) return;
  }
}

// Records the comparisons the fast path makes.
struct Watcher : NullHost {
  std::vector<TraceRecord> records;
  void DrawTraceStep(const TraceRecord& r) override { records.push_back(r); }
};

// The fields a record of its kind writes.
bool SameRecord(const TraceRecord& a, const TraceRecord& b) {
  if (a.kind != b.kind || a.code != b.code || a.diff != b.diff || a.noDiff != b.noDiff ||
      a.singleDiff != b.singleDiff || a.firstHole != b.firstHole || a.secondHole != b.secondHole ||
      a.rescan != b.rescan)
    return false;
  if (a.kind == 1) return a.i == b.i && a.j == b.j;
  return a.k == b.k && a.history == b.history;
}

// A comparison that changes something, judged from its record and the
// entry's flag at the time.
bool Acts(const TraceRecord& r, bool flagged) {
  if (r.kind == 1) return r.code == 1 || r.code == 9 || r.code == 5 || r.code == 2 || r.code == 6 ||
                          r.code == 10 || (r.code == 14 && !r.rescan);
  switch (r.code) {
    case 1:
      return !flagged;
    case 9:
    case 5:
    case 2:
    case 6:
    case 10:
      return true;
    case 14:
      return !flagged && (r.diff & r.history) == 0;
    default:
      return false;
  }
}

TEST(FastReduce, MakesPartOfThePlainComparisonsAndEveryOneThatActs) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    const int n = 2 + round % 5;
    const Function f = round % 2 ? Cubes(rng, n, 2 + static_cast<int>(rng() % (3 * n))) : Rows(rng, n, 0.5);
    if (f.terms.empty()) continue;

    // The plain loop with the Scan trace on, noting each entry k's flag.
    auto plain = Loaded(f);
    struct FlagHost : test::RecordingHost {
      std::vector<bool> flags;
      void DrawTraceStep(const TraceRecord& r) override {
        RecordingHost::DrawTraceStep(r);
        flags.push_back(r.kind == 2 && engine->TermMark[r.k] != 0);
      }
    } traced;
    traced.engine = plain.get();
    plain->TraceScan = 1;
    plain->GoOn = 1;
    ReduceTruthTable(*plain, traced);

    auto fast = Loaded(f);
    Watcher watch;
    fast->TraceScan = 1;
    fast->Fast->countComparisons = true;
    FastReduce(*fast, watch);
    ExpectSameState(*plain, *fast, f.what);
    EXPECT_EQ(fast->Fast->stats.comparisons, traced.records.size()) << f.what;
    EXPECT_LE(watch.records.size(), traced.records.size());

    size_t w = 0;
    for (size_t p = 0; p < traced.records.size(); ++p) {
      if (w < watch.records.size() && SameRecord(traced.records[p], watch.records[w])) {
        ++w;
        continue;
      }
      ASSERT_FALSE(Acts(traced.records[p], traced.flags[p]))
          << f.what << ": plain comparison " << p << " (kind " << int(traced.records[p].kind) << ", code "
          << int(traced.records[p].code) << ") acts but the fast path skipped it";
    }
    ASSERT_EQ(w, watch.records.size()) << f.what << ": the fast path made a comparison the plain loop did not";
  }
}

// Run slices by hand, noting where each one ended.
std::vector<std::pair<int, int>> Slices(Engine& e, bool fast, uint32_t budget) {
  NullHost host;
  std::vector<std::pair<int, int>> ends;
  e.FullMask = LowMask(e.VariableCount);
  e.GoOn = 1;
  e.SliceBudget = budget;
  uint8_t r = 0;
  do {
    r = fast ? FastScanSlice(e, host, r) : ScanSlice(e, host, r);
    ends.emplace_back(r, r == kSliceMore ? e.Reduce.i : -1);
  } while (r != kSliceDone);
  CompactTable(e);
  return ends;
}

TEST(FastReduce, CountsTheStepsOfThePlainLoop) {
  // With one step of the plain loop per step of budget and no time limit,
  // the slices end at the same entries. The engines are reused, so the
  // tables of no and of one entry find old entries behind them.
  std::mt19937 rng(5);
  auto plain = test::NewEngine();
  auto fast = test::NewEngine();
  fast->Fast->stepScale = 1;
  fast->Fast->sliceMicros = 0;
  for (int round = 0; round < 60; ++round) {
    const int n = 3 + round % 5;
    Function f = round % 2 ? Rows(rng, n, 0.6) : Cubes(rng, n, 3 * n);
    uint32_t budget = 1 + static_cast<uint32_t>(rng() % 200);
    if (round % 10 == 9) {
      f.terms.resize(round % 20 == 9 ? 0 : 1);
      f.what += " cut to " + std::to_string(f.terms.size());
      budget = 0;
    }
    Load(*plain, f);
    Load(*fast, f);
    const auto plainEnds = Slices(*plain, false, budget);
    const auto fastEnds = Slices(*fast, true, budget);
    EXPECT_EQ(plainEnds, fastEnds) << f.what << " budget " << budget;
    ExpectSameState(*plain, *fast, f.what, std::max<size_t>(f.terms.size(), 1));
  }
}

TEST(FastReduce, SliceEndsDoNotChangeTheResult) {
  std::mt19937 rng(17);
  for (int round = 0; round < 60; ++round) {
    const Function f = SmallFunction(rng, round, 3);
    const auto plain = PlainResult(f);

    auto sliced = Loaded(f);
    if (round % 2) {
      sliced->Fast->stepScale = 1;  // a slice after almost every entry
      sliced->Fast->sliceMicros = 0;
      sliced->SliceBudget = round % 4;
    } else {
      SliceByTheMicrosecond(*sliced);
    }
    test::Reduce(*sliced);
    ExpectSameState(*plain, *sliced, f.what);
  }
}

TEST(FastReduce, PathsMayTakeTurnsBetweenSlices) {
  // Ticking the Scan box during a run switches to the plain loop for the
  // next slices; unticking it switches back.
  struct TurnHost : test::RecordingHost {
    void ProcessPendingEvents() override {
      ++events;
      engine->TraceScan = static_cast<uint8_t>(events % 3 == 0);
    }
  };
  std::mt19937 rng(23);
  for (int round = 0; round < 40; ++round) {
    const int n = 4 + round % 4;
    const Function f = round % 2 ? Rows(rng, n, 0.55) : Cubes(rng, n, 4 * n);
    const auto plain = PlainResult(f);

    auto mixed = Loaded(f);
    mixed->SliceBudget = 20;
    mixed->Fast->stepScale = 1;
    mixed->Fast->sliceMicros = 0;
    TurnHost turns;
    turns.engine = mixed.get();
    mixed->GoOn = 1;
    ReduceTruthTable(*mixed, turns);
    ExpectSameState(*plain, *mixed, f.what);
  }
}

TEST(FastReduce, FifteenVariablesAllRowsButOneAndParity) {
  // The two extremes of the table's size: all but one row reduce to one
  // literal per variable; parity keeps every row.
  auto e = test::NewEngine();
  Function all{15, {}, "all rows but one"}, parity{15, {}, "parity"};
  for (uint32_t r = 0; r + 1 < (1u << 15); ++r) all.terms.emplace_back(static_cast<uint16_t>(r), LowMask(15));
  for (uint32_t r = 0; r < (1u << 15); ++r)
    if (std::popcount(r) % 2) parity.terms.emplace_back(static_cast<uint16_t>(r), LowMask(15));
  Load(*e, all);
  test::Reduce(*e);
  ASSERT_EQ(e->TermCount, 15);
  unsigned seen = 0;
  for (int t = 1; t <= 15; ++t) {
    EXPECT_TRUE(HasSingleBit(e->TermMask[t])) << t;
    seen |= e->TermMask[t];
  }
  EXPECT_EQ(seen, LowMask(15));
  Load(*e, parity);
  test::Reduce(*e);
  ASSERT_EQ(e->TermCount, 1 << 14);
  for (int t = 1; t <= e->TermCount; ++t) ASSERT_EQ(e->TermMask[t], LowMask(15));
}

TEST(FastReduce, ATableFilledToCapacityLosesItsRepeatsUpToTheLastEntry) {
  // Parity's rows twice: 32,768 entries, the last one in a block of its own
  // past the others (the sets of the last lanes are built entry by entry).
  // Every repeat goes, the last entry too.
  auto e = test::NewEngine();
  Function twice{15, {}, "parity rows twice"};
  for (int copy = 0; copy < 2; ++copy)
    for (uint32_t r = 0; r < (1u << 15); ++r)
      if (std::popcount(r) % 2) twice.terms.emplace_back(static_cast<uint16_t>(r), LowMask(15));
  ASSERT_EQ(twice.terms.size(), static_cast<size_t>(kTermCapacity));
  Load(*e, twice);
  test::Reduce(*e);
  ASSERT_EQ(e->TermCount, 1 << 14);
  for (int t = 1; t <= e->TermCount; ++t) {
    ASSERT_EQ(e->TermMask[t], LowMask(15)) << t;
    ASSERT_EQ(std::popcount(static_cast<unsigned>(e->TermValue[t])) % 2, 1) << t;
  }
}

}  // namespace
}  // namespace tervo

namespace tervo {
namespace {

// Where each slice ended: phase, i, j, k; plus the stack, to tell a slice
// that ended between two stacked virtual terms.
struct SliceEnd {
  ReducePhase phase;
  uint16_t i, j, k;
  uint8_t stackPos, stackCount;
  bool operator==(const SliceEnd&) const = default;
};

// Slices ended by a step budget after any step; `budget` < 0 draws a new
// random budget of 0..40 steps for every slice. Both paths draw the same
// numbers from their own generator with the same seed.
std::vector<SliceEnd> StepSlices(Engine& e, bool fast, int budget, uint32_t seed) {
  std::mt19937 rng(seed);
  NullHost host;
  std::vector<SliceEnd> ends;
  e.FullMask = LowMask(e.VariableCount);
  e.GoOn = 1;
  e.Fast->stepScale = 1;
  e.Fast->sliceMicros = 0;
  uint8_t r = 0;
  do {
    e.SliceBudget = budget >= 0 ? static_cast<uint32_t>(budget) : static_cast<uint32_t>(rng() % 41);
    r = fast ? FastScanSlice(e, host, r, SliceCut::kAnyStep) : ScanSlice(e, host, r, SliceCut::kAnyStep);
    EXPECT_TRUE(r == kSliceMore || r == kSliceDone);
    if (r == kSliceMore)
      ends.push_back({e.Reduce.phase, e.Reduce.i, e.Reduce.j, e.Reduce.k, e.StackPos, e.StackCount});
  } while (r == kSliceDone ? false : ends.size() < 2'000'000);
  CompactTable(e);
  return ends;
}

TEST(FastReduce, SlicesEndAfterAnyStepAtTheSameStepAsThePlainLoop) {
  // Budgets of 0 to 3 steps end a slice after nearly every step: inside
  // virtual-term scans, between two stacked terms, at the end of a j loop. The fast
  // path must stop at exactly the plain loop's steps and resume to the same
  // result as one unsliced plain run.
  struct Case {
    int budget;  // -1: random per slice
    int rounds;
  } cases[] = {{0, 12}, {1, 12}, {2, 12}, {3, 12}, {-1, 40}};
  std::mt19937 rng(31);
  int inScan = 0, betweenPops = 0, atEntryEnd = 0;
  for (const Case& c : cases) {
    for (int round = 0; round < c.rounds; ++round) {
      const int n = 3 + round % 5;
      Function f = round % 3 == 0 ? Rows(rng, n, 0.55) : round % 3 == 1 ? Cubes(rng, n, 3 * n) : Cover(rng, n);
      const std::string what = f.what + " budget " + std::to_string(c.budget);
      const auto whole = PlainResult(f);

      auto plain = Loaded(f);
      auto fast = Loaded(f);
      const uint32_t seed = rng();
      const auto plainEnds = StepSlices(*plain, false, c.budget, seed);
      const auto fastEnds = StepSlices(*fast, true, c.budget, seed);
      ASSERT_EQ(plainEnds.size(), fastEnds.size()) << what;
      for (size_t s = 0; s < plainEnds.size(); ++s) ASSERT_TRUE(plainEnds[s] == fastEnds[s]) << what << " slice " << s;
      ExpectSameState(*whole, *plain, what + " (plain, sliced)");
      ExpectSameState(*whole, *fast, what + " (fast, sliced)");
      for (const SliceEnd& s : fastEnds) {
        inScan += s.phase == ReducePhase::kScan && s.k > 0;
        betweenPops += s.phase == ReducePhase::kScanEnd && s.stackPos < s.stackCount;
        atEntryEnd += s.phase == ReducePhase::kEntryEnd;
      }
    }
  }
  EXPECT_GT(inScan, 100);
  EXPECT_GT(betweenPops, 5);
  EXPECT_GT(atEntryEnd, 20);
}

TEST(FastReduce, TimeEndsASliceAnywhereWithTheSameResult) {
  // Slices of one microsecond end after whatever step the clock says, the
  // paths take turns, and the result is still the plain loop's.
  std::mt19937 rng(37);
  for (int round = 0; round < 30; ++round) {
    const Function f = SmallFunction(rng, round, 2);
    const auto whole = PlainResult(f);

    auto e = Loaded(f);
    e->FullMask = LowMask(e->VariableCount);
    e->GoOn = 1;
    SliceByTheMicrosecond(*e);
    NullHost host;
    uint8_t r = 0;
    int slices = 0;
    do r = ++slices % 7 == 0 ? ScanSlice(*e, host, r) : FastScanSlice(*e, host, r);
    while (r == kSliceMore);
    CompactTable(*e);
    ExpectSameState(*whole, *e, f.what);
  }
}

TEST(FastReduce, RestartMemosHoldOnDenseTablesWhereverSlicesEnd) {
  // Dense tables make the scans that restart with the same virtual term
  // again and again, in one group and the next, while other groups delete
  // entries and every pass narrows some: the memos of those restarts must
  // never outlive what they rest on. Unsliced, and in slices of one
  // microsecond that end anywhere, inside a replayed scan too.
  std::mt19937 rng(41);
  for (int round = 0; round < 6; ++round) {
    const Function f = Rows(rng, 8 + round % 2, 0.5);
    const auto whole = PlainResult(f);

    auto e = Loaded(f);
    if (round >= 3) SliceByTheMicrosecond(*e);
    test::Reduce(*e);
    ExpectSameState(*whole, *e, f.what + (round >= 3 ? " in 1 us slices" : ""));
    EXPECT_GT(e->Fast->stats.replays, 100u) << f.what;
    EXPECT_GT(e->Fast->stats.slices, round >= 3 ? 100u : 0u) << f.what;
  }
}

TEST(FastReduce, EscapeBetweenSlicesInsideAGroupLeavesNoFlag) {
  // A slice that ends inside a virtual-term group, then ESC: the flags of
  // the group's parents are cleared.
  struct EscHost : NullHost {
    Engine* engine = nullptr;
    void ProcessPendingEvents() override {
      if (engine->Reduce.phase == ReducePhase::kScan) engine->GoOn = 0;
    }
  } host;
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ABCD\n11  \n0 1 \n 0 1"), kOk);
  e->SliceBudget = 0;
  e->Fast->stepScale = 1;
  host.engine = e.get();
  e->GoOn = 1;
  ReduceTruthTable(*e, host, SliceCut::kAnyStep);
  EXPECT_EQ(e->GoOn, 0);
  for (int t = 1; t <= 3; ++t) EXPECT_EQ(e->TermMark[t], 0) << t;
}

}  // namespace
}  // namespace tervo
