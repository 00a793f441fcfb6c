#include "function_load.h"

#include <algorithm>

#include "xlate_unit.h"

namespace tervo {

void LoadFunction(Engine& e, std::string_view letters, bool sumOfProducts, std::span<const uint16_t> value,
                  std::span<const uint16_t> mask) {
  e.VariableTable.fill(0);
  std::copy(letters.begin(), letters.end(), e.VariableTable.begin());
  e.VariableCount = static_cast<uint8_t>(letters.size());
  e.RowMask = LowMask(static_cast<unsigned>(letters.size()));
  e.FullMask = e.RowMask;
  e.CnfMode = sumOfProducts ? 1 : 0;
  e.FormulaMode = 0;
  e.TermCount = static_cast<uint16_t>(value.size());
  for (std::size_t t = 0; t < value.size(); ++t) {
    e.TermValue[t + 1] = static_cast<uint16_t>(value[t] & mask[t]);
    e.TermMask[t + 1] = mask[t];
  }
}

}  // namespace tervo
