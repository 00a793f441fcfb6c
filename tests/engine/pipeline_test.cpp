// The GO pipeline as a host sees it: which stops it reaches, in what order
// the run states and messages come, and how a stage error or <ESC> ends it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pipeline.h"
#include "test_support.h"

namespace tervo {
namespace {

// Writes down every call of the pipeline as one short word.
struct LogHost : GoHost {
  Engine* engine = nullptr;
  std::vector<std::string> log;
  int endAtStop = -1;  // clear GoOn at this stop (0-based), -1 never
  int stops = 0;

  void ShowProgress(std::string_view) override {}
  void ProcessPendingEvents() override {}
  void DrawTraceStep(const TraceRecord&) override { log.push_back("step"); }
  void WaitAtStop() override {
    if (stops++ == endAtStop) engine->GoOn = 0;
    log.push_back("wait");
  }
  void ClearPanes() override { log.push_back("clear"); }
  void ShowMessage(std::string_view text) override { log.push_back("msg:" + std::string(text)); }
  void RunStateChanged(uint8_t from) override {
    log.push_back("state:" + std::to_string(from) + ">" + std::to_string(engine->RunState));
  }
  void DrawStop(GoStop stop) override { log.push_back("stop:" + std::to_string(int(stop))); }
  void TableFilled() override { log.push_back("filled"); }
  void DrawResult() override { log.push_back("result"); }
};

std::string Joined(const std::vector<std::string>& log) {
  std::string s;
  for (const std::string& w : log) s += (s.empty() ? "" : " | ") + w;
  return s;
}

TEST(RunGo, HostSeesStagesInOrder) {
  const std::string stop0 = "stop:0 | msg:" + std::string(StopText(GoStop::kPostfixTable)) + " | wait";
  const std::string stop1 = "stop:1 | msg:" + std::string(StopText(GoStop::kVariables)) + " | wait";
  const std::string stop2 = "stop:2 | msg:" + std::string(StopText(GoStop::kDirectors)) + " | wait";
  const std::string stop3 = "stop:3 | msg:" + std::string(StopText(GoStop::kInitialTruthTable)) + " | wait";
  const std::string start = "clear | msg:  | state:0>1";
  const struct {
    const char* name;
    bool formula, xlate, reduce;
    const char* input;
    int endAtStop;
    std::string log;  // without the final message when it carries a time
  } cases[] = {
      {"plain formula", true, false, true, "A.B+A./B", -1, start + " | filled | state:1>2 | state:2>0 | result"},
      {"no reduction", true, false, false, "A.B", -1, start + " | filled | state:1>0 | result"},
      {"xlate stops", true, true, false, "A+B", -1,
       start + " | " + stop0 + " | " + stop1 + " | " + stop2 + " | filled | " + stop3 + " | state:1>0 | result"},
      {"<ESC> at Variables", true, true, true, "A+B", 1,
       // The Directors stop still draws; its wait returns at once.
       start + " | " + stop0 + " | " + stop1 + " | " + stop2 + " | filled | state:1>0 | msg:process terminated"},
      {"syntax error", true, true, true, "A+", -1, start + " | state:1>0 | msg:SYNTAX ERROR"},
      {"empty window", true, false, true, "", -1, start + " | state:1>0 | msg:EMPTY WINDOW"},
      {"table input stops once", false, true, true, "AB\n11", -1,
       start + " | filled | " + stop3 + " | state:1>2 | state:2>0 | result"},
      // A header without a term line: 0 everywhere, before any reduction.
      {"empty table", false, false, true, "AB", -1, start + " | state:1>0 | msg:INCONSISTENT"},
      {"empty table, no reduction", false, false, false, "AB", -1, start + " | state:1>0 | msg:INCONSISTENT"},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    if (c.formula)
      test::SetFormulaText(*e, c.input);
    else
      test::SetTableText(*e, c.input);
    e->FormulaMode = c.formula ? 1 : 0;
    e->TraceXlate = c.xlate ? 1 : 0;
    e->ReduceOn = c.reduce ? 1 : 0;
    LogHost host;
    host.engine = e.get();
    host.endAtStop = c.endAtStop;
    const RunOutcome out = RunGo(*e, host);
    std::vector<std::string> log = host.log;
    if (out.verifyRan) {
      ASSERT_FALSE(log.empty());
      EXPECT_EQ(log.back(), "msg:" + out.message) << c.name;
      log.pop_back();
    }
    EXPECT_EQ(Joined(log), c.log) << c.name;
    EXPECT_EQ(e->RunState, 0) << c.name;
    EXPECT_EQ(e->StepWait, 0) << c.name;
  }
}

TEST(RunGo, OutcomeAndMessageAgree) {
  const struct {
    const char* formula;
    bool reduce;
    std::string message;  // "OK: " runs: the start, the time is not fixed
    bool verified;
    uint8_t code;
  } cases[] = {
      {"A.B+A./B", true, "OK: time = ", true, kOk},
      {"A.B", false, "OK: time = 0 secs", true, kOk},
      {"A./A", true, "INCONSISTENT", false, kInconsistent},
      {"A+/A", true, "TAUTOLOGY", false, kTautology},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    test::SetFormulaText(*e, c.formula);
    e->ReduceOn = c.reduce ? 1 : 0;
    NullHost host;
    const RunOutcome out = RunGo(*e, host);
    EXPECT_EQ(out.message.substr(0, c.message.size()), c.message) << c.formula;
    EXPECT_EQ(out.verified, c.verified) << c.formula;
    EXPECT_EQ(out.code, c.code) << c.formula;
    EXPECT_EQ(e->ErrorCode, c.code) << c.formula;
  }
}

TEST(RunGo, ReductionStepsReachTheHost) {
  auto e = test::NewEngine();
  test::SetFormulaText(*e, "A.B+A./B");
  e->TraceScan = 1;
  LogHost host;
  host.engine = e.get();
  const RunOutcome out = RunGo(*e, host);
  EXPECT_TRUE(out.verified);
  EXPECT_NE(Joined(host.log).find("state:1>2 | step"), std::string::npos) << Joined(host.log);
  EXPECT_EQ(test::Rows(*e), std::vector<std::string>{"1x"});
}

TEST(RunGo, TimeLeavesOutThePausesAtTraceStops) {
  // Every stop lasts 100 ms, as if the user looked at it; the reduction
  // itself takes microseconds.
  struct SlowStops : LogHost {
    void WaitAtStop() override {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      LogHost::WaitAtStop();
    }
  } host;
  auto e = test::NewEngine();
  test::SetFormulaText(*e, "A.B+A./B+/A.B");
  e->TraceScan = 1;
  host.engine = e.get();
  const RunOutcome out = RunGo(*e, host);
  ASSERT_GE(host.stops, 3);
  EXPECT_TRUE(out.verified);
  EXPECT_LT(out.seconds, 0.05) << host.stops << " stops";
}

TEST(FormatSeconds, DropsTrailingZerosAndUsesTheSeparator) {
  const struct {
    double seconds;
    int decimals;
    const char* point;
    const char* text;
  } cases[] = {
      {0.0164, 3, ".", "0.016"}, {0.25, 3, ",", "0,25"},  {2.0, 3, ",", "2"},
      {-1.0, 3, ".", "0"},       {1e300 * 1e300, 3, ".", "0"}, {20.0, 0, ".", "20"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSeconds(c.seconds, c.decimals, c.point), c.text) << c.seconds;
}

}  // namespace
}  // namespace tervo
