#include "pla_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

#include "function_load.h"
#include "logic_unit.h"
#include "report.h"
#include "xlate_unit.h"

namespace tervo::batch {

namespace {

RowState Opposite(bool pos) { return pos ? RowState::kOn : RowState::kOff; }

// The file's letters as the engine's variables, the form, and the terms
// given (none by default).
void SetVariables(Engine& e, const PlaFile& f, bool pos, const std::vector<uint16_t>& value = {},
                  const std::vector<uint16_t>& mask = {}) {
  LoadFunction(e, f.letters, !pos, value, mask);
}

bool Covers(const std::vector<uint16_t>& value, const std::vector<uint16_t>& mask, uint16_t a) {
  for (std::size_t t = 0; t < value.size(); ++t)
    if (((value[t] ^ a) & mask[t]) == 0) return true;
  return false;
}

// Whether the terms cover every target row of an output and no opposite
// row; don't-cares fall either way.
bool CoversItsRows(const OutputResult& r, const std::vector<RowState>& states, bool pos) {
  for (std::size_t a = 0; a < states.size(); ++a) {
    if (states[a] == RowState::kDontCare) continue;
    if (Covers(r.value, r.mask, static_cast<uint16_t>(a)) != (states[a] == TargetState(pos))) return false;
  }
  return true;
}

// A constant output's result: checked like any other, on its own terms.
OutputResult ConstantResult(const std::vector<RowState>& states, bool pos, bool noTarget) {
  OutputResult r;
  // No target row: the function is the constant that the form does not
  // list; no opposite row: one term of no variable covers everything.
  r.constant = noTarget == pos ? 1 : 0;
  if (!noTarget) {
    r.value.push_back(0);
    r.mask.push_back(0);
  }
  r.run.drawn = true;
  r.run.verifyRan = true;
  r.run.verified = CoversItsRows(r, states, pos);
  r.run.message = ResultMessage(r.run.verified, "constant " + std::to_string(r.constant));
  return r;
}

std::string Cube(unsigned inputs, uint16_t value, uint16_t mask) {
  std::string s;
  for (unsigned c = 0; c < inputs; ++c) s += !(mask >> c & 1) ? '-' : (value >> c & 1) ? '1' : '0';
  return s;
}

// The line naming output k of a file with several outputs.
std::string OutputHeading(const PlaFile& f, unsigned k) {
  std::string s = "output " + std::to_string(k + 1);
  if (!f.OutputName(k).empty()) s += ": " + std::string(f.OutputName(k));
  return s;
}

// The run's host with the position in the file before each progress text,
// shown at most every 200 ms.
class PositionHost : public ForwardingHost<> {
 public:
  using ForwardingHost::ForwardingHost;
  void SetPosition(std::string position) { position_ = std::move(position); }
  void ShowProgress(std::string_view text) override {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    inner_.ShowProgress(position_ + std::string(text));
  }

 private:
  std::string position_;
  std::chrono::steady_clock::time_point last_{};
};

// What the message line adds for a shared cover: the terms, ", minimum"
// when proved, else ", at least N" and how the search ended.
std::string SharedOutcomeText(const MultiCoverInfo& info) {
  return ", " + std::to_string(info.terms) + (info.terms == 1 ? " term" : " terms") +
         CoverOutcomeText(info.minimum, info.lowerBound, info.end);
}

}  // namespace

std::optional<InputError> AllOutputStates(const PlaFile& f, std::vector<std::vector<RowState>>& states) {
  states.assign(f.outputs, {});
  for (unsigned k = 0; k < f.outputs; ++k)
    if (auto err = OutputStates(f, k, states[k])) return err;
  return std::nullopt;
}

void LoadOutput(Engine& e, const PlaFile& f, unsigned k, const std::vector<RowState>& states, bool pos) {
  const uint8_t target = pos ? kListsOff : kListsOn;
  const uint8_t opposite = pos ? kListsOn : kListsOff;
  std::vector<uint16_t> value, mask;
  if ((f.sets & target) && !(f.sets & opposite)) {
    // What the file leaves out is the opposite set, so its own rows give
    // the target set and the don't-cares exactly, in file order.
    const char cell = pos ? '0' : '1';
    const bool dc = f.sets & kListsDc;
    for (std::size_t r = 0; r < f.value.size(); ++r) {
      const char c = f.Out(r, k);
      if (c == cell || (dc && c == '-')) {
        value.push_back(f.value[r]);
        mask.push_back(f.mask[r]);
      }
    }
  } else {
    const uint16_t full = LowMask(f.inputs);
    for (std::size_t a = 0; a < states.size(); ++a)
      if (states[a] != Opposite(pos)) {
        value.push_back(static_cast<uint16_t>(a));
        mask.push_back(full);
      }
  }
  SetVariables(e, f, pos, value, mask);
}

void DropUnneededTerms(Engine& e, const std::vector<RowState>& states, bool pos) {
  const RowState target = TargetState(pos);
  // How many terms cover each target row. A term whose target rows all
  // have another term covering them is not needed: it goes, and the counts
  // with it, one term at a time in table order. Without the reduction only
  // the terms of no target row go: the rest of the table stays as loaded.
  const uint16_t alone = e.ReduceOn ? 1 : UINT16_MAX;
  std::vector<uint16_t> count(states.size(), 0);
  for (unsigned t = 1; t <= e.TermCount; ++t)
    ForEachAssignment(e.VariableCount, e.TermValue[t], e.TermMask[t], [&](uint16_t a) {
      if (states[a] == target) ++count[a];
    });
  uint16_t kept = 0;
  for (unsigned t = 1; t <= e.TermCount; ++t) {
    bool needed = false;
    ForEachAssignment(e.VariableCount, e.TermValue[t], e.TermMask[t],
                      [&](uint16_t a) { needed = needed || (states[a] == target && count[a] <= alone); });
    if (!needed) {
      ForEachAssignment(e.VariableCount, e.TermValue[t], e.TermMask[t], [&](uint16_t a) {
        if (states[a] == target) --count[a];
      });
      continue;
    }
    ++kept;
    e.TermValue[kept] = e.TermValue[t];
    e.TermMask[kept] = e.TermMask[t];
  }
  e.TermCount = kept;
}

bool VerifyOutput(const Engine& e, const std::vector<RowState>& states, bool pos) {
  for (std::size_t a = 0; a < states.size(); ++a) {
    if (states[a] == RowState::kDontCare) continue;
    if (IsCovered(e, static_cast<uint16_t>(a)) != (states[a] == TargetState(pos))) return false;
  }
  return true;
}

// The target rows of one output, one entry per row, for the cover search,
// and its don't-cares as a bit set beside them.
void LoadOutputRows(Engine& e, const PlaFile& f, const std::vector<RowState>& states, bool pos,
                    std::array<uint64_t, 512>& dontCares) {
  dontCares.fill(0);
  std::vector<uint16_t> value, mask;
  const uint16_t full = LowMask(f.inputs);
  for (std::size_t a = 0; a < states.size(); ++a) {
    if (states[a] == RowState::kDontCare) dontCares[a >> 6] |= uint64_t{1} << (a & 63);
    if (states[a] != TargetState(pos)) continue;
    value.push_back(static_cast<uint16_t>(a));
    mask.push_back(full);
  }
  SetVariables(e, f, pos, value, mask);
}

PlaRun RunPla(Engine& e, RunHost& outer, const PlaFile& f, const std::vector<std::vector<RowState>>& states, bool pos,
              CoverSearch* cover, double minimalSeconds) {
  std::array<uint64_t, 512> dontCares{};
  PlaRun out;
  out.pos = pos;
  SetVariables(e, f, pos);
  PositionHost host(outer);
  // The time limit is for the whole file: each output gets what is left,
  // shared by the outputs still to come.
  const auto start = std::chrono::steady_clock::now();
  // Without one, the cover search's budget of work is shared the same way.
  uint64_t effortLeft = minimiser::kDefaultCoverEffort;
  for (unsigned k = 0; k < f.outputs; ++k) {
    if (gInterrupted) {
      out.interrupted = true;
      break;
    }
    if (f.outputs > 1) host.SetPosition("output " + std::to_string(k + 1) + "/" + std::to_string(f.outputs) + ": ");
    const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double seconds = std::max(0.0, minimalSeconds - spent) / (f.outputs - k);
    const std::vector<RowState>& st = states[k];
    const bool noTarget = std::find(st.begin(), st.end(), TargetState(pos)) == st.end();
    const bool noOpposite = std::find(st.begin(), st.end(), Opposite(pos)) == st.end();
    if (noTarget || noOpposite) {
      out.outputs.push_back(ConstantResult(st, pos, noTarget));
      continue;
    }
    OutputResult r;
    // The engine's pipeline with this output's rows in place of the table
    // reader; the terms that only don't-cares need go before the check.
    GoStages stages;
    stages.cover = cover;
    stages.minimalSeconds = seconds;
    if (cover) cover->SetEffort(std::max<uint64_t>(1, effortLeft / (f.outputs - k)));
    stages.readTable = [&](Engine& en) {
      if (cover && !en.TraceScan) {
        LoadOutputRows(en, f, st, pos, dontCares);
        cover->SetDontCares(&dontCares);
      } else {
        LoadOutput(en, f, k, st, pos);
      }
    };
    stages.verify = [&](Engine& en) {
      DropUnneededTerms(en, st, pos);
      return VerifyOutput(en, st, pos);
    };
    r.run = RunGo(e, host, stages);
    if (r.run.minimal) effortLeft -= std::min(effortLeft, r.run.cover.ticks);
    if (r.run.drawn) {
      r.value.assign(e.TermValue.begin() + 1, e.TermValue.begin() + 1 + e.TermCount);
      r.mask.assign(e.TermMask.begin() + 1, e.TermMask.begin() + 1 + e.TermCount);
    }
    out.outputs.push_back(std::move(r));
    if (out.outputs.back().run.ended) {
      out.interrupted = true;
      break;
    }
  }
  return out;
}

namespace {

// The rows of every output as the shared cover's sets: the rows the form
// lists, and the don't-cares.
MultiFunction MultiFunctionOf(const PlaFile& f, const std::vector<std::vector<RowState>>& states, bool pos) {
  MultiFunction fn;
  fn.inputs = f.inputs;
  fn.on.assign(f.outputs, AssignmentSet{});
  fn.dc.assign(f.outputs, AssignmentSet{});
  for (unsigned k = 0; k < f.outputs; ++k)
    for (std::size_t a = 0; a < states[k].size(); ++a) {
      if (states[k][a] == TargetState(pos)) fn.on[k][a >> 6] |= uint64_t{1} << (a & 63);
      if (states[k][a] == RowState::kDontCare) fn.dc[k][a >> 6] |= uint64_t{1} << (a & 63);
    }
  return fn;
}

// Output k of a shared cover: the terms serving it, checked against its rows.
OutputResult SharedOutputResult(const MultiCover& cover, unsigned k, const std::vector<RowState>& st, bool pos) {
  OutputResult r;
  for (std::size_t t = 0; t < cover.Terms(); ++t)
    if (cover.Serves(t, k)) {
      r.value.push_back(cover.value[t]);
      r.mask.push_back(cover.mask[t]);
    }
  if (std::find(st.begin(), st.end(), TargetState(pos)) == st.end())
    r.constant = pos ? 1 : 0;
  else if (std::find(st.begin(), st.end(), Opposite(pos)) == st.end())
    r.constant = pos ? 0 : 1;
  r.run.drawn = true;
  r.run.verifyRan = true;
  r.run.verified = CoversItsRows(r, st, pos);
  return r;
}

}  // namespace

PlaRun RunSharedPla(Engine& e, RunHost& outer, const PlaFile& f, const std::vector<std::vector<RowState>>& states,
                    bool pos, double seconds) {
  PlaRun out;
  out.pos = pos;
  out.shared = true;
  SetVariables(e, f, pos);
  const MultiFunction fn = MultiFunctionOf(f, states, pos);
  PositionHost host(outer);
  MultiCoverSearch search;
  MultiCover cover;
  e.GoOn = 1;
  const auto start = std::chrono::steady_clock::now();
  out.cover = search.Run(e, host, fn, seconds, cover);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  SetVariables(e, f, pos);  // the search may have used the engine's table
  e.ClearTruthTable();
  out.rows = static_cast<uint32_t>(cover.Terms());
  // Each output on its own: its terms, checked against its rows.
  bool allVerified = true;
  for (unsigned k = 0; k < f.outputs; ++k) {
    OutputResult r = SharedOutputResult(cover, k, states[k], pos);
    allVerified = allVerified && r.run.verified;
    r.run.seconds = out.seconds;
    out.outputs.push_back(std::move(r));
  }
  // A file of one output leaves its result in the engine, as a run of the
  // system's reduction does (a saved formula file keeps it).
  if (f.outputs == 1) SetVariables(e, f, pos, out.outputs[0].value, out.outputs[0].mask);
  out.message = ResultMessage(allVerified, "time = " + FormatSeconds(out.seconds) + " secs" + SharedOutcomeText(out.cover));
  for (OutputResult& r : out.outputs) r.run.message = out.message;
  return out;
}

int PlaExitStatus(const PlaRun& run) {
  if (run.interrupted) return kExitInterrupted;
  int status = kExitOk;
  for (const OutputResult& r : run.outputs) {
    const int s = ExitStatus(r.run);
    if (s == kExitVerify) return kExitVerify;
    if (s != kExitOk) status = s;
  }
  return status;
}

std::string PlaMessage(const PlaRun& run) {
  if (run.shared) return run.message;
  for (const OutputResult& r : run.outputs)
    if (ExitStatus(r.run) != kExitOk) return r.run.message;
  return run.outputs.empty() ? std::string() : run.outputs.front().run.message;
}

std::string PlaTextReport(const Engine& e, const PlaFile& f, const PlaRun& run) {
  std::string s;
  bool renamed = false;
  for (unsigned c = 0; c < f.inputNames.size(); ++c) renamed = renamed || f.inputNames[c] != std::string(1, f.letters[c]);
  if (renamed) {
    s += "variables:";
    for (unsigned c = 0; c < f.inputs; ++c) s += std::string(c ? ", " : " ") + f.letters[c] + " = " + f.inputNames[c];
    s += "\n";
  }
  for (std::size_t k = 0; k < run.outputs.size(); ++k) {
    const OutputResult& r = run.outputs[k];
    if (f.outputs > 1) s.append(k ? "\n" : "").append(OutputHeading(f, static_cast<unsigned>(k))).append("\n");
    if (r.run.drawn) {
      s += HeaderText(e) + "\n";
      for (std::size_t t = 0; t < r.value.size(); ++t) s += RowText(e, r.value[t], r.mask[t]) + "\n";
    }
    if (!run.shared) s += r.run.message + "\n";
  }
  // A shared cover's message is for the whole file.
  if (run.shared) s += (f.outputs > 1 ? "\n" : "") + run.message + "\n";
  return s;
}

nlohmann::ordered_json PlaJsonResult(const Engine& e, const PlaFile& f, const PlaRun& run) {
  nlohmann::ordered_json j;
  j["input"] = "pla";
  auto& vars = j["variables"] = nlohmann::ordered_json::array();
  for (char c : f.letters) vars.push_back(std::string(1, c));
  if (f.inputNames.empty())
    j["names"] = nullptr;
  else
    j["names"] = f.inputNames;
  j["mode"] = run.pos ? "DNF" : "CNF";
  j["form"] = FormName(e);
  j["reduce"] = e.ReduceOn != 0;
  j["cover"] = run.shared ? "shared" : "per output";
  if (run.shared) {
    j["rows"] = run.rows;
    j["minimum"] = run.cover.minimum;
    j["lower_bound"] = run.cover.lowerBound;
    j["search_end"] = CoverEndName(run.cover.minimum, run.cover.end);
  }
  auto& outputs = j["outputs"] = nlohmann::ordered_json::array();
  for (std::size_t k = 0; k < run.outputs.size(); ++k) {
    const OutputResult& r = run.outputs[k];
    nlohmann::ordered_json o;
    o["output"] = k + 1;
    if (f.outputNames.empty())
      o["name"] = nullptr;
    else
      o["name"] = f.outputNames[k];
    if (r.constant < 0)
      o["constant"] = nullptr;
    else
      o["constant"] = r.constant;
    auto& terms = o["terms"] = nlohmann::ordered_json::array();
    for (std::size_t t = 0; t < r.value.size(); ++t) terms.push_back(JsonTerm(e, r.value[t], r.mask[t]));
    JsonOutcome(r.run, o);
    outputs.push_back(std::move(o));
  }
  const int status = PlaExitStatus(run);
  j["message"] = run.interrupted ? std::string(kEndedMessage) : PlaMessage(run);
  j["outcome"] = OutcomeName(status);
  j["exit_status"] = status;
  double seconds = 0;
  for (const OutputResult& r : run.outputs) seconds += r.run.seconds;
  if (run.shared) seconds = run.seconds;
  j["seconds"] = std::round(seconds * 1e6) / 1e6;
  return j;
}

minimiser::Pla CoverOfRun(const PlaFile& f, const PlaRun& run) {
  minimiser::Pla cover;
  cover.inputs = f.inputs;
  cover.outputs = f.outputs;
  cover.type = "f";
  std::map<uint32_t, std::size_t> index;
  for (std::size_t k = 0; k < run.outputs.size(); ++k) {
    const OutputResult& r = run.outputs[k];
    for (std::size_t t = 0; t < r.value.size(); ++t) {
      const uint32_t key = uint32_t{r.mask[t]} << 16 | (r.value[t] & r.mask[t]);
      auto [it, added] = index.emplace(key, cover.Rows());
      if (added) {
        cover.in.push_back(Cube(f.inputs, r.value[t], r.mask[t]));
        cover.out.emplace_back(f.outputs, '0');
      }
      cover.out[it->second][k] = '1';
    }
  }
  return cover;
}

std::string WritePlaResults(const PlaFile& f, const PlaRun& run) {
  // Each distinct cube once, in the order first written, with the outputs
  // it belongs to.
  minimiser::Pla rows = CoverOfRun(f, run);
  if (run.pos)  // the rows list where the outputs are 0; the others are free
    for (std::string& outs : rows.out)
      for (char& c : outs) c = c == '1' ? '0' : '~';
  std::string s;
  if (run.shared)
    s = std::string(run.pos ? "# one cover shared by all outputs: rows where they are 0"
                            : "# one cover shared by all outputs: rows where they are 1") +
        SharedOutcomeText(run.cover) + "\n";
  else
    s = run.pos ? "# each output reduced on its own: rows where it is 0\n"
                : "# each output reduced on its own: rows where it is 1\n";
  for (std::size_t k = 0; k < run.outputs.size(); ++k)
    if (run.outputs[k].run.minimal)
      s += "# output " + std::to_string(k + 1) + ": minimal cover" + CoverOutcomeText(run.outputs[k].run.cover) + "\n";
  s += ".i " + std::to_string(f.inputs) + "\n.o " + std::to_string(f.outputs) + "\n.ilb";
  for (unsigned c = 0; c < f.inputs; ++c) s += " " + (f.inputNames.empty() ? std::string(1, f.letters[c]) : f.inputNames[c]);
  s += "\n";
  if (!f.outputNames.empty()) {
    s += ".ob";
    for (const std::string& name : f.outputNames) s += " " + name;
    s += "\n";
  }
  s += run.pos ? ".type r\n" : ".type f\n";
  s += ".p " + std::to_string(rows.Rows()) + "\n";
  for (std::size_t t = 0; t < rows.Rows(); ++t) s += rows.in[t] + " " + rows.out[t] + "\n";
  return s + ".e\n";
}

}  // namespace tervo::batch
