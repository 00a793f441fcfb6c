// A function put into the engine's tables in place of the formula and table
// readers: what a PLA file or a cover search gives the stages after them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine.h"

namespace tervo {

// The letters become the VariableTable (VariableCount, RowMask and
// FullMask with them), the form CnfMode (sum of products: 1), formula mode
// off, and the terms the TruthTable's entries 1..n (TermCount n), each
// value kept to its mask. At most 15 letters and kTermCapacity terms.
void LoadFunction(Engine& e, std::string_view letters, bool sumOfProducts, std::span<const uint16_t> value,
                  std::span<const uint16_t> mask);

}  // namespace tervo
