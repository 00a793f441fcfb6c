// Multi-output covers against an exact minimum found by brute force on small
// functions, with don't-cares, with the time or the host ending the search,
// and with outputs split into groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine.h"
#include "multi_cover.h"
#include "multi_cover_check.h"

namespace tervo {
namespace {

// A function given per output as one character per assignment: '1' must be
// covered, '-' may be, '0' must not.
MultiFunction FromText(unsigned inputs, const std::vector<std::string>& outputs) {
  MultiFunction f;
  f.inputs = inputs;
  for (const std::string& s : outputs) {
    AssignmentSet on{}, dc{};
    for (uint32_t a = 0; a < s.size(); ++a) {
      if (s[a] == '1') on[a >> 6] |= uint64_t{1} << (a & 63);
      if (s[a] == '-') dc[a >> 6] |= uint64_t{1} << (a & 63);
    }
    f.on.push_back(on);
    f.dc.push_back(dc);
  }
  return f;
}

MultiFunction Random(unsigned inputs, unsigned outputs, double pOn, double pDc, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<std::string> text(outputs);
  for (std::string& s : text)
    for (uint32_t a = 0; a < (1u << inputs); ++a) {
      const double x = u(rng);
      s += x < pOn ? '1' : x < pOn + pDc ? '-' : '0';
    }
  return FromText(inputs, text);
}

// The fewest terms of any cover, found without the module: every cube with
// the outputs it may serve, those no larger cube serves as well, and a
// complete search over them (branching on the first row left uncovered).
struct Exact {
  struct Column {
    uint16_t value, mask;
    std::vector<uint32_t> rows;
  };
  std::vector<Column> cols;
  std::vector<std::vector<uint32_t>> colsOfRow;
  std::vector<uint32_t> cnt;
  uint32_t best = 0;

  explicit Exact(const MultiFunction& f) {
    const unsigned n = f.inputs, outs = f.Outputs();
    const uint16_t full = static_cast<uint16_t>((1u << n) - 1);
    auto serves = [&](uint16_t value, uint16_t mask) {
      uint64_t s = (uint64_t{1} << outs) - 1;
      for (uint32_t a = 0; a <= full; ++a)
        if (((a ^ value) & mask) == 0)
          for (unsigned k = 0; k < outs; ++k)
            if (!InSet(f.on[k], a) && !InSet(f.dc[k], a)) s &= ~(uint64_t{1} << k);
      return s;
    };
    std::vector<std::pair<uint16_t, uint16_t>> cubes;
    for (uint32_t mask = 0; mask <= full; ++mask)
      for (uint32_t value = 0; value <= full; ++value)
        if ((value & ~mask) == 0) cubes.emplace_back(value, mask);
    uint32_t rows = 0;
    std::vector<std::vector<int>> rowOf(outs, std::vector<int>(full + 1u, -1));
    for (unsigned k = 0; k < outs; ++k)
      for (uint32_t a = 0; a <= full; ++a)
        if (InSet(f.on[k], a)) rowOf[k][a] = static_cast<int>(rows++);
    colsOfRow.resize(rows);
    for (auto [v, m] : cubes) {
      const uint64_t s = serves(v, m);
      if (s == 0) continue;
      bool prime = true;
      for (auto [v2, m2] : cubes)
        if (m2 != m && (m2 & m) == m2 && ((v ^ v2) & m2) == 0 && serves(v2, m2) == s) prime = false;
      if (!prime) continue;
      Column c{v, m, {}};
      for (uint32_t a = 0; a <= full; ++a)
        if (((a ^ v) & m) == 0)
          for (unsigned k = 0; k < outs; ++k)
            if ((s >> k & 1) && rowOf[k][a] >= 0) c.rows.push_back(static_cast<uint32_t>(rowOf[k][a]));
      if (c.rows.empty()) continue;
      for (uint32_t r : c.rows) colsOfRow[r].push_back(static_cast<uint32_t>(cols.size()));
      cols.push_back(std::move(c));
    }
    cnt.assign(rows, 0);
    best = rows + 1;
    Search(0);
  }

  void Search(uint32_t used) {
    if (used >= best) return;
    const auto r = static_cast<uint32_t>(std::find(cnt.begin(), cnt.end(), 0u) - cnt.begin());
    if (r == cnt.size()) {
      best = used;
      return;
    }
    if (used + 1 >= best) return;
    for (uint32_t c : colsOfRow[r]) {
      for (uint32_t q : cols[c].rows) ++cnt[q];
      Search(used + 1);
      for (uint32_t q : cols[c].rows) --cnt[q];
    }
  }
};

// Stops the search at its `at`-th look at the host, as Ctrl+C would.
class StoppingHost : public RunHost {
 public:
  StoppingHost(Engine& e, int at) : e_(e), at_(at) {}
  void ShowProgress(std::string_view) override {}
  void ProcessPendingEvents() override {
    if (++calls_ >= at_) e_.GoOn = 0;
  }
  void DrawTraceStep(const TraceRecord&) override {}
  void WaitAtStop() override {}
  int calls_ = 0;

 private:
  Engine& e_;
  int at_;
};

TEST(MultiCover, SmallFunctionsReachTheExactMinimumAndClaimOnlyWhatHolds) {
  std::mt19937 rng(2126);
  auto e = std::make_unique<Engine>();
  MultiCoverSearch search;
  NullHost host;
  int cases = 0;
  for (unsigned n = 1; n <= 4; ++n)
    for (unsigned outs = 1; outs <= 3; ++outs)
      for (double pDc : {0.0, 0.2})
        for (int i = 0; i < 12; ++i, ++cases) {
          const MultiFunction f = Random(n, outs, 0.45, pDc, rng);
          SCOPED_TRACE("n " + std::to_string(n) + " outputs " + std::to_string(outs) + " case " + std::to_string(i));
          const uint32_t minimum = Exact(f).best;
          for (double seconds : {10.0, 0.0}) {
            e->GoOn = 1;
            MultiCover c;
            const MultiCoverInfo info = search.Run(*e, host, f, seconds, c);
            ASSERT_TRUE(CheckMultiCover(f, c));
            EXPECT_EQ(info.terms, c.Terms());
            EXPECT_LE(info.lowerBound, minimum);
            EXPECT_GE(c.Terms(), minimum);
            if (info.minimum) {
              EXPECT_EQ(c.Terms(), minimum);
            }
            if (seconds > 0) {
              EXPECT_EQ(c.Terms(), minimum);
              EXPECT_TRUE(info.minimum);
            }
          }
        }
  EXPECT_EQ(cases, 288);
}

TEST(MultiCover, DontCaresMayBeUsedAndAreNeverRequired) {
  struct Case {
    const char* name;
    unsigned inputs;
    std::vector<std::string> outputs;
    uint32_t terms;
  };
  // Seven segments a..g of a BCD digit; codes 10..15 are don't-cares.
  const std::vector<std::string> segments = {
      "1011011111------", "1111100111------", "1101111111------", "1011011011------",
      "1010001010------", "1000111011------", "0011111011------",
  };
  const Case cases[] = {
      {"BCD to seven segments", 4, segments, 9},
      {"only don't-cares: no term", 3, {"--------", "0-0-0-0-"}, 0},
      {"the don't-cares make it a constant", 2, {"1-11"}, 1},
      {"one output's don't-care is another's OFF row", 2, {"1-01", "1001"}, 2},
  };
  auto e = std::make_unique<Engine>();
  MultiCoverSearch search;
  NullHost host;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MultiFunction f = FromText(c.inputs, c.outputs);
    MultiCover cover;
    e->GoOn = 1;
    const MultiCoverInfo info = search.Run(*e, host, f, 10, cover);
    EXPECT_TRUE(CheckMultiCover(f, cover));
    EXPECT_EQ(cover.Terms(), c.terms);
    EXPECT_TRUE(info.minimum);
    EXPECT_EQ(cover.Terms(), Exact(f).best);
    // The same cover with every don't-care it holds made an OFF row fails
    // the check exactly when it uses one.
    MultiFunction strict = f;
    bool uses = false;
    for (unsigned k = 0; k < f.Outputs(); ++k)
      for (std::size_t t = 0; t < cover.Terms(); ++t)
        for (uint32_t a = 0; a < (1u << c.inputs); ++a)
          if (cover.Serves(t, k) && ((a ^ cover.value[t]) & cover.mask[t]) == 0 && InSet(f.dc[k], a)) uses = true;
    for (AssignmentSet& d : strict.dc) d.fill(0);
    EXPECT_EQ(CheckMultiCover(strict, cover), !uses);
  }
}

TEST(MultiCover, TheCheckFindsAMissingRowAndAForbiddenOne) {
  const MultiFunction f = FromText(2, {"0111", "0001"});
  MultiCover c;
  c.outWords = 1;
  auto add = [&](uint16_t value, uint16_t mask, uint64_t outs) {
    c.value.push_back(value);
    c.mask.push_back(mask);
    c.outs.push_back(outs);
  };
  add(1, 1, 1);  // A for output 1
  add(2, 2, 1);  // B for output 1
  add(3, 3, 2);  // A.B for output 2
  EXPECT_TRUE(CheckMultiCover(f, c));
  c.outs[2] = 1;  // output 2 loses its row
  EXPECT_FALSE(CheckMultiCover(f, c));
  c.outs[2] = 2;
  c.outs[0] = 3;  // A now serves output 2, which is 0 on A./B
  EXPECT_FALSE(CheckMultiCover(f, c));
}

TEST(MultiCover, StoppedByTheHostKeepsAValidCover) {
  std::mt19937 rng(77);
  const MultiFunction f = Random(12, 3, 0.5, 0.05, rng);
  auto e = std::make_unique<Engine>();
  MultiCoverSearch search;
  for (int at : {1, 3, 10, 40}) {
    SCOPED_TRACE("stopped at look " + std::to_string(at));
    StoppingHost host(*e, at);
    e->GoOn = 1;
    MultiCover c;
    const MultiCoverInfo info = search.Run(*e, host, f, 30, c);
    EXPECT_TRUE(info.stopped);
    EXPECT_FALSE(info.minimum);
    EXPECT_TRUE(CheckMultiCover(f, c));
    EXPECT_EQ(info.terms, c.Terms());
    EXPECT_LE(info.lowerBound, info.terms);
  }
}

TEST(MultiCover, ManyOutputsAreSearchedInGroups) {
  // 70 outputs of 4 inputs: more than one word of outputs per term, and
  // more outputs than a group holds.
  std::mt19937 rng(70);
  const MultiFunction f = Random(4, 70, 0.4, 0.1, rng);
  auto e = std::make_unique<Engine>();
  e->GoOn = 1;
  MultiCoverSearch search;
  NullHost host;
  MultiCover c;
  const MultiCoverInfo info = search.Run(*e, host, f, 10, c);
  EXPECT_EQ(c.outWords, 2u);
  EXPECT_EQ(info.groups, 2u);
  // A proof per group says nothing of the whole; a group's bound that the
  // whole meets does.
  EXPECT_EQ(info.minimum, info.lowerBound == info.terms);
  EXPECT_LE(info.lowerBound, info.terms);
  EXPECT_TRUE(CheckMultiCover(f, c));
  // No cube is written twice: the groups' equal cubes are merged.
  std::vector<uint32_t> keys;
  for (std::size_t t = 0; t < c.Terms(); ++t) keys.push_back(uint32_t{c.mask[t]} << 16 | c.value[t]);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
}

// Without a time limit the shared cover depends on the function alone: a
// host whose events take long (a loaded machine) gets the same cover, bound
// and end; with a budget of work too small to finish, it says so.
TEST(MultiCover, TheSameCoverWhateverTheClock) {
  struct SlowHost : NullHost {
    int calls = 0;
    void ProcessPendingEvents() override {
      ++calls;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  std::mt19937 rng(91);
  const MultiFunction f = Random(9, 3, 0.45, 0.05, rng);
  for (uint64_t budget : {uint64_t{0}, uint64_t{300'000}}) {
    SCOPED_TRACE("budget " + std::to_string(budget));
    std::vector<MultiCover> covers;
    std::vector<MultiCoverInfo> infos;
    for (bool slow : {false, true}) {
      auto e = std::make_unique<Engine>();
      e->GoOn = 1;
      MultiCoverSearch search;
      search.SetEffort(budget);
      NullHost quick;
      SlowHost slowHost;
      covers.emplace_back();
      infos.push_back(search.Run(*e, slow ? static_cast<RunHost&>(slowHost) : quick, f, kNoTimeLimit, covers.back()));
      EXPECT_TRUE(CheckMultiCover(f, covers.back()));
    }
    EXPECT_EQ(covers[0].value, covers[1].value);
    EXPECT_EQ(covers[0].mask, covers[1].mask);
    EXPECT_EQ(covers[0].outs, covers[1].outs);
    EXPECT_EQ(infos[0].lowerBound, infos[1].lowerBound);
    EXPECT_EQ(infos[0].end, infos[1].end);
    EXPECT_EQ(infos[0].ticks, infos[1].ticks);
    if (budget != 0 && !infos[0].minimum) {
      EXPECT_EQ(infos[0].end, CoverEnd::kBudgetSpent);
    }
  }
}

}  // namespace
}  // namespace tervo
