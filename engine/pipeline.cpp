#include "pipeline.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

// A GoHost that hands the reduction's calls to a plain RunHost and shows
// nothing else.
using ReductionOnlyHost = ForwardingHost<GoHost>;

// Draw a translation stop, say so in the message line and wait there.
void Stop(GoHost& host, GoStop stop) {
  host.DrawStop(stop);
  host.ShowMessage(StopText(stop));
  host.WaitAtStop();
}

// The stages of a formula run up to the filled TruthTable; false when one
// of them set ErrorCode.
bool TranslateFormula(Engine& e, GoHost& host) {
  CollectFormula(e);
  if (e.ErrorCode != kOk) return false;
  ScanFormula(e);
  if (e.ErrorCode != kOk) return false;
  BuildVariableTable(e);
  if (e.TraceXlate) {
    Stop(host, GoStop::kPostfixTable);
    Stop(host, GoStop::kVariables);
  }
  // After "TOO MANY VARIABLES" this writes only the EndDirector; the error
  // still ends the run below.
  if (e.GoOn) GenerateDirectors(e);
  if (e.ErrorCode != kOk) return false;
  if (e.TraceXlate) Stop(host, GoStop::kDirectors);
  if (e.GoOn) EvaluateTruthTable(e);
  return e.ErrorCode == kOk;
}

bool ReadInput(Engine& e, const GoStages& stages) {
  if (!e.GoOn) return true;
  if (stages.readTable) {
    stages.readTable(e);
  } else {
    ReadTable(e);
    // A header without a single term line lists no row where the function
    // is 1: it is 0 everywhere, as a formula run says of such a function.
    if (e.ErrorCode == kOk && e.TermCount == 0) e.ErrorCode = kInconsistent;
  }
  return e.ErrorCode == kOk;
}

// Hands the reduction's calls on to the host and adds up the counter ticks
// spent at the Scan trace's stops (drawing the step and waiting for the
// user), which the reported time leaves out.
class StopClock : public ForwardingHost<> {
 public:
  using ForwardingHost::ForwardingHost;
  void DrawTraceStep(const TraceRecord& record) override {
    const int64_t start = Now();
    inner_.DrawTraceStep(record);
    stopped += Now() - start;
  }
  void WaitAtStop() override {
    const int64_t start = Now();
    inner_.WaitAtStop();
    stopped += Now() - start;
  }

  int64_t stopped = 0;  // ticks spent at stops

 private:
  static int64_t Now() {
    int64_t t = 0;
    ReadCycleCounter(t);
    return t;
  }
};

// The message of ErrorCode, as the run's end.
RunOutcome& EndWithError(Engine& e, GoHost& host, RunOutcome& out) {
  out.code = e.ErrorCode;
  out.message = std::string(MessageTable[e.ErrorCode]);
  host.ShowMessage(out.message);
  return out;
}

// Draw, check and report the result of a run that was not ended.
void Report(Engine& e, GoHost& host, const GoStages& stages, RunOutcome& out) {
  out.drawn = true;
  host.DrawResult();
  if (e.TermCount == 0) {
    e.ErrorCode = kTautology;
    EndWithError(e, host, out);
    return;
  }
  out.verifyRan = true;
  out.verified = stages.verify ? stages.verify(e) : VerifyResult(e);
  out.message = ResultMessage(out.verified, "time = " + FormatSeconds(out.seconds, 3, host.DecimalPoint()) + " secs" +
                                                (out.minimal ? CoverOutcomeText(out.cover) : ""));
  host.ShowMessage(out.message);
}

}  // namespace

std::string ResultMessage(bool verified, std::string_view rest) {
  return std::string(verified ? "OK: " : "TT Verify ERROR: ") + std::string(rest);
}

std::string_view StopText(GoStop stop) {
  switch (stop) {
    case GoStop::kPostfixTable:
      return "stop: PostfixTable <space> to step  <ESC> to continue";
    case GoStop::kVariables:
      return "stop: Variables <space> to step  <ESC> to continue";
    case GoStop::kDirectors:
      return "stop: Directors <space> to step  <ESC> to continue";
    case GoStop::kInitialTruthTable:
      return "stop: initial Truth Table <space> to step  <ESC> to continue";
  }
  return {};
}

void SetRunState(Engine& e, GoHost& host, RunStateValue s) {
  const uint8_t from = e.RunState;
  e.RunState = s;
  host.RunStateChanged(from);
}

RunOutcome RunGo(Engine& e, GoHost& host, const GoStages& stages) {
  RunOutcome out;
  e.GoOn = 1;
  e.StepWait = 0;
  host.ClearPanes();
  e.ErrorCode = kOk;
  host.ShowMessage(MessageTable[kOk]);
  SetRunState(e, host, kRunTranslating);

  const bool filled = e.FormulaMode ? TranslateFormula(e, host) : ReadInput(e, stages);
  if (!filled) {
    SetRunState(e, host, kRunIdle);
    return EndWithError(e, host, out);
  }
  host.TableFilled();
  // An ended run has no new truth table to show.
  if (e.TraceXlate && e.GoOn) Stop(host, GoStop::kInitialTruthTable);

  if (e.ReduceOn && e.GoOn) {
    SetRunState(e, host, kRunReducing);
    StopClock clock(host);
    int64_t startStamp = 0, endStamp = 0;
    ReadCycleCounter(startStamp);
    out.minimal = ReduceOrCover(e, clock, stages.cover, stages.minimalSeconds, out.cover);
    ReadCycleCounter(endStamp);
    // The reduction's own time: the user's pauses at trace stops are not part of it.
    out.seconds = TicksToMicroseconds(endStamp - startStamp - clock.stopped) * 0.000001;
  }
  SetRunState(e, host, kRunIdle);

  // ESC during the cover search keeps the best cover found so far.
  const bool keptCover = out.minimal && out.cover.stopped;
  if (keptCover) e.StepWait = 0;
  if (e.GoOn || keptCover) {
    Report(e, host, stages, out);
  } else {
    out.ended = true;
    out.message = std::string(kEndedMessage);
    host.ShowMessage(out.message);
    e.StepWait = 0;
  }
  return out;
}

RunOutcome RunGo(Engine& e, RunHost& host, const GoStages& stages) {
  ReductionOnlyHost go(host);
  return RunGo(e, go, stages);
}

std::string FormatSeconds(double seconds, int decimals, std::string_view point) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, seconds);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  const std::size_t dot = s.find('.');
  if (dot != std::string::npos) s.replace(dot, 1, point);
  return s;
}

// ---------------------------------------------------------------- timing

namespace {
using Clock = std::chrono::steady_clock;

// One tick of the clock lasts num/den seconds.
double ClockRate() {
  return static_cast<double>(Clock::period::den) / (static_cast<double>(Clock::period::num) * 1e6);
}
}  // namespace

double TicksPerMicrosecond = ClockRate();

void ReadCycleCounter(int64_t& ticks) { ticks = Clock::now().time_since_epoch().count(); }

void CalibrateCounter() { TicksPerMicrosecond = ClockRate(); }

double TicksToMicroseconds(int64_t ticks) { return static_cast<double>(ticks) / TicksPerMicrosecond; }

}  // namespace tervo
