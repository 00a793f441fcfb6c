#include "pla_wide.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "minimal_cover.h"
#include "pla.h"
#include "report.h"
#include "run.h"

namespace tervo::batch {

namespace {

// The table path is always taken up to this many cells (3^10): it is
// quick there whatever the rows.
constexpr double kSmallTable = 59049;
// Beyond, it is taken while the table has at most this many cells per row.
constexpr double kCellsPerRow = 2000;

std::string TermsText(std::size_t n) { return std::to_string(n) + (n == 1 ? " term" : " terms"); }

// How the minimiser's run ended, in the words the narrow searches use. A
// stop the tool asked for is Ctrl+C when it saw one, else the time limit.
CoverEnd WideEnd(const WideRun& run) {
  switch (run.result.status) {
    case minimiser::Status::kStalled:
      return CoverEnd::kStalled;
    case minimiser::Status::kBudgetSpent:
      return CoverEnd::kBudgetSpent;
    case minimiser::Status::kStopped:
      return run.interrupted ? CoverEnd::kStopped : CoverEnd::kTimeLimit;
    default:
      return CoverEnd::kFinished;
  }
}

}  // namespace

bool ChooseTablePath(const minimiser::Pla& p) {
  if (!IsNarrow(p)) return false;
  const double cells = std::pow(3.0, p.inputs);
  return cells <= kSmallTable || cells <= kCellsPerRow * static_cast<double>(p.Rows());
}

minimiser::Pla TargetFunction(const minimiser::Pla& p, bool pos) {
  if (!pos) return p;
  minimiser::Pla t = p;
  // ON and OFF change places, and so do the letters of the type that
  // list them.
  const std::string_view types[][2] = {{"f", "r"}, {"r", "f"}, {"fd", "dr"}, {"dr", "fd"}, {"fr", "fr"}, {"fdr", "fdr"}};
  for (const auto& [from, to] : types)
    if (p.type == from) t.type = std::string(to);
  for (std::string& o : t.out)
    for (char& c : o) c = c == '1' ? '0' : c == '0' ? '1' : c;
  return t;
}

ToolWatcher::ToolWatcher(RunHost& host, double seconds)
    : host_(host), seconds_(seconds), start_(seconds >= 0 ? std::chrono::steady_clock::now()
                                                          : std::chrono::steady_clock::time_point{}) {}

bool ToolWatcher::Stop() {
  if (gInterrupted) {
    interrupted_ = true;
    return true;
  }
  return seconds_ >= 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count() >= seconds_;
}

void ToolWatcher::Report(const minimiser::Progress& p) {
  const auto now = std::chrono::steady_clock::now();
  if (now - shown_ < std::chrono::milliseconds(500)) return;
  shown_ = now;
  std::string text = std::string(p.phase) + ": " + TermsText(p.cubes);
  if (p.bound) text += ", at least " + std::to_string(p.bound);
  host_.ShowProgress(text);
}

WideRun RunWidePla(RunHost& host, const minimiser::Pla& file, bool pos, double seconds) {
  WideRun run;
  run.pos = pos;
  const minimiser::Pla target = TargetFunction(file, pos);
  minimiser::MinimiseSettings settings;
  // A time limit given is the end; without one the search ends by itself.
  settings.stallStop = seconds < 0;
  ToolWatcher watcher(host, seconds);
  const auto start = std::chrono::steady_clock::now();
  run.result = minimiser::Minimise(target, run.cover, settings, &watcher);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.interrupted = watcher.Interrupted();
  if (!run.Refused()) run.check = minimiser::CheckCover(target, run.cover);
  return run;
}

int WideExitStatus(const WideRun& run) {
  if (run.Refused()) return kExitMessage;
  if (!run.check.ok) return kExitVerify;
  return run.interrupted ? kExitInterrupted : kExitOk;
}

std::string WideMessage(const WideRun& run) {
  if (run.Refused()) return "the minimiser refused the file: " + run.result.message;
  if (!run.check.ok) return "the cover found fails its check: " + run.check.text;
  std::string s = ResultMessage(true, "time = " + FormatSeconds(run.seconds) + " secs, " + TermsText(run.cover.Rows()));
  const uint32_t bound = static_cast<uint32_t>(std::min<uint64_t>(run.result.lowerBound, UINT32_MAX));
  return s + CoverOutcomeText(run.result.minimum, bound, WideEnd(run));
}

std::string WriteWideResults(const minimiser::Pla& file, const WideRun& run) {
  minimiser::Pla out = run.cover;
  out.inputNames = file.inputNames;
  out.outputNames = file.outputNames;
  out.type = run.pos ? "r" : "f";
  if (run.pos)
    for (std::string& o : out.out)
      for (char& c : o) c = c == '1' ? '0' : '~';
  std::string head = run.pos ? "# one cover shared by all outputs: rows where they are 0"
                             : "# one cover shared by all outputs: rows where they are 1";
  head += ", " + TermsText(run.cover.Rows());
  if (!run.result.method.empty()) head += " (" + run.result.method + ")";
  return head + "\n" + minimiser::WritePla(out);
}

std::string WideTextReport(const minimiser::Pla& file, const WideRun& run) {
  std::string s;
  if (!file.inputNames.empty()) {
    s += "inputs:";
    for (const std::string& n : file.inputNames) s += " " + n;
    s += "\n";
  }
  if (!file.outputNames.empty()) {
    s += "outputs:";
    for (const std::string& n : file.outputNames) s += " " + n;
    s += "\n";
  }
  s += run.pos ? "terms (rows where the outputs they serve are 0):\n" : "terms (rows where the outputs they serve are 1):\n";
  for (std::size_t t = 0; t < run.cover.Rows(); ++t) s += run.cover.in[t] + " " + run.cover.out[t] + "\n";
  return s + WideMessage(run) + "\n";
}

nlohmann::ordered_json WideJsonResult(const minimiser::Pla& file, const WideRun& run) {
  nlohmann::ordered_json j;
  j["input"] = "pla";
  j["inputs"] = file.inputs;
  if (file.inputNames.empty())
    j["names"] = nullptr;
  else
    j["names"] = file.inputNames;
  j["mode"] = run.pos ? "DNF" : "CNF";
  j["form"] = run.pos ? "product of sums" : "sum of products";
  j["cover"] = "shared";
  j["method"] = run.result.method;
  const bool shown = !run.Refused() && run.check.ok;
  j["rows"] = shown ? run.cover.Rows() : 0;
  j["minimum"] = run.result.minimum;
  j["lower_bound"] = run.result.lowerBound;
  j["search_end"] = CoverEndName(run.result.minimum, WideEnd(run));
  auto& terms = j["terms"] = nlohmann::ordered_json::array();
  if (shown)
    for (std::size_t t = 0; t < run.cover.Rows(); ++t) terms.push_back({{"inputs", run.cover.in[t]}, {"outputs", run.cover.out[t]}});
  auto& outputs = j["outputs"] = nlohmann::ordered_json::array();
  for (unsigned k = 0; k < file.outputs; ++k) {
    nlohmann::ordered_json o;
    o["output"] = k + 1;
    if (file.outputNames.empty())
      o["name"] = nullptr;
    else
      o["name"] = file.outputNames[k];
    auto& mine = o["terms"] = nlohmann::ordered_json::array();
    if (shown)
      for (std::size_t t = 0; t < run.cover.Rows(); ++t)
        if (run.cover.out[t][k] == '1') mine.push_back(run.cover.in[t]);
    o["verified"] = run.Refused() ? nlohmann::ordered_json() : nlohmann::ordered_json(run.check.ok || run.check.output != static_cast<int>(k));
    outputs.push_back(std::move(o));
  }
  const int status = WideExitStatus(run);
  j["message"] = WideMessage(run);
  j["outcome"] = OutcomeName(status);
  j["exit_status"] = status;
  j["seconds"] = std::round(run.seconds * 1e6) / 1e6;
  return j;
}

}  // namespace tervo::batch
