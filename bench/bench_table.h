// The engine's table and a benchmark function: loading one into the other
// and counting what a run left there. Shared by the benchmark programs.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "engine.h"
#include "functions.h"
#include "xlate_unit.h"

namespace tervo::bench {

// The function's rows as entries with full masks, in a cleared table.
inline void Load(Engine& e, const Function& f) {
  e.ClearTruthTable();
  e.VariableCount = static_cast<uint8_t>(f.n);
  e.TermCount = static_cast<uint16_t>(f.rows.size());
  for (size_t t = 0; t < f.rows.size(); ++t) {
    e.TermValue[t + 1] = f.rows[t];
    e.TermMask[t + 1] = LowMask(f.n);
  }
}

// Entries left and their literals (deleted entries may remain when a run
// was ended).
inline void CountTerms(const Engine& e, double& terms, double& literals) {
  terms = literals = 0;
  for (int t = 1; t <= e.TermCount; ++t) {
    if (e.TermMask[t] == 0) continue;
    ++terms;
    literals += std::popcount(static_cast<unsigned>(e.TermMask[t]));
  }
}

}  // namespace tervo::bench
