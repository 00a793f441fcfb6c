// The engine's table and a benchmark function: loading one into the other
// and counting what a run left there. Shared by the benchmark programs.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

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

// A flag of a benchmark program besides Google Benchmark's: its name, with
// its "=" when it takes a value, and what the program does with the value
// ("" for a flag without one).
struct Flag {
  const char* name;
  std::function<void(const char*)> take;
};

// The command line without the flags of `flags`, each handed to its take;
// what is left goes to benchmark::Initialize.
inline std::vector<char*> TakeFlags(int argc, char** argv, const std::vector<Flag>& flags) {
  std::vector<char*> args;
  for (int a = 0; a < argc; ++a) {
    bool taken = false;
    for (const Flag& flag : flags) {
      const std::size_t length = std::strlen(flag.name);
      const bool hasValue = length > 0 && flag.name[length - 1] == '=';
      if (hasValue ? std::strncmp(argv[a], flag.name, length) == 0 : std::strcmp(argv[a], flag.name) == 0) {
        flag.take(argv[a] + length);
        taken = true;
        break;
      }
    }
    if (!taken) args.push_back(argv[a]);
  }
  return args;
}

}  // namespace tervo::bench
