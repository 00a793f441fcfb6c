// Minimal covers beside the system's reduction, on the functions of
// functions.h: "cover/<name>" runs the cover search, "reduce/<name>" the
// reduction (its fast path, as a run without the Scan trace). One iteration
// each. Besides Google Benchmark's flags:
//   --seconds=S          time limit of the cover search (default none: its
//                        budget of work and stall rule end it)
//   --effort=T           its budget of work in ticks (default: the library's)
//   --reduce-deadline=S  end a reduction that runs longer (default 60); its
//                        counter "finished" then shows 0
//   --seed=N             seed of the cover search's local search
//   --no-stall           let the cover search run to its limit (no stall stop)
// Counters: rows_in, terms and literals out; for the cover also minimum (1
// when proved), lower_bound, end (how it ended: 0 finished, 1 stalled, 2
// budget spent, 3 time limit, 4 stopped), ticks (the work it spent, in
// millions), primes, essentials, core_rows, core_cols and
// exact (1 when the cover covers exactly the function's rows); slice_ms,
// the longest time between two chances to process window events.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine.h"
#include "bench_table.h"
#include "functions.h"
#include "logic_unit.h"
#include "minimal_cover.h"
#include "xlate_unit.h"

namespace tervo::bench {
namespace {

using Clock = std::chrono::steady_clock;

double g_coverSeconds = kNoTimeLimit;
uint64_t g_effort = 0;
double g_reduceDeadline = 60;
uint32_t g_seed = 0;
bool g_seedGiven = false;
bool g_stallStop = true;

struct TimingHost : NullHost {
  Engine* engine = nullptr;
  Clock::time_point deadline = Clock::time_point::max(), last;
  double longest = 0;
  void ProcessPendingEvents() override {
    const auto now = Clock::now();
    longest = std::max(longest, std::chrono::duration<double>(now - last).count());
    last = now;
    if (now > deadline) engine->GoOn = 0;
  }
};

// Loads f into e and starts timing a run of it with host; returns the start.
Clock::time_point StartRun(Engine& e, const Function& f, TimingHost& host) {
  Load(e, f);
  host.engine = &e;
  e.GoOn = 1;
  host.last = Clock::now();
  return host.last;
}

// True when the table covers exactly the function's rows.
bool Exact(const Engine& e, const Function& f) {
  std::vector<uint8_t> want(size_t{1} << f.n, 0);
  for (uint16_t r : f.rows) want[r] = 1;
  for (uint32_t a = 0; a < want.size(); ++a)
    if (IsCovered(e, static_cast<uint16_t>(a)) != (want[a] != 0)) return false;
  return true;
}

void BM_Cover(benchmark::State& state, const Function* f) {
  auto e = std::make_unique<Engine>();
  CoverSearch search;
  if (g_seedGiven) search.SetSeed(g_seed);
  search.SetStallStop(g_stallStop);
  search.SetEffort(g_effort);
  CoverInfo info;
  double longest = 0;
  for (auto _ : state) {
    TimingHost host;
    const auto start = StartRun(*e, *f, host);
    info = search.Run(*e, host, g_coverSeconds);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    longest = host.longest;
  }
  double terms = 0, literals = 0;
  CountTerms(*e, terms, literals);
  state.counters["rows_in"] = static_cast<double>(f->rows.size());
  state.counters["terms"] = terms;
  state.counters["literals"] = literals;
  state.counters["minimum"] = info.minimum;
  state.counters["lower_bound"] = info.lowerBound;
  state.counters["end"] = static_cast<double>(info.end);
  state.counters["ticks"] = static_cast<double>(info.ticks) / 1e6;
  state.counters["primes"] = info.primes;
  state.counters["essentials"] = info.essentials;
  state.counters["core_rows"] = info.coreRows;
  state.counters["core_cols"] = info.coreColumns;
  state.counters["exact"] = Exact(*e, *f);
  state.counters["slice_ms"] = longest * 1000;
}

void BM_Reduce(benchmark::State& state, const Function* f) {
  auto e = std::make_unique<Engine>();
  bool finished = false;
  double longest = 0;
  for (auto _ : state) {
    TimingHost host;
    const auto start = StartRun(*e, *f, host);
    host.deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(g_reduceDeadline));
    ReduceTruthTable(*e, host);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    finished = e->GoOn != 0;
    longest = host.longest;
  }
  double terms = 0, literals = 0;
  CountTerms(*e, terms, literals);
  state.counters["rows_in"] = static_cast<double>(f->rows.size());
  state.counters["terms"] = terms;
  state.counters["literals"] = literals;
  state.counters["finished"] = finished;
  state.counters["slice_ms"] = longest * 1000;
}

}  // namespace
}  // namespace tervo::bench

int main(int argc, char** argv) {
  using namespace tervo::bench;
  std::vector<char*> args = TakeFlags(argc, argv, {
      {"--seconds=", [](const char* v) { g_coverSeconds = std::atof(v); }},
      {"--reduce-deadline=", [](const char* v) { g_reduceDeadline = std::atof(v); }},
      {"--no-stall", [](const char*) { g_stallStop = false; }},
      {"--effort=", [](const char* v) { g_effort = std::strtoull(v, nullptr, 10); }},
      {"--seed=",
       [](const char* v) {
         g_seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
         g_seedGiven = true;
       }},
  });
  int count = static_cast<int>(args.size());
  // The benchmark functions and a second random function of 12 and of 15
  // variables (other seeds), since one random function says little.
  static const std::vector<Function> functions = [] {
    std::vector<Function> all = AllFunctions();
    for (auto [n, seed] : {std::pair{12, 1212u}, std::pair{15, 1515u}}) {
      Function f = RandomFunction(n, 0.5, seed);
      f.name += "_b";
      all.push_back(f);
    }
    return all;
  }();
  for (const Function& f : functions) {
    for (bool cover : {true, false}) {
      auto* b = cover ? benchmark::RegisterBenchmark(("cover/" + f.name).c_str(), BM_Cover, &f)
                      : benchmark::RegisterBenchmark(("reduce/" + f.name).c_str(), BM_Reduce, &f);
      b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    }
  }
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
