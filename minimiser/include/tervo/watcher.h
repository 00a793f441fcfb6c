// What a caller lends the minimiser for one run: a way to stop it and a
// place to show how far it got. The library never reads a clock; a time
// limit is the caller answering Stop() with true once its time is up.
#pragma once

#include <cstdint>

namespace tervo::minimiser {

// A snapshot of a run, for a progress line.
struct Progress {
  const char* phase = "";   // what the run is doing now ("primes", "expand", "cover search", ...)
  uint64_t cubes = 0;       // size of the current cover (terms)
  uint64_t bound = 0;       // best lower bound known on the terms (0: none yet)
  uint64_t ticks = 0;       // effort spent so far, in the run's own units
};

class Watcher {
 public:
  virtual ~Watcher() = default;
  // Polled every so many ticks; true ends the run, which then gives back
  // the best checked result it has.
  virtual bool Stop() { return false; }
  // Called now and then with where the run stands.
  virtual void Report(const Progress&) {}
};

// How a run ended.
enum class Status : uint8_t {
  kDone = 0,         // the search ran to its end (a proof of minimality where one was sought)
  kStopped = 1,      // Stop() answered true: the best result so far
  kBudgetSpent = 2,  // the effort budget ran out: the best result so far
  kStalled = 3,      // the stall rule ended it: no gain for a long stretch of effort
  kRefused = 4,      // the input cannot be taken (too large for memory, ...); nothing was done
};

}  // namespace tervo::minimiser
