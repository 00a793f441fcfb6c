// The help window's test seam: how many pages it has drawn, kept out of its
// public members.
#pragma once

#include "help_unit.h"

namespace tervo {

struct HelpTestAccess {
  // Pages drawn so far (PaintHelpPage calls).
  static int PaintCount(const Thelpform& h) { return h.PaintCount; }
};

}  // namespace tervo
