#include "report.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "logic_unit.h"
#include "run.h"

namespace tervo::batch {

std::string HeaderText(const Engine& e) { return OutputHeaderText(e); }

std::string RowText(const Engine& e, uint16_t value, uint16_t mask) {
  std::string s = OutputRowText(e, value, mask);
  if (!s.empty()) s.pop_back();  // no blank after the last cell
  return s;
}

std::string_view FormName(const Engine& e) { return e.CnfMode ? "sum of products" : "product of sums"; }

std::string TermFormula(const Engine& e, uint16_t value, uint16_t mask) {
  std::string s;
  for (unsigned v = 0; v < e.VariableCount; ++v) {
    if (!(mask >> v & 1)) continue;
    if (!s.empty()) s += e.CnfMode ? '.' : '+';
    // A sum term of the OFF-set is 0 exactly on its rows: a variable that
    // is 1 there appears inverted.
    const bool itself = (value >> v & 1) == e.CnfMode;
    if (!itself) s += '/';
    s += e.VariableTable[v];
  }
  if (s.empty()) s += e.CnfMode ? '1' : '0';
  return s;
}

std::string TextReport(const Engine& e, const RunOutcome& run) {
  std::string s;
  if (run.drawn) {
    s += HeaderText(e) + "\n";
    for (unsigned t = 1; t <= e.TermCount; ++t) s += RowText(e, e.TermValue[t], e.TermMask[t]) + "\n";
  }
  return s + run.message + "\n";
}

nlohmann::ordered_json JsonTerm(const Engine& e, uint16_t value, uint16_t mask) {
  // The stored value gives the rows the term covers; in DNF the literals
  // are their inverse.
  const uint16_t stored = value & mask;
  const auto literals = static_cast<uint16_t>(e.CnfMode ? stored : (~stored & mask));
  nlohmann::ordered_json j;
  j["value"] = literals;
  j["mask"] = mask;
  j["row"] = RowText(e, value, mask);
  j["formula"] = TermFormula(e, value, mask);
  return j;
}

std::string_view OutcomeName(int exitStatus) {
  switch (exitStatus) {
    case kExitOk:
      return "ok";
    case kExitVerify:
      return "verify error";
    case kExitInterrupted:
      return "interrupted";
    default:
      return "message";
  }
}

void JsonOutcome(const RunOutcome& run, nlohmann::ordered_json& j) {
  j["message"] = run.message;
  j["outcome"] = OutcomeName(ExitStatus(run));
  if (run.ended)
    j["error_code"] = nullptr;
  else
    j["error_code"] = run.code;
  if (run.verifyRan)
    j["verified"] = run.verified;
  else
    j["verified"] = nullptr;
  if (run.minimal) {
    j["minimum"] = run.cover.minimum != 0;
    j["lower_bound"] = run.cover.lowerBound;
    j["search_end"] = CoverEndName(run.cover.minimum != 0, run.cover.end);
  }
  j["exit_status"] = ExitStatus(run);
  j["seconds"] = std::round(run.seconds * 1e6) / 1e6;  // microseconds, as the clock is good for
}

nlohmann::ordered_json JsonResult(const Engine& e, const RunOutcome& run, std::string_view input) {
  nlohmann::ordered_json j;
  j["input"] = input;
  auto& vars = j["variables"] = nlohmann::ordered_json::array();
  for (unsigned v = 0; v < e.VariableCount; ++v) vars.push_back(std::string(1, e.VariableTable[v]));
  j["mode"] = e.CnfMode ? "CNF" : "DNF";
  j["form"] = FormName(e);
  j["reduce"] = e.ReduceOn != 0;
  auto& terms = j["terms"] = nlohmann::ordered_json::array();
  if (run.drawn)
    for (unsigned t = 1; t <= e.TermCount; ++t) terms.push_back(JsonTerm(e, e.TermValue[t], e.TermMask[t]));
  JsonOutcome(run, j);
  return j;
}

std::string JsonReport(const Engine& e, const RunOutcome& run, std::string_view input) {
  return JsonText(JsonResult(e, run, input));
}

std::string JsonText(const nlohmann::ordered_json& j) {
  return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void CheckedOutput::Fail(int err) {
  if (error_.empty()) error_ = err ? std::strerror(err) : "write error";
}

void CheckedOutput::Write(std::string_view text) {
  if (text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), f_) != text.size()) Fail(errno);
}

bool CheckedOutput::Finish() {
  errno = 0;
  if (std::fflush(f_) != 0) Fail(errno);
  if (std::ferror(f_)) Fail(errno);
  return error_.empty();
}

}  // namespace tervo::batch
