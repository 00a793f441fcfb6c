#include "export_report.h"

#include <filesystem>

namespace tervo::batch {

ExportDesign RunDesign(const Engine& e, const RunOutcome& run) {
  const int constant = run.code == kTautology ? 1 : run.code == kInconsistent ? 0 : -1;
  return DesignFromEngine(e, constant);
}

ExportDesign PlaDesign(const PlaFile& f, const PlaRun& run, const std::vector<std::vector<RowState>>& states,
                       const std::string& module) {
  ExportDesign d;
  d.module = module;
  for (unsigned c = 0; c < f.inputs; ++c)
    d.inputs.push_back(f.inputNames.size() == f.inputs ? f.inputNames[c] : std::string(1, f.letters[c]));
  for (unsigned k = 0; k < run.outputs.size(); ++k) {
    const OutputResult& r = run.outputs[k];
    ExportOutput o;
    const std::string_view given = f.OutputName(k);
    o.name = !given.empty() ? std::string(given) : f.outputs == 1 ? "f" : "f" + std::to_string(k);
    o.productOfSums = run.pos;
    o.constant = r.constant;
    o.value = r.value;
    o.mask = r.mask;
    if (k < states.size())
      for (const RowState s : states[k])
        o.function.push_back(s == RowState::kOn ? kValue1 : s == RowState::kOff ? kValue0 : kDontCare);
    d.outputs.push_back(std::move(o));
  }
  return d;
}

std::string ModuleNameOf(const std::string& path) {
  if (path.empty() || path == "-") return "tervo42";
  const std::string stem = std::filesystem::path(path).stem().string();
  return stem.empty() ? "tervo42" : stem;
}

}  // namespace tervo::batch
