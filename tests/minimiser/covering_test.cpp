// The covering search through tervo/covering.h: minima against brute force
// on small matrices, refusals, the same answer whatever the Watcher's clock
// does, and a valid cover however early a budget or a stop ends it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tervo/covering.h"
#include "tervo/watcher.h"

namespace tervo::minimiser {
namespace {

// A problem from each column's rows.
CoverProblem FromColumns(uint32_t rows, const std::vector<std::vector<uint32_t>>& cols,
                         std::vector<uint32_t> cost = {}) {
  CoverProblem p;
  p.rows = rows;
  for (const auto& c : cols) {
    p.colRows.insert(p.colRows.end(), c.begin(), c.end());
    p.colStart.push_back(static_cast<uint32_t>(p.colRows.size()));
  }
  p.colCost = std::move(cost);
  return p;
}

// Every row has a column; each column covers each row with probability p.
CoverProblem Random(uint32_t rows, uint32_t cols, double p, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<std::vector<uint32_t>> c(cols);
  std::vector<uint32_t> cost(cols);
  for (uint32_t j = 0; j < cols; ++j) {
    for (uint32_t r = 0; r < rows; ++r)
      if (u(rng) < p) c[j].push_back(r);
    cost[j] = rng() % 5;
  }
  for (uint32_t r = 0; r < rows; ++r) c[rng() % cols].push_back(r);
  for (auto& col : c) {
    std::sort(col.begin(), col.end());
    col.erase(std::unique(col.begin(), col.end()), col.end());
  }
  return FromColumns(rows, c, cost);
}

bool Covers(const CoverProblem& p, const std::vector<uint32_t>& columns) {
  std::vector<uint8_t> hit(p.rows, 0);
  for (uint32_t j : columns) {
    if (j >= p.Columns()) return false;
    for (uint32_t k = p.colStart[j]; k < p.colStart[j + 1]; ++k) hit[p.colRows[k]] = 1;
  }
  return std::find(hit.begin(), hit.end(), 0) == hit.end();
}

// The fewest columns of a cover, trying every subset (at most 16 columns).
uint32_t BruteMinimum(const CoverProblem& p) {
  const uint32_t n = p.Columns();
  std::vector<uint32_t> mask(n, 0);
  for (uint32_t j = 0; j < n; ++j)
    for (uint32_t k = p.colStart[j]; k < p.colStart[j + 1]; ++k) mask[j] |= 1u << p.colRows[k];
  const uint32_t all = p.rows == 32 ? ~0u : (1u << p.rows) - 1;
  uint32_t best = n;
  for (uint32_t s = 0; s < (1u << n); ++s) {
    const auto size = static_cast<uint32_t>(std::popcount(s));
    if (size >= best) continue;
    uint32_t got = 0;
    for (uint32_t j = 0; j < n; ++j)
      if (s >> j & 1) got |= mask[j];
    if (got == all) best = size;
  }
  return best;
}

// ---------------------------------------------------------------- minima

TEST(Covering, KnownProblemsReachTheirMinimum) {
  struct Case {
    std::string name;
    CoverProblem p;
    uint32_t columns;  // the minimum
    uint64_t cost;     // of the cover found (lowest among minima)
  };
  const std::vector<Case> cases = {
      {"nothing to cover", FromColumns(0, {}), 0, 0},
      {"one column", FromColumns(3, {{0, 1, 2}}), 1, 0},
      {"essentials only", FromColumns(4, {{0, 1}, {2}, {3}, {1}}, {1, 1, 1, 1}), 3, 3},
      // a cycle of 6 rows, each column two neighbours: no essential, no dominance
      {"cycle of 6", FromColumns(6, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 0}}), 3, 0},
      {"the cheaper of two equal columns", FromColumns(2, {{0, 1}, {0, 1}}, {5, 2}), 1, 2},
      {"dominated column goes", FromColumns(3, {{0}, {0, 1, 2}, {1}}), 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CoverSolution s = SolveCover(c.p, {});
    EXPECT_EQ(s.status, Status::kDone);
    EXPECT_TRUE(s.minimum);
    EXPECT_EQ(s.columns.size(), c.columns);
    EXPECT_EQ(s.lowerBound, c.columns);
    EXPECT_TRUE(Covers(c.p, s.columns));
    uint64_t cost = 0;
    for (uint32_t j : s.columns) cost += c.p.colCost.empty() ? 0 : c.p.colCost[j];
    EXPECT_EQ(cost, c.cost);
  }
}

TEST(Covering, RandomSmallProblemsAgainstBruteForce) {
  std::mt19937 rng(42);
  for (int i = 0; i < 300; ++i) {
    const CoverProblem p = Random(4 + rng() % 14, 3 + rng() % 14, 0.1 + 0.05 * (i % 6), rng);
    SCOPED_TRACE("case " + std::to_string(i));
    const uint32_t minimum = BruteMinimum(p);
    const CoverSolution s = SolveCover(p, {});
    EXPECT_TRUE(Covers(p, s.columns));
    EXPECT_TRUE(s.minimum);
    EXPECT_EQ(s.columns.size(), minimum);
    EXPECT_EQ(s.lowerBound, minimum);
    EXPECT_EQ(s.status, Status::kDone);
  }
}

TEST(Covering, MalformedProblemsAreRefused) {
  CoverProblem uncovered = FromColumns(3, {{0}, {1}});  // row 2 has no column
  CoverProblem outside = FromColumns(2, {{0, 1, 2}});   // row 2 does not exist
  CoverProblem costs = FromColumns(2, {{0, 1}}, {1, 2});  // a cost too many
  CoverProblem offsets = FromColumns(2, {{0, 1}});
  offsets.colStart.back() = 1;  // the entries do not end where the offsets say
  for (const CoverProblem* p : {&uncovered, &outside, &costs, &offsets}) {
    const CoverSolution s = SolveCover(*p, {});
    EXPECT_EQ(s.status, Status::kRefused);
    EXPECT_TRUE(s.columns.empty());
  }
}

// ---------------------------------------------------------------- effort, not time

// Counts its polls and reports; `delay` makes each poll take that long, as
// a slow or loaded machine would; stops at poll `stopAt` (0: never).
struct CountingWatcher : Watcher {
  uint64_t polls = 0, reports = 0, stopAt = 0;
  std::chrono::microseconds delay{0};
  uint64_t lastTicks = 0;
  bool ticksRise = true;
  bool Stop() override {
    ++polls;
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
    return stopAt != 0 && polls >= stopAt;
  }
  void Report(const Progress& p) override {
    ++reports;
    ticksRise = ticksRise && p.ticks >= lastTicks;
    lastTicks = p.ticks;
  }
};

// Problems the search cannot prove at once: a large core, where the local
// search and the stall rule decide; a small one, where branch and bound does.
std::vector<CoverProblem> HardProblems() {
  std::mt19937 rng(7);
  return {Random(600, 400, 0.02, rng), Random(60, 50, 0.08, rng)};
}

TEST(Covering, TheSameAnswerWhateverTheClock) {
  for (const CoverProblem& p : HardProblems()) {
    for (uint64_t effort : {uint64_t{10'000'000}, uint64_t{2'000'000}}) {
      SCOPED_TRACE("rows " + std::to_string(p.rows) + " effort " + std::to_string(effort));
      CoverSettings settings;
      settings.effort = effort;
      const CoverSolution alone = SolveCover(p, settings);
      CountingWatcher quick, slow;
      slow.delay = std::chrono::microseconds(20);
      const CoverSolution watched = SolveCover(p, settings, &quick);
      const CoverSolution slowed = SolveCover(p, settings, &slow);
      for (const CoverSolution* s : {&watched, &slowed}) {
        EXPECT_EQ(s->columns, alone.columns);
        EXPECT_EQ(s->lowerBound, alone.lowerBound);
        EXPECT_EQ(s->minimum, alone.minimum);
        EXPECT_EQ(s->status, alone.status);
        EXPECT_EQ(s->ticks, alone.ticks);
      }
      EXPECT_TRUE(Covers(p, alone.columns));
      EXPECT_EQ(quick.polls, slow.polls);
      EXPECT_GE(quick.polls, alone.ticks / 4096 / 2) << "polled about every 4096 ticks";
      EXPECT_TRUE(quick.ticksRise);
      EXPECT_GT(quick.reports, 0u);
    }
  }
}

// Budgets from one tick up end every phase in turn (reductions, bounds,
// local search, branch and bound): each gives a cover, claims only what
// holds, and never spends much past its budget.
TEST(Covering, TinyBudgetsAndStopsStillGiveACover) {
  for (const CoverProblem& p : HardProblems()) {
    const CoverSolution full = SolveCover(p, {});
    for (uint64_t effort = 1; effort <= 40'000'000; effort *= 7) {
      SCOPED_TRACE("rows " + std::to_string(p.rows) + " effort " + std::to_string(effort));
      CoverSettings settings;
      settings.effort = effort;
      settings.stallStop = false;
      const CoverSolution s = SolveCover(p, settings);
      EXPECT_TRUE(Covers(p, s.columns));
      EXPECT_LE(s.lowerBound, full.columns.size());
      EXPECT_LE(full.lowerBound, s.columns.size());
      EXPECT_LE(s.lowerBound, s.columns.size());
      if (s.minimum) {
        EXPECT_EQ(s.status, Status::kDone);
        EXPECT_LE(s.columns.size(), full.columns.size());
      } else {
        // kStalled: the local search's own limit of steps without a gain
        EXPECT_TRUE(s.status == Status::kBudgetSpent || s.status == Status::kStalled || s.status == Status::kDone)
            << int(s.status);
      }
      if (s.status == Status::kBudgetSpent) {
        EXPECT_GE(s.ticks, effort);
      }
    }
    for (uint64_t stopAt : {1, 2, 5, 20, 100}) {
      SCOPED_TRACE("stopped at poll " + std::to_string(stopAt));
      CountingWatcher w;
      w.stopAt = stopAt;
      const CoverSolution s = SolveCover(p, {}, &w);
      EXPECT_TRUE(Covers(p, s.columns));
      EXPECT_LE(s.lowerBound, full.columns.size());
      if (w.polls >= stopAt) {
        EXPECT_EQ(s.status, Status::kStopped);
        EXPECT_EQ(w.polls, stopAt) << "never polled again once stopped";
      }
    }
  }
}

// Without a budget only the stall rule (or a stop) ends a search that
// cannot prove its cover; without the stall rule too, the budget does.
TEST(Covering, HowTheSearchEnds) {
  const CoverProblem p = HardProblems().front();
  struct Case {
    uint64_t effort;
    bool stallStop;
    Status status;
  };
  const std::vector<Case> cases = {
      {kUnlimitedEffort, true, Status::kStalled},
      {5'000'000, false, Status::kBudgetSpent},
  };
  for (const Case& c : cases) {
    CoverSettings settings;
    settings.effort = c.effort;
    settings.stallStop = c.stallStop;
    const CoverSolution s = SolveCover(p, settings);
    EXPECT_EQ(s.status, c.status);
    EXPECT_FALSE(s.minimum);
    EXPECT_TRUE(Covers(p, s.columns));
  }
}

}  // namespace
}  // namespace tervo::minimiser
