// The tool's run with a minimal cover search in the reduction's place: the
// message line, the JSON fields, and an interrupt that keeps the best cover.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine.h"
#include "inputs.h"
#include "minimal_cover.h"
#include "pipeline.h"
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
  }
}

}  // namespace
}  // namespace tervo::batch
