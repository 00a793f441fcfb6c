// An independent check of a cover against the function it claims to cover,
// at any width. It keeps its own cube type and shares nothing with the
// minimiser but the PLA description: per output, the cover must hold every
// ON point and meet no OFF point, proved by tautology on cofactors.
#pragma once

#include <string>

#include "tervo/pla.h"

namespace tervo::minimiser {

struct CheckReport {
  bool ok = false;
  int output = -1;            // the first output at fault, -1 when none
  std::string counterexample; // an input point (one character per input) that shows the fault
  std::string text;           // one line a person can read
};

// `cover` is read as type "f" whatever it says (each row serves the outputs
// marked '1'); `function`'s type decides its ON, OFF and don't-care sets.
CheckReport CheckCover(const Pla& function, const Pla& cover);

}  // namespace tervo::minimiser
