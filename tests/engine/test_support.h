// Helpers shared by the engine tests: fresh engines, whole runs without a
// window, and an evaluator of formulas that is independent of the engine's
// scanner and director program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"
#include "grid_text.h"
#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo::test {

inline std::unique_ptr<Engine> NewEngine() { return std::make_unique<Engine>(); }

// Collect and scan a formula; returns the error code.
inline uint8_t Scan(Engine& e, std::string_view formula) {
  e.ErrorCode = kOk;
  SetFormulaText(e, formula);
  CollectFormula(e);
  if (e.ErrorCode == kOk) ScanFormula(e);
  return e.ErrorCode;
}

// Translate and evaluate a formula as GO does, without reducing.
inline uint8_t Translate(Engine& e, std::string_view formula) {
  if (Scan(e, formula) != kOk) return e.ErrorCode;
  BuildVariableTable(e);
  GenerateDirectors(e);
  if (e.ErrorCode != kOk) return e.ErrorCode;
  EvaluateTruthTable(e);
  return e.ErrorCode;
}

// A host that counts what the engine asks of it and can end the run.
struct RecordingHost : RunHost {
  Engine* engine = nullptr;
  int progress = 0, events = 0, steps = 0, clears = 0;
  std::string lastProgress;
  std::vector<TraceRecord> records;
  std::vector<std::pair<uint16_t, uint16_t>> vts;  // the virtual term at each step
  std::vector<std::string> actions;                // the action text at each step
  long stopAfter = -1;  // clear GoOn at this trace step (0-based), -1 never
  void ShowProgress(std::string_view t) override {
    ++progress;
    lastProgress = std::string(t);
  }
  void ProcessPendingEvents() override { ++events; }
  void DrawTraceStep(const TraceRecord& r) override {
    records.push_back(r);
    if (engine) {
      vts.emplace_back(engine->VtValue, engine->VtMask);
      actions.emplace_back(ActionText(*engine, r));
    }
  }
  void WaitAtStop() override {
    if (stopAfter >= 0 && steps == stopAfter && engine) engine->GoOn = 0;
    ++steps;
  }
  void ClearTraceRecord() override { ++clears; }
};

// Fill the table grid from lines ("AB", "1 0"...) and read it.
inline uint8_t Table(Engine& e, std::string_view text) {
  e.ErrorCode = kOk;
  e.FormulaMode = 0;
  e.CnfMode = 1;
  SetTableText(e, text);
  ReadTable(e);
  return e.ErrorCode;
}

// Reduce with a null host and GoOn set.
inline void Reduce(Engine& e) {
  NullHost host;
  e.GoOn = 1;
  ReduceTruthTable(e, host);
}

// The result rows as the output pane writes them, one character a variable
// ("11x" for "1 1 x ").
inline std::vector<std::string> Rows(const Engine& e) {
  std::vector<std::string> rows;
  for (int t = 1; t <= e.TermCount; ++t) {
    std::string row;
    for (char c : OutputRowText(e, e.TermValue[t], e.TermMask[t]))
      if (c != ' ') row += c;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace tervo::test
