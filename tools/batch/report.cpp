#include "report.h"

#include "logic_unit.h"

#include <cstdio>

#include "run.h"

namespace tervo::batch {

namespace {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string HeaderText(const Engine& e) { return OutputHeaderText(e); }

std::string RowText(const Engine& e, uint16_t value, uint16_t mask) {
  std::string s = OutputRowText(e, value, mask);
  if (!s.empty()) s.pop_back();  // no blank after the last cell
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

std::string JsonReport(const Engine& e, const RunOutcome& run, std::string_view input) {
  std::string s = "{\n";
  s += "  \"input\": " + JsonString(input) + ",\n";
  s += "  \"variables\": [";
  for (unsigned v = 0; v < e.VariableCount; ++v) {
    if (v > 0) s += ", ";
    s += JsonString(std::string(1, e.VariableTable[v]));
  }
  s += "],\n";
  s += std::string("  \"mode\": ") + (e.CnfMode ? "\"CNF\"" : "\"DNF\"") + ",\n";
  s += std::string("  \"reduce\": ") + (e.ReduceOn ? "true" : "false") + ",\n";
  s += "  \"terms\": [";
  if (run.drawn) {
    for (unsigned t = 1; t <= e.TermCount; ++t) {
      const uint16_t mask = e.TermMask[t];
      const auto value = static_cast<uint16_t>(e.TermValue[t] & mask);
      s += t > 1 ? ",\n    " : "\n    ";
      s += "{\"value\": " + std::to_string(value) + ", \"mask\": " + std::to_string(mask) +
           ", \"row\": " + JsonString(RowText(e, value, mask)) + "}";
    }
    if (e.TermCount > 0) s += "\n  ";
  }
  s += "],\n";
  s += "  \"message\": " + JsonString(run.message) + ",\n";
  s += "  \"error_code\": " + std::to_string(run.code) + ",\n";
  s += std::string("  \"verified\": ") + (run.verifyRan ? (run.verified ? "true" : "false") : "null") + ",\n";
  if (run.minimal) {
    s += std::string("  \"minimum\": ") + (run.cover.minimum ? "true" : "false") + ",\n";
    s += "  \"lower_bound\": " + std::to_string(run.cover.lowerBound) + ",\n";
  }
  s += "  \"seconds\": " + FormatSeconds(run.seconds, 6) + "\n";
  return s + "}\n";
}

}  // namespace tervo::batch
