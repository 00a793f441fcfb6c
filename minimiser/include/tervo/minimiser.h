// The minimiser of multi-output PLA functions of any width: one shared list
// of product terms, each serving a set of outputs, as few as can be found
// (then as few literals). Works on cube lists, so its cost follows the
// function, not 3^inputs.
#pragma once

#include <cstdint>
#include <string>

#include "tervo/pla.h"
#include "tervo/watcher.h"

namespace tervo::minimiser {

struct MinimiseSettings {
  uint64_t effort = 0;     // ticks the whole run may spend; 0: the library's default
  bool stallStop = true;   // end the cover searches once they stop gaining
  bool exact = true;       // list the primes and cover them exactly where that fits the budget
  uint64_t memoryBytes = 0;  // what the run may hold; 0: PlaMemoryBudget's default
};

struct MinimiseResult {
  Status status = Status::kDone;
  bool minimum = false;       // proved: no shared cover has fewer terms
  uint64_t lowerBound = 0;    // no shared cover has fewer terms
  uint64_t ticks = 0;         // effort spent
  std::string method;         // how the cover was found ("exact", "heuristic")
  std::string message;        // why the input was refused (status kRefused)
  int line = 0;               // the file's line at fault when the input itself is refused
};

// A cover of `in` (any .type) as a PLA of type "f": each row a cube and the
// outputs it serves ('1') or not ('0'). `out` keeps the names of `in`.
// With Status::kRefused, `out` is left empty and `result.message` says why.
MinimiseResult Minimise(const Pla& in, Pla& out, const MinimiseSettings& settings, Watcher* watcher = nullptr);

}  // namespace tervo::minimiser
