// A plain check of a shared cover against its function, point by point,
// for the tests of the shared cover search.
#pragma once

#include "cube_walk.h"
#include "multi_cover.h"
#include "xlate_unit.h"

namespace tervo {

// True when every assignment of every output's ON-set is covered by a term
// serving that output, and no term serving an output covers an assignment
// outside its ON-set and don't-cares.
inline bool CheckMultiCover(const MultiFunction& f, const MultiCover& c) {
  const uint16_t full = LowMask(f.inputs);
  AssignmentSet covered;
  for (unsigned k = 0; k < f.Outputs(); ++k) {
    covered.fill(0);
    bool allowed = true;
    for (std::size_t t = 0; t < c.Terms() && allowed; ++t) {
      if (!c.Serves(t, k)) continue;
      ForEachMinterm(static_cast<uint16_t>(c.value[t] & c.mask[t]), static_cast<uint16_t>(full & ~c.mask[t]),
                     [&](uint16_t a) {
                       allowed = allowed && (InSet(f.on[k], a) || InSet(f.dc[k], a));
                       covered[a >> 6] |= uint64_t{1} << (a & 63);
                     });
    }
    if (!allowed) return false;
    for (std::size_t i = 0; i < covered.size(); ++i)
      if (f.on[k][i] & ~covered[i]) return false;
  }
  return true;
}

}  // namespace tervo
