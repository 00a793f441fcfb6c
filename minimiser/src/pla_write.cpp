// The PLA writer: the keywords ReadPla needs, then one row per line, its
// inputs and its outputs as two words.
#include "tervo/pla.h"

namespace tervo::minimiser {

namespace {

void AppendNames(std::string& s, const char* key, const std::vector<std::string>& names) {
  if (names.empty()) return;
  s += key;
  for (const std::string& name : names) s.append(" ").append(name);
  s += '\n';
}

}  // namespace

std::string WritePla(const Pla& p) {
  std::string s;
  s.reserve(64 + p.Rows() * (p.inputs + p.outputs + 2));
  s += ".i " + std::to_string(p.inputs) + "\n.o " + std::to_string(p.outputs) + "\n";
  AppendNames(s, ".ilb", p.inputNames);
  AppendNames(s, ".ob", p.outputNames);
  s += ".type " + p.type + "\n.p " + std::to_string(p.Rows()) + "\n";
  for (std::size_t r = 0; r < p.Rows(); ++r) s.append(p.in[r]).append(" ").append(p.out[r]).append("\n");
  return s + ".e\n";
}

}  // namespace tervo::minimiser
