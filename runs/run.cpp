#include "run.h"

#include <signal.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "logic_unit.h"
#include "report.h"

namespace tervo::batch {

volatile std::sig_atomic_t gInterrupted = 0;

namespace {

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

// How long a reduction runs before its progress is shown.
constexpr std::chrono::milliseconds kProgressDelay{300};

}  // namespace

void InstallInterruptHandler() {
  // A program started with interrupts ignored (in the background of a
  // script) keeps ignoring them.
  struct sigaction old {};
  if (sigaction(SIGINT, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;  // the next interrupt takes the default action
  sigaction(SIGINT, &sa, nullptr);
}

namespace {

// Signals held back for as long as it lives. The tool runs on one thread,
// so the mask of this thread is that of the process.
class HeldSignals {
 public:
  explicit HeldSignals(std::initializer_list<int> signals) {
    sigset_t held;
    sigemptyset(&held);
    for (int s : signals) sigaddset(&held, s);
    sigprocmask(SIG_BLOCK, &held, &old_);
  }
  ~HeldSignals() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t old_;
};

}  // namespace

uint8_t SaveWithSignalsHeld(const Engine& e, const std::filesystem::path& chosen, std::filesystem::path* written,
                            FileCause* cause, FileSink& sink) {
  const HeldSignals held{SIGINT, SIGTERM, SIGHUP};
  return SaveFormulaFile(e, chosen, written, sink, cause);
}

std::string_view TraceAction(const Engine& e, const TraceRecord& r) { return ActionText(e, r); }

std::string TraceLine(const Engine& e, const TraceRecord& r) {
  std::string line = r.kind == kPairCompare ? "TT" : "VT";
  line += " code " + std::to_string(r.code);
  if (r.kind == kPairCompare)
    line += " i " + std::to_string(r.i) + " j " + std::to_string(r.j);
  else
    line += " k " + std::to_string(r.k);
  const std::string_view action = TraceAction(e, r);
  line += ": ";
  line += action;
  if (FormsVirtualTerm(e, r)) {
    // The consensus of the two terms about to be combined.
    uint16_t v1, m1, v2, m2;
    if (r.kind == kPairCompare) {
      v1 = e.TermValue[r.i], m1 = e.TermMask[r.i], v2 = e.TermValue[r.j], m2 = e.TermMask[r.j];
    } else {
      v1 = e.VtValue, m1 = e.VtMask, v2 = e.TermValue[r.k], m2 = e.TermMask[r.k];
    }
    uint16_t value = 0, mask = 0;
    Consensus(e.FullMask, v1, m1, v2, m2, r.diff, value, mask);
    line += ' ';
    line += RowText(e, value, mask);
  }
  return line;
}

void BatchHost::ShowProgress(std::string_view text) {
  if (!progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (started_ == std::chrono::steady_clock::time_point{}) started_ = now;
  if (now - started_ < kProgressDelay) return;
  std::fprintf(stderr, "\r%.*s\033[K", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
  shown_ = true;
}

void BatchHost::ProcessPendingEvents() {
  if (gInterrupted) e_.GoOn = 0;
}

void BatchHost::DrawTraceStep(const TraceRecord& record) {
  if (!trace_) return;
  const std::string line = TraceLine(e_, record);
  errno = 0;
  if (std::fprintf(trace_, "%s\n", line.c_str()) < 0) TraceFailed(errno);
}

void BatchHost::TraceFailed(int err) {
  if (traceError_.empty()) traceError_ = err ? std::strerror(err) : "write error";
}

void BatchHost::WaitAtStop() {
  // No one to press <space>: every stop passes at once unless interrupted.
  if (gInterrupted) e_.GoOn = 0;
  e_.StepWait = 0;
}

void BatchHost::Finish() {
  if (shown_) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
  }
  if (trace_) {
    errno = 0;
    if (std::fflush(trace_) != 0 || std::ferror(trace_)) TraceFailed(errno);
  }
}

int ExitStatus(const RunOutcome& run) {
  if (run.ended) return kExitInterrupted;
  if (run.code != kOk) return kExitMessage;
  return run.verified ? kExitOk : kExitVerify;
}

}  // namespace tervo::batch
