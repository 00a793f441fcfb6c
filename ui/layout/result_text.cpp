#include "result_text.h"

#include "logic_unit.h"

namespace tervo {

std::string ResultFormula(const Engine& e) {
  const bool products = e.CnfMode != 0;
  std::string s;
  for (unsigned t = 1; t <= e.TermCount; ++t) {
    const uint16_t value = e.TermValue[t], mask = e.TermMask[t];
    std::string term;
    int literals = 0;
    for (unsigned v = 0; v < e.VariableCount; ++v) {
      if (!(mask >> v & 1)) continue;
      if (literals++ > 0) term += products ? '.' : '+';
      // A "DNF" row lists where the function is 0: its sum has each
      // variable in the opposite polarity.
      if ((value >> v & 1) != e.CnfMode) term += '/';
      term += e.VariableTable[v];
    }
    if (literals == 0) return {};
    if (!products && literals > 1) term = '(' + term + ')';
    if (t > 1) s += products ? '+' : '.';
    s += term;
  }
  return s;
}

std::string ResultTableText(const Engine& e) {
  if (e.VariableCount == 0) return {};
  auto trimmed = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  };
  std::string s = OutputHeaderText(e) + '\n';
  for (unsigned t = 1; t <= e.TermCount; ++t) s += trimmed(OutputRowText(e, e.TermValue[t], e.TermMask[t])) + '\n';
  return s;
}

}  // namespace tervo
