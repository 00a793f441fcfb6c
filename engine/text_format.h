// Small text helpers shared by the engine, the windows and the tools.
#pragma once

#include <string>

namespace tervo {

// a..z become A..Z; every other character stays as it is.
constexpr char FoldUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// n in decimal, left-filled with blanks to `width` characters (never cut).
inline std::string PadNumber(long n, int width) {
  std::string s = std::to_string(n);
  if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), ' ');
  return s;
}

}  // namespace tervo
