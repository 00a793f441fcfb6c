#include "fast_reduce.h"

#include "logic_unit.h"

namespace tervo {

uint8_t FastScanSlice(Engine& e, RunHost& host, uint8_t resume) { return ScanSlice(e, host, resume); }

}  // namespace tervo
