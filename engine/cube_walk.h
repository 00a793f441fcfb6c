// Walking cubes of up to 15 variables, for the cover searches: the
// assignments of one cube, and every cube by its ternary number.
#pragma once

#include <array>
#include <cstdint>

namespace tervo {

// Every assignment of a cube: base | s for each subset s of the free
// variables, in ascending order.
template <typename Visit>
inline void ForEachMinterm(uint16_t base, uint16_t free, Visit visit) {
  uint16_t s = 0;
  do {
    visit(static_cast<uint16_t>(base | s));
    s = static_cast<uint16_t>((s - free) & free);
  } while (s != 0);
}

// Digits from..n-1 of a ternary cube number, counted up one at a time:
// digit i is 0 (variable i+1 is 0), 1 (it is 1) or 2 (it is free); val and
// dash are the value and free bits of those digits. A walk that handles
// digit 0 itself, three cubes at a time, counts from digit 1.
struct CubeDigits {
  std::array<uint8_t, 16> d{};
  uint16_t val = 0, dash = 0;
  void Next(int from, int n) {
    for (int i = from; i < n; ++i) {
      const auto bit = static_cast<uint16_t>(1u << i);
      if (d[i] == 0) {
        d[i] = 1;
        val |= bit;
        return;
      }
      if (d[i] == 1) {
        d[i] = 2;
        val &= static_cast<uint16_t>(~bit);
        dash |= bit;
        return;
      }
      d[i] = 0;
      dash &= static_cast<uint16_t>(~bit);
    }
  }
};

}  // namespace tervo
