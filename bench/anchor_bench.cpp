// The minimiser library on the anchor PLA files, as a table: for each file
// the rows and literals of the cover Minimise gives, its processor time,
// whether the cover checker (and, given one, an independent SAT checker)
// passes it, beside the figures the anchors' READMEs record. With --table
// the files the engine's 3^n table takes are run there too (the shared
// cover tervo42-batch --pla gives), for the same columns; with --given the
// file's own rows are checked as a cover, for what the checkers cost.
//
//   tervo42-anchor-bench [--seconds=S] [--table] [--given] [--sat-check=PLA_CHECK.py] [--only=NAME] [DIR...]
//
// DIRs default to the wide and multi-output anchors. A run still going
// after S seconds (default 60) is stopped and shows its best cover.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench_table.h"
#include "check.h"
#include "engine.h"
#include "pla.h"
#include "pla_run.h"
#include "pla_wide.h"
#include "tervo/minimiser.h"
#include "tervo/pla.h"

namespace {

using namespace tervo;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// The anchors' READMEs: rows of a shared cover from the widely used
// heuristic minimiser (time), its exact mode, and for the narrow files the
// engine's own earlier figures (each output alone, then --minimal).
const std::map<std::string, std::string> kRecorded = {
    {"cmp8", "766 (0.05 s); exact 766"},
    {"cmp10", "3070 (0.4 s); exact 3070"},
    {"th3of20", "1140 (0.2 s); exact 1140"},
    {"mux4x8", "32 (0.03 s); exact 32"},
    {"prio32", "32 (0.03 s); exact 32"},
    {"ctl24x8", "222 (0.3 s)"},
    {"ctl32x8w20", "476 (3.3 s)"},
    {"ctl40x16", "510 (4.2 s)"},
    {"ctl64x32", "none in 120 s; best known 1297"},
    {"ctl128x8", "305 (0.4 s)"},
    {"bcd7seg", "9; exact 9; alone 15/15"},
    {"mult4", "128; exact 121; alone 145/143"},
    {"mult5", "488; alone 577/542"},
    {"square8", "186; alone 238/226"},
    {"add6", "607 (2.0 s); alone 621/607"},
    {"prio15", "15; alone 25/25"},
    {"rand10x8", "779 (1.0 s); alone 1185/1034"},
    {"rand14x4", "7958 (81 s); alone -/8251"},
};

// The watcher of one run: stops it after its seconds.
class Deadline : public minimiser::Watcher {
 public:
  explicit Deadline(double seconds) : end_(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds))) {}
  bool Stop() override { return std::chrono::steady_clock::now() >= end_; }

 private:
  std::chrono::steady_clock::time_point end_;
};

std::size_t Literals(const minimiser::Pla& cover) {
  std::size_t n = 0;
  for (const std::string& in : cover.in) n += static_cast<std::size_t>(std::count_if(in.begin(), in.end(), [](char c) { return c != '-'; }));
  return n;
}

// "ok", "FAIL", or "-" when the SAT checker is not at hand.
std::string SatCheck(const std::string& script, const std::string& function, const minimiser::Pla& cover) {
  if (script.empty() || std::system("command -v cadical >/dev/null 2>&1") != 0) return "-";
  const std::filesystem::path tmp = std::filesystem::temp_directory_path() / ("tervo_anchor_bench_" + std::to_string(::getpid()) + ".pla");
  std::ofstream(tmp) << minimiser::WritePla(cover);
  const std::string cmd = "python3 '" + script + "' '" + function + "' '" + tmp.string() + "' >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  std::filesystem::remove(tmp);
  return rc == 0 ? "ok" : "FAIL";
}

struct Row {
  std::string road, status, rows, literals, seconds, checked, sat;
};

std::string Fixed(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

const char* StatusName(minimiser::Status s) {
  switch (s) {
    case minimiser::Status::kDone: return "done";
    case minimiser::Status::kStopped: return "stopped";
    case minimiser::Status::kBudgetSpent: return "budget";
    case minimiser::Status::kStalled: return "stalled";
    case minimiser::Status::kRefused: return "refused";
  }
  return "?";
}

Row RunMinimiser(const std::string& path, const minimiser::Pla& p, double seconds, const std::string& sat) {
  Row r;
  r.road = "lists";
  minimiser::Pla cover;
  Deadline watcher(seconds);
  const double t0 = CpuSeconds();
  const minimiser::MinimiseResult res = minimiser::Minimise(p, cover, minimiser::MinimiseSettings{}, &watcher);
  r.seconds = Fixed(CpuSeconds() - t0, 2);
  r.status = StatusName(res.status);
  if (res.status == minimiser::Status::kRefused) {
    r.rows = r.literals = r.checked = r.sat = "-";
    return r;
  }
  r.rows = std::to_string(cover.Rows());
  r.literals = std::to_string(Literals(cover));
  const double c0 = CpuSeconds();
  const minimiser::CheckReport check = minimiser::CheckCover(p, cover);
  r.checked = (check.ok ? "ok " : "FAIL ") + Fixed(CpuSeconds() - c0, 2) + " s";
  r.sat = SatCheck(sat, path, cover);
  return r;
}

// The file's own rows taken as a cover (the anchors are given as correct
// covers): what the checkers cost on a cover of that size.
Row RunGiven(const std::string& path, const minimiser::Pla& p, const std::string& sat) {
  Row r;
  r.road = "given";
  r.status = "-";
  r.seconds = "-";
  minimiser::Pla cover = p;
  cover.type = "f";
  for (std::string& o : cover.out)
    for (char& c : o) c = c == '1' ? '1' : '0';
  r.rows = std::to_string(cover.Rows());
  r.literals = std::to_string(Literals(cover));
  const double c0 = CpuSeconds();
  const minimiser::CheckReport check = minimiser::CheckCover(p, cover);
  r.checked = (check.ok ? "ok " : "FAIL ") + Fixed(CpuSeconds() - c0, 2) + " s";
  r.sat = SatCheck(sat, path, cover);
  return r;
}

Row RunTable(const std::string& path, const minimiser::Pla& p, double seconds, const std::string& sat) {
  Row r;
  r.road = "table";
  batch::PlaFile f;
  std::vector<std::vector<batch::RowState>> states;
  if (batch::NarrowPlaFile(p, f) || batch::AllOutputStates(f, states)) {
    r.status = "refused";
    r.rows = r.literals = r.seconds = r.checked = r.sat = "-";
    return r;
  }
  auto e = std::make_unique<Engine>();
  e->CnfMode = 1;
  e->ReduceOn = 1;
  NullHost host;
  const double t0 = CpuSeconds();
  const batch::PlaRun run = batch::RunSharedPla(*e, host, f, states, false, seconds);
  r.seconds = Fixed(CpuSeconds() - t0, 2);
  r.status = run.cover.minimum ? "minimum" : run.cover.stopped ? "stopped" : "done";
  const minimiser::Pla cover = batch::CoverOfRun(f, run);
  r.rows = std::to_string(cover.Rows());
  r.literals = std::to_string(Literals(cover));
  const double c0 = CpuSeconds();
  const minimiser::CheckReport check = minimiser::CheckCover(p, cover);
  r.checked = (check.ok ? "ok " : "FAIL ") + Fixed(CpuSeconds() - c0, 2) + " s";
  r.sat = SatCheck(sat, path, cover);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 60;
  bool table = false, given = false;
  std::string sat, only;
  const std::vector<char*> rest = bench::TakeFlags(
      argc, argv,
      {{"--seconds=", [&](const char* v) { seconds = std::atof(v); }},
       {"--table", [&](const char*) { table = true; }},
       {"--given", [&](const char*) { given = true; }},
       {"--sat-check=", [&](const char* v) { sat = v; }},
       {"--only=", [&](const char* v) { only = v; }}});
  std::vector<std::string> dirs(rest.begin() + 1, rest.end());
  if (dirs.empty()) dirs = {TERVO_WIDE_ANCHORS, TERVO_MULTI_ANCHORS};

  std::printf("%-11s %5s %4s %6s  %-5s %-8s %6s %8s %8s  %-12s %-4s  %s\n", "file", "in", "out", "given", "road",
              "status", "rows", "literals", "cpu s", "checked", "sat", "recorded (rows)");
  int failures = 0;
  for (const std::string& dir : dirs) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
      if (entry.path().extension() == ".pla") files.push_back(entry.path());
    if (ec) std::fprintf(stderr, "%s: %s\n", dir.c_str(), ec.message().c_str());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      const std::string name = path.stem().string();
      if (!only.empty() && name.find(only) == std::string::npos) continue;
      std::ifstream in(path, std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      minimiser::Pla p;
      if (auto err = minimiser::ReadPla(text.str(), p)) {
        std::printf("%-11s refused: %d:%d: %s\n", name.c_str(), err->line, err->column, err->text.c_str());
        ++failures;
        continue;
      }
      std::vector<Row> rows{RunMinimiser(path.string(), p, seconds, sat)};
      if (given && p.type.find('r') == std::string::npos) rows.push_back(RunGiven(path.string(), p, sat));
      if (table && batch::IsNarrow(p)) rows.push_back(RunTable(path.string(), p, seconds, sat));
      const auto recorded = kRecorded.find(name);
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        failures += r.checked.starts_with("FAIL") || r.sat == "FAIL";
        std::printf("%-11s %5u %4u %6zu  %-5s %-8s %6s %8s %8s  %-12s %-4s  %s\n", i ? "" : name.c_str(), p.inputs,
                    p.outputs, p.Rows(), r.road.c_str(), r.status.c_str(), r.rows.c_str(), r.literals.c_str(),
                    r.seconds.c_str(), r.checked.c_str(), r.sat.c_str(),
                    i == 0 && recorded != kRecorded.end() ? recorded->second.c_str() : "");
        std::fflush(stdout);
      }
    }
  }
  return failures ? 1 : 0;
}
