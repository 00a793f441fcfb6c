// The tool's run with a minimal cover search in the reduction's place: the
// message line, the JSON fields, and an interrupt that keeps the best cover.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine.h"
#include "inputs.h"
#include "minimal_cover.h"
#include "pipeline.h"
#include "pla.h"
#include "pla_run.h"
#include "report.h"
#include "run.h"

namespace tervo::batch {
namespace {

struct Case {
  std::string formula;
  bool dnf;
  bool cover;            // with the cover search
  unsigned terms;        // rows of the result
  std::string suffix;    // what follows " secs" in the message
};

TEST(BatchMinimal, RunsInTheReductionsPlace) {
  const Case cases[] = {
      {"A./B+B./C+C./D+D./E+E./F+F./A", false, true, 6, ", minimum"},
      {"A./B+B./C+C./D+D./E+E./F+F./A", false, false, 7, ""},  // the reduction
      {"A./B+B./C+C./D+D./E+E./F+F./A", true, true, 2, ", minimum"},
      {"A.B+/A.C+B.C", false, true, 2, ", minimum"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula + (c.dnf ? " DNF" : " CNF") + (c.cover ? " cover" : " reduce"));
    auto e = std::make_unique<Engine>();
    ASSERT_FALSE(PlaceFormula(*e, c.formula));
    e->FormulaMode = 1;
    e->CnfMode = c.dnf ? 0 : 1;
    CoverSearch search;
    NullHost host;
    const RunOutcome run = RunGo(*e, host, GoStages{{}, {}, c.cover ? &search : nullptr, 5});
    EXPECT_EQ(run.minimal, c.cover);
    EXPECT_EQ(e->TermCount, c.terms);
    EXPECT_TRUE(run.verified);
    EXPECT_EQ(run.message.rfind("OK: time = ", 0), 0u) << run.message;
    const auto secs = run.message.find(" secs");
    ASSERT_NE(secs, std::string::npos);
    EXPECT_EQ(run.message.substr(secs + 5), c.suffix);
    const std::string json = JsonReport(*e, run, "formula");
    EXPECT_EQ(json.find("\"minimum\": true,") != std::string::npos, c.cover) << json;
    EXPECT_EQ(json.find("\"lower_bound\": " + std::to_string(c.terms) + ",") != std::string::npos, c.cover) << json;
    EXPECT_EQ(json.find("\"search_end\": \"proved\",") != std::string::npos, c.cover) << json;
  }
}

// Ends the run (as Ctrl+C does) at the host's k-th chance.
struct StopHost : NullHost {
  Engine* e = nullptr;
  int calls = 0, stopAt = 1;
  void ProcessPendingEvents() override {
    if (++calls == stopAt) e->GoOn = 0;
  }
};

TEST(BatchMinimal, InterruptKeepsTheBestCover) {
  for (int stopAt : {1, 3, 10}) {
    SCOPED_TRACE("stopped at call " + std::to_string(stopAt));
    auto e = std::make_unique<Engine>();
    ASSERT_FALSE(PlaceFormula(*e, "(A.B./C+D.E)-(F./G.H+I.J)-(K.L+/M.N.O)+(A-D-G-J).(B+E+H+/K)"));
    e->FormulaMode = 1;
    CoverSearch search;
    StopHost host;
    host.e = e.get();
    host.stopAt = stopAt;
    const RunOutcome run = RunGo(*e, host, GoStages{{}, {}, &search, 30});
    EXPECT_FALSE(run.ended);
    EXPECT_TRUE(run.verifyRan && run.verified);
    if (host.calls < stopAt) continue;  // a fast machine finished first
    EXPECT_TRUE(run.cover.stopped);
    EXPECT_TRUE(run.verifyRan && run.verified);
    EXPECT_NE(run.message.find(", stopped: best cover so far"), std::string::npos) << run.message;
    EXPECT_EQ(ExitStatus(run), kExitOk);
    EXPECT_NE(JsonReport(*e, run, "formula").find("\"minimum\": false,"), std::string::npos);
    EXPECT_NE(JsonReport(*e, run, "formula").find("\"search_end\": \"stopped\","), std::string::npos);
  }
}

// With a time limit of 0 the search keeps its first cover and says why.
TEST(BatchMinimal, ATimeLimitEndsTheSearchAndSaysSo) {
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "(A.B./C+D.E)-(F./G.H+I.J)-(K.L+/M.N.O)+(A-D-G-J).(B+E+H+/K)"));
  e->FormulaMode = 1;
  CoverSearch search;
  NullHost host;
  const RunOutcome run = RunGo(*e, host, GoStages{{}, {}, &search, 0});
  EXPECT_TRUE(run.verifyRan && run.verified);
  ASSERT_FALSE(run.cover.minimum);
  EXPECT_NE(run.message.find(", time limit reached"), std::string::npos) << run.message;
  EXPECT_NE(JsonReport(*e, run, "formula").find("\"search_end\": \"time limit\","), std::string::npos);
}

// A PLA file of random outputs: each row of each output 1 with probability
// 0.45, a don't-care with 0.1.
std::string RandomPla(unsigned inputs, unsigned outputs, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::string s = ".i " + std::to_string(inputs) + "\n.o " + std::to_string(outputs) + "\n.type fd\n";
  for (uint32_t a = 0; a < (1u << inputs); ++a) {
    std::string outs;
    for (unsigned k = 0; k < outputs; ++k) {
      const double x = u(rng);
      outs += x < 0.45 ? '1' : x < 0.55 ? '-' : '0';
    }
    for (unsigned c = 0; c < inputs; ++c) s += (a >> c & 1) ? '1' : '0';
    s += " " + outs + "\n";
  }
  return s;
}

TEST(BatchShared, InterruptKeepsAValidSharedCover) {
  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(RandomPla(11, 4, 11), f));
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  int stops = 0;
  for (int stopAt : {1, 3, 10}) {
    SCOPED_TRACE("stopped at call " + std::to_string(stopAt));
    auto e = std::make_unique<Engine>();
    StopHost host;
    host.e = e.get();
    host.stopAt = stopAt;
    const PlaRun run = RunSharedPla(*e, host, f, states, false, 30);
    EXPECT_FALSE(run.interrupted);
    ASSERT_EQ(run.outputs.size(), 4u);
    for (const OutputResult& r : run.outputs) EXPECT_TRUE(r.run.verified);
    EXPECT_EQ(PlaExitStatus(run), kExitOk);
    if (host.calls < stopAt) continue;  // a fast machine finished first
    ++stops;
    EXPECT_TRUE(run.cover.stopped);
    EXPECT_FALSE(run.cover.minimum);
    EXPECT_NE(PlaMessage(run).find(", stopped: best cover so far"), std::string::npos) << PlaMessage(run);
    EXPECT_NE(WritePlaResults(f, run).find("# one cover shared by all outputs"), std::string::npos);
  }
  EXPECT_GT(stops, 0);
}

TEST(BatchShared, OneOutputAsGoodAsTheMinimalCoverAndSharingNeverWorse) {
  // The carry of a 3-bit adder with carry in (15 terms, all essential) as
  // one output; then beside its own complement and a copy of itself.
  std::string carry = ".i 7\n.o 3\n.type f\n";
  for (uint32_t r = 0; r < 128; ++r) {
    const bool c = (r & 7) + (r >> 3 & 7) + (r >> 6) >= 8;
    for (unsigned i = 0; i < 7; ++i) carry += (r >> i & 1) ? '1' : '0';
    carry += c ? " 101\n" : " 010\n";
  }
  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(carry, f));
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  auto e = std::make_unique<Engine>();
  NullHost host;
  const PlaRun shared = RunSharedPla(*e, host, f, states, false, 10);
  CoverSearch search;
  const PlaRun each = RunPla(*e, host, f, states, false, &search, 10);
  ASSERT_EQ(shared.outputs.size(), 3u);
  EXPECT_EQ(shared.outputs[0].value.size(), each.outputs[0].value.size());
  EXPECT_EQ(shared.outputs[0].value.size(), 15u);
  // The copy shares every row of the first output.
  EXPECT_EQ(shared.outputs[2].value, shared.outputs[0].value);
  EXPECT_EQ(shared.rows, 15u + each.outputs[1].value.size());
  EXPECT_TRUE(shared.cover.minimum);
  EXPECT_EQ(PlaExitStatus(shared), kExitOk);
}

}  // namespace
}  // namespace tervo::batch
