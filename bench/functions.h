// The functions the reduction is measured on, generated here with fixed
// seeds so every run measures the same tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tervo::bench {

// A function of n variables as the rows on which it is 1, ascending: the
// table a formula run collects with "CNF" selected.
struct Function {
  std::string name;
  int n = 0;
  std::vector<uint16_t> rows;
};

// Every row with probability p.
Function RandomFunction(int n, double p, uint32_t seed);
// 1 where an odd number of the 15 variables is 1.
Function Parity15();
// 1 where at least 8 of the 15 variables are 1.
Function Majority15();
// 1 on every row but the one where all 15 variables are 0 (the OR of all).
Function AllRowsButOne15();
// The carry out of a 7-bit adder with carry in: variables 1..7 are a0..a6,
// 8..14 are b0..b6, 15 is the carry in (variable 1 is bit 0 of a row).
Function AdderCarry15();
// The OR of 40 random cubes of 4 to 8 literals over 15 variables.
Function CubesOr15(uint32_t seed);

// The formula (A.B+C.D+E.F+G.H)-(I.J+K.L+M.N.O) as a formula run collects
// it (variable 1 is A, bit 0 of a row).
Function TypedFormula15();

// All functions the benchmark program measures, in the order it lists them.
std::vector<Function> AllFunctions();

}  // namespace tervo::bench
