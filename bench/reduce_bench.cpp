// Reduction speed on the functions of functions.h: "fast/<name>" reduces
// with the fast path (as a run does without the Scan trace), "plain/<name>"
// with the plain loop, slice after slice (not on the three functions it
// would spend hours on). Besides Google Benchmark's flags:
//   --deadline=SECONDS  end a reduction that runs longer (default 600); the
//                       counter "finished" then shows 0 and "terms" the
//                       entries left so far.
//   --max-passes=N      end a fast reduction once it has started N passes
//                       (a fixed amount of work, to compare builds)
// Counters: rows_in, terms and literals out; slice_ms, the longest time
// between two chances to process window events, and slice_cpu_ms, the same
// in processor time of the reducing thread (what the reduction itself
// spent, without the waits of a loaded machine); for the fast path also passes,
// groups, scans (of them: restarts, scans begun again because the virtual
// term changed, and pops, scans with a stacked term), the comparisons it
// made ("compares") and those the plain
// loop makes ("comparisons", counted in an extra untimed run); for the plain
// loop "same" is 1 when its table is identical in every bit to the fast one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"
#include "fast_reduce.h"
#include "bench_table.h"
#include "functions.h"
#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo::bench {
namespace {

using Clock = std::chrono::steady_clock;

double g_deadlineSeconds = 600;
uint64_t g_maxPasses = 0;  // --max-passes: end a fast run once it has started this many passes (0: no limit)

// Ends the run (as ESC would) once the deadline has passed, and notes the
// longest time between two chances to process window events.
// The processor time this thread has used, in seconds.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct DeadlineHost : NullHost {
  Engine* engine = nullptr;
  Clock::time_point deadline, last;
  double longest = 0;      // seconds
  double lastCpu = 0;      // thread seconds at the last event check
  double longestCpu = 0;   // the longest gap in processor time of this thread
  void ProcessPendingEvents() override {
    const auto now = Clock::now();
    const double cpu = ThreadSeconds();
    longest = std::max(longest, std::chrono::duration<double>(now - last).count());
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    last = now;
    lastCpu = cpu;
    if (now > deadline) engine->GoOn = 0;
    if (g_maxPasses != 0 && engine->Fast && engine->Fast->stats.passes >= g_maxPasses) engine->GoOn = 0;
  }
};

struct Outcome {
  bool finished = false;
  double seconds = 0;
  double longestSlice = 0;     // seconds between two event checks, at most
  double longestSliceCpu = 0;  // the same in processor time of the reducing thread
};

Outcome Reduce(Engine& e, const Function& f, bool fast) {
  Load(e, f);
  DeadlineHost host;
  host.engine = &e;
  if (e.Fast) e.Fast->stats = FastStats{};  // --max-passes must not see the last run's passes
  e.GoOn = 1;
  e.TraceScan = 0;
  const auto start = Clock::now();
  host.last = start;
  host.lastCpu = ThreadSeconds();
  host.deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(g_deadlineSeconds));
  if (fast) {
    ReduceTruthTable(e, host);
  } else {
    e.FullMask = LowMask(e.VariableCount);
    uint8_t r = 0;
    do {
      r = ScanSlice(e, host, r);
      host.ProcessPendingEvents();
    } while (r != kSliceDone && e.GoOn);
    if (e.GoOn) CompactTable(e);
  }
  return {e.GoOn != 0, std::chrono::duration<double>(Clock::now() - start).count(), host.longest, host.longestCpu};
}

uint64_t Fingerprint(const Engine& e) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t x) { h = (h ^ x) * 1099511628211ull; };
  mix(e.TermCount);
  for (int t = 1; t <= e.TermCount; ++t) mix(uint64_t{e.TermValue[t]} << 16 | e.TermMask[t]);
  return h;
}

std::map<std::string, uint64_t> g_fastResults;  // name -> fingerprint of a finished fast run

void BM_Reduce(benchmark::State& state, const Function* f, bool fast) {
  auto e = std::make_unique<Engine>();
  Outcome last;
  for (auto _ : state) {
    last = Reduce(*e, *f, fast);
    state.SetIterationTime(last.seconds);
  }
  double terms = 0, literals = 0;
  CountTerms(*e, terms, literals);
  state.counters["rows_in"] = static_cast<double>(f->rows.size());
  state.counters["terms"] = terms;
  state.counters["literals"] = literals;
  state.counters["finished"] = last.finished;
  state.counters["slice_ms"] = last.longestSlice * 1000;
  state.counters["slice_cpu_ms"] = last.longestSliceCpu * 1000;
  if (fast) {
    const FastStats s = e->Fast->stats;
    state.counters["passes"] = static_cast<double>(s.passes);
    state.counters["groups"] = static_cast<double>(s.groups);
    state.counters["scans"] = static_cast<double>(s.scans);
    state.counters["compares"] = static_cast<double>(s.compares);
    state.counters["restarts"] = static_cast<double>(s.restarts);
    state.counters["pops"] = static_cast<double>(s.pops);
    state.counters["replays"] = static_cast<double>(s.replays);

    if (last.finished) {
      g_fastResults[f->name] = Fingerprint(*e);
      if (last.seconds < 60) {  // count the plain loop's comparisons in one more run
        e->Fast->countComparisons = true;
        Reduce(*e, *f, true);
        e->Fast->countComparisons = false;
        state.counters["comparisons"] = static_cast<double>(e->Fast->stats.comparisons);
      }
    }
  } else if (last.finished) {
    const auto it = g_fastResults.find(f->name);
    if (it != g_fastResults.end()) state.counters["same"] = it->second == Fingerprint(*e);
  }
}

}  // namespace
}  // namespace tervo::bench

int main(int argc, char** argv) {
  using namespace tervo::bench;
  std::vector<char*> args = TakeFlags(argc, argv, {
      {"--max-passes=", [](const char* v) { g_maxPasses = std::strtoull(v, nullptr, 10); }},
      {"--deadline=", [](const char* v) { g_deadlineSeconds = std::atof(v); }},
  });
  int count = static_cast<int>(args.size());
  static const std::vector<Function> functions = AllFunctions();
  for (bool fast : {true, false}) {
    for (const Function& f : functions) {
      // The plain loop would take hours on these.
      if (!fast && (f.name == "random15_p50" || f.name == "random15_p90" || f.name == "majority15" ||
                    f.name == "typed_formula15"))
        continue;
      auto* b = benchmark::RegisterBenchmark(((fast ? "fast/" : "plain/") + f.name).c_str(), BM_Reduce, &f, fast);
      b->UseManualTime()->Unit(benchmark::kMillisecond);
      if (!fast) b->Iterations(1);
    }
  }
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
