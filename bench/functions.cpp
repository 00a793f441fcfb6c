#include "functions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <random>
#include <string>
#include <utility>

namespace tervo::bench {

namespace {

template <class Pred>
Function Collect(std::string name, int n, Pred one) {
  Function f{std::move(name), n, {}};
  for (uint32_t r = 0; r < (1u << n); ++r)
    if (one(r)) f.rows.push_back(static_cast<uint16_t>(r));
  return f;
}

}  // namespace

Function RandomFunction(int n, double p, uint32_t seed) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution coin(p);
  const int percent = static_cast<int>(p * 100 + 0.5);
  return Collect("random" + std::to_string(n) + "_p" + std::to_string(percent), n, [&](uint32_t) { return coin(rng); });
}

Function Parity15() {
  return Collect("parity15", 15, [](uint32_t r) { return std::popcount(r) % 2 == 1; });
}

Function Majority15() {
  return Collect("majority15", 15, [](uint32_t r) { return std::popcount(r) >= 8; });
}

Function AllRowsButOne15() {
  return Collect("all_but_one15", 15, [](uint32_t r) { return r != 0; });
}

Function AdderCarry15() {
  return Collect("adder_carry15", 15, [](uint32_t r) {
    const uint32_t a = r & 0x7f, b = (r >> 7) & 0x7f, cin = (r >> 14) & 1;
    return ((a + b + cin) >> 7) != 0;
  });
}

Function CubesOr15(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::pair<uint16_t, uint16_t>> cubes;  // (value, mask)
  for (int c = 0; c < 40; ++c) {
    std::array<int, 15> vars{};
    for (int v = 0; v < 15; ++v) vars[v] = v;
    std::shuffle(vars.begin(), vars.end(), rng);
    const int lits = std::uniform_int_distribution<int>(4, 8)(rng);
    uint16_t mask = 0;
    for (int l = 0; l < lits; ++l) mask = static_cast<uint16_t>(mask | 1u << vars[l]);
    cubes.emplace_back(static_cast<uint16_t>(rng() & mask), mask);
  }
  return Collect("cubes_or15", 15, [&](uint32_t r) {
    return std::any_of(cubes.begin(), cubes.end(), [r](auto c) { return ((r ^ c.first) & c.second) == 0; });
  });
}

Function TypedFormula15() {
  return Collect("typed_formula15", 15, [](uint32_t r) {
    auto v = [r](char letter) { return (r >> (letter - 'A') & 1) != 0; };
    const bool left = (v('A') && v('B')) || (v('C') && v('D')) || (v('E') && v('F')) || (v('G') && v('H'));
    const bool right = (v('I') && v('J')) || (v('K') && v('L')) || (v('M') && v('N') && v('O'));
    return left != right;
  });
}

std::vector<Function> AllFunctions() {
  return {
      RandomFunction(10, 0.5, 10),
      RandomFunction(12, 0.5, 12),
      RandomFunction(15, 0.5, 15),
      RandomFunction(15, 0.1, 151),
      RandomFunction(15, 0.9, 159),
      Parity15(),
      Majority15(),
      AllRowsButOne15(),
      AdderCarry15(),
      CubesOr15(40),
      TypedFormula15(),
  };
}

}  // namespace tervo::bench
