// PLA files as tervo42-batch runs them, in one program: the cover shared by
// all outputs (the default, "shared/<name>") beside each output on its own
// with the reduction ("per_output/<name>", --per-output) and with the
// minimal cover search ("per_output_minimal/<name>", --per-output
// --minimal), on the multi-output anchors of a folder and on the
// single-output functions of functions.h. One iteration each. Besides
// Google Benchmark's flags:
//   --anchors=DIR        the folder of .pla files (default ../shared/bench-multi
//                        beside the source tree)
//   --seconds=S          time limit of the shared cover and of --minimal
//                        (default none: the budget of work and the stall rule)
//   --reduce-deadline=S  end a per-output reduction that runs longer (default
//                        60); its counter "finished" then shows 0
// Counters: rows (distinct cubes, as the PLA output writes them), literals
// (of those rows), verified (1 when every output covers each of its ON rows
// and none of its OFF rows), minimum (1 when proved), lower_bound, finished.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench_table.h"
#include "engine.h"
#include "functions.h"
#include "minimal_cover.h"
#include "pla.h"
#include "pla_run.h"

namespace tervo::bench {
namespace {

using Clock = std::chrono::steady_clock;
using batch::PlaFile;
using batch::PlaRun;
using batch::RowState;

double g_seconds = kMinimalSeconds;
double g_reduceDeadline = 60;

struct Input {
  std::string name;
  std::string text;  // the PLA file
};

// Ends a run at its deadline, as Ctrl+C would.
struct DeadlineHost : NullHost {
  Engine* engine = nullptr;
  Clock::time_point deadline = Clock::time_point::max();
  void ProcessPendingEvents() override {
    if (Clock::now() > deadline) engine->GoOn = 0;
  }
};

enum Mode { kShared, kPerOutput, kPerOutputMinimal };

void BM_Pla(benchmark::State& state, const Input* in, Mode mode) {
  minimiser::Pla read;
  PlaFile file;
  if (minimiser::ReadPla(in->text, read) || batch::NarrowPlaFile(read, file)) {
    state.SkipWithError("not read");
    return;
  }
  std::vector<std::vector<RowState>> states;
  if (batch::AllOutputStates(file, states)) {
    state.SkipWithError("refused");
    return;
  }
  const bool pos = !(file.sets & batch::kListsOn);
  auto e = std::make_unique<Engine>();
  e->ReduceOn = 1;
  PlaRun run;
  for (auto _ : state) {
    DeadlineHost host;
    host.engine = e.get();
    e->GoOn = 1;
    const auto start = Clock::now();
    if (mode == kShared) {
      run = batch::RunSharedPla(*e, host, file, states, pos, g_seconds);
    } else if (mode == kPerOutputMinimal) {
      CoverSearch search;
      run = batch::RunPla(*e, host, file, states, pos, &search, g_seconds);
    } else {
      host.deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(g_reduceDeadline));
      run = batch::RunPla(*e, host, file, states, pos);
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::set<uint32_t> rows;
  bool verified = !run.interrupted, minimum = true;
  uint32_t bound = 0;
  for (const batch::OutputResult& r : run.outputs) {
    for (std::size_t t = 0; t < r.value.size(); ++t) rows.insert(uint32_t{r.mask[t]} << 16 | (r.value[t] & r.mask[t]));
    verified = verified && r.run.verified;
    minimum = minimum && (r.constant >= 0 || (r.run.minimal && r.run.cover.minimum));
    bound = std::max<uint32_t>(bound, r.run.cover.lowerBound);
  }
  double literals = 0;
  for (uint32_t key : rows) literals += std::popcount(key >> 16);
  state.counters["rows"] = static_cast<double>(rows.size());
  state.counters["literals"] = literals;
  state.counters["verified"] = verified;
  state.counters["finished"] = !run.interrupted && run.outputs.size() == file.outputs;
  if (mode == kShared) {
    state.counters["minimum"] = run.cover.minimum;
    state.counters["lower_bound"] = run.cover.lowerBound;
    state.counters["end"] = static_cast<double>(run.cover.end);
    state.counters["ticks"] = static_cast<double>(run.cover.ticks) / 1e6;
  } else if (mode == kPerOutputMinimal) {
    // Per output, the largest bound is a bound for the rows of the whole.
    state.counters["minimum"] = minimum && file.outputs == 1;
    state.counters["lower_bound"] = bound;
  }
}

// A function of functions.h as a single-output PLA file of its ON rows.
Input AsPla(const Function& f) {
  std::string s = ".i " + std::to_string(f.n) + "\n.o 1\n.type f\n";
  for (uint16_t row : f.rows) {
    for (int c = 0; c < f.n; ++c) s += (row >> c & 1) ? '1' : '0';
    s += " 1\n";
  }
  return {f.name, s + ".e\n"};
}

}  // namespace
}  // namespace tervo::bench

int main(int argc, char** argv) {
  using namespace tervo::bench;
  std::string anchors = TERVO_ANCHORS;
  std::vector<char*> args = TakeFlags(argc, argv, {
      {"--anchors=", [&](const char* v) { anchors = v; }},
      {"--seconds=", [](const char* v) { g_seconds = std::atof(v); }},
      {"--reduce-deadline=", [](const char* v) { g_reduceDeadline = std::atof(v); }},
  });
  static std::vector<Input> inputs;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(anchors, ec))
    if (entry.path().extension() == ".pla") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& p : files) {
    std::ifstream in(p);
    std::stringstream text;
    text << in.rdbuf();
    inputs.push_back({p.stem().string(), text.str()});
  }
  const std::size_t anchorCount = inputs.size();
  for (const Function& f : AllFunctions()) inputs.push_back(AsPla(f));
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const Input* in = &inputs[i];
    // The reduction of each output is measured on the functions by
    // tervo42-bench (bench/README.md); here only on the anchors.
    for (Mode mode : {kShared, kPerOutput, kPerOutputMinimal}) {
      if (mode == kPerOutput && i >= anchorCount) continue;
      const char* prefix = mode == kShared ? "shared/" : mode == kPerOutput ? "per_output/" : "per_output_minimal/";
      benchmark::RegisterBenchmark((prefix + in->name).c_str(), BM_Pla, in, mode)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
