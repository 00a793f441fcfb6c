// The engine's test seams: switches that only tests turn, kept out of the
// engine's public members.
#pragma once

#include "engine.h"
#include "fast_reduce.h"

namespace tervo {

struct EngineTestAccess {
  // The step budget ends a slice after any step, not only between two entries.
  static void SetSlicesEndAnywhere(Engine& e, bool on) { e.sliceAnywhere_ = on ? 1 : 0; }
  // Show every comparison the fast path makes to host, as a TraceRecord (nullptr: none).
  static void WatchFastComparisons(Engine& e, RunHost* host) { e.Fast->watch_ = host; }
};

}  // namespace tervo
