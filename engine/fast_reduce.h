// The reduction's fast path: the same steps as ScanSlice, giving identical
// tables, for runs without the Scan trace.
#pragma once

#include <cstdint>

#include "engine.h"

namespace tervo {

// Extra tables of the fast path, allocated once with the engine.
struct FastTables {
  uint8_t unused = 0;
};

// One slice of the reduction with the same contract and results as ScanSlice.
uint8_t FastScanSlice(Engine& e, RunHost& host, uint8_t resume);

}  // namespace tervo
